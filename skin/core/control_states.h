#pragma once
// Records of the skinned child controls, one per control in the tables of
// its top-level window's SkinRecord. A record with hwnd 0 is free.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include <vector>

#include "graphics/tooltip.h"
#include "skin/core/gdi_handles.h"

namespace quorlin::skin {

// Which family the hot control (SkinRecord::hotControlId) belongs to.
enum HoverKind : int {
  HoverNone = -1,  // families without a hover look (progress bars, toolbars)
  HoverButton = 0,
  HoverEdit = 1,
  HoverTrackbar = 2,
  HoverCombo = 3,
  HoverList = 4,
  HoverUpDown = 8,
  HoverHeader = 9,
};

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
  WNDPROC previousProc = nullptr;
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

// Attached combo boxes. The face is painted by the skin; the inner edit
// field (CBS_DROPDOWN, CBS_SIMPLE) is an edit record of its own.
struct ComboState {
  HWND hwnd = nullptr;              // the combo box; null marks a free record
  WNDPROC previousProc = nullptr;   // the procedure replaced at attach (also Hw_hProc)
  bool focused = false;             // between WM_SETFOCUS and WM_KILLFOCUS of the combo box itself
};

// Attached toolbars. The system toolbar keeps its buttons, hot tracking and
// notifications; the skin paints it. Toolbars carry their properties under
// their own keys (Kj_lbID, Kj_FuID, Kj_hProc), so a toolbar that holds child
// windows can carry a container's layer (Hw_*) as well.
struct ToolbarState {
  HWND hwnd = nullptr;              // the toolbar; nullptr marks a free record
  WNDPROC previousProc = nullptr;   // the procedure ToolbarWndProc replaced (also in Kj_hProc)
  COLORREF keyColour = 0;           // COLOR_BTNFACE at attach; not read for toolbars
  std::string fontFace;             // the toolbar's font: face ("宋体" when it has none),
  int fontSize = 12;                //   em size in pixels
  int fontStyle = 0;                //   and GDI+ style bits
  bool stale = true;                // the next WM_PAINT paints every button anew
  bool mouseTracked = false;        // a TME_LEAVE request is pending
  int option = 0;                   // always 0; not read for toolbars
};

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

// A window whose child controls are skinned like the skinned window's own:
// in this program always a toolbar that holds child windows. The fill, the
// shape and the page fields describe what a container could paint beneath
// its children; this program registers every container without any of them,
// but the background composition and the stale markings read and write them.
struct ContainerState {
  HWND hwnd = nullptr;              // the container window; nullptr marks a free record
  COLORREF fillColour = 0;          // laid over the background of the controls inside; 0 none
  int fillAlpha = 0;                // alpha of that fill (low byte)
  int option = 0;                   // always 0
  WNDPROC previousProc = nullptr;   // the procedure ContainerWndProc replaced (also in Hw_hProc)
  bool repaintPending = false;      // set at registration, on WM_SIZE and by MarkControlsStale
  bool stale = false;               // set by MarkContainerStale and MarkControlsStale
  int reserved7 = 0;                // unused, 0
  int clientWidth = 0;              // client size at registration: the limit of the children's
  int clientHeight = 0;             //   rectangles when the container's own DC leaves them out
  int shape = 0;                    // 0: a plain rectangle
  int reserved11 = 0;               // unused, 0
  int reserved12 = 0;               // unused, 0
  bool pageBackground = false;      // false: the container paints no page of its own
  std::string pageFontFace;         // font of that page: empty,
  int pageFontSize = 0;             //   0
  int pageFontStyle = 0;            //   and 0
  std::vector<std::string> pages{1};  // the page list: one empty entry
};

}  // namespace quorlin::skin
