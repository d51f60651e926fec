#pragma once
// GDI+ started for the whole test program: include once per test source.
#include "graphics/gdiplus_types.h"

namespace quorlin::test {

class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusSession() {
    if (ok_) Gdiplus::GdiplusShutdown(token_);
  }
  bool ok() const { return ok_; }

 private:
  ULONG_PTR token_ = 0;
  bool ok_ = false;
};

inline GdiplusSession& Gdiplus() {
  static GdiplusSession session;
  return session;
}

namespace {
// Starts GDI+ before the first test case runs.
[[maybe_unused]] const bool gdiplusStarted = Gdiplus().ok();
}  // namespace

}  // namespace quorlin::test
