#pragma once
// The window class of a gallery window: a plain pop-up the skin engine then
// takes over, with the procedure the gallery needs (most need none of their own).
#include <windows.h>

#include <string>

#include "assets/assets.h"
#include "skin/core/apply_skin.h"
#include "skin/core/skin_options.h"

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

// Skins a gallery window the way the program skins its main window (the
// background picture stretched, the veil at 100) and shows it.
inline void SkinAndShowGalleryWindow(HWND window) {
  skin::ApplySkin(window, {});
  const auto& picture = assets::BackgroundPicture;
  skin::SetWindowBackground(window, std::string(reinterpret_cast<const char*>(picture.data), picture.size), 3);
  skin::SetSkinOptions(1, 100);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
}

}  // namespace quorlin::test
