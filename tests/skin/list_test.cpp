// Skinned list controls on a skinned window: content over the veil, the
// magenta-keyed tree view, frame looks, the cached repaint while moving, the
// key-scrolling repaint, the frame's answers and the resources they use.
#include <doctest/doctest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "leak_check.h"
#include "skin/controls/list.h"
#include "skin/controls/scroll_overlay.h"
#include "skin/core/apply_skin.h"
#include "skin/core/control_painting.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"
#include "skinned_window.h"
#include "window_probe.h"

using namespace quorlin::skin;
using quorlin::test::AddChild;
using quorlin::test::SkinnedWindow;

namespace {

constexpr COLORREF Magenta = RGB(255, 0, 255);

struct Lists {
  HWND listBox, ownerDrawn, bare, view, tree, simpleCombo, ipAddress, dateTime;
};
Lists lists = {};
// Wine's own IP address control leaves about two GDI objects behind per
// window, skinned or not, so the create/destroy cycles go without it.
bool withIpAddress = true;

void FillListBox(HWND list, int count) {
  for (int i = 0; i < count; ++i) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(("item " + std::to_string(i)).c_str()));
}

void FillListView(HWND view) {
  const char* titles[] = {"名称", "大小", "类型"};
  for (int c = 0; c < 3; ++c) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 60;
    column.pszText = const_cast<char*>(titles[c]);
    SendMessageA(view, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
  }
  for (int r = 0; r < 3; ++r) {
    std::string text = "row " + std::to_string(r);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = r;
    item.pszText = text.data();
    SendMessageA(view, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }
}

HTREEITEM AddTreeItem(HWND tree, HTREEITEM parent, const char* text) {
  TVINSERTSTRUCTA insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = const_cast<char*>(text);
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void FillTree(HWND tree) {
  HTREEITEM root = AddTreeItem(tree, TVI_ROOT, "root");
  AddTreeItem(tree, root, "child one");
  AddTreeItem(tree, root, "child two");
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
}

// Attached the way a window skinned with translucency already on is.
void AddLists(HWND parent) {
  INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_INTERNET_CLASSES |
                                                ICC_DATE_CLASSES};
  InitCommonControlsEx(&init);
  TranslucentControls = 1;
  lists.listBox = AddChild(parent, "ListBox", WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                           WS_EX_CLIENTEDGE, 20, 40, 150, 120);
  FillListBox(lists.listBox, 30);
  lists.ownerDrawn = AddChild(parent, "ListBox", WS_VISIBLE | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                              WS_EX_CLIENTEDGE, 180, 40, 120, 80);
  FillListBox(lists.ownerDrawn, 2);
  lists.bare = AddChild(parent, "ListBox", WS_VISIBLE | LBS_NOINTEGRALHEIGHT, 0, 310, 40, 100, 80);
  FillListBox(lists.bare, 2);
  lists.view = AddChild(parent, WC_LISTVIEWA, WS_VISIBLE | LVS_REPORT, WS_EX_CLIENTEDGE, 20, 180, 200, 110);
  FillListView(lists.view);
  lists.tree = AddChild(parent, WC_TREEVIEWA, WS_VISIBLE | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT,
                        WS_EX_CLIENTEDGE, 230, 180, 150, 110);
  FillTree(lists.tree);
  lists.simpleCombo = AddChild(parent, "ComboBox", WS_VISIBLE | CBS_SIMPLE, 0, 420, 40, 120, 110);
  lists.ipAddress = withIpAddress ? AddChild(parent, WC_IPADDRESSA, WS_VISIBLE, 0, 420, 170, 120, 22) : nullptr;
  lists.dateTime = AddChild(parent, DATETIMEPICK_CLASSA, WS_VISIBLE, 0, 420, 200, 120, 22);
}

HWND ComboList() { return FindWindowExA(lists.simpleCombo, nullptr, "ComboLBox", nullptr); }

ListState& StateOf(HWND control) { return *ListRecord(control); }

struct ListsWindow : SkinnedWindow {
  ListsWindow() : SkinnedWindow(WS_MINIMIZEBOX, 560, 320, {.resizable = 0}, AddLists) {}
  void Repaint(HWND control) const {
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  }
  // The composite image at a point in control's window coordinates.
  COLORREF Composite(HWND control, int x, int y) const {
    const RECT r = WindowRectInSkin(control);
    return GetPixel(Record().frameSnapshotDc, r.left + x, r.top + y);
  }
  // The window's background under a point in control's client coordinates.
  COLORREF Behind(HWND control, int x, int y) const {
    const RECT r = ClientRectInSkin(control);
    return BackBufferPixel(r.left + x, r.top + y);
  }
};

int Near(int a, int b) { return a > b ? a - b : b - a; }
// colour laid with alpha (0..255) over under, per channel.
COLORREF Over(COLORREF colour, int alpha, COLORREF under) {
  auto mix = [&](int c, int u) { return (c * alpha + u * (255 - alpha)) / 255; };
  return RGB(mix(GetRValue(colour), GetRValue(under)), mix(GetGValue(colour), GetGValue(under)),
             mix(GetBValue(colour), GetBValue(under)));
}
COLORREF Veiled(COLORREF under) { return Over(RGB(255, 255, 255), 100, under); }
bool Close(COLORREF a, COLORREF b, int tolerance = 4) {
  return Near(GetRValue(a), GetRValue(b)) <= tolerance && Near(GetGValue(a), GetGValue(b)) <= tolerance &&
         Near(GetBValue(a), GetBValue(b)) <= tolerance;
}

// Counts WM_PAINT reaching the control's own procedure.
int ownPaints = 0;
WNDPROC ownProc = nullptr;
LRESULT CALLBACK CountingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_PAINT) ++ownPaints;
  return CallWindowProcA(ownProc, h, m, w, l);
}

}  // namespace

