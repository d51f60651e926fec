#pragma once
// The window class of a gallery window: a plain pop-up the skin engine then
// takes over, with the procedure the gallery needs (most need none of their own).
#include <windows.h>

#include <string>

#include "assets/assets.h"
#include "skin/core/apply_skin.h"
#include "skin/core/painting.h"
#include "skin/core/skin_options.h"
#include "skin/core/skin_record.h"

namespace quorlin::test {

inline void RegisterGalleryClass(HINSTANCE instance, const char* className, WNDPROC procedure = DefWindowProcA);

// What every gallery does first: the engine's start values as the program
// sets them, and its window class.
inline void PrepareGallery(HINSTANCE instance, const char* className, WNDPROC procedure = DefWindowProcA) {
  skin::ChildSkinningEnabled = 1;
  skin::VeilAlpha = 160;
  skin::AccentColour = 0xDDCA22;
  RegisterGalleryClass(instance, className, procedure);
}

// A visible child control of a gallery window.
inline HWND GalleryChild(HWND parent, const char* cls, DWORD style, int x, int y, int w, int h, DWORD exStyle = 0) {
  return CreateWindowExA(exStyle, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                         reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
}

inline void RegisterGalleryClass(HINSTANCE instance, const char* className, WNDPROC procedure) {
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
