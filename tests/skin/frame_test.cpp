// The skinned frame on real windows: caption row, hover fades, press and
// click, maximizing, frame pixels and teardown.
#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "frame_probe.h"
#include "graphics/drawing.h"
#include "leak_check.h"
#include "skin/chrome/caption_row.h"
#include "skin/chrome/frame_paint.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"
#include "skinned_window.h"
#include "window_probe.h"

using namespace quorlin::skin;
using quorlin::test::Red;
using quorlin::test::SkinnedWindow;

namespace {

constexpr DWORD BothBoxes = WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

LRESULT Send(HWND w, UINT m, int x, int y) { return SendMessageA(w, m, 0, MAKELPARAM(x, y)); }
void Tick(HWND w, int n) {
  for (int i = 0; i < n; ++i) SendMessageA(w, WM_TIMER, reinterpret_cast<WPARAM>(w), 0);
}
int Luma(COLORREF c) { return (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3; }

// One step of a border drag as the system's sizing loop makes it: the sizing
// message, the new size and the repaints it causes.
void DragStep(HWND w, SIZE size) {
  RECT proposed = {50, 50, 50 + size.cx, 50 + size.cy};
  SendMessageA(w, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&proposed));
  SetWindowPos(w, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  quorlin::test::PumpMessages(30);
}

void EndDrag(HWND w) {
  SendMessageA(w, WM_EXITSIZEMOVE, 0, 0);
  quorlin::test::PumpMessages(50);
}

bool HasWindowRegion(HWND w) {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  const bool has = GetWindowRgn(w, region) != ERROR;
  DeleteObject(region);
  return has;
}

SIZE BitmapSizeIn(HDC dc) {
  BITMAP b = {};
  GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof b, &b);
  return SIZE{b.bmWidth, b.bmHeight};
}

// Frame recalculations of the windows of this thread while a counter lives.
struct FrameRecalculations {
  static inline int count = 0;
  HHOOK hook;
  FrameRecalculations() : hook(SetWindowsHookExA(WH_CALLWNDPROC, Count, nullptr, GetCurrentThreadId())) { count = 0; }
  ~FrameRecalculations() { UnhookWindowsHookEx(hook); }
  static LRESULT CALLBACK Count(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && reinterpret_cast<const CWPSTRUCT*>(lParam)->message == WM_NCCALCSIZE) ++count;
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
};

// The w x h pixels at the top left of a memory DC's bitmap, row by row.
std::vector<COLORREF> SurfacePixels(HDC dc, int w, int h) {
  std::vector<COLORREF> p(static_cast<size_t>(w) * h);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB};
  HBITMAP copy = CreateCompatibleBitmap(dc, w, h);
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, copy);
  BitBlt(mem, 0, 0, w, h, dc, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  GetDIBits(mem, copy, 0, static_cast<UINT>(h), p.data(), &info, DIB_RGB_COLORS);
  DeleteDC(mem);
  DeleteObject(copy);
  for (COLORREF& c : p) c &= 0xFFFFFF;
  return p;
}

// How far two pictures of the same size lie apart: the mean difference of
// each channel and the largest of any channel of any pixel.
struct PictureDistance {
  double meanRed = 0, meanGreen = 0, meanBlue = 0;
  int largest = 0;
  double Mean() const { return std::max({meanRed, meanGreen, meanBlue}); }
};

PictureDistance DistanceOf(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
  PictureDistance d;
  if (a.size() != b.size() || a.empty()) return PictureDistance{255, 255, 255, 255};
  double sums[3] = {};
  for (size_t i = 0; i < a.size(); ++i)
    for (int c = 0; c < 3; ++c) {
      const int da = std::abs(static_cast<int>((a[i] >> (8 * c)) & 0xFF) - static_cast<int>((b[i] >> (8 * c)) & 0xFF));
      sums[c] += da;
      d.largest = std::max(d.largest, da);
    }
  d.meanBlue = sums[0] / a.size();  // DIB words hold blue in their low byte
  d.meanGreen = sums[1] / a.size();
  d.meanRed = sums[2] / a.size();
  return d;
}

}  // namespace

