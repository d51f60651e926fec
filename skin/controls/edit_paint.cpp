// Painters of the skinned edit fields and their overlay scroll bars. Each
// paint copies what lies behind the control, draws over it off screen and
// shows the result; nothing is kept between paints.
#include <string>

#include "assets/assets.h"
#include "graphics/drawing.h"
#include "skin/controls/edit.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

using graphics::ARGB;
using graphics::PointF;
using graphics::REAL;

constexpr COLORREF Black = 0x000000, White = 0xFFFFFF;
ARGB Argb(int alpha, COLORREF colour) { return ArgbFromColorRef(colour, alpha, true); }

SIZE WindowSize(HWND w) {
  RECT r = {};
  GetWindowRect(w, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

void StrokeRect(graphics::Graphics& g, ARGB colour, REAL x, REAL y, REAL w, REAL h) {
  graphics::Pen pen;
  pen.Create(colour, 1.0f);
  g.DrawRectangle(pen, x, y, w, h);
}

void DrawBorder(graphics::Graphics& g, HWND field, int w, int h, bool focused, bool hot) {
  const REAL fw = static_cast<REAL>(w), fh = static_cast<REAL>(h);
  if (hot && BorderKind(field) == 2) {
    StrokeRect(g, Argb(60, White), 0, 0, fw - 1, fh - 1);
    StrokeRect(g, Argb(90, AccentColour), 0, 0, fw - 1, fh - 1);
    StrokeRect(g, Argb(180, AccentColour), 1, 1, fw - 3, fh - 3);
  } else {
    StrokeRect(g, focused ? Argb(180, AccentColour) : Argb(80, Black), 0, 0, fw - 1, fh - 1);
  }
}

// The client background with its white veil, in a cached DC.
HDC VeiledClient(HWND control, RECT& placement) {
  placement = EditClientPlacement(control);
  const int cw = placement.right - placement.left, ch = placement.bottom - placement.top;
  HDC bg = PaintParentBackground(control, placement);
  graphics::Graphics g;
  g.FromHDC(bg);
  graphics::SolidBrush veil;
  veil.Create(Argb(VeilAlpha, White));
  g.FillRectangle(veil, 0, 0, static_cast<REAL>(cw), static_cast<REAL>(ch));
  return bg;
}

const EditState* EditRecordOf(HWND owner) { return ControlRecord(owner, &SkinRecord::edits); }
EditState* MutableEditRecordOf(HWND owner) { return ControlRecord(owner, &SkinRecord::edits); }

void FillGradientPath(graphics::Graphics& g, const graphics::GraphicsPath& path, PointF a, PointF b, ARGB from,
                      ARGB to) {
  graphics::LinearGradientBrush brush;
  brush.Create(a, b, from, to);
  g.FillPath(brush, path);
}

void StrokePath(graphics::Graphics& g, const graphics::GraphicsPath& path, ARGB colour) {
  graphics::Pen pen;
  pen.Create(colour, 1.0f);
  g.DrawPath(pen, path);
}

graphics::GraphicsPath RoundRect(REAL x, REAL y, REAL w, REAL h, REAL d) {
  graphics::GraphicsPath path;
  path.Create();
  AddRoundRectPath(path, x, y, w, h, d);
  return path;
}

void DrawGlyphAt(graphics::Graphics& g, const assets::AssetBytes& png, int x, int y) {
  graphics::Image glyph;
  if (glyph.FromBytes(png.data, png.size)) g.DrawImageRect(glyph, static_cast<REAL>(x), static_cast<REAL>(y),
                                                           static_cast<REAL>(glyph.GetWidth()),
                                                           static_cast<REAL>(glyph.GetHeight()));
}

SIZE GlyphSize(const assets::AssetBytes& png) {
  graphics::Image glyph;
  if (!glyph.FromBytes(png.data, png.size)) return SIZE{0, 0};
  return SIZE{static_cast<LONG>(glyph.GetWidth()), static_cast<LONG>(glyph.GetHeight())};
}

// One arrow button of an overlay: box, hover wash, outline, inner highlight.
void DrawArrowButton(graphics::Graphics& g, REAL x, REAL y, REAL w, REAL h, bool hovered, PointF to,
                     REAL ix, REAL iy, REAL iw, REAL ih) {
  graphics::GraphicsPath box = RoundRect(x, y, w, h, 5);
  if (hovered) FillGradientPath(g, box, PointF(x, y), to, Argb(100, White), Argb(150, AccentColour));
  StrokePath(g, box, Argb(60, Black));
  StrokePath(g, RoundRect(ix, iy, iw, ih, 3), Argb(150, White));
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

void PaintEditFrame(HWND field, bool focused, bool takeFocusFromArgument, bool hot, bool takeHotFromArgument) {
  const EditState* state = EditRecordOf(field);
  if (!takeFocusFromArgument) focused = state && state->focused;
  if (!takeHotFromArgument) hot = state && state->hot;
  const SIZE s = WindowSize(field);
  const RECT c = EditClientPlacement(field);
  CachedDc bg(PaintParentBackground(field, RECT{0, 0, s.cx, s.cy}));
  {
    graphics::Graphics g;
    g.FromHDC(bg.get());
    g.SetClipRect(0, 0, static_cast<REAL>(s.cx), static_cast<REAL>(s.cy), Gdiplus::CombineModeReplace);
    g.SetClipRect(static_cast<REAL>(c.left), static_cast<REAL>(c.top), static_cast<REAL>(c.right - c.left),
                  static_cast<REAL>(c.bottom - c.top), Gdiplus::CombineModeXor);
    if (TranslucentControls) {
      graphics::SolidBrush veil;
      veil.Create(Argb(VeilAlpha, White));
      g.FillRectangle(veil, 0, 0, static_cast<REAL>(s.cx), static_cast<REAL>(s.cy));
    } else {
      g.Clear(Argb(255, White));
    }
    if (BorderKind(field) != 0) DrawBorder(g, field, s.cx, s.cy, focused, hot);
  }
  {
    WindowDc dc(field, true);
    ExcludeClipRect(dc.get(), c.left, c.top, c.right, c.bottom);
    BitBlt(dc.get(), 0, 0, s.cx, s.cy, bg.get(), 0, 0, SRCCOPY);
  }
  BlitToCompositeKeyed(field, bg.get(), RGB(255, 0, 255));
  // The ring covers the scroll-bar strips, where the overlays lie on top of
  // the field: they go back over it.
  const LONG_PTR style = GetWindowLongPtrA(field, GWL_STYLE);
  if (state && state->verticalOverlay && (style & WS_VSCROLL)) PaintVerticalOverlay(field, OverlayNone);
  if (state && state->horizontalOverlay && (style & WS_HSCROLL)) PaintHorizontalOverlay(field, OverlayNone);
}

void EraseEditBackground(HWND field, HDC dc) {
  RECT c;
  CachedDc bg(VeiledClient(field, c));
  BitBlt(dc, 0, 0, c.right - c.left, c.bottom - c.top, bg.get(), 0, 0, SRCCOPY);
}

HBITMAP BuildVeilBitmap(HWND control) {
  RECT c;
  CachedDc bg(VeiledClient(control, c));
  const int cw = c.right - c.left, ch = c.bottom - c.top;
  WindowDc screen(nullptr);
  UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
  HBITMAP bitmap = CreateCompatibleBitmap(bg.get(), cw, ch);
  {
    SelectedObject selected(memory.get(), bitmap);
    BitBlt(memory.get(), 0, 0, cw, ch, bg.get(), 0, 0, SRCCOPY);
  }
  return bitmap;
}

void PaintVerticalOverlay(HWND owner, int part) {
  EditState* state = MutableEditRecordOf(owner);
  HWND overlay = state ? state->verticalOverlay : nullptr;
  if (!OverlayPaintable(owner, overlay)) return;
  const SIZE s = WindowSize(overlay);
  const int W = s.cx, H = s.cy;
  SCROLLBARINFO info = {};
  info.cbSize = sizeof info;
  GetScrollBarInfo(owner, OBJID_VSCROLL, &info);
  const int T = info.xyThumbTop, B = info.xyThumbBottom, D = info.dxyLineButton, L = B - T;
  const bool available = info.rgstate[0] != STATE_SYSTEM_UNAVAILABLE;
  state->verticalParts[0] = RECT{1, 1, W - 2, 17};
  state->verticalParts[1] = RECT{1, H - 17, W - 2, H - 1};
  state->verticalParts[2] = RECT{1, T, D + 1, B};

  CachedDc bg(PaintParentBackground(overlay, RECT{0, 0, W, H}));
  {
    graphics::Graphics g;
    g.FromHDC(bg.get());
    graphics::LinearGradientBrush track;
    track.Create(PointF(0, 0), PointF(static_cast<REAL>(W), 0), Argb(40, AccentColour), Argb(255, White));
    g.FillRectangle(track, 0, 0, static_cast<REAL>(W), static_cast<REAL>(H));
    if (available) {
      graphics::GraphicsPath thumb = RoundRect((W - D) / 2.0f + 1, static_cast<REAL>(T), static_cast<REAL>(D - 3),
                                               static_cast<REAL>(L - 1), 5);
      if (part == OverlayThumb) {
        graphics::SolidBrush lit;
        lit.Create(Argb(180, White));
        g.FillPath(lit, thumb);
      }
      const PointF a(1, static_cast<REAL>(T)), b(static_cast<REAL>(D - 2), static_cast<REAL>(T));
      FillGradientPath(g, thumb, a, b, Argb(150, White), Argb(150, AccentColour));
      FillGradientPath(g, thumb, a, b, Argb(0, White), Argb(150, White));
      StrokePath(g, thumb, Argb(100, Black));
    }
    const REAL d = static_cast<REAL>(D), h = static_cast<REAL>(H);
    DrawArrowButton(g, 1, 1, d - 3, 15, available && part == OverlayFirstArrow, PointF(d - 2, 1), 2, 2, d - 5, 12);
    const SIZE up = GlyphSize(assets::ArrowUpGlyph);
    DrawGlyphAt(g, assets::ArrowUpGlyph, (D - up.cx) / 2, static_cast<int>((15 - up.cy) / 2.0 + 2));
    DrawArrowButton(g, 1, h - 17, d - 3, 15, available && part == OverlaySecondArrow, PointF(d - 2, h - 17), 2,
                    h - 15, d - 5, 12);
    const SIZE down = GlyphSize(assets::ArrowDownGlyph);
    DrawGlyphAt(g, assets::ArrowDownGlyph, (D - down.cx) / 2, static_cast<int>(H - 15 + (15 - down.cy) / 2.0));
  }
  ShowOverlay(overlay, bg.get(), W, H);
}

void PaintHorizontalOverlay(HWND owner, int part) {
  EditState* state = MutableEditRecordOf(owner);
  HWND overlay = state ? state->horizontalOverlay : nullptr;
  if (!OverlayPaintable(owner, overlay)) return;
  const SIZE s = WindowSize(overlay);
  const int W = s.cx, H = s.cy;
  SCROLLBARINFO info = {};
  info.cbSize = sizeof info;
  GetScrollBarInfo(owner, OBJID_HSCROLL, &info);
  const int T = info.xyThumbTop, B = info.xyThumbBottom, D = info.dxyLineButton, L = B - T;
  const bool available = info.rgstate[0] != STATE_SYSTEM_UNAVAILABLE;
  state->horizontalParts[0] = RECT{1, 1, 17, H - 2};
  state->horizontalParts[1] = RECT{W - 17, 1, W - 4, H - 1};
  state->horizontalParts[2] = RECT{T, 1, B, D + 1};

  CachedDc bg(PaintParentBackground(overlay, RECT{0, 0, W, H}));
  {
    graphics::Graphics g;
    g.FromHDC(bg.get());
    graphics::LinearGradientBrush track;
    track.Create(PointF(0, 0), PointF(0, static_cast<REAL>(H)), Argb(40, AccentColour), Argb(255, White));
    g.FillRectangle(track, 0, 0, static_cast<REAL>(W), static_cast<REAL>(H));
    if (available) {
      graphics::GraphicsPath thumb = RoundRect(static_cast<REAL>(T), (H - D) / 2.0f + 1, static_cast<REAL>(L - 1),
                                               static_cast<REAL>(D - 3), 5);
      if (part == OverlayThumb) {
        graphics::SolidBrush lit;
        lit.Create(Argb(180, White));
        g.FillPath(lit, thumb);
      }
      const PointF a(static_cast<REAL>(T), 1), b(static_cast<REAL>(T), static_cast<REAL>(D - 2));
      FillGradientPath(g, thumb, a, b, Argb(150, White), Argb(150, AccentColour));
      FillGradientPath(g, thumb, a, b, Argb(0, White), Argb(150, White));
      StrokePath(g, thumb, Argb(100, Black));
    }
    const REAL d = static_cast<REAL>(D), w = static_cast<REAL>(W);
    DrawArrowButton(g, 1, 1, 15, d - 3, available && part == OverlayFirstArrow, PointF(1, d - 2), 2, 2, 12, d - 5);
    const SIZE left = GlyphSize(assets::ArrowLeftGlyph);
    DrawGlyphAt(g, assets::ArrowLeftGlyph, static_cast<int>((15 - left.cx) / 2.0 + 2), (D - left.cy) / 2);
    DrawArrowButton(g, w - 17, 1, 15, d - 3, available && part == OverlaySecondArrow, PointF(w - 17, d - 2), w - 15,
                    2, 12, d - 5);
    const SIZE right = GlyphSize(assets::ArrowRightGlyph);
    DrawGlyphAt(g, assets::ArrowRightGlyph, static_cast<int>(W - 17 + (15 - right.cx) / 2.0), (D - right.cy) / 2);
  }
  ShowOverlay(overlay, bg.get(), W, H);
}

}  // namespace quorlin::skin
