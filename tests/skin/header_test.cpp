// Skinned header controls on a real skinned window: which headers are
// attached, the hit test with its divider zones, every look read back from the
// screen and the composite image, icon and text placement, the stretched last
// column of a list view, the image list left to its owner, and the GDI and
// USER objects of many windows and paints.
#include <doctest/doctest.h>

#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/drawing.h"
#include "leak_check.h"
#include "skin/controls/header.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"
#include "skinned_window.h"
#include "window_probe.h"

using namespace quorlin::skin;
using quorlin::test::AddChild;
using quorlin::test::CaptureClient;
using quorlin::test::Drain;
using quorlin::test::ParkCursor;
using quorlin::test::PumpMessages;
using quorlin::test::ScreenPixels;
using quorlin::test::SkinnedWindow;

namespace {

void InitControls() {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
}

void InsertItem(HWND header, const char* text, int width, int format = HDF_LEFT, int image = -1) {
  HDITEMA item = {};
  item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT | (image >= 0 ? HDI_IMAGE : 0);
  item.pszText = const_cast<char*>(text);
  item.cxy = width;
  item.fmt = format | HDF_STRING | (image >= 0 ? HDF_IMAGE : 0);
  item.iImage = image;
  const int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  SendMessageA(header, HDM_INSERTITEMA, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(&item));
}

void InsertColumn(HWND list, const char* text, int width) {
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = const_cast<char*>(text);
  column.cx = width;
  const int count = static_cast<int>(SendMessageA(ListView_GetHeader(list), HDM_GETITEMCOUNT, 0, 0));
  SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(&column));
}

// One 16 x 16 icon of pure red, so its pixels stand out from every look.
HIMAGELIST RedIcons() {
  HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 1, 1);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP colour = CreateCompatibleBitmap(screen, 16, 16);
  HGDIOBJ old = SelectObject(dc, colour);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT all = {0, 0, 16, 16};
  FillRect(dc, &all, red);
  SelectObject(dc, old);
  const WORD zeros[16] = {};
  HBITMAP mask = CreateBitmap(16, 16, 1, 1, zeros);  // all opaque
  ImageList_Add(list, colour, mask);
  DeleteObject(red);
  DeleteObject(mask);
  DeleteObject(colour);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return list;
}

RECT ItemRect(HWND header, int item) {
  RECT r = {};
  SendMessageA(header, HDM_GETITEMRECT, static_cast<WPARAM>(item - 1), reinterpret_cast<LPARAM>(&r));
  return r;
}

RECT ClientOf(HWND w) {
  RECT r = {};
  GetClientRect(w, &r);
  return r;
}

ScreenPixels Shot(HWND w) { return CaptureClient(w, ClientOf(w)); }

void Repaint(HWND w) {
  InvalidateRect(w, nullptr, TRUE);
  UpdateWindow(w);
}

const HeaderState& StateOf(HWND header) { return *ControlRecord(header, &SkinRecord::headers); }
int IndexOf(HWND header) { return GetIntProp(header, PropSkinId); }
int OwnerOf(HWND header) { return GetIntProp(header, PropOwnerSkinId); }

// A real move of the pointer and the message it means for the header.
void MoveTo(HWND header, int x, int y, WPARAM keys = 0) {
  POINT p = {x, y};
  ClientToScreen(header, &p);
  SetCursorPos(p.x, p.y);
  SendMessageA(header, WM_MOUSEMOVE, keys, MAKELPARAM(x, y));
}

// ---- the colour model of a look ------------------------------------------------

