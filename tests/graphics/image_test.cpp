#include <doctest/doctest.h>

#include "gdiplus_session.h"
#include "graphics/drawing.h"
#include "graphics/image.h"

#include <cstring>
#include <vector>

using namespace quorlin::graphics;

namespace {

constexpr ARGB kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

// 2 x 2 with four distinct opaque colours.
Bitmap FourColours() {
  Bitmap b;
  REQUIRE(b.CreateBlank(2, 2));
  b.SetPixel(0, 0, kRed);
  b.SetPixel(1, 0, kGreen);
  b.SetPixel(0, 1, kBlue);
  b.SetPixel(1, 1, kWhite);
  return b;
}

std::string TempPath(const char* name) {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + name;
}

}  // namespace

TEST_CASE("FindEncoder matches the format GUID text exactly") {
  REQUIRE(quorlin::test::Gdiplus().ok());
  std::vector<EncoderInfo> encoders = GetImageEncoders();
  REQUIRE_FALSE(encoders.empty());

  std::string png = FindEncoder(kFormatPng);
  REQUIRE_FALSE(png.empty());
  bool found = false;
  for (const EncoderInfo& e : encoders) {
    if (e.Clsid == png) {
      found = true;
      CHECK(e.FormatID == kFormatPng);
      CHECK(e.MimeType == "image/png");
      CHECK(e.SigSize > 0);
      CHECK(e.SigPattern.size() == e.SigCount * e.SigSize);
    }
  }
  CHECK(found);
  CHECK(png.size() == 38);
  CHECK(png.front() == '{');

  CHECK(FindEncoder("{b96b3caf-0728-11d3-9d7b-0000f81ef32e}").empty());
  CHECK(FindEncoder("").empty());
  CHECK(FindEncoder("not a guid").empty());
  CHECK_FALSE(FindEncoder(kFormatBmp).empty());
}

TEST_CASE("saves with an unknown format fail and leave the status") {
  Bitmap b = FourColours();
  const std::string path = TempPath("quorlin_unknown_format.img");
  DeleteFileA(path.c_str());

  LastStatus = 0;
  CHECK(b.SaveToBytes("{00000000-1111-2222-3333-444444444444}").empty());
  CHECK(LastStatus != 0);

  LastStatus = 0;
  CHECK_FALSE(b.SaveToFile(path.c_str(), "{b96b3caf-0728-11d3-9d7b-0000f81ef32e}"));
  CHECK(LastStatus != 0);
  LastStatus = 0;
  CHECK_FALSE(b.SaveToFileAs(path.c_str(), "garbage"));
  CHECK(LastStatus != 0);
  CHECK(GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES);
}

