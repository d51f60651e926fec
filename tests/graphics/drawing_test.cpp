#include <doctest/doctest.h>

#include "gdiplus_session.h"
#include "graphics/drawing.h"

#include <cmath>
#include <string>
#include <vector>

using namespace quorlin::graphics;

namespace {

constexpr ARGB kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF,
               kBlack = 0xFF000000;

bool HasPoint(const std::vector<PointF>& points, float x, float y) {
  for (const PointF& p : points)
    if (std::fabs(p.X - x) < 0.01f && std::fabs(p.Y - y) < 0.01f) return true;
  return false;
}

// A white canvas with a graphics context on it.
struct Canvas {
  Bitmap bitmap;
  Graphics g;
  Canvas(int w, int h, ARGB background = kWhite) {
    REQUIRE(bitmap.CreateBlank(w, h));
    REQUIRE(g.FromImage(bitmap));
    REQUIRE(g.Clear(background));
  }
  // Pixels that differ from background, as a bounding box; empty when none.
  RECT Ink(ARGB background = kWhite) {
    g.Flush();
    RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    const int w = static_cast<int>(bitmap.GetWidth()), h = static_cast<int>(bitmap.GetHeight());
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (bitmap.GetPixel(x, y) != background) {
          box.left = std::min<LONG>(box.left, x);
          box.top = std::min<LONG>(box.top, y);
          box.right = std::max<LONG>(box.right, x + 1);
          box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    if (box.left == INT_MAX) box = RECT{0, 0, 0, 0};
    return box;
  }
};

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

int Channel(ARGB c, int shift) { return static_cast<int>((c >> shift) & 255); }

}  // namespace

TEST_CASE("AddRoundRect: corner percentage, clamping and arc geometry") {
  REQUIRE(quorlin::test::Gdiplus().ok());
  struct Case {
    float x, y, w, h;
    int corner;
    float rw, rh;  // expected corner ellipse
  } cases[] = {
      {0, 0, 200, 100, 10, 20, 10},
      {0, 0, 200, 100, 0, 2, 1},         // 0 counts as 1
      {0, 0, 200, 100, -5, 2, 1},
      {0, 0, 200, 100, 150, 200, 100},   // 150 counts as 100: full ellipse arcs
      {10, 20, 50, 30, 50, 25, 15},
      {0, 0, 199, 99, 10, 19, 9},        // 19.9 and 9.9 truncate
  };
  for (const Case& c : cases) {
    CAPTURE(c.corner);
    CAPTURE(c.w);
    GraphicsPath path;
    REQUIRE(path.Create());
    CHECK(path.AddRoundRect(c.x, c.y, c.w, c.h, c.corner));
    const std::vector<PointF> pts = path.GetPoints();
    REQUIRE(pts.size() >= 4);
    const float x2 = c.x + c.w, y2 = c.y + c.h;
    // Each arc starts or ends where it meets an edge, rw / 2 or rh / 2 from
    // the corner.
    CHECK(HasPoint(pts, x2 - c.rw / 2, c.y));        // top-right arc start (270)
    CHECK(HasPoint(pts, x2, c.y + c.rh / 2));        // its end (0)
    CHECK(HasPoint(pts, x2, y2 - c.rh / 2));         // bottom-right start
    CHECK(HasPoint(pts, x2 - c.rw / 2, y2));
    CHECK(HasPoint(pts, c.x + c.rw / 2, y2));        // bottom-left
    CHECK(HasPoint(pts, c.x, y2 - c.rh / 2));
    CHECK(HasPoint(pts, c.x, c.y + c.rh / 2));       // top-left
    CHECK(HasPoint(pts, c.x + c.rw / 2, c.y));
    RectF b = path.GetBounds();
    CHECK(b.X == doctest::Approx(c.x).epsilon(0.001));
    CHECK(b.Y == doctest::Approx(c.y).epsilon(0.001));
    CHECK(b.Width == doctest::Approx(c.w).epsilon(0.001));
    CHECK(b.Height == doctest::Approx(c.h).epsilon(0.001));
    // One closed figure.
    const std::vector<BYTE> types = path.GetTypes();
    REQUIRE_FALSE(types.empty());
    CHECK((types.back() & Gdiplus::PathPointTypeCloseSubpath) != 0);
    CHECK((types.front() & Gdiplus::PathPointTypePathTypeMask) == Gdiplus::PathPointTypeStart);
  }
}

TEST_CASE("AddRoundRect with zero-sized arcs does not crash") {
  // 17 x 5% and 15 x 5% truncate to 0 x 0 arcs.
  GraphicsPath path;
  REQUIRE(path.Create());
  path.AddRoundRect(0, 0, 17, 15, 5);
  MESSAGE("zero-sized arcs: close status " << LastStatus << ", " << path.GetPointCount()
                                           << " points");
  Canvas c(20, 20);
  SolidBrush b;
  REQUIRE(b.Create(kBlack));
  c.g.FillPath(b, path);
  Pen p;
  REQUIRE(p.Create(kBlack, 1));
  c.g.DrawPath(p, path);
  GraphicsPath empty;
  CHECK_FALSE(empty.AddRoundRect(0, 0, 10, 10, 10));  // no native path
}

TEST_CASE("ScaleAt and RotateAt act about the point, in either order") {
  Canvas c(4, 4);
  auto map = [&](float x, float y) {
    PointF p(x, y);
    REQUIRE(c.g.TransformPoints(Gdiplus::CoordinateSpaceDevice, Gdiplus::CoordinateSpaceWorld, &p, 1));
    return p;
  };
  struct Case {
    bool rotate;
    MatrixOrder order;
    float inX, inY, outX, outY;
  } cases[] = {
      // with a prior translation of (5, 0)
      {false, MatrixOrderPrepend, 10, 10, 15, 10},  // scale first, then translate
      {false, MatrixOrderPrepend, 11, 10, 17, 10},
      {false, MatrixOrderAppend, 10, 10, 20, 10},   // translate first, then scale about (10, 10)
      {false, MatrixOrderAppend, 6, 10, 12, 10},
      {true, MatrixOrderPrepend, 11, 10, 15, 11},   // rotate 90 about (10, 10), then translate
      {true, MatrixOrderAppend, 5, 10, 10, 10},     // translate to (10, 10): the fixed point
      {true, MatrixOrderAppend, 6, 10, 10, 11},
  };
  for (const Case& k : cases) {
    CAPTURE(k.rotate);
    CAPTURE(static_cast<int>(k.order));
    CAPTURE(k.inX);
    REQUIRE(c.g.ResetWorldTransform());
    REQUIRE(c.g.TranslateWorldTransform(5, 0));
    if (k.rotate)
      CHECK(c.g.RotateAt(90, PointF(10, 10), k.order));
    else
      CHECK(c.g.ScaleAt(2, 2, PointF(10, 10), k.order));
    PointF out = map(k.inX, k.inY);
    CHECK(out.X == doctest::Approx(k.outX).epsilon(0.001));
    CHECK(out.Y == doctest::Approx(k.outY).epsilon(0.001));
  }

  // The same helper on the transformable objects; drawing shows the effect.
  Pen pen;
  REQUIRE(pen.Create(kBlack, 1));
  CHECK(pen.ScaleAt(2, 2, PointF(1, 1)));
  CHECK(pen.RotateAt(30, PointF(1, 1), MatrixOrderAppend));
  LinearGradientBrush line;
  REQUIRE(line.Create(PointF(0, 0), PointF(10, 0), kRed, kBlue));
  CHECK(line.ScaleAt(1, 2, PointF(5, 5), MatrixOrderAppend));
  Pen empty;
  CHECK_FALSE(empty.ScaleAt(2, 2, PointF(0, 0)));
  CHECK(LastStatus == Gdiplus::InvalidParameter);
}

TEST_CASE("RotateAt on a gradient brush turns its bands, or reports that it cannot") {
  // Red to blue left to right over 40 px; rotated 90 degrees about the
  // centre the bands run top to bottom. Where the platform cannot rotate a
  // gradient brush the operation must say so and leave the brush unturned.
  LinearGradientBrush probe;
  REQUIRE(probe.Create(PointF(0, 0), PointF(40, 0), kRed, kBlue));
  const bool canRotate = probe.RotateTransform(0);
  const int rotateStatus = LastStatus;

  Canvas c(40, 40);
  LinearGradientBrush b;
  REQUIRE(b.Create(PointF(0, 0), PointF(40, 0), kRed, kBlue));
  const bool rotated = b.RotateAt(90, PointF(20, 20), MatrixOrderAppend);
  CHECK(rotated == canRotate);
  if (!rotated) CHECK(LastStatus == rotateStatus);
  REQUIRE(c.g.FillRectangle(b, 0, 0, 40, 40));
  c.g.Flush();
  const ARGB top = c.bitmap.GetPixel(20, 2), bottom = c.bitmap.GetPixel(20, 37);
  const ARGB left = c.bitmap.GetPixel(2, 20), right = c.bitmap.GetPixel(37, 20);
  if (rotated) {
    CHECK(Channel(top, 16) > 200);
    CHECK(Channel(bottom, 0) > 200);
    CHECK(std::abs(Channel(left, 16) - Channel(right, 16)) < 16);
  } else {
    MESSAGE("gradient brush rotation not supported here, status " << rotateStatus);
    CHECK(Channel(left, 16) > 200);
    CHECK(Channel(right, 0) > 200);
  }
}

TEST_CASE("brushes, pens and clipping paint the right pixels") {
  Canvas c(100, 40);
  SolidBrush solid;
  REQUIRE(solid.Create(kGreen));
  CHECK(solid.GetColor() == kGreen);
  CHECK(solid.GetBrushType() == Gdiplus::BrushTypeSolidColor);

  REQUIRE(c.g.SetClipRect(10, 10, 20, 20));
  CHECK(c.g.FillRectangle(solid, 0, 0, 100, 40));
  CHECK(c.g.ResetClip());
  c.g.Flush();
  CHECK(c.bitmap.GetPixel(15, 15) == kGreen);
  CHECK(c.bitmap.GetPixel(5, 5) == kWhite);
  CHECK(c.bitmap.GetPixel(35, 15) == kWhite);

  // Gradient with a preset blend: red, green, blue stops.
  LinearGradientBrush line;
  REQUIRE(line.Create(PointF(0, 0), PointF(100, 0), kRed, kBlue));
  const ARGB colours[3] = {kRed, kGreen, kBlue};
  const REAL positions[3] = {0, 0.5f, 1};
  CHECK(line.SetPresetBlend(colours, positions, 3));
  CHECK(line.GetBrushType() == Gdiplus::BrushTypeLinearGradient);
  Canvas g(100, 4);
  REQUIRE(g.g.FillRectangle(line, 0, 0, 100, 4));
  g.g.Flush();
  CHECK(Channel(g.bitmap.GetPixel(1, 1), 16) > 220);
  CHECK(Channel(g.bitmap.GetPixel(50, 1), 8) > 220);
  CHECK(Channel(g.bitmap.GetPixel(98, 1), 0) > 220);
  CHECK(line.SetLinearBlend(0.5f, 1.0f));
  ARGB c1 = 0, c2 = 0;
  CHECK(line.GetColors(&c1, &c2));
  CHECK(c1 == kRed);
  CHECK(c2 == kBlue);

  // Path gradient: centre colour in the middle, surround colour at the rim.
  GraphicsPath ellipse;
  REQUIRE(ellipse.Create());
  REQUIRE(ellipse.AddEllipse(0, 0, 40, 40));
  PathGradientBrush radial;
  REQUIRE(radial.FromPath(ellipse));
  CHECK(radial.SetCenterColor(kRed));
  ARGB surround[1] = {kBlue};
  INT count = 1;
  CHECK(radial.SetSurroundColors(surround, &count));
  CHECK(radial.SetFocusScales(0.2f, 0.2f));
  CHECK(radial.GetCenterColor() == kRed);
  Canvas r(40, 40);
  REQUIRE(r.g.FillPath(radial, ellipse));
  r.g.Flush();
  CHECK(Channel(r.bitmap.GetPixel(20, 20), 16) > 220);
  CHECK(Channel(r.bitmap.GetPixel(20, 2), 0) > 150);
  CHECK(r.bitmap.GetPixel(1, 1) == kWhite);  // outside the ellipse

  // Texture brush tiles a 2 x 2 picture.
  Bitmap tile;
  REQUIRE(tile.CreateBlank(2, 2));
  tile.SetPixel(0, 0, kRed);
  tile.SetPixel(1, 0, kBlue);
  tile.SetPixel(0, 1, kBlue);
  tile.SetPixel(1, 1, kRed);
  TextureBrush texture;
  REQUIRE(texture.Create(tile));
  tile.Delete();  // the brush keeps its own copy
  Canvas t(8, 8);
  REQUIRE(t.g.FillRectangle(texture, 0, 0, 8, 8));
  t.g.Flush();
  CHECK(t.bitmap.GetPixel(4, 4) == kRed);
  CHECK(t.bitmap.GetPixel(5, 4) == kBlue);
  CHECK(t.bitmap.GetPixel(7, 7) == kRed);

  // A pen of width 1 draws a horizontal line; a pen from a brush too.
  Pen pen;
  REQUIRE(pen.Create(kBlack, 1));
  CHECK(pen.GetWidth() == 1);
  CHECK(pen.GetUnit() == Gdiplus::UnitWorld);
  Canvas l(20, 10);
  REQUIRE(l.g.DrawLine(pen, 2, 5, 18, 5));
  RECT ink = l.Ink();
  CHECK(ink.left >= 1);
  CHECK(ink.right <= 19);
  CHECK(ink.bottom - ink.top <= 2);
  Pen brushPen;
  REQUIRE(brushPen.CreateFromBrush(solid, 3));
  CHECK(brushPen.GetWidth() == 3);
  REQUIRE(l.g.DrawRectangle(brushPen, 4, 1, 10, 6));
}

TEST_CASE("DrawImageRect scales the whole picture into the rectangle") {
  Bitmap src;
  REQUIRE(src.CreateBlank(4, 4));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) src.SetPixel(x, y, y < 2 ? (x < 2 ? kRed : kGreen) : (x < 2 ? kBlue : kBlack));
  Canvas c(20, 20);
  REQUIRE(c.g.DrawImageRect(src, 2, 2, 16, 16));
  c.g.Flush();
  CHECK(c.bitmap.GetPixel(5, 5) == kRed);
  CHECK(c.bitmap.GetPixel(14, 5) == kGreen);
  CHECK(c.bitmap.GetPixel(5, 14) == kBlue);
  CHECK(c.bitmap.GetPixel(14, 14) == kBlack);
  CHECK(c.bitmap.GetPixel(0, 0) == kWhite);
  CHECK(c.bitmap.GetPixel(19, 19) == kWhite);
  Image none;
  CHECK_FALSE(c.g.DrawImageRect(none, 0, 0, 4, 4));
}

