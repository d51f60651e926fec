#pragma once
// Skinned header controls: the "SysHeader32" children of a skinned window and
// the column headers of its list views. Every item gets the veiled window
// background, a vertical gradient face, hot and pressed highlights (button-
// style headers only), a gradient separator at its right edge, its image-list
// icon and its text. In a list view the last column reaches the list's right
// edge.
#include <windows.h>

#include <string>

#include "skin/core/control_states.h"

namespace quorlin::skin {

// hotControlKind of a header.
inline constexpr HoverKind HeaderHoverKind = HoverHeader;
// Pixels at each side of an item that belong to the divider, not the item.
inline constexpr int HeaderDividerZone = 5;

// Attach pass: the direct "SysHeader32" children of parent, then the header
// of every direct "SysListView32" child.
void AttachHeaders(int skinId, HWND parent);
LRESULT CALLBACK HeaderWndProc(HWND header, UINT message, WPARAM wParam, LPARAM lParam);

// 1-based item under a packed client position, 0 for none: the divider zones
// at both sides of every item belong to no item, so an item 10 pixels wide or
// less is never hit.
int HitTestHeaderItem(int skinId, int index, LPARAM position);

// Paints every item of the header of that table index into dc (the header's
// own DC when dc is null) and commits the picture to the window's composite
// image.
void PaintHeader(int skinId, int index, HDC dc = nullptr);

// Width in pixels of text in that font as GDI+ measures it on the screen:
// floor(measured width) + 1.
int MeasureTextWidth(const std::string& text, const std::string& face, int size, int style);

}  // namespace quorlin::skin
