#pragma once
// Combo boxes of the three styles for the gallery program and the tests: a
// section that can sit on any window, and a skinned window holding it.
#include <windows.h>

namespace quorlin::test {

struct ComboSection {
  HWND dropDown = nullptr;  // CBS_DROPDOWN, with text typed in
  HWND dropList = nullptr;  // CBS_DROPDOWNLIST, second item selected
  HWND simple = nullptr;    // CBS_SIMPLE, its list always shown
};

// Creates the three combo boxes on parent with their top-left corner at
// (x, y); the section is 330 x 130 pixels. Attach them by skinning parent
// afterwards.
ComboSection AddComboSection(HWND parent, int x, int y);

struct ComboGallery {
  HWND window = nullptr;
  ComboSection combos;
};

// Creates, skins and shows a window holding the section at (x, y), with the
// engine's start values and switches set as the program sets them.
ComboGallery CreateComboGallery(HINSTANCE instance, int x, int y);

}  // namespace quorlin::test
