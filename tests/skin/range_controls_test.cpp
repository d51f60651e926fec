// Skinned trackbars, progress bars and up-down controls on real windows:
// which controls are attached, the geometry of their parts, their pictures
// read back from the screen, the system behaviour they keep (dragging, keys,
// auto-repeat into the buddy field), and the GDI and USER objects of many
// paints and many windows.
#include <doctest/doctest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "leak_check.h"
#include "range_gallery.h"
#include "skin/controls/range.h"
#include "skin/core/apply_skin.h"
#include "skin/core/painting.h"
#include "skin/core/skin_options.h"
#include "skin/core/skin_record.h"
#include "skinned_window.h"
#include "window_probe.h"

using namespace quorlin::skin;
using quorlin::test::Blue;
using quorlin::test::Drain;
using quorlin::test::Green;
using quorlin::test::ParkCursor;
using quorlin::test::PumpMessages;
using quorlin::test::RangeGallery;
using quorlin::test::Red;
using quorlin::test::ScreenPixels;
using quorlin::test::SkinnedWindow;

namespace {


void InitControls() {
  INITCOMMONCONTROLSEX init = {sizeof init, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&init);
}

RECT ScreenRect(HWND w) {
  RECT r = {};
  GetWindowRect(w, &r);
  return r;
}

// The control's whole window as it is on the screen. Read through the
// window's own DC: Wine hands the desktop DC what a window drew only when it
// flushes the window's surface, some time later.
ScreenPixels Shot(HWND w) {
  const RECT r = ScreenRect(w);
  ScreenPixels shot;
  shot.width = r.right - r.left;
  shot.height = r.bottom - r.top;
  HDC screen = GetWindowDC(w);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, shot.width, shot.height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, shot.width, shot.height, screen, 0, 0, SRCCOPY);
  shot.pixels.resize(static_cast<size_t>(shot.width) * shot.height);
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x) shot.pixels[static_cast<size_t>(y) * shot.width + x] = GetPixel(memory, x, y);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(w, screen);
  return shot;
}

bool SamePixels(const ScreenPixels& a, const ScreenPixels& b) {
  return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
}

// What the skinned window holds behind a point of the control's window.
COLORREF Behind(HWND control, int x, int y) {
  const SkinRecord* r = SkinRecordById(FindTopSkinId(control));
  const RECT rel = RectRelativeTo(r->hwnd, control);
  return GetPixel(r->backBufferDc, rel.left + x, rel.top + y);
}

void Repaint(HWND w) {
  InvalidateRect(w, nullptr, TRUE);
  UpdateWindow(w);
  Drain();
}

LPARAM Point(int x, int y) { return MAKELPARAM(x, y); }

void HoverAt(HWND w, int x, int y) {
  const RECT r = ScreenRect(w);
  SetCursorPos(r.left + x, r.top + y);
  SendMessageA(w, WM_MOUSEMOVE, 0, Point(x, y));
}

void Hover(HWND w) {
  const RECT r = ScreenRect(w);
  HoverAt(w, (r.right - r.left) / 2, (r.bottom - r.top) / 2);
}

void Leave(HWND w) {
  ParkCursor();
  SendMessageA(w, WM_MOUSELEAVE, 0, 0);
}

// Draws over the control's picture on the screen without invalidating it:
// whatever repaints it afterwards shows.
void Spoil(HWND w) {
  HDC dc = GetWindowDC(w);
  HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
  const RECT r = ScreenRect(w);
  RECT all = {0, 0, r.right - r.left, r.bottom - r.top};
  FillRect(dc, &all, magenta);
  DeleteObject(magenta);
  ReleaseDC(w, dc);
}

bool Spoilt(HWND w) {
  const ScreenPixels s = Shot(w);
  return s.At(s.width / 2, s.height / 2) == RGB(255, 0, 255) && s.At(1, 1) == RGB(255, 0, 255);
}

RECT ThumbOf(HWND bar) {
  RECT t = {};
  SendMessageA(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&t));
  return t;
}

// The channel in its horizontal form, whichever way the system reports a
// vertical one.
RECT ChannelOf(HWND bar) {
  RECT c = {};
  SendMessageA(bar, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&c));
  if ((GetWindowLongPtrA(bar, GWL_STYLE) & TBS_VERT) && c.bottom - c.top > c.right - c.left)
    c = RECT{c.top, c.left, c.bottom, c.right};
  return c;
}

// The knob is drawn opaque white and shaded with black and white only: its
// pixels are exactly grey. Their bounding box.
RECT KnobBox(const ScreenPixels& s) {
  RECT box = {s.width, s.height, -1, -1};
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      const COLORREF c = s.At(x, y);
      if (Red(c) != Green(c) || Green(c) != Blue(c) || Red(c) < 140) continue;
      box.left = std::min<LONG>(box.left, x);
      box.top = std::min<LONG>(box.top, y);
      box.right = std::max<LONG>(box.right, x + 1);
      box.bottom = std::max<LONG>(box.bottom, y + 1);
    }
  return box;
}

// More of the accent (blue 0xDD, red 0x22) than the background shows there.
bool AccentOver(COLORREF c, COLORREF behind) { return (Blue(c) - Red(c)) > (Blue(behind) - Red(behind)) + 40; }

int Luma(COLORREF c) { return (Red(c) * 3 + Green(c) * 6 + Blue(c)) / 10; }

