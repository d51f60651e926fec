#include "header_gallery.h"

#include <string>

#include "gallery_window.h"
#include "assets/assets.h"
#include "skin/core/apply_skin.h"
#include "skin/core/painting.h"
#include "skin/core/skin_options.h"
#include "skin/core/skin_record.h"

namespace quorlin::test {
namespace {

constexpr char GalleryClass[] = "QuorlinHeaderGallery";

// Two 16 x 16 icons: a blue disc and a green square.
HIMAGELIST MakeIcons() {
  HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 1);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  for (int i = 0; i < 2; ++i) {
    HBITMAP colour = CreateCompatibleBitmap(screen, 16, 16);
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
    HGDIOBJ old = SelectObject(dc, mask);
    PatBlt(dc, 0, 0, 16, 16, WHITENESS);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    if (i == 0) Ellipse(dc, 1, 1, 15, 15); else Rectangle(dc, 2, 2, 14, 14);
    SelectObject(dc, colour);
    HBRUSH fill = CreateSolidBrush(i == 0 ? RGB(0x20, 0x60, 0xD0) : RGB(0x30, 0xA0, 0x40));
    RECT all = {0, 0, 16, 16};
    FillRect(dc, &all, fill);
    DeleteObject(fill);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    SelectObject(dc, old);
    ImageList_Add(list, colour, mask);
    DeleteObject(colour);
    DeleteObject(mask);
  }
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return list;
}

void AddColumn(HWND list, int at, const char* text, int width, int format, int image) {
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | (image >= 0 ? LVCF_IMAGE : 0);
  column.fmt = format | (image >= 0 ? LVCFMT_IMAGE : 0);
  column.pszText = const_cast<char*>(text);
  column.cx = width;
  column.iImage = image;
  SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&column));
}

void AddRow(HWND list, int row, const char* name, const char* size, const char* kind) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = const_cast<char*>(name);
  SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  const char* cells[] = {size, kind};
  for (int i = 0; i < 2; ++i) {
    item.iSubItem = i + 1;
    item.pszText = const_cast<char*>(cells[i]);
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }
}

void AddHeaderItem(HWND header, const char* text, int width, int format) {
  HDITEMA item = {};
  item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
  item.pszText = const_cast<char*>(text);
  item.cxy = width;
  item.fmt = format | HDF_STRING;
  const int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  SendMessageA(header, HDM_INSERTITEMA, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

HeaderGallery CreateHeaderGallery(HINSTANCE instance, int x, int y) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  PrepareGallery(instance, GalleryClass);

  HeaderGallery g;
  g.window = CreateWindowExA(0, GalleryClass, "表头样式", WS_POPUP | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, x, y, 380, 250,
                             nullptr, nullptr, instance, nullptr);
  if (!g.window) return g;
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  g.header = CreateWindowExA(0, WC_HEADERA, "", WS_CHILD | WS_VISIBLE | HDS_BUTTONS, 20, 40, 340, 22, g.window,
                             nullptr, instance, nullptr);
  SendMessageA(g.header, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  AddHeaderItem(g.header, "名称", 120, HDF_LEFT);
  AddHeaderItem(g.header, "大小", 100, HDF_RIGHT);
  AddHeaderItem(g.header, "类型", 120, HDF_CENTER);

  g.list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SHAREIMAGELISTS,
                           20, 80, 340, 150, g.window, nullptr, instance, nullptr);
  SendMessageA(g.list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  g.icons = MakeIcons();
  SendMessageA(g.list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(g.icons));
  AddColumn(g.list, 0, "文件", 110, LVCFMT_LEFT, 0);
  AddColumn(g.list, 1, "大小", 70, LVCFMT_RIGHT, -1);
  AddColumn(g.list, 2, "格式", 80, LVCFMT_CENTER, 1);
  AddRow(g.list, 0, "片头.mp4", "12.5 MB", "MP4");
  AddRow(g.list, 1, "正片.flv", "230.1 MB", "FLV");
  // The header shows the small icons whether or not the list hands them on.
  SendMessageA(ListView_GetHeader(g.list), HDM_SETIMAGELIST, HDSIL_NORMAL, reinterpret_cast<LPARAM>(g.icons));

  SkinAndShowGalleryWindow(g.window);
  return g;
}

}  // namespace quorlin::test
