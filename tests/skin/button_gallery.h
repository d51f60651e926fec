#pragma once
// A skinned top-level window holding one button of every look the button
// skin paints, plus a group box and a three-state box it must leave alone.
// Used by the button tests and by the gallery program for screenshots.
#include <windows.h>

namespace quorlin::test {

struct ButtonGallery {
  HWND window = nullptr;
  HWND push = nullptr;          // BS_PUSHBUTTON
  HWND defaultPush = nullptr;   // BS_DEFPUSHBUTTON
  HWND disabledPush = nullptr;  // BS_PUSHBUTTON, disabled
  HWND checked = nullptr;       // BS_AUTOCHECKBOX, ticked
  HWND unchecked = nullptr;     // BS_AUTOCHECKBOX
  HWND radioFirst = nullptr;    // BS_AUTORADIOBUTTON, selected
  HWND radioSecond = nullptr;   // BS_AUTORADIOBUTTON
  HWND groupBox = nullptr;      // BS_GROUPBOX, keeps the system look
  HWND threeState = nullptr;    // BS_AUTO3STATE, keeps the system look
};

// Creates, skins and shows the gallery at (x, y). Sets the engine's start
// values (child skinning, accent colour) as the program does.
ButtonGallery CreateButtonGallery(HINSTANCE instance, int x = 40, int y = 40);

}  // namespace quorlin::test
