#pragma once
// The one baseline every leak test starts from. It fails the test at once when
// the object counters are blind on this platform or build, so no leak check
// can pass by comparing 0 with 0.
#include <doctest/doctest.h>

#include "resource_counts.h"

namespace quorlin::test {

struct LeakBaseline {
  unsigned long gdi = 0;
  unsigned long user = 0;

  LeakBaseline() {
    REQUIRE_MESSAGE(CountersSeeObjects(), "the GDI/USER object counters cannot see objects here");
    gdi = GdiObjectCount();
    user = UserObjectCount();
  }
  long GdiGrowth() const { return static_cast<long>(GdiObjectCount()) - static_cast<long>(gdi); }
  long UserGrowth() const { return static_cast<long>(UserObjectCount()) - static_cast<long>(user); }
};

}  // namespace quorlin::test
