// doctest's main, with GDI+ running for the whole test program as it runs
// for the whole of Quorlin.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest/doctest.h>

#include <ole2.h>
#include <gdiplus.h>

int main(int argc, char** argv) {
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  doctest::Context context(argc, argv);
  const int result = context.run();
  Gdiplus::GdiplusShutdown(token);
  return result;
}
