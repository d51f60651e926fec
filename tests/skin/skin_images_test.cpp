// Mean colour and edge fade of skin pictures.
#include <doctest/doctest.h>

#include <string>

#include "graphics/drawing.h"
#include "skin/core/painting.h"
#include "skin/core/skin_images.h"

using namespace quorlin::skin;
namespace gfx = quorlin::graphics;

namespace {

std::string Png(gfx::Bitmap& bitmap) {
  const gfx::Bytes bytes = bitmap.SaveToBytes(gfx::kFormatPng);
  return std::string(bytes.begin(), bytes.end());
}

std::string Uniform(int w, int h, gfx::ARGB colour) {
  gfx::Bitmap b;
  b.CreateBlank(w, h);
  gfx::Graphics g;
  g.FromImage(b);
  g.Clear(colour);
  return Png(b);
}

// Every pixel a different colour, so the mean depends on where it samples.
std::string Noise(int w, int h) {
  gfx::Bitmap b;
  b.CreateBlank(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, 0xFF000000u | ((x * 37 + y * 11) % 256) << 16 | ((x * y) % 256) << 8 | ((x + 3 * y) % 256));
  return Png(b);
}

gfx::ARGB PixelOf(const std::string& png, int x, int y) {
  gfx::Bitmap b;
  b.FromBytes(png.data(), png.size());
  return b.GetPixel(x, y);
}

}  // namespace

TEST_CASE("the mean colour of a uniform picture is that colour") {
  const std::string picture = Uniform(40, 30, 0xFF336699);  // red 0x33, green 0x66, blue 0x99
  CHECK(AverageImageColor(picture, 2000, 0, 0) == 0xFF996633u);
  CHECK(AverageImageColor(picture, 50, 5, 5) == 0xFF996633u);
  CHECK(AverageImageColor("", 2000, 0, 0) == 0xFF000000u);
  CHECK(AverageImageColor("not a picture", 2000, 0, 0) == 0xFF000000u);
}

TEST_CASE("the mean colour samples the whole picture") {
  // Left half black, right half white: the true mean is grey 127.5.
  gfx::Bitmap halves;
  halves.CreateBlank(600, 425);
  {
    gfx::Graphics g;
    g.FromImage(halves);
    g.Clear(0xFF000000);
    gfx::SolidBrush white;
    white.Create(0xFFFFFFFF);
    g.FillRectangle(white, 300, 0, 300, 425);
  }
  const COLORREF grey = AverageImageColor(Png(halves), 2000, 0, 0);
  CHECK(GetRValue(grey) >= 115);
  CHECK(GetRValue(grey) <= 140);
  // Only the top-left corner (a tenth by a tenth) is red: the mean is all but
  // the blue of the rest.
  gfx::Bitmap corner;
  corner.CreateBlank(600, 425);
  {
    gfx::Graphics g;
    g.FromImage(corner);
    g.Clear(0xFF0000FF);
    gfx::SolidBrush red;
    red.Create(0xFFFF0000);
    g.FillRectangle(red, 0, 0, 60, 43);
  }
  const COLORREF blue = AverageImageColor(Png(corner), 2000, 0, 0);
  CHECK(GetRValue(blue) < 12);
  CHECK(GetBValue(blue) > 240);
}

TEST_CASE("samples fall on the same positions all day") {
  const std::string picture = Noise(120, 90);
  const COLORREF first = AverageImageColor(picture, 500, 0, 0);
  CHECK(AverageImageColor(picture, 500, 0, 0) == first);
  // Margins restrict the samples to the last columns and rows.
  gfx::Bitmap split;
  split.CreateBlank(100, 100);
  {
    gfx::Graphics g;
    g.FromImage(split);
    g.Clear(0xFFFF0000);
    gfx::SolidBrush blue;
    blue.Create(0xFF0000FF);
    g.FillRectangle(blue, 90, 90, 10, 10);
  }
  CHECK(AverageImageColor(Png(split), 300, 10, 10) == 0xFFFF0000u);  // COLORREF blue
}

TEST_CASE("edge fades cover 30 percent bands of a 600 x 425 picture") {
  const std::string picture = Uniform(600, 425, 0xFF808080);
  const COLORREF towards = 0x0000FF;  // COLORREF red
  SUBCASE("right and bottom") {
    const std::string faded = FadeImageEdges(picture, std::nullopt, towards);
    REQUIRE_FALSE(faded.empty());
    CHECK(PixelOf(faded, 100, 100) == 0xFF808080u);  // outside both bands
    CHECK(PixelOf(faded, 419, 100) == 0xFF808080u);  // just left of x0 + 1 = 421
    const gfx::ARGB right = PixelOf(faded, 599, 100);
    CHECK(((right >> 16) & 0xFF) > 0xF0);  // nearly the fade colour at the edge
    CHECK(((right >> 8) & 0xFF) < 0x10);
    const gfx::ARGB bottom = PixelOf(faded, 100, 424);
    CHECK(((bottom >> 16) & 0xFF) > 0xF0);
    CHECK(PixelOf(faded, 100, 240) == 0xFF808080u);  // above y0 + 1 = 246
  }
  SUBCASE("left and bottom") {
    const std::string faded = FadeImageEdges(picture, std::nullopt, towards, false);
    const gfx::ARGB left = PixelOf(faded, 0, 100);
    CHECK(((left >> 16) & 0xFF) > 0xF0);
    CHECK(PixelOf(faded, 300, 100) == 0xFF808080u);
    CHECK(PixelOf(faded, 599, 100) == 0xFF808080u);
  }
  CHECK(FadeImageEdges("", std::nullopt, towards).empty());
}
