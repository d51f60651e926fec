// Overlay scroll bars: creation, placement, window procedure, geometry and
// painters. Each paint copies what lies behind the overlay, draws over it off
// screen and shows the result; nothing is kept between paints.
#include "skin/controls/scroll_overlay.h"

#include <string>

#include "assets/assets.h"
#include "graphics/drawing.h"
#include "skin/core/control_states.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_images.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

using graphics::ARGB;
using graphics::PointF;
using graphics::REAL;

LONG_PTR StyleOf(HWND w) { return GetWindowLongPtrA(w, GWL_STYLE); }

SIZE WindowSize(HWND w) {
  RECT r = {};
  GetWindowRect(w, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

HWND OverlayOwner(HWND overlay) { return static_cast<HWND>(GetPropA(overlay, PropOverlayOwner)); }

SCROLLBARINFO ScrollBarInfo(HWND control, bool vertical) {
  SCROLLBARINFO info = {};
  info.cbSize = sizeof info;
  GetScrollBarInfo(control, vertical ? OBJID_VSCROLL : OBJID_HSCROLL, &info);
  return info;
}

void PlaceOverlay(HWND overlay, HWND control, bool vertical) {
  RECT parentRect = {};
  GetWindowRect(GetParent(control), &parentRect);
  const RECT bar = ScrollBarInfo(control, vertical).rcScrollBar;
  SetWindowPos(overlay, HWND_TOP, bar.left - parentRect.left, bar.top - parentRect.top, bar.right - bar.left,
               bar.bottom - bar.top, SWP_NOACTIVATE);
}

int HitTestOverlay(HWND owner, LPARAM screenPoint, bool vertical) {
  const OverlayBars* bars = OverlayBarsOf(owner);
  HWND overlay = bars ? (vertical ? bars->verticalOverlay : bars->horizontalOverlay) : nullptr;
  if (!overlay) return OverlayNone;
  RECT w = {};
  GetWindowRect(overlay, &w);
  const auto parts = OverlayPartRects(w.right - w.left, w.bottom - w.top, ScrollBarInfo(owner, vertical), vertical);
  const int x = static_cast<short>(LOWORD(screenPoint)) - w.left;
  const int y = static_cast<short>(HIWORD(screenPoint)) - w.top;
  auto inside = [&](const RECT& r) { return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom; };
  if (inside(parts[0])) return OverlayFirstArrow;
  if (inside(parts[1])) return OverlaySecondArrow;
  if (inside(parts[2])) return OverlayThumb;
  return OverlayNone;
}

// Edit fields: each overlay follows the field's scroll style and visibility.
void ShowEditOverlays(HWND control, const OverlayBars& bars) {
  const LONG_PTR style = StyleOf(control);
  const bool visible = (style & WS_VISIBLE) != 0;
  if (bars.verticalOverlay) ShowWindow(bars.verticalOverlay, (style & WS_VSCROLL) && visible ? SW_SHOWNA : SW_HIDE);
  if (bars.horizontalOverlay)
    ShowWindow(bars.horizontalOverlay, (style & WS_HSCROLL) && visible ? SW_SHOWNA : SW_HIDE);
}

// List controls: an overlay is touched only while the control has its scroll
// style, and then follows whether the control can be seen.
void ShowListOverlays(HWND control, const OverlayBars& bars) {
  const LONG_PTR style = StyleOf(control);
  const int show = IsWindowVisible(control) ? SW_SHOWNA : SW_HIDE;
  if (bars.verticalOverlay && (style & WS_VSCROLL)) ShowWindow(bars.verticalOverlay, show);
  if (bars.horizontalOverlay && (style & WS_HSCROLL)) ShowWindow(bars.horizontalOverlay, show);
}

// ---- painting -----------------------------------------------------------

// Places along the bar and across it, as x/y for the bar's orientation: one
// painter draws both overlays.
struct OverlayAxes {
  bool vertical;
  graphics::RectF Rect(REAL along, REAL across, REAL alongLength, REAL acrossLength) const {
    return vertical ? graphics::RectF(across, along, acrossLength, alongLength)
                    : graphics::RectF(along, across, alongLength, acrossLength);
  }
  PointF Point(REAL along, REAL across) const { return vertical ? PointF(across, along) : PointF(along, across); }
};

graphics::GraphicsPath RoundRectPath(const graphics::RectF& r, REAL d) {
  return skin::RoundRectPath(r.X, r.Y, r.Width, r.Height, d);
}

// An arrow glyph at a place along and across the bar.
void DrawGlyphAt(graphics::Graphics& g, const OverlayAxes& axes, const graphics::Image& glyph, int along, int across) {
  const PointF at = axes.Point(static_cast<REAL>(along), static_cast<REAL>(across));
  g.DrawImageRect(glyph, at.X, at.Y, static_cast<REAL>(glyph.GetWidth()), static_cast<REAL>(glyph.GetHeight()));
}

// One arrow button of an overlay: box, hover wash towards `to`, outline, and
// the inner highlight.
void DrawArrowButton(graphics::Graphics& g, const graphics::RectF& box, bool hovered, PointF to,
                     const graphics::RectF& inner) {
  graphics::GraphicsPath path = RoundRectPath(box, 5);
  if (hovered) FillGradient(g, path, PointF(box.X, box.Y), to, Argb(100, White), Argb(150, AccentColour));
  Stroke(g, path, Argb(60, Black));
  Stroke(g, RoundRectPath(inner, 3), Argb(150, White));
}

// Commits a finished overlay image and shows it.
void ShowOverlay(HWND overlay, HDC bg, int w, int h) {
  BlitToComposite(overlay, bg);
  WindowDc dc(overlay);
  BitBlt(dc.get(), 0, 0, w, h, bg, 0, 0, SRCCOPY);
}

bool OverlayPaintable(HWND owner, HWND overlay) {
  return overlay && IsWindow(owner) && IsWindow(overlay) && IsWindowVisible(overlay);
}

}  // namespace

OverlayBars* OverlayBarsOf(HWND owner) {
  if (!owner) return nullptr;
  if (WindowClassName(owner) == "Edit") {
    EditState* edit = ControlRecord(owner, &SkinRecord::edits);
    return edit && edit->hwnd == owner ? edit : nullptr;
  }
  ListState* list = ControlRecord(owner, &SkinRecord::lists);
  return list && list->hwnd == owner ? list : nullptr;
}

HWND CreateOverlayScrollBar(HWND owner, bool vertical, bool visible) {
  HWND parent = GetParent(owner);
  RECT parentRect = {};
  GetWindowRect(parent, &parentRect);
  const RECT bar = ScrollBarInfo(owner, vertical).rcScrollBar;
  int x = 0, y = 0, w = 10, h = 10;
  DWORD style = WS_CHILD | WS_DISABLED | WS_CLIPCHILDREN;
  if (visible) {
    x = bar.left - parentRect.left;
    y = bar.top - parentRect.top;
    w = bar.right - bar.left;
    h = bar.bottom - bar.top;
    style |= WS_VISIBLE;
  }
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND overlay = CreateWindowExA(0, "Static", "", style, x, y, w, h, parent, nullptr, instance, nullptr);
  if (!overlay) return nullptr;
  SetPropA(overlay, PropOverlayOwner, owner);
  SetIntProp(overlay, PropOwnerSkinId, FindTopSkinId(owner));
  const LONG_PTR previous = SetWindowLongPtrA(overlay, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OverlayWndProc));
  SetIntProp(overlay, PropPreviousProc, previous);
  SetWindowPos(overlay, HWND_TOP, x, y, w, h, SWP_NOACTIVATE);
  return overlay;
}

