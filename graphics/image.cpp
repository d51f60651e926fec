#include "graphics/image.h"

#include "graphics/drawing.h"
#include "graphics/gdiplus_flat.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace quorlin::graphics {

namespace {

// GDI+'s EncoderParameters block built from a parameter set. The value
// pointers refer into the set, which must outlive the block.
class EncoderBlock {
 public:
  explicit EncoderBlock(const EncoderParameterSet* set) {
    if (!set || set->empty()) return;
    size_t bytes = sizeof(Gdiplus::EncoderParameters) +
                   (set->size() - 1) * sizeof(Gdiplus::EncoderParameter);
    storage_.assign(bytes, 0);
    auto* block = reinterpret_cast<Gdiplus::EncoderParameters*>(storage_.data());
    block->Count = static_cast<UINT>(set->size());
    for (size_t i = 0; i < set->size(); ++i) {
      const EncoderParameterEntry& entry = (*set)[i];
      Gdiplus::EncoderParameter& out = block->Parameter[i];
      TextToGuid(entry.Guid, &out.Guid);
      out.NumberOfValues = entry.NumberOfValues;
      out.Type = entry.Type;
      out.Value = const_cast<unsigned char*>(entry.Value.data());
    }
  }
  const Gdiplus::EncoderParameters* get() const {
    return storage_.empty()
               ? nullptr
               : reinterpret_cast<const Gdiplus::EncoderParameters*>(storage_.data());
  }

 private:
  // Aligned for the pointers inside the block.
  std::vector<unsigned char, std::allocator<unsigned char>> storage_;
};

Bytes CopyBytes(const BYTE* first, DWORD count) {
  if (!first || !count) return Bytes();
  return Bytes(first, first + count);
}

}  // namespace

std::vector<EncoderInfo> GetImageEncoders() {
  std::vector<EncoderInfo> list;
  UINT count = 0, size = 0;
  if (!Track(flat::GdipGetImageEncodersSize(&count, &size)) || count == 0 || size == 0)
    return list;
  // ImageCodecInfo records followed by their strings; 8-byte aligned.
  std::vector<unsigned long long> buffer((size + 7) / 8);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (!Track(flat::GdipGetImageEncoders(count, size, codecs))) return list;
  list.reserve(count);
  for (UINT i = 0; i < count; ++i) {
    const Gdiplus::ImageCodecInfo& c = codecs[i];
    EncoderInfo e;
    e.Clsid = GuidToText(c.Clsid);
    e.FormatID = GuidToText(c.FormatID);
    e.CodecName = FromWide(c.CodecName);
    e.DllName = FromWide(c.DllName);
    e.FormatDescription = FromWide(c.FormatDescription);
    e.FilenameExtension = FromWide(c.FilenameExtension);
    e.MimeType = FromWide(c.MimeType);
    e.Flags = c.Flags;
    e.Version = c.Version;
    e.SigCount = c.SigCount;
    e.SigSize = c.SigSize;
    e.SigPattern = CopyBytes(c.SigPattern, c.SigCount * c.SigSize);
    e.SigMask = CopyBytes(c.SigMask, c.SigCount * c.SigSize);
    list.push_back(std::move(e));
  }
  return list;
}

std::string FindEncoder(const std::string& format) {
  for (const EncoderInfo& e : GetImageEncoders())
    if (e.FormatID == format) return e.Clsid;
  return std::string();
}

// ---- Image ----------------------------------------------------------------

GpStatus Image::DeleteNative(GpImage* image) { return flat::GdipDisposeImage(image); }

Image& Image::operator=(Image&& other) noexcept {
  if (this != &other) {
    Reset();  // the image first: it may still read from its stream
    source_ = std::move(other.source_);
    native_ = std::exchange(other.native_, nullptr);
  }
  return *this;
}

Image::~Image() {
  Reset();
  source_.Release();
}

void Image::SetNative(GpImage* image) {
  if (image == native_) return;
  Reset();
  source_.Release();
  native_ = image;
}

bool Image::Delete() {
  bool ok = NativeWrapper::Delete();
  source_.Release();
  return ok;
}

void Image::SetLoaded(GpImage* image, MemoryStream&& source) {
  SetNative(image);
  if (image) source_ = std::move(source);
}

bool Image::FromFile(const char* path, bool useIcm) {
  return FromFileW(ToWide(path).c_str(), useIcm);
}

bool Image::FromFileW(const wchar_t* path, bool useIcm) {
  GpImage* image = nullptr;
  bool ok = Track(useIcm ? flat::GdipLoadImageFromFileICM(path, &image)
                         : flat::GdipLoadImageFromFile(path, &image));
  SetNative(ok ? image : nullptr);
  return ok;
}

