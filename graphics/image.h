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

// Bytes of one value of an EncoderParameterValueType; 0 for a type whose
// values are not plain bytes (the pointer type) or is unknown. Saves refuse
// parameters of such types: GDI+ would read values no entry holds.
UINT EncoderValueSize(ULONG type);
// A parameter set read out of GDI+'s EncoderParameters block: per parameter
// NumberOfValues values of its type, copied from the value pointer (no bytes
// for a type without a known size).
EncoderParameterSet ToEncoderParameterSet(const Gdiplus::EncoderParameters& block);

// One property item of an image (EXIF tag, frame delay, ...). Length is the
// value's byte count.
struct PropertyItem {
  PROPID Id = 0;
  ULONG Length = 0;
  WORD Type = 0;  // PropertyTagType*
  Bytes Value;
};

// An image palette: the PaletteFlags and the colours.
struct Palette {
  UINT Flags = 0;
  std::vector<ARGB> Colours;
};

inline constexpr const char* kFormatBmp = "{B96B3CAB-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char* kFormatPng = "{B96B3CAF-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char* kFormatJpeg = "{B96B3CAE-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char* kFormatGif = "{B96B3CB0-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char* kFormatTiff = "{B96B3CB1-0728-11D3-9D7B-0000F81EF32E}";

// Frame dimensions: the frames of an animation, the pages of a document.
inline constexpr const char* kFrameDimensionTime = "{6AEDBD6D-3FB5-418A-83A6-7F45229DC872}";
inline constexpr const char* kFrameDimensionPage = "{7462DC86-6180-4C7E-8E3F-EE7333A7A483}";

// The encoder parameter that starts, continues and ends a multi-frame save
// (one Long value: EncoderValueMultiFrame, ...FrameDimensionPage, ...Flush).
inline constexpr const char* kEncoderSaveFlag = "{292266FC-AC40-47BF-8CFC-A85B89A655DE}";
// Property item 0x5100: the frame delays of an animation, one Long per frame
// in hundredths of a second.
inline constexpr PROPID kPropertyFrameDelay = 0x5100;

// The installed encoders.
std::vector<EncoderInfo> GetImageEncoders();
// CLSID text of the first encoder whose FormatID text equals format exactly
// (case-sensitive); "" when there is none.
std::string FindEncoder(const std::string& format);

// A GDI+ effect (blur, sharpen, colour curves, ...) for Bitmap::ApplyEffect.
// Effects came with GDI+ 1.1, so their functions are looked up when first
// used: where the installed GDI+ has none, the operations fail with
// UnsupportedGdiplusVersion instead of keeping the program from loading.
class Effect : public NativeWrapper<Effect, CGpEffect> {
 public:
  static GpStatus DeleteNative(CGpEffect* effect);

  // effect: an effect GUID text, e.g. the blur effect
  // "{633C80A4-1843-482B-9EF2-BE2834C5FDD4}".
  bool Create(const std::string& effect);
  // parameters: the effect's parameter record (BlurParams, ...) of size bytes.
  bool SetParameters(const void* parameters, UINT size);
};

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
  // Gives up the image without deleting it. An image loaded from bytes goes
  // on reading its source stream, so it leaves only together with it:
  // Detach() refuses such an image (0, InvalidParameter; the wrapper keeps
  // it), Detach(source) moves the stream into source, which must then
  // outlive the image.
  GpImage* Detach();
  GpImage* Detach(MemoryStream& source);

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
  // Empty on failure. The multi-frame save flag in parameters ends the file
  // after this one frame: the bytes are returned whole, and no later SaveAdd
  // can write into a stream that is gone.
  Bytes SaveToBytes(const std::string& format = "",
                    const EncoderParameterSet* parameters = nullptr) const;
  // Multi-frame files: after a save with kEncoderSaveFlag = MultiFrame,
  // SaveAddImage appends image as the next page (FrameDimensionPage) and
  // SaveAdd appends this image's active frame or, with Flush, ends the file.
  bool SaveAdd(const EncoderParameterSet& parameters);
  bool SaveAddImage(const Image& image, const EncoderParameterSet& parameters);
  // The parameters the encoder of format ("" = the raw format) takes for this
  // image; empty when it lists none or cannot say (see LastStatus).
  EncoderParameterSet GetEncoderParameterList(const std::string& format) const;

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

  // Frames along a dimension GUID text (kFrameDimensionTime, ...Page).
  UINT GetFrameCount(const std::string& dimension) const;
  std::vector<std::string> GetFrameDimensions() const;
  bool SelectActiveFrame(const std::string& dimension, UINT index);
  // The delays of property item 0x5100, one per 4 bytes of its value; false
  // (and delays empty) when the image has no such item.
  bool GetFrameDelays(std::vector<INT>& delays) const;

  // An empty item (Id 0, no value) when the image has none with this id; the
  // status tells it from a real empty item.
  PropertyItem GetPropertyItem(PROPID id) const;
  // Stores the first item.Length bytes of item.Value (false, InvalidParameter,
  // when Length is more than Value holds); the result and status are GDI+'s.
  // What GDI+ keeps is its own affair: Wine's answers Ok and keeps nothing,
  // others may store an item changed; GetPropertyItem tells.
  bool SetPropertyItem(const PropertyItem& item);
  bool RemovePropertyItem(PROPID id);
  std::vector<PROPID> GetPropertyIdList() const;

  bool RotateFlip(Gdiplus::RotateFlipType type);

  // Flags 0 and no colours on failure.
  Palette GetPalette() const;
  // At most 256 colours (false, InvalidParameter, for more).
  bool SetPalette(UINT flags, const ARGB* colours, UINT count);

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
  // Applies effect to the whole bitmap or to regionOfInterest.
  bool ApplyEffect(const Effect& effect, const RECT* regionOfInterest = nullptr);

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
