#pragma once
// Operations on skin pictures: the mean colour of a picture and a copy whose
// edges melt into a colour.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace quorlin::skin {

// Mean colour over sampleCount pixels drawn at positions that depend only on
// the calendar day and the sample number; byte 3 is 0xFF. With a margin, only
// the last marginX columns / marginY rows are sampled. A non-empty path reads
// the picture from that file instead.
COLORREF AverageImageColor(std::string_view picture, int sampleCount, int marginX, int marginY,
                           const std::string& path = "");

// PNG bytes of the picture with its right (or left) band and its bottom band
// faded into colour; the band is 30 % of the width unless fadeWidth is given.
std::string FadeImageEdges(std::string_view picture, std::optional<int> fadeWidth, COLORREF colour,
                           bool fadeRight = true, const std::string& path = "");

// The local date-time as a day count with fraction since 30 December 1899.
double LocalDayCount();

}  // namespace quorlin::skin