struct Rgb {
  double r, g, b;
};
Rgb Of(COLORREF c) { return {double(GetRValue(c)), double(GetGValue(c)), double(GetBValue(c))}; }
Rgb Over(Rgb under, COLORREF c, double alpha) {
  const double a = alpha / 255;
  return {under.r + (GetRValue(c) - under.r) * a, under.g + (GetGValue(c) - under.g) * a,
          under.b + (GetBValue(c) - under.b) * a};
}
// A vertical gradient from (c1, a1) at the top to (c2, a2) at the bottom, laid
// over under at row y of h rows. GDI+ mixes the two colours weighted by their
// alphas.
Rgb Gradient(Rgb under, COLORREF c1, int a1, COLORREF c2, int a2, int y, int h) {
  const double t = (y + 0.5) / h;
  const double w1 = a1 * (1 - t), w2 = a2 * t, alpha = w1 + w2;
  const auto mix = [&](int p, int q) { return static_cast<BYTE>((p * w1 + q * w2) / alpha); };
  const COLORREF c = RGB(mix(GetRValue(c1), GetRValue(c2)), mix(GetGValue(c1), GetGValue(c2)),
                         mix(GetBValue(c1), GetBValue(c2)));
  return Over(under, c, alpha);
}

constexpr COLORREF White = 0xFFFFFF, Black = 0, Accent = 0xDDCA22;

struct Look {
  bool buttons = false;
  bool hot = false;
  bool pressed = false;
};

Rgb Expected(COLORREF behind, const Look& look, int y, int h) {
  Rgb v = Over(Of(behind), White, VeilAlpha);
  v = look.buttons ? Gradient(v, White, 80, Accent, 120, y, h) : Gradient(v, Accent, 60, Accent, 10, y, h);
  if (look.hot) v = Gradient(v, Accent, 60, Black, 30, y, h);
  if (look.pressed) v = Gradient(v, Black, 30, White, 120, y, h);
  return v;
}

bool Matches(COLORREF seen, Rgb want, double tolerance = 6) {
  const Rgb s = Of(seen);
  return std::fabs(s.r - want.r) <= tolerance && std::fabs(s.g - want.g) <= tolerance &&
         std::fabs(s.b - want.b) <= tolerance;
}

std::string Text(COLORREF c) {
  return std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," + std::to_string(GetBValue(c));
}
std::string Text(Rgb c) {
  return std::to_string(int(c.r + 0.5)) + "," + std::to_string(int(c.g + 0.5)) + "," + std::to_string(int(c.b + 0.5));
}

bool IsRed(COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60; }
bool IsInk(COLORREF c) { return GetRValue(c) < 90 && GetGValue(c) < 90 && GetBValue(c) < 90; }

// ---- the window -------------------------------------------------------------------

struct HeaderWindow {
  HWND flat = nullptr;     // no HDS_BUTTONS
  HWND buttons = nullptr;  // HDS_BUTTONS
  HWND laid = nullptr;     // icons and every alignment
  HWND list = nullptr;     // report list view, columns narrower than the list
  HWND listHeader = nullptr;
  HIMAGELIST icons = nullptr;
  std::unique_ptr<SkinnedWindow> w;

