#pragma once
// Answers a skinned window gives its skinned child controls: colour
// requests, owner-draw requests and the notifications after which a control
// must repaint. The frame procedure of a skinned top-level window calls it,
// and so does any procedure of a window that parents skinned controls.
#include <windows.h>

namespace quorlin::skin {

// Handles WM_COMMAND notifications, WM_CTLCOLOR*, WM_DRAWITEM and WM_NOTIFY
// sent to parent by its children; any other message is left alone. True when
// the message is answered and *result must be returned without passing the
// message on; false when it is to be passed on (after any repaint it asked
// for).
bool AnswerChildMessage(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

}  // namespace quorlin::skin
