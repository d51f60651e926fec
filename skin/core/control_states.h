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

// Attached combo boxes. The face is painted by the skin; the inner edit
// field (CBS_DROPDOWN, CBS_SIMPLE) is an edit record of its own.
struct ComboState {
  HWND hwnd = nullptr;              // the combo box; null marks a free record
  WNDPROC previousProc = nullptr;   // the procedure replaced at attach (also Hw_hProc)
  bool focused = false;             // between WM_SETFOCUS and WM_KILLFOCUS of the combo box itself
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
using UpDownState = ControlState;
using HeaderState = ControlState;
using ToolbarState = ControlState;

// A toolbar that holds child windows and paints them like its window does.
struct ContainerState {
  HWND hwnd = nullptr;
  bool stale = false;  // rebuild the cached background at the next paint
};

}  // namespace quorlin::skin
