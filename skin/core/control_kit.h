#pragma once
// The kit every skinned control family is built from: finding a control's
// record, attaching a control, the one WM_NCDESTROY release, hover tracking,
// the key colour and the small window helpers.
//
// How to add a control family:
//  1. Give it a state record in control_states.h (hwnd and previousProc
//     first, every field commented) and a table in SkinRecord (starting with
//     one free record); add the table to RenumberRecord in skin_record.cpp.
//  2. Write skin/controls/<family>.h/.cpp: an attach pass that calls
//     AttachControl for each control it takes, and one <Class>WndProc that
//     fetches the record once with RecordOf, dispatches each message to an
//     On<Message> handler, and answers WM_NCDESTROY with ReleaseControl.
//  3. Mouse over the control: EnterHover, paint the hover look when it says
//     so, MarkHot; WM_MOUSELEAVE: LeaveHover. Give the family a HoverKind.
//  4. Painters go in <family>_paint.cpp, shaped read -> parts -> draw, and
//     find the record with RecordAt. Holes that show the control's children
//     are written with FillKeyColour and copied with KeyColour.
//  5. List the attach pass in AttachPasses (skin/apply_skin.cpp), the files
//     in skin/CMakeLists.txt, and add tests/skin/<family>_test.cpp plus a
//     row in the family table of tests/skin/control_kit_test.cpp.
#include <windows.h>

#include <vector>

#include "skin/core/skin_record.h"

namespace quorlin::skin {

// The window properties a control's record is found through. Toolbars use
// keys of their own, so that a toolbar can carry a container's layer too.
struct RecordKeys {
  const char* index;  // 1-based index in the family's table
  const char* owner;  // skin id of the top window
  const char* proc;   // the procedure the skin replaced
};
inline constexpr RecordKeys ControlKeys = {PropSkinId, PropOwnerSkinId, PropPreviousProc};
inline constexpr RecordKeys ToolbarKeys = {PropToolbarIndex, PropToolbarOwner, PropToolbarProc};

// The record of the skinned window that holds control, nullptr when none.
SkinRecord* OwnerRecord(HWND control, const RecordKeys& keys = ControlKeys);

// The control's record in table, nullptr when the control is not (or no
// longer) the window that record belongs to.
template <typename State>
State* RecordOf(HWND control, std::vector<State> SkinRecord::*table, const RecordKeys& keys = ControlKeys) {
  SkinRecord* record = OwnerRecord(control, keys);
  const int index = GetIntProp(control, keys.index);
  if (!record || index < 1 || index > static_cast<int>((record->*table).size())) return nullptr;
  State& state = (record->*table)[static_cast<size_t>(index - 1)];
  return state.hwnd == control ? &state : nullptr;
}

// Record index (1-based) of table in skin skinId, nullptr for a free record
// or an index outside the table.
template <typename State>
State* RecordAt(int skinId, int index, std::vector<State> SkinRecord::*table) {
  SkinRecord* record = SkinRecordById(skinId);
  if (!record || index < 1 || index > static_cast<int>((record->*table).size())) return nullptr;
  State& state = (record->*table)[static_cast<size_t>(index - 1)];
  return state.hwnd ? &state : nullptr;
}

// Attaches control to table of skin skinId: a record (none when it is
// already there, which would chain the procedure to itself), the index and
// owner properties, fill(state) for what the family keeps, then the
// subclassing. Returns the 1-based index, 0 when nothing was attached.
template <typename State, typename Fill>
int AttachControl(int skinId, HWND control, std::vector<State> SkinRecord::*table, WNDPROC procedure, Fill fill,
                  const RecordKeys& keys = ControlKeys) {
  SkinRecord* record = SkinRecordById(skinId);
  if (!record) return 0;
  const int index = TakeControlRecord(record->*table, control);
  if (index == 0) return 0;
  SetIntProp(control, keys.index, index);
  SetIntProp(control, keys.owner, skinId);
  fill((record->*table)[static_cast<size_t>(index - 1)]);
  // fill may have created windows: take the record again.
  State& state = (SkinRecordById(skinId)->*table)[static_cast<size_t>(index - 1)];
  state.previousProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
  SetIntProp(control, keys.proc, reinterpret_cast<LONG_PTR>(state.previousProc));
  return index;
}

// Forwards a message to the procedure stored under keys.proc.
LRESULT CallPreviousProc(HWND control, const RecordKeys& keys, UINT message, WPARAM wParam, LPARAM lParam);
// Removes the three properties of keys from control.
void RemoveRecordProps(HWND control, const RecordKeys& keys = ControlKeys);
// Forgets control as the hot or the under-the-mouse control of its window.
void ForgetHover(SkinRecord* owner, HoverKind kind, int index);

// The WM_NCDESTROY answer of every family: the layers beneath see the
// message, then the record is freed (free(state), by default a fresh
// record) so that a later window with the same handle is attached afresh,
// the hover marks that name the control are dropped and the properties go.
template <typename State, typename Free>
LRESULT ReleaseControl(HWND control, std::vector<State> SkinRecord::*table, HoverKind kind, WPARAM wParam,
                       LPARAM lParam, Free free, const RecordKeys& keys = ControlKeys) {
  const int index = GetIntProp(control, keys.index);
  const LRESULT result = CallPreviousProc(control, keys, WM_NCDESTROY, wParam, lParam);
  if (State* after = RecordOf(control, table, keys)) {
    free(*after);
    ForgetHover(OwnerRecord(control, keys), kind, index);
  }
  RemoveRecordProps(control, keys);
  return result;
}
template <typename State>
LRESULT ReleaseControl(HWND control, std::vector<State> SkinRecord::*table, HoverKind kind, WPARAM wParam,
                       LPARAM lParam, const RecordKeys& keys = ControlKeys) {
  return ReleaseControl(control, table, kind, wParam, lParam, [](State& state) { state = State{}; }, keys);
}

// Hover tracking, the same for every family. On WM_MOUSEMOVE: EnterHover
// asks for the leave message (trackFlags, none when 0), notes the control
// as the one under the mouse and says whether its hover look must be
// painted (it is not yet the hot control of its kind); after that paint,
// which can run messages, MarkHot makes it the hot control. WM_MOUSELEAVE:
// LeaveHover.
bool EnterHover(HWND control, HoverKind kind, DWORD trackFlags = TME_LEAVE);
void MarkHot(HWND control, HoverKind kind);
void LeaveHover(HWND control);

// The skin's key colour: where a control's picture holds it, the keyed
// copies (TransparentBlt) leave what lies beneath.
inline constexpr COLORREF KeyColour = RGB(255, 0, 255);
// The one writer of the key colour into a painter's picture (outside any
// Graphics drawing on dc).
void FillKeyColour(HDC dc, const RECT& area);

// The next paint of every container, toolbar and list control of the skinned
// window is a full one.
void MarkControlsStale(HWND window);

LONG_PTR StyleOf(HWND window);
// The size of the window rectangle.
SIZE WindowSize(HWND window);

}  // namespace quorlin::skin
