// The program's own bilinear stretch of a 32-bit picture.
#include "skin/chrome/picture_stretch.h"

#include <algorithm>
#include <vector>

namespace quorlin::skin {

namespace {

// Where a target pixel samples the source: the two neighbours (the second
// may be the one past the last, which is the outside colour) and the weight
// of the second in 1/256.
struct Tap {
  int first = 0, second = 0;
  unsigned weight = 0;
};

// Target pixel t samples the source at t * from / to, pixel centres on
// whole coordinates (GDI+'s default pixel offset).
std::vector<Tap> Taps(int from, int to) {
  std::vector<Tap> taps(static_cast<size_t>(to));
  const double scale = static_cast<double>(from) / to;
  for (int t = 0; t < to; ++t) {
    const double s = std::min(t * scale, static_cast<double>(from));
    const int first = std::min(static_cast<int>(s), from - 1);
    taps[static_cast<size_t>(t)] =
        Tap{first, first + 1, static_cast<unsigned>(std::clamp((s - first) * 256.0 + 0.5, 0.0, 256.0))};
  }
  return taps;
}

// a and b blended, weight w of b in 1/256, two 8-bit channels at a time.
inline DWORD Mix(DWORD a, DWORD b, unsigned w) {
  const unsigned v = 256 - w;
  const DWORD rb = (((a & 0x00FF00FF) * v + (b & 0x00FF00FF) * w + 0x00800080) >> 8) & 0x00FF00FF;
  const DWORD ag = (((a >> 8) & 0x00FF00FF) * v + ((b >> 8) & 0x00FF00FF) * w + 0x00800080) & 0xFF00FF00;
  return rb | ag;
}

}  // namespace

void StretchBilinear(const PixelRows& source, const PixelRows& target, DWORD outside) {
  if (!source.top || !target.top || source.width <= 0 || source.height <= 0 || target.width <= 0 ||
      target.height <= 0)
    return;
  const std::vector<Tap> across = Taps(source.width, target.width), down = Taps(source.height, target.height);
  // A source row with the outside colour after its last pixel, and each
  // source row stretched across once, kept while target rows sample it.
  std::vector<DWORD> padded(static_cast<size_t>(source.width) + 1, outside);
  std::vector<DWORD> rows[2];
  int rowOf[2] = {-1, -1};
  auto stretchedRow = [&](int y) -> const DWORD* {
    for (int k = 0; k < 2; ++k)
      if (rowOf[k] == y) return rows[k].data();
    const int k = (rowOf[0] == -1 || (rowOf[1] != -1 && rowOf[0] < rowOf[1])) ? 0 : 1;
    rows[k].resize(static_cast<size_t>(target.width));
    DWORD* out = rows[k].data();
    rowOf[k] = y;
    if (y >= source.height) {
      std::fill(out, out + target.width, outside);
      return out;
    }
    std::copy(source.Row(y), source.Row(y) + source.width, padded.begin());
    for (int x = 0; x < target.width; ++x) {
      const Tap& t = across[static_cast<size_t>(x)];
      out[x] = t.weight ? Mix(padded[static_cast<size_t>(t.first)], padded[static_cast<size_t>(t.second)], t.weight)
                        : padded[static_cast<size_t>(t.first)];
    }
    return out;
  };
  for (int y = 0; y < target.height; ++y) {
    const Tap& t = down[static_cast<size_t>(y)];
    const DWORD* upper = stretchedRow(t.first);
    DWORD* out = target.Row(y);
    if (t.weight == 0) {
      std::copy(upper, upper + target.width, out);
      continue;
    }
    const DWORD* lower = stretchedRow(t.second);
    for (int x = 0; x < target.width; ++x) out[x] = Mix(upper[x], lower[x], t.weight);
  }
}

}  // namespace quorlin::skin