template <typename State>
const State& StateOf(HWND w, std::vector<State> SkinRecord::*table) {
  return *ControlRecord(w, table);
}

struct GalleryFixture {
  RangeGallery g;
  GalleryFixture() {
    ParkCursor();
    g = quorlin::test::CreateRangeGallery(GetModuleHandleA(nullptr), 60, 60);
    REQUIRE(g.window);
    PumpMessages(200);
  }
  ~GalleryFixture() {
    ParkCursor();
    if (IsWindow(g.window)) DestroyWindow(g.window);
    PumpMessages(30);
    SkinRegistry.clear();
  }
};

HWND Add(HWND parent, const char* cls, DWORD style, int x, int y, int w, int h) {
  return quorlin::test::AddChild(parent, cls, style, 0, x, y, w, h);
}

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

HWND PlainTop() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "RangeTestTop";
  RegisterClassA(&wc);
  return CreateWindowExA(0, "RangeTestTop", "t", WS_POPUP, 500, 40, 300, 300, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

TEST_CASE("attach: the style fields of each range control; with child skinning off none is touched") {
  InitControls();
  struct Case {
    const char* cls;
    DWORD style;
    std::function<void(HWND)> check;
  };
  auto trackbar = [](bool vertical, TrackbarTickMode ticks, bool selection) {
    return [=](HWND w) {
      const TrackbarState& s = StateOf(w, &SkinRecord::trackbars);
      CHECK(s.vertical == vertical);
      CHECK(s.tickMode == ticks);
      CHECK(s.showsSelection == selection);
      CHECK_FALSE(s.hot);
    };
  };
  const Case cases[] = {
      {TRACKBAR_CLASSA, 0, trackbar(false, TicksBottomOrRight, false)},
      {TRACKBAR_CLASSA, TBS_TOP, trackbar(false, TicksTopOrLeft, false)},
      {TRACKBAR_CLASSA, TBS_BOTH, trackbar(false, TicksBoth, false)},
      {TRACKBAR_CLASSA, TBS_TOP | TBS_BOTH, trackbar(false, TicksTopOrLeft, false)},
      {TRACKBAR_CLASSA, TBS_NOTICKS | TBS_TOP, trackbar(false, NoTicks, false)},
      {TRACKBAR_CLASSA, TBS_VERT | TBS_LEFT | TBS_ENABLESELRANGE, trackbar(true, TicksTopOrLeft, true)},
      {PROGRESS_CLASSA, 0, [](HWND w) { CHECK_FALSE(StateOf(w, &SkinRecord::progressBars).vertical); }},
      {PROGRESS_CLASSA, PBS_VERTICAL, [](HWND w) { CHECK(StateOf(w, &SkinRecord::progressBars).vertical); }},
      {UPDOWN_CLASSA, 0, [](HWND w) { CHECK_FALSE(StateOf(w, &SkinRecord::upDowns).horizontal); }},
      {UPDOWN_CLASSA, UDS_HORZ, [](HWND w) { CHECK(StateOf(w, &SkinRecord::upDowns).horizontal); }},
  };
  for (const int enabled : {0, 1}) {
    CAPTURE(enabled);
    ChildSkinningEnabled = enabled;
    HWND top = PlainTop();
    std::vector<HWND> controls;
    std::vector<LONG_PTR> own;
    for (const Case& c : cases) {
      controls.push_back(Add(top, c.cls, WS_VISIBLE | c.style, 0, 0, 60, 30));
      own.push_back(GetWindowLongPtrA(controls.back(), GWLP_WNDPROC));
    }
    ApplySkin(top, {});
    for (size_t i = 0; i < std::size(cases); ++i) {
      CAPTURE(cases[i].cls);
      CAPTURE(cases[i].style);
      HWND w = controls[i];
      const LONG_PTR proc = GetWindowLongPtrA(w, GWLP_WNDPROC);
      if (!enabled) {
        CHECK(proc == own[i]);
        CHECK(GetPropA(w, PropOwnerSkinId) == nullptr);
        CHECK(GetPropA(w, PropSkinId) == nullptr);
        continue;
      }
      CHECK(proc != own[i]);
      CHECK(GetIntProp(w, PropOwnerSkinId) == FindSkinId(top));
      CHECK(GetPropA(w, PropPreviousProc) == reinterpret_cast<HANDLE>(own[i]));
      cases[i].check(w);
    }
    const SkinRecord& r = *SkinRecordById(FindSkinId(top));
    CHECK(r.trackbars.size() == 6 - (enabled ? 0 : 5));
    CHECK(r.progressBars.size() == 2 - (enabled ? 0 : 1));
    CHECK(r.upDowns.size() == 2 - (enabled ? 0 : 1));
    DestroyWindow(top);
    SkinRegistry.clear();
  }
  ChildSkinningEnabled = 1;
}

TEST_CASE("trackbar parts: channel, selection mark, accent line and knob") {
  struct Case {
    const char* name;
    TrackbarState state;
    TrackbarReadings in;
    RectF channel;
    std::optional<RectF> mark, accent;
    RectF knob;
  };
  auto bar = [](bool vertical, TrackbarTickMode ticks, bool hot, bool selection) {
    TrackbarState s;
    s.vertical = vertical;
    s.tickMode = ticks;
    s.hot = hot;
    s.showsSelection = selection;
    return s;
  };
  // A horizontal system channel from x 8 to 192, y 20 to 24, thumb at x 50.
  const TrackbarReadings mid{25, 0, 100, 0, 0, {8, 20, 192, 24}, {50, 10, 61, 30}};
  TrackbarReadings atMax = mid;
  atMax.position = 100;
  // A 12-pixel system channel and a selection from 50 to 90.
  const TrackbarReadings selected{25, 0, 100, 50, 90, {8, 18, 192, 30}, {50, 10, 61, 30}};
  TrackbarReadings shifted = selected;  // the same on a range from 100 to 200
  shifted.position += 100;
  shifted.rangeMin = 100;
  shifted.rangeMax = 200;
  shifted.selectionStart += 100;
  shifted.selectionEnd += 100;
  // The whole int range, selected from its middle to its end. (Wine's own
  // trackbar divides by zero on this range, so only the geometry sees it.)
  const TrackbarReadings full{INT_MIN, INT_MIN, INT_MAX, 0, INT_MAX, {8, 18, 192, 30}, {50, 10, 61, 30}};
  TrackbarReadings empty = selected;
  empty.rangeMax = 0;
  // Vertical: the channel in its horizontal form runs from 8 to 142 along.
  const TrackbarReadings upright{25, 0, 100, 0, 0, {8, 10, 142, 14}, {5, 60, 27, 71}};
  const Case cases[] = {
      {"plain", bar(false, TicksBottomOrRight, false, false), mid, {8, 20, 184, 4}, {}, RectF{9, 21, 40, 1},
       {50, 18.5f, 6, 6}},
      {"at the maximum", bar(false, TicksBottomOrRight, false, false), atMax, {8, 20, 184, 4}, {},
       RectF{9, 21, 50, 1}, {58, 18.5f, 6, 6}},
      {"hot, ticks below", bar(false, TicksBottomOrRight, true, false), mid, {8, 20, 184, 4}, {}, RectF{9, 21, 40, 1},
       {50, 16, 11, 11}},
      {"hot, ticks on top", bar(false, TicksTopOrLeft, true, false), mid, {8, 20, 184, 4}, {}, RectF{9, 21, 40, 1},
       {50, 18, 11, 11}},
      {"hot, ticks on both sides", bar(false, TicksBoth, true, false), mid, {8, 20, 184, 4}, {}, RectF{9, 21, 40, 1},
       {50, 17, 11, 11}},
      {"hot at the maximum keeps the thumb's place", bar(false, NoTicks, true, false), atMax, {8, 20, 184, 4}, {},
       RectF{9, 21, 50, 1}, {50, 16, 11, 11}},
      {"selection range", bar(false, TicksBottomOrRight, false, true), selected, {8, 22, 184, 4},
       RectF{8 + 92 + 1, 23, 73.6f - 3, 1}, RectF{9, 23, 40, 1}, {50, 20.5f, 6, 6}},
      {"selection on a range from 100", bar(false, TicksBottomOrRight, false, true), shifted, {8, 22, 184, 4},
       RectF{8 + 92 + 1, 23, 73.6f - 3, 1}, RectF{9, 23, 40, 1}, {50, 20.5f, 6, 6}},
      {"selection 0..INT_MAX of INT_MIN..INT_MAX", bar(false, TicksBottomOrRight, false, true), full,
       {8, 22, 184, 4}, RectF{8 + 92 + 1, 23, 92 - 3, 1}, RectF{9, 23, 40, 1}, {50, 20.5f, 6, 6}},
      {"selection on an empty range", bar(false, TicksBottomOrRight, false, true), empty, {8, 22, 184, 4}, {},
       RectF{9, 23, 40, 1}, {50, 20.5f, 6, 6}},
      {"vertical", bar(true, TicksTopOrLeft, false, false), upright, {10, 8, 4, 134}, {}, RectF{11, 9, 1, 50},
       {8.5f, 60, 6, 6}},
  };
  auto same = [](const RectF& a, const RectF& b) {
    auto equal = [](float p, float q) { return std::abs(p - q) < 0.01f; };
    return equal(a.x, b.x) && equal(a.y, b.y) && equal(a.width, b.width) && equal(a.height, b.height);
  };
  for (const Case& c : cases) {
    CAPTURE(c.name);
    const TrackbarParts p = TrackbarPartRects(c.state, c.in);
    CHECK(same(p.channel, c.channel));
    REQUIRE(p.selectionMark.has_value() == c.mark.has_value());
    if (c.mark) CHECK(same(*p.selectionMark, *c.mark));
    REQUIRE(p.accentLine.has_value() == c.accent.has_value());
    if (c.accent) CHECK(same(*p.accentLine, *c.accent));
    CHECK(same(p.knob, c.knob));
  }
  // The thumb at the channel's start: no accent line runs backwards.
  TrackbarReadings start = mid;
  start.thumb = RECT{4, 10, 15, 30};
  CHECK_FALSE(TrackbarPartRects(bar(false, TicksBottomOrRight, false, false), start).accentLine);
}

TEST_CASE_FIXTURE(GalleryFixture, "trackbar pixels: the small knob at the thumb, 8 pixels on and a longer accent line at the maximum") {
  SendMessageA(g.topBar, TBM_SETPOS, TRUE, 50);
  Repaint(g.topBar);
  struct Case {
    int position;
    int knobShift;
  } const cases[] = {{50, 0}, {100, 8}};
  for (const Case& c : cases) {
    CAPTURE(c.position);
    SendMessageA(g.topBar, TBM_SETPOS, TRUE, c.position);
    Repaint(g.topBar);
    const RECT t = ThumbOf(g.topBar), ch = ChannelOf(g.topBar);
    const ScreenPixels s = Shot(g.topBar);
    const RECT knob = KnobBox(s);
    CHECK(std::abs(knob.left - (t.left + c.knobShift)) <= 1);
    CHECK(knob.right - knob.left <= 8);
    CHECK(knob.bottom - knob.top <= 8);
    // The accent line runs on the channel's second row up to the knob; at
    // the maximum it goes on under where the knob would otherwise be.
    const int row = ch.top + 1;
    for (int x = ch.left + 2; x < knob.left - 1; ++x) {
      CAPTURE(x);
      CHECK(AccentOver(s.At(x, row), Behind(g.topBar, x, row)));
    }
    if (c.knobShift == 0) CHECK(knob.left <= t.left + 1);
    else CHECK(knob.left - 1 >= t.left + 6);
  }
}

TEST_CASE("trackbar hover: the 11 x 11 knob keeps away from the ticks; leaving shows the dot again") {
  InitControls();
  ParkCursor();
  struct Case {
    const char* name;
    DWORD style;
    int d;  // shift away from the ticks
    HWND bar = nullptr;
  };
  Case cases[] = {
      {"ticks below", 0, 0},
      {"ticks on top", TBS_TOP, 2},
      {"ticks on both sides", TBS_BOTH, 1},
      {"vertical, ticks right", TBS_VERT, 0},
      {"vertical, ticks left", TBS_VERT | TBS_LEFT, 2},
      {"vertical, ticks on both sides", TBS_VERT | TBS_BOTH, 1},
  };
  SkinnedWindow w(0, 420, 300, {}, [&](HWND parent) {
    for (int i = 0; i < 3; ++i) cases[i].bar = Add(parent, TRACKBAR_CLASSA, WS_VISIBLE | cases[i].style, 20, 40 + 50 * i,
                                                    200, 36);
    for (int i = 3; i < 6; ++i)
      cases[i].bar = Add(parent, TRACKBAR_CLASSA, WS_VISIBLE | cases[i].style, 250 + 50 * (i - 3), 40, 36, 200);
  });
  // Where the fill of an ellipse starts against its top (left) edge, the
  // same for every bar of one orientation.
  std::optional<int> startAcross[2];
  for (Case& c : cases) {
    CAPTURE(c.name);
    const bool vertical = (c.style & TBS_VERT) != 0;
    SendMessageA(c.bar, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    SendMessageA(c.bar, TBM_SETPOS, TRUE, 40);
    Repaint(c.bar);
    const RECT small = KnobBox(Shot(c.bar));
    CHECK(small.right - small.left <= 8);
    CHECK(small.bottom - small.top <= 8);
    Hover(c.bar);
    CHECK(StateOf(c.bar, &SkinRecord::trackbars).hot);
    const RECT big = KnobBox(Shot(c.bar));
    CHECK(big.right - big.left >= 10);
    CHECK(big.bottom - big.top >= 10);
    CHECK(big.right - big.left <= 12);
    CHECK(big.bottom - big.top <= 12);
    // Across the channel the knob starts at K - 4 + d, K the channel's edge.
    const int k = ChannelOf(c.bar).top;
    const int start = (vertical ? big.left : big.top) - (k - 4 + c.d);
    std::optional<int>& base = startAcross[vertical ? 1 : 0];
    if (!base) base = start;
    CHECK(start == *base);
    CHECK(std::abs(start) <= 1);
    // Along the channel it starts at the thumb.
    const RECT t = ThumbOf(c.bar);
    CHECK(std::abs((vertical ? big.top : big.left) - (vertical ? t.top : t.left)) <= 1);
    Leave(c.bar);
    CHECK_FALSE(StateOf(c.bar, &SkinRecord::trackbars).hot);
    const RECT again = KnobBox(Shot(c.bar));
    CHECK(again.left == small.left);
    CHECK(again.top == small.top);
    CHECK(again.right == small.right);
    CHECK(again.bottom == small.bottom);
  }
}

TEST_CASE("trackbar channel: 4 pixels centred with a selection range and a white mark, else the system channel") {
  InitControls();
  HWND plain = nullptr, selecting = nullptr, shifted = nullptr, emptyRange = nullptr;
  SkinnedWindow w(0, 420, 300, {}, [&](HWND parent) {
    plain = Add(parent, TRACKBAR_CLASSA, WS_VISIBLE, 20, 40, 220, 32);
    selecting = Add(parent, TRACKBAR_CLASSA, WS_VISIBLE | TBS_ENABLESELRANGE, 20, 90, 220, 32);
    shifted = Add(parent, TRACKBAR_CLASSA, WS_VISIBLE | TBS_ENABLESELRANGE, 20, 140, 220, 32);
    emptyRange = Add(parent, TRACKBAR_CLASSA, WS_VISIBLE | TBS_ENABLESELRANGE, 20, 190, 220, 32);
  });
  SendMessageA(plain, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
  SendMessageA(selecting, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
  SendMessageA(selecting, TBM_SETSEL, TRUE, MAKELPARAM(50, 90));
  SendMessageA(shifted, TBM_SETRANGE, TRUE, MAKELPARAM(100, 200));
  SendMessageA(shifted, TBM_SETSEL, TRUE, MAKELPARAM(150, 190));
  SendMessageA(shifted, TBM_SETPOS, TRUE, 100);
  SendMessageA(emptyRange, TBM_SETRANGE, TRUE, MAKELPARAM(0, 0));
  SendMessageA(emptyRange, TBM_SETSEL, TRUE, MAKELPARAM(0, 0));
  // Without the panel, everything but the channel, mark, accent and knob
  // is the background.
  TrackbarPainterSwitch = 0;
  struct Case {
    const char* name;
    HWND bar;
    bool selection;
    std::vector<double> marked, unmarked;  // fractions along the channel
  } const cases[] = {
      {"plain", plain, false, {}, {0.5, 0.85}},
      {"selection 50..90 of 0..100", selecting, true, {0.55, 0.85}, {0.3, 0.95}},
      {"selection 150..190 of 100..200", shifted, true, {0.55, 0.85}, {0.3, 0.95}},
      {"empty range", emptyRange, true, {}, {0.3, 0.6, 0.9}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.name);
    Repaint(c.bar);
    const ScreenPixels s = Shot(c.bar);
    const RECT ch = ChannelOf(c.bar);
    const RECT knob = KnobBox(s);
    auto column = [&](double f) { return ch.left + static_cast<int>(f * (ch.right - ch.left)); };
    // The channel's rows in a column clear of the knob and the accent line.
    const int x = column(0.75) < knob.left - 2 || column(0.75) > knob.right + 2 ? column(0.75) : column(0.9);
    std::vector<int> rows;
    for (int y = 0; y < s.height; ++y)
      if (s.At(x, y) != Behind(c.bar, x, y)) rows.push_back(y);
    REQUIRE_FALSE(rows.empty());
    const int first = rows.front(), last = rows.back();
    CHECK(static_cast<int>(rows.size()) == last - first + 1);
    if (c.selection) {
      CHECK(last - first + 1 >= 4);
      CHECK(last - first + 1 <= 5);
      CHECK(std::abs((first + last) / 2.0 - (ch.top + ch.bottom) / 2.0) <= 1.0);
    } else {
      CHECK(first == ch.top);
      CHECK(last - first + 1 >= ch.bottom - ch.top);
      CHECK(last - first + 1 <= ch.bottom - ch.top + 1);
    }
    // The mark: a white line inside the channel, which otherwise darkens
    // what lies behind it by a fifth; along the selection only.
    auto whitened = [&](double f) {
      const int mx = column(f);
      bool light = false;
      for (int y = first; y <= last; ++y)
        light = light || Luma(s.At(mx, y)) * 100 > Luma(Behind(c.bar, mx, y)) * 92;
      return light;
    };
    for (double f : c.marked) {
      CAPTURE(f);
      CHECK(whitened(f));
    }
    for (double f : c.unmarked) {
      CAPTURE(f);
      CHECK_FALSE(whitened(f));
    }
  }
  // The panel switch: with it on, the panel covers the background.
  const ScreenPixels bare = Shot(plain);
  CHECK(bare.At(bare.width / 2, 3) == Behind(plain, bare.width / 2, 3));
  TrackbarPainterSwitch = 1;
  Repaint(plain);
  const ScreenPixels panel = Shot(plain);
  CHECK(panel.At(panel.width / 2, 3) != Behind(plain, panel.width / 2, 3));
  CHECK(panel.At(0, panel.height / 2) != Behind(plain, 0, panel.height / 2));
}

TEST_CASE_FIXTURE(GalleryFixture, "trackbar: dragging and keys still move the thumb, and repaint in the hover state") {
  HWND bar = g.topBar;
  SendMessageA(bar, TBM_SETPOS, TRUE, 50);
  Repaint(bar);
  SetFocus(bar);
  Hover(bar);
  REQUIRE(StateOf(bar, &SkinRecord::trackbars).hot);

  SendMessageA(bar, WM_KEYDOWN, VK_RIGHT, 0x014D0001);
  SendMessageA(bar, WM_KEYUP, VK_RIGHT, static_cast<LPARAM>(0xC14D0001u));
  CHECK(SendMessageA(bar, TBM_GETPOS, 0, 0) == 51);
  SendMessageA(bar, WM_KEYDOWN, VK_END, 0x014F0001);
  SendMessageA(bar, WM_KEYUP, VK_END, static_cast<LPARAM>(0xC14F0001u));
  CHECK(SendMessageA(bar, TBM_GETPOS, 0, 0) == 100);
  SendMessageA(bar, WM_KEYDOWN, VK_HOME, 0x01470001);
  SendMessageA(bar, WM_KEYUP, VK_HOME, static_cast<LPARAM>(0xC1470001u));
  CHECK(SendMessageA(bar, TBM_GETPOS, 0, 0) == 0);
  SendMessageA(bar, TBM_SETPOS, TRUE, 50);
  Drain();
  RECT t = ThumbOf(bar);
  RECT knob = KnobBox(Shot(bar));
  CHECK(std::abs(knob.left - t.left) <= 1);
  CHECK(knob.right - knob.left >= 10);  // still the hot knob

  // Drag the thumb 40 pixels on.
  const int cy = (t.top + t.bottom) / 2, cx = (t.left + t.right) / 2;
  SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, Point(cx, cy));
  HoverAt(bar, cx + 20, cy);
  SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, Point(cx + 40, cy));
  SendMessageA(bar, WM_LBUTTONUP, 0, Point(cx + 40, cy));
  const LRESULT dragged = SendMessageA(bar, TBM_GETPOS, 0, 0);
  CHECK(dragged > 55);
  Drain();
  t = ThumbOf(bar);
  knob = KnobBox(Shot(bar));
  CHECK(std::abs(knob.left - t.left) <= 1);
  CHECK(knob.right - knob.left >= 10);
  CHECK(StateOf(bar, &SkinRecord::trackbars).hot);
  Leave(bar);
}

TEST_CASE("progress bar: the accent bar covers the position's share of the range, bottom-up when vertical") {
  InitControls();
  HWND horizontal = nullptr, vertical = nullptr;
  SkinnedWindow w(0, 420, 300, {}, [&](HWND parent) {
    horizontal = Add(parent, PROGRESS_CLASSA, WS_VISIBLE, 20, 40, 200, 18);
    vertical = Add(parent, PROGRESS_CLASSA, WS_VISIBLE | PBS_VERTICAL, 260, 40, 20, 160);
  });
  struct Case {
    const char* name;
    HWND bar;
    int lo, hi, position;
    double filled;  // share of the length, from the left or the bottom
  } const cases[] = {
      {"vertical at half range", vertical, 0, 100, 50, 0.5},
      {"horizontal at a quarter", horizontal, 0, 100, 25, 0.25},
      {"range 50..150 at 100", horizontal, 50, 150, 100, 0.5},
      {"vertical, range 50..150 at 125", vertical, 50, 150, 125, 0.75},
      {"at 0", horizontal, 0, 100, 0, 0},
      {"at the minimum of 50..150", vertical, 50, 150, 50, 0},
      {"empty range", horizontal, 40, 40, 40, 0},
      {"INT_MIN..INT_MAX at 0", horizontal, INT_MIN, INT_MAX, 0, 0.5},
      {"vertical, INT_MIN..INT_MAX at INT_MAX / 2", vertical, INT_MIN, INT_MAX, INT_MAX / 2, 0.75},
  };
  for (const Case& c : cases) {
    CAPTURE(c.name);
    const bool upright = c.bar == vertical;
    SendMessageA(c.bar, PBM_SETRANGE32, 0, 100);
    SendMessageA(c.bar, PBM_SETPOS, 0, 0);
    Repaint(c.bar);
    const ScreenPixels none = Shot(c.bar);
    SendMessageA(c.bar, PBM_SETRANGE32, c.lo, c.hi);
    SendMessageA(c.bar, PBM_SETPOS, c.position, 0);
    PBRANGE range = {};
    SendMessageA(c.bar, PBM_GETRANGE, 0, reinterpret_cast<LPARAM>(&range));
    REQUIRE(range.iLow == c.lo);
    REQUIRE(range.iHigh == c.hi);
    Repaint(c.bar);
    const ScreenPixels s = Shot(c.bar);
    if (c.filled == 0) {
      CHECK(SamePixels(s, none));
      continue;
    }
    // Lines across the bar (columns, or rows when vertical) that changed.
    const int length = upright ? s.height : s.width, breadth = upright ? s.width : s.height;
    std::vector<bool> changed(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i)
      for (int j = 0; j < breadth && !changed[i]; ++j)
        changed[i] = upright ? s.At(j, i) != none.At(j, i) : s.At(i, j) != none.At(i, j);
    const int edge = static_cast<int>(c.filled * length);
    int from = 0, to = length;  // the filled part
    if (upright) from = length - edge; else to = edge;
    for (int i = 0; i < length; ++i) {
      CAPTURE(i);
      const bool inside = i >= from + 2 && i < to - 2, outside = i < from - 1 || i >= to + 1;
      if (inside) CHECK(changed[i]);
      if (outside) CHECK_FALSE(changed[i]);
    }
  }
  // Into a caller's DC: the same picture, and the DC stays the caller's.
  SendMessageA(horizontal, PBM_SETRANGE32, 0, 100);
  SendMessageA(horizontal, PBM_SETPOS, 60, 0);
  Repaint(horizontal);
  const ScreenPixels screen = Shot(horizontal);
  HDC screenDc = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screenDc);
  HBITMAP bitmap = CreateCompatibleBitmap(screenDc, screen.width, screen.height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  PaintProgressBar(w.Id(), GetIntProp(horizontal, PropSkinId), memory);
  int differing = 0;
  for (int y = 0; y < screen.height; ++y)
    for (int x = 0; x < screen.width; ++x)
      if (GetPixel(memory, x, y) != screen.At(x, y)) ++differing;
  CHECK(differing == 0);
  CHECK(GetObjectType(memory) == OBJ_MEMDC);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screenDc);
}

TEST_CASE_FIXTURE(GalleryFixture, "up-down hover: the lit half follows the mouse, one repaint per crossing") {
  HWND ud = g.upDown;
  const RECT r = ScreenRect(ud);
  const int w = r.right - r.left, h = r.bottom - r.top;
  Repaint(ud);
  const ScreenPixels plain = Shot(ud);
  HoverAt(ud, w / 2, 2);
  const ScreenPixels upLit = Shot(ud);
  CHECK_FALSE(SamePixels(upLit, plain));
  CHECK(StateOf(ud, &SkinRecord::upDowns).hotHalf == UpDownFirstHalf);
  // Within the up half: no repaint.
  Spoil(ud);
  HoverAt(ud, w / 2 - 2, h / 2 - 1);
  CHECK(Spoilt(ud));
  // Across into the down half: one repaint, the down half lit now.
  HoverAt(ud, w / 2, h / 2 + 2);
  CHECK_FALSE(Spoilt(ud));
  const ScreenPixels downLit = Shot(ud);
  CHECK(StateOf(ud, &SkinRecord::upDowns).hotHalf == UpDownSecondHalf);
  auto accent = [&](const ScreenPixels& s, int y) { return Blue(s.At(2, y)) - Red(s.At(2, y)); };
  CHECK(accent(upLit, h / 4) > accent(downLit, h / 4));
  CHECK(accent(downLit, 3 * h / 4) > accent(upLit, 3 * h / 4));
  Spoil(ud);
  HoverAt(ud, w / 2 + 1, h - 2);
  CHECK(Spoilt(ud));
  // Leaving repaints without a lit half.
  Leave(ud);
  CHECK(SamePixels(Shot(ud), plain));
  // Left and right on a horizontal one.
  HWND across = g.horizontalUpDown;
  const RECT a = ScreenRect(across);
  HoverAt(across, 2, (a.bottom - a.top) / 2);
  CHECK(StateOf(across, &SkinRecord::upDowns).hotHalf == UpDownFirstHalf);
  Spoil(across);
  HoverAt(across, (a.right - a.left) - 3, (a.bottom - a.top) / 2);
  CHECK_FALSE(Spoilt(across));
  CHECK(StateOf(across, &SkinRecord::upDowns).hotHalf == UpDownSecondHalf);
  Leave(across);
}

TEST_CASE_FIXTURE(GalleryFixture, "up-down press: the pressed half turns accent to white, held through auto-repeat into the buddy") {
  HWND ud = g.upDown;
  const RECT r = ScreenRect(ud);
  const int w = r.right - r.left, h = r.bottom - r.top;
  Repaint(ud);
  const ScreenPixels plain = Shot(ud);
  auto accentAt = [&](const ScreenPixels& s, int y) { return Blue(s.At(2, y)) - Red(s.At(2, y)); };
  const int top = 2, bottom = h / 2 - 3;

  // Not hot (as after a keyboard-driven repaint): a press lights nothing.
  SendMessageA(ud, WM_LBUTTONDOWN, MK_LBUTTON, Point(w / 2, 3));
  CHECK(StateOf(ud, &SkinRecord::upDowns).pressed);
  Drain();
  CHECK(SamePixels(Shot(ud), plain));
  SendMessageA(ud, WM_LBUTTONUP, 0, Point(w / 2, 3));
  Drain();
  CHECK_FALSE(StateOf(ud, &SkinRecord::upDowns).pressed);

  // Hot: white at the top turning to the accent below; pressed, the other way.
  SetWindowTextA(g.buddy, "5");
  SendMessageA(ud, UDM_SETPOS32, 0, 5);
  HoverAt(ud, w / 2, 3);
  const ScreenPixels hot = Shot(ud);
  CHECK(accentAt(hot, bottom) > accentAt(hot, top));
  SendMessageA(ud, WM_LBUTTONDOWN, MK_LBUTTON, Point(w / 2, 3));
  Drain();
  const ScreenPixels pressed = Shot(ud);
  CHECK(accentAt(pressed, top) > accentAt(pressed, bottom));
  // Auto-repeat goes on while the button is held, and the look stays.
  PumpMessages(1500);
  const ScreenPixels held = Shot(ud);
  const int value = std::atoi(quorlin::test::WindowText(g.buddy).c_str());
  CHECK(value > 7);
  CHECK(SendMessageA(ud, UDM_GETPOS32, 0, 0) == value);
  CHECK(accentAt(held, top) > accentAt(held, bottom));
  SendMessageA(ud, WM_LBUTTONUP, 0, Point(w / 2, 3));
  Drain();
  CHECK_FALSE(StateOf(ud, &SkinRecord::upDowns).pressed);
  const int after = std::atoi(quorlin::test::WindowText(g.buddy).c_str());
  PumpMessages(300);
  CHECK(std::atoi(quorlin::test::WindowText(g.buddy).c_str()) == after);
  CHECK(accentAt(Shot(ud), bottom) > accentAt(Shot(ud), top));

  // A press that loses the mouse ends too.
  SendMessageA(ud, WM_LBUTTONDOWN, MK_LBUTTON, Point(w / 2, 3));
  SetCapture(g.window);
  ReleaseCapture();
  CHECK_FALSE(StateOf(ud, &SkinRecord::upDowns).pressed);
  Leave(ud);
}

TEST_CASE("a hidden range control moved commits nothing to the composite; a shown one does") {
  InitControls();
  const char* classes[] = {TRACKBAR_CLASSA, PROGRESS_CLASSA, UPDOWN_CLASSA};
  HWND controls[3] = {};
  SkinnedWindow w(0, 300, 220, {}, [&](HWND parent) {
    for (int i = 0; i < 3; ++i) controls[i] = Add(parent, classes[i], 0, 20, 40 + 50 * i, 120, 30);
  });
  const HDC composite = w.Record().frameSnapshotDc;
  HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
  // Marks the composite where the control lands after a move 60 pixels to
  // the right, moves it there and reads the mark's middle back.
  auto moveOverMark = [&](HWND control, int step) {
    RECT at = ScreenRect(control);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&at), 2);
    RECT target = WindowRectInSkin(control);
    OffsetRect(&target, 60 * step, 0);
    FillRect(composite, &target, magenta);
    SetWindowPos(control, nullptr, at.left + 60 * step, at.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Drain();
    return GetPixel(composite, (target.left + target.right) / 2, (target.top + target.bottom) / 2);
  };
  for (HWND control : controls) {
    CAPTURE(WindowClassName(control));
    REQUIRE_FALSE(IsWindowVisible(control));
    CHECK(moveOverMark(control, 1) == RGB(255, 0, 255));
    ShowWindow(control, SW_SHOWNA);
    Drain();
    CHECK(moveOverMark(control, 2) != RGB(255, 0, 255));
  }
  DeleteObject(magenta);
}