  HeaderWindow() {
    InitControls();
    ParkCursor();
    icons = RedIcons();
    w = std::make_unique<SkinnedWindow>(WS_MINIMIZEBOX, 700, 380, SkinOptions{.resizable = 0}, [this](HWND p) {
      flat = AddChild(p, "SysHeader32", WS_VISIBLE, 0, 20, 40, 480, 24);
      buttons = AddChild(p, "SysHeader32", WS_VISIBLE | HDS_BUTTONS, 0, 20, 76, 480, 24);
      for (HWND h : {flat, buttons}) {
        InsertItem(h, "名称", 120);
        InsertItem(h, "大小", 100);
        InsertItem(h, "类型", 100);
        InsertItem(h, "日期", 100);
      }
      laid = AddChild(p, "SysHeader32", WS_VISIBLE | HDS_BUTTONS, 0, 20, 112, 640, 24);
      SendMessageA(laid, HDM_SETIMAGELIST, HDSIL_NORMAL, reinterpret_cast<LPARAM>(icons));
      InsertItem(laid, "右对齐", 150, HDF_RIGHT, 0);
      InsertItem(laid, "右对齐", 40, HDF_RIGHT, 0);
      InsertItem(laid, "居中", 150, HDF_CENTER, 0);
      InsertItem(laid, "居中", 151, HDF_CENTER, 0);
      InsertItem(laid, "居中", 40, HDF_CENTER, 0);
      InsertItem(laid, "左", 80, HDF_LEFT, 0);
      list = AddChild(p, "SysListView32", WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SHAREIMAGELISTS, 0, 20, 160,
                      400, 180);
      InsertColumn(list, "文件", 90);
      InsertColumn(list, "大小", 80);
      listHeader = ListView_GetHeader(list);
    });
    PumpMessages(100);
  }
  ~HeaderWindow() {
    ParkCursor();
    w.reset();
    SkinRegistry.clear();
    ImageList_Destroy(icons);
  }
  const SkinRecord& Record() const { return w->Record(); }
  COLORREF Behind(HWND header, int x, int y) const {
    const RECT r = ClientRectInSkin(header);
    return w->BackBufferPixel(r.left + x, r.top + y);
  }
  COLORREF Composite(HWND header, int x, int y) const {
    const RECT r = ClientRectInSkin(header);
    return GetPixel(Record().frameSnapshotDc, r.left + x, r.top + y);
  }
  void MarkComposite(HWND header, int x, int y) const {
    const RECT r = ClientRectInSkin(header);
    SetPixel(Record().frameSnapshotDc, r.left + x, r.top + y, RGB(255, 0, 255));
  }
};

}  // namespace

TEST_CASE("the attach pass takes direct headers and the header of every list view") {
  HeaderWindow hw;
  REQUIRE(hw.listHeader);
  const SkinRecord& r = hw.Record();
  CHECK(r.headers.size() == 4);
  for (HWND h : {hw.flat, hw.buttons, hw.laid, hw.listHeader}) {
    CAPTURE(h);
    const bool subclassed = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(h, GWLP_WNDPROC)) == HeaderWndProc;
    CHECK(subclassed);
    REQUIRE(ControlRecord(h, &SkinRecord::headers));
    CHECK(StateOf(h).hwnd == h);
    CHECK(OwnerOf(h) == hw.w->Id());
    CHECK(GetPropA(h, PropPreviousProc) == reinterpret_cast<HANDLE>(StateOf(h).previousProc));
    CHECK(GetPropA(h, PropPreviousProc) != nullptr);
  }
  CHECK_FALSE(StateOf(hw.flat).buttonStyle);
  CHECK(StateOf(hw.buttons).buttonStyle);
  CHECK(StateOf(hw.listHeader).buttonStyle);  // a sortable list's header has buttons
  CHECK(StateOf(hw.laid).imageList == hw.icons);
  CHECK(StateOf(hw.flat).imageList == nullptr);

  // A header without a font gets 宋体 12 regular; the list's header has the
  // list's font.
  CHECK(StateOf(hw.flat).fontFace == "宋体");
  CHECK(StateOf(hw.flat).fontSize == 12);
  CHECK(StateOf(hw.flat).fontStyle == 0);
  CHECK_FALSE(StateOf(hw.listHeader).fontFace.empty());

  // A later font or image list is the one painted with.
  HFONT bold = CreateFontA(-15, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, "宋体");
  SendMessageA(hw.flat, WM_SETFONT, reinterpret_cast<WPARAM>(bold), FALSE);
  CHECK(StateOf(hw.flat).fontStyle == 1);
  CHECK(StateOf(hw.flat).fontSize >= 14);
  SendMessageA(hw.flat, HDM_SETIMAGELIST, HDSIL_NORMAL, reinterpret_cast<LPARAM>(hw.icons));
  CHECK(StateOf(hw.flat).imageList == hw.icons);
  SendMessageA(hw.flat, HDM_SETIMAGELIST, HDSIL_NORMAL, 0);
  CHECK(StateOf(hw.flat).imageList == nullptr);
  SendMessageA(hw.flat, WM_SETFONT, 0, FALSE);
  DeleteObject(bold);
}