bool Image::FromBytes(const void* bytes, size_t size, bool useIcm) {
  SetNative(nullptr);
  MemoryStream source;
  IStream* stream = source.FromBytes(bytes, size);
  if (!stream) {
    LastStatus = Gdiplus::OutOfMemory;
    return false;
  }
  GpImage* image = nullptr;
  bool ok = Track(useIcm ? flat::GdipLoadImageFromStreamICM(stream, &image)
                         : flat::GdipLoadImageFromStream(stream, &image));
  SetLoaded(ok ? image : nullptr, std::move(source));
  return ok;
}

bool Image::Clone(Image& target) const {
  GpImage* copy = nullptr;
  bool ok = Track(flat::GdipCloneImage(native_, &copy));
  target.SetNative(ok ? copy : nullptr);
  return ok;
}

bool Image::Save(const wchar_t* path, IStream* stream, const std::string& format,
                 const EncoderParameterSet* parameters) const {
  CLSID clsid{};
  TextToGuid(FindEncoder(format), &clsid);  // unknown format: all-zero id
  EncoderBlock block(parameters);
  if (stream)
    return Track(flat::GdipSaveImageToStream(native_, stream, &clsid, block.get()));
  // Some GDI+ versions open the file before they look at the encoder; a
  // failed save must not leave an empty file behind.
  const bool existed = GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
  bool ok = Track(flat::GdipSaveImageToFile(native_, path, &clsid, block.get()));
  if (!ok && !existed) DeleteFileW(path);
  return ok;
}

bool Image::SaveToFile(const char* path, const std::string& format,
                       const EncoderParameterSet* parameters) const {
  std::string fmt = format.empty() ? GetRawFormat() : format;
  return Save(ToWide(path).c_str(), nullptr, fmt, parameters);
}

bool Image::SaveToFileAs(const char* path, const std::string& format,
                         const EncoderParameterSet* parameters) const {
  return Save(ToWide(path).c_str(), nullptr, format.empty() ? kFormatBmp : format,
              parameters);
}

Bytes Image::SaveToBytes(const std::string& format,
                         const EncoderParameterSet* parameters) const {
  std::string fmt = format.empty() ? GetRawFormat() : format;
  MemoryStream target;
  IStream* stream = target.CreateEmpty();
  if (!stream) {
    LastStatus = Gdiplus::OutOfMemory;
    return Bytes();
  }
  if (!Save(nullptr, stream, fmt, parameters)) return Bytes();
  return target.ToBytes();
}

std::string Image::GetRawFormat() const {
  GUID format{};
  if (!Track(flat::GdipGetImageRawFormat(native_, &format))) return std::string();
  return GuidToText(format);
}

RectF Image::GetBounds(Gdiplus::Unit* unit) const {
  RectF bounds(0, 0, 0, 0);
  Gdiplus::Unit u = Gdiplus::UnitPixel;
  if (!Track(flat::GdipGetImageBounds(native_, &bounds, &u))) bounds = RectF(0, 0, 0, 0);
  if (unit) *unit = u;
  return bounds;
}

SizeF Image::GetDimension() const {
  REAL w = 0, h = 0;
  if (!Track(flat::GdipGetImageDimension(native_, &w, &h))) w = h = 0;
  return SizeF(w, h);
}

UINT Image::GetType() const {
  Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
  Track(flat::GdipGetImageType(native_, &type));
  return static_cast<UINT>(type);
}

UINT Image::GetWidth() const {
  UINT v = 0;
  if (!Track(flat::GdipGetImageWidth(native_, &v))) v = 0;
  return v;
}

UINT Image::GetHeight() const {
  UINT v = 0;
  if (!Track(flat::GdipGetImageHeight(native_, &v))) v = 0;
  return v;
}

REAL Image::GetHorizontalResolution() const {
  REAL v = 0;
  if (!Track(flat::GdipGetImageHorizontalResolution(native_, &v))) v = 0;
  return v;
}

REAL Image::GetVerticalResolution() const {
  REAL v = 0;
  if (!Track(flat::GdipGetImageVerticalResolution(native_, &v))) v = 0;
  return v;
}

UINT Image::GetFlags() const {
  UINT v = 0;
  if (!Track(flat::GdipGetImageFlags(native_, &v))) v = 0;
  return v;
}

PixelFormat Image::GetPixelFormat() const {
  PixelFormat v = 0;
  if (!Track(flat::GdipGetImagePixelFormat(native_, &v))) v = 0;
  return v;
}

