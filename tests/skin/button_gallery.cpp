#include "button_gallery.h"

#include <string>

#include "gallery_window.h"
#include "assets/assets.h"
#include "skin/core/apply_skin.h"
#include "skin/core/painting.h"
#include "skin/core/skin_options.h"
#include "skin/core/skin_record.h"

namespace quorlin::test {
namespace {

constexpr char GalleryClass[] = "QuorlinButtonGallery";

HWND Button(HWND parent, const char* text, DWORD style, int x, int y, int w, int h) {
  HWND button = CreateWindowExA(0, "Button", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y, w, h, parent,
                                nullptr, reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)),
                                nullptr);
  SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  return button;
}

}  // namespace

ButtonGallery CreateButtonGallery(HINSTANCE instance, int x, int y) {
  PrepareGallery(instance, GalleryClass);

  ButtonGallery g;
  g.window = CreateWindowExA(0, GalleryClass, "按钮样式", WS_POPUP | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, x, y, 360, 250,
                             nullptr, nullptr, instance, nullptr);
  if (!g.window) return g;
  g.push = Button(g.window, "确定", BS_PUSHBUTTON, 20, 40, 90, 28);
  g.defaultPush = Button(g.window, "默认按钮", BS_DEFPUSHBUTTON, 130, 40, 90, 28);
  g.disabledPush = Button(g.window, "不可用", BS_PUSHBUTTON, 240, 40, 90, 28);
  EnableWindow(g.disabledPush, FALSE);
  g.checked = Button(g.window, "已勾选", BS_AUTOCHECKBOX, 20, 90, 120, 20);
  SendMessageA(g.checked, BM_SETCHECK, BST_CHECKED, 0);
  g.unchecked = Button(g.window, "未勾选", BS_AUTOCHECKBOX, 20, 120, 120, 20);
  g.radioFirst = Button(g.window, "选项一", BS_AUTORADIOBUTTON | WS_GROUP, 170, 90, 120, 20);
  SendMessageA(g.radioFirst, BM_SETCHECK, BST_CHECKED, 0);
  g.radioSecond = Button(g.window, "选项二", BS_AUTORADIOBUTTON, 170, 120, 120, 20);
  g.groupBox = Button(g.window, "分组框", BS_GROUPBOX | WS_GROUP, 20, 150, 150, 80);
  g.threeState = Button(g.window, "三态框", BS_AUTO3STATE, 190, 180, 120, 20);
  SendMessageA(g.threeState, BM_SETCHECK, BST_INDETERMINATE, 0);

  SkinAndShowGalleryWindow(g.window);
  return g;
}

}  // namespace quorlin::test
