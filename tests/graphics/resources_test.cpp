// Every wrapper kind, created, used and destroyed many times over, must give
// back its GDI objects and its memory.
#include <doctest/doctest.h>

#include "gdiplus_session.h"
#include "graphics/drawing.h"
#include "graphics/gdiplus_flat.h"
#include "graphics/image.h"
#include "image_files.h"
#include "leak_check.h"

#include <psapi.h>

#include <algorithm>
#include <functional>
#include <string>

using namespace quorlin::graphics;
using quorlin::test::SaveFlag;

namespace {

constexpr int kWarmUp = 300;
constexpr int kCycles = 10000;
// Paths that cost about a millisecond a call under Wine.
constexpr int kSlowCycles = 1000;
// Growth allowed after the warm-up. A wrapper leaking its native object
// costs about 200 bytes a cycle or more, so even 1,000 cycles exceed this.
constexpr SIZE_T kMemorySlack = 128 * 1024;
constexpr long kGdiSlack = 0;

SIZE_T PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(),
                       reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
  // Wine fills only the basic counters; the commit charge there is the same
  // private-bytes figure.
  return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

// Shared, long-lived inputs of the cycles.
struct Inputs {
  Bitmap canvas;
  Graphics canvasGraphics;
  Bytes png;
  HDC memoryDc = nullptr;
  HBITMAP dcBitmap = nullptr;
  HGDIOBJ oldBitmap = nullptr;
  HICON icon = nullptr;
  HFONT hfont = nullptr;
  Bitmap tile;
  GraphicsPath ellipse;
  Bytes gif = quorlin::test::AnimatedGif({{1, 10}, {2, 20}, {3, 30}});
  Image tagged;  // a TIFF with text tags
  std::string tiffPath;

  Inputs() {
    REQUIRE(canvas.CreateBlank(32, 32));
    REQUIRE(canvasGraphics.FromImage(canvas));
    Bitmap source;
    REQUIRE(source.CreateBlank(4, 4));
    source.SetPixel(1, 1, 0xFFFF0000);
    png = source.SaveToBytes(kFormatPng);
    REQUIRE_FALSE(png.empty());
    HDC screen = GetDC(nullptr);
    memoryDc = CreateCompatibleDC(screen);
    dcBitmap = CreateCompatibleBitmap(screen, 32, 32);
    ReleaseDC(nullptr, screen);
    oldBitmap = SelectObject(memoryDc, dcBitmap);
    icon = source.GetHICON();
    REQUIRE(icon != nullptr);
    hfont = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "宋体");
    REQUIRE(hfont != nullptr);
    REQUIRE(tile.CreateBlank(2, 2));
    REQUIRE(ellipse.Create());
    REQUIRE(ellipse.AddEllipse(0, 0, 20, 10));
    REQUIRE(tagged.FromBytes(quorlin::test::TiffWithTexts("a description", "some software")));
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    tiffPath = std::string(dir) + "quorlin_resources_pages.tif";
  }
  ~Inputs() {
    SelectObject(memoryDc, oldBitmap);
    DeleteObject(dcBitmap);
    DeleteDC(memoryDc);
    DestroyIcon(icon);
    DeleteObject(hfont);
    DeleteFileA(tiffPath.c_str());
  }
};

// An operation the platform may not offer: done, or exactly NotImplemented.
bool DoneOrNotImplemented(bool done) { return done || LastStatus == Gdiplus::NotImplemented; }

// Wine's TIFF encoder keeps a few hundred bytes of every save for itself. The
// multi-frame rows are measured against these, the same saves in flat calls.
struct FlatSaveFlags {
  ULONG values[3] = {Gdiplus::EncoderValueMultiFrame, Gdiplus::EncoderValueFrameDimensionPage,
                     Gdiplus::EncoderValueFlush};
  Gdiplus::EncoderParameters blocks[3];
  CLSID tiff{};
  FlatSaveFlags() {
    GUID flag{};
    TextToGuid(kEncoderSaveFlag, &flag);
    for (int n = 0; n < 3; ++n)
      blocks[n] = {1, {{flag, 1, Gdiplus::EncoderParameterValueTypeLong, &values[n]}}};
    TextToGuid(FindEncoder(kFormatTiff), &tiff);
  }
  const Gdiplus::EncoderParameters* multiFrame() const { return &blocks[0]; }
  const Gdiplus::EncoderParameters* nextPage() const { return &blocks[1]; }
  const Gdiplus::EncoderParameters* flush() const { return &blocks[2]; }
};