TEST_CASE("fonts by name: the Chinese faces under Wine") {
  // The program's faces; the Wine prefix maps them by font replacement.
  const char* names[] = {"宋体", "SimSun", "黑体", "SimHei", "新宋体", "微软雅黑", "Tahoma"};
  for (const char* name : names) {
    FontFamily family;
    const bool found = family.FromName(name);
    MESSAGE("FontFamily::FromName(\"" << std::string(name) << "\"): "
            << (found ? "found \"" + family.GetFamilyName() + "\"" : "not found")
            << ", status " << LastStatus);
  }
  FontFamily simsun;
  CHECK(simsun.FromName("宋体"));
  CHECK_FALSE(simsun.GetFamilyName().empty());
}

TEST_CASE("a font by name with size 12 has a 12-pixel em height") {
  Font font;
  REQUIRE(font.Create("宋体", 12));
  CHECK(font.GetSize() == 12);
  CHECK(font.GetUnit() == Gdiplus::UnitWorld);
  CHECK(font.GetStyle() == Gdiplus::FontStyleRegular);
  Canvas c(200, 40);
  LOGFONTA lf{};
  REQUIRE(font.GetLogFontA(c.g, &lf));
  CHECK(lf.lfHeight == -12);
  CHECK(font.GetHeight(&c.g) >= 12);
  FontFamily family;
  REQUIRE(font.GetFamily(family));
  CHECK_FALSE(family.GetFamilyName().empty());
  CHECK(family.GetEmHeight() > 0);

  // The ink of a full-height ideograph fits in the em square.
  SolidBrush ink;
  REQUIRE(ink.Create(kBlack));
  REQUIRE(c.g.DrawString("国", font, RectF(0, 0, 200, 40), nullptr, ink));
  RECT box = c.Ink();
  REQUIRE_FALSE(Empty(box));
  CHECK(box.bottom - box.top <= 12);
  CHECK(box.bottom - box.top >= 8);

  Font bold;
  REQUIRE(bold.Create("SimSun", 20, Gdiplus::FontStyleBold, Gdiplus::UnitPixel));
  CHECK(bold.GetStyle() == Gdiplus::FontStyleBold);
  CHECK(bold.GetUnit() == Gdiplus::UnitPixel);
}

