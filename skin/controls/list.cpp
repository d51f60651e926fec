// Skinned list controls: attach, window procedure with its handlers and the
// key-scrolling repaint. The painters (frame and content) are in
// list_paint.cpp.
#include "skin/controls/list.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "skin/controls/scroll_overlay.h"
#include "skin/core/control_kit.h"
#include "skin/core/control_painting.h"
#include "skin/core/control_states.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

enum class ListClass { ListBox, ComboList, ListView, TreeView, IpAddress, DateTime, Other };

ListClass ClassOf(HWND control) {
  const std::string name = WindowClassName(control);
  if (name == "ListBox") return ListClass::ListBox;
  if (name == "ComboLBox") return ListClass::ComboList;
  if (name == WC_LISTVIEWA) return ListClass::ListView;
  if (name == WC_TREEVIEWA) return ListClass::TreeView;
  if (name == WC_IPADDRESSA) return ListClass::IpAddress;
  if (name == DATETIMEPICK_CLASSA) return ListClass::DateTime;
  return ListClass::Other;
}

void PaintFrameFromRecord(HWND control) {
  PaintListFrame(GetIntProp(control, PropOwnerSkinId), GetIntProp(control, PropSkinId), false, false, false, false);
}

// ---- the key-scrolling repaint ------------------------------------------
//
// While an arrow key is held in a translucent list control, every queued
// message addressed to it or its children marks it dirty and invalidates it
// without erase, so what the keyboard scrolls into view is painted over the
// veil again. A message hook on this thread sees those messages; it exists
// only while some control has keyScrolling set.

thread_local HHOOK keyScrollHook = nullptr;
thread_local std::vector<HWND> keyScrollers;

void OnQueuedMessage(const MSG& msg) {
  // A paint is the answer to the invalidation, not a reason for another.
  if (!msg.hwnd || msg.message == WM_PAINT || !TranslucentControls) return;
  for (HWND control : std::vector<HWND>(keyScrollers)) {
    if (msg.hwnd != control && !IsChild(control, msg.hwnd)) continue;
    ListState* state = ListRecord(control);
    if (!state || !state->keyScrolling) continue;
    state->dirty = true;
    InvalidateRect(control, nullptr, FALSE);
  }
}

LRESULT CALLBACK KeyScrollHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE) OnQueuedMessage(*reinterpret_cast<const MSG*>(lParam));
  return CallNextHookEx(keyScrollHook, code, wParam, lParam);
}

void SetKeyScrolling(HWND control, ListState& state, bool on) {
  state.keyScrolling = on;
  const auto listed = std::find(keyScrollers.begin(), keyScrollers.end(), control);
  if (on && listed == keyScrollers.end()) keyScrollers.push_back(control);
  if (!on && listed != keyScrollers.end()) keyScrollers.erase(listed);
  if (!keyScrollers.empty() && !keyScrollHook)
    keyScrollHook = SetWindowsHookExA(WH_GETMESSAGE, KeyScrollHookProc, nullptr, GetCurrentThreadId());
  if (keyScrollers.empty() && keyScrollHook) {
    UnhookWindowsHookEx(keyScrollHook);
    keyScrollHook = nullptr;
  }
}

// ---- attach ---------------------------------------------------------------

bool InTable(const SkinRecord& record, HWND control) {
  return std::any_of(record.lists.begin(), record.lists.end(), [&](const ListState& s) { return s.hwnd == control; });
}

void AttachOne(int skinId, HWND control, bool withOverlays) {
  AttachControl(skinId, control, &SkinRecord::lists, ListWndProc, [&](ListState& state) {
    const LONG_PTR style = StyleOf(control);
    const bool visible = (style & WS_VISIBLE) != 0;
    HWND vertical = withOverlays ? CreateOverlayScrollBar(control, true, visible && (style & WS_VSCROLL)) : nullptr;
    HWND horizontal = withOverlays ? CreateOverlayScrollBar(control, false, visible && (style & WS_HSCROLL)) : nullptr;
    state.verticalOverlay = vertical;
    state.horizontalOverlay = horizontal;
    state.dirty = true;
  });
}

template <typename Visit>
void ForEachChild(HWND parent, const char* cls, Visit visit) {
  for (HWND child = FindWindowExA(parent, nullptr, cls, nullptr); child;
       child = FindWindowExA(parent, child, cls, nullptr))
    visit(child);
}

// ---- message handlers -----------------------------------------------------

void OnMouseMove(HWND control, ListState& state) {
  if (EnterHover(control, HoverList, state.mouseResting ? 0 : TME_HOVER | TME_LEAVE)) {
    state.hot = true;
    PaintFrameFromRecord(control);
    MarkHot(control, HoverList);
  }
}

void OnMouseLeave(HWND control, ListState& state) {
  state.mouseResting = false;
  LeaveHover(control);
  state.hot = false;
  PaintFrameFromRecord(control);
}

