// Starts GDI+ for the whole test program and shuts it down at exit; kept in
// its own file because it needs the SDK header.
#include <windows.h>
#include <ole2.h>
#include <objidl.h>
#include <gdiplus.h>

#include "decode.h"

namespace quorlin::test {
namespace {

struct GdiplusSession {
  ULONG_PTR token = 0;
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
  }
  ~GdiplusSession() {
    if (token) Gdiplus::GdiplusShutdown(token);
  }
};

}  // namespace

void EnsureGdiplus() { static GdiplusSession session; }

}  // namespace quorlin::test
