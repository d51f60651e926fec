// Skinned combo boxes on a skinned window: the painted face of the three
// styles, the holes left to their children, focus and hover looks, the
// translucency switch, the repaints after typing and selecting, and the
// objects a combo box leaves behind.
#include <doctest/doctest.h>

#include <windows.h>

#include <ole2.h>
#include <gdiplus.h>

#include <functional>
#include <string>
#include <vector>

#include "leak_check.h"
#include "skin/controls/combo.h"
#include "skin/controls/edit.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"
#include "skinned_window.h"
#include "window_probe.h"

using namespace quorlin::skin;
using quorlin::test::AddChild;
using quorlin::test::CaptureScreen;
using quorlin::test::PumpMessages;
using quorlin::test::ScreenPixels;
using quorlin::test::SkinnedWindow;

namespace {

constexpr COLORREF Accent = 0xDDCA22;
constexpr int ComboId = 101;

struct Combos {
  HWND dropList = nullptr;  // CBS_DROPDOWNLIST, second item selected
  HWND dropDown = nullptr;  // CBS_DROPDOWN
  HWND simple = nullptr;    // CBS_SIMPLE, second item selected
  HWND other = nullptr;     // an edit field to take the focus
};

void FillCombo(HWND combo) {
  SendMessageA(combo, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  for (const char* item : {"第一项", "第二项", "第三项"}) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
}

HWND AddCombo(HWND parent, DWORD style, int x, int y, int w, int h) {
  HWND combo = CreateWindowExA(0, "ComboBox", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | style, x, y, w, h, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(ComboId)), GetModuleHandleA(nullptr),
                               nullptr);
  FillCombo(combo);
  return combo;
}

void AddCombos(HWND parent, Combos& c) {
  c.dropList = AddCombo(parent, CBS_DROPDOWNLIST, 40, 50, 180, 200);
  SendMessageA(c.dropList, CB_SETCURSEL, 1, 0);
  c.dropDown = AddCombo(parent, CBS_DROPDOWN, 40, 100, 180, 200);
  c.simple = AddCombo(parent, CBS_SIMPLE, 240, 50, 160, 120);
  SendMessageA(c.simple, CB_SETCURSEL, 1, 0);
  c.other = AddChild(parent, "Edit", WS_VISIBLE, WS_EX_CLIENTEDGE, 40, 200, 120, 24);
}

// A skinned window holding the combo boxes. The program attaches its controls
// before it switches translucency on; translucentAtAttach attaches them with
// translucency already on.
struct ComboWindow {
  explicit ComboWindow(bool translucentAtAttach = false)
      : c(), w(WS_MINIMIZEBOX, 444, 314, {.resizable = 0}, [this, translucentAtAttach](HWND parent) {
          AddCombos(parent, c);
          TranslucentControls = translucentAtAttach ? 1 : 0;
        }) {
    SetCursorPos(1270, 1010);
    PumpMessages(50);
  }
  ~ComboWindow() { TranslucentControls = 1; }

  // The combo box in the window's client coordinates (the window has no frame).
  RECT Place(HWND combo) const { return RectRelativeTo(w.window, combo); }
  // What the screen shows over the combo box. Painting reaches the screen
  // once messages run.
  ScreenPixels Screen(HWND combo) const {
    PumpMessages(20);
    return CaptureScreen(w.window, Place(combo));
  }
  // The composite image over the combo box, in its window coordinates.
  COLORREF Composite(HWND combo, int x, int y) const {
    const RECT r = WindowRectInSkin(combo);
    return GetPixel(w.Record().frameSnapshotDc, r.left + x, r.top + y);
  }
  void SetComposite(HWND combo, int x, int y, COLORREF colour) const {
    const RECT r = WindowRectInSkin(combo);
    SetPixel(w.Record().frameSnapshotDc, r.left + x, r.top + y, colour);
  }
  // The window background at a point of the combo box, under the white veil.
  COLORREF Veiled(HWND combo, int x, int y) const {
    const RECT r = Place(combo);
    const COLORREF b = w.BackBufferPixel(r.left + x, r.top + y);
    auto veil = [](int v) { return v + (255 - v) * VeilAlpha / 255; };
    return RGB(veil(GetRValue(b)), veil(GetGValue(b)), veil(GetBValue(b)));
  }
  void Paint(HWND combo, bool hot = false) const {
    PaintComboBox(w.Id(), GetIntProp(combo, PropSkinId), hot, false, false);
  }
  void Repaint(HWND combo) const {
    InvalidateRect(combo, nullptr, TRUE);
    UpdateWindow(combo);
    PumpMessages(30);
  }