TEST_CASE("caption row of a window with both boxes") {
  SkinnedWindow w(BothBoxes, 600, 400);
  const SkinRecord& r = w.Record();
  REQUIRE(r.captionButtons.size() == 3);
  CHECK(r.captionRowWidth == 95);
  CHECK(r.captionRowX == 600 - 94);
  const float xs[] = {508, 535, 562}, widths[] = {26, 26, 40};
  for (int i = 0; i < 3; ++i) {
    CAPTURE(i);
    CHECK(r.captionButtons[i].rect.x == xs[i]);
    CHECK(r.captionButtons[i].rect.width == widths[i]);
    CHECK(r.captionButtons[i].rect.y == 1);
    CHECK(r.captionButtons[i].rect.height == 18);
  }
  struct Hit { int x, y, button; };
  const Hit hits[] = {{520, 10, 1}, {548, 10, 2}, {580, 10, 3}, {508, 10, 0}, {534, 10, 0},
                      {535, 10, 0}, {520, 1, 0},  {520, 19, 0}, {400, 10, 0}, {601, 10, 3}, {602, 10, 0}};
  for (const Hit& h : hits) {
    CAPTURE(h.x);
    CAPTURE(h.y);
    CHECK(HitTestCaptionButton(r, h.x, h.y) == h.button);
  }
  // The close button reaches 2 pixels past the client area; the row follows
  // the right edge.
  SetWindowPos(w.window, nullptr, 0, 0, 700, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CHECK(w.Record().captionRowX == 700 - 94);
  CHECK(w.Record().captionButtons[2].rect.x == 662);
}

TEST_CASE("a press on a caption button acts on release, wherever the mouse is then") {
  SkinnedWindow w(BothBoxes, 600, 400);
  Send(w.window, WM_MOUSEMOVE, 548, 10);
  Send(w.window, WM_LBUTTONDOWN, 548, 10);
  CHECK(lastCaptionHit == 2);
  Send(w.window, WM_LBUTTONUP, 300, 300);
  CHECK(w.Record().maximized);
  CHECK(w.Record().captionButtons[1].name == "还原");
  // Moving off every button before the release cancels.
  Send(w.window, WM_LBUTTONDOWN, 548, 10);
  Send(w.window, WM_MOUSEMOVE, 300, 300);
  Send(w.window, WM_LBUTTONUP, 300, 300);
  CHECK(w.Record().maximized);
}

TEST_CASE("a caption button acts once per press: a double click toggles twice, a release without a press never") {
  SkinnedWindow w(BothBoxes, 600, 400);
  int toggles = 0;
  bool was = w.Record().maximized;
  auto count = [&] {
    if (w.Record().maximized != was) ++toggles;
    was = w.Record().maximized;
  };
  // A real double click on the maximize button: down, up, double click, up.
  for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
    Send(w.window, message, 548, 10);
    count();
  }
  CHECK(toggles == 2);
  CHECK_FALSE(w.Record().maximized);
  // Hovering a button and releasing there, with the press elsewhere, does nothing.
  Send(w.window, WM_LBUTTONDOWN, 300, 300);
  Send(w.window, WM_MOUSEMOVE, 548, 10);
  Send(w.window, WM_LBUTTONUP, 548, 10);
  count();
  Send(w.window, WM_LBUTTONUP, 548, 10);
  count();
  CHECK(toggles == 2);
}

TEST_CASE("hover fades run on one timer, in and out") {
  SkinnedWindow w(BothBoxes, 600, 400);
  const int px = 511, py = 4;          // inside button 1, away from its glyph
  const int qx = 538, qy = 4;          // the same place in button 2
  const COLORREF plain1 = w.BackBufferPixel(px, py), plain2 = w.BackBufferPixel(qx, qy);

  Send(w.window, WM_MOUSEMOVE, 520, 10);
  SendMessageA(w.window, WM_MOUSEHOVER, 0, 0);  // what TrackMouseEvent sends 1 ms later
  CHECK(w.Record().hoverTimerRunning);
  CHECK(w.Record().hotCaptionButton == 1);
  Tick(w.window, 4);
  const COLORREF half = w.BackBufferPixel(px, py);
  Tick(w.window, 4);
  const COLORREF full = w.BackBufferPixel(px, py);
  CHECK(w.Record().fadeIn.step == 8);
  CHECK(Red(half) < Red(plain1));  // the accent wash has little red
  CHECK(Red(full) < Red(half));
  Tick(w.window, 1);
  CHECK(w.BackBufferPixel(px, py) == full);  // 240 is the end

  Send(w.window, WM_MOUSEMOVE, 547, 10);  // onto the next button
  CHECK(w.Record().fadeOut.button == 1);
  CHECK(w.Record().fadeIn.button == 2);
  Tick(w.window, 8);
  CHECK(w.BackBufferPixel(px, py) == plain1);
  CHECK(Red(w.BackBufferPixel(qx, qy)) < Red(plain2));

  // Leaving fades the hot button out and stops the timer.
  SendMessageA(w.window, WM_MOUSELEAVE, 0, 0);
  CHECK(w.Record().hotCaptionButton == 0);
  Tick(w.window, 8);
  CHECK_FALSE(w.Record().hoverTimerRunning);
  CHECK(w.Record().fadeOut.button == 0);
  CHECK(w.BackBufferPixel(qx, qy) == plain2);
}

TEST_CASE("maximizing: the restore glyph, and a title double click only when resizable") {
  SUBCASE("not resizable: a double click on the title does nothing") {
    SkinnedWindow w(BothBoxes, 600, 400, {.resizable = 0});
    Send(w.window, WM_LBUTTONDBLCLK, 100, 10);
    CHECK_FALSE(w.Record().maximized);
  }
  SUBCASE("resizable: it maximizes") {
    SkinnedWindow w(BothBoxes, 600, 400);
    Send(w.window, WM_LBUTTONDBLCLK, 100, 10);
    CHECK(w.Record().maximized);
  }
  SUBCASE("the maximize button shows the restore glyph while maximized") {
    SkinnedWindow w(BothBoxes, 600, 400);
    auto buttonPixels = [&] {
      std::vector<COLORREF> p;
      for (int y = 2; y < 19; ++y)
        for (int x = 535; x < 560; ++x) p.push_back(w.BackBufferPixel(x, y));
      return p;
    };
    const auto normal = buttonPixels();
    w.Record().maximized = true;
    PaintCaptionButton(w.Id(), 2, true, false, 0);
    const auto restore = buttonPixels();
    CHECK(restore != normal);
    w.Record().maximized = false;
    PaintCaptionButton(w.Id(), 2, true, false, 0);
    CHECK(buttonPixels() == normal);
  }
  SUBCASE("a full-screen client is corrected once to the work area") {
    SkinnedWindow w(BothBoxes, 600, 400);
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    SetWindowPos(w.window, nullptr, 0, 0, sw, sh, SWP_NOZORDER | SWP_NOACTIVATE);
    CHECK(w.Record().maximized);
    const SIZE work = CurrentWorkAreaSize();
    RECT r;
    GetWindowRect(w.window, &r);
    CHECK(r.right - r.left == work.cx);
    CHECK(r.bottom - r.top == work.cy);
  }
}

