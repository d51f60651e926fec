// Painters of the skinned range controls. Each paint copies what lies
// behind the control, draws the control's vector picture over it off screen,
// shows the result and commits it to the window's composite image. Only the
// up-down painter draws anti-aliased.
#include <windows.h>

#include <commctrl.h>

#include "assets/assets.h"
#include "graphics/drawing.h"
#include "skin/controls/range.h"
#include "skin/core/control_kit.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_images.h"
#include "skin/core/skin_options.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {

bool KeepUpDownGlyphs = true;

namespace {

using graphics::ARGB;
using graphics::PointF;
using graphics::REAL;

using skin::RoundRectPath;
graphics::GraphicsPath RoundRectPath(const RectF& r, REAL d) { return RoundRectPath(r.x, r.y, r.width, r.height, d); }

void StrokeRect(graphics::Graphics& g, const RectF& r, ARGB colour) {
  skin::StrokeRect(g, colour, r.x, r.y, r.width, r.height);
}

// The rounded panel or trough under a trackbar or progress bar: an outline,
// and inside it a white-to-dark wash across the short axis.
void DrawPanel(graphics::Graphics& g, SIZE s, bool vertical, ARGB outline, REAL innerCorner) {
  const REAL w = static_cast<REAL>(s.cx), h = static_cast<REAL>(s.cy);
  Stroke(g, RoundRectPath(0, 0, w - 1, h - 1, 5), outline);
  FillGradient(g, RoundRectPath(1, 1, w - 2, h - 2, innerCorner), PointF(0, 0), vertical ? PointF(w - 1, 0) : PointF(0, h - 1),
               Argb(160, White), Argb(30, Black));
}

// Shows a finished picture in dc and commits it to the composite image.
void Present(HWND control, HDC image, HDC dc, SIZE s, bool useWindowRect) {
  BlitToComposite(control, image, false, useWindowRect);
  BitBlt(dc, 0, 0, s.cx, s.cy, image, 0, 0, SRCCOPY);
}

// ---- trackbar -------------------------------------------------------------

TrackbarReadings ReadTrackbar(HWND bar, bool vertical) {
  TrackbarReadings r;
  r.position = static_cast<int>(SendMessageA(bar, TBM_GETPOS, 0, 0));
  r.rangeMin = static_cast<int>(SendMessageA(bar, TBM_GETRANGEMIN, 0, 0));
  r.rangeMax = static_cast<int>(SendMessageA(bar, TBM_GETRANGEMAX, 0, 0));
  r.selectionStart = static_cast<int>(SendMessageA(bar, TBM_GETSELSTART, 0, 0));
  r.selectionEnd = static_cast<int>(SendMessageA(bar, TBM_GETSELEND, 0, 0));
  SendMessageA(bar, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&r.channel));
  SendMessageA(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&r.thumb));
  // Windows reports a vertical bar's channel as if the bar were horizontal;
  // Wine reports it as it lies. The channel is longer than it is thick, so
  // an upright one is turned into the horizontal form.
  const RECT c = r.channel;
  if (vertical && c.bottom - c.top > c.right - c.left) r.channel = RECT{c.top, c.left, c.bottom, c.right};
  return r;
}

void DrawKnob(graphics::Graphics& g, const RectF& k) {
  graphics::GraphicsPath knob;
  knob.Create();
  knob.AddEllipse(k.x, k.y, k.width, k.height);
  FillSolid(g, knob, Argb(255, White));
  graphics::PathGradientBrush shade;
  if (shade.FromPath(knob)) {
    shade.SetCenterColor(Argb(32, White));
    ARGB surround = Argb(60, Black);
    INT count = 1;
    shade.SetSurroundColors(&surround, &count);
    g.FillPath(shade, knob);
  }
  Stroke(g, knob, Argb(60, Black));
}

