#pragma once
// A skinned top-level window with the toolbar looks: a flat toolbar of two
// rows with an image list (a plain button, a check button, a check group, a split
// drop-down and a whole drop-down, a disabled and an indeterminate button with
// a colourful icon, a hidden button, separators and one separator that starts
// a wrapped row), a list-style toolbar with texts, and a toolbar holding an
// edit field and a combo box, which makes it a container. Used by the toolbar
// tests and by the gallery program.
#include <windows.h>
#include <commctrl.h>

namespace quorlin::test {

// Command ids of the toolbars' buttons.
enum ToolbarGalleryCommand : int {
  GalleryPlain = 101,
  GalleryCheck = 102,
  GalleryGroupFirst = 103,  // checked
  GalleryGroupSecond = 104,
  GalleryDropDown = 105,  // BTNS_DROPDOWN (split)
  GalleryWholeDropDown = 106,
  GalleryDisabled = 107,  // the colourful icon, disabled
  GalleryIndeterminate = 108,
  GalleryHidden = 109,
  GalleryWrapped = 110,   // first button after the separator that starts the second row
  GalleryListOpen = 201,  // the list-style toolbar's buttons
  GalleryListSave = 202,
  GalleryListMore = 203,  // BTNS_DROPDOWN with text
};

// Index in the image list of the colourful icon: red, green, blue and yellow
// quarters inside a black frame, with a white cross.
inline constexpr int GalleryColourfulImage = 6;

struct ToolbarGallery {
  HWND window = nullptr;
  HWND flat = nullptr;    // TBSTYLE_FLAT, two rows: the indeterminate button ends the first
  HWND list = nullptr;    // TBSTYLE_FLAT | TBSTYLE_LIST, texts beside the icons
  HWND holder = nullptr;  // TBSTYLE_FLAT, holds edit and combo: a container
  HWND edit = nullptr;
  HWND combo = nullptr;         // CBS_DROPDOWNLIST
  HIMAGELIST images = nullptr;  // the program's; destroy it after the window
};

// 16 x 16 icons: seven coloured pictures with black frames and white marks.
HIMAGELIST CreateGalleryImages();

// Creates, skins and shows the window at (x, y).
ToolbarGallery CreateToolbarGallery(HINSTANCE instance, int x, int y);

}  // namespace quorlin::test