  Combos c;  // filled while w is made
  SkinnedWindow w;
};

COLORREF Blend(COLORREF top, int alpha, COLORREF under) {
  auto mix = [alpha](int t, int u) { return u + (t - u) * alpha / 255; };
  return RGB(mix(GetRValue(top), GetRValue(under)), mix(GetGValue(top), GetGValue(under)),
             mix(GetBValue(top), GetBValue(under)));
}

bool Close(COLORREF a, COLORREF b, int tolerance = 4) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

bool Inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

RECT ChildPlace(HWND combo, const char* cls) { return RectRelativeTo(combo, FindWindowExA(combo, nullptr, cls, nullptr)); }

ScreenPixels Part(const ScreenPixels& shot, const RECT& r) {
  ScreenPixels part;
  part.width = r.right - r.left;
  part.height = r.bottom - r.top;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) part.pixels.push_back(shot.At(x, y));
  return part;
}

// Ink: a pixel much darker than the veiled background, which is never
// darker than VeilAlpha in any channel.
bool Ink(COLORREF p) { return GetRValue(p) < 80 && GetGValue(p) < 80 && GetBValue(p) < 80; }

// Where text in 宋体 12 (pixels) lands, laid out as the combo box lays out its
// own text, drawn black on white.
std::vector<bool> ReferenceInk(const char* text, int w, int h) {
  std::vector<bool> ink(static_cast<size_t>(w) * h);
  const int wide = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wtext(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wtext.data(), wide);
  Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppRGB);
  {
    Gdiplus::Graphics g(&bitmap);
    g.Clear(Gdiplus::Color(255, 255, 255, 255));
    Gdiplus::Font font(L"宋体", 12, Gdiplus::FontStyleRegular, Gdiplus::UnitWorld);
    Gdiplus::SolidBrush black(Gdiplus::Color(255, 0, 0, 0));
    const Gdiplus::RectF layout(2, (h - 12) / 2.0f, w - 17.0f, h - 4.0f);
    g.DrawString(wtext.c_str(), -1, &font, layout, nullptr, &black);
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Gdiplus::Color c;
      bitmap.GetPixel(x, y, &c);
      ink[static_cast<size_t>(y) * w + x] = c.GetR() < 80;
    }
  return ink;
}

// Share of ink pixels two masks agree on (intersection over union).
double InkAgreement(const ScreenPixels& shot, const std::vector<bool>& reference) {
  int both = 0, either = 0;
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x) {
      const bool a = Ink(shot.At(x, y)), b = reference[static_cast<size_t>(y) * shot.width + x];
      both += a && b;
      either += a || b;
    }
  return either ? static_cast<double>(both) / either : 0;
}

int LeftmostInk(const ScreenPixels& shot) {
  for (int x = 0; x < shot.width; ++x)
    for (int y = 0; y < shot.height; ++y)
      if (Ink(shot.At(x, y))) return x;
  return -1;
}

bool SameAsComposite(const ComboWindow& f, HWND combo, const ScreenPixels& shot) {
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x)
      if (shot.At(x, y) != f.Composite(combo, x, y)) return false;
  return true;
}

// Pixels of the face that are neither the veil nor on the outline, outside
// the given rectangles.
int StrayPixels(const ComboWindow& f, HWND combo, const ScreenPixels& shot, const std::vector<RECT>& allowed) {
  int stray = 0;
  for (int y = 1; y < shot.height - 1; ++y)
    for (int x = 1; x < shot.width - 1; ++x) {
      bool skip = false;
      for (const RECT& r : allowed) skip = skip || Inside(r, x, y);
      if (!skip && !Close(shot.At(x, y), f.Veiled(combo, x, y))) ++stray;
    }
  return stray;
}

