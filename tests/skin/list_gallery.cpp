#include "list_gallery.h"

#include <commctrl.h>

#include <string>

#include "gallery_window.h"
#include "assets/assets.h"
#include "skin/core/apply_skin.h"
#include "skin/core/painting.h"
#include "skin/core/skin_options.h"
#include "skin/core/skin_record.h"

namespace quorlin::test {
namespace {

constexpr char GalleryClass[] = "QuorlinListGallery";

// The owner-drawn list box's items: a colour chip and the text.
void DrawChipItem(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) return;
  static const COLORREF chips[] = {RGB(220, 60, 60), RGB(60, 160, 60), RGB(60, 90, 220), RGB(230, 170, 30)};
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  HBRUSH ground = CreateSolidBrush(GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  FillRect(item.hDC, &item.rcItem, ground);
  DeleteObject(ground);
  RECT chip = {item.rcItem.left + 3, item.rcItem.top + 3, item.rcItem.left + 15, item.rcItem.bottom - 3};
  HBRUSH colour = CreateSolidBrush(chips[item.itemID % 4]);
  FillRect(item.hDC, &chip, colour);
  DeleteObject(colour);
  char text[64] = {};
  SendMessageA(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text));
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT textRect = item.rcItem;
  textRect.left += 20;
  DrawTextA(item.hDC, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER);
}

LRESULT CALLBACK GalleryProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_MEASUREITEM) {
    reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 18;
    return TRUE;
  }
  if (message == WM_DRAWITEM && reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->CtlType == ODT_LISTBOX) {
    DrawChipItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    return TRUE;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND Control(HWND parent, const char* cls, DWORD style, DWORD exStyle, int x, int y, int w, int h) {
  HWND control = CreateWindowExA(exStyle, cls, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y, w, h, parent,
                                 nullptr, reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)),
                                 nullptr);
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  return control;
}

void AddStrings(HWND list, const char* const* texts, int count) {
  for (int i = 0; i < count; ++i) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(texts[i]));
}

void FillReport(HWND view) {
  const char* titles[] = {"文件名", "大小", "格式"};
  const int widths[] = {110, 60, 60};
  for (int c = 0; c < 3; ++c) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = widths[c];
    column.pszText = const_cast<char*>(titles[c]);
    SendMessageA(view, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
  }
  const char* rows[][3] = {{"旅行记录.mp4", "52.3 MB", "mp4"}, {"演示片段.flv", "8.9 MB", "flv"},
                           {"音乐会.webm", "120.4 MB", "webm"}, {"课程第一讲.mp4", "310.0 MB", "mp4"}};
  for (int r = 0; r < 4; ++r) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = r;
    item.pszText = const_cast<char*>(rows[r][0]);
    SendMessageA(view, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    for (int c = 1; c < 3; ++c) {
      item.iSubItem = c;
      item.pszText = const_cast<char*>(rows[r][c]);
      SendMessageA(view, LVM_SETITEMTEXTA, r, reinterpret_cast<LPARAM>(&item));
    }
  }
}

HTREEITEM AddNode(HWND tree, HTREEITEM parent, const char* text) {
  TVINSERTSTRUCTA insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = const_cast<char*>(text);
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void FillTree(HWND tree) {
  HTREEITEM sites = AddNode(tree, TVI_ROOT, "视频网站");
  AddNode(tree, sites, "站点一");
  HTREEITEM second = AddNode(tree, sites, "站点二");
  AddNode(tree, second, "频道");
  HTREEITEM saved = AddNode(tree, TVI_ROOT, "已保存");
  AddNode(tree, saved, "今天");
  for (HTREEITEM open : {sites, second, saved})
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(open));
}

}  // namespace

ListGallery CreateListGallery(HINSTANCE instance, int x, int y) {
  INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_INTERNET_CLASSES |
                                                ICC_DATE_CLASSES};
  InitCommonControlsEx(&init);
  PrepareGallery(instance, GalleryClass, GalleryProc);
  skin::VeilAlpha = 100;
  skin::TranslucentControls = 1;

  ListGallery g;
  g.window = CreateWindowExA(0, GalleryClass, "列表样式", WS_POPUP | WS_MINIMIZEBOX, x, y, 500, 330, nullptr,
                             nullptr, instance, nullptr);
  if (!g.window) return g;
  g.listBox = Control(g.window, "ListBox", WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE, 185, 40,
                      140, 125);
  const char* items[] = {"高清 1080p", "标清 720p", "流畅 480p", "仅音频", "字幕 中文", "字幕 英文",
                         "封面图片", "弹幕文件", "原始格式", "分段下载", "合并分段", "转码 mp4",
                         "转码 webm", "仅视频", "缩略图", "章节信息"};
  AddStrings(g.listBox, items, 16);
  SendMessageA(g.listBox, LB_SETCURSEL, 1, 0);
  g.ownerDrawn = Control(g.window, "ListBox", LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                         WS_EX_CLIENTEDGE, 340, 40, 140, 78);
  const char* colours[] = {"红色标签", "绿色标签", "蓝色标签", "黄色标签"};
  AddStrings(g.ownerDrawn, colours, 4);
  g.ipAddress = Control(g.window, WC_IPADDRESSA, 0, 0, 340, 128, 140, 22);
  SendMessageA(g.ipAddress, IPM_SETADDRESS, 0, MAKEIPADDRESS(127, 0, 0, 1));
  g.dateTime = Control(g.window, DATETIMEPICK_CLASSA, DTS_SHORTDATEFORMAT, 0, 340, 158, 140, 22);
  g.listView = Control(g.window, WC_LISTVIEWA, LVS_REPORT | LVS_SINGLESEL, WS_EX_CLIENTEDGE, 20, 190, 250, 120);
  FillReport(g.listView);
  g.treeView = Control(g.window, WC_TREEVIEWA, TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT, WS_EX_CLIENTEDGE,
                       285, 190, 195, 120);
  FillTree(g.treeView);

  SkinAndShowGalleryWindow(g.window);
  return g;
}

}  // namespace quorlin::test