void FlatTiffPages(Inputs& i) {
  static const FlatSaveFlags flags;
  GpBitmap* first = nullptr;
  flat::GdipCreateBitmapFromScan0(4, 4, 0, PixelFormat32bppARGB, nullptr, &first);
  const std::wstring path = ToWide(i.tiffPath.c_str());
  flat::GdipSaveImageToFile(first, path.c_str(), &flags.tiff, flags.multiFrame());
  flat::GdipSaveAddImage(first, i.tile.GetNative(), flags.nextPage());
  flat::GdipSaveAdd(first, flags.flush());
  flat::GdipDisposeImage(first);
  GpImage* back = nullptr;
  UINT count = 0;
  flat::GdipLoadImageFromFile(path.c_str(), &back);
  GUID page{};
  TextToGuid(kFrameDimensionPage, &page);
  flat::GdipImageGetFrameCount(back, &page, &count);
  flat::GdipDisposeImage(back);
}

void FlatTiffBytes(Inputs& i) {
  static const FlatSaveFlags flags;
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return;
  flat::GdipSaveImageToStream(i.tile.GetNative(), stream, &flags.tiff, flags.multiFrame());
  flat::GdipSaveAdd(i.tile.GetNative(), flags.flush());
  stream->Release();
}

struct Kind {
  const char* name;
  int cycles;
  std::function<bool(Inputs&)> cycle;  // create, use, destroy; false on failure
  // The same platform work in plain flat calls, for rows where the platform
  // itself keeps memory: the row may grow by what this grows, and no more.
  std::function<void(Inputs&)> platform;
};

}  // namespace