bool Image::GetThumbnail(UINT width, UINT height, Image& target) const {
  GpImage* thumb = nullptr;
  bool ok = Track(flat::GdipGetImageThumbnail(native_, width, height, &thumb, nullptr, nullptr));
  target.SetNative(ok ? thumb : nullptr);
  return ok;
}

bool Image::RotateFlip(Gdiplus::RotateFlipType type) {
  return Track(flat::GdipImageRotateFlip(native_, type));
}

// ---- Bitmap ---------------------------------------------------------------

bool Bitmap::FromFile(const char* path, bool useIcm) {
  return FromFileW(ToWide(path).c_str(), useIcm);
}

bool Bitmap::FromFileW(const wchar_t* path, bool useIcm) {
  GpBitmap* bitmap = nullptr;
  bool ok = Track(useIcm ? flat::GdipCreateBitmapFromFileICM(path, &bitmap)
                         : flat::GdipCreateBitmapFromFile(path, &bitmap));
  SetNative(ok ? bitmap : nullptr);
  return ok;
}

bool Bitmap::FromBytes(const void* bytes, size_t size, bool useIcm) {
  SetNative(nullptr);
  MemoryStream source;
  IStream* stream = source.FromBytes(bytes, size);
  if (!stream) {
    LastStatus = Gdiplus::OutOfMemory;
    return false;
  }
  GpBitmap* bitmap = nullptr;
  bool ok = Track(useIcm ? flat::GdipCreateBitmapFromStreamICM(stream, &bitmap)
                         : flat::GdipCreateBitmapFromStream(stream, &bitmap));
  SetLoaded(ok ? bitmap : nullptr, std::move(source));
  return ok;
}

bool Bitmap::FromScan0(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0) {
  GpBitmap* bitmap = nullptr;
  bool ok = Track(flat::GdipCreateBitmapFromScan0(width, height, stride, format, scan0, &bitmap));
  SetNative(ok ? bitmap : nullptr);
  return ok;
}

bool Bitmap::CreateBlank(INT width, INT height, PixelFormat format) {
  return FromScan0(width, height, 0, format, nullptr);
}

bool Bitmap::FromGraphics(INT width, INT height, const Graphics& graphics) {
  GpBitmap* bitmap = nullptr;
  bool ok = Track(flat::GdipCreateBitmapFromGraphics(width, height, graphics.GetNative(), &bitmap));
  SetNative(ok ? bitmap : nullptr);
  return ok;
}

bool Bitmap::FromGdiDib(const BITMAPINFO* info, void* bits) {
  GpBitmap* bitmap = nullptr;
  bool ok = Track(flat::GdipCreateBitmapFromGdiDib(info, bits, &bitmap));
  SetNative(ok ? bitmap : nullptr);
  return ok;
}

bool Bitmap::FromHBITMAP(HBITMAP source, HPALETTE palette) {
  GpBitmap* bitmap = nullptr;
  bool ok = Track(flat::GdipCreateBitmapFromHBITMAP(source, palette, &bitmap));
  SetNative(ok ? bitmap : nullptr);
  return ok;
}

bool Bitmap::FromHICON(HICON icon) {
  GpBitmap* bitmap = nullptr;
  bool ok = Track(flat::GdipCreateBitmapFromHICON(icon, &bitmap));
  SetNative(ok ? bitmap : nullptr);
  return ok;
}

bool Bitmap::FromResource(HINSTANCE instance, const wchar_t* name) {
  GpBitmap* bitmap = nullptr;
  bool ok = Track(flat::GdipCreateBitmapFromResource(instance, name, &bitmap));
  SetNative(ok ? bitmap : nullptr);
  return ok;
}

HBITMAP Bitmap::GetHBITMAP(ARGB background) const {
  HBITMAP out = nullptr;
  if (!Track(flat::GdipCreateHBITMAPFromBitmap(GetNativeBitmap(), &out, background)))
    return nullptr;
  return out;
}

HICON Bitmap::GetHICON() const {
  HICON out = nullptr;
  if (!Track(flat::GdipCreateHICONFromBitmap(GetNativeBitmap(), &out))) return nullptr;
  return out;
}

bool Bitmap::CloneArea(REAL x, REAL y, REAL width, REAL height, PixelFormat format,
                       Bitmap& target) const {
  GpBitmap* copy = nullptr;
  bool ok = Track(flat::GdipCloneBitmapArea(x, y, width, height, format, GetNativeBitmap(), &copy));
  target.SetNative(ok ? copy : nullptr);
  return ok;
}

bool Bitmap::CloneAreaI(INT x, INT y, INT width, INT height, PixelFormat format,
                        Bitmap& target) const {
  GpBitmap* copy = nullptr;
  bool ok = Track(flat::GdipCloneBitmapAreaI(x, y, width, height, format, GetNativeBitmap(), &copy));
  target.SetNative(ok ? copy : nullptr);
  return ok;
}

