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

// Tables for control families that are attached by later passes. Each holds
// at least the window and the procedure it replaced.
struct ControlState {
  HWND hwnd = nullptr;
  WNDPROC previousProc = nullptr;
};
using ListState = ControlState;
using TrackbarState = ControlState;
using ProgressState = ControlState;
using ComboState = ControlState;
using UpDownState = ControlState;
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
