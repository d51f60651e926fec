// Painters of the skinned edit fields. Each paint copies what lies behind
// the control, draws over it off screen and shows the result; nothing is
// kept between paints.
#include <string>

#include "graphics/drawing.h"
#include "skin/controls/edit.h"
#include "skin/core/control_kit.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

using graphics::ARGB;
using graphics::PointF;
using graphics::REAL;

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

const EditState* EditRecordOf(HWND owner) { return RecordOf(owner, &SkinRecord::edits); }

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
    VeilRing(g, s, c);
    if (BorderKind(field) != 0) DrawBorder(g, field, s.cx, s.cy, focused, hot);
  }
  {
    WindowDc dc(field, true);
    ExcludeClipRect(dc.get(), c.left, c.top, c.right, c.bottom);
    BitBlt(dc.get(), 0, 0, s.cx, s.cy, bg.get(), 0, 0, SRCCOPY);
  }
  BlitToCompositeKeyed(field, bg.get(), KeyColour);
  // The ring covers the scroll-bar strips, where the overlays lie on top of
  // the field: they go back over it.
  if (state) RepaintOverlays(field);
}

void EraseEditBackground(HWND field, HDC dc) {
  const RECT c = EditClientPlacement(field);
  CachedDc bg(BuildVeilBackground(field));
  BitBlt(dc, 0, 0, c.right - c.left, c.bottom - c.top, bg.get(), 0, 0, SRCCOPY);
}

}  // namespace quorlin::skin