bool Bitmap::LockBits(const Rect* rect, UINT flags, PixelFormat format, BitmapData* data) {
  return Track(flat::GdipBitmapLockBits(GetNativeBitmap(), rect, flags, format, data));
}

bool Bitmap::UnlockBits(BitmapData* data) {
  return Track(flat::GdipBitmapUnlockBits(GetNativeBitmap(), data));
}

ARGB Bitmap::GetPixel(INT x, INT y) const {
  ARGB colour = 0;
  if (!Track(flat::GdipBitmapGetPixel(GetNativeBitmap(), x, y, &colour))) return 0;
  return colour;
}

bool Bitmap::SetPixel(INT x, INT y, ARGB colour) {
  return Track(flat::GdipBitmapSetPixel(GetNativeBitmap(), x, y, colour));
}

bool Bitmap::SetResolution(REAL dpiX, REAL dpiY) {
  return Track(flat::GdipBitmapSetResolution(GetNativeBitmap(), dpiX, dpiY));
}

SIZE Bitmap::RotatedBounds(int width, int height, double angle) {
  const double radians = angle * 3.1415926535 / 180.0;
  const double c = std::cos(radians), s = std::sin(radians);
  const double hx = (width - 1) / 2.0, hy = (height - 1) / 2.0;
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  bool first = true;
  for (double sx : {-hx, hx}) {
    for (double sy : {-hy, hy}) {
      double x = sx * c - sy * s, y = sx * s + sy * c;
      if (first || x < minX) minX = x;
      if (first || x > maxX) maxX = x;
      if (first || y < minY) minY = y;
      if (first || y > maxY) maxY = y;
      first = false;
    }
  }
  // The corners are pixel centres; the box spans one more pixel. The small
  // tolerance absorbs the rounding error of right-angle rotations.
  SIZE out;
  out.cx = static_cast<LONG>(std::ceil(maxX - minX - 1e-6)) + 1;
  out.cy = static_cast<LONG>(std::ceil(maxY - minY - 1e-6)) + 1;
  if (width <= 0) out.cx = 0;
  if (height <= 0) out.cy = 0;
  return out;
}

bool Bitmap::Rotate(REAL angle, Bitmap& target, const ARGB* background,
                    const int* interpolation, const SIZE* size) const {
  const int w = static_cast<int>(GetWidth());
  const int h = static_cast<int>(GetHeight());
  if (w <= 0 || h <= 0) return false;
  SIZE box = size ? *size : RotatedBounds(w, h, angle);
  const REAL W = static_cast<REAL>(box.cx), H = static_cast<REAL>(box.cy);

  Bitmap rotated;
  if (!rotated.CreateBlank(box.cx, box.cy, PixelFormat32bppARGB)) return false;
  if (!rotated.SetResolution(GetHorizontalResolution(), GetVerticalResolution())) return false;

  bool drawn = false;
  {
    Graphics g;
    if (!g.FromImage(rotated)) return false;
    if (background) {
      SolidBrush fill;
      if (!fill.Create(*background) || !g.FillRectangle(fill, 0, 0, W, H)) return false;
    }
    if (interpolation &&
        !g.SetInterpolationMode(static_cast<Gdiplus::InterpolationMode>(*interpolation)))
      return false;

    Gdiplus::GpMatrix* matrix = nullptr;
    if (!Track(flat::GdipCreateMatrix(&matrix))) return false;
    const auto prepend = Gdiplus::MatrixOrderPrepend;
    bool ok = Track(flat::GdipTranslateMatrix(matrix, W / 2, H / 2, prepend)) &&
              Track(flat::GdipRotateMatrix(matrix, angle, prepend)) &&
              Track(flat::GdipTranslateMatrix(matrix, -W / 2, -H / 2, prepend)) &&
              Track(flat::GdipTranslateMatrix(matrix, (W - w) / 2, (H - h) / 2, prepend)) &&
              Track(flat::GdipSetWorldTransform(g.GetNative(), matrix));
    if (ok) {
      // Drawn at the source's pixel size whatever its resolution.
      drawn = g.DrawImageRect(*this, 0, 0, static_cast<REAL>(w), static_cast<REAL>(h));
      int status = LastStatus;
      flat::GdipResetWorldTransform(g.GetNative());
      LastStatus = status;
    }
    flat::GdipDeleteMatrix(matrix);
  }
  if (drawn) target.SetNative(rotated.Detach());
  return drawn;
}

}  // namespace quorlin::graphics
