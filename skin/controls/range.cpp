// Skinned range controls: attach passes and the three window procedures
// with their handlers. The geometry is in range_geometry.cpp, the painters
// in range_paint.cpp.
#include "skin/controls/range.h"

#include <commctrl.h>

#include "skin/core/control_kit.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

TrackbarState* TrackbarRecord(HWND bar) { return RecordOf(bar, &SkinRecord::trackbars); }
ProgressState* ProgressRecord(HWND bar) { return RecordOf(bar, &SkinRecord::progressBars); }
UpDownState* UpDownRecord(HWND control) { return RecordOf(control, &SkinRecord::upDowns); }

int OwnerId(HWND control) { return GetIntProp(control, PropOwnerSkinId); }
int IndexOf(HWND control) { return GetIntProp(control, PropSkinId); }

// The attach pass of one class: every direct child of parent of that class;
// fill sets the style fields of a new record.
template <typename State, typename Fill>
void AttachClass(int skinId, HWND parent, const char* className, std::vector<State> SkinRecord::*table,
                 WNDPROC procedure, Fill fill) {
  if (!ChildSkinningEnabled || !SkinRecordById(skinId)) return;
  for (HWND child = FindWindowExA(parent, nullptr, className, nullptr); child;
       child = FindWindowExA(parent, child, className, nullptr))
    AttachControl(skinId, child, table, procedure, [&](State& state) { fill(state, StyleOf(child)); });
}

TrackbarTickMode TickModeOf(LONG_PTR style) {
  if (style & TBS_NOTICKS) return NoTicks;
  if (style & TBS_TOP) return TicksTopOrLeft;  // TBS_LEFT is the same bit
  if (style & TBS_BOTH) return TicksBoth;
  return TicksBottomOrRight;
}

LRESULT OnEraseBackground(WPARAM wParam) {
  SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
  return 1;
}

// ---- trackbar -------------------------------------------------------------

void RepaintTrackbar(HWND bar) { PaintTrackbar(OwnerId(bar), IndexOf(bar)); }

LRESULT OnTrackbarPaint(HWND bar, WPARAM wParam, LPARAM lParam) {
  {
    PaintScope paint(bar);
    RepaintTrackbar(bar);
  }
  return DefWindowProcA(bar, WM_PAINT, wParam, lParam);
}

// The hover look is painted once, when the mouse comes from elsewhere.
void OnTrackbarMouseMove(HWND bar, TrackbarState& state) {
  if (EnterHover(bar, HoverTrackbar)) {
    state.hot = true;
    RepaintTrackbar(bar);
  }
  MarkHot(bar, HoverTrackbar);
}

void OnTrackbarMouseLeave(HWND bar, TrackbarState& state) {
  LeaveHover(bar);
  state.hot = false;
  RepaintTrackbar(bar);
}

// ---- progress bar -----------------------------------------------------------

void RepaintProgressBar(HWND bar) { PaintProgressBar(OwnerId(bar), IndexOf(bar), nullptr); }

LRESULT OnProgressPaint(HWND bar, WPARAM wParam, LPARAM lParam) {
  {
    PaintScope paint(bar);
    RepaintProgressBar(bar);
  }
  return DefWindowProcA(bar, WM_PAINT, wParam, lParam);
}

// ---- up-down ----------------------------------------------------------------

void RepaintUpDown(HWND control) { PaintUpDown(OwnerId(control), IndexOf(control)); }

// The lit half follows the mouse: a repaint only when the mouse comes from
// elsewhere or crosses into the other half.
void OnUpDownMouseMove(HWND control, UpDownState& state, LPARAM lParam) {
  const bool entered = EnterHover(control, HoverUpDown);
  if (!OwnerRecord(control)) return;
  const UpDownHalf half = HitTestUpDownHalf(OwnerId(control), IndexOf(control), lParam);
  if (entered || state.hotHalf != half) {
    state.hot = true;
    PaintUpDown(OwnerId(control), IndexOf(control), true, std::nullopt, lParam);
  }
  MarkHot(control, HoverUpDown);
  if (UpDownState* again = UpDownRecord(control)) again->hotHalf = half;
}

void OnUpDownMouseLeave(HWND control, UpDownState& state) {
  LeaveHover(control);
  state.hot = false;
  PaintUpDown(OwnerId(control), IndexOf(control), false);
}

// Every way a press ends: the button comes up, or the control loses the
// mouse without one (another window took the capture). The control's own
// handling then invalidates it, which repaints without the pressed look.
void EndPress(UpDownState& state) { state.pressed = false; }

LRESULT OnUpDownPaint(HWND control, WPARAM wParam, LPARAM lParam) {
  RepaintUpDown(control);
  return DefWindowProcA(control, WM_PAINT, wParam, lParam);
}

}  // namespace

// ---- attach passes ------------------------------------------------------------