std::string ItemText(HWND combo, int item) {
  char text[64] = {};
  SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text));
  return text;
}

}  // namespace

TEST_CASE("the parts of each style: drop button, painted text and the holes left to the children") {
  ComboWindow f;
  struct Case {
    const char* name;
    HWND combo;
    bool dropButton;
    bool paintsText;
    std::vector<RECT> holes;
  } const cases[] = {
      {"drop-down list", f.c.dropList, true, true, {}},
      {"drop-down", f.c.dropDown, true, false, {ChildPlace(f.c.dropDown, "Edit")}},
      {"simple", f.c.simple, false, false,
       {[&] {
          RECT list = ChildPlace(f.c.simple, "ComboLBox");
          InflateRect(&list, -2, -2);
          return list;
        }(),
        ChildPlace(f.c.simple, "Edit")}},
  };
  for (const Case& c : cases) {
    CAPTURE(std::string(c.name));
    const ComboParts parts = ComboPartRects(c.combo);
    CHECK(parts.hasDropButton == c.dropButton);
    CHECK(parts.paintsText == c.paintsText);
    REQUIRE(parts.holes.size() == c.holes.size());
    for (const RECT& hole : c.holes) {
      bool found = false;
      for (const RECT& h : parts.holes) found = found || EqualRect(&h, &hole);
      CHECK(found);
    }
    const RECT place = f.Place(c.combo);
    CHECK(parts.size.cx == place.right - place.left);
    CHECK(parts.size.cy == place.bottom - place.top);
  }
}

TEST_CASE("a drop-down list shows its selected item in black 宋体 12 at x = 2 and never the system face") {
  ComboWindow f;
  HWND combo = f.c.dropList;
  const ComboParts parts = ComboPartRects(combo);
  const RECT textArea = {0, 0, parts.dropButton.left, parts.size.cy};
  auto check = [&](const std::string& item) {
    CAPTURE(item);
    const ScreenPixels shot = f.Screen(combo);
    // What the screen shows is what the skin painted and committed.
    CHECK(SameAsComposite(f, combo, shot));
    const ScreenPixels text = Part(shot, textArea);
    // The same ink as the text laid out from x = 2 in 宋体 12.
    const std::vector<bool> reference = ReferenceInk(item.c_str(), text.width, text.height);
    CHECK(InkAgreement(text, reference) > 0.8);
    ScreenPixels referenceShot = text;
    for (size_t i = 0; i < reference.size(); ++i) referenceShot.pixels[i] = reference[i] ? 0 : RGB(255, 255, 255);
    CHECK(LeftmostInk(text) == LeftmostInk(referenceShot));
    // Black ink, not the highlight colours of a focused system face.
    int black = 0;
    for (COLORREF p : text.pixels) black += GetRValue(p) < 40 && GetGValue(p) < 40 && GetBValue(p) < 40;
    CHECK(black > 10);
    for (COLORREF p : shot.pixels) {
      CHECK(p != GetSysColor(COLOR_HIGHLIGHT));
      CHECK(p != GetSysColor(COLOR_BTNFACE));
    }
    // Away from the text, the button and the outline, only the veil.
    RECT button = parts.dropButton;
    InflateRect(&button, 1, 1);
    CHECK(StrayPixels(f, combo, shot, {RECT{1, 1, 120, parts.size.cy - 1}, button}) == 0);
  };

  f.Repaint(combo);
  CHECK(ItemText(combo, 1) == "第二项");
  check("第二项");
  SetFocus(combo);
  PumpMessages(50);
  check("第二项");
  // A new selection by keyboard, as the user makes it.
  SendMessageA(combo, WM_KEYDOWN, VK_DOWN, 0x00500001);
  SendMessageA(combo, WM_KEYUP, VK_DOWN, static_cast<LPARAM>(0xC0500001u));
  PumpMessages(50);
  REQUIRE(SendMessageA(combo, CB_GETCURSEL, 0, 0) == 2);
  check("第三项");
  SetFocus(f.c.other);
  PumpMessages(50);
  check("第三项");
}

