// Multi-frame saves, frames and delays, property items, palettes, effects and
// encoder parameter lists, on pictures the tests write themselves.
#include <doctest/doctest.h>

#include "assets/assets.h"
#include "gdiplus_session.h"
#include "graphics/gdiplus_flat.h"
#include "graphics/image.h"
#include "image_files.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace quorlin::graphics;
using quorlin::test::AnimatedGif;
using quorlin::test::GifFrame;
using quorlin::test::SaveFlag;
using quorlin::test::TiffWithTexts;

namespace {

constexpr ARGB kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

// Written out here rather than taken from the header, so a wrong constant
// there shows.
const std::string kTimeText = "{6AEDBD6D-3FB5-418A-83A6-7F45229DC872}";
const std::string kPageText = "{7462DC86-6180-4C7E-8E3F-EE7333A7A483}";

std::string TempPath(const char* name) {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + name;
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

// 8 x 8, left half one colour, right half another.
Bitmap TwoHalves(ARGB left, ARGB right) {
  Bitmap b;
  REQUIRE(b.CreateBlank(8, 8));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) b.SetPixel(x, y, x < 4 ? left : right);
  return b;
}

Bytes Text(const char* text) { return Bytes(text, text + std::strlen(text) + 1); }

bool Contains(const std::vector<PROPID>& ids, PROPID id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

Bytes ReadBytes(const std::string& path) {
  Bytes bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(file, nullptr));
  DWORD read = 0;
  if (!::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) read = 0;
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

// A two-page TIFF, page 0 red on green, page 1 green on blue. Its pages are
// decoded when selected, so an image of it keeps reading its source.
Bytes TwoPageTiff() {
  Bitmap first = TwoHalves(kRed, kGreen), second = TwoHalves(kGreen, kBlue);
  const std::string path = TempPath("quorlin_two_pages.tif");
  const EncoderParameterSet multiFrame = SaveFlag(Gdiplus::EncoderValueMultiFrame);
  if (!first.SaveToFile(path.c_str(), kFormatTiff, &multiFrame) ||
      !first.SaveAddImage(second, SaveFlag(Gdiplus::EncoderValueFrameDimensionPage)) ||
      !first.SaveAdd(SaveFlag(Gdiplus::EncoderValueFlush)))
    return Bytes();
  Bytes bytes = ReadBytes(path);
  DeleteFileA(path.c_str());
  return bytes;
}

// The EncoderQuality parameter: every encoder under test takes or ignores it.
const char* const kQualityText = "{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}";

}  // namespace

TEST_CASE("a three-page TIFF made with SaveAdd and SaveAddImage reads back page by page") {
  REQUIRE(quorlin::test::Gdiplus().ok());
  const ARGB colours[3] = {kRed, kGreen, kBlue};
  Bitmap pages[3] = {TwoHalves(kRed, kGreen), TwoHalves(kGreen, kBlue), TwoHalves(kBlue, kRed)};
  const std::string path = TempPath("quorlin_pages.tif");
  DeleteFileA(path.c_str());

  const EncoderParameterSet multiFrame = SaveFlag(Gdiplus::EncoderValueMultiFrame);
  const EncoderParameterSet nextPage = SaveFlag(Gdiplus::EncoderValueFrameDimensionPage);
  REQUIRE(pages[0].SaveToFile(path.c_str(), kFormatTiff, &multiFrame));
  CHECK(pages[0].SaveAddImage(pages[1], nextPage));
  CHECK(pages[0].SaveAddImage(pages[2], nextPage));
  CHECK(pages[0].SaveAdd(SaveFlag(Gdiplus::EncoderValueFlush)));
  CHECK(LastStatus == 0);
  // The file is finished: nothing is left to add to.
  CHECK_FALSE(pages[0].SaveAdd(SaveFlag(Gdiplus::EncoderValueFlush)));
  CHECK(LastStatus != 0);

  Bitmap back;
  REQUIRE(back.FromFile(path.c_str()));
  CHECK(back.GetRawFormat() == kFormatTiff);
  CHECK(back.GetFrameDimensions() == std::vector<std::string>{kPageText});
  REQUIRE(back.GetFrameCount(kPageText) == 3);
  for (UINT i = 0; i < 3; ++i) {
    CAPTURE(i);
    REQUIRE(back.SelectActiveFrame(kPageText, i));
    CHECK(back.GetWidth() == 8);
    CHECK(back.GetPixel(1, 3) == colours[i]);
    CHECK(back.GetPixel(6, 5) == colours[(i + 1) % 3]);
  }
  CHECK_FALSE(back.SelectActiveFrame(kPageText, 3));
  CHECK(LastStatus != 0);
  back.Delete();
  DeleteFileA(path.c_str());
}

TEST_CASE("multi-frame saves refuse what they cannot finish") {
  Bitmap b = TwoHalves(kRed, kBlue);
  Bitmap other = TwoHalves(kGreen, kGreen);

  // Nothing was saved, so there is no file to add to.
  CHECK_FALSE(b.SaveAdd(SaveFlag(Gdiplus::EncoderValueFlush)));
  CHECK(LastStatus != 0);
  CHECK_FALSE(b.SaveAddImage(other, SaveFlag(Gdiplus::EncoderValueFrameDimensionPage)));
  CHECK(LastStatus != 0);

  // A value shorter than its count and type say is never handed to GDI+.
  EncoderParameterSet shortValue = SaveFlag(Gdiplus::EncoderValueMultiFrame);
  shortValue[0].NumberOfValues = 2;
  LastStatus = 0;
  CHECK(b.SaveToBytes(kFormatTiff, &shortValue).empty());
  CHECK(LastStatus == Gdiplus::InvalidParameter);
  CHECK_FALSE(b.SaveAdd(shortValue));
  CHECK(LastStatus == Gdiplus::InvalidParameter);

  // Into bytes, a multi-frame save ends with its first frame: the bytes are a
  // whole one-page file and the encoder is closed, not left writing into a
  // stream that no longer exists.
  const EncoderParameterSet multiFrame = SaveFlag(Gdiplus::EncoderValueMultiFrame);
  Bytes tiff = b.SaveToBytes(kFormatTiff, &multiFrame);
  REQUIRE_FALSE(tiff.empty());
  CHECK(LastStatus == 0);
  CHECK_FALSE(b.SaveAddImage(other, SaveFlag(Gdiplus::EncoderValueFrameDimensionPage)));
  Bitmap back;
  REQUIRE(back.FromBytes(tiff));
  CHECK(back.GetFrameCount(kPageText) == 1);
  CHECK(back.GetPixel(1, 1) == kRed);
  CHECK(back.GetPixel(6, 6) == kBlue);
}

TEST_CASE("an animated GIF gives its frames, its delays and the pixels of the selected frame") {
  const std::vector<GifFrame> frames = {{1, 10}, {2, 25}, {3, 50}};
  const ARGB colours[3] = {kRed, kGreen, kBlue};
  const Bytes gif = AnimatedGif(frames);
  const std::string path = TempPath("quorlin_frames.gif");
  REQUIRE(WriteFile(path, gif));

  struct Loader {
    const char* name;
    bool (*load)(Bitmap&, const Bytes&, const std::string&);
  } loaders[] = {
      {"bytes", [](Bitmap& b, const Bytes& bytes, const std::string&) { return b.FromBytes(bytes); }},
      {"file", [](Bitmap& b, const Bytes&, const std::string& file) { return b.FromFile(file.c_str()); }},
  };
  for (const Loader& loader : loaders) {
    CAPTURE(std::string(loader.name));
    Bitmap b;
    REQUIRE(loader.load(b, gif, path));
    CHECK(b.GetRawFormat() == kFormatGif);
    CHECK(b.GetFrameDimensions() == std::vector<std::string>{kTimeText});
    CHECK(b.GetFrameCount(kTimeText) == 3);

    std::vector<INT> delays = {7};
    REQUIRE(b.GetFrameDelays(delays));
    CHECK(delays == std::vector<INT>{10, 25, 50});
    PropertyItem item = b.GetPropertyItem(kPropertyFrameDelay);
    CHECK(item.Id == 0x5100);
    CHECK(item.Length == 12);
    CHECK(item.Value.size() == 12);

    // Backwards, so a frame that merely stayed selected would show.
    for (UINT i = 3; i-- > 0;) {
      CAPTURE(i);
      REQUIRE(b.SelectActiveFrame(kTimeText, i));
      CHECK(b.GetPixel(0, 0) == colours[i]);
      CHECK(b.GetPixel(3, 3) == colours[i]);
    }
    CHECK_FALSE(b.SelectActiveFrame(kTimeText, 3));
  }
  DeleteFileA(path.c_str());

  // A picture without item 0x5100 has no delays.
  Bitmap still;
  REQUIRE(still.CreateBlank(2, 2));
  std::vector<INT> delays = {7};
  CHECK_FALSE(still.GetFrameDelays(delays));
  CHECK(delays.empty());
  CHECK(LastStatus == Gdiplus::PropertyNotFound);
}

TEST_CASE("property items are listed and read") {
  const char* description = "Water drops on a pale surface";
  const char* software = "Quorlin make_assets.py";
  struct Picture {
    const char* name;
    Bytes bytes;
    // Wine's JPEG decoder keeps no EXIF; where a decoder drops a format's
    // metadata the list is empty, with an Ok status.
    bool mayDropMetadata;
  } pictures[] = {
      {"background JPEG (EXIF)",
       Bytes(quorlin::assets::BackgroundPicture.begin(), quorlin::assets::BackgroundPicture.end()), true},
      {"TIFF written here", TiffWithTexts(description, software), false},
  };
  for (const Picture& picture : pictures) {
    CAPTURE(std::string(picture.name));
    Image image;
    REQUIRE(image.FromBytes(picture.bytes));
    LastStatus = -1;
    const std::vector<PROPID> ids = image.GetPropertyIdList();
    CHECK(LastStatus == 0);
    if (ids.empty() && picture.mayDropMetadata) continue;
    REQUIRE(Contains(ids, 0x010E));
    REQUIRE(Contains(ids, 0x0131));
    for (PROPID id : ids) {
      CAPTURE(id);
      PropertyItem item = image.GetPropertyItem(id);
      CHECK(LastStatus == 0);
      CHECK(item.Id == id);
      CHECK(item.Length == item.Value.size());
    }
    const struct {
      PROPID id;
      const char* text;
    } texts[] = {{0x010E, description}, {0x0131, software}};
    for (const auto& t : texts) {
      PropertyItem item = image.GetPropertyItem(t.id);
      CHECK(item.Type == 2);  // ASCII
      CHECK(item.Value == Text(t.text));
    }
  }

  Image none;
  REQUIRE(none.FromBytes(TiffWithTexts(description, software)));
  PropertyItem missing = none.GetPropertyItem(0x8298);  // copyright: not written
  CHECK(LastStatus == Gdiplus::PropertyNotFound);
  CHECK(missing.Id == 0);
  CHECK(missing.Value.empty());
}

TEST_CASE("set and removed property items: the wrapper answers what GDI+ did") {
  Image image;
  REQUIRE(image.FromBytes(TiffWithTexts("a description", "some software")));

  // Each item is set through the wrapper on one image and straight through
  // GDI+ on a twin: the wrapper answers what GDI+ answered, and both images
  // then hold the same item, whatever this GDI+ does with it. Under Wine
  // GdipSetPropertyItem answers Ok and keeps nothing, so there the branch that
  // runs is "Ok, item as before"; where GDI+ stores items it is "Ok, item as
  // given".
  Image twin;
  REQUIRE(twin.FromBytes(TiffWithTexts("a description", "some software")));
  const LONG delay = 40;
  const struct {
    const char* name;
    PropertyItem item;
  } sets[] = {
      {"new ASCII item", {0x013B, 6, 2, Text("hello")}},
      {"existing item changed", {0x010E, 8, 2, Text("changed")}},
      {"Long item", {kPropertyFrameDelay, 4, 4, Bytes(4)}},
  };
  for (const auto& c : sets) {
    CAPTURE(std::string(c.name));
    PropertyItem given = c.item;
    if (given.Id == kPropertyFrameDelay) std::memcpy(given.Value.data(), &delay, 4);
    Gdiplus::PropertyItem native{given.Id, given.Length, given.Type, given.Value.data()};
    const GpStatus expected = Gdiplus::DllExports::GdipSetPropertyItem(twin.GetNative(), &native);
    LastStatus = -1;
    CHECK(image.SetPropertyItem(given) == (expected == Gdiplus::Ok));
    CHECK(LastStatus == expected);

    const PropertyItem read = image.GetPropertyItem(given.Id);
    const int readStatus = LastStatus;
    const PropertyItem twinRead = twin.GetPropertyItem(given.Id);
    CHECK(readStatus == LastStatus);
    CHECK(read.Type == twinRead.Type);
    CHECK(read.Value == twinRead.Value);
    const std::string branch = std::string(c.name) + ": GDI+ answered " + std::to_string(expected) +
                               ", item " + (read.Value == given.Value ? "as given" : "as before");
    MESSAGE(branch);
  }

  // A length beyond the value bytes is refused before GDI+ reads them.
  const PropertyItem overlong{0x013C, 64, 2, Text("host")};
  CHECK_FALSE(image.SetPropertyItem(overlong));
  CHECK(LastStatus == Gdiplus::InvalidParameter);
  CHECK(image.GetPropertyItem(0x013C).Value.empty());

  const bool removed = image.RemovePropertyItem(0x0131);
  if (removed) {
    CHECK_FALSE(Contains(image.GetPropertyIdList(), 0x0131));
    image.GetPropertyItem(0x0131);
    CHECK(LastStatus == Gdiplus::PropertyNotFound);
  } else {
    CHECK(LastStatus == Gdiplus::NotImplemented);
    CHECK(image.GetPropertyItem(0x0131).Value == Text("some software"));
  }
  CHECK_FALSE(image.RemovePropertyItem(0x8298));
  CHECK(LastStatus != 0);
}

TEST_CASE("an 8-bit indexed bitmap keeps the palette it is given") {
  std::vector<ARGB> grey(256);
  for (UINT i = 0; i < 256; ++i) grey[i] = 0xFF000000 | (i << 16) | (i << 8) | i;
  const struct {
    const char* name;
    UINT flags;
    std::vector<ARGB> colours;
  } cases[] = {
      {"with alpha", Gdiplus::PaletteFlagsHasAlpha, {0x80112233, 0xFF445566, 0x00778899}},
      {"grey scale", Gdiplus::PaletteFlagsGrayScale, grey},
      {"plain", 0, {0xFFFF0000, 0xFF00FF00}},
  };
  for (const auto& c : cases) {
    CAPTURE(std::string(c.name));
    Bitmap b;
    REQUIRE(b.CreateBlank(4, 4, PixelFormat8bppIndexed));
    REQUIRE(b.SetPalette(c.flags, c.colours.data(), static_cast<UINT>(c.colours.size())));
    Palette back = b.GetPalette();
    CHECK(LastStatus == 0);
    CHECK(back.Flags == c.flags);
    CHECK(back.Colours == c.colours);
    // The blank bitmap's pixels are index 0.
    CHECK(b.GetPixel(2, 2) == c.colours[0]);
  }

  Bitmap argb;
  REQUIRE(argb.CreateBlank(2, 2));
  CHECK(argb.GetPalette().Colours.empty());
  Bitmap indexed;
  REQUIRE(indexed.CreateBlank(2, 2, PixelFormat8bppIndexed));
  CHECK_FALSE(indexed.SetPalette(0, nullptr, 2));
  CHECK(LastStatus == Gdiplus::InvalidParameter);
  Bitmap empty;
  CHECK(empty.GetPalette().Colours.empty());
  CHECK(LastStatus != 0);
}

TEST_CASE("ApplyEffect blurs, or reports exactly the platform's NotImplemented") {
  const std::string blur = "{633C80A4-1843-482B-9EF2-BE2834C5FDD4}";
  struct BlurParams {
    float radius;
    BOOL expandEdge;
  } params = {3.0f, FALSE};

  Effect effect;
  if (effect.Create(blur)) {
    CHECK(effect.SetParameters(&params, sizeof params));
  } else {
    CHECK(LastStatus == Gdiplus::NotImplemented);
    CHECK(effect.IsEmpty());
  }

  const RECT rightHalf{4, 0, 8, 8};
  const RECT* regions[] = {nullptr, &rightHalf};
  for (const RECT* region : regions) {
    CAPTURE(region != nullptr);
    Bitmap b = TwoHalves(kRed, kBlue);
    if (b.ApplyEffect(effect, region)) {
      // The edge between the halves is blended: red reaches into the blue.
      CHECK(b.GetPixel(4, 4) != kBlue);
      if (region) CHECK(b.GetPixel(0, 4) == kRed);
    } else {
      CHECK(LastStatus == Gdiplus::NotImplemented);
      CHECK(b.GetPixel(3, 4) == kRed);
      CHECK(b.GetPixel(4, 4) == kBlue);
    }
  }
}

TEST_CASE("encoder parameter lists") {
  // GDI+'s block as an encoder hands it out, one parameter per value type.
  const BYTE bytes[3] = {1, 2, 3};
  const char ascii[] = "ab";
  const SHORT shorts[2] = {-1, 300};
  const LONG longs[2] = {75, -5};
  const LONG rational[2] = {1, 3};
  const LONG longRange[2] = {0, 100};
  const LONG rationalRange[4] = {1, 2, 3, 4};
  const struct {
    ULONG type;
    ULONG count;
    const void* value;
    size_t bytes;
  } values[] = {
      {Gdiplus::EncoderParameterValueTypeByte, 3, bytes, 3},
      {Gdiplus::EncoderParameterValueTypeASCII, 3, ascii, 3},
      {Gdiplus::EncoderParameterValueTypeShort, 2, shorts, 4},
      {Gdiplus::EncoderParameterValueTypeLong, 2, longs, 8},
      {Gdiplus::EncoderParameterValueTypeRational, 1, rational, 8},
      {Gdiplus::EncoderParameterValueTypeLongRange, 1, longRange, 8},
      {Gdiplus::EncoderParameterValueTypeUndefined, 2, bytes, 2},
      {Gdiplus::EncoderParameterValueTypeRationalRange, 1, rationalRange, 16},
      {Gdiplus::EncoderParameterValueTypePointer, 1, bytes, 0},
  };
  constexpr size_t kCount = sizeof values / sizeof values[0];
  std::vector<unsigned long long> storage(
      (sizeof(Gdiplus::EncoderParameters) + kCount * sizeof(Gdiplus::EncoderParameter)) / 8 + 1);
  auto* block = reinterpret_cast<Gdiplus::EncoderParameters*>(storage.data());
  block->Count = kCount;
  Gdiplus::EncoderParameter* parameters = block->Parameter;
  for (size_t i = 0; i < kCount; ++i) {
    TextToGuid(kEncoderSaveFlag, &parameters[i].Guid);
    parameters[i].Guid.Data4[7] = static_cast<BYTE>(i);
    parameters[i].NumberOfValues = values[i].count;
    parameters[i].Type = values[i].type;
    parameters[i].Value = const_cast<void*>(values[i].value);
  }
  const EncoderParameterSet set = ToEncoderParameterSet(*block);
  REQUIRE(set.size() == kCount);
  for (size_t i = 0; i < kCount; ++i) {
    CAPTURE(values[i].type);
    CHECK(set[i].Guid == GuidToText(parameters[i].Guid));
    CHECK(set[i].NumberOfValues == values[i].count);
    CHECK(set[i].Type == values[i].type);
    const auto* first = static_cast<const unsigned char*>(values[i].value);
    CHECK(set[i].Value == Bytes(first, first + values[i].bytes));
  }

  // What the installed encoders list: entries in that shape, or nothing and
  // the reason (Wine's GDI+ lists none and says NotImplemented).
  Bitmap b = TwoHalves(kRed, kBlue);
  const std::string formats[] = {kFormatJpeg, kFormatPng, kFormatTiff, kFormatGif, kFormatBmp};
  for (const std::string& format : formats) {
    CAPTURE(format);
    const EncoderParameterSet list = b.GetEncoderParameterList(format);
    if (list.empty()) {
      CHECK((LastStatus == 0 || LastStatus == Gdiplus::NotImplemented));
      continue;
    }
    for (const EncoderParameterEntry& entry : list) {
      CHECK(entry.Guid.size() == 38);
      if (EncoderValueSize(entry.Type))
        CHECK(entry.Value.size() == entry.NumberOfValues * EncoderValueSize(entry.Type));
    }
  }
  CHECK(b.GetEncoderParameterList("{00000000-1111-2222-3333-444444444444}").empty());
  CHECK(LastStatus != 0);
}

TEST_CASE("parameter values GDI+ cannot be given are refused before it reads them") {
  // Counts whose byte size needs more than 32 bits (in the 32-bit build a
  // product taken in size_t wraps to a few bytes), and types whose values
  // have no known size: GDI+ would read NumberOfValues values from a block
  // that is empty or short.
  const struct {
    const char* name;
    ULONG type;
    ULONG count;
    size_t bytes;
  } cases[] = {
      {"0x40000000 Longs, no bytes", Gdiplus::EncoderParameterValueTypeLong, 0x40000000, 0},
      {"0x40000001 Longs, 4 bytes", Gdiplus::EncoderParameterValueTypeLong, 0x40000001, 4},
      {"0x10000000 rational ranges, no bytes", Gdiplus::EncoderParameterValueTypeRationalRange, 0x10000000, 0},
      {"0x80000000 Shorts, no bytes", Gdiplus::EncoderParameterValueTypeShort, 0x80000000, 0},
      {"one pointer, no bytes", Gdiplus::EncoderParameterValueTypePointer, 1, 0},
      {"one pointer, 8 bytes", Gdiplus::EncoderParameterValueTypePointer, 1, 8},
      {"unknown type 0", 0, 1, 4},
      {"unknown type 99", 99, 1, 4},
  };
  Bitmap b = TwoHalves(kRed, kBlue);
  for (const auto& c : cases) {
    CAPTURE(std::string(c.name));
    const EncoderParameterSet set = {{kQualityText, c.count, c.type, Bytes(c.bytes)}};
    LastStatus = 0;
    CHECK(b.SaveToBytes(kFormatPng, &set).empty());
    CHECK(LastStatus == Gdiplus::InvalidParameter);
    LastStatus = 0;
    CHECK_FALSE(b.SaveAdd(set));
    CHECK(LastStatus == Gdiplus::InvalidParameter);
  }

  // A pointer parameter read out of a GDI+ block keeps no bytes; handed back
  // to a save it is refused rather than passed on with a null value.
  LONG target = 0;
  std::vector<unsigned long long> storage(sizeof(Gdiplus::EncoderParameters) / 8 + 1);
  auto* block = reinterpret_cast<Gdiplus::EncoderParameters*>(storage.data());
  block->Count = 1;
  TextToGuid(kQualityText, &block->Parameter[0].Guid);
  block->Parameter[0].NumberOfValues = 1;
  block->Parameter[0].Type = Gdiplus::EncoderParameterValueTypePointer;
  block->Parameter[0].Value = &target;
  const EncoderParameterSet readBack = ToEncoderParameterSet(*block);
  REQUIRE(readBack.size() == 1);
  CHECK(b.SaveToBytes(kFormatPng, &readBack).empty());
  CHECK(LastStatus == Gdiplus::InvalidParameter);

  // Sizes that fit are still passed on.
  const EncoderParameterSet quality = {{kQualityText, 1, Gdiplus::EncoderParameterValueTypeLong, Bytes(4, 50)}};
  CHECK_FALSE(b.SaveToBytes(kFormatJpeg, &quality).empty());
  CHECK(LastStatus == 0);
}

TEST_CASE("palettes longer than an indexed format can hold are refused") {
  const ARGB two[2] = {kRed, kGreen};
  const std::vector<ARGB> long257(257, kBlue);
  const struct {
    const char* name;
    const ARGB* colours;
    UINT count;
  } cases[] = {
      {"257 colours", long257.data(), 257},
      // 2 GiB of colours, and a count whose byte size wraps to 4 in 32 bits:
      // neither may be allocated or read from a two-colour array.
      {"0x20000001 colours", two, 0x20000001},
      {"0x40000001 colours", two, 0x40000001},
  };
  for (const auto& c : cases) {
    CAPTURE(std::string(c.name));
    Bitmap b;
    REQUIRE(b.CreateBlank(4, 4, PixelFormat8bppIndexed));
    REQUIRE(b.SetPalette(0, two, 2));
    CHECK_FALSE(b.SetPalette(0, c.colours, c.count));
    CHECK(LastStatus == Gdiplus::InvalidParameter);
    CHECK(b.GetPalette().Colours == std::vector<ARGB>(two, two + 2));
  }
}

TEST_CASE("an image loaded from bytes leaves its wrapper only together with its source") {
  const Bytes tiff = TwoPageTiff();
  REQUIRE_FALSE(tiff.empty());
  for (const bool handOver : {false, true}) {
    CAPTURE(handOver);
    MemoryStream source;  // declared first: outlives the adopted image
    GpImage* raw = nullptr;
    Bitmap kept;
    {
      Bitmap loaded;
      REQUIRE(loaded.FromBytes(tiff));
      // A plain Detach refuses; Detach(source) hands the stream over.
      raw = handOver ? loaded.Detach(source) : loaded.Detach();
      CHECK((raw != nullptr) == handOver);
      if (!raw) {
        CHECK(LastStatus == Gdiplus::InvalidParameter);
        kept = std::move(loaded);
      }
    }
    // The wrapper is gone with whatever it still held. Page 1 is decoded now,
    // from the source stream.
    Bitmap adopted;
    if (raw) adopted.SetNative(raw);
    Bitmap& image = raw ? adopted : kept;
    REQUIRE(image.GetFrameCount(kPageText) == 2);
    REQUIRE(image.SelectActiveFrame(kPageText, 1));
    CHECK(image.GetPixel(1, 1) == kGreen);
    CHECK(image.GetPixel(6, 6) == kBlue);
  }

  // An image of its own making has no source to keep: Detach gives it up.
  Bitmap blank;
  REQUIRE(blank.CreateBlank(2, 2));
  Bitmap owner;
  owner.SetNative(blank.Detach());
  CHECK(blank.IsEmpty());
  CHECK(owner.GetWidth() == 2);
}
