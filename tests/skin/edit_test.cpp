// Skinned edit fields on a skinned window: veil, border, hot frame, overlay
// scroll bars and the translucency switch.
#include <doctest/doctest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "skin/controls/edit.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"
#include "skinned_window.h"
#include "window_probe.h"

using namespace quorlin::skin;
using quorlin::test::AddChild;
using quorlin::test::SkinnedWindow;

namespace {

HWND plainEdit = nullptr, scrollingEdit = nullptr, hiddenEdit = nullptr;

void AddEdits(HWND parent) {
  plainEdit = AddChild(parent, "Edit", WS_VISIBLE, WS_EX_CLIENTEDGE, 40, 60, 200, 24);
  scrollingEdit = AddChild(parent, "Edit", WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL,
                           WS_EX_CLIENTEDGE, 40, 100, 220, 150);
  hiddenEdit = AddChild(parent, "Edit", WS_VSCROLL | ES_MULTILINE, WS_EX_CLIENTEDGE, 300, 100, 120, 100);
}

const EditState& StateOf(HWND field) { return *ControlRecord(field, &SkinRecord::edits); }

// Composite pixel at a point given in the field's window coordinates.
COLORREF CompositeAt(const SkinnedWindow& w, HWND field, int x, int y) {
  const RECT r = WindowRectInSkin(field);
  return GetPixel(w.Record().frameSnapshotDc, r.left + x, r.top + y);
}

int Near(int a, int b) { return a > b ? a - b : b - a; }

RECT ScreenRect(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  return r;
}

}  // namespace

TEST_CASE("a field shows the background behind it through a white veil") {
  SkinnedWindow w(WS_MINIMIZEBOX, 444, 314, {.resizable = 0}, AddEdits);
  REQUIRE(VeilAlpha == 100);
  REQUIRE(TranslucentControls == 1);
  InvalidateRect(plainEdit, nullptr, TRUE);
  UpdateWindow(plainEdit);
  const RECT client = ClientRectInSkin(plainEdit);
  const COLORREF behind = w.BackBufferPixel(client.left + 180, client.top + 10);
  const auto shot = quorlin::test::CaptureClient(plainEdit, RECT{180, 10, 181, 11});
  const COLORREF seen = shot.At(0, 0);
  auto veiled = [](int c) { return c + (255 - c) * 100 / 255; };
  CHECK(Near(GetRValue(seen), veiled(GetRValue(behind))) <= 3);
  CHECK(Near(GetGValue(seen), veiled(GetGValue(behind))) <= 3);
  CHECK(Near(GetBValue(seen), veiled(GetBValue(behind))) <= 3);
}

