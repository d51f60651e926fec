#include "combo_gallery.h"

#include <string>

#include "gallery_window.h"
#include "assets/assets.h"
#include "skin/core/apply_skin.h"
#include "skin/core/painting.h"
#include "skin/core/skin_options.h"
#include "skin/core/skin_record.h"

namespace quorlin::test {
namespace {

constexpr char GalleryClass[] = "QuorlinComboGallery";

HWND Combo(HWND parent, DWORD style, int x, int y, int w, int h) {
  HWND combo = CreateWindowExA(0, "ComboBox", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | style, x, y, w, h,
                               parent, nullptr,
                               reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
  SendMessageA(combo, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  for (const char* item : {"高清 1080P", "标清 720P", "流畅 480P", "仅音频"})
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  return combo;
}

}  // namespace

ComboSection AddComboSection(HWND parent, int x, int y) {
  ComboSection s;
  s.dropDown = Combo(parent, CBS_DROPDOWN | CBS_AUTOHSCROLL, x, y, 150, 200);
  SetWindowTextA(s.dropDown, "可编辑的组合框");
  s.dropList = Combo(parent, CBS_DROPDOWNLIST, x, y + 40, 150, 200);
  SendMessageA(s.dropList, CB_SETCURSEL, 1, 0);
  s.simple = Combo(parent, CBS_SIMPLE, x + 170, y, 160, 130);
  SendMessageA(s.simple, CB_SETCURSEL, 0, 0);
  return s;
}

ComboGallery CreateComboGallery(HINSTANCE instance, int x, int y) {
  PrepareGallery(instance, GalleryClass);

  ComboGallery g;
  g.window = CreateWindowExA(0, GalleryClass, "组合框样式", WS_POPUP | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, x, y, 370, 190,
                             nullptr, nullptr, instance, nullptr);
  if (!g.window) return g;
  g.combos = AddComboSection(g.window, 20, 40);

  SkinAndShowGalleryWindow(g.window);
  return g;
}

}  // namespace quorlin::test