LRESULT OnEraseBackground(HWND control, WPARAM wParam, LPARAM lParam) {
  const ListClass cls = ClassOf(control);
  HDC dc = reinterpret_cast<HDC>(wParam);
  if (!TranslucentControls || cls == ListClass::ComboList || (cls == ListClass::ListBox && IsOwnerDrawnListBox(control)))
    return CallPreviousProc(control, WM_ERASEBKGND, wParam, lParam);
  SetBkMode(dc, TRANSPARENT);
  if (cls == ListClass::TreeView || cls == ListClass::ListView || cls == ListClass::ListBox) return 1;
  return static_cast<LRESULT>(SetTextColor(dc, static_cast<COLORREF>(GetIntProp(control, PropTextColour))));
}

// The content painters leave the control clean; setting a tree's colours
// asked for a repaint, and this paint is it.
LRESULT ThenValidate(HWND control, LPARAM lParam) {
  if (ListState* after = ListRecord(control)) after->dirty = false;
  return DefWindowProcA(control, WM_PAINT, 0, lParam);
}

LRESULT OnPaint(HWND control, ListState& state, WPARAM wParam, LPARAM lParam) {
  SyncOverlayBars(control);
  PaintFrameFromRecord(control);
  const SkinRecord* record = OwnerRecord(control);
  if (!record) return CallPreviousProc(control, WM_PAINT, wParam, lParam);
  if (!record->moving || state.mouseResting) state.dirty = true;
  if (!state.dirty) {
    // The window is being dragged: show the last composed image.
    RepaintFromComposite(control, false, false);
    return DefWindowProcA(control, WM_PAINT, wParam, lParam);
  }
  if (!TranslucentControls) return CallPreviousProc(control, WM_PAINT, wParam, lParam);
  const ListClass cls = ClassOf(control);
  if (cls == ListClass::TreeView || (cls == ListClass::ListBox && !IsOwnerDrawnListBox(control))) {
    PaintListOverTwoGrounds(control, cls == ListClass::TreeView, lParam);
    return ThenValidate(control, lParam);
  }
  if (cls == ListClass::ListView || cls == ListClass::DateTime) {
    // A restoring window invalidates its list views once it is painted.
    if (cls == ListClass::ListView && record->restorePending) return DefWindowProcA(control, WM_PAINT, wParam, lParam);
    PaintListContentOverVeil(control, lParam);
    return ThenValidate(control, lParam);
  }
  return CallPreviousProc(control, WM_PAINT, wParam, lParam);
}

LRESULT OnNcPaint(HWND control, WPARAM wParam, LPARAM lParam) {
  DefWindowProcA(control, WM_NCPAINT, wParam, lParam);
  PaintFrameFromRecord(control);
  return 0;
}

void OnNcMouseMove(HWND control, const ListState& state, WPARAM hit, LPARAM lParam) {
  const LONG_PTR style = StyleOf(control);
  if (hit == HTVSCROLL && (style & WS_VSCROLL) && state.verticalOverlay)
    PaintVerticalOverlay(control, HitTestVerticalOverlay(control, lParam));
  if (hit == HTHSCROLL && (style & WS_HSCROLL) && state.horizontalOverlay)
    PaintHorizontalOverlay(control, HitTestHorizontalOverlay(control, lParam));
}

void OnNcLButtonDown(HWND control, const ListState& state, WPARAM hit) {
  const LONG_PTR style = StyleOf(control);
  if (hit == HTVSCROLL && (style & WS_VSCROLL) && state.verticalOverlay) PaintVerticalOverlay(control, OverlayNone);
  if (hit == HTHSCROLL && (style & WS_HSCROLL) && state.horizontalOverlay) PaintHorizontalOverlay(control, OverlayNone);
}

LRESULT OnKeyDown(HWND control, ListState& state, WPARAM key, LPARAM lParam) {
  state.dirty = true;
  if (key < VK_LEFT || key > VK_DOWN) return CallPreviousProc(control, WM_KEYDOWN, key, lParam);
  SetKeyScrolling(control, state, true);
  return ThenRepaintOverlays(control, WM_KEYDOWN, key, lParam);
}

LRESULT OnScroll(HWND control, ListState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  state.dirty = true;
  if (TranslucentControls) InvalidateRect(control, nullptr, TRUE);
  return ThenRepaintOverlays(control, message, wParam, lParam);
}

// Messages after which the system may have redrawn or resized a scroll bar.
bool MovesScrollBar(UINT message) {
  switch (message) {
    case LB_ADDSTRING: case LB_INSERTSTRING: case LB_DELETESTRING: case LB_RESETCONTENT:
    case LB_SETCURSEL: case LB_SETTOPINDEX: case LB_SETCARETINDEX:
    case LVM_INSERTITEMA: case LVM_INSERTITEMW: case LVM_DELETEITEM: case LVM_DELETEALLITEMS:
    case LVM_ENSUREVISIBLE: case LVM_SCROLL: case LVM_SETITEMCOUNT:
    case TVM_INSERTITEMA: case TVM_INSERTITEMW: case TVM_DELETEITEM: case TVM_EXPAND:
    case TVM_ENSUREVISIBLE: case TVM_SELECTITEM:
    case WM_LBUTTONUP: case WM_SIZE:
      return true;
    default:
      return false;
  }
}

