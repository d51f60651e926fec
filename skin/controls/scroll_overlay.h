#pragma once
// Overlay scroll bars: borderless, disabled "Static" windows laid over the
// system scroll bars of an edit field or a list control and painted with
// gradients, a rounded thumb and arrow glyphs. The system bars beneath keep
// doing the scrolling; an overlay only mirrors its bar and shows the part
// under the mouse. The owner's record (edit table for "Edit", list table
// otherwise) holds the overlay windows and their part rectangles.
#include <windows.h>

#include <array>

namespace quorlin::skin {

struct OverlayBars;

enum OverlayPart : int { OverlayNone = 0, OverlayThumb = 1, OverlayFirstArrow = 3, OverlaySecondArrow = 4 };

// The overlay windows and part rectangles of owner's record, nullptr when
// owner is not a skinned edit field or list control.
OverlayBars* OverlayBarsOf(HWND owner);

HWND CreateOverlayScrollBar(HWND owner, bool vertical, bool visible);
LRESULT CALLBACK OverlayWndProc(HWND overlay, UINT message, WPARAM wParam, LPARAM lParam);

// Part rectangles of an overlay of size width x height over the bar that
// info describes (overlay coordinates, edges inclusive): first arrow, second
// arrow, thumb. Painter and hit test both use them.
std::array<RECT, 3> OverlayPartRects(int width, int height, const SCROLLBARINFO& info, bool vertical);

// Paint the owner's overlay with part lit; nothing when it has none.
void PaintVerticalOverlay(HWND owner, int part);
void PaintHorizontalOverlay(HWND owner, int part);
// Both overlays with no part lit, each only while the owner has its scroll style.
void RepaintOverlays(HWND owner);
// The system draws its own scroll bar as soon as a message moves it (typing,
// the wheel, a new text, new items), over the overlay lying on top of it:
// passes the message on, then paints the overlays again.
LRESULT ThenRepaintOverlays(HWND owner, UINT message, WPARAM wParam, LPARAM lParam);
// The part under a screen point packed as in WM_NCMOUSEMOVE's lParam.
int HitTestVerticalOverlay(HWND owner, LPARAM screenPoint);
int HitTestHorizontalOverlay(HWND owner, LPARAM screenPoint);
// Shows, hides and re-places the owner's overlays after it moved, resized
// or changed visibility.
void SyncOverlayBars(HWND control);
// Destroys the owner's overlays, so none is left to paint for an owner that is gone.
void DestroyOverlayBars(HWND owner);

}  // namespace quorlin::skin
