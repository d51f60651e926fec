#pragma once
// Records of the skinned child controls, one per control in the tables of
// its top-level window's SkinRecord. A record with hwnd 0 is free.
#include <windows.h>

#include <string>

#include <vector>

#include "graphics/tooltip.h"
#include "skin/core/gdi_handles.h"

namespace quorlin::skin {

// Everything a push button's picture is made from besides its state and the
// picture behind it.
struct PushButtonLookKey {
  RECT rect = {};  // where in the button it is painted
  std::string text;
  std::string fontFace;
  int fontSize = 0;
  int fontStyle = 0;
  COLORREF textColour = 0;
  COLORREF accent = 0;
  bool operator==(const PushButtonLookKey& other) const {
    return EqualRect(&rect, &other.rect) && text == other.text && fontFace == other.fontFace &&
           fontSize == other.fontSize && fontStyle == other.fontStyle && textColour == other.textColour &&
           accent == other.accent;
  }
};

// The finished looks of a push button, kept so that a hover or a press
// copies a picture instead of drawing the glass again. The cells have the
// painted size and stand one below the other in one surface: cell 0 holds
// what lay behind the button when the looks were composed, cell 1 receives
// what lies behind it now, and cell 2 + i holds the look of states[i]. All
// looks are dropped when the key or the picture behind the button changes.
struct PushButtonLooks {
  DibSurface surface;
  PushButtonLookKey key;
  std::vector<unsigned> states;  // the look-making state bits of each kept look
};

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
  PushButtonLooks looks;  // push buttons: made at the first paint
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
using HeaderState = ControlState;
using ToolbarState = ControlState;

// A toolbar that holds child windows and paints them like its window does.
struct ContainerState {
  HWND hwnd = nullptr;
  bool stale = false;  // rebuild the cached background at the next paint
};

}  // namespace quorlin::skin
