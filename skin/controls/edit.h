#pragma once
// Skinned edit fields: a painted border ring, a veiled translucent client
// background, and overlay scroll bars drawn over the system scroll bars
// (which keep doing the scrolling).
#include <windows.h>

#include "skin/controls/scroll_overlay.h"
#include "skin/core/control_painting.h"

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

// The field's non-client ring; with a take-from-argument flag 0 the value
// comes from the field's record.
void PaintEditFrame(HWND field, bool focused, bool takeFocusFromArgument, bool hot, bool takeHotFromArgument);
void EraseEditBackground(HWND field, HDC dc);

}  // namespace quorlin::skin