TEST_CASE("hit test: the 5-pixel divider zones belong to no item, so items of 10 pixels or less are never hot") {
  InitControls();
  HWND header = nullptr;
  SkinnedWindow w(WS_MINIMIZEBOX, 300, 120, {.resizable = 0}, [&](HWND p) {
    header = AddChild(p, "SysHeader32", WS_VISIBLE | HDS_BUTTONS, 0, 10, 40, 280, 24);
    for (int width : {10, 11, 60, 4, 30}) InsertItem(header, "", width);
  });
  // Items: 1 [0, 10), 2 [10, 21), 3 [21, 81), 4 [81, 85), 5 [85, 115).
  REQUIRE(ItemRect(header, 5).right == 115);
  struct Case {
    int x;
    int item;
  } const cases[] = {
      {0, 0},   {4, 0},   {5, 0},   {6, 0},   {9, 0},    // 10 pixels: all divider
      {14, 0},  {15, 2},  {16, 0},                       // 11 pixels: one point
      {25, 0},  {26, 3},  {50, 3},  {75, 3},  {76, 0},   // zone edges of a wide item
      {81, 0},  {83, 0},  {84, 0},                       // narrower than the zones
      {89, 0},  {90, 5},  {109, 5}, {110, 0}, {114, 0},  //
      {200, 0}, {-3, 0},                                 // past the items, left of them
  };
  for (const Case& c : cases) {
    CAPTURE(c.x);
    CHECK(HitTestHeaderItem(OwnerOf(header), IndexOf(header), MAKELPARAM(c.x, 10)) == c.item);
    MoveTo(header, c.x, 10);
    CHECK(StateOf(header).hotItem == c.item);
  }
  ParkCursor();
  SendMessageA(header, WM_MOUSELEAVE, 0, 0);
  CHECK(StateOf(header).hotItem == 0);
  CHECK(w.Record().hotControlId == 0);
}

TEST_CASE("looks: flat headers never light up; button-style items show hot and pressed until the button is up") {
  HeaderWindow hw;
  struct Case {
    std::string name;
    HWND header;
    bool buttons;
  } const cases[] = {{"flat", hw.flat, false}, {"buttons", hw.buttons, true}};
  for (const Case& c : cases) {
    CAPTURE(c.name);
    HWND h = c.header;
    const RECT first = ItemRect(h, 1), second = ItemRect(h, 2);
    const int height = first.bottom - first.top;
    // Away from the text (top left) and the separator (right edge).
    const int x1 = first.right - 20, x2 = second.right - 20;
    auto expect = [&](const std::string& step, int x, Look look) {
      CAPTURE(step);
      const ScreenPixels s = Shot(h);
      for (int y : {2, height / 2, height - 3}) {
        CAPTURE(y);
        const Rgb want = Expected(hw.Behind(h, x, y), look, y, height);
        const COLORREF seen = s.At(x, y);
        CHECK_MESSAGE(Matches(seen, want), "seen " << Text(seen) << ", want " << Text(want));
        CHECK(hw.Composite(h, x, y) == seen);
      }
    };
    const Look plain{c.buttons, false, false};
    Repaint(h);
    expect("plain", x1, plain);
    MoveTo(h, x1, 10);
    Drain();
    expect("hot item", x1, {c.buttons, c.buttons, false});
    expect("other item", x2, plain);
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x1, 10));
    Drain();
    expect("pressed", x1, {c.buttons, c.buttons, c.buttons});
    // Dragged over the next item: the press stays where it began.
    MoveTo(h, x2, 10, MK_LBUTTON);
    Drain();
    Repaint(h);
    expect("pressed, pointer on the next item", x1, {c.buttons, false, c.buttons});
    MoveTo(h, x1, 10, MK_LBUTTON);
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(x1, 10));
    Drain();
    Repaint(h);
    CHECK(StateOf(h).pressedItem == 0);
    expect("released", x1, {c.buttons, c.buttons, false});
    ParkCursor();
    SendMessageA(h, WM_MOUSELEAVE, 0, 0);
    Drain();
    expect("left", x1, plain);
  }
}

