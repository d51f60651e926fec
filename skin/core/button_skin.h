#pragma once
// The button skin: push buttons become owner-drawn translucent glass buttons
// with rounded corners; check boxes and automatic radio buttons get a drawn
// indicator with the caption beside it. Hover and focus show the accent
// colour. One window procedure serves every attached button.
#include <windows.h>

#include <string>

namespace quorlin::skin {

// Kinds of attached buttons (ButtonState::kind).
enum ButtonKind : int {
  PushButtonKind = 0,
  RadioButtonKind = 4,
  CheckBoxKind = 5,
};

// Owner-draw state bits the painters take (the ODS_ values).
inline constexpr UINT ButtonPressedBit = ODS_SELECTED;   // 1
inline constexpr UINT ButtonDisabledBit = ODS_DISABLED;  // 4
inline constexpr UINT ButtonFocusBit = ODS_FOCUS;        // 16
inline constexpr UINT ButtonHotBit = 64;                 // set by PaintButton

// Attach passes: push buttons (style types 0, 1 and 8, switched to
// owner-draw), then check boxes and automatic radio buttons. Group boxes,
// three-state boxes, BS_RADIOBUTTON and owner-drawn buttons are left alone.
void AttachPushButtons(int skinId, HWND parent);
void AttachCheckAndRadioButtons(int skinId, HWND parent);

LRESULT CALLBACK ButtonWindowProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam);

// Paints the button in its window DC with the painter of its kind; hot adds
// the hot bit. A disabled window always paints disabled, and a push button
// held down keeps its pressed look.
void PaintButton(HWND button, UINT state, bool hot);
// Paints a push button into dc within rect (client coordinates). Also the
// answer to the parent's WM_DRAWITEM for push buttons. A look composed
// before, from the same text, font, text colour, accent, rectangle and
// picture behind the button, is copied instead of being drawn again.
void PaintPushButton(HWND button, HDC dc, UINT state, const RECT& rect);
// Paint into the button's own window DC over its whole client area.
void PaintRadioButton(HWND button, UINT state);
void PaintCheckBox(HWND button, UINT state);

// Face, em size in pixels and GDI+ style bits of a window's font; "宋体",
// 12, 0 for a window without one.
struct ControlFont {
  std::string face;
  int size = 12;
  int style = 0;
};
ControlFont QueryControlFont(HWND window);

// PNG bytes of the check-box tick tinted with the accent colour.
std::string TintedCheckMark();

}  // namespace quorlin::skin
