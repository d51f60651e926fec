// Skinned range controls: attach passes, the three window procedures with
// their handlers, and the geometry the painters and the hover tracking
// share. The painters are in range_paint.cpp.
#include "skin/controls/range.h"

#include <commctrl.h>

#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

// Hover kinds of the range controls in SkinRecord::hotControlKind.
constexpr int TrackbarHoverKind = 2;
constexpr int UpDownHoverKind = 8;

template <typename State>
State* RecordOf(HWND control, std::vector<State> SkinRecord::*table) {
  State* state = ControlRecord(control, table);
  return state && state->hwnd == control ? state : nullptr;
}

TrackbarState* TrackbarRecord(HWND bar) { return RecordOf(bar, &SkinRecord::trackbars); }
ProgressState* ProgressRecord(HWND bar) { return RecordOf(bar, &SkinRecord::progressBars); }
UpDownState* UpDownRecord(HWND control) { return RecordOf(control, &SkinRecord::upDowns); }
SkinRecord* OwnerRecord(HWND control) { return SkinRecordById(GetIntProp(control, PropOwnerSkinId)); }

int OwnerId(HWND control) { return GetIntProp(control, PropOwnerSkinId); }
int IndexOf(HWND control) { return GetIntProp(control, PropSkinId); }

LONG_PTR StyleOf(HWND w) { return GetWindowLongPtrA(w, GWL_STYLE); }

// Attach step shared by the three classes: a record for each direct child of
// that class, the properties, then the subclassing. fill sets the style
// fields of a new record.
template <typename State, typename Fill>
void AttachClass(int skinId, HWND parent, const char* className, std::vector<State> SkinRecord::*table,
                 WNDPROC procedure, Fill fill) {
  if (!ChildSkinningEnabled) return;
  SkinRecord* record = SkinRecordById(skinId);
  if (!record) return;
  for (HWND child = FindWindowExA(parent, nullptr, className, nullptr); child;
       child = FindWindowExA(parent, child, className, nullptr)) {
    const int index = TakeControlRecord(record->*table, child);
    if (index == 0) continue;
    State& state = (record->*table)[static_cast<size_t>(index - 1)];
    fill(state, StyleOf(child));
    SetIntProp(child, PropSkinId, index);
    SetIntProp(child, PropOwnerSkinId, skinId);
    state.previousProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
    SetIntProp(child, PropPreviousProc, reinterpret_cast<LONG_PTR>(state.previousProc));
  }
}

TrackbarTickMode TickModeOf(LONG_PTR style) {
  if (style & TBS_NOTICKS) return NoTicks;
  if (style & TBS_TOP) return TicksTopOrLeft;  // TBS_LEFT is the same bit
  if (style & TBS_BOTH) return TicksBoth;
  return TicksBottomOrRight;
}

// The record is freed so that a later window with the same handle is
// attached afresh.
template <typename State>
LRESULT OnNcDestroy(HWND control, std::vector<State> SkinRecord::*table, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallPreviousProc(control, WM_NCDESTROY, wParam, lParam);
  if (State* after = RecordOf(control, table)) *after = State{};
  RemovePropA(control, PropPreviousProc);
  RemovePropA(control, PropSkinId);
  RemovePropA(control, PropOwnerSkinId);
  return result;
}

LRESULT OnEraseBackground(WPARAM wParam) {
  SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
  return 1;
}

void TrackLeave(HWND control) {
  TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, control, 0};
  TrackMouseEvent(&tme);
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
  TrackLeave(bar);
  SkinRecord* record = OwnerRecord(bar);
  if (!record) return;
  record->controlUnderMouse = IndexOf(bar);
  if (record->hotControlId != record->controlUnderMouse || record->hotControlKind != TrackbarHoverKind) {
    state.hot = true;
    RepaintTrackbar(bar);
  }
  if (SkinRecord* after = OwnerRecord(bar)) {
    after->hotControlId = after->controlUnderMouse;
    after->hotControlKind = TrackbarHoverKind;
  }
}

void OnTrackbarMouseLeave(HWND bar, TrackbarState& state) {
  if (SkinRecord* record = OwnerRecord(bar)) record->hotControlId = 0;
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
  TrackLeave(control);
  SkinRecord* record = OwnerRecord(control);
  if (!record) return;
  const int index = IndexOf(control);
  record->controlUnderMouse = index;
  const UpDownHalf half = HitTestUpDownHalf(OwnerId(control), index, lParam);
  const bool same = record->hotControlId == record->controlUnderMouse && record->hotControlKind == UpDownHoverKind &&
                    state.hotHalf == half;
  if (!same && index > 0) {
    state.hot = true;
    PaintUpDown(OwnerId(control), index, true, std::nullopt, lParam);
  }
  if (SkinRecord* after = OwnerRecord(control)) {
    after->hotControlId = after->controlUnderMouse;
    after->hotControlKind = UpDownHoverKind;
  }
  if (UpDownState* again = UpDownRecord(control)) again->hotHalf = half;
}

