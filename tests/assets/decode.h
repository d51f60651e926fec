// Embedded pictures decoded the way the painters decode them: a bitmap
// loaded from a copy of the bytes through the graphics layer.
#pragma once

#include <cstdint>

#include "assets/assets.h"
#include "graphics/image.h"

namespace quorlin::test {

// Starts GDI+ once for the test program (shut down at exit).
void EnsureGdiplus();

class DecodedPicture {
 public:
  explicit DecodedPicture(const assets::AssetBytes& bytes) {
    EnsureGdiplus();
    if (bitmap_.FromBytes(bytes.data, bytes.size)) {
      width = int(bitmap_.GetWidth());
      height = int(bitmap_.GetHeight());
    }
  }

  // Non-premultiplied ARGB of the pixel; 0 outside the picture.
  std::uint32_t Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    return bitmap_.GetPixel(x, y);
  }

  int width = 0;
  int height = 0;

 private:
  graphics::Bitmap bitmap_;
};

}  // namespace quorlin::test
