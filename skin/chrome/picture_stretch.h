#pragma once
// The background picture stretched by the program's own bilinear filter: the
// same picture GDI+ draws with its default (bilinear) filter, without the
// platform's cost of a filtered DrawImage, which under Wine's 32-bit GDI+ is
// most of a window's first frame.
#include <windows.h>

namespace quorlin::skin {

// 32-bit pixels addressed by their top row and the step, in pixels, from a
// row to the next (negative for a bottom-up bitmap).
struct PixelRows {
  DWORD* top = nullptr;
  int stride = 0, width = 0, height = 0;
  DWORD* Row(int y) const { return top + static_cast<ptrdiff_t>(y) * stride; }
};

// Stretches source over the whole of target, each target pixel blended from
// the four source pixels around the place it samples; past the last row and
// column lies outside (GDI+ blends the picture's far edges with what is
// beneath it).
void StretchBilinear(const PixelRows& source, const PixelRows& target, DWORD outside);

}  // namespace quorlin::skin
