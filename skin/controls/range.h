#pragma once
// Skinned range controls: trackbars, progress bars and up-down controls.
// Each keeps all of its system behaviour (dragging, keys, auto-repeat, the
// buddy window, its messages); the skin only replaces the look. Every
// painter reads the control (range, position, channel, thumb), places the
// parts (range_geometry.cpp) and draws them (range_paint.cpp).
#include <windows.h>

#include <optional>

#include "skin/core/control_states.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {

// Attach passes for the direct children of parent of each class.
void AttachTrackbars(int skinId, HWND parent);
void AttachProgressBars(int skinId, HWND parent);
void AttachUpDowns(int skinId, HWND parent);

LRESULT CALLBACK TrackbarWndProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ProgressWndProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK UpDownWndProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

// Painters, by the control's skin id and 1-based index in its table. Each
// paints over what lies behind the control, shows the result in the
// control's window DC and commits it to the window's composite image.
void PaintTrackbar(int skinId, int index);
// target: where the finished picture goes; null for the bar's window DC.
void PaintProgressBar(int skinId, int index, HDC target = nullptr);
// A value left out comes from the control's record (hot, pressed,
// lastMousePos). The lit half follows mousePos, and only while hot.
void PaintUpDown(int skinId, int index, std::optional<bool> hot = std::nullopt,
                 std::optional<bool> pressed = std::nullopt, std::optional<LPARAM> mousePos = std::nullopt);
// The half of the control under a client point (x in the low word, y in the
// high word, both signed).
UpDownHalf HitTestUpDownHalf(int skinId, int index, LPARAM point);

// ---- geometry, shared by the painters, the hover tracking and the tests ----

// What a trackbar reports about itself. channel is as TBM_GETCHANNELRECT
// gives it: for a vertical bar left/right run along the long axis.
struct TrackbarReadings {
  int position = 0;
  int rangeMin = 0;
  int rangeMax = 0;
  int selectionStart = 0;
  int selectionEnd = 0;
  RECT channel = {};
  RECT thumb = {};
};

// Where a trackbar's parts go (client pixels, x/y/width/height).
struct TrackbarParts {
  RectF channel;
  std::optional<RectF> selectionMark;  // with TBS_ENABLESELRANGE and a range that is not empty
  std::optional<RectF> accentLine;     // channel start to the thumb; none when the thumb is at the start
  RectF knob;                          // the ellipse of the thumb
};
TrackbarParts TrackbarPartRects(const TrackbarState& state, const TrackbarReadings& readings);

// The accent bar of a progress bar over the range lo..hi; none for an empty
// range or a position at or below lo.
struct ProgressFill {
  RectF bar;                // the bar's full extent; the painter insets it
  float gradientX = 0, gradientY = 0, gradientToX = 0, gradientToY = 0;
};
std::optional<ProgressFill> ProgressBarFill(SIZE size, bool vertical, int position, int lo, int hi);

// The halves of an up-down control of that size: which one holds a point,
// and the rectangle of each.
UpDownHalf UpDownHalfAt(SIZE size, bool horizontal, int x, int y);
RectF UpDownHalfRect(SIZE size, bool horizontal, UpDownHalf half);

}  // namespace quorlin::skin