void OnDestroy(HWND control, ListState& state) {
  SetKeyScrolling(control, state, false);
  DestroyOverlayBars(control);
}

// A free list record is clean: nothing marks it dirty again.
LRESULT OnNcDestroy(HWND control, ListState& state, WPARAM wParam, LPARAM lParam) {
  SetKeyScrolling(control, state, false);
  return ReleaseControl(control, &SkinRecord::lists, HoverList, wParam, lParam, [](ListState& freed) {
    freed = ListState{};
    freed.dirty = false;
  });
}

}  // namespace

ListState* ListRecord(HWND control) { return RecordOf(control, &SkinRecord::lists); }

bool IsOwnerDrawnListBox(HWND control) {
  return (StyleOf(control) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) && WindowClassName(control) == "ListBox";
}

bool KeyScrollingHookInstalled() { return keyScrollHook != nullptr; }

void AttachListControls(int skinId, HWND parent) {
  if (!ChildSkinningEnabled) return;
  const SkinRecord* record = SkinRecordById(skinId);
  if (!record) return;
  ForEachChild(parent, "ListBox", [&](HWND list) { AttachOne(skinId, list, true); });
  ForEachChild(parent, "ComboBox", [&](HWND combo) {
    HWND list = FindWindowExA(combo, nullptr, "ComboLBox", nullptr);
    if (list && !(StyleOf(list) & LBS_OWNERDRAWFIXED)) AttachOne(skinId, list, false);
  });
  // An owner-drawn list view paints its own items; the skin leaves it alone.
  ForEachChild(parent, WC_LISTVIEWA, [&](HWND view) {
    if ((StyleOf(view) & LVS_OWNERDRAWFIXED) || InTable(*SkinRecordById(skinId), view)) return;
    if (TranslucentControls) SendMessageA(view, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(CLR_NONE));
    AttachOne(skinId, view, true);
  });
  ForEachChild(parent, WC_TREEVIEWA, [&](HWND tree) {
    if (InTable(*SkinRecordById(skinId), tree)) return;
    if (TranslucentControls) SendMessageA(tree, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(KeyColour));
    AttachOne(skinId, tree, true);
  });
  ForEachChild(parent, WC_IPADDRESSA, [&](HWND ip) { AttachOne(skinId, ip, false); });
  ForEachChild(parent, DATETIMEPICK_CLASSA, [&](HWND picker) { AttachOne(skinId, picker, false); });
}

LRESULT CALLBACK ListWndProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  ListState* state = ListRecord(control);
  if (!state) return CallPreviousProc(control, message, wParam, lParam);
  switch (message) {
    case WM_MOUSEMOVE:
      OnMouseMove(control, *state);
      break;
    case WM_MOUSEHOVER:
      state->mouseResting = true;
      break;
    case WM_MOUSELEAVE:
      OnMouseLeave(control, *state);
      break;
    case WM_SHOWWINDOW:
      SyncOverlayBars(control);
      break;
    case WM_WINDOWPOSCHANGING:
      MarkContainerStale(control);
      break;
    case WM_MOVE:
      if (TranslucentControls) InvalidateRect(control, nullptr, TRUE);
      break;
    case WM_WINDOWPOSCHANGED:
    case WM_GETMINMAXINFO:
      SyncOverlayBars(control);
      state->dirty = true;
      break;
    case WM_ERASEBKGND:
      return OnEraseBackground(control, wParam, lParam);
    case WM_PAINT:
      return OnPaint(control, *state, wParam, lParam);
    case WM_SETFOCUS:
      state->focused = true;
      PaintFrameFromRecord(control);
      break;
    case WM_KILLFOCUS:
      // A key released in another window never reaches this one.
      state->focused = false;
      SetKeyScrolling(control, *state, false);
      PaintFrameFromRecord(control);
      break;
    case WM_SETTEXT:
      state->dirty = true;
      break;
    case WM_NCPAINT:
      return OnNcPaint(control, wParam, lParam);
    case WM_NCMOUSEMOVE:
      OnNcMouseMove(control, *state, wParam, lParam);
      break;
    case WM_NCLBUTTONDOWN:
      OnNcLButtonDown(control, *state, wParam);
      break;
    case WM_KEYDOWN:
      return OnKeyDown(control, *state, wParam, lParam);
    case WM_KEYUP:
      state->dirty = true;
      SetKeyScrolling(control, *state, false);
      break;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
      return OnScroll(control, *state, message, wParam, lParam);
    case WM_DESTROY:
      OnDestroy(control, *state);
      break;
    case WM_NCDESTROY:
      return OnNcDestroy(control, *state, wParam, lParam);
    default:
      if (MovesScrollBar(message)) return ThenRepaintOverlays(control, message, wParam, lParam);
      break;
  }
  return CallPreviousProc(control, message, wParam, lParam);
}

}  // namespace quorlin::skin
