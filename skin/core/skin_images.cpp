#include "skin/core/skin_images.h"

#include <map>

#include "assets/assets.h"
#include "graphics/drawing.h"
#include "graphics/image.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

bool Decode(graphics::Bitmap& bitmap, std::string_view picture, const std::string& path) {
  if (!path.empty()) return bitmap.FromFile(path.c_str());
  return !picture.empty() && bitmap.FromBytes(picture.data(), picture.size());
}

// A uniformly drawn integer in [low, high] from a generator seeded with seed.
// Every sample reseeds with consecutive seeds, so the seed is mixed first
// (SplitMix64's finaliser): a plain linear generator's first output moves by a
// fraction of the range per seed, and all samples would fall in one strip.
int DrawUniform(unsigned long long seed, int low, int high) {
  unsigned long long z = seed + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  const unsigned long long span = static_cast<unsigned long long>(high - low) + 1;
  return low + static_cast<int>(z % span);
}

}  // namespace

const graphics::Image& KeptGlyph(const assets::AssetBytes& glyph) {
  static auto* kept = new std::map<const void*, graphics::Image>;
  auto [it, added] = kept->try_emplace(glyph.data);
  if (added) it->second.FromBytes(glyph.data, glyph.size);
  return it->second;
}

double LocalDayCount() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  FILETIME ft;
  SystemTimeToFileTime(&now, &ft);
  const ULONGLONG ticks = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  // FILETIME counts 100 ns from 1601-01-01, which is 109205 days before 1899-12-30.
  return static_cast<double>(ticks) / 864000000000.0 - 109205.0;
}

COLORREF AverageImageColor(std::string_view picture, int sampleCount, int marginX, int marginY,
                           const std::string& path) {
  graphics::Bitmap bitmap;
  if (!Decode(bitmap, picture, path)) return 0xFF000000;
  return AverageBitmapColor(bitmap, sampleCount, marginX, marginY);
}

COLORREF AverageBitmapColor(const graphics::Bitmap& bitmap, int sampleCount, int marginX, int marginY) {
  const int w = static_cast<int>(bitmap.GetWidth());
  const int h = static_cast<int>(bitmap.GetHeight());
  if (w <= 0 || h <= 0 || sampleCount <= 0) return 0xFF000000;
  const int xLow = marginX < 1 ? 0 : (w - marginX > 0 ? w - marginX : 0);
  const int yLow = marginY < 1 ? 0 : (h - marginY > 0 ? h - marginY : 0);
  const double today = LocalDayCount();
  unsigned long long sumB = 0, sumG = 0, sumR = 0;
  for (int i = 1; i <= sampleCount; ++i) {
    const int x = DrawUniform(static_cast<unsigned long long>(static_cast<long long>(today + 3.0 * i)), xLow, w - 1);
    const int y = DrawUniform(static_cast<unsigned long long>(static_cast<long long>(today + i)), yLow, h - 1);
    const COLORREF p = ColorRefFromArgb(bitmap.GetPixel(x, y)).colour;
    sumB += (p >> 16) & 0xFF;
    sumG += (p >> 8) & 0xFF;
    sumR += p & 0xFF;
  }
  const unsigned long long n = static_cast<unsigned long long>(sampleCount);
  return static_cast<COLORREF>((sumR / n) | ((sumG / n) << 8) | ((sumB / n) << 16) | 0xFF000000u);
}

const graphics::Bitmap* KeptDecodedPicture(SkinRecord& record, const std::string& bytes) {
  if (record.decodedPicture && record.decodedPictureSource == bytes) return record.decodedPicture.get();
  record.decodedPicture.reset();
  record.decodedPictureSource.clear();
  auto decoded = std::make_shared<graphics::Bitmap>();
  if (bytes.empty() || !decoded->FromBytes(bytes.data(), bytes.size())) return nullptr;
  record.decodedPicture = std::move(decoded);
  record.decodedPictureSource = bytes;
  return record.decodedPicture.get();
}

std::string FadeImageEdges(std::string_view picture, std::optional<int> fadeWidth, COLORREF colour, bool fadeRight,
                           const std::string& path) {
  using namespace graphics;
  Bitmap source;
  if (!Decode(source, picture, path)) return {};
  const int w = static_cast<int>(source.GetWidth()), h = static_cast<int>(source.GetHeight());
  if (w <= 0 || h <= 0) return {};
  Bitmap faded;
  faded.CreateBlank(w, h, PixelFormat32bppARGB);
  {
    Graphics g;
    g.FromImage(faded);
    g.SetCompositingQuality(Gdiplus::CompositingQualityGammaCorrected);
    g.DrawImageRect(source, 0, 0, static_cast<REAL>(w), static_cast<REAL>(h));
    const int f = fadeWidth.value_or(static_cast<int>(w * 0.3));
    const ARGB opaque = ArgbFromColorRef(colour);
    const ARGB clearColour = ArgbFromColorRef(colour, 0, true);
    const ARGB clearWhite = 0x00FFFFFF;
    LinearGradientBrush side;
    if (fadeRight) {
      const int x0 = w - f;
      side.Create(PointF(static_cast<REAL>(x0), 0), PointF(static_cast<REAL>(w), 0), clearWhite, opaque);
      g.FillRectangle(side, static_cast<REAL>(x0 + 1), 0, static_cast<REAL>(f), static_cast<REAL>(h));
    } else {
      side.Create(PointF(0, 0), PointF(static_cast<REAL>(f), 0), opaque, clearWhite);
      g.FillRectangle(side, 0, 0, static_cast<REAL>(f), static_cast<REAL>(h));
    }
    const int y0 = h - f;
    LinearGradientBrush bottom;
    bottom.Create(PointF(0, static_cast<REAL>(y0)), PointF(0, static_cast<REAL>(h)), clearColour, opaque);
    g.FillRectangle(bottom, 0, static_cast<REAL>(y0 + 1), static_cast<REAL>(w), static_cast<REAL>(f));
  }
  const Bytes png = faded.SaveToBytes(kFormatPng);
  return std::string(png.begin(), png.end());
}

}  // namespace quorlin::skin