TEST_CASE("a range control destroyed on its own frees its record") {
  InitControls();
  const char* classes[] = {TRACKBAR_CLASSA, PROGRESS_CLASSA, UPDOWN_CLASSA};
  HWND controls[3] = {};
  SkinnedWindow w(0, 300, 200, {}, [&](HWND parent) {
    for (int i = 0; i < 3; ++i) controls[i] = Add(parent, classes[i], WS_VISIBLE, 20, 40 + 40 * i, 120, 30);
  });
  const SkinRecord& r = w.Record();
  const TrackbarState* bar = ControlRecord(controls[0], &SkinRecord::trackbars);
  const ProgressState* progress = ControlRecord(controls[1], &SkinRecord::progressBars);
  const UpDownState* upDown = ControlRecord(controls[2], &SkinRecord::upDowns);
  REQUIRE(bar);
  REQUIRE(progress);
  REQUIRE(upDown);
  for (HWND c : controls) DestroyWindow(c);
  CHECK(r.trackbars[0].hwnd == nullptr);
  CHECK(r.progressBars[0].hwnd == nullptr);
  CHECK(r.upDowns[0].hwnd == nullptr);
  // A new control takes the free record again.
  HWND again = Add(w.window, TRACKBAR_CLASSA, WS_VISIBLE, 20, 40, 120, 30);
  AttachTrackbars(w.Id(), w.window);
  CHECK(r.trackbars.size() == 1);
  CHECK(r.trackbars[0].hwnd == again);
}

