#pragma once
// Painting helpers every skinned control family and the window chrome share:
// where a control's client area lies, which border it has, its veiled
// background, the answers to its colour requests, and DCs that leave out
// child windows or copy a control's last image back from the composite.
#include <windows.h>

namespace quorlin::skin {

// Where the client area lies in the window rectangle: left, top, right,
// bottom in window coordinates. A standard scroll bar is taken as 17 pixels
// thick, lying right and bottom; the border is assumed even on all sides.
RECT EditClientPlacement(HWND control);
// 0 none, 1 WS_BORDER, 2 an extended-style edge.
int BorderKind(HWND control);

// The background behind the control's client area under a white veil of
// VeilAlpha, in a cached memory DC (release with ReleaseDcBitmap / CachedDc).
HDC BuildVeilBackground(HWND control);
// The same picture as a new bitmap the caller owns.
HBITMAP BuildVeilBitmap(HWND control);

// Answer to a WM_CTLCOLOR... request: text colour Kj_Ztys, transparent mode
// and a fresh pattern brush of the veiled background, kept on the control.
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
// Copies window's last image from its top window's composite onto the screen:
// into dc when one is given (a paint DC; the caller keeps it), else into a DC
// of its own. With windowDc only the children without a skin are left out.
void RepaintFromComposite(HWND window, bool useToolbarKey, bool windowDc, HDC dc = nullptr);

}  // namespace quorlin::skin
