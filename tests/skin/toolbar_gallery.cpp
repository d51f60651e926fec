#include "toolbar_gallery.h"

#include <windows.h>

#include <commctrl.h>

#include <iterator>

#include "gallery_window.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::test {
namespace {

constexpr char GalleryClass[] = "QuorlinToolbarGallery";
constexpr COLORREF Transparent = RGB(255, 0, 255);

// One 16 x 16 picture: a frame, a fill (or four quarters) and a white mark.
void DrawImage(HDC dc, int index) {
  static const COLORREF fills[] = {RGB(40, 110, 220), RGB(40, 170, 60),  RGB(230, 140, 20),
                                   RGB(150, 60, 200), RGB(20, 160, 170), RGB(210, 50, 90)};
  const int left = index * 16;
  RECT all = {left, 0, left + 16, 16};
  HBRUSH key = CreateSolidBrush(Transparent);
  FillRect(dc, &all, key);
  DeleteObject(key);
  RECT inner = {left + 1, 1, left + 15, 15};
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  FrameRect(dc, &inner, black);
  DeleteObject(black);
  if (index == GalleryColourfulImage) {
    const COLORREF quarters[] = {RGB(220, 30, 30), RGB(30, 200, 50), RGB(40, 70, 230), RGB(240, 210, 20)};
    for (int q = 0; q < 4; ++q) {
      RECT r = {left + 2 + (q % 2) * 6, 2 + (q / 2) * 6, left + 8 + (q % 2) * 6, 8 + (q / 2) * 6};
      HBRUSH b = CreateSolidBrush(quarters[q]);
      FillRect(dc, &r, b);
      DeleteObject(b);
    }
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    RECT across = {left + 2, 7, left + 14, 9}, down = {left + 7, 2, left + 9, 14};
    FillRect(dc, &across, white);
    FillRect(dc, &down, white);
    DeleteObject(white);
    return;
  }
  RECT fill = {left + 2, 2, left + 14, 14};
  HBRUSH b = CreateSolidBrush(fills[index]);
  FillRect(dc, &fill, b);
  DeleteObject(b);
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  RECT mark = {left + 4, 4, left + 7, 7};
  FillRect(dc, &mark, white);
  DeleteObject(white);
}

HWND Toolbar(HWND parent, DWORD style, int x, int y, int w, int h, HIMAGELIST images) {
  HWND toolbar = CreateWindowExA(
      0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER | style, x, y,
      w, h, parent, nullptr, reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
  SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  SendMessageA(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
  return toolbar;
}

TBBUTTON Button(int image, int command, BYTE state, BYTE style, const char* text = nullptr) {
  TBBUTTON b = {};
  b.iBitmap = image;
  b.idCommand = command;
  b.fsState = state;
  b.fsStyle = style;
  b.iString = reinterpret_cast<INT_PTR>(text);
  return b;
}

TBBUTTON Separator(int width = 0, BYTE state = 0) {
  TBBUTTON b = {};
  b.iBitmap = width;
  b.fsState = state;
  b.fsStyle = BTNS_SEP;
  return b;
}

}  // namespace

HIMAGELIST CreateGalleryImages() {
  HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 7, 0);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP strip = CreateCompatibleBitmap(screen, 16 * 7, 16);
  HGDIOBJ old = SelectObject(dc, strip);
  for (int i = 0; i < 7; ++i) DrawImage(dc, i);
  SelectObject(dc, old);
  ImageList_AddMasked(images, strip, Transparent);
  DeleteObject(strip);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return images;
}

ToolbarGallery CreateToolbarGallery(HINSTANCE instance, int x, int y) {
  INITCOMMONCONTROLSEX init = {sizeof init, ICC_BAR_CLASSES};
  InitCommonControlsEx(&init);
  PrepareGallery(instance, GalleryClass);

  ToolbarGallery g;
  g.images = CreateGalleryImages();
  g.window = CreateWindowExA(0, GalleryClass, "工具栏", WS_POPUP | WS_MINIMIZEBOX, x, y, 620, 176, nullptr, nullptr,
                             instance, nullptr);
  if (!g.window) return g;

  // The indeterminate button ends the first row: the separator after it starts
  // the second.
  g.flat = Toolbar(g.window, TBSTYLE_FLAT, 12, 32, 596, 50, g.images);
  const TBBUTTON flat[] = {
      Button(0, GalleryPlain, TBSTATE_ENABLED, BTNS_BUTTON),
      Button(1, GalleryCheck, TBSTATE_ENABLED, BTNS_CHECK),
      Separator(),
      Button(2, GalleryGroupFirst, TBSTATE_ENABLED | TBSTATE_CHECKED, BTNS_CHECKGROUP),
      Button(3, GalleryGroupSecond, TBSTATE_ENABLED, BTNS_CHECKGROUP),
      Separator(),
      Button(4, GalleryDropDown, TBSTATE_ENABLED, BTNS_DROPDOWN),
      Button(5, GalleryWholeDropDown, TBSTATE_ENABLED, BTNS_WHOLEDROPDOWN),
      Separator(),
      Button(GalleryColourfulImage, GalleryDisabled, 0, BTNS_BUTTON),
      Button(0, GalleryHidden, TBSTATE_ENABLED | TBSTATE_HIDDEN, BTNS_BUTTON),
      Button(GalleryColourfulImage, GalleryIndeterminate, TBSTATE_ENABLED | TBSTATE_INDETERMINATE | TBSTATE_WRAP,
             BTNS_BUTTON),
      Separator(),
      Button(1, GalleryWrapped, TBSTATE_ENABLED, BTNS_BUTTON),
      Button(2, GalleryWrapped + 1, TBSTATE_ENABLED, BTNS_BUTTON),
  };
  SendMessageA(g.flat, TB_ADDBUTTONSA, std::size(flat), reinterpret_cast<LPARAM>(flat));

  g.list = Toolbar(g.window, TBSTYLE_FLAT | TBSTYLE_LIST, 12, 92, 596, 26, g.images);
  const TBBUTTON list[] = {
      Button(0, GalleryListOpen, TBSTATE_ENABLED, BTNS_BUTTON | BTNS_AUTOSIZE, "打开"),
      Button(1, GalleryListSave, TBSTATE_ENABLED, BTNS_BUTTON | BTNS_AUTOSIZE, "保存"),
      Separator(),
      Button(4, GalleryListMore, TBSTATE_ENABLED, BTNS_DROPDOWN | BTNS_AUTOSIZE, "更多"),
      Button(GalleryColourfulImage, GalleryListMore + 1, 0, BTNS_BUTTON | BTNS_AUTOSIZE, "停用"),
  };
  SendMessageA(g.list, TB_ADDBUTTONSA, std::size(list), reinterpret_cast<LPARAM>(list));

  g.holder = Toolbar(g.window, TBSTYLE_FLAT, 12, 128, 596, 30, g.images);
  const TBBUTTON held[] = {
      Button(0, 301, TBSTATE_ENABLED, BTNS_BUTTON),
      Separator(170),  // room for the edit field
      Separator(130),  // room for the combo box
      Button(1, 302, TBSTATE_ENABLED, BTNS_BUTTON),
  };
  SendMessageA(g.holder, TB_ADDBUTTONSA, std::size(held), reinterpret_cast<LPARAM>(held));
  RECT room = {};
  SendMessageA(g.holder, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&room));
  g.edit = GalleryChild(g.holder, "Edit", ES_AUTOHSCROLL, room.left + 4, room.top + 1, 160, 20, WS_EX_CLIENTEDGE);
  SetWindowTextA(g.edit, "工具栏上的编辑框");
  SendMessageA(g.holder, TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&room));
  g.combo = GalleryChild(g.holder, "ComboBox", CBS_DROPDOWNLIST | WS_VSCROLL, room.left + 4, room.top + 1, 120, 120);
  for (const char* item : {"第一项", "第二项", "第三项"})
    SendMessageA(g.combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  SendMessageA(g.combo, CB_SETCURSEL, 0, 0);

  SkinAndShowGalleryWindow(g.window);
  return g;
}

}  // namespace quorlin::test