TEST_CASE("create/use/destroy cycles leave GDI objects and memory where they were") {
  REQUIRE(quorlin::test::Gdiplus().ok());
  Inputs in;
  Graphics& g = in.canvasGraphics;

  // One row per wrapper kind at the full count, with light use; the drawing
  // and the slow platform paths (codecs, icon conversion, face lookup) get
  // rows of their own with fewer cycles, still enough to show a leak.
  const Kind kinds[] = {
      {"MemoryStream", kCycles, [](Inputs& i) {
         MemoryStream m;
         return m.FromBytes(i.png) && m.ToBytes() == i.png;
       }},
      {"Bitmap", kCycles, [](Inputs&) {
         Bitmap b;
         return b.CreateBlank(8, 8) && b.SetPixel(1, 1, 0xFF00FF00) && b.GetPixel(1, 1) == 0xFF00FF00;
       }},
      {"Image (clone)", kCycles, [](Inputs& i) {
         Image im;
         return i.tile.Clone(im) && im.GetWidth() == 2;
       }},
      {"Bitmap::GetHBITMAP", kCycles, [](Inputs& i) {
         HBITMAP h = i.tile.GetHBITMAP();
         return h && DeleteObject(h);
       }},
      {"Graphics (image)", kCycles, [](Inputs& i) {
         Graphics gr;
         return gr.FromImage(i.canvas) && gr.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
       }},
      {"Graphics (DC)", kCycles, [](Inputs& i) {
         Graphics gr;
         return gr.FromHDC(i.memoryDc) && gr.SetClipRect(0, 0, 4, 4) && gr.ResetClip();
       }},
      {"Pen", kCycles, [](Inputs&) {
         Pen p;
         return p.Create(0xFF000000, 2) && p.ScaleAt(2, 2, PointF(1, 1)) && p.GetWidth() == 2;
       }},
      {"SolidBrush", kCycles, [](Inputs&) {
         SolidBrush b;
         return b.Create(0x80FF0000) && b.GetColor() == 0x80FF0000;
       }},
      {"LinearGradientBrush", kCycles, [](Inputs&) {
         LinearGradientBrush b;
         const ARGB colours[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
         const REAL positions[3] = {0, 0.5f, 1};
         return b.Create(PointF(0, 0), PointF(10, 0), 0xFFFF0000, 0xFF0000FF) &&
                b.SetPresetBlend(colours, positions, 3) && b.SetLinearBlend(0.5f, 1);
       }},
      {"PathGradientBrush", kCycles, [](Inputs& i) {
         PathGradientBrush b;
         ARGB surround[1] = {0xFF0000FF};
         INT count = 1;
         return b.FromPath(i.ellipse) && b.SetCenterColor(0xFFFFFFFF) &&
                b.SetSurroundColors(surround, &count) && b.SetFocusScales(0.5f, 0.5f);
       }},
      {"TextureBrush", kCycles, [](Inputs& i) {
         TextureBrush b;
         return b.Create(i.tile) && b.GetWrapMode() == Gdiplus::WrapModeTile;
       }},
      {"Font (DC)", kCycles, [](Inputs& i) {
         Font f;
         FontFamily family;
         return f.FromDC(i.memoryDc, i.hfont) && f.GetFamily(family) && f.GetSize() > 0;
       }},
      {"FontFamily", kCycles, [](Inputs&) {
         FontFamily f;
         return f.FromName("SimSun") && !f.GetFamilyName().empty();
       }},
      {"FontCollection::GetFamilies", kCycles, [](Inputs&) {
         FontCollection c;
         return c.GetFamilies(3).size() == 3;
       }},
      {"StringFormat", kCycles, [](Inputs&) {
         StringFormat f;
         return f.Create() && f.SetAlign(Gdiplus::StringAlignmentCenter) &&
                f.SetTrimming(Gdiplus::StringTrimmingEllipsisWord);
       }},
      {"GraphicsPath", kCycles, [](Inputs&) {
         GraphicsPath p;
         return p.Create() && p.AddRoundRect(1, 1, 20, 10, 30) && p.GetPointCount() > 4;
       }},
      {"Region", kCycles, [&](Inputs& i) {
         Region r;
         if (!r.CreatePath(i.ellipse)) return false;
         HRGN h = r.GetHRGN(g);
         return h && DeleteObject(h);
       }},
      {"drawing with every kind", kSlowCycles, [&](Inputs& i) {
         Pen p;
         SolidBrush s;
         TextureBrush t;
         GraphicsPath path;
         Font f;
         return p.Create(0xFF000000, 1) && s.Create(0xFF00FF00) && t.Create(i.tile) &&
                path.Create() && path.AddRoundRect(0, 0, 20, 20, 20) &&
                f.FromDC(i.memoryDc, i.hfont) && g.DrawPath(p, path) && g.FillPath(t, path) &&
                g.DrawString("国a", f, RectF(0, 0, 32, 32), nullptr, s);
       }},
      {"Image::FromBytes + draw", kSlowCycles, [&](Inputs& i) {
         Image im;
         return im.FromBytes(i.png) && g.DrawImage(im, 0, 0);
       }},
      {"Bitmap::FromBytes", kSlowCycles, [](Inputs& i) {
         Bitmap b;
         return b.FromBytes(i.png) && b.GetPixel(1, 1) == 0xFFFF0000;
       }},
      {"Image::SaveToBytes", kSlowCycles, [](Inputs& i) {
         return i.tile.SaveToBytes(kFormatPng).size() > 8;
       }},
      {"Bitmap::FromHICON", kSlowCycles, [](Inputs& i) {
         Bitmap b;
         return b.FromHICON(i.icon) && b.GetWidth() == 4;
       }},
      {"Bitmap::Rotate", kSlowCycles, [](Inputs& i) {
         Bitmap out;
         return i.tile.Rotate(30, out) && out.GetWidth() > 2;
       }},
      {"Font::Create by name", kSlowCycles, [](Inputs&) {
         Font f;
         return f.Create("宋体", 12) && f.GetSize() == 12;
       }},
      {"multi-frame TIFF file: SaveAddImage, SaveAdd", kSlowCycles, [](Inputs& i) {
         const EncoderParameterSet multiFrame = SaveFlag(Gdiplus::EncoderValueMultiFrame);
         const EncoderParameterSet nextPage = SaveFlag(Gdiplus::EncoderValueFrameDimensionPage);
         Bitmap first;
         if (!first.CreateBlank(4, 4) || !first.SaveToFile(i.tiffPath.c_str(), kFormatTiff, &multiFrame) ||
             !first.SaveAddImage(i.tile, nextPage) || !first.SaveAdd(SaveFlag(Gdiplus::EncoderValueFlush)))
           return false;
         Image back;
         return back.FromFile(i.tiffPath.c_str()) && back.GetFrameCount(kFrameDimensionPage) == 2;
       }, FlatTiffPages},
      {"multi-frame TIFF bytes", kSlowCycles, [](Inputs& i) {
         const EncoderParameterSet multiFrame = SaveFlag(Gdiplus::EncoderValueMultiFrame);
         return i.tile.SaveToBytes(kFormatTiff, &multiFrame).size() > 8;
       }, FlatTiffBytes},
      {"GIF frames and delays", kSlowCycles, [](Inputs& i) {
         Bitmap b;
         std::vector<INT> delays;
         return b.FromBytes(i.gif) && b.GetFrameDimensions().size() == 1 &&
                b.GetFrameCount(kFrameDimensionTime) == 3 && b.SelectActiveFrame(kFrameDimensionTime, 2) &&
                b.GetPixel(1, 1) == 0xFF0000FF && b.GetFrameDelays(delays) && delays.size() == 3;
       }},
      {"property items", kCycles, [](Inputs& i) {
         const std::vector<PROPID> ids = i.tagged.GetPropertyIdList();
         for (PROPID id : ids)
           if (i.tagged.GetPropertyItem(id).Id != id) return false;
         const unsigned char text[] = "x";
         i.tagged.SetPropertyItem({0x013B, 2, 2, Bytes(text, text + 2)});
         i.tagged.RemovePropertyItem(0x013B);
         std::vector<INT> delays;
         return ids.size() > 2 && !i.tagged.GetFrameDelays(delays);
       }},
      {"palette", kCycles, [](Inputs&) {
         Bitmap b;
         const ARGB colours[3] = {0xFF000000, 0x80FF0000, 0xFFFFFFFF};
         return b.CreateBlank(4, 4, PixelFormat8bppIndexed) &&
                b.SetPalette(Gdiplus::PaletteFlagsHasAlpha, colours, 3) && b.GetPalette().Colours.size() == 3;
       }},
      {"Effect + ApplyEffect", kCycles, [](Inputs& i) {
         Effect blur;
         if (!DoneOrNotImplemented(blur.Create("{633C80A4-1843-482B-9EF2-BE2834C5FDD4}"))) return false;
         return DoneOrNotImplemented(i.tile.ApplyEffect(blur));
       }},
      {"GetEncoderParameterList", kCycles, [](Inputs& i) {
         return DoneOrNotImplemented(!i.tile.GetEncoderParameterList(kFormatJpeg).empty());
       }},
  };

  for (const Kind& kind : kinds) {
    CAPTURE(std::string(kind.name));
    long long platformGrowth = 0;
    if (kind.platform) {
      for (int n = 0; n < kWarmUp; ++n) kind.platform(in);
      const SIZE_T before = PrivateBytes();
      for (int n = 0; n < kind.cycles; ++n) kind.platform(in);
      platformGrowth = std::max(0LL, static_cast<long long>(PrivateBytes()) - static_cast<long long>(before));
    }
    for (int n = 0; n < kWarmUp; ++n) REQUIRE(kind.cycle(in));
    const quorlin::test::LeakBaseline baseline;
    const SIZE_T memoryBefore = PrivateBytes();
    const ULONGLONG start = GetTickCount64();
    bool allOk = true;
    for (int n = 0; n < kind.cycles; ++n) allOk = kind.cycle(in) && allOk;
    const ULONGLONG ms = GetTickCount64() - start;
    const long gdiGrowth = baseline.GdiGrowth();
    const SIZE_T memoryAfter = PrivateBytes();
    const long long memoryGrowth =
        static_cast<long long>(memoryAfter) - static_cast<long long>(memoryBefore);
    MESSAGE(std::string(kind.name) << " x" << kind.cycles << ": " << ms << " ms, GDI " << baseline.gdi << " -> " << baseline.gdi + gdiGrowth
                      << ", private bytes +" << memoryGrowth);
    if (kind.platform) MESSAGE("  the same work in flat calls: private bytes +" << platformGrowth);
    CHECK(allOk);
    CHECK(memoryBefore > 0);
    CHECK(gdiGrowth <= kGdiSlack);
    CHECK(memoryGrowth <= static_cast<long long>(kMemorySlack) + platformGrowth);
  }
}
