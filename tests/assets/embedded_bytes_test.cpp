// The embedded pictures as the program sees them: the container formats,
// read straight from the constant byte blocks.
#include <doctest/doctest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "assets/assets.h"
#include "asset_table.h"

using namespace quorlin::assets;
using quorlin::test::kPictures;

namespace {

// Read at static initialisation: the asset constants must already hold
// their values then, whatever the order the linker put the files in.
const std::size_t kBackgroundSizeAtStartup = BackgroundPicture.size;
const unsigned char* const kBackgroundDataAtStartup = BackgroundPicture.data;

std::uint32_t Be32(const unsigned char* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
unsigned Be16(const unsigned char* p) { return unsigned(p[0]) << 8 | p[1]; }

struct JpegFacts {
  bool soi = false, eoi = false, exif = false;
  int sof0 = 0, otherSof = 0;
  unsigned width = 0, height = 0, components = 0, precision = 0;
  bool wellFormed = false;  // segments chain from SOI to SOS within the block
};

// Walks the marker segments from SOI up to the start of scan.
JpegFacts ReadJpeg(const AssetBytes& a) {
  JpegFacts f;
  const unsigned char* p = a.data;
  const std::size_t n = a.size;
  f.soi = n >= 2 && p[0] == 0xFF && p[1] == 0xD8;
  f.eoi = n >= 2 && p[n - 2] == 0xFF && p[n - 1] == 0xD9;
  std::size_t i = 2;
  while (f.soi && i + 4 <= n) {
    if (p[i] != 0xFF) return f;
    const unsigned marker = p[i + 1];
    const unsigned len = Be16(p + i + 2);
    if (len < 2 || i + 2 + len > n) return f;
    const unsigned char* seg = p + i + 4;
    if (marker == 0xE1 && len >= 8 && std::memcmp(seg, "Exif\0\0", 6) == 0) f.exif = true;
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if (marker == 0xC0) {
        ++f.sof0;
        f.precision = seg[0];
        f.height = Be16(seg + 1);
        f.width = Be16(seg + 3);
        f.components = seg[5];
      } else {
        ++f.otherSof;
      }
    }
    if (marker == 0xDA) {
      f.wellFormed = true;
      return f;
    }
    i += 2 + len;
  }
  return f;
}

}  // namespace

TEST_CASE("asset constants are in place before main") {
  CHECK(kBackgroundDataAtStartup == BackgroundPicture.data);
  CHECK(kBackgroundSizeAtStartup == BackgroundPicture.size);
  CHECK(kBackgroundSizeAtStartup > 0);
}

TEST_CASE("the background picture is a baseline three-component JPEG with an EXIF block") {
  const JpegFacts f = ReadJpeg(BackgroundPicture);
  CHECK(f.soi);
  CHECK(f.eoi);
  CHECK(f.wellFormed);
  CHECK(f.exif);
  CHECK(f.sof0 == 1);
  CHECK(f.otherSof == 0);  // no progressive (SOF2) or other coding
  CHECK(f.precision == 8);
  CHECK(f.width == 600);
  CHECK(f.height == 425);
  CHECK(f.components == 3);
  CHECK(BackgroundPicture.size < 64 * 1024);
}

TEST_CASE("every glyph is a complete 8-bit RGBA PNG of its size") {
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  for (const auto& pic : kPictures) {
    if (pic.jpeg) continue;
    const std::string name = pic.name;
    CAPTURE(name);
    const AssetBytes& a = pic.bytes;
    REQUIRE(a.size > 8 + 25 + 12);
    CHECK(std::memcmp(a.data, kSignature, 8) == 0);
    // IHDR comes first: length 13, then width, height, depth, colour type,
    // compression, filter, interlace.
    const unsigned char* ihdr = a.data + 8;
    CHECK(Be32(ihdr) == 13);
    CHECK(std::memcmp(ihdr + 4, "IHDR", 4) == 0);
    CHECK(Be32(ihdr + 8) == std::uint32_t(pic.width));
    CHECK(Be32(ihdr + 12) == std::uint32_t(pic.height));
    CHECK(ihdr[16] == 8);  // bit depth
    CHECK(ihdr[17] == 6);  // truecolour with alpha
    CHECK(ihdr[20] == 0);  // not interlaced
    // The chunks chain up to IEND, which closes the block.
    std::size_t i = 8;
    std::string last;
    bool chained = true;
    while (i + 12 <= a.size) {
      const std::uint32_t len = Be32(a.data + i);
      last.assign(reinterpret_cast<const char*>(a.data + i + 4), 4);
      if (i + 12 + len > a.size) {
        chained = false;
        break;
      }
      i += 12 + len;
      if (last == "IEND") break;
    }
    CHECK(chained);
    CHECK(last == "IEND");
    CHECK(i == a.size);
  }
}