TEST_CASE("the hot item is repainted only when it changes") {
  HeaderWindow hw;
  HWND h = hw.buttons;
  const RECT first = ItemRect(h, 1), second = ItemRect(h, 2);
  const int markX = 3, markY = 20;  // bottom left of the first item, where nothing but a paint writes
  struct Step {
    std::string name;
    std::function<void()> act;
    bool repaints;
  } const steps[] = {
      {"onto item 1", [&] { MoveTo(h, 40, 8); }, true},
      {"within item 1", [&] { MoveTo(h, 60, 9); }, false},
      {"onto the divider", [&] { MoveTo(h, first.right - 2, 8); }, true},
      {"along the divider", [&] { MoveTo(h, first.right + 2, 8); }, false},
      {"onto item 2", [&] { MoveTo(h, second.left + 30, 8); }, true},
      {"within item 2", [&] { MoveTo(h, second.left + 31, 9); }, false},
      {"pressed in item 2", [&] { SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(second.left + 31, 9)); },
       false},
      {"dragged onto item 1", [&] { MoveTo(h, 40, 8, MK_LBUTTON); }, false},
      {"released on item 1", [&] { SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(40, 8)); }, false},
      {"moved in item 1, hot at last", [&] { MoveTo(h, 41, 8); }, true},
      {"left", [&] { ParkCursor(); SendMessageA(h, WM_MOUSELEAVE, 0, 0); }, true},
  };
  for (const Step& s : steps) {
    CAPTURE(s.name);
    hw.MarkComposite(h, markX, markY);
    s.act();
    CHECK((hw.Composite(h, markX, markY) != RGB(255, 0, 255)) == s.repaints);
  }
  // A flat header has no hot look: moving over it paints nothing.
  HWND f = hw.flat;
  for (int x : {40, 60, 118, 150, 250}) {
    CAPTURE(x);
    hw.MarkComposite(f, markX, markY);
    MoveTo(f, x, 8);
    CHECK(hw.Composite(f, markX, markY) == RGB(255, 0, 255));
  }
  ParkCursor();
  SendMessageA(f, WM_MOUSELEAVE, 0, 0);
  Drain();
}

TEST_CASE("layout: the icon starts at the margin when it does not fit, else where its alignment puts it") {
  HeaderWindow hw;
  HWND h = hw.laid;
  Repaint(h);
  const ScreenPixels s = Shot(h);
  const HeaderState& state = StateOf(h);
  const int margin = static_cast<int>(SendMessageA(h, HDM_GETBITMAPMARGIN, 0, 0));
  REQUIRE(margin > 0);
  constexpr int IconWidth = 16;
  struct Case {
    int item;
    const char* text;
    std::string rule;
  } const cases[] = {
      {1, "右对齐", "right, fits"},  {2, "右对齐", "right, too narrow"}, {3, "居中", "centred, fits"},
      {4, "居中", "centred, one pixel wider"}, {5, "居中", "centred, too narrow"}, {6, "左", "left"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.rule);
    const RECT r = ItemRect(h, c.item);
    const int width = r.right - r.left;
    const int text = MeasureTextWidth(c.text, state.fontFace, state.fontSize, state.fontStyle);
    REQUIRE(text > 10);
    int want = margin;
    if (IconWidth + margin + text < width) {
      if (c.item <= 2) want = width - IconWidth - text;
      if (c.item >= 3 && c.item <= 5) want = (width - IconWidth - margin - text) / 2;
    }
    int left = -1, right = -1;
    for (int x = r.left; x < r.right; ++x)
      if (IsRed(s.At(x, 12))) {
        if (left < 0) left = x - r.left;
        right = x - r.left;
      }
    CHECK(left == want);
    CHECK(right == std::min(want + IconWidth, width) - 1);
  }
  // The two centred items show where the fraction is dropped: one of them has
  // an odd free width.
  const int text = MeasureTextWidth("居中", state.fontFace, state.fontSize, state.fontStyle);
  CHECK(((150 - IconWidth - margin - text) % 2 != 0) != ((151 - IconWidth - margin - text) % 2 != 0));
}

