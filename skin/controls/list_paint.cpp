// Painters of the skinned list controls: the frame (a veiled ring with a
// black, accent or hot accent border, keyed onto the window so that the
// client area and a borderless control keep their own pixels) and the
// content composed over the veiled background.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "graphics/drawing.h"
#include "skin/controls/list.h"
#include "skin/controls/scroll_overlay.h"
#include "skin/core/control_kit.h"
#include "skin/core/control_painting.h"
#include "skin/core/control_states.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

using graphics::ARGB;
using graphics::REAL;

// Hot: a 2-pixel accent border; otherwise 1 pixel, accent when focused,
// black when idle.
void DrawBorder(graphics::Graphics& g, int w, int h, bool focused, bool hot) {
  const REAL fw = static_cast<REAL>(w), fh = static_cast<REAL>(h);
  if (hot)
    StrokeRect(g, Argb(200, AccentColour), 1, 1, fw - 2, fh - 2, 2.0f);
  else
    StrokeRect(g, focused ? Argb(200, AccentColour) : Argb(90, Black), 0, 0, fw - 1, fh - 1);
}

// The client area stays the control's own: keyed out when shown.
void DrawRing(HDC bg, const RECT& client, int w, int h, bool focused, bool hot) {
  FillKeyColour(bg, client);
  graphics::Graphics g;
  g.FromHDC(bg);
  VeilRing(g, SIZE{w, h}, client);
  DrawBorder(g, w, h, focused, hot);
}

// One picture of the control painting itself on a plain ground colour.
DibSurface PaintOnGround(HWND control, bool tree, COLORREF ground, const RECT& client, LPARAM lParam) {
  DibSurface surface(client.right, client.bottom);
  if (!surface) return surface;
  UniqueBrush brush(CreateSolidBrush(ground));
  FillRect(surface.dc(), &client, brush.get());
  SetBkColor(surface.dc(), ground);
  if (tree) SendMessageA(control, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(ground));
  CallPreviousProc(control, WM_PAINT, reinterpret_cast<WPARAM>(surface.dc()), lParam);
  return surface;
}

// Per channel: what shows through the control is how far its picture on
// white lies above its picture on black.
BYTE MixChannel(BYTE onBlack, BYTE onWhite, BYTE veil) {
  const int through = onWhite > onBlack ? onWhite - onBlack : 0;
  return static_cast<BYTE>(onBlack + veil * through / 255);
}

}  // namespace

void PaintListOverTwoGrounds(HWND control, bool tree, LPARAM lParam) {
  RECT client = {};
  GetClientRect(control, &client);
  const int cw = client.right, ch = client.bottom;
  const COLORREF kept = tree ? static_cast<COLORREF>(SendMessageA(control, TVM_GETBKCOLOR, 0, 0)) : 0;
  const DibSurface black = PaintOnGround(control, tree, RGB(0, 0, 0), client, lParam);
  const DibSurface white = PaintOnGround(control, tree, RGB(255, 255, 255), client, lParam);
  if (tree) SendMessageA(control, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(kept));
  // The veil is copied into a surface of the same layout as the two grounds.
  DibSurface out(cw, ch);
  if (!out) return;
  {
    CachedDc veil(BuildVeilBackground(control));
    BitBlt(out.dc(), 0, 0, cw, ch, veil.get(), 0, 0, SRCCOPY);
  }
  GdiFlush();
  if (black && white) {
    const auto* onBlack = reinterpret_cast<const RGBQUAD*>(black.bits());
    const auto* onWhite = reinterpret_cast<const RGBQUAD*>(white.bits());
    auto* pixels = reinterpret_cast<RGBQUAD*>(out.bits());
    for (size_t i = 0, n = static_cast<size_t>(cw) * ch; i < n; ++i) {
      pixels[i].rgbRed = MixChannel(onBlack[i].rgbRed, onWhite[i].rgbRed, pixels[i].rgbRed);
      pixels[i].rgbGreen = MixChannel(onBlack[i].rgbGreen, onWhite[i].rgbGreen, pixels[i].rgbGreen);
      pixels[i].rgbBlue = MixChannel(onBlack[i].rgbBlue, onWhite[i].rgbBlue, pixels[i].rgbBlue);
    }
  }
  HDC screen = ChildClippedDc(control);
  BitBlt(screen, 0, 0, cw, ch, out.dc(), 0, 0, SRCCOPY);
  ReleaseDC(control, screen);
  BlitToComposite(control, out.dc());
}

void PaintListContentOverVeil(HWND control, LPARAM lParam) {
  RECT client = {};
  GetClientRect(control, &client);
  {
    CachedDc veil(BuildVeilBackground(control));
    PaintScope paint(control);
    CallPreviousProc(control, WM_PAINT, reinterpret_cast<WPARAM>(veil.get()), lParam);
    BitBlt(paint.get(), 0, 0, client.right, client.bottom, veil.get(), 0, 0, SRCCOPY);
    BlitToComposite(control, veil.get());
  }
  // The list view's header lies on the content just painted.
  for (HWND child = FindWindowExA(control, nullptr, nullptr, nullptr); child;
       child = FindWindowExA(control, child, nullptr, nullptr))
    if (IsWindowVisible(child)) InvalidateRect(child, nullptr, TRUE);
}

void PaintListFrame(int skinId, int index, bool hot, bool takeHotFromArgument, bool focused,
                    bool takeFocusFromArgument) {
  const ListState* state = RecordAt(skinId, index, &SkinRecord::lists);
  if (!state || !IsWindow(state->hwnd)) return;
  HWND control = state->hwnd;
  if (!takeHotFromArgument) hot = state->hot;
  if (!takeFocusFromArgument) focused = state->focused;
  // A simple combo's list and a borderless control show no frame at all.
  if (WindowClassName(control) != "ComboLBox" && BorderKind(control) != 0) {
    const SIZE size = WindowSize(control);
    const int w = size.cx, h = size.cy;
    const RECT client = EditClientPlacement(control);
    CachedDc bg(PaintParentBackground(control, RECT{0, 0, w, h}));
    DrawRing(bg.get(), client, w, h, focused, hot);
    {
      WindowDc dc(control, true);
      ExcludeClipRect(dc.get(), client.left, client.top, client.right, client.bottom);
      TransparentBlt(dc.get(), 0, 0, w, h, bg.get(), 0, 0, w, h, KeyColour);
    }
    BlitToCompositeKeyed(control, bg.get(), KeyColour);
  }
  // The ring covers the scroll-bar strips, and so does the system when it
  // paints the non-client area: the overlays lying there go back on top.
  RepaintOverlays(control);
}

}  // namespace quorlin::skin
