#include "app/skin_hookup.h"

#include <string>

#include "app/main_window.h"
#include "app/program.h"
#include "assets/assets.h"
#include "skin/chrome/frame_paint.h"
#include "skin/core/apply_skin.h"
#include "skin/core/painting.h"
#include "skin/core/skin_options.h"
#include "skin/core/skin_record.h"

namespace quorlin {

void SetSkinStartValues() {
  skin::firstSizePending = 1;
  skin::ChildSkinningEnabled = 1;
  skin::VeilAlpha = 160;
  skin::AccentColour = 0xDDCA22;
  skin::TrackbarPainterSwitch = 1;
  skin::DropListAccentSwitch = 1;
  skin::FrameIcon = ApplicationIcon;
}

void OnMainWindowCreated() {
  HWND h = MainWindow.window;
  // The controls are attached while the veil is still 160 and opaque; every
  // paint after this handler uses the application's values.
  skin::ApplySkin(h, {.resizable = 0, .showTitle = 1});
  const auto& picture = assets::BackgroundPicture;
  skin::SetWindowBackground(h, std::string(reinterpret_cast<const char*>(picture.data), picture.size), 3);
  skin::SetSkinOptions(1, 100);
}

}  // namespace quorlin
