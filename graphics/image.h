// In-memory streams, images and bitmaps.
#pragma once

#include "graphics/status.h"

#include <string>
#include <vector>

namespace quorlin::graphics {

class Graphics;

// A movable global memory block exposed as an IStream. Owns the block and the
// stream and releases both together. Move-only.
class MemoryStream {
 public:
  MemoryStream() = default;
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;
  MemoryStream(MemoryStream&& other) noexcept;
  MemoryStream& operator=(MemoryStream&& other) noexcept;
  ~MemoryStream() { Release(); }

  // Replaces the content with a copy of size bytes; returns the stream (0 on
  // failure).
  IStream* FromBytes(const void* bytes, size_t size);
  IStream* FromBytes(const Bytes& bytes) { return FromBytes(bytes.data(), bytes.size()); }
  // Replaces the content with a new empty, growable stream.
  IStream* CreateEmpty();
  void Release();
  // Byte count of the stream's content (of the memory block without a stream).
  size_t GetSize() const;
  IStream* GetStream() const { return stream_; }
  HGLOBAL GetMemory() const { return memory_; }
  // Adopts one reference to an HGLOBAL-backed stream created with
  // fDeleteOnRelease = FALSE (this object frees the memory block); true when
  // the stream has a memory block.
  bool Attach(IStream* stream);
  Bytes ToBytes();

 private:
  HGLOBAL memory_ = nullptr;
  void* lockedPointer_ = nullptr;
  IStream* stream_ = nullptr;
};

// One installed image encoder.
struct EncoderInfo {
  std::string Clsid;
  std::string FormatID;
  std::string CodecName;
  std::string DllName;
  std::string FormatDescription;
  std::string FilenameExtension;
  std::string MimeType;
  DWORD Flags = 0;
  DWORD Version = 0;
  DWORD SigCount = 0;
  DWORD SigSize = 0;
  Bytes SigPattern;
  Bytes SigMask;
};

// One encoder parameter as callers pass it.
struct EncoderParameterEntry {
  std::string Guid;           // parameter GUID text
  ULONG NumberOfValues = 0;
  ULONG Type = 0;             // EncoderParameterValueType
  Bytes Value;
};
using EncoderParameterSet = std::vector<EncoderParameterEntry>;

inline constexpr const char* kFormatBmp = "{B96B3CAB-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char* kFormatPng = "{B96B3CAF-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char* kFormatJpeg = "{B96B3CAE-0728-11D3-9D7B-0000F81EF32E}";

// The installed encoders.
std::vector<EncoderInfo> GetImageEncoders();
// CLSID text of the first encoder whose FormatID text equals format exactly
// (case-sensitive); "" when there is none.
std::string FindEncoder(const std::string& format);

// A GDI+ image. An image loaded from bytes keeps its source stream, which
// GDI+ reads lazily, for as long as it holds that image.
class Image : public NativeWrapper<Image, GpImage> {
 public:
  Image() = default;
  Image(Image&& other) noexcept = default;
  Image& operator=(Image&& other) noexcept;
  ~Image();

  static GpStatus DeleteNative(GpImage* image);

  // Takes ownership of image; the previous image and its stream are released.
  void SetNative(GpImage* image);
  bool Delete();

  bool FromFile(const char* path, bool useIcm = false);
  bool FromFileW(const wchar_t* path, bool useIcm = false);
  bool FromBytes(const void* bytes, size_t size, bool useIcm = false);
  bool FromBytes(const Bytes& bytes, bool useIcm = false) {
    return FromBytes(bytes.data(), bytes.size(), useIcm);
  }
  bool Clone(Image& target) const;

  // format: a format GUID text; "" means the image's own raw format.
  bool SaveToFile(const char* path, const std::string& format = "",
                  const EncoderParameterSet* parameters = nullptr) const;
  // format "" means BMP.
  bool SaveToFileAs(const char* path, const std::string& format = "",
                    const EncoderParameterSet* parameters = nullptr) const;
  // Empty on failure.
  Bytes SaveToBytes(const std::string& format = "",
                    const EncoderParameterSet* parameters = nullptr) const;

  std::string GetRawFormat() const;
  RectF GetBounds(Gdiplus::Unit* unit = nullptr) const;
  SizeF GetDimension() const;
  UINT GetType() const;
  UINT GetWidth() const;
  UINT GetHeight() const;
  REAL GetHorizontalResolution() const;
  REAL GetVerticalResolution() const;
  UINT GetFlags() const;
  PixelFormat GetPixelFormat() const;
  bool GetThumbnail(UINT width, UINT height, Image& target) const;
  bool RotateFlip(Gdiplus::RotateFlipType type);

 protected:
  bool Save(const wchar_t* path, IStream* stream, const std::string& format,
            const EncoderParameterSet* parameters) const;
  void SetLoaded(GpImage* image, MemoryStream&& source);

  MemoryStream source_;
};

// A GDI+ bitmap: the image operations plus pixel access.
class Bitmap : public Image {
 public:
  GpBitmap* GetNativeBitmap() const { return static_cast<GpBitmap*>(native_); }

  bool FromFile(const char* path, bool useIcm = false);
  bool FromFileW(const wchar_t* path, bool useIcm = false);
  bool FromBytes(const void* bytes, size_t size, bool useIcm = false);
  bool FromBytes(const Bytes& bytes, bool useIcm = false) {
    return FromBytes(bytes.data(), bytes.size(), useIcm);
  }
  bool FromScan0(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0);
  bool CreateBlank(INT width, INT height, PixelFormat format = PixelFormat32bppARGB);
  bool FromGraphics(INT width, INT height, const Graphics& graphics);
  bool FromGdiDib(const BITMAPINFO* info, void* bits);
  bool FromHBITMAP(HBITMAP bitmap, HPALETTE palette = nullptr);
  bool FromHICON(HICON icon);
  bool FromResource(HINSTANCE instance, const wchar_t* name);

  // The caller owns the results (DeleteObject / DestroyIcon).
  HBITMAP GetHBITMAP(ARGB background = 0) const;
  HICON GetHICON() const;

  bool CloneArea(REAL x, REAL y, REAL width, REAL height, PixelFormat format,
                 Bitmap& target) const;
  bool CloneAreaI(INT x, INT y, INT width, INT height, PixelFormat format,
                  Bitmap& target) const;
  bool LockBits(const Rect* rect, UINT flags, PixelFormat format, BitmapData* data);
  bool UnlockBits(BitmapData* data);
  ARGB GetPixel(INT x, INT y) const;
  bool SetPixel(INT x, INT y, ARGB colour);
  bool SetResolution(REAL dpiX, REAL dpiY);

  // Draws this bitmap rotated by angle degrees about its centre into a new
  // 32-bit ARGB bitmap stored in target. size: the new bitmap's size, by
  // default RotatedBounds. background: fill colour when given; interpolation:
  // an InterpolationMode when given.
  bool Rotate(REAL angle, Bitmap& target, const ARGB* background = nullptr,
              const int* interpolation = nullptr, const SIZE* size = nullptr) const;
  // Pixel size of the axis-aligned box around a width x height image rotated
  // by angle degrees (spans of the rotated pixel-centre corners, rounded up,
  // plus one).
  static SIZE RotatedBounds(int width, int height, double angle);
};

}  // namespace quorlin::graphics
