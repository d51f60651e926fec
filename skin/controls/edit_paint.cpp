// Painters of the skinned edit fields. Each paint copies what lies behind
// the control, draws over it off screen and shows the result; nothing is
// kept between paints.
#include <string>

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

const EditState* EditRecordOf(HWND owner) { return ControlRecord(owner, &SkinRecord::edits); }

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
  const RECT c = EditClientPlacement(field);
  CachedDc bg(BuildVeilBackground(field));
  BitBlt(dc, 0, 0, c.right - c.left, c.bottom - c.top, bg.get(), 0, 0, SRCCOPY);
}

}  // namespace quorlin::skin
