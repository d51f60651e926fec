// The frame painter of the skinned list controls: a veiled ring with a
// black, accent or hot accent border, keyed onto the window so that the
// client area and a borderless control keep their own pixels.
#include <string>

#include "graphics/drawing.h"
#include "skin/controls/list.h"
#include "skin/controls/scroll_overlay.h"
#include "skin/core/control_painting.h"
#include "skin/core/control_states.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

using graphics::ARGB;
using graphics::REAL;

constexpr COLORREF MagentaKey = RGB(255, 0, 255);

void StrokeRect(graphics::Graphics& g, ARGB colour, REAL width, REAL x, REAL y, REAL w, REAL h) {
  graphics::Pen pen;
  pen.Create(colour, width);
  g.DrawRectangle(pen, x, y, w, h);
}

// Hot: a 2-pixel accent border; otherwise 1 pixel, accent when focused,
// black when idle.
void DrawBorder(graphics::Graphics& g, int w, int h, bool focused, bool hot) {
  const REAL fw = static_cast<REAL>(w), fh = static_cast<REAL>(h);
  if (hot)
    StrokeRect(g, Argb(200, AccentColour), 2.0f, 1, 1, fw - 2, fh - 2);
  else
    StrokeRect(g, focused ? Argb(200, AccentColour) : Argb(90, Black), 1.0f, 0, 0, fw - 1, fh - 1);
}

void DrawRing(HDC bg, const RECT& client, int w, int h, bool focused, bool hot) {
  {
    // The client area stays the control's own: keyed out when shown. GDI
    // writes the key with the alpha byte 0 that the keyed copies compare.
    UniqueBrush key(CreateSolidBrush(MagentaKey));
    FillRect(bg, &client, key.get());
  }
  graphics::Graphics g;
  g.FromHDC(bg);
  const REAL fw = static_cast<REAL>(w), fh = static_cast<REAL>(h);
  const REAL cx = static_cast<REAL>(client.left), cy = static_cast<REAL>(client.top);
  const REAL cw = static_cast<REAL>(client.right - client.left), ch = static_cast<REAL>(client.bottom - client.top);
  g.SetClipRect(0, 0, fw, fh, Gdiplus::CombineModeReplace);
  g.SetClipRect(cx, cy, cw, ch, Gdiplus::CombineModeXor);
  if (TranslucentControls) {
    graphics::SolidBrush veil;
    veil.Create(Argb(VeilAlpha, White));
    g.FillRectangle(veil, 0, 0, fw, fh);
  } else {
    g.Clear(Argb(255, White));
  }
  g.ResetClip();
  DrawBorder(g, w, h, focused, hot);
}

}  // namespace

void PaintListFrame(int skinId, int index, bool hot, bool takeHotFromArgument, bool focused,
                    bool takeFocusFromArgument) {
  const SkinRecord* record = SkinRecordById(skinId);
  if (!record || index < 1 || index > static_cast<int>(record->lists.size())) return;
  const ListState& state = record->lists[static_cast<size_t>(index - 1)];
  HWND control = state.hwnd;
  if (!control || !IsWindow(control)) return;
  if (!takeHotFromArgument) hot = state.hot;
  if (!takeFocusFromArgument) focused = state.focused;
  // A simple combo's list and a borderless control show no frame at all.
  if (WindowClassName(control) != "ComboLBox" && BorderKind(control) != 0) {
    RECT window = {};
    GetWindowRect(control, &window);
    const int w = window.right - window.left, h = window.bottom - window.top;
    const RECT client = EditClientPlacement(control);
    CachedDc bg(PaintParentBackground(control, RECT{0, 0, w, h}));
    DrawRing(bg.get(), client, w, h, focused, hot);
    {
      WindowDc dc(control, true);
      ExcludeClipRect(dc.get(), client.left, client.top, client.right, client.bottom);
      TransparentBlt(dc.get(), 0, 0, w, h, bg.get(), 0, 0, w, h, MagentaKey);
    }
    BlitToCompositeKeyed(control, bg.get(), MagentaKey);
  }
  // The ring covers the scroll-bar strips, and so does the system when it
  // paints the non-client area: the overlays lying there go back on top.
  RepaintOverlays(control);
}

}  // namespace quorlin::skin
