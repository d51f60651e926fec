#include <doctest/doctest.h>
#include <windows.h>
TEST_CASE("ansi code page is 936") { CHECK(GetACP() == 936u); }