LRESULT CALLBACK OverlayWndProc(HWND overlay, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      {
        PaintScope paint(overlay);
        HWND owner = OverlayOwner(overlay);
        const OverlayBars* bars = IsWindow(owner) ? OverlayBarsOf(owner) : nullptr;
        if (bars && bars->verticalOverlay == overlay) PaintVerticalOverlay(owner, OverlayNone);
        if (bars && bars->horizontalOverlay == overlay) PaintHorizontalOverlay(owner, OverlayNone);
      }
      return DefWindowProcA(overlay, message, wParam, lParam);
    }
    // Never a target of input: the mouse goes through to the scroll bar
    // beneath, and a click does not activate or focus anything.
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_NCDESTROY: {
      const LRESULT result = CallPreviousProc(overlay, message, wParam, lParam);
      RemovePropA(overlay, PropOverlayOwner);
      return result;
    }
    default:
      return CallPreviousProc(overlay, message, wParam, lParam);
  }
}

std::array<RECT, 3> OverlayPartRects(int W, int H, const SCROLLBARINFO& info, bool vertical) {
  const int T = info.xyThumbTop, B = info.xyThumbBottom, D = info.dxyLineButton;
  if (vertical) return {RECT{1, 1, W - 2, 17}, RECT{1, H - 17, W - 2, H - 1}, RECT{1, T, D + 1, B}};
  return {RECT{1, 1, 17, H - 2}, RECT{W - 17, 1, W - 4, H - 1}, RECT{T, 1, B, D + 1}};
}

