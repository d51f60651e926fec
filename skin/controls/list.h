#pragma once
// Skinned list controls: list boxes, list views, tree views, the list of a
// simple combo box, IP address controls and date-time pickers. They share
// one table, one record, one procedure and one frame painter: a painted
// frame with a hot accent border, overlay scroll bars, content painted by
// the control itself over the veiled background, and while the window is
// being moved a repaint copied from the composite image.
#include <windows.h>

namespace quorlin::skin {

struct ListState;

// Attach pass: the list-type children of parent, class by class.
void AttachListControls(int skinId, HWND parent);
LRESULT CALLBACK ListWndProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

// The control's frame; with a take-from-argument flag 0 the value comes from
// its record.
void PaintListFrame(int skinId, int index, bool hot, bool takeHotFromArgument, bool focused,
                    bool takeFocusFromArgument);
// Content painters for translucent controls, called from WM_PAINT. Tree
// views and plain list boxes fill their rows with a background colour
// whatever the background mode and smooth their text against it, so the
// control paints itself twice, on black and on white: per channel, what the
// two pictures share is its own colour and how far they differ is how much
// of the veil shows through, smoothed text edges included. List views and
// date-time pickers paint their items straight onto the veiled background.
void PaintListOverTwoGrounds(HWND control, bool tree, LPARAM lParam);
void PaintListContentOverVeil(HWND control, LPARAM lParam);
// A "ListBox" with LBS_OWNERDRAWFIXED or LBS_OWNERDRAWVARIABLE: it keeps its
// own erase and paint.
bool IsOwnerDrawnListBox(HWND control);

// True while the key-scrolling message hook of this thread is installed
// (some list control has an arrow key down).
bool KeyScrollingHookInstalled();

// The control's record in its window's list table, nullptr when it has none.
ListState* ListRecord(HWND control);

}  // namespace quorlin::skin
