#include "graphics/image.h"

#include "graphics/drawing.h"
#include "graphics/gdiplus_flat.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

namespace quorlin::graphics {

namespace {

// Zero-filled storage, aligned for the pointers inside them, for the
// variable-size records GDI+ reads and fills in (parameter blocks, property
// items, palettes).
class RecordBuffer {
 public:
  explicit RecordBuffer(size_t bytes) : words_((bytes + 7) / 8) {}
  template <class Record>
  Record* As() {
    return reinterpret_cast<Record*>(words_.data());
  }
  const unsigned char* begin() const { return reinterpret_cast<const unsigned char*>(words_.data()); }
  size_t size() const { return words_.size() * 8; }
  bool empty() const { return words_.empty(); }

 private:
  std::vector<unsigned long long> words_;
};

// Byte count of count values of type. False for a type whose values have no
// known size (the pointer type, unknown types) and for a count whose bytes
// this build cannot hold: taken in a 32-bit size_t, 0x40000000 Longs would
// come to 0 bytes.
bool EncoderValueBytes(ULONG count, ULONG type, size_t& bytes) {
  const UINT size = EncoderValueSize(type);
  const uint64_t total = uint64_t(count) * size;  // 32 x 32 bits: no overflow
  if (size == 0 || total > SIZE_MAX) return false;
  bytes = static_cast<size_t>(total);
  return true;
}

// GDI+'s EncoderParameters block built from a parameter set. The value
// pointers refer into the set, which must outlive the block. GDI+ reads
// NumberOfValues values of the entry's type from each pointer, so a set whose
// value bytes are fewer than that, or whose type has no known size, is
// refused (valid() false) rather than read past its end.
class EncoderBlock {
 public:
  explicit EncoderBlock(const EncoderParameterSet* set)
      : storage_(set && !set->empty() ? sizeof(Gdiplus::EncoderParameters) +
                                            (set->size() - 1) * sizeof(Gdiplus::EncoderParameter)
                                      : 0) {
    if (storage_.empty()) return;
    auto* block = storage_.As<Gdiplus::EncoderParameters>();
    block->Count = static_cast<UINT>(set->size());
    Gdiplus::EncoderParameter* out = block->Parameter;
    for (size_t i = 0; i < set->size(); ++i) {
      const EncoderParameterEntry& entry = (*set)[i];
      size_t needed = 0;
      if (!EncoderValueBytes(entry.NumberOfValues, entry.Type, needed) || entry.Value.size() < needed)
        valid_ = false;
      TextToGuid(entry.Guid, &out[i].Guid);
      out[i].NumberOfValues = entry.NumberOfValues;
      out[i].Type = entry.Type;
      out[i].Value = const_cast<unsigned char*>(entry.Value.data());
    }
  }
  bool valid() const { return valid_; }
  const Gdiplus::EncoderParameters* get() {
    return storage_.empty() ? nullptr : storage_.As<Gdiplus::EncoderParameters>();
  }