void OnUpDownMouseLeave(HWND control, UpDownState& state) {
  if (SkinRecord* record = OwnerRecord(control)) record->hotControlId = 0;
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
      return OnNcDestroy(bar, &SkinRecord::trackbars, wParam, lParam);
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
      return OnNcDestroy(bar, &SkinRecord::progressBars, wParam, lParam);
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
      return OnNcDestroy(control, &SkinRecord::upDowns, wParam, lParam);
    default:
      break;
  }
  return CallPreviousProc(control, message, wParam, lParam);
}

UpDownHalf HitTestUpDownHalf(int skinId, int index, LPARAM point) {
  const SkinRecord* record = SkinRecordById(skinId);
  if (!record || index < 1 || index > static_cast<int>(record->upDowns.size())) return UpDownFirstHalf;
  const UpDownState& state = record->upDowns[static_cast<size_t>(index - 1)];
  RECT r = {};
  GetWindowRect(state.hwnd, &r);
  return UpDownHalfAt(SIZE{r.right - r.left, r.bottom - r.top}, state.horizontal,
                      static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point)));
}

// ---- geometry -------------------------------------------------------------------

TrackbarParts TrackbarPartRects(const TrackbarState& state, const TrackbarReadings& in) {
  const RECT& ch = in.channel;
  const RECT& t = in.thumb;
  const float along = static_cast<float>(ch.left), length = static_cast<float>(ch.right - ch.left);
  const float thickness = static_cast<float>(ch.bottom - ch.top);
  // The channel's edge across the long axis; with a selection range the
  // channel is a 4-pixel groove centred in the system channel.
  const float across = state.showsSelection ? ch.top + (thickness - 4) / 2 : static_cast<float>(ch.top);
  const float depth = state.showsSelection ? 4.0f : thickness;
  const bool atMax = in.position == in.rangeMax;
  // Long-axis coordinates (x when horizontal) with their cross-axis partner.
  auto place = [&](float a, float c, float aSize, float cSize) {
    return state.vertical ? RectF{c, a, cSize, aSize} : RectF{a, c, aSize, cSize};
  };
  TrackbarParts parts;
  parts.channel = place(along, across, length, depth);

  // Selection: start and length are positions scaled onto the channel.
  const int span = in.rangeMax - in.rangeMin;
  if (state.showsSelection && span != 0) {
    const float scale = length / static_cast<float>(span);
    const float start = static_cast<float>(in.selectionStart - in.rangeMin) * scale;
    const float size = static_cast<float>(in.selectionEnd - in.selectionStart) * scale;
    if (size - 3 >= 0) parts.selectionMark = place(along + start + 1, across + 1, size - 3, 1);
  }

  // Accent line from the channel start to the thumb, 10 pixels further at
  // the maximum, where the small knob sits 8 pixels on.
  const int thumbStart = state.vertical ? t.top : t.left;
  const float n = static_cast<float>(thumbStart - ch.left - 1 + (atMax ? 10 : 0));
  if (n - 1 >= 0) parts.accentLine = place(along + 1, across + 1, n - 1, 1);

  if (state.hot) {
    const int d = state.tickMode == TicksTopOrLeft ? 2 : state.tickMode == TicksBoth ? 1 : 0;
    parts.knob = place(static_cast<float>(thumbStart), across - 4 + d, 11, 11);
  } else {
    parts.knob = place(static_cast<float>(thumbStart + (atMax ? 8 : 0)), across - 1.5f, 6, 6);
  }
  return parts;
}

std::optional<ProgressFill> ProgressBarFill(SIZE size, bool vertical, int position, int lo, int hi) {
  if (hi == lo) return std::nullopt;
  const float w = static_cast<float>(size.cx), h = static_cast<float>(size.cy);
  const float offset = static_cast<float>(position - lo);
  ProgressFill fill;
  if (!vertical) {
    const int length = static_cast<int>(w / static_cast<float>(hi - lo) * offset);
    if (length <= 0) return std::nullopt;
    fill.bar = RectF{0, 0, static_cast<float>(length), h};
    fill.gradientToY = h - 1;
  } else {
    const int length = static_cast<int>(h / static_cast<float>(hi - lo) * offset);
    if (length <= 0) return std::nullopt;
    const float top = static_cast<float>(static_cast<int>(h - h / static_cast<float>(hi - lo) * offset));
    fill.bar = RectF{0, top, w, static_cast<float>(length)};
    fill.gradientY = fill.gradientToY = top;
    fill.gradientToX = w - 1;
  }
  return fill;
}

UpDownHalf UpDownHalfAt(SIZE size, bool horizontal, int x, int y) {
  if (horizontal) return size.cx / 2 < x ? UpDownSecondHalf : UpDownFirstHalf;
  return size.cy / 2 < y ? UpDownSecondHalf : UpDownFirstHalf;
}

RectF UpDownHalfRect(SIZE size, bool horizontal, UpDownHalf half) {
  const float l = static_cast<float>(horizontal ? size.cx / 2 : size.cx);
  const float m = static_cast<float>(horizontal ? size.cy : size.cy / 2);
  if (half == UpDownFirstHalf) return RectF{0, 0, l - 1, m - 1};
  return horizontal ? RectF{l, 0, l - 1, m - 1} : RectF{0, m, l - 1, m - 1};
}

}  // namespace quorlin::skin