namespace {

// The track, the thumb (lit when part is the thumb) and the two arrow buttons
// (the one under the mouse washed with the accent) over what lies behind
// the overlay.
void PaintOverlay(HWND owner, bool vertical, int part) {
  OverlayBars* bars = OverlayBarsOf(owner);
  HWND overlay = bars ? (vertical ? bars->verticalOverlay : bars->horizontalOverlay) : nullptr;
  if (!OverlayPaintable(owner, overlay)) return;
  const SIZE s = WindowSize(overlay);
  const int W = s.cx, H = s.cy;
  const int length = vertical ? H : W, breadth = vertical ? W : H;
  const OverlayAxes axes{vertical};
  const SCROLLBARINFO info = ScrollBarInfo(owner, vertical);
  const int T = info.xyThumbTop, B = info.xyThumbBottom, D = info.dxyLineButton, L = B - T;
  const bool available = info.rgstate[0] != STATE_SYSTEM_UNAVAILABLE;
  const auto parts = OverlayPartRects(W, H, info, vertical);
  std::copy(parts.begin(), parts.end(), vertical ? bars->verticalParts : bars->horizontalParts);

  CachedDc bg(PaintParentBackground(overlay, RECT{0, 0, W, H}));
  {
    graphics::Graphics g;
    g.FromHDC(bg.get());
    graphics::LinearGradientBrush track;
    track.Create(PointF(0, 0), axes.Point(0, static_cast<REAL>(breadth)), Argb(40, AccentColour), Argb(255, White));
    g.FillRectangle(track, 0, 0, static_cast<REAL>(W), static_cast<REAL>(H));
    if (available) {
      graphics::GraphicsPath thumb = RoundRectPath(
          axes.Rect(static_cast<REAL>(T), (breadth - D) / 2.0f + 1, static_cast<REAL>(L - 1), static_cast<REAL>(D - 3)),
          5);
      if (part == OverlayThumb) FillSolid(g, thumb, Argb(180, White));
      const PointF a = axes.Point(static_cast<REAL>(T), 1),
                   b = axes.Point(static_cast<REAL>(T), static_cast<REAL>(D - 2));
      FillGradient(g, thumb, a, b, Argb(150, White), Argb(150, AccentColour));
      FillGradient(g, thumb, a, b, Argb(0, White), Argb(150, White));
      Stroke(g, thumb, Argb(100, Black));
    }
    const REAL d = static_cast<REAL>(D), end = static_cast<REAL>(length - 17);
    DrawArrowButton(g, axes.Rect(1, 1, 15, d - 3), available && part == OverlayFirstArrow, axes.Point(1, d - 2),
                    axes.Rect(2, 2, 12, d - 5));
    DrawArrowButton(g, axes.Rect(end, 1, 15, d - 3), available && part == OverlaySecondArrow, axes.Point(end, d - 2),
                    axes.Rect(end + 2, 2, 12, d - 5));
    const graphics::Image& first = KeptGlyph(vertical ? assets::ArrowUpGlyph : assets::ArrowLeftGlyph);
    const graphics::Image& second = KeptGlyph(vertical ? assets::ArrowDownGlyph : assets::ArrowRightGlyph);
    auto alongOf = [&](const graphics::Image& glyph) {
      return static_cast<int>(vertical ? glyph.GetHeight() : glyph.GetWidth());
    };
    auto acrossOf = [&](const graphics::Image& glyph) {
      return static_cast<int>(vertical ? glyph.GetWidth() : glyph.GetHeight());
    };
    DrawGlyphAt(g, axes, first, static_cast<int>((15 - alongOf(first)) / 2.0 + 2), (D - acrossOf(first)) / 2);
    // The second glyph sits 2 pixels further along in a vertical bar than in
    // a horizontal one, as the bars have always been drawn.
    const int secondStart = length - (vertical ? 15 : 17);
    DrawGlyphAt(g, axes, second, static_cast<int>(secondStart + (15 - alongOf(second)) / 2.0),
                (D - acrossOf(second)) / 2);
  }
  ShowOverlay(overlay, bg.get(), W, H);
}

}  // namespace

