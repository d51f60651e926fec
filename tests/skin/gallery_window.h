#pragma once
// The window class of a gallery window: a plain pop-up the skin engine then
// takes over, with the procedure the gallery needs (most need none of their own).
#include <windows.h>

namespace quorlin::test {

inline void RegisterGalleryClass(HINSTANCE instance, const char* className, WNDPROC procedure = DefWindowProcA) {
  WNDCLASSA wc = {};
  if (GetClassInfoA(instance, className, &wc)) return;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className;
  RegisterClassA(&wc);
}

}  // namespace quorlin::test