TEST_CASE("a face that is not installed leaves the font empty and draws nothing") {
  Font font;
  CHECK_FALSE(font.Create("Quorlin No Such Face", 12));
  CHECK(font.IsEmpty());
  CHECK(LastStatus == Gdiplus::FontFamilyNotFound);
  // Creating into a font in use, with a missing face, empties it too.
  Font used;
  REQUIRE(used.Create("宋体", 12));
  CHECK_FALSE(used.Create("Quorlin No Such Face", 12));
  CHECK(used.IsEmpty());

  Canvas c(100, 30);
  SolidBrush ink;
  REQUIRE(ink.Create(kBlack));
  CHECK_FALSE(c.g.DrawString("abc 国", font, RectF(0, 0, 100, 30), nullptr, ink));
  CHECK(LastStatus == Gdiplus::InvalidParameter);
  CHECK(Empty(c.Ink()));
  RectF measured(1, 1, 1, 1);
  CHECK_FALSE(c.g.MeasureString("abc", font, RectF(0, 0, 100, 30), nullptr, &measured));
  CHECK(measured.Width == 0);
}

TEST_CASE("DrawString and MeasureString convert ANSI text") {
  Font font;
  REQUIRE(font.Create("宋体", 12));
  Canvas c(200, 30);
  RectF one, two, mixed;
  INT fitted = 0, lines = 0;
  REQUIRE(c.g.MeasureString("国", font, RectF(0, 0, 200, 30), nullptr, &one, &fitted, &lines));
  CHECK(fitted == 1);  // one UTF-16 unit from two GBK bytes
  CHECK(lines == 1);
  REQUIRE(c.g.MeasureString("国国国", font, RectF(0, 0, 200, 30), nullptr, &two, &fitted));
  CHECK(fitted == 3);
  CHECK(two.Width > one.Width * 2);
  REQUIRE(c.g.MeasureString("读取链接 ok", font, RectF(0, 0, 200, 30), nullptr, &mixed, &fitted));
  CHECK(fitted == 7);

  // Centred both ways by the string format.
  StringFormat format;
  REQUIRE(format.Create());
  CHECK(format.SetAlign(Gdiplus::StringAlignmentCenter));
  CHECK(format.SetLineAlign(Gdiplus::StringAlignmentCenter));
  CHECK(format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter));
  CHECK(format.SetFlags(Gdiplus::StringFormatFlagsNoWrap));
  CHECK(format.GetAlign() == Gdiplus::StringAlignmentCenter);
  CHECK(format.GetFlags() == Gdiplus::StringFormatFlagsNoWrap);
  SolidBrush ink;
  REQUIRE(ink.Create(kBlack));
  REQUIRE(c.g.DrawString("国国", font, RectF(0, 0, 200, 30), &format, ink));
  RECT box = c.Ink();
  REQUIRE_FALSE(Empty(box));
  CHECK(std::abs((box.left + box.right) / 2 - 100) <= 3);
  CHECK(std::abs((box.top + box.bottom) / 2 - 15) <= 3);

  // An empty text draws nothing and is not an error.
  Canvas e(50, 20);
  CHECK(e.g.DrawString("", font, RectF(0, 0, 50, 20), nullptr, ink));
  CHECK(Empty(e.Ink()));
}

