#pragma once
// A skinned top-level window holding every look of the range controls:
// trackbars with a selection range, with ticks on top, on both sides and
// vertical; horizontal and vertical progress bars at known positions; a
// vertical up-down with a buddy edit field and a horizontal up-down. Used by
// the range-control tests and by the gallery program for screenshots.
#include <windows.h>

namespace quorlin::test {

struct RangeGallery {
  HWND window = nullptr;
  HWND selectionBar = nullptr;      // TBS_ENABLESELRANGE, 0..100, selection 20..60, at 40
  HWND topBar = nullptr;            // TBS_TOP, 0..100, at 70
  HWND bothBar = nullptr;           // TBS_BOTH, 0..100, at its maximum
  HWND verticalBar = nullptr;       // TBS_VERT | TBS_LEFT, 0..100, at 30
  HWND progress = nullptr;          // 0..100 at 60
  HWND verticalProgress = nullptr;  // PBS_VERTICAL, 0..100 at 50
  HWND buddy = nullptr;             // the up-down's edit field, "5"
  HWND upDown = nullptr;            // vertical, buddy integer, 0..100
  HWND horizontalUpDown = nullptr;  // UDS_HORZ
};

// Creates, skins and shows the gallery at (x, y), with the engine's start
// values as the program sets them.
RangeGallery CreateRangeGallery(HINSTANCE instance, int x = 420, int y = 40);

}  // namespace quorlin::test
