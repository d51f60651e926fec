// Skinned edit fields: attach, window procedure and overlay scroll-bar
// windows. The painters are in edit_paint.cpp.
#include "skin/controls/edit.h"

#include <string>

#include "skin/controls/combo.h"
#include "skin/core/control_kit.h"
#include "skin/core/control_states.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

EditState* EditRecord(HWND field) { return RecordOf(field, &SkinRecord::edits); }

bool HasVScroll(HWND w) { return (StyleOf(w) & WS_VSCROLL) != 0; }
bool HasHScroll(HWND w) { return (StyleOf(w) & WS_HSCROLL) != 0; }
bool HasScrollStyle(HWND w) { return HasVScroll(w) || HasHScroll(w); }

void InvalidateIfPlainField(HWND field) {
  if (TranslucentControls && !HasScrollStyle(field)) InvalidateRect(field, nullptr, TRUE);
}

// ---- message handlers -------------------------------------------------

void OnDestroy(HWND field, EditState* state) {
  ReleaseColourResponse(field);
  // The overlays belong to the field: they go with it.
  if (state) DestroyOverlayBars(field);
}

void OnMouseMove(HWND field, EditState& state) {
  if (EnterHover(field, HoverEdit)) {
    state.hot = true;
    PaintEditFrame(field, false, false, true, true);
    MarkHot(field, HoverEdit);
  }
  if (!OwnerRecord(field)) return;
  if (state.pressed) {
    if (!HasScrollStyle(field)) InvalidateRect(field, nullptr, TRUE);
    RepaintOverlays(field);
  }
}

void OnMouseLeave(HWND field, EditState& state) {
  LeaveHover(field);
  state.hot = false;
  PaintEditFrame(field, state.focused, true, false, true);
}

void OnKillFocus(HWND field, EditState& state) {
  state.focused = false;
  if (WindowClassName(GetParent(field)) == "ComboBox")
    InvalidateRect(field, nullptr, TRUE);
  else
    PaintEditFrame(field, false, true, false, true);
}

LRESULT OnNcPaint(HWND field, LPARAM lParam) {
  PaintEditFrame(field, false, false, false, false);
  return DefWindowProcA(field, WM_NCPAINT, static_cast<WPARAM>(0xFFFFFFFF), lParam);
}

LRESULT OnScroll(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
  if (TranslucentControls) InvalidateRect(field, nullptr, TRUE);
  return ThenRepaintOverlays(field, message, wParam, lParam);
}

void OnNcMouseMove(HWND field, const EditState& state, LPARAM lParam) {
  if (state.verticalOverlay && HasVScroll(field)) PaintVerticalOverlay(field, HitTestVerticalOverlay(field, lParam));
  if (state.horizontalOverlay && HasHScroll(field))
    PaintHorizontalOverlay(field, HitTestHorizontalOverlay(field, lParam));
}

}  // namespace

int AttachEditField(int skinId, HWND field, bool withOverlays) {
  return AttachControl(skinId, field, &SkinRecord::edits, EditWndProc, [&](EditState& state) {
    // After the properties: the overlays look their window up through the field.
    SetIntProp(field, PropTextColour, 0);
    const bool visible = (StyleOf(field) & WS_VISIBLE) != 0;
    HWND vertical = withOverlays && HasVScroll(field) ? CreateOverlayScrollBar(field, true, visible) : nullptr;
    HWND horizontal = withOverlays && HasHScroll(field) ? CreateOverlayScrollBar(field, false, visible) : nullptr;
    state.verticalOverlay = vertical;
    state.horizontalOverlay = horizontal;
  });
}

void AttachEditsAndCombos(int skinId, HWND parent) {
  if (!ChildSkinningEnabled || !SkinRecordById(skinId)) return;
  for (HWND child = FindWindowExA(parent, nullptr, "Edit", nullptr); child;
       child = FindWindowExA(parent, child, "Edit", nullptr))
    AttachEditField(skinId, child, true);
  AttachComboBoxes(skinId, parent);
}

LRESULT CALLBACK EditWndProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
  EditState* state = EditRecord(field);
  if (!state) return CallPreviousProc(field, message, wParam, lParam);
  switch (message) {
    case WM_DESTROY:
      OnDestroy(field, state);
      break;
    case WM_MOUSEMOVE:
      OnMouseMove(field, *state);
      break;
    case WM_MOUSELEAVE:
      OnMouseLeave(field, *state);
      break;
    case WM_SHOWWINDOW:
    case WM_WINDOWPOSCHANGED:
    case WM_GETMINMAXINFO:
      SyncOverlayBars(field);
      break;
    case WM_MOVE:
      if (TranslucentControls) InvalidateRect(field, nullptr, TRUE);
      SyncOverlayBars(field);
      break;
    case WM_WINDOWPOSCHANGING:
      MarkContainerStale(field);
      break;
    case WM_ERASEBKGND:
      if (!TranslucentControls) break;
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      EraseEditBackground(field, reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_PAINT:
      PaintEditFrame(field, false, false, false, false);
      break;
    case WM_SETFOCUS:
      state->focused = true;
      break;
    case WM_KILLFOCUS:
      OnKillFocus(field, *state);
      break;
    case WM_SETTEXT:
    case WM_MOUSEWHEEL:
    case WM_NCLBUTTONDOWN:
    case WM_CHAR:
      return ThenRepaintOverlays(field, message, wParam, lParam);
    case WM_KEYDOWN:
      InvalidateIfPlainField(field);
      return ThenRepaintOverlays(field, message, wParam, lParam);
    case WM_LBUTTONDOWN:
      state->pressed = true;
      InvalidateIfPlainField(field);
      break;
    case WM_LBUTTONUP:
      state->pressed = false;
      break;
    case WM_VSCROLL:
    case WM_HSCROLL:
      return OnScroll(field, message, wParam, lParam);
    case WM_NCPAINT:
      return OnNcPaint(field, lParam);
    case WM_NCMOUSEMOVE:
      OnNcMouseMove(field, *state, lParam);
      break;
    case WM_NCDESTROY:
      // A combo box's inner field goes with its combo box: its record too.
      return ReleaseControl(field, &SkinRecord::edits, HoverEdit, wParam, lParam);
    default:
      break;
  }
  return CallPreviousProc(field, message, wParam, lParam);
}

}  // namespace quorlin::skin
