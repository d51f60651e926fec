// Every embedded picture with the size it must have.
#pragma once

#include "assets/assets.h"

namespace quorlin::test {

struct PictureFacts {
  const char* name;
  const assets::AssetBytes& bytes;
  bool jpeg;
  int width, height;
};

inline const PictureFacts kPictures[] = {
    {"BackgroundPicture", assets::BackgroundPicture, true, 600, 425},
    {"HelpGlyph", assets::HelpGlyph, false, 26, 18},
    {"MainMenuGlyph", assets::MainMenuGlyph, false, 26, 18},
    {"MinimizeGlyph", assets::MinimizeGlyph, false, 26, 18},
    {"MaximizeGlyph", assets::MaximizeGlyph, false, 26, 18},
    {"RestoreGlyph", assets::RestoreGlyph, false, 26, 18},
    {"CloseGlyph", assets::CloseGlyph, false, 38, 18},
    {"CheckMarkGlyph", assets::CheckMarkGlyph, false, 13, 12},
    {"ArrowUpGlyph", assets::ArrowUpGlyph, false, 7, 4},
    {"ArrowDownGlyph", assets::ArrowDownGlyph, false, 7, 4},
    {"ArrowLeftGlyph", assets::ArrowLeftGlyph, false, 4, 7},
    {"ArrowRightGlyph", assets::ArrowRightGlyph, false, 4, 7},
};

}  // namespace quorlin::test