TEST_CASE("200 skinned windows of range controls and 2,000 paint and hover rounds leave GDI and USER counts flat") {
  InitControls();
  ParkCursor();
  auto addControls = [](HWND parent) {
    Add(parent, TRACKBAR_CLASSA, WS_VISIBLE | TBS_ENABLESELRANGE, 20, 40, 160, 30);
    Add(parent, PROGRESS_CLASSA, WS_VISIBLE, 20, 80, 160, 16);
    HWND buddy = Add(parent, "Edit", WS_VISIBLE, 20, 110, 60, 22);
    HWND ud = Add(parent, UPDOWN_CLASSA, WS_VISIBLE | UDS_ALIGNRIGHT | UDS_SETBUDDYINT, 0, 0, 16, 22);
    SendMessageA(ud, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
  };
  auto cycleWindow = [&] {
    SkinnedWindow w(0, 240, 160, {}, addControls);
    PumpMessages(0);
  };
  cycleWindow();
  {
    const quorlin::test::LeakBaseline baseline;
    const size_t cached = DcBitmapCacheSize();
    const DWORD start = GetTickCount();
    for (int i = 0; i < 200; ++i) cycleWindow();
    SkinRegistry.clear();
    MESSAGE("200 windows in " << (GetTickCount() - start) << " ms");
    CHECK(baseline.GdiGrowth() == 0);
    CHECK(baseline.UserGrowth() == 0);
    CHECK(DcBitmapCacheSize() == cached);
  }

  SkinnedWindow w(0, 240, 160, {}, addControls);
  HWND bar = FindWindowExA(w.window, nullptr, TRACKBAR_CLASSA, nullptr);
  HWND progress = FindWindowExA(w.window, nullptr, PROGRESS_CLASSA, nullptr);
  HWND ud = FindWindowExA(w.window, nullptr, UPDOWN_CLASSA, nullptr);
  const RECT u = ScreenRect(ud);
  const int uh = u.bottom - u.top;
  auto round = [&](int i) {
    SendMessageA(bar, WM_MOUSEMOVE, 0, Point(10, 10));
    SendMessageA(bar, TBM_SETPOS, TRUE, i % 100);
    UpdateWindow(bar);
    SendMessageA(bar, WM_MOUSELEAVE, 0, 0);
    SendMessageA(progress, PBM_SETPOS, i % 100, 0);
    UpdateWindow(progress);
    SendMessageA(ud, WM_MOUSEMOVE, 0, Point(4, 2));
    SendMessageA(ud, WM_MOUSEMOVE, 0, Point(4, uh - 2));
    SendMessageA(ud, WM_MOUSELEAVE, 0, 0);
    Drain();
  };
  for (int i = 0; i < 20; ++i) round(i);
  const quorlin::test::LeakBaseline baseline;
  const size_t cached = DcBitmapCacheSize();
  const DWORD start = GetTickCount();
  for (int i = 0; i < 2000; ++i) round(i);
  MESSAGE("2,000 rounds in " << (GetTickCount() - start) << " ms");
  CHECK(baseline.GdiGrowth() == 0);
  CHECK(baseline.UserGrowth() == 0);
  CHECK(DcBitmapCacheSize() == cached);
}
