#pragma once
// Turns an ordinary top-level window into a skinned one: builds and
// registers its SkinRecord, attaches the supported child controls and
// installs the frame window procedure. Defined in skin/apply_skin.cpp, the
// one file that knows every family; families reach the passes only through
// RunAttachPasses.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "skin/core/skin_record.h"

namespace quorlin::skin {

struct SkinOptions {
  int captionHeight = 0;              // raised to at least 25
  std::optional<int> frameEnabled;    // default 1; the caption tooltip exists only when given non-zero
  int resizable = 1;
  int helpButton = 0;
  int menuButton = 0;
  int showTitle = 1;
  int titleBand = 0;
  int buttonBarHeight = 0;            // > 0 creates the bottom item bar
  std::vector<ButtonBarItem> buttonBarItems;
  std::string backgroundPicture;      // JPEG or PNG bytes
  std::optional<int> backgroundMode;  // default DefaultBackgroundMode
  long tintColour = -1;
  int tintAlpha = 255;
  int noCloseButton = 0;
};

void ApplySkin(HWND window, const SkinOptions& options = {});

// One attach pass: skins the direct children of parent that belong to it.
using AttachPass = void (*)(int skinId, HWND parent);
struct AttachPassEntry {
  const char* family;
  AttachPass pass;  // nullptr while the family has no skin
};
// The passes in the order ApplySkin runs them.
extern const AttachPassEntry AttachPasses[9];
void RunAttachPasses(int skinId, HWND parent);

// The procedure ApplySkin installs on the top-level window.
LRESULT CALLBACK FrameWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quorlin::skin
