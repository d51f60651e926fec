// The embedded pictures decoded through the graphics layer, the way the
// painters decode them: sizes, the alpha structure of the caption glyphs,
// the arrows pixel by pixel, the colours of the tick and the background.
#include <doctest/doctest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "asset_table.h"
#include "assets/assets.h"
#include "decode.h"

using namespace quorlin::assets;
using quorlin::test::DecodedPicture;
using quorlin::test::kPictures;

namespace {

unsigned Alpha(std::uint32_t argb) { return argb >> 24; }
unsigned Red(std::uint32_t argb) { return (argb >> 16) & 0xFF; }
unsigned Green(std::uint32_t argb) { return (argb >> 8) & 0xFF; }
unsigned Blue(std::uint32_t argb) { return argb & 0xFF; }

constexpr std::uint32_t kSolidWhite = 0xFFFFFFFF;

struct Box {
  int x0, y0, x1, y1;  // inclusive
  bool Contains(int x, int y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};

struct CaptionGlyphFacts {
  const char* name;
  const AssetBytes& bytes;
  int width;
  unsigned topAlpha;
  bool brightTopLine;  // row 0 stands out above a wash starting near 0x1D
  Box drawing;         // bounding box of the white line drawing
  std::vector<Box> solid;  // all white
  std::vector<Box> clear;  // no white
  bool separator;      // faint black right-hand column
};

const CaptionGlyphFacts kCaptionGlyphs[] = {
    {"HelpGlyph", HelpGlyph, 26, 0x39, false, {8, 4, 18, 13},
     // bubble edges and the tail at the bottom left
     {{10, 4, 16, 4}, {8, 6, 8, 9}, {18, 6, 18, 9}, {10, 11, 16, 11}, {11, 12, 11, 13}},
     // left of the bubble's inside is empty (the mark is at the right);
     // below the bubble only the tail
     {{10, 6, 12, 9}, {8, 12, 10, 13}, {13, 12, 18, 13}},
     false},
    {"MainMenuGlyph", MainMenuGlyph, 26, 0x2C, false, {9, 4, 18, 12},
     {{9, 4, 18, 4}, {9, 4, 9, 12}, {18, 4, 18, 12}, {9, 12, 18, 12}},
     {{10, 5, 10, 11}},
     false},
    {"MinimizeGlyph", MinimizeGlyph, 26, 0x50, true, {9, 11, 18, 12},
     {{9, 11, 18, 12}},
     {},
     false},
    {"MaximizeGlyph", MaximizeGlyph, 26, 0x50, true, {8, 5, 17, 12},
     // top edge two pixels thick, the other edges one
     {{8, 5, 17, 6}, {8, 5, 8, 12}, {17, 5, 17, 12}, {8, 12, 17, 12}},
     {{9, 7, 16, 11}},
     false},
    {"RestoreGlyph", RestoreGlyph, 26, 0x50, true, {8, 5, 19, 12},
     // the back window reaches the top right, the front one the bottom left
     {{19, 5, 19, 5}, {8, 12, 8, 12}},
     {{8, 5, 9, 6}, {18, 11, 19, 12}},
     false},
    {"CloseGlyph", CloseGlyph, 38, 0x50, true, {14, 5, 22, 12},
     // the four arms and the crossing
     {{14, 5, 16, 5}, {20, 5, 22, 5}, {14, 12, 16, 12}, {20, 12, 22, 12}, {17, 8, 19, 9}},
     {{18, 5, 18, 6}, {14, 7, 15, 10}, {21, 7, 22, 10}, {18, 11, 18, 12}},
     true},
};

bool IsDrawing(const DecodedPicture& p, int x, int y) {
  return x >= 0 && y >= 0 && x < p.width && y < p.height && p.Pixel(x, y) == kSolidWhite;
}

}  // namespace

TEST_CASE("every embedded picture decodes to its size") {
  for (const auto& pic : kPictures) {
    const std::string name = pic.name;
    CAPTURE(name);
    const DecodedPicture d(pic.bytes);
    CHECK(d.width == pic.width);
    CHECK(d.height == pic.height);
  }
}

TEST_CASE("caption glyphs: white drawing, one-pixel shadow, wash fading to 1") {
  for (const auto& g : kCaptionGlyphs) {
    const std::string name = g.name;
    CAPTURE(name);
    const DecodedPicture d(g.bytes);
    REQUIRE(d.width == g.width);
    REQUIRE(d.height == 18);
    const int washRight = g.separator ? g.width - 2 : g.width - 1;

    {  // the wash alpha falls row by row from the top value to 1
      // Column 1 is far from every drawing.
      std::vector<unsigned> wash;
      for (int y = 0; y < 18; ++y) {
        CAPTURE(y);
        const std::uint32_t p = d.Pixel(1, y);
        CHECK((p & 0xFFFFFF) == 0xFFFFFF);
        wash.push_back(Alpha(p));
      }
      CHECK(wash.front() == g.topAlpha);
      CHECK(wash.back() == 1);
      for (int y = 1; y < 18; ++y) {
        CAPTURE(y);
        CHECK(wash[y] < wash[y - 1]);
      }
      if (g.brightTopLine) {
        CHECK(wash[1] >= 0x19);
        CHECK(wash[1] <= 0x21);
      } else {
        CHECK(wash[0] - wash[1] <= 8);  // an even fall, no line on top
      }
    }

    {  // drawing, shadow and wash pixels
      Box seen{g.width, 18, -1, -1};
      for (int y = 0; y < 18; ++y) {
        const unsigned wash = Alpha(d.Pixel(1, y));
        for (int x = 0; x <= washRight; ++x) {
          CAPTURE(x);
          CAPTURE(y);
          const std::uint32_t p = d.Pixel(x, y);
          if (p == kSolidWhite) {
            CHECK(g.drawing.Contains(x, y));
            seen = {std::min(seen.x0, x), std::min(seen.y0, y), std::max(seen.x1, x), std::max(seen.y1, y)};
            continue;
          }
          const bool edge = IsDrawing(d, x - 1, y) || IsDrawing(d, x + 1, y) || IsDrawing(d, x, y - 1) ||
                            IsDrawing(d, x, y + 1);
          const bool corner = IsDrawing(d, x - 1, y - 1) || IsDrawing(d, x + 1, y - 1) ||
                              IsDrawing(d, x - 1, y + 1) || IsDrawing(d, x + 1, y + 1);
          if (edge) {  // soft dark shadow
            CHECK(Alpha(p) >= 100);
            CHECK(Alpha(p) <= 170);
            CHECK(Red(p) < 0x80);
            CHECK(Green(p) < 0x80);
            CHECK(Blue(p) < 0x80);
          } else if (corner) {  // softer at the corners, still darker than the wash
            CHECK(Alpha(p) > wash);
            CHECK(Alpha(p) <= 170);
            CHECK(Red(p) < 0xFF);
          } else {  // plain wash
            CHECK(p == (wash << 24 | 0xFFFFFF));
          }
        }
      }
      CHECK(seen.x0 == g.drawing.x0);
      CHECK(seen.y0 == g.drawing.y0);
      CHECK(seen.x1 == g.drawing.x1);
      CHECK(seen.y1 == g.drawing.y1);
    }

    {  // the stated strokes are solid white and the gaps are not
      for (const Box& b : g.solid)
        for (int y = b.y0; y <= b.y1; ++y)
          for (int x = b.x0; x <= b.x1; ++x) {
            CAPTURE(x);
            CAPTURE(y);
            CHECK(d.Pixel(x, y) == kSolidWhite);
          }
      for (const Box& b : g.clear)
        for (int y = b.y0; y <= b.y1; ++y)
          for (int x = b.x0; x <= b.x1; ++x) {
            CAPTURE(x);
            CAPTURE(y);
            CHECK(d.Pixel(x, y) != kSolidWhite);
          }
    }
  }
}

TEST_CASE("the close glyph's cross has three-pixel strokes and a faint dark right column") {
  const DecodedPicture d(CloseGlyph);
  REQUIRE(d.width == 38);
  for (int y = 5; y <= 12; ++y) {
    CAPTURE(y);
    int run = 0;
    int runs = 0;
    for (int x = 0; x <= 38; ++x) {
      if (x < 38 && IsDrawing(d, x, y)) {
        ++run;
      } else if (run) {
        CHECK(run >= 3);
        ++runs;
        run = 0;
      }
    }
    CHECK(runs >= 1);
    CHECK(runs <= 2);
  }
  unsigned previous = 0xFF;
  for (int y = 0; y < 18; ++y) {
    CAPTURE(y);
    const std::uint32_t p = d.Pixel(37, y);
    CHECK((p & 0xFFFFFF) == 0);
    CHECK(Alpha(p) <= previous);
    previous = Alpha(p);
  }
  CHECK(Alpha(d.Pixel(37, 0)) == 0x1E);
  CHECK(Alpha(d.Pixel(37, 17)) == 0x02);
}

TEST_CASE("arrows are opaque near-black exactly on their rows, transparent elsewhere") {
  struct ArrowFacts {
    const char* name;
    const AssetBytes& bytes;
    std::vector<std::string> rows;  // '#' inked, '.' transparent
  };
  const ArrowFacts arrows[] = {
      {"ArrowUpGlyph", ArrowUpGlyph, {"...#...", "..###..", ".#####.", "#######"}},
      {"ArrowDownGlyph", ArrowDownGlyph, {"#######", ".#####.", "..###..", "...#..."}},
      {"ArrowLeftGlyph", ArrowLeftGlyph, {"...#", "..##", ".###", "####", ".###", "..##", "...#"}},
      {"ArrowRightGlyph", ArrowRightGlyph, {"#...", "##..", "###.", "####", "###.", "##..", "#..."}},
  };
  for (const auto& a : arrows) {
    const std::string name = a.name;
    CAPTURE(name);
    const DecodedPicture d(a.bytes);
    REQUIRE(d.height == int(a.rows.size()));
    REQUIRE(d.width == int(a.rows[0].size()));
    for (int y = 0; y < d.height; ++y)
      for (int x = 0; x < d.width; ++x) {
        CAPTURE(x);
        CAPTURE(y);
        const std::uint32_t p = d.Pixel(x, y);
        if (a.rows[y][x] == '#') {
          CHECK(Alpha(p) == 0xFF);
          CHECK(Red(p) <= 0x03);  // 0x000000 to 0x030100
          CHECK(Green(p) <= 0x01);
          CHECK(Blue(p) == 0x00);
        } else {
          CHECK(Alpha(p) == 0);
        }
      }
  }
}

TEST_CASE("the check mark is a green tick, darkest at the bend, lightest at the tips") {
  const DecodedPicture d(CheckMarkGlyph);
  REQUIRE(d.width == 13);
  REQUIRE(d.height == 12);
  int darkX = -1, darkY = -1;
  unsigned darkest = 0x300;
  int opaque = 0;
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 13; ++x) {
      CAPTURE(x);
      CAPTURE(y);
      const std::uint32_t p = d.Pixel(x, y);
      if (Alpha(p) == 0) continue;
      CHECK(Green(p) > Red(p));  // greens throughout, also at the soft edges
      CHECK(Red(p) > Blue(p));
      if (Alpha(p) < 0xFF) continue;
      ++opaque;
      CHECK(Red(p) >= 0x54);
      CHECK(Red(p) <= 0xD3);
      CHECK(Green(p) >= 0x88);
      CHECK(Green(p) <= 0xE6);
      CHECK(Blue(p) >= 0x05);
      CHECK(Blue(p) <= 0xAF);
      const unsigned sum = Red(p) + Green(p) + Blue(p);
      if (sum < darkest) {
        darkest = sum;
        darkX = x;
        darkY = y;
      }
    }
  CHECK(opaque >= 12);
  // the bend of the tick is the darkest part, in the lower middle
  CHECK(darkX >= 3);
  CHECK(darkX <= 7);
  CHECK(darkY >= 8);
  // the strokes run through their end points and the bend
  CHECK(Alpha(d.Pixel(0, 5)) >= 0x80);
  CHECK(Alpha(d.Pixel(5, 10)) >= 0xC0);
  CHECK(Alpha(d.Pixel(12, 0)) >= 0x80);
  CHECK(Red(d.Pixel(12, 0)) >= 0xB0);  // the long tip is light
  // the ground is transparent
  for (auto [x, y] : {std::pair{0, 0}, {6, 2}, {0, 11}, {12, 11}, {10, 8}}) {
    CAPTURE(x);
    CAPTURE(y);
    CHECK(Alpha(d.Pixel(x, y)) == 0);
  }
}

