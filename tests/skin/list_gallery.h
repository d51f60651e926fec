#pragma once
// A second gallery window: the list controls the skin paints (a list box
// that scrolls, an owner-drawn list box, a report list view, a tree view
// with open branches, an IP address control and a date-time picker), with
// the top-left corner kept for the combo boxes. Used by the gallery program
// for screenshots.
#include <windows.h>

namespace quorlin::test {

struct ListGallery {
  HWND window = nullptr;
  HWND listBox = nullptr;     // enough items to scroll
  HWND ownerDrawn = nullptr;  // LBS_OWNERDRAWFIXED, drawn by the gallery window
  HWND listView = nullptr;    // LVS_REPORT, three columns
  HWND treeView = nullptr;    // expanded branches
  HWND ipAddress = nullptr;
  HWND dateTime = nullptr;
};

// Creates, skins and shows the gallery at (x, y), translucency on before the
// controls are attached.
ListGallery CreateListGallery(HINSTANCE instance, int x = 420, int y = 40);

}  // namespace quorlin::test
