#pragma once
// Skinned combo boxes: the skin paints the whole face (white veil over the
// window background, outline, rounded drop button, the text of a drop-down
// list) and leaves magenta holes where the combo box's own children, the
// edit field and the list of a simple combo box, keep their pixels.
#include <windows.h>

#include <vector>

#include "skin/core/control_states.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {

// The low two bits of a combo box's style, read as two switches.
inline constexpr LONG_PTR ComboShowsTextBit = 0x1;  // CBS_SIMPLE and CBS_DROPDOWNLIST
inline constexpr LONG_PTR ComboDropButtonBit = 0x2;  // CBS_DROPDOWN and CBS_DROPDOWNLIST
// hotControlKind of a combo box painted hot.
inline constexpr HoverKind ComboHotKind = HoverCombo;

// The combo half of the edit-and-combo attach pass: every "ComboBox" child of
// parent gets a combo record and ComboWndProc; the edit field inside it is
// skinned as an edit field without overlay scroll bars while translucency is
// on. A combo box already in the table is left alone.
void AttachComboBoxes(int skinId, HWND parent);
LRESULT CALLBACK ComboWndProc(HWND combo, UINT message, WPARAM wParam, LPARAM lParam);

// Where the parts of a combo box's face lie, in its window coordinates.
struct ComboParts {
  SIZE size = {};              // the window rectangle's size
  bool hasDropButton = false;  // CBS_DROPDOWN, CBS_DROPDOWNLIST
  RECT dropButton = {};        // as the combo box reports it (CB_GETCOMBOBOXINFO)
  bool paintsText = false;     // the skin paints the window text: a drop-down list
  RectF textLayout;            // where that text is laid out
  std::vector<RECT> holes;     // child areas left to the children (the list shrunk by 2)
};
ComboParts ComboPartRects(HWND combo);

// Paints the whole combo box window of record index in skin skinId's combo
// table; with takeFocusFromArgument false the focus comes from the record.
void PaintComboBox(int skinId, int index, bool hot, bool focused, bool takeFocusFromArgument);

}  // namespace quorlin::skin
