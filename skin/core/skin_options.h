#pragma once
// The engine's program-wide switches and the background picture of a
// skinned window, as the application sets them.
#include <windows.h>

#include <optional>
#include <string>

namespace quorlin::skin {

extern int TrackbarPainterSwitch;
extern int DropListAccentSwitch;
extern int firstSizePending;
// The up-down arrow glyphs are constant pictures: true keeps them decoded for
// the program's lifetime, false decodes them at every paint (for the
// benchmark's comparison).
extern bool KeepUpDownGlyphs;

// Installs picture (JPEG or PNG bytes) behind the client area of a skinned
// window; placementMode replaces the record's mode when given. False for a
// window without a skin record or an empty picture.
bool SetWindowBackground(HWND window, const std::string& picture, std::optional<int> placementMode = std::nullopt);

struct SkinRecord;
// The record's background colour (the picture's mean colour) and picture:
// for modes 0 and 1 a copy whose edges fade into that colour, else the
// picture as it is.
void InstallBackgroundPicture(SkinRecord& record, const std::string& picture);

// Passing a veil alpha is what turns translucent control backgrounds on.
void SetSkinOptions(int childSkinning, std::optional<int> veilAlpha = std::nullopt,
                    std::optional<int> trackbarSwitch = std::nullopt);

}  // namespace quorlin::skin