void AttachTrackbars(int skinId, HWND parent) {
  AttachClass(skinId, parent, TRACKBAR_CLASSA, &SkinRecord::trackbars, TrackbarWndProc,
              [](TrackbarState& s, LONG_PTR style) {
                s.vertical = (style & TBS_VERT) != 0;
                s.tickMode = TickModeOf(style);
                s.showsSelection = (style & TBS_ENABLESELRANGE) != 0;
              });
}

void AttachProgressBars(int skinId, HWND parent) {
  AttachClass(skinId, parent, PROGRESS_CLASSA, &SkinRecord::progressBars, ProgressWndProc,
              [](ProgressState& s, LONG_PTR style) { s.vertical = (style & PBS_VERTICAL) != 0; });
}

void AttachUpDowns(int skinId, HWND parent) {
  AttachClass(skinId, parent, UPDOWN_CLASSA, &SkinRecord::upDowns, UpDownWndProc,
              [](UpDownState& s, LONG_PTR style) { s.horizontal = (style & UDS_HORZ) != 0; });
}

// ---- window procedures --------------------------------------------------------

LRESULT CALLBACK TrackbarWndProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  TrackbarState* state = TrackbarRecord(bar);
  if (!state) return CallPreviousProc(bar, message, wParam, lParam);
  switch (message) {
    case WM_MOVE:
      RepaintTrackbar(bar);
      break;
    case WM_PAINT:
      return OnTrackbarPaint(bar, wParam, lParam);
    case WM_ERASEBKGND:
      return OnEraseBackground(wParam);
    case WM_WINDOWPOSCHANGING:
      MarkContainerStale(bar);
      break;
    case WM_NCPAINT:
      RepaintTrackbar(bar);
      return 1;
    case WM_MOUSEMOVE:
      OnTrackbarMouseMove(bar, *state);
      break;
    case WM_MOUSELEAVE:
      OnTrackbarMouseLeave(bar, *state);
      break;
    case WM_NCDESTROY:
      return ReleaseControl(bar, &SkinRecord::trackbars, HoverTrackbar, wParam, lParam);
    default:
      break;
  }
  return CallPreviousProc(bar, message, wParam, lParam);
}

LRESULT CALLBACK ProgressWndProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  ProgressState* state = ProgressRecord(bar);
  if (!state) return CallPreviousProc(bar, message, wParam, lParam);
  switch (message) {
    case WM_MOVE:
      RepaintProgressBar(bar);
      break;
    case WM_PAINT:
      return OnProgressPaint(bar, wParam, lParam);
    case WM_ERASEBKGND:
      return OnEraseBackground(wParam);
    case WM_WINDOWPOSCHANGING:
      MarkContainerStale(bar);
      break;
    case WM_NCPAINT:
      RepaintProgressBar(bar);
      return 1;
    case WM_NCDESTROY:
      return ReleaseControl(bar, &SkinRecord::progressBars, HoverNone, wParam, lParam);
    default:
      break;
  }
  return CallPreviousProc(bar, message, wParam, lParam);
}

LRESULT CALLBACK UpDownWndProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  UpDownState* state = UpDownRecord(control);
  if (!state) return CallPreviousProc(control, message, wParam, lParam);
  switch (message) {
    case WM_MOVE:
      RepaintUpDown(control);
      break;
    case WM_PAINT:
      return OnUpDownPaint(control, wParam, lParam);
    case WM_ERASEBKGND:
      return OnEraseBackground(wParam);
    case WM_WINDOWPOSCHANGING:
      MarkContainerStale(control);
      break;
    case WM_NCPAINT:
      return 1;
    case WM_MOUSEMOVE:
      OnUpDownMouseMove(control, *state, lParam);
      break;
    case WM_LBUTTONDOWN:
      state->pressed = true;
      state->lastMousePos = lParam;
      break;
    case WM_LBUTTONUP:
      EndPress(*state);
      state->lastMousePos = lParam;
      break;
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
      if (reinterpret_cast<HWND>(lParam) != control) EndPress(*state);
      break;
    case WM_MOUSELEAVE:
      OnUpDownMouseLeave(control, *state);
      break;
    case WM_NCDESTROY:
      return ReleaseControl(control, &SkinRecord::upDowns, HoverUpDown, wParam, lParam);
    default:
      break;
  }
  return CallPreviousProc(control, message, wParam, lParam);
}

UpDownHalf HitTestUpDownHalf(int skinId, int index, LPARAM point) {
  const UpDownState* state = RecordAt(skinId, index, &SkinRecord::upDowns);
  if (!state) return UpDownFirstHalf;
  return UpDownHalfAt(WindowSize(state->hwnd), state->horizontal, static_cast<short>(LOWORD(point)),
                      static_cast<short>(HIWORD(point)));
}

}  // namespace quorlin::skin
