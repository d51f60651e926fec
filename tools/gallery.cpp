// Shows the gallery windows: skinned windows with every button look and the
// three combo-box styles, for screenshots (tools/screenshot-gallery).
//   quorlin_gallery [seconds]   quits after that many seconds when given
#include <windows.h>

#include <ole2.h>
#include <gdiplus.h>

#include <cstdlib>

#include "button_gallery.h"
#include "combo_gallery.h"

namespace {

void CALLBACK QuitNow(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); }

}  // namespace

int main(int argc, char** argv) {
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 1;
  const quorlin::test::ButtonGallery gallery = quorlin::test::CreateButtonGallery(GetModuleHandleA(nullptr));
  const quorlin::test::ComboGallery combos = quorlin::test::CreateComboGallery(GetModuleHandleA(nullptr), 420, 40);
  if (!gallery.window || !combos.window) {
    Gdiplus::GdiplusShutdown(token);
    return 1;
  }
  if (argc > 1) {
    const int seconds = std::atoi(argv[1]);
    if (seconds > 0) SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, QuitNow);
  }
  MSG msg;
  while (IsWindow(gallery.window) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (IsWindow(combos.window)) DestroyWindow(combos.window);
  if (IsWindow(gallery.window)) DestroyWindow(gallery.window);
  Gdiplus::GdiplusShutdown(token);
  return 0;
}