TEST_CASE("fonts from the stock font and from device contexts") {
  Font stock;
  REQUIRE(stock.FromStockFont());
  CHECK(stock.GetSize() > 0);

  HDC dc = CreateCompatibleDC(nullptr);
  HFONT hfont = CreateFontA(-16, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "宋体");
  REQUIRE(hfont != nullptr);
  Font fromHandle;
  REQUIRE(fromHandle.FromDC(dc, hfont));
  CHECK((fromHandle.GetStyle() & Gdiplus::FontStyleBold) != 0);
  HGDIOBJ old = SelectObject(dc, hfont);
  Font fromDc;
  REQUIRE(fromDc.FromDC(dc));
  CHECK((fromDc.GetStyle() & Gdiplus::FontStyleBold) != 0);
  // An HFONT that cannot be read falls back to the selected font.
  Font fallback;
  CHECK(fallback.FromDC(dc, reinterpret_cast<HFONT>(static_cast<INT_PTR>(0x1234))));
  SelectObject(dc, old);
  DeleteObject(hfont);
  DeleteDC(dc);
}

TEST_CASE("font collections") {
  FontCollection installed;
  const INT count = installed.GetFamilyCount();
  CHECK(count > 0);

  LastStatus = 0;
  CHECK(installed.GetFamilies(0).empty());
  CHECK(LastStatus == 2);
  LastStatus = 0;
  CHECK(installed.GetFamilies(-3).empty());
  CHECK(LastStatus == 2);

  std::vector<FontFamily> families = installed.GetFamilies(count);
  CHECK(static_cast<INT>(families.size()) == count);
  for (const FontFamily& f : families) CHECK_FALSE(f.GetFamilyName().empty());
  std::vector<FontFamily> two = installed.GetFamilies(2);
  CHECK(two.size() == std::min<size_t>(2, static_cast<size_t>(count)));

  // A family from the installed collection by name.
  FontFamily byName;
  CHECK(byName.FromName("宋体", &installed));

  FontCollection priv;
  REQUIRE(priv.CreatePrivate());
  CHECK(priv.GetFamilyCount() == 0);
  CHECK_FALSE(priv.AddFontFile("C:\\no\\such\\font.ttf"));
}