void DrawTrackbar(graphics::Graphics& g, const TrackbarState& state, const TrackbarParts& parts, SIZE s) {
  if (TrackbarPainterSwitch == 1) DrawPanel(g, s, state.vertical, Argb(30, Black), 3);
  const RectF& c = parts.channel;
  const PointF across = state.vertical ? PointF(c.x + c.width, c.y) : PointF(c.x, c.y + c.height);
  FillGradient(g, RoundRectPath(c, 1), PointF(c.x, c.y), across, Argb(50, Black), Argb(40, Black));
  if (parts.selectionMark) StrokeRect(g, *parts.selectionMark, Argb(200, White));
  if (parts.accentLine) StrokeRect(g, *parts.accentLine, Argb(200, AccentColour));
  DrawKnob(g, parts.knob);
}

// ---- progress bar -------------------------------------------------------------

// What a progress bar reports about itself.
struct ProgressReadings {
  int position = 0;
  int rangeMin = 0;
  int rangeMax = 0;
};

ProgressReadings ReadProgressBar(HWND bar) {
  PBRANGE range = {};
  SendMessageA(bar, PBM_GETRANGE, 0, reinterpret_cast<LPARAM>(&range));
  ProgressReadings r;
  r.position = static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0));
  r.rangeMin = range.iLow;
  r.rangeMax = range.iHigh;
  return r;
}

void DrawProgressBar(graphics::Graphics& g, bool vertical, SIZE s, const std::optional<ProgressFill>& fill) {
  DrawPanel(g, s, vertical, Argb(50, Black), 1);
  if (!fill) return;
  const RectF& b = fill->bar;
  graphics::GraphicsPath path = RoundRectPath(b.x + 1, b.y + 1, b.width - 3, b.height - 3, 3);
  FillGradient(g, path, PointF(fill->gradientX, fill->gradientY), PointF(fill->gradientToX, fill->gradientToY),
               Argb(90, White), Argb(255, AccentColour));
  Stroke(g, path, Argb(150, AccentColour));
}

// ---- up-down ------------------------------------------------------------------

// The arrow of one half: the kept glyph, or one decoded now into `decoded`
// when glyphs are not kept (the benchmark's comparison).
const graphics::Image& ArrowGlyph(const assets::AssetBytes& asset, graphics::Image& decoded) {
  if (KeepUpDownGlyphs) return KeptGlyph(asset);
  decoded.FromBytes(asset.data, asset.size);
  return decoded;
}

struct HalfLook {
  bool lit = false;
  bool pressed = false;
};

void DrawHalf(graphics::Graphics& g, SIZE s, bool horizontal, UpDownHalf half, HalfLook look,
              const graphics::Image& glyph) {
  const RectF r = UpDownHalfRect(s, horizontal, half);
  const REAL l = horizontal ? static_cast<REAL>(s.cx / 2) : static_cast<REAL>(s.cx);
  const REAL m = horizontal ? static_cast<REAL>(s.cy) : static_cast<REAL>(s.cy / 2);
  const REAL w = static_cast<REAL>(s.cx), h = static_cast<REAL>(s.cy);
  const bool first = half == UpDownFirstHalf;
  PointF from, to;
  if (first) {
    from = PointF(0, 0);
    to = horizontal ? PointF(l - 1, 0) : PointF(0, m - 1);
  } else {
    from = horizontal ? PointF(l - 1, 0) : PointF(0, m);
    to = horizontal ? PointF(w, 0) : PointF(0, h);
  }
  ARGB a = Argb(first && !horizontal ? 60 : 20, White), b = Argb(100, AccentColour);
  if (look.lit && look.pressed) {
    a = Argb(100, AccentColour);
    b = Argb(150, White);
  } else if (look.lit) {
    a = Argb(100, White);
    b = Argb(150, AccentColour);
  }
  graphics::GraphicsPath box = RoundRectPath(r, 3);
  FillGradient(g, box, from, to, a, b);
  const REAL gw = static_cast<REAL>(glyph.GetWidth()), gh = static_cast<REAL>(glyph.GetHeight());
  const REAL gx = (l - gw) / 2 + (!first && horizontal ? l : 0);
  const REAL gy = (m - gh) / 2 + (!first && !horizontal ? m : 0);
  g.DrawImageRect(glyph, gx, gy, gw, gh);
  Stroke(g, box, look.lit ? Argb(200, AccentColour) : Argb(100, Black));
}