TEST_CASE("attach: every list class is in the table once, with overlays for the scrolling kinds") {
  ListsWindow w;
  const SkinRecord& r = w.Record();
  struct Case {
    HWND control;
    bool overlays;
  };
  for (const Case& c : {Case{lists.listBox, true}, Case{lists.ownerDrawn, true}, Case{lists.bare, true},
                        Case{lists.view, true}, Case{lists.tree, true}, Case{ComboList(), false},
                        Case{lists.ipAddress, false}, Case{lists.dateTime, false}}) {
    CAPTURE(WindowClassName(c.control));
    REQUIRE(ListRecord(c.control));
    CHECK(GetWindowLongPtrA(c.control, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(ListWndProc));
    CHECK((StateOf(c.control).verticalOverlay != nullptr) == c.overlays);
  }
  CHECK(IsWindowVisible(StateOf(lists.listBox).verticalOverlay));
  CHECK_FALSE(IsWindowVisible(StateOf(lists.bare).verticalOverlay));  // no scroll bar, hidden
  CHECK(SendMessageA(lists.tree, TVM_GETBKCOLOR, 0, 0) == static_cast<LRESULT>(Magenta));
  CHECK(SendMessageA(lists.view, LVM_GETTEXTBKCOLOR, 0, 0) == static_cast<LRESULT>(CLR_NONE));

  // A second attach of the same parent chains nothing twice.
  const size_t count = r.lists.size();
  const HANDLE previous = GetPropA(lists.listBox, PropPreviousProc);
  AttachListControls(w.Id(), w.window);
  CHECK(w.Record().lists.size() == count);
  CHECK(GetPropA(lists.listBox, PropPreviousProc) == previous);
  CHECK(previous != reinterpret_cast<HANDLE>(ListWndProc));
}

TEST_CASE("list views: a sorted one is skinned like any other, an owner-drawn one keeps its own look") {
  HWND sorted = nullptr, ownerDrawn = nullptr;
  SkinnedWindow w(0, 460, 200, {}, [&](HWND parent) {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    TranslucentControls = 1;
    // LVS_SORTASCENDING is bit 0x10, owner-draw is LVS_OWNERDRAWFIXED.
    sorted = AddChild(parent, WC_LISTVIEWA, WS_VISIBLE | LVS_REPORT | LVS_SORTASCENDING, WS_EX_CLIENTEDGE, 20, 40,
                      200, 110);
    ownerDrawn = AddChild(parent, WC_LISTVIEWA, WS_VISIBLE | LVS_REPORT | LVS_OWNERDRAWFIXED, WS_EX_CLIENTEDGE, 240,
                          40, 200, 110);
    FillListView(sorted);
    FillListView(ownerDrawn);
  });
  REQUIRE(ListRecord(sorted));
  CHECK(GetWindowLongPtrA(sorted, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(ListWndProc));
  CHECK(SendMessageA(sorted, LVM_GETTEXTBKCOLOR, 0, 0) == static_cast<LRESULT>(CLR_NONE));
  CHECK_FALSE(ListRecord(ownerDrawn));
  CHECK(GetWindowLongPtrA(ownerDrawn, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(ListWndProc));

  // The sorted one's idle frame reaches the composite: black at 90 over the
  // veil on its left edge.
  RECT window;
  GetWindowRect(sorted, &window);
  const int mid = (window.bottom - window.top) / 2;
  const RECT inSkin = WindowRectInSkin(sorted);
  RedrawWindow(sorted, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  const COLORREF veiled = Veiled(w.BackBufferPixel(inSkin.left, inSkin.top + mid));
  CHECK(Close(GetPixel(w.Record().frameSnapshotDc, inSkin.left, inSkin.top + mid), Over(RGB(0, 0, 0), 90, veiled), 6));
}

TEST_CASE("content over the veil: tree view keyed by magenta, plain list box on the veil, owner-drawn its own") {
  ListsWindow w;
  for (HWND c : {lists.tree, lists.listBox, lists.ownerDrawn}) w.Repaint(c);
  quorlin::test::PumpMessages(30);

  SUBCASE("no magenta pixel of the tree reaches the screen or the composite, its empty part shows the veil") {
    RECT client;
    GetClientRect(lists.tree, &client);
    const RECT inSkin = ClientRectInSkin(lists.tree);
    const auto seen = quorlin::test::CaptureScreen(w.window, inSkin);
    int magenta = 0, ink = 0;
    for (int y = 0; y < seen.height; ++y)
      for (int x = 0; x < seen.width; ++x) {
        const COLORREF p = seen.At(x, y);
        if (p == Magenta || GetPixel(w.Record().frameSnapshotDc, inSkin.left + x, inSkin.top + y) == Magenta) ++magenta;
        if (!Close(p, Veiled(w.Behind(lists.tree, x, y)), 60)) ++ink;
      }
    CHECK(magenta == 0);
    CHECK(ink > 100);  // the item texts, lines and buttons are there
    const int x = client.right - 6, y = client.bottom - 6;
    CHECK(Close(seen.At(x, y), Veiled(w.Behind(lists.tree, x, y))));
  }
  SUBCASE("list boxes: a plain one's items lie on the veil, an owner-drawn one keeps its own erase") {
    struct Case {
      const char* name;
      HWND list;
      bool veiled;
    };
    for (const Case& c : {Case{"plain", lists.listBox, true}, Case{"owner-drawn", lists.ownerDrawn, false}}) {
      CAPTURE(c.name);
      const int itemHeight = static_cast<int>(SendMessageA(c.list, LB_GETITEMHEIGHT, 0, 0));
      RECT client;
      GetClientRect(c.list, &client);
      // Right of the text of the second item, which is not selected.
      const int x = client.right - 8, y = itemHeight + itemHeight / 2;
      const RECT at = ClientRectInSkin(c.list);
      const COLORREF seen = quorlin::test::CaptureScreen(w.window, RECT{at.left + x, at.top + y, at.left + x + 1,
                                                                        at.top + y + 1}).At(0, 0);
      const COLORREF veil = Veiled(w.Behind(c.list, x, y));
      CHECK(Close(seen, veil) == c.veiled);
      if (!c.veiled) CHECK(seen == GetSysColor(COLOR_WINDOW));
    }
  }
}

TEST_CASE("frame looks: idle black, focused accent, hot a 2-pixel accent border; no border style, no frame") {
  ListsWindow w;
  const int skinId = w.Id();
  struct Case {
    const char* name;
    bool hot, focused;
    int edgeAlpha;       // alpha of the colour at x = 0, over the veil
    COLORREF edge;
    bool secondIsAccent;  // x = 1 too
  };
  const Case cases[] = {
      {"idle", false, false, 90, RGB(0, 0, 0), false},
      {"focused", false, true, 200, AccentColour, false},
      {"hot", true, false, 200, AccentColour, true},
      {"hot and focused", true, true, 200, AccentColour, true},
  };
  RECT window;
  GetWindowRect(lists.listBox, &window);
  const int mid = (window.bottom - window.top) / 2;
  const int index = GetIntProp(lists.listBox, PropSkinId);
  const RECT inSkin = WindowRectInSkin(lists.listBox);
  auto veiledAt = [&](int x) { return Veiled(w.BackBufferPixel(inSkin.left + x, inSkin.top + mid)); };
  for (const Case& c : cases) {
    CAPTURE(c.name);
    PaintListFrame(skinId, index, c.hot, true, c.focused, true);
    CHECK(Close(w.Composite(lists.listBox, 0, mid), Over(c.edge, c.edgeAlpha, veiledAt(0)), 6));
    const COLORREF second = w.Composite(lists.listBox, 1, mid);
    CHECK(Close(second, Over(AccentColour, 200, veiledAt(1)), 6) == c.secondIsAccent);
    if (!c.secondIsAccent) CHECK(Close(second, veiledAt(1), 6));
  }

  // A borderless list box and a simple combo's list leave the composite alone.
  for (HWND control : {lists.bare, ComboList()}) {
    CAPTURE(WindowClassName(control));
    const RECT r = WindowRectInSkin(control);
    SetPixel(w.Record().frameSnapshotDc, r.left, r.top + 10, RGB(255, 0, 0));
    PaintListFrame(skinId, GetIntProp(control, PropSkinId), true, true, true, true);
    CHECK(w.Composite(control, 0, 10) == RGB(255, 0, 0));
  }
}

TEST_CASE("hover and focus are tracked by messages, also for a simple combo's list, which keeps the system look") {
  ListsWindow w;
  for (HWND control : {lists.listBox, ComboList()}) {
    CAPTURE(WindowClassName(control));
    SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    CHECK(StateOf(control).hot);
    CHECK(w.Record().hotControlKind == 4);
    CHECK(w.Record().hotControlId == GetIntProp(control, PropSkinId));
    SendMessageA(control, WM_SETFOCUS, 0, 0);
    CHECK(StateOf(control).focused);
    SendMessageA(control, WM_KILLFOCUS, 0, 0);
    CHECK_FALSE(StateOf(control).focused);
    SendMessageA(control, WM_MOUSELEAVE, 0, 0);
    CHECK_FALSE(StateOf(control).hot);
    CHECK(w.Record().hotControlId == 0);
  }
  // The combo's list paints itself as the system does: opaque window colour.
  HWND list = ComboList();
  w.Repaint(list);
  const RECT at = ClientRectInSkin(list);
  RECT client;
  GetClientRect(list, &client);
  const int x = client.right - 4, y = client.bottom - 4;
  CHECK(quorlin::test::CaptureScreen(w.window, RECT{at.left + x, at.top + y, at.left + x + 1, at.top + y + 1}).At(0, 0) ==
        GetSysColor(COLOR_WINDOW));
}

TEST_CASE("while the window moves, a list paints from the composite until the mouse rests on it") {
  ListsWindow w;
  HWND list = lists.listBox;
  ownProc = reinterpret_cast<WNDPROC>(GetPropA(list, PropPreviousProc));
  SetPropA(list, PropPreviousProc, reinterpret_cast<HANDLE>(CountingProc));
  w.Repaint(list);
  ownPaints = 0;

  w.Record().moving = 1;
  StateOf(list).dirty = false;
  // What the composite holds shows, not what the list would paint now.
  const RECT at = ClientRectInSkin(list);
  SetPixel(w.Record().frameSnapshotDc, at.left + 100, at.top + 50, RGB(0, 255, 0));
  w.Repaint(list);
  CHECK(ownPaints == 0);
  CHECK(quorlin::test::CaptureScreen(w.window, RECT{at.left + 100, at.top + 50, at.left + 101, at.top + 51}).At(0, 0) ==
        RGB(0, 255, 0));

  SendMessageA(list, WM_MOUSEHOVER, 0, 0);
  CHECK(StateOf(list).mouseResting);
  w.Repaint(list);
  CHECK(ownPaints > 0);
  CHECK_FALSE(StateOf(list).dirty);

  SendMessageA(list, WM_MOUSELEAVE, 0, 0);
  w.Record().moving = 0;
  ownPaints = 0;
  w.Repaint(list);  // not moving: paints itself again
  CHECK(ownPaints > 0);
  SetPropA(list, PropPreviousProc, reinterpret_cast<HANDLE>(ownProc));
}

TEST_CASE("holding an arrow key repaints the overlay on each key-down and every message to the list repaints it") {
  ListsWindow w;
  HWND list = lists.listBox;
  HWND overlay = StateOf(list).verticalOverlay;
  REQUIRE(overlay);
  const RECT o = ClientRectInSkin(overlay);
  const int x = o.left + (o.right - o.left) / 2, y = o.top + (o.bottom - o.top) / 2;
  CHECK_FALSE(KeyScrollingHookInstalled());
  for (int press = 0; press < 3; ++press) {
    CAPTURE(press);
    SetPixel(w.Record().frameSnapshotDc, x, y, RGB(255, 0, 0));
    // Auto-repeat: the previous-state bit is set after the first.
    SendMessageA(list, WM_KEYDOWN, VK_DOWN, press ? 0x40000001 : 1);
    CHECK(StateOf(list).keyScrolling);
    CHECK(KeyScrollingHookInstalled());
    CHECK(GetPixel(w.Record().frameSnapshotDc, x, y) != RGB(255, 0, 0));
  }

  auto postedMessageRepaints = [&] {
    StateOf(list).dirty = false;
    ValidateRect(list, nullptr);
    PostMessageA(list, WM_NULL, 0, 0);
    MSG msg;
    REQUIRE(PeekMessageA(&msg, list, WM_NULL, WM_NULL, PM_REMOVE));
    RECT update = {};
    return StateOf(list).dirty && GetUpdateRect(list, &update, FALSE);
  };
  CHECK(postedMessageRepaints());

  SendMessageA(list, WM_KEYUP, VK_DOWN, 0xC0000001);
  CHECK_FALSE(StateOf(list).keyScrolling);
  CHECK_FALSE(KeyScrollingHookInstalled());
  CHECK_FALSE(postedMessageRepaints());
}

TEST_CASE("the frame's answers to list boxes") {
  ListsWindow w;
  SUBCASE("selection notifications invalidate a skinned list box") {
    for (int code : {LBN_SELCHANGE, LBN_SELCANCEL}) {
      CAPTURE(code);
      for (HWND list : {lists.listBox, lists.ownerDrawn}) {
        ValidateRect(list, nullptr);
        SendMessageA(w.window, WM_COMMAND, MAKEWPARAM(0, code), reinterpret_cast<LPARAM>(list));
        RECT update = {};
        CHECK(GetUpdateRect(list, &update, FALSE));
      }
    }
  }
  SUBCASE("WM_CTLCOLORLISTBOX: hollow for a plain list box, the default for an owner-drawn one") {
    struct Case {
      HWND list;
      bool hollow;
    };
    HDC dc = CreateCompatibleDC(nullptr);
    for (const Case& c : {Case{lists.listBox, true}, Case{lists.ownerDrawn, false}}) {
      SetBkMode(dc, OPAQUE);
      const auto brush = SendMessageA(w.window, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc),
                                      reinterpret_cast<LPARAM>(c.list));
      CHECK((brush == reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH))) == c.hollow);
      CHECK((GetBkMode(dc) == TRANSPARENT) == c.hollow);
    }
    DeleteDC(dc);
  }
}

TEST_CASE("lists leave GDI and USER counts flat: create, skin, destroy; paint, hover and scroll") {
  const quorlin::test::LeakBaseline baseline;
  withIpAddress = false;
  for (int i = 0; i < 200; ++i) {
    ListsWindow w;
    REQUIRE(ListRecord(lists.tree));
  }
  withIpAddress = true;
  CHECK(baseline.GdiGrowth() == 0);
  CHECK(baseline.UserGrowth() == 0);

  ListsWindow w;
  const quorlin::test::LeakBaseline painting;
  const size_t cached = DcBitmapCacheSize();
  const DWORD start = GetTickCount();
  const HWND controls[] = {lists.listBox, lists.ownerDrawn, lists.view,     lists.tree,
                           ComboList(),   lists.ipAddress,  lists.dateTime};
  for (int round = 0; round < 2000; ++round) {
    HWND control = controls[round % 7];
    SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
    w.Repaint(control);
    SendMessageA(control, WM_VSCROLL, round % 2 ? SB_LINEDOWN : SB_LINEUP, 0);
    SendMessageA(control, WM_MOUSELEAVE, 0, 0);
  }
  MESSAGE("2,000 rounds in " << (GetTickCount() - start) << " ms");
  CHECK(painting.GdiGrowth() == 0);
  CHECK(painting.UserGrowth() == 0);
  CHECK(DcBitmapCacheSize() == cached);
}
