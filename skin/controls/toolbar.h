#pragma once
// Skinned toolbars and child containers. A toolbar ("ToolbarWindow32") keeps
// all of its system behaviour (buttons, hot tracking, commands, drop-down
// notifications); the skin repaints it over the window background: rounded
// accent faces for hot, pressed and checked buttons, etched separators, a
// split line and arrow on drop-down buttons, icons from its image list
// (greyed for disabled buttons) and texts in its font. A toolbar that holds
// child windows becomes a container: its children are skinned like the
// window's own, and it answers their colour, owner-draw, command and notify
// requests the way the skinned window does.
#include <windows.h>

#include "skin/core/control_kit.h"  // MarkControlsStale, which also marks toolbars

namespace quorlin::skin {

struct ToolbarState;

// Attach pass: the direct "ToolbarWindow32" children of parent.
void AttachToolbars(int skinId, HWND parent);
// Skins one toolbar (a toolbar already attached is left alone) and, when it
// holds child windows, registers it as a container.
void AttachToolbarWindow(HWND toolbar);
LRESULT CALLBACK ToolbarWndProc(HWND toolbar, UINT message, WPARAM wParam, LPARAM lParam);
// The toolbar's record (through Kj_FuID and Kj_lbID), nullptr when it has none.
ToolbarState* ToolbarRecord(HWND toolbar);

// Whether an erase of window should turn its next paint into a full one:
// while the skinned window is moved only when it is also being sized,
// otherwise while it is active. False when window's skin id (Kj_FuID with the
// toolbar key, else Hw_FuID) names no skinned window.
bool ToolbarRepaintWanted(HWND window, bool useToolbarKey);

// Paints every button of the toolbar over the picture behind it, shows the
// result and commits it to the window's composite image.
void PaintToolbar(HWND toolbar);
// Draws button `index` (0-based) of the toolbar into dc, in the toolbar's
// client coordinates; hot gives it the hover face.
void PaintToolbarButton(HWND toolbar, int index, HDC dc, bool hot);
// Draws icon at (x, y) in grey: black, white and neutral grey pixels are left
// out, coloured ones become their mean grey (with a red cast when state has
// TBSTATE_INDETERMINATE).
void DrawGreyedIcon(HDC dc, int x, int y, HICON icon, BYTE state);
// One pixel of that rendering, 0 for a pixel left out.
COLORREF GreyedIconPixel(COLORREF colour, bool indeterminate);

// Makes window a container of its skinned top window and skins its children
// with every attach pass. Containers of this program have no page background,
// fill or shape; the arguments are kept in the record.
void RegisterContainer(HWND window, bool pageBackground, COLORREF fillColour, int fillAlpha);
LRESULT CALLBACK ContainerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Gives the container its procedure back, removes its record and renumbers
// the containers behind it.
void UnregisterContainer(int skinId, int containerIndex);

}  // namespace quorlin::skin
