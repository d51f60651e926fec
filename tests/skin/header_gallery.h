#pragma once
// A skinned top-level window with the header looks: a report list view whose
// columns do not fill its width (one right-aligned and one centred column,
// with icons), and a stand-alone button-style header. Shown by the gallery
// program next to the button gallery.
#include <windows.h>
#include <commctrl.h>

namespace quorlin::test {

struct HeaderGallery {
  HWND window = nullptr;
  HWND list = nullptr;    // LVS_REPORT, its header skinned with the window
  HWND header = nullptr;  // a "SysHeader32" child with HDS_BUTTONS
  HIMAGELIST icons = nullptr;  // the program's; destroy it after the window
};

// Creates, skins and shows the window at (x, y).
HeaderGallery CreateHeaderGallery(HINSTANCE instance, int x, int y);

}  // namespace quorlin::test