TEST_CASE("the attach step shows the selected item as the window text") {
  ComboWindow f;
  char text[64] = {};
  GetWindowTextA(f.c.dropList, text, sizeof text);
  CHECK(std::string(text) == "第二项");
  GetWindowTextA(f.c.simple, text, sizeof text);
  CHECK(std::string(text) == "第二项");
}

TEST_CASE("the children of a drop-down and a simple combo box keep their own pixels") {
  ComboWindow f(true);
  SetWindowTextA(f.c.dropDown, "WWWW 编辑框");
  PumpMessages(50);
  struct Case {
    const char* name;
    HWND combo;
    RECT kept;                  // where the child's pixels must survive a paint of the face
    std::vector<RECT> allowed;  // where the face may show more than the veil
  };
  const ComboParts dropDown = ComboPartRects(f.c.dropDown);
  RECT button = dropDown.dropButton;
  InflateRect(&button, 1, 1);
  RECT list = ChildPlace(f.c.simple, "ComboLBox");
  InflateRect(&list, -2, -2);
  const RECT simpleEdit = ChildPlace(f.c.simple, "Edit");
  const Case cases[] = {
      {"drop-down edit field", f.c.dropDown, ChildPlace(f.c.dropDown, "Edit"), {ChildPlace(f.c.dropDown, "Edit"), button}},
      {"simple list, shrunk by 2", f.c.simple, list, {list, simpleEdit}},
      {"simple edit field", f.c.simple, simpleEdit, {list, simpleEdit}},
  };
  for (const Case& c : cases) {
    CAPTURE(std::string(c.name));
    f.Repaint(c.combo);
    const ScreenPixels before = Part(f.Screen(c.combo), c.kept);
    // The child painted something of its own there: text, item highlight.
    int differs = 0;
    for (int y = c.kept.top; y < c.kept.bottom; ++y)
      for (int x = c.kept.left; x < c.kept.right; ++x)
        differs += !Close(before.At(x - c.kept.left, y - c.kept.top), f.Veiled(c.combo, x, y), 12);
    REQUIRE(differs > 20);
    f.SetComposite(c.combo, c.kept.left + 3, c.kept.top + 3, RGB(1, 2, 3));
    f.Paint(c.combo);
    const ScreenPixels after = f.Screen(c.combo);
    CHECK(Part(after, c.kept).pixels == before.pixels);
    CHECK(f.Composite(c.combo, c.kept.left + 3, c.kept.top + 3) == RGB(1, 2, 3));
    // No text and no button of the skin's own: the rest is the veil.
    CHECK(StrayPixels(f, c.combo, after, c.allowed) == 0);
  }
  // The 2-pixel ring of the simple combo box's list shows the veil, not the
  // list's border.
  const ScreenPixels shot = f.Screen(f.c.simple);
  const int y = (list.top + list.bottom) / 2;
  CHECK(Close(shot.At(list.left - 1, y), f.Veiled(f.c.simple, list.left - 1, y)));
  CHECK(Close(shot.At(list.right, y), f.Veiled(f.c.simple, list.right, y)));
}

