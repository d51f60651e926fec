#pragma once
// Skinned edit fields: a painted border ring, a veiled translucent client
// background, and overlay scroll bars drawn over the system scroll bars
// (which keep doing the scrolling).
#include <windows.h>

namespace quorlin::skin {

struct EditState;

// Attach pass for the "Edit" children of parent, then for its "ComboBox"
// children (the combo-box half is the combo skin's).
void AttachEditsAndCombos(int skinId, HWND parent);
// Adds one edit field to the edit table of skinId and subclasses it; a field
// already there is left alone. Returns its table index, 0 when nothing was
// attached. Edit fields inside combo boxes come without overlay scroll bars.
int AttachEditField(int skinId, HWND field, bool withOverlays);
LRESULT CALLBACK EditWndProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam);

// Overlay scroll bars, shared with the list controls.
enum OverlayPart : int { OverlayNone = 0, OverlayThumb = 1, OverlayFirstArrow = 3, OverlaySecondArrow = 4 };
HWND CreateOverlayScrollBar(HWND owner, bool vertical, bool visible);
LRESULT CALLBACK OverlayWndProc(HWND overlay, UINT message, WPARAM wParam, LPARAM lParam);
void PaintVerticalOverlay(HWND owner, int part);
void PaintHorizontalOverlay(HWND owner, int part);
int HitTestVerticalOverlay(HWND owner, LPARAM screenPoint);
int HitTestHorizontalOverlay(HWND owner, LPARAM screenPoint);
void SyncOverlayBars(HWND control);

// The field's non-client ring; with a take-from-argument flag 0 the value
// comes from the field's record.
void PaintEditFrame(HWND field, bool focused, bool takeFocusFromArgument, bool hot, bool takeHotFromArgument);
// Where the client area lies in the window rectangle (x, y, width, height).
RECT EditClientPlacement(HWND control);
// 0 none, 1 WS_BORDER, 2 an extended-style edge.
int BorderKind(HWND control);
void EraseEditBackground(HWND field, HDC dc);
HBITMAP BuildVeilBitmap(HWND control);
HBRUSH ControlColourResponse(HWND control, HDC dc);
// Frees the brush (and its veil bitmap) a colour response left on control.
// Every control that ever asked gets this when it goes, skinned or not.
void ReleaseColourResponse(HWND control);

// Children that draw over whatever their parent paints beneath them: windows
// with WS_EX_TRANSPARENT, and group boxes, which draw only their frame and
// caption. The parent paints under them and they repaint afterwards.
bool PaintsOverParent(HWND child);

// A DC of window whose clip leaves out its visible children (GetDC when dc
// is null); release it with ReleaseDC.
HDC ChildClippedDc(HWND window, HDC dc = nullptr);
// Copies window's last image from its top window's composite onto the screen.
void RepaintFromComposite(HWND window, bool useToolbarKey, bool windowDc, HDC dc = nullptr);

}  // namespace quorlin::skin