void DrawUpDown(graphics::Graphics& g, const UpDownState& state, SIZE s, bool hot, bool pressed, LPARAM mouse) {
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  g.SetCompositingQuality(Gdiplus::CompositingQualityHighQuality);
  const REAL w = static_cast<REAL>(s.cx), h = static_cast<REAL>(s.cy);
  FillSolid(g, RoundRectPath(0, 0, w - 1, h - 1, 3), Argb(160, White));

  // Hot lights the half under the mouse; a press without hover lights none.
  std::optional<UpDownHalf> lit;
  if (hot) lit = UpDownHalfAt(s, state.horizontal, static_cast<short>(LOWORD(mouse)), static_cast<short>(HIWORD(mouse)));

  for (const UpDownHalf half : {UpDownFirstHalf, UpDownSecondHalf}) {
    const bool first = half == UpDownFirstHalf;
    const assets::AssetBytes& asset = state.horizontal ? (first ? assets::ArrowLeftGlyph : assets::ArrowRightGlyph)
                                                       : (first ? assets::ArrowUpGlyph : assets::ArrowDownGlyph);
    graphics::Image decoded;
    DrawHalf(g, s, state.horizontal, half, HalfLook{lit == half, pressed}, ArrowGlyph(asset, decoded));
  }
}

}  // namespace

void PaintTrackbar(int skinId, int index) {
  const TrackbarState* state = RecordAt(skinId, index, &SkinRecord::trackbars);
  // A hidden control shows nothing, and its picture in the composite would
  // show through a container's copy of it as a ghost.
  if (!state || !IsWindowVisible(state->hwnd)) return;
  HWND bar = state->hwnd;
  const SIZE s = WindowSize(bar);
  const TrackbarParts parts = TrackbarPartRects(*state, ReadTrackbar(bar, state->vertical));
  CachedDc bg(PaintParentBackground(bar, RECT{0, 0, s.cx, s.cy}));
  {
    graphics::Graphics g;
    if (g.FromHDC(bg.get())) DrawTrackbar(g, *state, parts, s);
  }
  WindowDc dc(bar, true);
  Present(bar, bg.get(), dc.get(), s, false);
}

void PaintProgressBar(int skinId, int index, HDC target) {
  const ProgressState* state = RecordAt(skinId, index, &SkinRecord::progressBars);
  if (!state || !IsWindow(state->hwnd)) return;
  if (!target && !IsWindowVisible(state->hwnd)) return;  // as for the trackbar
  HWND bar = state->hwnd;
  const SIZE s = WindowSize(bar);
  const ProgressReadings in = ReadProgressBar(bar);
  const std::optional<ProgressFill> fill = ProgressBarFill(s, state->vertical, in.position, in.rangeMin, in.rangeMax);
  CachedDc bg(PaintParentBackground(bar, RECT{0, 0, s.cx, s.cy}));
  {
    graphics::Graphics g;
    if (g.FromHDC(bg.get())) DrawProgressBar(g, state->vertical, s, fill);
  }
  // A target belongs to the caller, who releases it.
  if (target) {
    Present(bar, bg.get(), target, s, true);
  } else {
    WindowDc dc(bar, true);
    Present(bar, bg.get(), dc.get(), s, true);
  }
}

void PaintUpDown(int skinId, int index, std::optional<bool> hot, std::optional<bool> pressed,
                 std::optional<LPARAM> mousePos) {
  const UpDownState* state = RecordAt(skinId, index, &SkinRecord::upDowns);
  if (!state || !IsWindowVisible(state->hwnd)) return;  // as for the trackbar
  HWND control = state->hwnd;
  const SIZE s = WindowSize(control);
  CachedDc bg(PaintParentBackground(control, RECT{0, 0, s.cx, s.cy}));
  {
    graphics::Graphics g;
    if (g.FromHDC(bg.get()))
      DrawUpDown(g, *state, s, hot.value_or(state->hot), pressed.value_or(state->pressed),
                 mousePos.value_or(state->lastMousePos));
  }
  WindowDc dc(control, true);
  Present(control, bg.get(), dc.get(), s, false);
}

}  // namespace quorlin::skin