TEST_CASE("focus lights the outline; the drop button lights only under the mouse") {
  ComboWindow f;
  HWND combo = f.c.dropList;
  const ComboParts parts = ComboPartRects(combo);
  const int midY = parts.size.cy / 2;
  const int buttonX = parts.dropButton.left, buttonY = (parts.dropButton.top + parts.dropButton.bottom) / 2;
  auto lineColour = [&](bool lit, int x, int y) {
    return lit ? Blend(Accent, 200, f.Veiled(combo, x, y)) : Blend(0, 80, f.Veiled(combo, x, y));
  };
  RECT screen;
  GetWindowRect(combo, &screen);
  struct Step {
    const char* name;
    std::function<void()> act;
    bool outlineLit;
    bool buttonLit;
  } const steps[] = {
      {"idle", [&] { f.Repaint(combo); }, false, false},
      {"focused", [&] { SetFocus(combo); PumpMessages(50); }, true, false},
      {"focused, mouse over it",
       [&] {
         SetCursorPos(screen.left + 20, screen.top + 5);
         SendMessageA(combo, WM_MOUSEMOVE, 0, MAKELPARAM(20, 5));
       },
       true, true},
      {"focused, mouse gone",
       [&] {
         SetCursorPos(1270, 1010);
         SendMessageA(combo, WM_MOUSELEAVE, 0, 0);
       },
       true, false},
      {"focus gone", [&] { SetFocus(f.c.other); PumpMessages(50); }, false, false},
      {"mouse over it, not focused",
       [&] {
         SetCursorPos(screen.left + 20, screen.top + 5);
         SendMessageA(combo, WM_MOUSEMOVE, 0, MAKELPARAM(20, 5));
       },
       true, true},
  };
  for (const Step& step : steps) {
    CAPTURE(std::string(step.name));
    step.act();
    const ScreenPixels shot = f.Screen(combo);
    CHECK(Close(shot.At(0, midY), lineColour(step.outlineLit, 0, midY)));
    CHECK(Close(shot.At(buttonX, buttonY), lineColour(step.buttonLit, buttonX, buttonY)));
  }
  const SkinRecord& r = f.w.Record();
  CHECK(r.hotControlKind == ComboHotKind);
  CHECK(r.hotControlId == GetIntProp(combo, PropSkinId));
  SetCursorPos(1270, 1010);
  SendMessageA(combo, WM_MOUSELEAVE, 0, 0);
  CHECK(r.hotControlId == 0);
}

TEST_CASE("the inner edit field and its colour answers follow the translucency switch") {
  struct Case {
    const char* name;
    bool translucentAtAttach;
    bool translucentNow;
    bool editSkinned;
    bool veiledAnswer;
  } const cases[] = {
      {"off throughout", false, false, false, false},
      {"on after attach, as in the program", false, true, false, true},
      {"on throughout", true, true, true, true},
  };
  for (const Case& c : cases) {
    CAPTURE(std::string(c.name));
    ComboWindow f(c.translucentAtAttach);
    TranslucentControls = c.translucentNow ? 1 : 0;
    HWND edit = FindWindowExA(f.c.dropDown, nullptr, "Edit", nullptr);
    REQUIRE(edit);
    const EditState* record = ControlRecord(edit, &SkinRecord::edits);
    CHECK((record != nullptr) == c.editSkinned);
    CHECK((GetWindowLongPtrA(edit, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(EditWndProc)) == c.editSkinned);
    if (record) {
      CHECK(record->verticalOverlay == nullptr);
      CHECK(record->horizontalOverlay == nullptr);
    }
    HDC dc = GetDC(edit);
    const auto answer = reinterpret_cast<HBRUSH>(SendMessageA(f.c.dropDown, WM_CTLCOLOREDIT,
                                                              reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit)));
    ReleaseDC(edit, dc);
    CHECK((GetPropA(edit, PropBrush) == answer) == c.veiledAnswer);
    if (!c.veiledAnswer) CHECK(answer == GetSysColorBrush(COLOR_WINDOW));
    // The face: opaque white without translucency, the veil with it.
    f.Paint(f.c.dropList);
    const COLORREF face = f.Composite(f.c.dropList, 1, 1);
    if (c.translucentNow)
      CHECK(Close(face, f.Veiled(f.c.dropList, 1, 1)));
    else
      CHECK(face == RGB(255, 255, 255));
  }
}

// Counts the WM_ERASEBKGND an edit field gets, under whatever procedure it has.
struct EraseCounter {
  explicit EraseCounter(HWND field) : field(field) {
    erases = 0;
    below = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Count)));
  }
  ~EraseCounter() { SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(below)); }
  static LRESULT CALLBACK Count(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_ERASEBKGND) ++erases;
    return CallWindowProcA(below, h, m, w, l);
  }
  HWND field;
  static inline int erases = 0;
  static inline WNDPROC below = nullptr;
};

