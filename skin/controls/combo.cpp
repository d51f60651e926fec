// Skinned combo boxes: attach, window procedure and handlers. The face
// geometry and the painter are in combo_paint.cpp.
#include "skin/controls/combo.h"

#include <string>

#include "skin/controls/edit.h"
#include "skin/core/control_kit.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

ComboState* ComboRecord(HWND combo) { return RecordOf(combo, &SkinRecord::combos); }

HWND InnerEdit(HWND combo) { return FindWindowExA(combo, nullptr, "Edit", nullptr); }

void Paint(HWND combo, bool hot) {
  PaintComboBox(GetIntProp(combo, PropOwnerSkinId), GetIntProp(combo, PropSkinId), hot, false, false);
}

// The window text of a combo box without an edit field is the selected item.
void RefreshTextFromSelection(HWND combo) {
  const LRESULT selection = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  if (selection < 0) return;
  const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(selection), 0);
  if (length < 0) return;
  std::string text(static_cast<size_t>(length) + 1, '\0');
  SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(selection), reinterpret_cast<LPARAM>(text.data()));
  SendMessageA(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// ---- message handlers -------------------------------------------------

void OnMouseMove(HWND combo) {
  if (EnterHover(combo, HoverCombo)) Paint(combo, true);
  MarkHot(combo, HoverCombo);
}

void OnMouseLeave(HWND combo) {
  Paint(combo, false);
  LeaveHover(combo);
}

LRESULT OnPaint(HWND combo, WPARAM wParam, LPARAM lParam) {
  {
    PaintScope paint(combo);
    Paint(combo, false);
  }
  // The previous procedure never sees the message: the system face is never
  // drawn.
  return DefWindowProcA(combo, WM_PAINT, wParam, lParam);
}

LRESULT OnNcPaint(HWND combo, LPARAM lParam) {
  Paint(combo, false);
  return DefWindowProcA(combo, WM_NCPAINT, static_cast<WPARAM>(0xFFFFFFFF), lParam);
}

void OnSetFocus(HWND combo, ComboState& state) {
  state.focused = true;
  PaintComboBox(GetIntProp(combo, PropOwnerSkinId), GetIntProp(combo, PropSkinId), false, true, true);
}

// Typing, pasting and scrolling in the edit field show new text over its
// veil: the whole field is erased again behind it.
void OnCommand(WPARAM wParam, LPARAM lParam) {
  HWND from = reinterpret_cast<HWND>(lParam);
  if (!TranslucentControls || !ChildSkinningEnabled || !from || WindowClassName(from) != "Edit") return;
  const int code = HIWORD(wParam);
  if (code == EN_VSCROLL || code == EN_HSCROLL || code == EN_CHANGE || code == EN_UPDATE)
    InvalidateRect(from, nullptr, TRUE);
}

// Colour answers the combo box gave its edit field go with it, whether or
// not the field was skinned.
void OnDestroy(HWND combo) {
  for (HWND child = FindWindowExA(combo, nullptr, nullptr, nullptr); child;
       child = FindWindowExA(combo, child, nullptr, nullptr))
    ReleaseColourResponse(child);
}

}  // namespace

void AttachComboBoxes(int skinId, HWND parent) {
  if (!ChildSkinningEnabled || !SkinRecordById(skinId)) return;
  for (HWND combo = FindWindowExA(parent, nullptr, "ComboBox", nullptr); combo;
       combo = FindWindowExA(parent, combo, "ComboBox", nullptr)) {
    if (!AttachControl(skinId, combo, &SkinRecord::combos, ComboWndProc,
                       [&](ComboState&) { RefreshTextFromSelection(combo); }))
      continue;
    if (HWND edit = InnerEdit(combo); edit && TranslucentControls) AttachEditField(skinId, edit, false);
  }
}

LRESULT CALLBACK ComboWndProc(HWND combo, UINT message, WPARAM wParam, LPARAM lParam) {
  ComboState* state = ComboRecord(combo);
  if (!state) return CallPreviousProc(combo, message, wParam, lParam);
  switch (message) {
    case WM_MOUSEMOVE:
      OnMouseMove(combo);
      break;
    case WM_MOUSELEAVE:
      OnMouseLeave(combo);
      break;
    case WM_WINDOWPOSCHANGING:
      MarkContainerStale(combo);
      break;
    case WM_MOVE:
      Paint(combo, false);
      break;
    case WM_ERASEBKGND:
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return 1;
    case WM_PAINT:
      return OnPaint(combo, wParam, lParam);
    case WM_SETFOCUS:
      OnSetFocus(combo, *state);
      break;
    case WM_KILLFOCUS:
      // The repaint comes from the parent's CBN_KILLFOCUS invalidation.
      state->focused = false;
      break;
    case WM_SETTEXT:
      if (InnerEdit(combo)) InvalidateRect(combo, nullptr, TRUE);
      break;
    case WM_CTLCOLOREDIT:
      if (TranslucentControls)
        return reinterpret_cast<LRESULT>(
            ControlColourResponse(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam)));
      break;
    case WM_COMMAND:
      OnCommand(wParam, lParam);
      break;
    case WM_NCPAINT:
      return OnNcPaint(combo, lParam);
    case WM_DESTROY:
      OnDestroy(combo);
      break;
    case WM_NCDESTROY:
      return ReleaseControl(combo, &SkinRecord::combos, HoverCombo, wParam, lParam);
    default:
      break;
  }
  return CallPreviousProc(combo, message, wParam, lParam);
}

}  // namespace quorlin::skin