TEST_CASE("text: drawn in black from the margin, kept inside its own item") {
  HeaderWindow hw;
  HWND h = hw.buttons;
  InsertItem(h, "一个很长很长很长的列标题", 50);
  Repaint(h);
  const ScreenPixels s = Shot(h);
  const int margin = static_cast<int>(SendMessageA(h, HDM_GETBITMAPMARGIN, 0, 0));
  for (int item : {1, 5}) {
    CAPTURE(item);
    const RECT r = ItemRect(h, item);
    int ink = 0, outside = 0;
    for (int y = 0; y < r.bottom; ++y)
      for (int x = r.left; x < r.right + margin; ++x) {
        if (!IsInk(s.At(x, y))) continue;
        ++ink;
        if (x < r.left + margin || x >= r.right - 1) ++outside;
      }
    CHECK(ink > 10);
    CHECK(outside == 0);
  }
}

TEST_CASE("a list view's last column reaches the list's right edge; its highlights and separator keep its width") {
  HeaderWindow hw;
  HWND h = hw.listHeader;
  const RECT last = ItemRect(h, 2);
  RECT list = ClientOf(hw.list);
  REQUIRE(last.right + 60 < list.right);
  const int height = last.bottom - last.top;
  const int inside = last.right - 20, beyond = last.right + 40, edge = list.right - 1;
  const int y = height / 2;
  auto at = [&](const ScreenPixels& s, int x, Look look) {
    CAPTURE(x);
    const Rgb want = Expected(hw.Behind(h, x, y), look, y, height);
    CHECK_MESSAGE(Matches(s.At(x, y), want), "seen " << Text(s.At(x, y)) << ", want " << Text(want));
  };
  Repaint(h);
  ScreenPixels s = Shot(h);
  const Look plain{true, false, false};
  at(s, inside, plain);
  at(s, beyond, plain);
  at(s, edge, plain);
  // The separator stands at the item's own right edge, darker at the top
  // than the face beside it, and not at the list's edge.
  CHECK(GetRValue(s.At(last.right - 1, 1)) + 20 < GetRValue(s.At(last.right - 3, 1)));
  at(s, last.right, plain);

  MoveTo(h, inside, 8);
  Drain();
  s = Shot(h);
  at(s, inside, {true, true, false});
  at(s, beyond, plain);
  SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(inside, 8));
  Drain();
  s = Shot(h);
  at(s, inside, {true, true, true});
  at(s, beyond, plain);
  SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(inside, 8));
  ParkCursor();
  SendMessageA(h, WM_MOUSELEAVE, 0, 0);
  Drain();
}

