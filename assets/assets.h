// The pictures the skin engine draws with, compiled into the program as
// constant byte blocks (nothing is read from disk). The files themselves live
// next to this header and are drawn by tools/make_assets.py.
//
// Every constant is constant-initialised, so it can be used from other
// static initialisers.
#pragma once

#include <cstddef>

namespace quorlin::assets {

struct AssetBytes {
  const unsigned char* data;
  std::size_t size;

  constexpr const unsigned char* begin() const { return data; }
  constexpr const unsigned char* end() const { return data + size; }
};

// JPEG, baseline, 3 components, with an EXIF block; 600 x 425. The main
// window's background picture (stretched).
extern constinit const AssetBytes BackgroundPicture;

// Caption button glyphs: PNG, 8-bit RGBA, 26 x 18 (CloseGlyph 38 x 18). A
// white line drawing with a soft dark shadow over a translucent white wash.
extern constinit const AssetBytes HelpGlyph;
extern constinit const AssetBytes MainMenuGlyph;
extern constinit const AssetBytes MinimizeGlyph;
extern constinit const AssetBytes MaximizeGlyph;
extern constinit const AssetBytes RestoreGlyph;  // shown while the window is maximized
extern constinit const AssetBytes CloseGlyph;

// PNG, 8-bit RGBA, 13 x 12: green tick of a ticked check box.
extern constinit const AssetBytes CheckMarkGlyph;

// PNG, 8-bit RGBA: solid near-black triangles, 7 x 4 (up, down) and 4 x 7
// (left, right).
extern constinit const AssetBytes ArrowUpGlyph;
extern constinit const AssetBytes ArrowDownGlyph;
extern constinit const AssetBytes ArrowLeftGlyph;
extern constinit const AssetBytes ArrowRightGlyph;

}  // namespace quorlin::assets