bool WholeClientInvalid(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  HRGN update = CreateRectRgn(0, 0, 0, 0);
  GetUpdateRgn(window, update, FALSE);
  const bool whole = PtInRegion(update, 0, 0) && PtInRegion(update, client.right - 1, client.bottom - 1);
  DeleteObject(update);
  return whole;
}

TEST_CASE("typing, changes and scrolling in a drop-down's edit field erase the whole field again") {
  ComboWindow f(true);
  HWND edit = FindWindowExA(f.c.dropDown, nullptr, "Edit", nullptr);
  REQUIRE(edit);
  SetWindowTextA(edit, "abc");
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 3, 3);
  PumpMessages(50);
  // What the field tells its combo box.
  auto notify = [&](int code) {
    return [&f, edit, code] {
      SendMessageA(f.c.dropDown, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(edit), code), reinterpret_cast<LPARAM>(edit));
    };
  };
  struct Case {
    const char* name;
    std::function<void()> act;
    bool translucent;
    bool erases;
  } const cases[] = {
      {"typing a letter", [&] { SendMessageA(edit, WM_CHAR, 'x', 1); }, true, true},
      {"EN_CHANGE", notify(EN_CHANGE), true, true},
      {"EN_UPDATE", notify(EN_UPDATE), true, true},
      {"EN_HSCROLL", notify(EN_HSCROLL), true, true},
      {"EN_VSCROLL", notify(EN_VSCROLL), true, true},
      {"EN_SETFOCUS", notify(EN_SETFOCUS), true, false},
      {"EN_CHANGE, translucency off", notify(EN_CHANGE), false, false},
  };
  for (const Case& c : cases) {
    CAPTURE(std::string(c.name));
    TranslucentControls = c.translucent ? 1 : 0;
    EraseCounter counter(edit);
    ValidateRect(edit, nullptr);
    c.act();
    CHECK(WholeClientInvalid(edit) == c.erases);
    UpdateWindow(edit);
    CHECK((EraseCounter::erases > 0) == c.erases);
  }
  TranslucentControls = 1;
  // The field repainted its text over the veil.
  PumpMessages(30);
  const RECT place = ChildPlace(f.c.dropDown, "Edit");
  const ScreenPixels shot = f.Screen(f.c.dropDown);
  CHECK(Close(shot.At(place.right - 3, place.top + 2), f.Veiled(f.c.dropDown, place.right - 3, place.top + 2)));
}

TEST_CASE("the window invalidates a skinned combo box on a new selection and on the end of focus") {
  ComboWindow f;
  HWND combo = f.c.dropList;
  struct Case {
    const char* name;
    int code;
    bool translucent;
    bool invalidates;
  } const cases[] = {
      {"CBN_SELCHANGE", CBN_SELCHANGE, true, true},
      {"CBN_KILLFOCUS", CBN_KILLFOCUS, true, true},
      {"CBN_DROPDOWN", CBN_DROPDOWN, true, false},
      {"CBN_SELCHANGE, translucency off", CBN_SELCHANGE, false, false},
  };
  for (const Case& c : cases) {
    CAPTURE(std::string(c.name));
    TranslucentControls = c.translucent ? 1 : 0;
    ValidateRect(combo, nullptr);
    SendMessageA(f.w.window, WM_COMMAND, MAKEWPARAM(ComboId, c.code), reinterpret_cast<LPARAM>(combo));
    RECT dirty = {};
    const bool invalid = GetUpdateRect(combo, &dirty, FALSE) != 0;
    CHECK(invalid == c.invalidates);
    if (c.invalidates) {
      CHECK(dirty.right - dirty.left == f.Place(combo).right - f.Place(combo).left);
    }
  }
  TranslucentControls = 1;
}