TEST_CASE("the image list stays with its owner, who can use and destroy it after the header is gone") {
  InitControls();
  struct Case {
    std::string name;
    bool inList;
  } const cases[] = {{"a header of the window", false}, {"a list view's header", true}};
  for (const Case& c : cases) {
    CAPTURE(c.name);
    HIMAGELIST icons = RedIcons();
    HWND header = nullptr, list = nullptr;
    auto w = std::make_unique<SkinnedWindow>(WS_MINIMIZEBOX, 300, 200, SkinOptions{.resizable = 0}, [&](HWND p) {
      if (c.inList) {
        list = AddChild(p, "SysListView32", WS_VISIBLE | LVS_REPORT | LVS_SHAREIMAGELISTS, 0, 10, 40, 260, 120);
        SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(icons));
        InsertColumn(list, "文件", 90);
        header = ListView_GetHeader(list);
      } else {
        header = AddChild(p, "SysHeader32", WS_VISIBLE | HDS_BUTTONS, 0, 10, 40, 260, 24);
      }
      SendMessageA(header, HDM_SETIMAGELIST, HDSIL_NORMAL, reinterpret_cast<LPARAM>(icons));
      InsertItem(header, "图", 60, HDF_LEFT, 0);
    });
    REQUIRE(StateOf(header).imageList == icons);
    Repaint(header);
    const int index = IndexOf(header);
    if (c.inList) {
      w.reset();  // the list view and its header go with the window
    } else {
      DestroyWindow(header);
      CHECK(w->Record().headers[static_cast<size_t>(index - 1)].hwnd == nullptr);
    }
    CHECK(ImageList_GetImageCount(icons) == 1);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ old = SelectObject(dc, bitmap);
    CHECK(ImageList_Draw(icons, 0, dc, 0, 0, ILD_NORMAL));
    CHECK(IsRed(GetPixel(dc, 8, 8)));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    CHECK(ImageList_Destroy(icons));
    w.reset();
    SkinRegistry.clear();
  }
}

TEST_CASE("200 windows with a list view and a header, and 2,000 hover and paint rounds, leave GDI and USER flat") {
  InitControls();
  auto cycle = [] {
    HWND header = nullptr, list = nullptr;
    SkinnedWindow w(WS_MINIMIZEBOX, 360, 220, {.resizable = 0}, [&](HWND p) {
      header = AddChild(p, "SysHeader32", WS_VISIBLE | HDS_BUTTONS, 0, 10, 40, 330, 24);
      InsertItem(header, "名称", 100);
      InsertItem(header, "大小", 100);
      list = AddChild(p, "SysListView32", WS_VISIBLE | WS_BORDER | LVS_REPORT, 0, 10, 80, 330, 120);
      InsertColumn(list, "文件", 90);
      InsertColumn(list, "大小", 80);
    });
    MoveTo(header, 40, 8);
    Repaint(ListView_GetHeader(list));
  };
  {
    cycle();  // first-use allocations
    const quorlin::test::LeakBaseline baseline;
    const DWORD start = GetTickCount();
    for (int i = 0; i < 200; ++i) cycle();
    MESSAGE("200 windows in " << GetTickCount() - start << " ms");
    SkinRegistry.clear();
    CHECK(baseline.GdiGrowth() == 0);
    CHECK(baseline.UserGrowth() == 0);
  }
  HeaderWindow hw;
  const std::vector<HWND> headers = {hw.flat, hw.buttons, hw.laid, hw.listHeader};
  // Messages only: a real pointer would add moves of its own to every round.
  auto round = [&](int i) {
    HWND h = headers[static_cast<size_t>(i) % headers.size()];
    const RECT first = ItemRect(h, 1), second = ItemRect(h, 2);
    SendMessageA(h, WM_MOUSEMOVE, 0, MAKELPARAM(first.left + 30, 8));
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(first.left + 30, 8));
    SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(second.left + 30, 8));
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(second.left + 30, 8));
    SendMessageA(h, WM_MOUSELEAVE, 0, 0);
    Drain();
  };
  for (int i = 0; i < 8; ++i) round(i);
  const quorlin::test::LeakBaseline baseline;
  const size_t cached = DcBitmapCacheSize();
  const DWORD start = GetTickCount();
  for (int i = 0; i < 2000; ++i) round(i);
  MESSAGE("2,000 rounds in " << GetTickCount() - start << " ms");
  CHECK(baseline.GdiGrowth() == 0);
  CHECK(baseline.UserGrowth() == 0);
  CHECK(DcBitmapCacheSize() == cached);
}