TEST_CASE("paths and regions") {
  GraphicsPath path;
  REQUIRE(path.Create());
  CHECK(path.GetFillMode() == Gdiplus::FillModeAlternate);
  REQUIRE(path.AddRectangle(10, 10, 20, 20));
  REQUIRE(path.AddLine(0, 0, 5, 5));
  CHECK(path.GetPointCount() == 6);
  CHECK(path.IsVisible(15, 15));
  CHECK_FALSE(path.IsVisible(35, 35));
  GraphicsPath copy;
  REQUIRE(path.Clone(copy));
  REQUIRE(path.Reset());
  CHECK(path.GetPointCount() == 0);
  CHECK(copy.GetPointCount() == 6);

  FontFamily family;
  REQUIRE(family.FromName("宋体"));
  GraphicsPath text;
  REQUIRE(text.Create());
  CHECK(text.AddString("国", family, 0, 20, RectF(0, 0, 50, 50), nullptr));
  CHECK(text.GetPointCount() > 4);

  Canvas c(60, 60);
  Region region;
  REQUIRE(region.CreateRect(RectF(10, 10, 20, 20)));
  REQUIRE(region.CombineRect(RectF(20, 20, 20, 20), Gdiplus::CombineModeUnion));
  RectF b = region.GetBounds(c.g);
  CHECK(b.X == 10);
  CHECK(b.Width == 30);
  CHECK(region.IsVisible(35, 35));
  CHECK_FALSE(region.IsVisible(12, 35));
  CHECK_FALSE(region.IsEmptyRegion(c.g));
  HRGN h = region.GetHRGN(c.g);
  REQUIRE(h != nullptr);
  CHECK(PtInRegion(h, 35, 35));
  DeleteObject(h);
  REQUIRE(c.g.SetClipRegion(region));
  SolidBrush black;
  REQUIRE(black.Create(kBlack));
  REQUIRE(c.g.FillRectangle(black, 0, 0, 60, 60));
  c.g.Flush();
  CHECK(c.bitmap.GetPixel(15, 15) == kBlack);
  CHECK(c.bitmap.GetPixel(12, 35) == kWhite);
  Region infinite;
  REQUIRE(infinite.Create());
  CHECK(infinite.IsInfiniteRegion(c.g));
  REQUIRE(infinite.SetEmpty());
  CHECK(infinite.IsEmptyRegion(c.g));
}

TEST_CASE("graphics state and surfaces on device contexts") {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 10, 10);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bmp);
  {
    Graphics g;
    REQUIRE(g.FromHDC(dc));
    CHECK(g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias));
    CHECK(g.GetSmoothingMode() == Gdiplus::SmoothingModeAntiAlias);
    CHECK(g.SetCompositingQuality(Gdiplus::CompositingQualityHighQuality));
    CHECK(g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic));
    CHECK(g.GetInterpolationMode() == Gdiplus::InterpolationModeHighQualityBicubic);
    CHECK(g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf));
    CHECK(g.GetPixelOffsetMode() == Gdiplus::PixelOffsetModeHalf);
    CHECK(g.GetDpiX() > 0);
    CHECK(g.Clear(0xFF0000FF));
    g.Flush();
  }
  CHECK(GetPixel(dc, 5, 5) == RGB(0, 0, 255));
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);

  Graphics none;
  CHECK_FALSE(none.Clear(0));
  CHECK(LastStatus == Gdiplus::InvalidParameter);
  CHECK_FALSE(none.Delete());
}