TEST_CASE("kept images follow what they were made from") {
  SkinnedWindow w(BothBoxes, 600, 400);
  auto pixels = [&](int x0, int y0, int x1, int y1) {
    std::vector<COLORREF> p;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) p.push_back(w.BackBufferPixel(x, y));
    return p;
  };
  auto maximizeButton = [&] { return pixels(533, 2, 562, 21); };

  SUBCASE("hover looks: the same look again, another glyph, a new frame") {
    PaintCaptionButton(w.Id(), 2, false, false, 240);
    const auto composed = maximizeButton();
    PaintCaptionButton(w.Id(), 2, false, false, 0);
    PaintCaptionButton(w.Id(), 2, false, false, 240);
    CHECK(maximizeButton() == composed);  // the kept look is the composed one

    w.Record().maximized = true;  // the restore glyph, with no full repaint
    PaintCaptionButton(w.Id(), 2, false, false, 240);
    CHECK(maximizeButton() != composed);
    w.Record().maximized = false;

    w.Record().tintColour = 0x0000FF;  // a new frame beneath the buttons
    w.Record().tintAlpha = 200;
    PaintFrame(w.Id(), false);
    PaintCaptionButton(w.Id(), 2, false, false, 240);
    CHECK(maximizeButton() != composed);
  }

  SUBCASE("hover looks: the accent colour, and a caption row moved by a resize") {
    PaintCaptionButton(w.Id(), 2, false, false, 240);
    const auto composed = maximizeButton();
    const COLORREF accent = AccentColour;
    AccentColour = 0x2040F0;
    PaintCaptionButton(w.Id(), 2, false, false, 240);
    CHECK(maximizeButton() != composed);
    AccentColour = accent;
    PaintCaptionButton(w.Id(), 2, false, false, 240);
    CHECK(maximizeButton() == composed);

    // Wider: the row moves right; the hover look shows there, over the
    // background of its new place, and the old place shows no button look.
    SetWindowPos(w.window, nullptr, 0, 0, 700, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    quorlin::test::PumpMessages(50);
    const auto plainOld = maximizeButton();
    const int dx = 100;
    auto movedButton = [&] { return pixels(533 + dx, 2, 562 + dx, 21); };
    PaintCaptionButton(w.Id(), 2, false, false, 0);  // the plain look, as a fade ends
    const auto plainNew = movedButton();
    PaintCaptionButton(w.Id(), 2, false, false, 240);
    CHECK(movedButton() != plainNew);
    CHECK(movedButton() != composed);
    CHECK(maximizeButton() == plainOld);
    PaintCaptionButton(w.Id(), 2, false, false, 0);
    CHECK(movedButton() == plainNew);
  }

  SUBCASE("caption glyphs: another picture shows, the first one comes back") {
    auto minimizeButton = [&] { return pixels(506, 2, 535, 21); };
    const auto first = minimizeButton();
    const std::string glyph = w.Record().captionButtons[0].glyph;
    w.Record().captionButtons[0].glyph = w.Record().captionButtons[2].glyph;  // the close glyph
    PaintFrame(w.Id(), false);
    CHECK(minimizeButton() != first);
    w.Record().captionButtons[0].glyph = glyph;
    PaintFrame(w.Id(), false);
    CHECK(minimizeButton() == first);
  }

  SUBCASE("background layer: each change shows, and undoing it brings the first frame back") {
    const auto first = pixels(0, 0, 600, 400);
    struct Change { std::string name; std::function<void(SkinRecord&)> apply, undo; };
    const Change changes[] = {
        {"tint", [](SkinRecord& r) { r.tintColour = 0x00FF00; }, [](SkinRecord& r) { r.tintColour = -1; }},
        {"placement", [](SkinRecord& r) { r.backgroundMode = 2; }, [](SkinRecord& r) { r.backgroundMode = 3; }},
        {"picture", [](SkinRecord& r) { r.backgroundPicture.clear(); }, [](SkinRecord&) {}},
        {"outline", [](SkinRecord& r) { r.frameEnabled = false; }, [](SkinRecord& r) { r.frameEnabled = true; }},
    };
    REQUIRE(w.Record().backgroundMode == 3);
    REQUIRE(w.Record().tintColour == -1);
    for (const Change& c : changes) {
      CAPTURE(c.name);
      const std::string picture = w.Record().backgroundPicture;
      c.apply(w.Record());
      PaintFrame(w.Id(), false);
      CHECK(pixels(0, 0, 600, 400) != first);
      w.Record().backgroundPicture = picture;
      c.undo(w.Record());  // the picture comes back above
      PaintFrame(w.Id(), false);
      CHECK(pixels(0, 0, 600, 400) == first);
    }
    // Another size paints the picture anew at that size.
    SetWindowPos(w.window, nullptr, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PaintFrame(w.Id(), false);
    CHECK(w.Record().backgroundLayerKey.width == 500);
    CHECK(pixels(250, 150, 260, 160) != std::vector<COLORREF>(100, 0));
  }
}

TEST_CASE("every size change of a resizable window shows: region and caption buttons follow the edge") {
  SkinnedWindow w(BothBoxes, 500, 300);
  struct Size { int cx, cy; };
  for (const Size size : {Size{500, 300}, Size{760, 420}, Size{420, 260}, Size{500, 300}}) {
    CAPTURE(size.cx);
    CAPTURE(size.cy);
    SetWindowPos(w.window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    quorlin::test::PumpMessages(100);
    const RECT box = quorlin::test::WindowRegionBox(w.window);
    CHECK(box.right == size.cx);
    CHECK(box.bottom == size.cy);
    const RECT buttons = quorlin::test::CaptionButtonsArea(w.window);
    CHECK(buttons.right >= size.cx - 5);
    CHECK(quorlin::test::ScreenMismatchesBackBuffer(w.window, buttons) == 0);
  }
}

TEST_CASE("a long title, then a short one: the caption row never changes and no old text remains") {
  SkinnedWindow w(BothBoxes, 600, 400);
  const SkinRecord& r = w.Record();
  const RECT row = {r.captionRowX, 0, 597, r.captionHeight};
  const RECT band = {0, 0, r.captionRowX, 44};
  auto screen = [&](const RECT& area) { return quorlin::test::CaptureScreen(w.window, area).pixels; };
  const auto rowBefore = screen(row);
  std::string longTitle;
  for (int i = 0; i < 12; ++i) longTitle += "Quorlin 视频 ";
  SetWindowTextA(w.window, longTitle.c_str());
  quorlin::test::PumpMessages(50);
  CHECK(screen(row) == rowBefore);
  SetWindowTextA(w.window, "Q");
  quorlin::test::PumpMessages(50);
  CHECK(screen(row) == rowBefore);
  const auto shortTitle = screen(band);
  // A full repaint with the short title draws the same band.
  w.Record().fullRepaintNeeded = true;
  InvalidateRect(w.window, nullptr, FALSE);
  UpdateWindow(w.window);
  quorlin::test::PumpMessages(50);
  CHECK(screen(band) == shortTitle);
}

TEST_CASE("the full-quality frame shows the picture as GDI+ stretches it, at the window's sizes and any other") {
  struct Size { int cx, cy; };
  for (const Size size : {Size{444, 314}, Size{700, 314}, Size{523, 407}, Size{1280, 800}}) {
    CAPTURE(size.cx);
    CAPTURE(size.cy);
    SkinnedWindow w(WS_MINIMIZEBOX, size.cx, size.cy, {.resizable = 0});
    REQUIRE(w.Record().backgroundMode == 3);
    REQUIRE(w.Record().lastClientWidth == size.cx);
    auto fresh = [&](bool platform) {
      PlatformPictureStretch = platform;
      ForgetKeptBackgrounds(w.Record());
      PaintFrame(w.Id(), true);
      PlatformPictureStretch = false;
      return SurfacePixels(w.Record().backBufferDc, size.cx, size.cy);
    };
    const auto reference = fresh(true);
    const auto own = fresh(false);
    const PictureDistance d = DistanceOf(own, reference);
    MESSAGE("mean difference ", d.meanRed, " / ", d.meanGreen, " / ", d.meanBlue, ", largest ", d.largest);
    CHECK(d.Mean() <= 1.0);
    CHECK(d.largest <= 8);
    // And that is what reaches the screen.
    CHECK(quorlin::test::ScreenMismatchesBackBuffer(w.window, RECT{8, 30, std::min(size.cx, 600) - 8, 300}) == 0);
  }
}

TEST_CASE("the background kept per size follows a new picture, a new size and a new tint") {
  SkinnedWindow w(WS_MINIMIZEBOX, 444, 314, {.resizable = 0});
  auto resize = [&](int cx) {
    SetWindowPos(w.window, nullptr, 0, 0, cx, 314, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    quorlin::test::PumpMessages(30);
    REQUIRE(w.Record().lastClientWidth == cx);
  };
  // A mark on every layer kept for another size: a frame that shows it was
  // copied from a kept layer, not painted.
  constexpr COLORREF Mark = RGB(1, 254, 3);
  auto markKeptLayers = [&] {
    for (KeptBackgroundLayer& kept : w.Record().otherBackgroundLayers) SetPixel(kept.layer.dc(), 200, 150, Mark);
  };
  auto marked = [&] { return w.BackBufferPixel(200, 150) == Mark; };

  struct Change { const char* name; std::function<void(SkinRecord&)> apply; int size; bool reused; };
  const Change changes[] = {
      {"nothing: the size comes back", [](SkinRecord&) {}, 444, true},
      {"a new picture", [](SkinRecord& r) { r.backgroundPicture.push_back('\0'); }, 444, false},
      {"a new tint", [](SkinRecord& r) { r.tintColour = 0x00FF00; r.tintAlpha = 60; }, 444, false},
      {"a new size", [](SkinRecord&) {}, 500, false},
  };
  for (const Change& c : changes) {
    CAPTURE(c.name);
    resize(444);
    resize(700);  // the 444-wide layer is kept aside
    REQUIRE_FALSE(w.Record().otherBackgroundLayers.empty());
    const std::string picture = w.Record().backgroundPicture;
    const long tint = w.Record().tintColour;
    c.apply(w.Record());
    markKeptLayers();
    resize(c.size);
    CHECK(marked() == c.reused);
    if (!c.reused) {
      // The frame is the one a repaint with nothing kept paints.
      const auto shown = SurfacePixels(w.Record().backBufferDc, c.size, 314);
      ForgetKeptBackgrounds(w.Record());
      PaintFrame(w.Id(), false);
      CHECK(SurfacePixels(w.Record().backBufferDc, c.size, 314) == shown);
    }
    w.Record().backgroundPicture = picture;
    w.Record().tintColour = tint;
  }
}

TEST_CASE("resizing between kept sizes and new ones 200 times leaves GDI and USER counts flat") {
  SkinnedWindow w(WS_MINIMIZEBOX, 444, 314, {.resizable = 0});
  auto cycle = [&](int i) {
    for (const int cx : {700, 444, 500 + i % 7}) {
      SetWindowPos(w.window, nullptr, 0, 0, cx, 314, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      PaintFrame(w.Id(), true);
    }
  };
  for (int i = 0; i < 10; ++i) cycle(i);
  const quorlin::test::LeakBaseline baseline;
  for (int i = 0; i < 200; ++i) cycle(i);
  CHECK(w.Record().otherBackgroundLayers.size() <= 2);
  CHECK(baseline.GdiGrowth() <= 2);
  CHECK(baseline.UserGrowth() <= 1);
}

TEST_CASE("a caption glyph is decoded once for every window that shows it") {
  SkinnedWindow first(BothBoxes, 500, 300);
  SkinnedWindow second(BothBoxes, 400, 300);
  REQUIRE_FALSE(first.Record().captionGlyphs.empty());
  int shared = 0;
  for (const DecodedCaptionGlyph& a : first.Record().captionGlyphs)
    for (const DecodedCaptionGlyph& b : second.Record().captionGlyphs)
      if (a.png == b.png) {
        CHECK(a.image == b.image);
        ++shared;
      }
  CHECK(shared == static_cast<int>(first.Record().captionButtons.size()));
}

TEST_CASE("a border drag paints drafts; the frame at its end is the full-quality frame, pixel for pixel") {
  SkinnedWindow w(BothBoxes, 500, 300);
  auto backBuffer = [&] {
    const SIZE s = {w.Record().lastClientWidth, w.Record().lastClientHeight};
    std::vector<COLORREF> p;
    for (int y = 0; y < s.cy; ++y)
      for (int x = 0; x < s.cx; ++x) p.push_back(w.BackBufferPixel(x, y));
    return p;
  };
  SendMessageA(w.window, WM_ENTERSIZEMOVE, 0, 0);
  for (const SIZE size : {SIZE{560, 340}, SIZE{610, 365}}) {
    RECT proposed = {50, 50, 50 + size.cx, 50 + size.cy};
    SendMessageA(w.window, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&proposed));
    SetWindowPos(w.window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    quorlin::test::PumpMessages(40);
    CHECK(w.Record().lastClientWidth == size.cx);
    CHECK(w.Record().backgroundLayerKey.draft);
  }
  const auto draft = backBuffer();
  SendMessageA(w.window, WM_EXITSIZEMOVE, 0, 0);
  quorlin::test::PumpMessages(40);
  CHECK_FALSE(w.Record().backgroundLayerKey.draft);
  const auto atEnd = backBuffer();
  CHECK(atEnd != draft);
  // The same size painted afresh, with nothing kept and no drag.
  ForgetKeptBackgrounds(w.Record());
  w.Record().fullRepaintNeeded = true;
  InvalidateRect(w.window, nullptr, FALSE);
  UpdateWindow(w.window);
  quorlin::test::PumpMessages(40);
  CHECK(backBuffer() == atEnd);
  CHECK(quorlin::test::ScreenMismatchesBackBuffer(w.window, RECT{10, 40, 600, 360}) == 0);
}

TEST_CASE("a border drag goes without the rounded region and draws into one set of surfaces; its end gives both back") {
  SkinnedWindow w(BothBoxes, 500, 300);
  REQUIRE(quorlin::test::WindowRegionBox(w.window).right == 500);
  SendMessageA(w.window, WM_ENTERSIZEMOVE, 0, 0);
  DragStep(w.window, SIZE{540, 320});
  CHECK(w.Record().draftFrame);
  CHECK_FALSE(HasWindowRegion(w.window));
  // The square corners show what the draft holds there.
  CHECK(quorlin::test::ScreenMismatchesBackBuffer(w.window, RECT{0, 0, 4, 4}) == 0);
  CHECK(quorlin::test::ScreenMismatchesBackBuffer(w.window, RECT{536, 316, 540, 320}) == 0);
  const HGDIOBJ backBuffer = GetCurrentObject(w.Record().backBufferDc, OBJ_BITMAP);
  const HGDIOBJ frameSnapshot = GetCurrentObject(w.Record().frameSnapshotDc, OBJ_BITMAP);
  for (const SIZE size : {SIZE{560, 335}, SIZE{520, 310}, SIZE{552, 318}}) {
    CAPTURE(size.cx);
    DragStep(w.window, size);
    CHECK(w.Record().lastClientWidth == size.cx);
    CHECK(GetCurrentObject(w.Record().backBufferDc, OBJ_BITMAP) == backBuffer);
    CHECK(GetCurrentObject(w.Record().frameSnapshotDc, OBJ_BITMAP) == frameSnapshot);
    const RECT buttons = quorlin::test::CaptionButtonsArea(w.window);
    CHECK(buttons.right >= size.cx - 5);
    CHECK(quorlin::test::ScreenMismatchesBackBuffer(w.window, RECT{0, 0, size.cx, size.cy}) == 0);
  }
  EndDrag(w.window);
  CHECK_FALSE(w.Record().draftFrame);
  const RECT box = quorlin::test::WindowRegionBox(w.window);
  CHECK(box.right == 552);
  CHECK(box.bottom == 318);
  // At rest nothing beyond the client area is kept.
  for (HDC surface : {w.Record().backBufferDc, w.Record().frameSnapshotDc}) {
    CHECK(BitmapSizeIn(surface).cx == 552);
    CHECK(BitmapSizeIn(surface).cy == 318);
  }
  CHECK(w.Record().backgroundLayer.width() == 552);
  CHECK(w.Record().backgroundLayer.height() == 318);
  CHECK(quorlin::test::ScreenMismatchesBackBuffer(w.window, RECT{10, 10, 540, 308}) == 0);
}

TEST_CASE("a full repaint at an unchanged size leaves the window region, and the frame, alone") {
  SkinnedWindow w(BothBoxes, 500, 300);
  {
    FrameRecalculations seen;
    PaintFrame(w.Id(), true);
    CHECK(seen.count == 0);
  }
  // The counter sees what a region renewal costs.
  SetWindowRgn(w.window, nullptr, TRUE);
  FrameRecalculations seen;
  PaintFrame(w.Id(), true);
  CHECK(seen.count > 0);
  const RECT box = quorlin::test::WindowRegionBox(w.window);
  CHECK(box.right == 500);
  CHECK(box.bottom == 300);
}

TEST_CASE("draft frames follow what they are made of: each change shows, and undoing it brings the first draft back") {
  SkinnedWindow w(BothBoxes, 500, 300);
  SendMessageA(w.window, WM_ENTERSIZEMOVE, 0, 0);
  DragStep(w.window, SIZE{560, 340});
  // The title strip and caption row of a draft at 560 x 340, as the back
  // buffer holds it and the screen shows it.
  auto draft = [&] {
    w.Record().fullRepaintNeeded = true;
    InvalidateRect(w.window, nullptr, FALSE);
    UpdateWindow(w.window);
    quorlin::test::PumpMessages(30);
    CHECK(w.Record().draftFrame);
    CHECK(quorlin::test::ScreenMismatchesBackBuffer(w.window, RECT{0, 0, w.Record().lastClientWidth, 30}) == 0);
    std::vector<COLORREF> p;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 560; ++x) p.push_back(w.BackBufferPixel(x, y));
    return p;
  };
  const auto first = draft();
  std::string glyph, picture;
  struct Change { std::string name; std::function<void(SkinRecord&)> apply, undo; };
  const Change changes[] = {
      {"title", [&](SkinRecord&) { SetWindowTextA(w.window, "Another title"); },
       [&](SkinRecord&) { SetWindowTextA(w.window, "Quorlin"); }},
      {"title font", [](SkinRecord& r) { r.titleFontBold = false; }, [](SkinRecord& r) { r.titleFontBold = true; }},
      {"maximized: the restore glyph", [](SkinRecord& r) { r.maximized = true; },
       [](SkinRecord& r) { r.maximized = false; }},
      {"a caption glyph",
       [&](SkinRecord& r) {
         glyph = r.captionButtons[0].glyph;
         r.captionButtons[0].glyph = r.captionButtons[2].glyph;
       },
       [&](SkinRecord& r) { r.captionButtons[0].glyph = glyph; }},
      {"size", [&](SkinRecord&) { DragStep(w.window, SIZE{600, 360}); },
       [&](SkinRecord&) { DragStep(w.window, SIZE{560, 340}); }},
      {"tint", [](SkinRecord& r) { r.tintColour = 0x00FF00; }, [](SkinRecord& r) { r.tintColour = -1; }},
      {"picture",
       [&](SkinRecord& r) {
         picture = r.backgroundPicture;
         const auto& tick = quorlin::assets::CheckMarkGlyph;
         r.backgroundPicture.assign(reinterpret_cast<const char*>(tick.data), tick.size);
       },
       [&](SkinRecord& r) { r.backgroundPicture = picture; }},
  };
  for (const Change& c : changes) {
    CAPTURE(c.name);
    c.apply(w.Record());
    CHECK(draft() != first);
    c.undo(w.Record());
    CHECK(draft() == first);
  }
  EndDrag(w.window);
  CHECK_FALSE(w.Record().draftFrame);
}

TEST_CASE("the outline is two rounded strokes, pixel for pixel, at any size") {
  SkinnedWindow w(BothBoxes, 300, 200);
  for (const SIZE size : {SIZE{300, 200}, SIZE{23, 19}, SIZE{640, 90}}) {
    CAPTURE(size.cx);
    SetWindowPos(w.window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    quorlin::test::PumpMessages(20);
    REQUIRE(w.Record().lastClientWidth == size.cx);
    // The same patterned background under both.
    DibSurface drawn(size.cx, size.cy), expected(size.cx, size.cy);
    REQUIRE(drawn);
    REQUIRE(expected);
    const size_t count = static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy);
    for (size_t i = 0; i < count; ++i) drawn.bits()[i] = expected.bits()[i] = 0xFF000000u | (i * 2654435761u >> 8);
    const std::vector<DWORD> background(drawn.bits(), drawn.bits() + count);
    {
      quorlin::graphics::Graphics g;
      g.FromHDC(drawn.dc());
      PaintOutline(w.Id(), g);
    }
    {
      // One stroke over the pixels taken as a bitmap.
      quorlin::graphics::Bitmap pixels;
      REQUIRE(pixels.FromScan0(size.cx, size.cy, size.cx * 4, PixelFormat32bppRGB,
                               reinterpret_cast<BYTE*>(expected.bits())));
      quorlin::graphics::Graphics g;
      g.FromImage(pixels);
      quorlin::graphics::GraphicsPath outer, inner;
      outer.Create();
      inner.Create();
      AddRoundRectPath(outer, 0, 0, static_cast<float>(size.cx - 1), static_cast<float>(size.cy - 1), 7);
      AddRoundRectPath(inner, 1, 1, static_cast<float>(size.cx - 3), static_cast<float>(size.cy - 3), 6);
      quorlin::graphics::Pen dark, light;
      dark.Create(ArgbFromColorRef(0x000000, 180, true), 2.0f);
      light.Create(ArgbFromColorRef(0xFFFFFF, 180, true), 1.0f);
      g.DrawPath(dark, outer);
      g.DrawPath(light, inner);
    }
    const std::vector<DWORD> got(drawn.bits(), drawn.bits() + count), want(expected.bits(), expected.bits() + count);
    CHECK(want != background);
    CHECK(got == want);
  }
}

TEST_CASE("frame pixels of a 600-wide window") {
  SkinnedWindow w(BothBoxes, 600, 400);
  const PixelArea title = TitleTextRect(w.Id(), 600);
  CHECK(title.x == 29);
  CHECK(title.y == 6);
  CHECK(title.width == 489);
  CHECK(title.height == 42);

  HRGN region = CreateRectRgn(0, 0, 0, 0);
  REQUIRE(GetWindowRgn(w.window, region) != ERROR);
  CHECK_FALSE(PtInRegion(region, 0, 0));
  CHECK_FALSE(PtInRegion(region, 599, 399));
  CHECK(PtInRegion(region, 300, 200));
  CHECK(PtInRegion(region, 3, 3));
  DeleteObject(region);

  // A dark outer line with a light line inside it.
  CHECK(Luma(w.BackBufferPixel(0, 200)) < 100);
  CHECK(Luma(w.BackBufferPixel(1, 200)) > Luma(w.BackBufferPixel(0, 200)) + 60);

  // A new title repaints the title area and nothing else.
  std::vector<COLORREF> before(600 * 400);
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 600; ++x) before[y * 600 + x] = w.BackBufferPixel(x, y);
  SetWindowTextA(w.window, "Another, much longer title");
  int insideChanged = 0, outsideChanged = 0;
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 600; ++x) {
      const bool inTitle = x >= 9 && x < 29 + 489 && y >= 3 && y < 48;
      if (before[y * 600 + x] != w.BackBufferPixel(x, y)) (inTitle ? insideChanged : outsideChanged)++;
    }
  CHECK(insideChanged > 20);
  CHECK(outsideChanged == 0);
}

TEST_CASE("teardown restores the window and releases the frame") {
  const quorlin::test::LeakBaseline baseline;
  HWND window = nullptr;
  {
    SkinnedWindow w(BothBoxes, 300, 200);
    window = w.window;
    CHECK(w.Record().backBufferDc != nullptr);
  }
  CHECK(SkinRegistry.empty());
  CHECK(DcBitmapCacheSize() == 0);
  CHECK(baseline.GdiGrowth() <= 4);
  (void)window;
}

TEST_CASE("create, skin, destroy cycles and hover fades leave GDI and USER counts flat") {
  auto cycle = [] {
    SkinnedWindow w(WS_MINIMIZEBOX, 444, 314, {.resizable = 0}, [](HWND parent) {
      quorlin::test::AddChild(parent, "Edit", WS_VISIBLE, WS_EX_CLIENTEDGE, 20, 40, 200, 24);
      quorlin::test::AddChild(parent, "Edit", WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE, WS_EX_CLIENTEDGE,
                              20, 80, 200, 100);
    });
  };
  for (int i = 0; i < 5; ++i) cycle();
  const quorlin::test::LeakBaseline cycles;
  const DWORD start = GetTickCount();
  for (int i = 0; i < 100; ++i) cycle();
  MESSAGE("100 skin cycles took ", GetTickCount() - start, " ms");
  CHECK(cycles.GdiGrowth() <= 4);
  CHECK(cycles.UserGrowth() <= 2);

  SkinnedWindow w(WS_MINIMIZEBOX, 444, 314, {.resizable = 0});
  const quorlin::test::LeakBaseline fades;
  const DWORD fadeStart = GetTickCount();
  for (int i = 0; i < 100; ++i) {
    Send(w.window, WM_MOUSEMOVE, 390, 10);
    SendMessageA(w.window, WM_MOUSEHOVER, 0, 0);
    Tick(w.window, 8);
    SendMessageA(w.window, WM_MOUSELEAVE, 0, 0);
    Tick(w.window, 8);
    if (i % 10 == 0) {
      InvalidateRect(w.window, nullptr, FALSE);
      UpdateWindow(w.window);
    }
  }
  MESSAGE("100 fade cycles took ", GetTickCount() - fadeStart, " ms");
  CHECK(fades.GdiGrowth() <= 2);
  CHECK(fades.UserGrowth() <= 1);
}

TEST_CASE("border drags leave GDI and USER counts flat") {
  SkinnedWindow w(BothBoxes, 400, 300);
  // Each drag grows past what its surfaces hold, shrinks and ends.
  auto drag = [&](int i) {
    SendMessageA(w.window, WM_ENTERSIZEMOVE, 0, 0);
    for (const int grow : {40, 160 + 40 * (i % 4), 20}) DragStep(w.window, SIZE{400 + grow, 300 + grow / 2});
    EndDrag(w.window);
  };
  for (int i = 0; i < 3; ++i) drag(i);
  const quorlin::test::LeakBaseline baseline;
  for (int i = 0; i < 25; ++i) drag(i);
  CHECK(baseline.GdiGrowth() <= 2);
  CHECK(baseline.UserGrowth() <= 1);
}

TEST_CASE("what colour answers leave on a control goes with it, whatever the control") {
  struct Kind { const char* name; const char* cls; DWORD style; };
  const Kind kinds[] = {
      {"group box", "Button", BS_GROUPBOX},         {"three-state box", "Button", BS_AUTO3STATE},
      {"check box", "Button", BS_AUTOCHECKBOX},     {"radio button", "Button", BS_AUTORADIOBUTTON},
      {"push button", "Button", BS_PUSHBUTTON},     {"static text", "Static", SS_LEFT},
      {"edit field", "Edit", ES_LEFT},              {"read-only edit field", "Edit", ES_READONLY},
  };
  for (const Kind& kind : kinds) {
    CAPTURE(std::string(kind.name));
    // Four of the kind; the last is destroyed on its own before the window.
    auto cycle = [&] {
      HWND last = nullptr;
      SkinnedWindow w(WS_MINIMIZEBOX, 300, 200, {.resizable = 0}, [&](HWND parent) {
        for (int i = 0; i < 4; ++i)
          last = quorlin::test::AddChild(parent, kind.cls, WS_VISIBLE | kind.style, 0, 10, 30 + 40 * i, 200, 30, "Quorlin");
      });
      // Ask for colours the way painting does.
      for (HWND c = GetWindow(w.window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        InvalidateRect(c, nullptr, TRUE);
        UpdateWindow(c);
      }
      DestroyWindow(last);
    };
    for (int i = 0; i < 2; ++i) cycle();
    const quorlin::test::LeakBaseline baseline;
    for (int i = 0; i < 10; ++i) cycle();
    CHECK(baseline.GdiGrowth() <= 3);
  }
}

TEST_CASE("deactivating the application runs the working-set utility from the Windows directory") {
  const char* windir = std::getenv("windir");
  REQUIRE(windir);
  const std::string path = std::string(windir) + "\\empty.exe";
  DeleteFileA(path.c_str());
  SkinnedWindow w(WS_MINIMIZEBOX, 300, 200);
  SendMessageA(w.window, WM_ACTIVATEAPP, 0, 0);
  CHECK(w.Record().active == 0);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  REQUIRE(file != INVALID_HANDLE_VALUE);
  char head[2] = {};
  DWORD got = 0;
  ReadFile(file, head, 2, &got, nullptr);
  CloseHandle(file);
  CHECK(head[0] == 'M');  // a Windows program
  CHECK(head[1] == 'Z');

  // An existing file is left as it is.
  file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  WriteFile(file, "MZ-kept", 7, &got, nullptr);
  CloseHandle(file);
  SendMessageA(w.window, WM_ACTIVATEAPP, 0, 0);
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
  CHECK(data.nFileSizeLow == 7u);
  DeleteFileA(path.c_str());
  SendMessageA(w.window, WM_ACTIVATEAPP, 1, 0);
  CHECK(w.Record().active == 1);
}
