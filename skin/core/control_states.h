#pragma once
// Records of the skinned child controls, one per control in the tables of
// its top-level window's SkinRecord. A record with hwnd 0 is free.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "graphics/tooltip.h"

namespace quorlin::skin {

// Attached push buttons, check boxes and radio buttons.
struct ButtonState {
  HWND hwnd = nullptr;
  WNDPROC previousWndProc = nullptr;
  int kind = 0;  // 0 push button, 4 radio button, 5 check box
  std::string text;  // the window text, kept current on WM_SETTEXT
  bool focused = false;
  bool checkedAtAttach = false;
  HWND parentWindow = nullptr;
  // Push buttons get an empty one; its window is destroyed with the button.
  graphics::Tooltip tooltip;
  std::string fontFace;
  int fontSize = 0;
  int fontStyle = 0;
  bool pressed = false;
  int captionGlow = -1;
  bool usePictures = false;
};

// Attached edit fields.
struct EditState {
  HWND hwnd = nullptr;
  WNDPROC previousProc = nullptr;
  bool focused = false;
  bool hot = false;
  bool pressed = false;
  HWND verticalOverlay = nullptr;
  HWND horizontalOverlay = nullptr;
  RECT verticalParts[3] = {};    // first arrow, second arrow, thumb
  RECT horizontalParts[3] = {};
};

// Which side of a trackbar its ticks are on, from its style; the hot knob
// keeps away from them.
enum TrackbarTickMode : int {
  TicksTopOrLeft = 0,      // TBS_TOP / TBS_LEFT
  TicksBottomOrRight = 1,  // the default side
  TicksBoth = 2,           // TBS_BOTH
  NoTicks = 3,             // TBS_NOTICKS
};

// Attached trackbars. The system control keeps its range, position,
// channel and thumb; the painter asks it for them at every paint.
struct TrackbarState {
  HWND hwnd = nullptr;
  WNDPROC previousProc = nullptr;
  bool vertical = false;                   // TBS_VERT
  TrackbarTickMode tickMode = TicksBottomOrRight;
  bool hot = false;                        // from the hover paint until the mouse leaves
  bool showsSelection = false;             // TBS_ENABLESELRANGE
};

// Attached progress bars; range and position stay with the system control.
struct ProgressState {
  HWND hwnd = nullptr;
  WNDPROC previousProc = nullptr;
  bool vertical = false;  // PBS_VERTICAL: the bar fills from the bottom up
};

// The two halves of an up-down control.
enum UpDownHalf : int {
  UpDownFirstHalf = 0,   // up, or left when horizontal
  UpDownSecondHalf = 1,  // down, or right when horizontal
};

// Attached up-down controls.
struct UpDownState {
  HWND hwnd = nullptr;
  WNDPROC previousProc = nullptr;
  bool hot = false;                       // from the hover paint until the mouse leaves
  UpDownHalf hotHalf = UpDownFirstHalf;   // half under the mouse at the last hover paint
  bool pressed = false;                   // between button-down and button-up (or losing the mouse)
  bool horizontal = false;                // UDS_HORZ
  LPARAM lastMousePos = 0;                // client point of the last button-down or button-up
};

// Tables for control families that are attached by later passes. Each holds
// at least the window and the procedure it replaced.
struct ControlState {
  HWND hwnd = nullptr;
  WNDPROC previousProc = nullptr;
};
using ListState = ControlState;
using ComboState = ControlState;
using ToolbarState = ControlState;

// Attached header controls: the direct "SysHeader32" children of a skinned
// window and the headers of its list views.
struct HeaderState {
  HWND hwnd = nullptr;
  WNDPROC previousProc = nullptr;
  bool tracking = false;    // the mouse is over an item of the header
  int hotItem = 0;          // 1-based item under the mouse, 0 none
  int paintedHotItem = 0;   // item last painted hot, 0 none
  bool buttonStyle = false; // HDS_BUTTONS: items have hot and pressed looks
  int pressedItem = 0;      // item under the mouse when the left button went down, 0 none
  bool buttonDown = false;  // between WM_LBUTTONDOWN and the end of that press
  std::string fontFace;     // the header's font, read at attach and on WM_SETFONT
  int fontStyle = 0;        // GDI+ style bits
  int fontSize = 12;        // em size in pixels
  HIMAGELIST imageList = nullptr;  // the header's item images; owned by whoever set them
};

// A toolbar that holds child windows and paints them like its window does.
struct ContainerState {
  HWND hwnd = nullptr;
  bool stale = false;  // rebuild the cached background at the next paint
};

}  // namespace quorlin::skin
