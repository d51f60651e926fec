#include "skin/core/skin_options.h"

#include "skin/core/control_kit.h"
#include "skin/core/painting.h"
#include "skin/core/skin_images.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {

int TrackbarPainterSwitch = 0;
int DropListAccentSwitch = 0;

void InstallBackgroundPicture(SkinRecord& r, const std::string& picture) {
  // One decode serves the mean colour and, for the modes that draw the
  // picture as it is, every full repaint.
  const graphics::Bitmap* decoded = KeptDecodedPicture(r, picture);
  r.backgroundColour = decoded ? AverageBitmapColor(*decoded, 2000, 0, 0) : 0xFF000000;
  if (r.backgroundMode == 0 || r.backgroundMode == 1)
    r.backgroundPicture = FadeImageEdges(picture, std::nullopt, r.backgroundColour, r.backgroundMode == 0);
  else
    r.backgroundPicture = picture;
}

bool SetWindowBackground(HWND window, const std::string& picture, std::optional<int> placementMode) {
  SkinRecord* r = SkinRecordById(GetIntProp(window, PropSkinId));
  if (!r || r->hwnd != window || picture.empty()) return false;
  if (placementMode) r->backgroundMode = *placementMode;
  InstallBackgroundPicture(*r, picture);
  r->fullRepaintNeeded = true;
  InvalidateRect(window, nullptr, FALSE);
  MarkControlsStale(window);
  for (HWND child = FindWindowExA(window, nullptr, nullptr, nullptr); child;
       child = FindWindowExA(window, child, nullptr, nullptr))
    if (IsWindowVisible(child)) InvalidateRect(child, nullptr, TRUE);
  return true;
}

void SetSkinOptions(int childSkinning, std::optional<int> veilAlpha, std::optional<int> trackbarSwitch) {
  ChildSkinningEnabled = childSkinning;
  VeilAlpha = veilAlpha.value_or(160);
  TranslucentControls = veilAlpha ? 1 : 0;
  TrackbarPainterSwitch = trackbarSwitch.value_or(1);
}

}  // namespace quorlin::skin
