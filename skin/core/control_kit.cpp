// The parts of the control kit that are not templates: owner lookup, the
// property clean-up, hover tracking, the key colour's writer and the window
// helpers.
#include "skin/core/control_kit.h"

namespace quorlin::skin {

SkinRecord* OwnerRecord(HWND control, const RecordKeys& keys) {
  return SkinRecordById(GetIntProp(control, keys.owner));
}

LRESULT CallPreviousProc(HWND control, const RecordKeys& keys, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto previous = reinterpret_cast<WNDPROC>(GetPropA(control, keys.proc));
  return previous ? CallWindowProcA(previous, control, message, wParam, lParam)
                  : DefWindowProcA(control, message, wParam, lParam);
}

void RemoveRecordProps(HWND control, const RecordKeys& keys) {
  RemovePropA(control, keys.proc);
  RemovePropA(control, keys.index);
  RemovePropA(control, keys.owner);
}

void ForgetHover(SkinRecord* owner, HoverKind kind, int index) {
  if (!owner || kind == HoverNone || owner->hotControlKind != kind) return;
  if (owner->hotControlId == index) owner->hotControlId = 0;
  if (owner->controlUnderMouse == index) owner->controlUnderMouse = 0;
}

bool EnterHover(HWND control, HoverKind kind, DWORD trackFlags) {
  if (trackFlags) {
    TRACKMOUSEEVENT tme = {sizeof tme, trackFlags, control, HOVER_DEFAULT};
    TrackMouseEvent(&tme);
  }
  SkinRecord* record = OwnerRecord(control);
  if (!record) return false;
  record->controlUnderMouse = GetIntProp(control, PropSkinId);
  return record->hotControlId != record->controlUnderMouse || record->hotControlKind != kind ||
         record->hotControlParent != GetParent(control);
}

void MarkHot(HWND control, HoverKind kind) {
  SkinRecord* record = OwnerRecord(control);
  if (!record) return;
  record->hotControlId = record->controlUnderMouse;
  record->hotControlKind = kind;
  record->hotControlParent = GetParent(control);
}

void LeaveHover(HWND control) {
  if (SkinRecord* record = OwnerRecord(control)) record->hotControlId = 0;
}

// TransparentBlt documents crTransparent as an RGB colour, and for a 32 bpp
// BI_RGB bitmap GDI leaves the fourth byte unused. GDI writes the key with
// that byte 0, which is the whole pixel value of the COLORREF: a keyed copy
// matches it whether it compares the colour alone (as documented) or the
// whole pixel (Wine's does). GDI+ would write the byte as alpha 255, which
// only the former matches; so the key is never written with GDI+, and never
// while a Graphics is drawing on the DC.
void FillKeyColour(HDC dc, const RECT& area) {
  UniqueBrush key(CreateSolidBrush(KeyColour));
  FillRect(dc, &area, key.get());
}

void MarkControlsStale(HWND window) {
  SkinRecord* record = SkinRecordById(GetIntProp(window, PropSkinId));
  if (!record || record->hwnd != window) return;
  for (ContainerState& container : record->containers) {
    if (!container.hwnd) continue;
    container.repaintPending = true;
    container.stale = true;
  }
  for (ToolbarState& toolbar : record->toolbars)
    if (toolbar.hwnd) toolbar.stale = true;
  for (ListState& list : record->lists)
    if (list.hwnd) list.dirty = true;
}

LONG_PTR StyleOf(HWND window) { return GetWindowLongPtrA(window, GWL_STYLE); }

SIZE WindowSize(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace quorlin::skin