TEST_CASE("a second attach of the same window leaves each combo box subclassed once") {
  ComboWindow f(true);
  const size_t combos = f.w.Record().combos.size(), edits = f.w.Record().edits.size();
  const LONG_PTR previous = reinterpret_cast<LONG_PTR>(GetPropA(f.c.dropList, PropPreviousProc));
  RunAttachPasses(f.w.Id(), f.w.window);
  CHECK(f.w.Record().combos.size() == combos);
  CHECK(f.w.Record().edits.size() == edits);
  CHECK(reinterpret_cast<LONG_PTR>(GetPropA(f.c.dropList, PropPreviousProc)) == previous);
  CHECK(previous != reinterpret_cast<LONG_PTR>(ComboWndProc));
  // Messages still reach the system procedure, once.
  CHECK(SendMessageA(f.c.dropList, CB_GETCOUNT, 0, 0) == 3);
  f.Repaint(f.c.dropList);
  CHECK(SameAsComposite(f, f.c.dropList, f.Screen(f.c.dropList)));
}

TEST_CASE("a hidden combo box paints nothing into the composite image") {
  ComboWindow f;
  HWND combo = f.c.dropList;
  ShowWindow(combo, SW_HIDE);
  f.SetComposite(combo, 5, 5, RGB(1, 2, 3));
  SendMessageA(combo, WM_MOVE, 0, MAKELPARAM(40, 50));
  f.Paint(combo, true);
  CHECK(f.Composite(combo, 5, 5) == RGB(1, 2, 3));
}

TEST_CASE("a combo box destroyed on its own frees its record and the brush its edit field was given") {
  // Attached as the program attaches: the edit field inside is not skinned,
  // so only the combo box can free what its answers left on the field.
  ComboWindow f;
  HWND combo = f.c.dropDown;
  HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr);
  const int index = GetIntProp(combo, PropSkinId);
  REQUIRE(index >= 1);
  {
    HDC dc = GetDC(edit);
    SendMessageA(combo, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
    ReleaseDC(edit, dc);
  }
  REQUIRE(GetPropA(edit, PropBrush));
  const HGDIOBJ brush = GetPropA(edit, PropBrush);
  REQUIRE_FALSE(ControlRecord(edit, &SkinRecord::edits));
  DestroyWindow(combo);
  CHECK(f.w.Record().combos[static_cast<size_t>(index - 1)].hwnd == nullptr);
  CHECK(GetObjectType(brush) == 0);
}

TEST_CASE("create, skin and destroy cycles and paint and hover rounds leave GDI and USER counts flat") {
  SUBCASE("200 windows with the three combo boxes") {
    auto cycle = [](bool translucent) {
      ComboWindow f(translucent);
      HWND edit = FindWindowExA(f.c.dropDown, nullptr, "Edit", nullptr);
      HDC dc = GetDC(edit);
      SendMessageA(f.c.dropDown, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
      ReleaseDC(edit, dc);
    };
    for (int i = 0; i < 4; ++i) cycle(i % 2 == 0);
    const quorlin::test::LeakBaseline baseline;
    const size_t cached = DcBitmapCacheSize();
    for (int i = 0; i < 200; ++i) cycle(i % 2 == 0);
    CHECK(baseline.GdiGrowth() == 0);
    CHECK(baseline.UserGrowth() == 0);
    CHECK(DcBitmapCacheSize() == cached);
  }
  SUBCASE("2,000 paint and hover rounds") {
    ComboWindow f(true);
    const HWND combos[] = {f.c.dropList, f.c.dropDown, f.c.simple};
    HWND edit = FindWindowExA(f.c.dropDown, nullptr, "Edit", nullptr);
    auto round = [&](int i) {
      HWND combo = combos[i % 3];
      SendMessageA(combo, WM_MOUSEMOVE, 0, MAKELPARAM(10, 5));
      SendMessageA(combo, WM_MOUSELEAVE, 0, 0);
      InvalidateRect(combo, nullptr, TRUE);
      UpdateWindow(combo);
      HDC dc = GetDC(edit);
      SendMessageA(f.c.dropDown, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
      ReleaseDC(edit, dc);
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    };
    for (int i = 0; i < 30; ++i) round(i);
    const quorlin::test::LeakBaseline baseline;
    const size_t cached = DcBitmapCacheSize();
    for (int i = 0; i < 2000; ++i) round(i);
    CHECK(baseline.GdiGrowth() == 0);
    CHECK(baseline.UserGrowth() == 0);
    CHECK(DcBitmapCacheSize() == cached);
  }
}