TEST_CASE("SaveToBytes as PNG round-trips the pixels") {
  Bitmap b = FourColours();
  Bytes png = b.SaveToBytes(kFormatPng);
  const unsigned char signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  REQUIRE(png.size() > 8);
  CHECK(std::memcmp(png.data(), signature, 8) == 0);
  // Exactly the encoded stream, no slack of the memory block: ends with IEND.
  const unsigned char iend[8] = {'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  CHECK(std::memcmp(png.data() + png.size() - 8, iend, 8) == 0);

  Bitmap back;
  REQUIRE(back.FromBytes(png));
  CHECK(back.GetWidth() == 2);
  CHECK(back.GetHeight() == 2);
  CHECK(back.GetRawFormat() == kFormatPng);
  CHECK(back.GetPixel(0, 0) == kRed);
  CHECK(back.GetPixel(1, 0) == kGreen);
  CHECK(back.GetPixel(0, 1) == kBlue);
  CHECK(back.GetPixel(1, 1) == kWhite);

  // Without a format the raw format of a decoded image is kept.
  Bytes again = back.SaveToBytes();
  REQUIRE(again.size() > 8);
  CHECK(std::memcmp(again.data(), signature, 8) == 0);
}

TEST_CASE("files: SaveToFileAs defaults to BMP, SaveToFile to the raw format") {
  Bitmap b = FourColours();
  const std::string bmp = TempPath("quorlin_default.bmp");
  REQUIRE(b.SaveToFileAs(bmp.c_str()));
  Image loaded;
  REQUIRE(loaded.FromFile(bmp.c_str()));
  CHECK(loaded.GetRawFormat() == kFormatBmp);
  CHECK(loaded.GetWidth() == 2);

  const std::string copy = TempPath("quorlin_copy.img");
  REQUIRE(loaded.SaveToFile(copy.c_str()));
  Bitmap again;
  REQUIRE(again.FromFile(copy.c_str()));
  CHECK(again.GetRawFormat() == kFormatBmp);
  CHECK(again.GetPixel(1, 0) == kGreen);
  loaded.Delete();
  again.Delete();
  DeleteFileA(bmp.c_str());
  DeleteFileA(copy.c_str());

  Image missing;
  CHECK_FALSE(missing.FromFile(TempPath("quorlin_no_such_file.png").c_str()));
  CHECK(missing.IsEmpty());
  CHECK(missing.GetWidth() == 0);
}

TEST_CASE("an image from bytes stays usable after the caller's bytes are gone") {
  Bytes* png = new Bytes(FourColours().SaveToBytes(kFormatPng));
  Image image;
  Bitmap bitmap;
  REQUIRE(image.FromBytes(*png));
  REQUIRE(bitmap.FromBytes(*png));
  std::memset(png->data(), 0, png->size());
  delete png;

  Bitmap canvas;
  REQUIRE(canvas.CreateBlank(4, 4));
  Graphics g;
  REQUIRE(g.FromImage(canvas));
  CHECK(g.DrawImageRect(image, 0, 0, 2, 2));
  CHECK(g.DrawImageRect(bitmap, 2, 2, 2, 2));
  g.Delete();
  CHECK(canvas.GetPixel(0, 0) == kRed);
  CHECK(canvas.GetPixel(1, 1) == kWhite);
  CHECK(canvas.GetPixel(2, 2) == kRed);
  CHECK(canvas.GetPixel(3, 2) == kGreen);

  // Moving the image moves its stream along.
  Image moved = std::move(image);
  CHECK(image.IsEmpty());
  CHECK(moved.GetWidth() == 2);
  Bitmap other;
  REQUIRE(other.CreateBlank(2, 2));
  Graphics g2;
  REQUIRE(g2.FromImage(other));
  CHECK(g2.DrawImage(moved, 0, 0));
}

TEST_CASE("undecodable bytes leave the wrapper empty") {
  const unsigned char junk[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  Bitmap b = FourColours();
  CHECK_FALSE(b.FromBytes(junk, sizeof junk));
  CHECK(b.IsEmpty());
  CHECK(LastStatus != 0);
  CHECK(b.GetWidth() == 0);
  CHECK_FALSE(b.FromBytes(Bytes()));
  CHECK(b.IsEmpty());
}

TEST_CASE("CreateBlank defaults to 32-bit ARGB and starts transparent") {
  Bitmap b;
  REQUIRE(b.CreateBlank(10, 10));
  CHECK(b.GetPixelFormat() == PixelFormat32bppARGB);
  CHECK(b.GetWidth() == 10);
  CHECK(b.GetHeight() == 10);
  CHECK(b.GetPixel(5, 5) == 0);
  Bitmap rgb;
  REQUIRE(rgb.CreateBlank(3, 3, PixelFormat24bppRGB));
  CHECK(rgb.GetPixelFormat() == PixelFormat24bppRGB);
  Bitmap bad;
  CHECK_FALSE(bad.CreateBlank(0, 5));
  CHECK(LastStatus == Gdiplus::InvalidParameter);
}

TEST_CASE("GetHBITMAP and FromHICON carry the pixels over GDI") {
  Bitmap b = FourColours();
  HBITMAP h = b.GetHBITMAP(0xFF000000);
  REQUIRE(h != nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, h);
  CHECK(GetPixel(dc, 0, 0) == RGB(255, 0, 0));
  CHECK(GetPixel(dc, 1, 0) == RGB(0, 255, 0));
  CHECK(GetPixel(dc, 0, 1) == RGB(0, 0, 255));
  SelectObject(dc, old);
  DeleteDC(dc);

  Bitmap fromGdi;
  REQUIRE(fromGdi.FromHBITMAP(h));
  CHECK((fromGdi.GetPixel(1, 1) & 0x00FFFFFF) == 0x00FFFFFF);
  DeleteObject(h);

  HICON icon = b.GetHICON();
  REQUIRE(icon != nullptr);
  Bitmap fromIcon;
  REQUIRE(fromIcon.FromHICON(icon));
  CHECK(fromIcon.GetWidth() == 2);
  CHECK(fromIcon.GetPixel(0, 0) == kRed);
  CHECK(fromIcon.GetPixel(0, 1) == kBlue);
  DestroyIcon(icon);

  Bitmap none;
  CHECK_FALSE(none.FromHICON(nullptr));
  CHECK(none.IsEmpty());
}

TEST_CASE("RotatedBounds") {
  struct Case {
    int w, h;
    double angle;
    LONG cx, cy;
  } cases[] = {
      {10, 4, 0, 10, 4},   {10, 4, 90, 4, 10},  {10, 4, 180, 10, 4},
      {10, 4, -90, 4, 10}, {10, 4, 270, 4, 10}, {1, 1, 45, 1, 1},
      // corners (+-4.5, +-4.5) at 45 degrees: half-diagonal 6.36, span 12.73
      {10, 10, 45, 14, 14},
  };
  for (const Case& c : cases) {
    CAPTURE(c.w);
    CAPTURE(c.h);
    CAPTURE(c.angle);
    SIZE s = Bitmap::RotatedBounds(c.w, c.h, c.angle);
    CHECK(s.cx == c.cx);
    CHECK(s.cy == c.cy);
  }
}

TEST_CASE("Rotate turns the picture about its centre") {
  // 20 x 10: left half red, right half blue, a green block top right.
  Bitmap src;
  REQUIRE(src.CreateBlank(20, 10));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) src.SetPixel(x, y, x < 10 ? kRed : kBlue);
  for (int y = 0; y < 4; ++y)
    for (int x = 16; x < 20; ++x) src.SetPixel(x, y, kGreen);

  // Well inside each area, away from edges that resampling may blend.
  auto dominant = [](ARGB c) {
    int r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
    if (((c >> 24) & 255) < 200) return 'T';
    if (r > 180 && g < 80 && b < 80) return 'R';
    if (g > 180 && r < 80 && b < 80) return 'G';
    if (b > 180 && r < 80 && g < 80) return 'B';
    return '?';
  };

  Bitmap rotated;
  REQUIRE(src.Rotate(90, rotated));
  REQUIRE(rotated.GetWidth() == 10);
  REQUIRE(rotated.GetHeight() == 20);
  CHECK(rotated.GetPixelFormat() == PixelFormat32bppARGB);
  // Clockwise on screen: the left half goes to the top, the top-right
  // corner to the bottom right.
  CHECK(dominant(rotated.GetPixel(5, 4)) == 'R');
  CHECK(dominant(rotated.GetPixel(3, 14)) == 'B');
  CHECK(dominant(rotated.GetPixel(8, 18)) == 'G');

  // A larger canvas with a background colour: the picture is centred.
  const ARGB grey = 0xFF808080;
  const SIZE big{40, 30};
  Bitmap framed;
  REQUIRE(src.Rotate(0, framed, &grey, nullptr, &big));
  CHECK(framed.GetWidth() == 40);
  CHECK(framed.GetHeight() == 30);
  CHECK(framed.GetPixel(2, 2) == grey);
  CHECK(framed.GetPixel(37, 27) == grey);
  CHECK(dominant(framed.GetPixel(14, 15)) == 'R');  // source (4, 5)
  CHECK(dominant(framed.GetPixel(26, 15)) == 'B');  // source (16, 5)
  CHECK(dominant(framed.GetPixel(28, 11)) == 'G');  // source (18, 1)

  Bitmap empty, out;
  CHECK_FALSE(empty.Rotate(30, out));
  CHECK(out.IsEmpty());
}

TEST_CASE("wrapper ownership: delete, SetNative, Clone, move") {
  Bitmap b;
  CHECK_FALSE(b.Delete());  // empty: nothing to delete
  REQUIRE(b.CreateBlank(2, 2));
  CHECK(b.Delete());
  CHECK(b.IsEmpty());
  CHECK(LastStatus == 0);

  Bitmap source = FourColours();
  Image copy;
  REQUIRE(source.Clone(copy));
  CHECK(copy.GetNative() != source.GetNative());
  source.Delete();
  CHECK(copy.GetWidth() == 2);

  // Creating into a wrapper in use replaces (and frees) the old object.
  Bitmap reused;
  REQUIRE(reused.CreateBlank(4, 4));
  REQUIRE(reused.CreateBlank(6, 6));
  CHECK(reused.GetWidth() == 6);

  Bitmap moved = std::move(reused);
  CHECK(reused.IsEmpty());
  CHECK(moved.GetWidth() == 6);
  moved = FourColours();
  CHECK(moved.GetWidth() == 2);
  CHECK(moved.GetNativeBitmap() == static_cast<GpBitmap*>(moved.GetNative()));
}

TEST_CASE("MemoryStream") {
  MemoryStream m;
  CHECK(m.GetStream() == nullptr);
  CHECK(m.GetSize() == 0);
  CHECK(m.ToBytes().empty());

  const Bytes data = {0, 1, 2, 0, 255, 7};
  IStream* s = m.FromBytes(data);
  REQUIRE(s != nullptr);
  CHECK(m.GetStream() == s);
  CHECK(m.GetMemory() != nullptr);
  CHECK(m.GetSize() == data.size());
  CHECK(m.ToBytes() == data);

  // The stream reads the copied bytes.
  unsigned char read[6] = {};
  ULONG got = 0;
  LARGE_INTEGER zero{};
  s->Seek(zero, STREAM_SEEK_SET, nullptr);
  CHECK(s->Read(read, sizeof read, &got) == S_OK);
  CHECK(got == 6);
  CHECK(read[4] == 255);

  // Written content is read back at the stream's size, not the block's.
  MemoryStream w;
  IStream* ws = w.CreateEmpty();
  REQUIRE(ws != nullptr);
  const char text[] = "abc";
  ws->Write(text, 3, nullptr);
  CHECK(w.ToBytes() == Bytes({'a', 'b', 'c'}));

  MemoryStream moved = std::move(m);
  CHECK(m.GetStream() == nullptr);
  CHECK(moved.ToBytes() == data);
  moved.Release();
  CHECK(moved.GetMemory() == nullptr);

  // Attach adopts an HGLOBAL stream.
  IStream* raw = nullptr;
  REQUIRE(SUCCEEDED(CreateStreamOnHGlobal(nullptr, FALSE, &raw)));
  raw->Write("xy", 2, nullptr);
  MemoryStream adopted;
  CHECK(adopted.Attach(raw));
  CHECK(adopted.ToBytes() == Bytes({'x', 'y'}));
}

TEST_CASE("GUID text conversion") {
  GUID g{};
  CHECK(TextToGuid(kFormatPng, &g));
  CHECK(GuidToText(g) == kFormatPng);
  CHECK_FALSE(TextToGuid("", &g));
  CHECK(GuidToText(g) == "{00000000-0000-0000-0000-000000000000}");
  CHECK_FALSE(TextToGuid("{zz}", &g));
  CHECK(g.Data1 == 0);
}
