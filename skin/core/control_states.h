#pragma once
// Records of the skinned child controls, one per control in the tables of
// its top-level window's SkinRecord. A record with hwnd 0 is free.
#include <windows.h>

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

// Overlay scroll bars of an edit field or list control
// (skin/controls/scroll_overlay.h); the owner's record holds them.
struct OverlayBars {
  HWND verticalOverlay = nullptr;    // overlay of the vertical scroll bar, nullptr if none
  HWND horizontalOverlay = nullptr;  // overlay of the horizontal scroll bar, nullptr if none
  // Hit rectangles as last painted (overlay coordinates, edges inclusive):
  // first arrow, second arrow, thumb.
  RECT verticalParts[3] = {};
  RECT horizontalParts[3] = {};
};

// Attached edit fields.
struct EditState : OverlayBars {
  HWND hwnd = nullptr;
  WNDPROC previousProc = nullptr;
  bool focused = false;
  bool hot = false;
  bool pressed = false;
};

// Attached list boxes, list views, tree views, simple-combo lists, IP
// address controls and date-time pickers.
struct ListState : OverlayBars {
  HWND hwnd = nullptr;              // the control; nullptr marks a free record
  WNDPROC previousProc = nullptr;   // the procedure ListWndProc replaced (also in Hw_hProc)
  bool focused = false;             // between WM_SETFOCUS and WM_KILLFOCUS
  bool hot = false;                 // the frame is painted hot (mouse over the control)
  bool keyScrolling = false;        // an arrow key is down: every message to the control repaints it
  bool dirty = true;                // the next WM_PAINT lets the control paint itself
  bool mouseResting = false;        // after WM_MOUSEHOVER until WM_MOUSELEAVE
};

// Tables for control families that are attached by later passes. Each holds
// at least the window and the procedure it replaced.
struct ControlState {
  HWND hwnd = nullptr;
  WNDPROC previousProc = nullptr;
};
using TrackbarState = ControlState;
using ProgressState = ControlState;
using ComboState = ControlState;
using UpDownState = ControlState;
using HeaderState = ControlState;
using ToolbarState = ControlState;

// A toolbar that holds child windows and paints them like its window does.
struct ContainerState {
  HWND hwnd = nullptr;
  bool stale = false;  // rebuild the cached background at the next paint
};

}  // namespace quorlin::skin