TEST_CASE("the background is light cyan at the top, nearly white at the bottom") {
  const DecodedPicture d(BackgroundPicture);
  REQUIRE(d.width == 600);
  REQUIRE(d.height == 425);
  // mean colour of a band of rows, sampled on a grid
  auto band = [&](int y0, int y1) {
    unsigned long r = 0, g = 0, b = 0, n = 0;
    for (int y = y0; y <= y1; y += 2)
      for (int x = 0; x < 600; x += 3) {
        const std::uint32_t p = d.Pixel(x, y);
        CHECK(Alpha(p) == 0xFF);
        r += Red(p);
        g += Green(p);
        b += Blue(p);
        ++n;
      }
    return std::vector<unsigned long>{r / n, g / n, b / n};
  };
  const auto top = band(0, 20);
  const auto bottom = band(404, 424);
  CAPTURE(top[0]);
  CAPTURE(top[1]);
  CAPTURE(top[2]);
  CAPTURE(bottom[0]);
  CAPTURE(bottom[1]);
  CAPTURE(bottom[2]);
  // saturated light cyan: blue and green well above red, and bright
  CHECK(top[2] >= 200);
  CHECK(top[1] >= 170);
  CHECK(top[2] >= top[0] + 80);
  CHECK(top[1] >= top[0] + 60);
  // nearly white
  CHECK(bottom[0] >= 225);
  CHECK(bottom[1] >= 235);
  CHECK(bottom[2] >= 235);
}