void PaintVerticalOverlay(HWND owner, int part) { PaintOverlay(owner, true, part); }
void PaintHorizontalOverlay(HWND owner, int part) { PaintOverlay(owner, false, part); }

void RepaintOverlays(HWND owner) {
  const OverlayBars* bars = OverlayBarsOf(owner);
  if (!bars) return;
  const LONG_PTR style = StyleOf(owner);
  if (bars->verticalOverlay && (style & WS_VSCROLL)) PaintVerticalOverlay(owner, OverlayNone);
  if (bars->horizontalOverlay && (style & WS_HSCROLL)) PaintHorizontalOverlay(owner, OverlayNone);
}

LRESULT ThenRepaintOverlays(HWND owner, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallPreviousProc(owner, message, wParam, lParam);
  RepaintOverlays(owner);
  return result;
}

int HitTestVerticalOverlay(HWND owner, LPARAM screenPoint) { return HitTestOverlay(owner, screenPoint, true); }
int HitTestHorizontalOverlay(HWND owner, LPARAM screenPoint) { return HitTestOverlay(owner, screenPoint, false); }

void SyncOverlayBars(HWND control) {
  const OverlayBars* bars = OverlayBarsOf(control);
  if (!bars) return;
  if (WindowClassName(control) == "Edit")
    ShowEditOverlays(control, *bars);
  else
    ShowListOverlays(control, *bars);
  if (bars->verticalOverlay && IsWindowVisible(bars->verticalOverlay)) PlaceOverlay(bars->verticalOverlay, control, true);
  if (bars->horizontalOverlay && IsWindowVisible(bars->horizontalOverlay))
    PlaceOverlay(bars->horizontalOverlay, control, false);
}

void DestroyOverlayBars(HWND owner) {
  OverlayBars* bars = OverlayBarsOf(owner);
  if (!bars) return;
  if (bars->verticalOverlay) DestroyWindow(bars->verticalOverlay);
  if (bars->horizontalOverlay) DestroyWindow(bars->horizontalOverlay);
  bars->verticalOverlay = bars->horizontalOverlay = nullptr;
}

}  // namespace quorlin::skin