TEST_CASE("border: dark when idle, accent when focused, the hot frame once per entry") {
  SkinnedWindow w(WS_MINIMIZEBOX, 444, 314, {.resizable = 0}, AddEdits);
  PaintEditFrame(plainEdit, false, true, false, true);
  const COLORREF idle = CompositeAt(w, plainEdit, 0, 12);
  PaintEditFrame(plainEdit, true, true, false, true);
  const COLORREF focused = CompositeAt(w, plainEdit, 0, 12);
  CHECK(GetRValue(focused) + 40 < GetRValue(idle));      // accent red is 0x22
  CHECK(GetBValue(focused) > GetRValue(focused) + 100);  // accent blue is 0xDD

  SendMessageA(plainEdit, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  const SkinRecord& r = w.Record();
  CHECK(StateOf(plainEdit).hot);
  CHECK(r.hotControlKind == 1);
  CHECK(r.hotControlId == GetIntProp(plainEdit, PropSkinId));
  CHECK(r.hotControlParent == w.window);
  // A second move inside the field repaints nothing: a mark on the ring stays.
  const RECT place = WindowRectInSkin(plainEdit);
  SetPixel(r.frameSnapshotDc, place.left, place.top + 12, RGB(255, 0, 0));
  SendMessageA(plainEdit, WM_MOUSEMOVE, 0, MAKELPARAM(6, 5));
  CHECK(CompositeAt(w, plainEdit, 0, 12) == RGB(255, 0, 0));
  SendMessageA(plainEdit, WM_MOUSELEAVE, 0, 0);
  CHECK_FALSE(StateOf(plainEdit).hot);
  CHECK(r.hotControlId == 0);
  CHECK(CompositeAt(w, plainEdit, 0, 12) != RGB(255, 0, 0));
}

TEST_CASE("overlay scroll bars") {
  SkinnedWindow w(WS_MINIMIZEBOX, 444, 314, {.resizable = 0}, AddEdits);
  CHECK(StateOf(plainEdit).verticalOverlay == nullptr);
  CHECK(StateOf(plainEdit).horizontalOverlay == nullptr);
  HWND vertical = StateOf(scrollingEdit).verticalOverlay;
  HWND horizontal = StateOf(scrollingEdit).horizontalOverlay;
  REQUIRE(vertical);
  REQUIRE(horizontal);
  CHECK(GetParent(vertical) == w.window);
  CHECK((GetWindowLongPtrA(vertical, GWL_STYLE) & WS_DISABLED) != 0);

  SUBCASE("they lie on the system scroll bars and never take input") {
    SCROLLBARINFO info = {};
    info.cbSize = sizeof info;
    GetScrollBarInfo(scrollingEdit, OBJID_VSCROLL, &info);
    const RECT placed = ScreenRect(vertical);
    CHECK(placed.left == info.rcScrollBar.left);
    CHECK(placed.top == info.rcScrollBar.top);
    CHECK(placed.bottom == info.rcScrollBar.bottom);
    CHECK(SendMessageA(vertical, WM_NCHITTEST, 0, MAKELPARAM(placed.left + 2, placed.top + 2)) == HTTRANSPARENT);
    CHECK(SendMessageA(vertical, WM_MOUSEACTIVATE, 0, 0) == MA_NOACTIVATE);
  }
  SUBCASE("hit tests name the part under the mouse") {
    std::string lines;
    for (int i = 0; i < 60; ++i) lines += "line " + std::to_string(i) + "\r\n";
    SetWindowTextA(scrollingEdit, lines.c_str());
    PaintVerticalOverlay(scrollingEdit, OverlayNone);
    const EditState& s = StateOf(scrollingEdit);
    const RECT o = ScreenRect(vertical);
    auto at = [&](int x, int y) { return HitTestVerticalOverlay(scrollingEdit, MAKELPARAM(o.left + x, o.top + y)); };
    const RECT thumb = s.verticalParts[2];
    CHECK(at(5, 5) == OverlayFirstArrow);
    CHECK(at(5, (o.bottom - o.top) - 5) == OverlaySecondArrow);
    CHECK(at(5, (thumb.top + thumb.bottom) / 2) == OverlayThumb);
    CHECK(thumb.bottom + 5 < (o.bottom - o.top) - 17);
    CHECK(at(5, thumb.bottom + 5) == OverlayNone);
  }
  SUBCASE("an invisible field's overlays wait hidden and move onto the bars when it shows") {
    HWND waiting = StateOf(hiddenEdit).verticalOverlay;
    REQUIRE(waiting);
    CHECK_FALSE(IsWindowVisible(waiting));
    RECT r = ScreenRect(waiting);
    CHECK(r.right - r.left == 10);
    CHECK(r.bottom - r.top == 10);
    ShowWindow(hiddenEdit, SW_SHOWNA);
    CHECK(IsWindowVisible(waiting));
    SCROLLBARINFO info = {};
    info.cbSize = sizeof info;
    GetScrollBarInfo(hiddenEdit, OBJID_VSCROLL, &info);
    r = ScreenRect(waiting);
    CHECK(r.left == info.rcScrollBar.left);
    CHECK(r.top == info.rcScrollBar.top);
  }
  SUBCASE("overlays go with their field") {
    DestroyWindow(scrollingEdit);
    CHECK_FALSE(IsWindow(vertical));
    CHECK_FALSE(IsWindow(horizontal));
  }
}

TEST_CASE("the overlay scroll bar of a multiline field stays on screen through hover, scrolling, typing and focus") {
  HWND field = nullptr, other = nullptr;
  SkinnedWindow w(WS_MINIMIZEBOX, 444, 314, {.resizable = 0}, [&](HWND parent) {
    field = AddChild(parent, "Edit", WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE, 40,
                     60, 220, 150);
    other = AddChild(parent, "Edit", WS_VISIBLE, WS_EX_CLIENTEDGE, 280, 60, 120, 24);
  });
  std::string text;
  for (int i = 1; i <= 30; ++i) text += "line " + std::to_string(i) + "\r\n";
  SetWindowTextA(field, text.c_str());
  SendMessageA(field, EM_SETSEL, 0, 0);
  SendMessageA(field, EM_SCROLLCARET, 0, 0);
  quorlin::test::PumpMessages(100);
  HWND overlay = StateOf(field).verticalOverlay;
  REQUIRE(overlay);
  // The overlay on the screen: its two arrow buttons (the thumb may move).
  RECT bar;
  GetWindowRect(overlay, &bar);
  MapWindowPoints(HWND_DESKTOP, w.window, reinterpret_cast<POINT*>(&bar), 2);
  const RECT arrows[] = {{bar.left, bar.top, bar.right, bar.top + 17}, {bar.left, bar.bottom - 17, bar.right, bar.bottom}};
  auto shoot = [&] {
    std::basic_string<COLORREF> pixels;
    for (const RECT& a : arrows) pixels += quorlin::test::CaptureScreen(w.window, a).pixels;
    return pixels;
  };
  const auto skinned = shoot();
  // Not the plain background: the overlay really is what was captured.
  int differsFromFrame = 0;
  for (int y = arrows[0].top; y < arrows[0].bottom; ++y)
    for (int x = arrows[0].left; x < arrows[0].right; ++x)
      if (quorlin::test::CaptureScreen(w.window, RECT{x, y, x + 1, y + 1}).At(0, 0) != w.BackBufferPixel(x, y))
        ++differsFromFrame;
  REQUIRE(differsFromFrame > 20);

  const LPARAM inside = MAKELPARAM(20, 20);
  struct Step { const char* name; std::function<void()> act; };
  const Step steps[] = {
      {"mouse enters", [&] { SendMessageA(field, WM_MOUSEMOVE, 0, inside); }},
      {"mouse leaves", [&] { SendMessageA(field, WM_MOUSELEAVE, 0, 0); }},
      {"focus", [&] { SetFocus(field); }},
      {"line down", [&] { SendMessageA(field, WM_VSCROLL, SB_LINEDOWN, 0); }},
      {"typing", [&] { SendMessageA(field, WM_CHAR, 'x', 1); }},
      {"focus lost", [&] { SetFocus(other); }},
      {"mouse enters again", [&] { SendMessageA(field, WM_MOUSEMOVE, 0, inside); }},
  };
  for (const Step& step : steps) {
    CAPTURE(std::string(step.name));
    step.act();
    CHECK(shoot() == skinned);  // at once, not only after a later repaint
    quorlin::test::PumpMessages(60);
    CHECK(shoot() == skinned);
  }
}

TEST_CASE("with translucency off the ring is opaque white and erasing is the system's") {
  SkinnedWindow w(WS_MINIMIZEBOX, 444, 314, {.resizable = 0}, AddEdits);
  TranslucentControls = 0;
  PaintEditFrame(plainEdit, false, true, false, true);
  CHECK(CompositeAt(w, plainEdit, 1, 12) == RGB(255, 255, 255));
  TranslucentControls = 1;
  PaintEditFrame(plainEdit, false, true, false, true);
  CHECK(CompositeAt(w, plainEdit, 1, 12) != RGB(255, 255, 255));
}
