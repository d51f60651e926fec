// The skinned window's side of its skinned children: colour responses,
// owner-drawn push buttons and repaints after notifications.
#include "skin/controls/child_messages.h"

#include <commctrl.h>

#include "skin/controls/list.h"
#include "skin/controls/scroll_overlay.h"
#include "skin/core/button_skin.h"
#include "skin/core/control_painting.h"
#include "skin/core/control_states.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

bool ControlSwitchesOn() { return ChildSkinningEnabled && TranslucentControls; }

HBRUSH HollowResponse(HWND control, HDC dc) {
  SetTextColor(dc, static_cast<COLORREF>(GetIntProp(control, PropTextColour)));
  SetBkMode(dc, TRANSPARENT);
  ReleaseColourResponse(control);
  HBRUSH hollow = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  SetPropA(control, PropBrush, hollow);
  return hollow;
}

bool IsSkinnedEdit(HWND control) {
  const EditState* state = ControlRecord(control, &SkinRecord::edits);
  return state && state->hwnd == control && WindowClassName(control) == "Edit";
}

void OnEditNotification(HWND control, int code) {
  if (code != EN_CHANGE && code != EN_UPDATE && code != EN_HSCROLL && code != EN_VSCROLL) return;
  InvalidateRect(control, nullptr, TRUE);
  if (code == EN_CHANGE) RepaintOverlays(control);
}

bool IsSkinnedCombo(HWND control) {
  const ComboState* state = ControlRecord(control, &SkinRecord::combos);
  return state && state->hwnd == control && WindowClassName(control) == "ComboBox";
}

// A skinned combo box paints its face on its own paint messages only: a new
// selection, and the end of focus, reach the screen through an invalidation.
void OnComboNotification(HWND combo, int code) {
  if (code == CBN_SELCHANGE || code == CBN_KILLFOCUS) InvalidateRect(combo, nullptr, TRUE);
}

// A list box redraws only the items whose selection changed, over what it
// drew before: the whole box is painted over the veil again.
void OnListBoxNotification(HWND control, int code) {
  if (code == LBN_SELCHANGE || code == LBN_SELCANCEL) InvalidateRect(control, nullptr, TRUE);
}

void OnCommand(WPARAM wParam, LPARAM lParam) {
  HWND control = reinterpret_cast<HWND>(lParam);
  if (!control || !ControlSwitchesOn()) return;
  const int code = HIWORD(wParam);
  if (IsSkinnedCombo(control))
    OnComboNotification(control, code);
  else if (IsSkinnedEdit(control))
    OnEditNotification(control, code);
  else if (ListRecord(control) && WindowClassName(control) == "ListBox")
    OnListBoxNotification(control, code);
}

// Push buttons are owner-drawn by the skin; check boxes and radio buttons
// paint themselves.
void OnDrawItem(LPARAM lParam) {
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  if (!item || item->CtlType != ODT_BUTTON) return;
  const ButtonState* button = ControlRecord(item->hwndItem, &SkinRecord::buttons);
  if (!button || button->hwnd != item->hwndItem || button->kind != PushButtonKind) return;
  PaintPushButton(item->hwndItem, item->hDC, item->itemState, item->rcItem);
}

// A tree view repaints its whole area when a branch opens or closes.
void OnNotify(LPARAM lParam) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (!header) return;
  if (header->code == TVN_ITEMEXPANDINGA || header->code == TVN_ITEMEXPANDEDA)
    InvalidateRect(header->hwndFrom, nullptr, TRUE);
}

}  // namespace

bool AnswerChildMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  HWND control = reinterpret_cast<HWND>(lParam);
  HDC dc = reinterpret_cast<HDC>(wParam);
  switch (message) {
    case WM_CTLCOLOREDIT:
      if (!ControlSwitchesOn() || WindowClassName(GetParent(control)) == "ComboBox") return false;
      *result = reinterpret_cast<LRESULT>(ControlColourResponse(control, dc));
      return true;
    case WM_CTLCOLORSTATIC:
      if (!ControlSwitchesOn()) return false;
      *result = reinterpret_cast<LRESULT>(ControlColourResponse(control, dc));
      return true;
    case WM_CTLCOLORLISTBOX:
      if (!ControlSwitchesOn() || WindowClassName(control) != "ListBox" || IsOwnerDrawnListBox(control))
        return false;
      *result = reinterpret_cast<LRESULT>(HollowResponse(control, dc));
      return true;
    case WM_CTLCOLORBTN:
      if (!ControlSwitchesOn()) return false;
      *result = reinterpret_cast<LRESULT>(HollowResponse(control, dc));
      return true;
    case WM_DRAWITEM:
      OnDrawItem(lParam);
      return false;
    case WM_COMMAND:
      OnCommand(wParam, lParam);
      return false;
    case WM_NOTIFY:
      OnNotify(lParam);
      return false;
    default:
      return false;
  }
}

}  // namespace quorlin::skin