 private:
  RecordBuffer storage_;
  bool valid_ = true;
};

// The one-entry parameter set of a save flag (EncoderValueMultiFrame, ...).
EncoderParameterSet SaveFlag(Gdiplus::EncoderValue value) {
  const auto v = static_cast<ULONG>(value);
  Bytes bytes(sizeof v);
  std::memcpy(bytes.data(), &v, sizeof v);
  return {{kEncoderSaveFlag, 1, Gdiplus::EncoderParameterValueTypeLong, bytes}};
}

// True when the set starts a multi-frame save.
bool StartsMultiFrame(const EncoderParameterSet* set) {
  if (!set) return false;
  GUID flag{}, wanted{};
  TextToGuid(kEncoderSaveFlag, &wanted);
  for (const EncoderParameterEntry& entry : *set) {
    if (!TextToGuid(entry.Guid, &flag) || !IsEqualGUID(flag, wanted) ||
        entry.Type != Gdiplus::EncoderParameterValueTypeLong)
      continue;
    for (size_t at = 0; at + 4 <= entry.Value.size() && at / 4 < entry.NumberOfValues; at += 4) {
      ULONG value = 0;
      std::memcpy(&value, entry.Value.data() + at, 4);
      if (value == Gdiplus::EncoderValueMultiFrame) return true;
    }
  }
  return false;
}

// Reads property item id; false, with the status in LastStatus, when the
// image has none or the read fails.
bool ReadPropertyItem(GpImage* image, PROPID id, PropertyItem& out) {
  out = PropertyItem();
  UINT size = 0;
  if (!Track(flat::GdipGetPropertyItemSize(image, id, &size))) return false;
  RecordBuffer buffer(std::max<size_t>(size, sizeof(Gdiplus::PropertyItem)));
  auto* item = buffer.As<Gdiplus::PropertyItem>();
  if (!Track(flat::GdipGetPropertyItem(image, id, size, item))) return false;
  out.Id = item->id;
  out.Type = item->type;
  const auto* value = static_cast<const unsigned char*>(item->value);
  size_t length = item->length;
  // The value follows the record in the buffer; never copy past its end.
  const auto at = reinterpret_cast<uintptr_t>(value);
  const auto first = reinterpret_cast<uintptr_t>(buffer.begin()), end = first + size;
  if (at >= first && at <= end) length = std::min<size_t>(length, end - at);
  if (value && length) out.Value.assign(value, value + length);
  out.Length = static_cast<ULONG>(out.Value.size());
  return true;
}

// The effect functions of GDI+ 1.1, looked up in the loaded gdiplus.dll; 0
// where the installed GDI+ lacks them. Importing them would stop the program
// from loading on a system with GDI+ 1.0 only.
struct EffectFunctions {
  decltype(&flat::GdipCreateEffect) create = nullptr;
  decltype(&flat::GdipDeleteEffect) destroy = nullptr;
  decltype(&flat::GdipSetEffectParameters) setParameters = nullptr;
  decltype(&flat::GdipBitmapApplyEffect) apply = nullptr;
};

template <class Function>
void Look(HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const EffectFunctions& Effects() {
  static const EffectFunctions functions = [] {
    EffectFunctions f;
    if (HMODULE module = GetModuleHandleW(L"gdiplus.dll")) {
      Look(module, "GdipCreateEffect", f.create);
      Look(module, "GdipDeleteEffect", f.destroy);
      Look(module, "GdipSetEffectParameters", f.setParameters);
      Look(module, "GdipBitmapApplyEffect", f.apply);
    }
    return f;
  }();
  return functions;
}

bool Unsupported() {
  LastStatus = Gdiplus::UnsupportedGdiplusVersion;
  return false;
}

Bytes CopyBytes(const BYTE* first, DWORD count) {
  if (!first || !count) return Bytes();
  return Bytes(first, first + count);
}

}  // namespace

UINT EncoderValueSize(ULONG type) {
  switch (type) {
    case Gdiplus::EncoderParameterValueTypeByte:
    case Gdiplus::EncoderParameterValueTypeASCII:
    case Gdiplus::EncoderParameterValueTypeUndefined:
      return 1;
    case Gdiplus::EncoderParameterValueTypeShort:
      return 2;
    case Gdiplus::EncoderParameterValueTypeLong:
      return 4;
    case Gdiplus::EncoderParameterValueTypeRational:  // numerator, denominator
    case Gdiplus::EncoderParameterValueTypeLongRange:  // low, high
      return 8;
    case Gdiplus::EncoderParameterValueTypeRationalRange:
      return 16;
    default:
      return 0;
  }
}

EncoderParameterSet ToEncoderParameterSet(const Gdiplus::EncoderParameters& block) {
  EncoderParameterSet set;
  set.reserve(block.Count);
  const Gdiplus::EncoderParameter* parameters = block.Parameter;
  for (UINT i = 0; i < block.Count; ++i) {
    const Gdiplus::EncoderParameter& p = parameters[i];
    EncoderParameterEntry entry;
    entry.Guid = GuidToText(p.Guid);
    entry.NumberOfValues = p.NumberOfValues;
    entry.Type = p.Type;
    size_t bytes = 0;
    if (p.Value && EncoderValueBytes(p.NumberOfValues, p.Type, bytes) && bytes) {
      const auto* first = static_cast<const unsigned char*>(p.Value);
      entry.Value.assign(first, first + bytes);
    }
    set.push_back(std::move(entry));
  }
  return set;
}

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

GpImage* Image::Detach() {
  if (source_.GetStream() || source_.GetMemory()) {
    LastStatus = Gdiplus::InvalidParameter;
    return nullptr;
  }
  return NativeWrapper::Detach();
}

GpImage* Image::Detach(MemoryStream& source) {
  source = std::move(source_);
  return NativeWrapper::Detach();
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
  if (!block.valid()) {
    LastStatus = Gdiplus::InvalidParameter;
    return false;
  }
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
  // A multi-frame save keeps the encoder, and with it the stream, open for
  // more frames; the stream's memory goes with this function, so the file is
  // ended here.
  if (StartsMultiFrame(parameters)) {
    EncoderParameterSet flush = SaveFlag(Gdiplus::EncoderValueFlush);
    EncoderBlock block(&flush);
    if (!Track(flat::GdipSaveAdd(native_, block.get()))) return Bytes();
  }
  return target.ToBytes();
}

bool Image::SaveAdd(const EncoderParameterSet& parameters) {
  EncoderBlock block(&parameters);
  if (!block.valid()) {
    LastStatus = Gdiplus::InvalidParameter;
    return false;
  }
  return Track(flat::GdipSaveAdd(native_, block.get()));
}

bool Image::SaveAddImage(const Image& image, const EncoderParameterSet& parameters) {
  EncoderBlock block(&parameters);
  if (!block.valid()) {
    LastStatus = Gdiplus::InvalidParameter;
    return false;
  }
  return Track(flat::GdipSaveAddImage(native_, image.GetNative(), block.get()));
}

EncoderParameterSet Image::GetEncoderParameterList(const std::string& format) const {
  CLSID clsid{};
  TextToGuid(FindEncoder(format.empty() ? GetRawFormat() : format), &clsid);
  UINT size = 0;
  if (!Track(flat::GdipGetEncoderParameterListSize(native_, &clsid, &size)) || size == 0)
    return EncoderParameterSet();
  RecordBuffer buffer(std::max<size_t>(size, sizeof(Gdiplus::EncoderParameters)));
  auto* block = buffer.As<Gdiplus::EncoderParameters>();
  if (!Track(flat::GdipGetEncoderParameterList(native_, &clsid, size, block)))
    return EncoderParameterSet();
  // The values follow the parameters in the buffer: the count cannot be more
  // than the buffer holds.
  const size_t fits = (size - offsetof(Gdiplus::EncoderParameters, Parameter)) /
                      sizeof(Gdiplus::EncoderParameter);
  block->Count = static_cast<UINT>(std::min<size_t>(block->Count, fits));
  return ToEncoderParameterSet(*block);
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

UINT Image::GetFrameCount(const std::string& dimension) const {
  GUID guid{};
  TextToGuid(dimension, &guid);
  UINT count = 0;
  if (!Track(flat::GdipImageGetFrameCount(native_, &guid, &count))) return 0;
  return count;
}

std::vector<std::string> Image::GetFrameDimensions() const {
  std::vector<std::string> texts;
  UINT count = 0;
  if (!Track(flat::GdipImageGetFrameDimensionsCount(native_, &count)) || count == 0) return texts;
  std::vector<GUID> guids(count);
  if (!Track(flat::GdipImageGetFrameDimensionsList(native_, guids.data(), count))) return texts;
  for (const GUID& guid : guids) texts.push_back(GuidToText(guid));
  return texts;
}

bool Image::SelectActiveFrame(const std::string& dimension, UINT index) {
  GUID guid{};
  TextToGuid(dimension, &guid);
  return Track(flat::GdipImageSelectActiveFrame(native_, &guid, index));
}

bool Image::GetFrameDelays(std::vector<INT>& delays) const {
  delays.clear();
  PropertyItem item;
  if (!ReadPropertyItem(native_, kPropertyFrameDelay, item)) return false;
  delays.resize(item.Value.size() / 4);
  if (!delays.empty()) std::memcpy(delays.data(), item.Value.data(), delays.size() * 4);
  return true;
}

PropertyItem Image::GetPropertyItem(PROPID id) const {
  PropertyItem item;
  ReadPropertyItem(native_, id, item);
  return item;
}

bool Image::SetPropertyItem(const PropertyItem& item) {
  if (item.Length > item.Value.size()) {
    LastStatus = Gdiplus::InvalidParameter;
    return false;
  }
  Gdiplus::PropertyItem native{};
  native.id = item.Id;
  native.length = item.Length;
  native.type = item.Type;
  native.value = item.Length ? const_cast<unsigned char*>(item.Value.data()) : nullptr;
  return Track(flat::GdipSetPropertyItem(native_, &native));
}

bool Image::RemovePropertyItem(PROPID id) {
  return Track(flat::GdipRemovePropertyItem(native_, id));
}

std::vector<PROPID> Image::GetPropertyIdList() const {
  UINT count = 0;
  if (!Track(flat::GdipGetPropertyCount(native_, &count)) || count == 0) return {};
  std::vector<PROPID> ids(count);
  if (!Track(flat::GdipGetPropertyIdList(native_, count, ids.data()))) return {};
  return ids;
}

bool Image::RotateFlip(Gdiplus::RotateFlipType type) {
  return Track(flat::GdipImageRotateFlip(native_, type));
}

Palette Image::GetPalette() const {
  Palette palette;
  INT size = 0;
  constexpr size_t header = offsetof(Gdiplus::ColorPalette, Entries);
  if (!Track(flat::GdipGetImagePaletteSize(native_, &size)) || size < INT(header)) return palette;
  RecordBuffer buffer(std::max<size_t>(size, sizeof(Gdiplus::ColorPalette)));
  auto* native = buffer.As<Gdiplus::ColorPalette>();
  if (!Track(flat::GdipGetImagePalette(native_, native, size))) return palette;
  const size_t count = std::min<size_t>(native->Count, (size - header) / sizeof(ARGB));
  palette.Flags = native->Flags;
  const ARGB* colours = native->Entries;
  palette.Colours.assign(colours, colours + count);
  return palette;
}

bool Image::SetPalette(UINT flags, const ARGB* colours, UINT count) {
  // Palettes belong to the indexed formats, which hold at most 256 colours.
  // A longer one is refused before a buffer is sized from its count, which in
  // the 32-bit build could wrap (0x40000001 colours would be 4 bytes).
  constexpr UINT kMaxPaletteColours = 256;
  if ((count && !colours) || count > kMaxPaletteColours) {
    LastStatus = Gdiplus::InvalidParameter;
    return false;
  }
  RecordBuffer buffer(offsetof(Gdiplus::ColorPalette, Entries) + std::max<size_t>(count, 1) * sizeof(ARGB));
  auto* native = buffer.As<Gdiplus::ColorPalette>();
  native->Flags = flags;
  native->Count = count;
  ARGB* entries = native->Entries;
  if (count) std::memcpy(entries, colours, count * sizeof(ARGB));
  return Track(flat::GdipSetImagePalette(native_, native));
}

// ---- Effect ---------------------------------------------------------------

GpStatus Effect::DeleteNative(CGpEffect* effect) {
  auto destroy = Effects().destroy;
  return destroy ? destroy(effect) : Gdiplus::UnsupportedGdiplusVersion;
}

bool Effect::Create(const std::string& effect) {
  auto create = Effects().create;
  if (!create) return Unsupported();
  GUID guid{};
  TextToGuid(effect, &guid);
  CGpEffect* created = nullptr;
  bool ok = Track(create(guid, &created));
  SetNative(ok ? created : nullptr);
  return ok;
}

bool Effect::SetParameters(const void* parameters, UINT size) {
  auto setParameters = Effects().setParameters;
  if (!setParameters) return Unsupported();
  return Track(setParameters(native_, parameters, size));
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

bool Bitmap::ApplyEffect(const Effect& effect, const RECT* regionOfInterest) {
  auto apply = Effects().apply;
  if (!apply) return Unsupported();
  RECT roi = regionOfInterest ? *regionOfInterest : RECT{};
  // No auxiliary data is asked for; should GDI+ hand some back anyway, it is
  // GDI+ memory and is freed here.
  void* auxData = nullptr;
  INT auxSize = 0;
  bool ok = Track(apply(GetNativeBitmap(), effect.GetNative(), regionOfInterest ? &roi : nullptr, FALSE,
                        &auxData, &auxSize));
  if (auxData) flat::GdipFree(auxData);
  return ok;
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
