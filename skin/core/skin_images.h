#pragma once
// Operations on skin pictures: the mean colour of a picture and a copy whose
// edges melt into a colour.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace quorlin::assets {
struct AssetBytes;
}

namespace quorlin::graphics {
class Bitmap;
class Image;
}

namespace quorlin::skin {

struct SkinRecord;

// Mean colour over sampleCount pixels drawn at positions that depend only on
// the calendar day and the sample number; byte 3 is 0xFF. With a margin, only
// the last marginX columns / marginY rows are sampled. A non-empty path reads
// the picture from that file instead.
COLORREF AverageImageColor(std::string_view picture, int sampleCount, int marginX, int marginY,
                           const std::string& path = "");

// The same mean colour over a picture already decoded.
COLORREF AverageBitmapColor(const graphics::Bitmap& bitmap, int sampleCount, int marginX, int marginY);

// The window's picture decoded from bytes, decoded once and kept in the record
// (about width x height x 4 bytes) until other bytes are asked for; nullptr
// when the bytes are no picture.
const graphics::Bitmap* KeptDecodedPicture(SkinRecord& record, const std::string& bytes);

// PNG bytes of the picture with its right (or left) band and its bottom band
// faded into colour; the band is 30 % of the width unless fadeWidth is given.
std::string FadeImageEdges(std::string_view picture, std::optional<int> fadeWidth, COLORREF colour,
                           bool fadeRight = true, const std::string& path = "");

// An embedded glyph decoded at its first use and kept for the program's
// lifetime: glyphs never change, and decoding one costs more than drawing it.
// Never freed, on purpose: static destructors run after GDI+ has shut down.
const graphics::Image& KeptGlyph(const assets::AssetBytes& glyph);

// The local date-time as a day count with fraction since 30 December 1899.
double LocalDayCount();

}  // namespace quorlin::skin
