// Frame painting: back buffer, title strip snapshot and frame snapshot.
#include "skin/chrome/frame_paint.h"

#include <algorithm>
#include <string>

#include "graphics/drawing.h"
#include "skin/core/control_painting.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_images.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {

HICON FrameIcon = nullptr;

namespace {

using graphics::ARGB;
using graphics::REAL;

constexpr COLORREF Red = 0x0000FF;

SIZE ClientSize(HWND window) {
  RECT r = {};
  GetClientRect(window, &r);
  return SIZE{r.right, r.bottom};
}

// A memory DC over a fresh 32-bit DIB, with the bitmap it displaced.
struct DibDc {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ previous;
};
DibDc CreateDibDc(int w, int h) {
  DibDc d;
  d.dc = CreateCompatibleDC(nullptr);
  d.bitmap = CreateDib32(w, h);
  d.previous = SelectObject(d.dc, d.bitmap);
  return d;
}

// Puts the displaced bitmap back, deletes bitmap and DC, and clears the three.
void ReleaseDibDc(HDC& dc, HBITMAP& bitmap, HGDIOBJ& previous) {
  if (!dc) return;
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  dc = nullptr;
  bitmap = nullptr;
  previous = nullptr;
}

// A fresh w x h DIB DC into the three; false, with the three left empty, when
// the bitmap cannot be made.
bool AdoptNewDibDc(int w, int h, HDC& dc, HBITMAP& bitmap, HGDIOBJ& previous) {
  DibDc d = CreateDibDc(w, h);
  if (!d.bitmap) {
    DeleteDC(d.dc);
    return false;
  }
  dc = d.dc;
  bitmap = d.bitmap;
  previous = d.previous;
  return true;
}

void ReleaseCaptionSnapshot(SkinRecord& r) {
  ReleaseDibDc(r.captionSnapshotDc, r.captionSnapshotBitmap, r.captionSnapshotPrevious);
}

void ReleaseCaptionLooks(SkinRecord& r) {
  r.captionLooks.clear();
  ReleaseDibDc(r.captionLooksDc, r.captionLooksBitmap, r.captionLooksPrevious);
}

void ReleaseBackgroundLayer(SkinRecord& r) {
  r.backgroundLayerKey = BackgroundLayerKey{};
  ReleaseDibDc(r.backgroundLayerDc, r.backgroundLayerBitmap, r.backgroundLayerPrevious);
}

BackgroundLayerKey BackgroundLayerKeyOf(const SkinRecord& r, SIZE s) {
  return BackgroundLayerKey{s.cx,          s.cy,         r.backgroundMode, r.backgroundColour,
                            r.tintColour,  r.tintAlpha,  r.titleBand,      r.captionHeight,
                            r.frameEnabled, r.sizing != 0, r.backgroundPicture};
}

// Draws the background and the outline into the fresh back buffer g paints
// on. Decoding and stretching the picture and stroking the outline are most of
// a full repaint, so the finished layer is kept and copied again while
// nothing it depends on has changed.
void PaintBackgroundLayer(graphics::Graphics& g, SkinRecord& r, int skinId, SIZE s) {
  BackgroundLayerKey key = BackgroundLayerKeyOf(r, s);
  if (r.backgroundLayerDc && key == r.backgroundLayerKey) {
    BitBlt(r.backBufferDc, 0, 0, s.cx, s.cy, r.backgroundLayerDc, 0, 0, SRCCOPY);
    return;
  }
  PaintBackground(g, skinId);
  if (r.frameEnabled) PaintOutline(skinId, g);
  g.Flush(Gdiplus::FlushIntentionSync);
  ReleaseBackgroundLayer(r);
  if (!AdoptNewDibDc(s.cx, s.cy, r.backgroundLayerDc, r.backgroundLayerBitmap, r.backgroundLayerPrevious)) return;
  BitBlt(r.backgroundLayerDc, 0, 0, s.cx, s.cy, r.backBufferDc, 0, 0, SRCCOPY);
  r.backgroundLayerKey = std::move(key);
}

void RenewCaptionSnapshot(SkinRecord& r, int w) {
  ReleaseCaptionSnapshot(r);
  // Every look was composed over the old snapshot.
  r.captionLooks.clear();
  if (AdoptNewDibDc(w, r.captionHeight, r.captionSnapshotDc, r.captionSnapshotBitmap, r.captionSnapshotPrevious))
    BitBlt(r.captionSnapshotDc, 0, 0, w, r.captionHeight, r.backBufferDc, 0, 0, SRCCOPY);
}

void RenewFrameSnapshot(SkinRecord& r, int w, int h) {
  ReleaseDcBitmap(r.frameSnapshotDc);
  DibDc d = CreateDibDc(w, h);
  RegisterDcBitmap(d.dc, d.bitmap, d.previous);
  r.frameSnapshotDc = d.dc;
  BitBlt(d.dc, 0, 0, w, h, r.backBufferDc, 0, 0, SRCCOPY);
}

// The back buffer gets a new DIB of the client size; the DC keeps its very
// first bitmap in Ck_Ycjdx so teardown can put it back.
void RenewBackBuffer(SkinRecord& r, int w, int h) {
  if (!r.backBufferDc) r.backBufferDc = CreateCompatibleDC(nullptr);
  HBITMAP fresh = CreateDib32(w, h);
  HGDIOBJ out = SelectObject(r.backBufferDc, fresh);
  if (GetPropA(r.hwnd, PropBackBufferFirstBitmap))
    DeleteObject(out);
  else
    SetPropA(r.hwnd, PropBackBufferFirstBitmap, out);
  SetPropA(r.hwnd, PropBackBufferBitmap, fresh);
}

void CopyToWindow(HWND window, int x, int y, int w, int h, HDC source) {
  HDC dc = ChildClippedDc(window);
  BitBlt(dc, x, y, w, h, source, x, y, SRCCOPY);
  ReleaseDC(window, dc);
}

const std::string& GlyphOf(const SkinRecord& r, const CaptionButton& b) {
  return (b.kind == CaptionMaximize && r.maximized) ? b.alternateGlyph : b.glyph;
}

void DrawGlyph(graphics::Graphics& g, const std::string& png, REAL x, REAL y, REAL w, REAL h) {
  graphics::Image glyph;
  if (glyph.FromBytes(png.data(), png.size())) g.DrawImageRect(glyph, x, y, w, h);
}

// A rectangle with only its top-right corner rounded (the close button).
void AddCloseShape(graphics::GraphicsPath& path, REAL x, REAL y, REAL w, REAL h, REAL arc) {
  path.AddLine(x, y + h, x, y);
  path.AddLine(x, y, x + w - arc, y);
  path.AddArc(x + w - arc, y, arc, arc, 270, 90);
  path.AddLine(x + w, y + arc, x + w, y + h);
}

// A rectangle with both top corners rounded by arcs of arc x arc.
void AddTopRoundShape(graphics::GraphicsPath& path, REAL x, REAL y, REAL w, REAL h, REAL arc) {
  path.AddLine(x, y + h, x, y + arc);
  path.AddArc(x, y, arc, arc, 180, 90);
  path.AddArc(x + w - arc, y, arc, arc, 270, 90);
  path.AddLine(x + w, y + arc, x + w, y + h);
  path.CloseFigure();
}

void FillVertical(graphics::Graphics& g, const graphics::GraphicsPath& path, REAL x, REAL y0, REAL y1, ARGB from,
                  ARGB to) {
  graphics::LinearGradientBrush brush;
  brush.Create(graphics::PointF(x, y0), graphics::PointF(x, y1), from, to);
  g.FillPath(brush, path);
}

void PaintPressed(SkinRecord& r, const CaptionButton& b, int x, int y) {
  graphics::Graphics g;
  g.FromHDC(r.backBufferDc);
  RestoreFromTitleSnapshot(FindSkinId(r.hwnd), RECT{x, y, b.width, b.height});
  const bool close = b.kind == CaptionClose;
  graphics::GraphicsPath shape;
  shape.Create();
  if (close)
    AddCloseShape(shape, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(b.width),
                  static_cast<REAL>(b.height), 5);
  else
    shape.AddRectangle(static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(b.width),
                       static_cast<REAL>(b.height));
  FillVertical(g, shape, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(y + b.height),
               close ? Argb(255, Red) : Argb(80, Black), close ? Argb(30, White) : Argb(5, White));
  DrawGlyph(g, GlyphOf(r, b), static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(b.width - 1),
            static_cast<REAL>(b.height));
  WindowDc dc(r.hwnd);
  BitBlt(dc.get(), x, y, b.width, b.height, r.backBufferDc, x, y, SRCCOPY);
}

void PaintHoverLayers(graphics::Graphics& g, const SkinRecord& r, const CaptionButton& b, int alpha) {
  const REAL rx = b.rect.x, ry = b.rect.y, bw = static_cast<REAL>(b.width), bh = static_cast<REAL>(b.height);
  const REAL hx = rx - 1;
  const bool close = b.kind == CaptionClose;
  graphics::GraphicsPath shape;
  shape.Create();
  if (close)
    AddCloseShape(shape, hx, ry, bw, bh, 5);
  else
    AddTopRoundShape(shape, hx, ry, bw, bh, 1);
  FillVertical(g, shape, hx, ry, ry + bh + 1, Argb(alpha / 5, Black), Argb(0, White));
  FillVertical(g, shape, hx, ry, ry + bh + 1, Argb(alpha, close ? Red : AccentColour), Argb(0, White));
  graphics::GraphicsPath rim;
  rim.Create();
  if (close)
    AddCloseShape(rim, hx, ry, bw - 1, bh * 0.8f, 5);
  else
    AddTopRoundShape(rim, hx, ry, bw - 1, bh * 0.8f, 1);
  graphics::LinearGradientBrush rimBrush;
  rimBrush.Create(graphics::PointF(hx, ry), graphics::PointF(hx, ry + bh * 0.8f),
                  Argb(static_cast<int>(alpha * 0.8), White), Argb(0, White));
  graphics::Pen rimPen;
  rimPen.CreateFromBrush(rimBrush, 1.0f);
  g.DrawPath(rimPen, rim);
  (void)r;
}

void DrawSeparator(graphics::Graphics& g, const SkinRecord& r, int sx, int alpha) {
  const REAL x = static_cast<REAL>(sx);
  graphics::LinearGradientBrush brush;
  brush.Create(graphics::PointF(x, static_cast<REAL>(r.captionRowY)),
               graphics::PointF(x, static_cast<REAL>(r.captionRowY + r.captionRowHeight - 3)), Argb(alpha, Black),
               Argb(0, Black));
  graphics::Pen pen;
  pen.CreateFromBrush(brush, 1.0f);
  g.DrawLine(pen, x, static_cast<REAL>(r.captionRowY + 1), x, static_cast<REAL>(r.captionRowY + r.captionRowHeight - 4));
}

constexpr int MaxCaptionLooks = 32;

// The area a plain or hover paint of b changes: one pixel left of x and a row
// below the glyph more than the button rectangle.
RECT CaptionLookArea(const CaptionButton& b) {
  return RECT{static_cast<int>(b.rect.x - 1) - 1, static_cast<int>(b.rect.y), b.width + 2, b.height + 1};
}

bool SameLook(const CaptionLook& a, const CaptionLook& b) {
  return a.button == b.button && a.alpha == b.alpha && a.x == b.x && a.y == b.y && a.maximized == b.maximized &&
         a.accent == b.accent;
}

// The cell that holds look, or -1.
int FindCaptionLook(const SkinRecord& r, const CaptionLook& look) {
  for (size_t i = 0; i < r.captionLooks.size(); ++i)
    if (SameLook(r.captionLooks[i], look)) return static_cast<int>(i);
  return -1;
}

// Keeps the look just composed in the back buffer at area.
void KeepCaptionLook(SkinRecord& r, const CaptionLook& look, const RECT& area) {
  if (!r.captionLooksDc) {
    int w = 0, h = 0;
    for (const CaptionButton& b : r.captionButtons) {
      const RECT a = CaptionLookArea(b);
      w = std::max(w, static_cast<int>(a.right));
      h = std::max(h, static_cast<int>(a.bottom));
    }
    if (!AdoptNewDibDc(w * MaxCaptionLooks, h, r.captionLooksDc, r.captionLooksBitmap, r.captionLooksPrevious)) return;
    r.captionLooksWidth = w;
    r.captionLooksHeight = h;
  }
  if (area.right > r.captionLooksWidth || area.bottom > r.captionLooksHeight) return;
  if (r.captionLooks.size() == MaxCaptionLooks) r.captionLooks.clear();
  const int cell = static_cast<int>(r.captionLooks.size());
  BitBlt(r.captionLooksDc, cell * r.captionLooksWidth, 0, area.right, area.bottom, r.backBufferDc, area.left, area.top,
         SRCCOPY);
  r.captionLooks.push_back(look);
}

void CopyCaptionLookToWindow(const SkinRecord& r, const RECT& area) {
  WindowDc dc(r.hwnd);
  BitBlt(dc.get(), area.left, area.top, area.right, area.bottom, r.backBufferDc, area.left, area.top, SRCCOPY);
}

// Composes the plain or hover look of button index into the back buffer over
// the title snapshot of its area (which holds the button rectangle).
void PaintPlainOrHover(int skinId, SkinRecord& r, int index, int alpha) {
  const CaptionButton& b = r.captionButtons[static_cast<size_t>(index - 1)];
  const int x = static_cast<int>(b.rect.x - 1), y = r.captionRowY + 1;
  graphics::Graphics g;
  g.FromHDC(r.backBufferDc);
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  RestoreFromTitleSnapshot(skinId, CaptionLookArea(b));
  if (alpha > 0) PaintHoverLayers(g, r, b, alpha);
  graphics::GraphicsPath gloss;
  gloss.Create();
  gloss.AddRectangle(static_cast<REAL>(x - 1), static_cast<REAL>(y), static_cast<REAL>(b.width + 1),
                     static_cast<REAL>(b.height - 1));
  FillVertical(g, gloss, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(y + b.height), Argb(50, White),
               Argb(0, Black));
  DrawGlyph(g, GlyphOf(r, b), static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(b.width),
            static_cast<REAL>(b.height));
  DrawSeparator(g, r, static_cast<int>(b.rect.x - 2), index == 1 ? 100 : 60);
  if (index < static_cast<int>(r.captionButtons.size()))
    DrawSeparator(g, r, static_cast<int>(r.captionButtons[static_cast<size_t>(index)].rect.x - 2), 60);
}

void DrawTitleText(graphics::Graphics& g, const SkinRecord& r, const std::string& text, const RECT& area) {
  graphics::Font font;
  font.Create(r.titleFontFace.c_str(), static_cast<REAL>(r.titleFontSize), r.titleFontBold ? 1 : 0,
              Gdiplus::UnitWorld);
  graphics::StringFormat format;
  format.Create(Gdiplus::StringFormatFlagsLineLimit | Gdiplus::StringFormatFlagsNoWrap);
  format.SetAlign(Gdiplus::StringAlignmentNear);
  format.SetLineAlign(Gdiplus::StringAlignmentNear);
  format.SetTrimming(Gdiplus::StringTrimmingNone);
  const REAL x = static_cast<REAL>(area.left), y = static_cast<REAL>(area.top);
  const REAL w = static_cast<REAL>(area.right), h = static_cast<REAL>(area.bottom);
  graphics::SolidBrush halo;
  halo.Create(Argb(150, r.titleHaloColour));
  const REAL offsets[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  for (const auto& o : offsets)
    g.DrawString(text.c_str(), font, graphics::RectF(x + o[0], y + o[1], w, h), &format, halo);
  graphics::SolidBrush ink;
  ink.Create(Argb(255, r.titleTextColour));
  g.DrawString(text.c_str(), font, graphics::RectF(x, y, w, h), &format, ink);
}

std::string WindowTextOf(HWND window) {
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(window, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

void PaintTitleInto(graphics::Graphics& g, const SkinRecord& r, const std::string& text, int clientWidth) {
  DrawIconEx(r.backBufferDc, 9, 4, FrameIcon, 17, 17, 0, nullptr, DI_NORMAL);
  const RECT area = TitleTextRect(FindSkinId(r.hwnd), clientWidth);
  if (area.right > 0) DrawTitleText(g, r, text, area);
}

}  // namespace

RECT TitleTextRect(int skinId, int clientWidth) {
  const SkinRecord* r = SkinRecordById(skinId);
  const int rowWidth = r ? r->captionRowWidth : 0;
  return RECT{29, 6, clientWidth - rowWidth - 10 - 2 * FrameInset, 42};
}

void SetFrameRegion(HWND window) {
  SetWindowRgn(window, nullptr, TRUE);
  SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const SIZE s = ClientSize(window);
  HRGN region = CreateRoundRectRgn(0, 0, s.cx + 1, s.cy + 1, 5, 5);
  // The window owns the region once SetWindowRgn succeeds.
  if (!SetWindowRgn(window, region, TRUE)) DeleteObject(region);
}

// While the border is dragged every step is a new size, and GDI+'s filtered
// stretch of a large window takes tens of milliseconds under Wine. A drag step
// stretches the picture with GDI instead; the end of the drag paints the frame
// at full quality (the layer key tells the two apart).
bool StretchDraftPicture(graphics::Graphics& g, SkinRecord& r, const graphics::Bitmap& picture, SIZE s) {
  const int iw = static_cast<int>(picture.GetWidth()), ih = static_cast<int>(picture.GetHeight());
  if (r.pictureDibSource != &picture || !r.pictureDib) {
    r.pictureDib = DibSurface(iw, ih);
    r.pictureDibSource = nullptr;
    if (!r.pictureDib) return false;
    graphics::Graphics copy;
    if (!copy.FromHDC(r.pictureDib.dc()) || !copy.DrawImageRect(picture, 0, 0, static_cast<REAL>(iw),
                                                                static_cast<REAL>(ih)))
      return false;
    r.pictureDibSource = &picture;
  }
  HDC target = g.GetDC();
  if (!target) return false;
  SetStretchBltMode(target, COLORONCOLOR);
  const bool drawn = StretchBlt(target, 0, 0, s.cx, s.cy, r.pictureDib.dc(), 0, 0, iw, ih, SRCCOPY) != FALSE;
  g.ReleaseDC(target);
  return drawn;
}

void PaintBackground(graphics::Graphics& g, int skinId) {
  SkinRecord* r = SkinRecordById(skinId);
  if (!r) return;
  const SIZE s = ClientSize(r->hwnd);
  const REAL w = static_cast<REAL>(s.cx), h = static_cast<REAL>(s.cy);
  if (r->backgroundPicture.empty()) {
    g.Clear(Argb(255, Black));
  } else if (const graphics::Bitmap* kept = KeptDecodedPicture(*r, r->backgroundPicture);
             kept && r->sizing && r->backgroundMode == 3 && StretchDraftPicture(g, *r, *kept, s)) {
    // A drag step: the stretched picture covers the whole client area.
  } else {
    g.Clear(Argb(255, r->backgroundColour & 0xFFFFFF));
    if (kept) {
      const graphics::Bitmap& picture = *kept;
      const REAL iw = static_cast<REAL>(picture.GetWidth()), ih = static_cast<REAL>(picture.GetHeight());
      switch (r->backgroundMode) {
        case 3:
          g.DrawImageRect(picture, 0, 0, w, h);
          break;
        case 1:
          g.DrawImageRect(picture, w - iw, 0, iw, ih);
          break;
        case 2:
          g.DrawImageRect(picture, static_cast<REAL>(static_cast<int>((w - iw) / 2)),
                          static_cast<REAL>(static_cast<int>((h - ih) / 2)), iw, ih);
          break;
        case 4: {
          graphics::Bitmap strip;
          strip.CreateBlank(s.cx, static_cast<INT>(ih), PixelFormat32bppARGB);
          {
            graphics::Graphics gs;
            gs.FromImage(strip);
            graphics::TextureBrush tiles;
            tiles.Create(picture, Gdiplus::WrapModeTileFlipX);
            gs.FillRectangle(tiles, 0, 0, w, ih);
          }
          g.DrawImage(strip, 0, 0);
          break;
        }
        default:
          g.DrawImageRect(picture, 0, 0, iw, ih);
          break;
      }
    }
  }
  if (r->tintColour >= 0) {
    graphics::SolidBrush tint;
    tint.Create(Argb(r->tintAlpha, static_cast<COLORREF>(r->tintColour)));
    if (r->titleBand)
      g.FillRectangle(tint, 0, static_cast<REAL>(r->captionHeight), w, h - r->captionHeight);
    else
      g.FillRectangle(tint, 0, 0, w, h);
  }
  if (r->titleBand) {
    graphics::LinearGradientBrush band;
    const REAL ch = static_cast<REAL>(r->captionHeight);
    if (r->tintColour < 1)
      band.Create(graphics::PointF(0, 0), graphics::PointF(0, ch), Argb(150, White), Argb(0, White));
    else
      band.Create(graphics::PointF(0, 0), graphics::PointF(0, ch),
                  Argb(static_cast<int>(r->tintAlpha * 0.2), static_cast<COLORREF>(r->tintColour)),
                  Argb(r->tintAlpha, static_cast<COLORREF>(r->tintColour)));
    g.FillRectangle(band, 0, 0, w, ch);
  }
}

namespace {

constexpr int OutlinePiece = 12;  // corner size of the kept outline pieces

void StrokeOutline(graphics::Graphics& g, int width, int height) {
  graphics::GraphicsPath outer, inner;
  outer.Create();
  inner.Create();
  AddRoundRectPath(outer, 0, 0, static_cast<float>(width - 1), static_cast<float>(height - 1), 7);
  AddRoundRectPath(inner, 1, 1, static_cast<float>(width - 3), static_cast<float>(height - 3), 6);
  graphics::Pen dark, light;
  dark.Create(Argb(180, Black), 2.0f);
  light.Create(Argb(180, White), 1.0f);
  g.DrawPath(dark, outer);
  g.DrawPath(light, inner);
}

// A drag step places the outline from pieces: the corners of an outline
// stroked once at twice the corner size, and one-pixel slices of its edges
// stretched along the new edges.
bool PlaceDraftOutline(graphics::Graphics& g, SkinRecord& r, SIZE s) {
  constexpr int P = OutlinePiece, T = 2 * P + 1;
  if (s.cx < T || s.cy < T) return false;
  if (!r.outlinePieces) {
    auto pieces = std::make_shared<graphics::Bitmap>();
    if (!pieces->CreateBlank(T, T, PixelFormat32bppPARGB)) return false;
    graphics::Graphics pg;
    if (!pg.FromImage(*pieces)) return false;
    StrokeOutline(pg, T, T);
    r.outlinePieces = std::move(pieces);
  }
  const graphics::Bitmap& p = *r.outlinePieces;
  const Gdiplus::InterpolationMode interpolation = g.GetInterpolationMode();
  const Gdiplus::PixelOffsetMode offset = g.GetPixelOffsetMode();
  g.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
  g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  const REAL w = static_cast<REAL>(s.cx), h = static_cast<REAL>(s.cy), fp = static_cast<REAL>(P);
  const REAL midW = w - 2 * fp, midH = h - 2 * fp;
  auto piece = [&](REAL x, REAL y, REAL cw, REAL ch, REAL sx, REAL sy, REAL sw, REAL sh) {
    g.DrawImageRectRect(p, x, y, cw, ch, sx, sy, sw, sh);
  };
  piece(0, 0, fp, fp, 0, 0, fp, fp);                              // corners
  piece(w - fp, 0, fp, fp, fp + 1, 0, fp, fp);
  piece(0, h - fp, fp, fp, 0, fp + 1, fp, fp);
  piece(w - fp, h - fp, fp, fp, fp + 1, fp + 1, fp, fp);
  piece(fp, 0, midW, fp, fp, 0, 1, fp);                           // edges
  piece(fp, h - fp, midW, fp, fp, fp + 1, 1, fp);
  piece(0, fp, fp, midH, 0, fp, fp, 1);
  piece(w - fp, fp, fp, midH, fp + 1, fp, fp, 1);
  g.SetInterpolationMode(interpolation);
  g.SetPixelOffsetMode(offset);
  return true;
}

}  // namespace

void PaintOutline(int skinId, graphics::Graphics& g) {
  SkinRecord* r = SkinRecordById(skinId);
  if (!r) return;
  const SIZE s = ClientSize(r->hwnd);
  if (r->sizing && PlaceDraftOutline(g, *r, s)) return;
  StrokeOutline(g, s.cx, s.cy);
}

void RestoreFromTitleSnapshot(int skinId, const RECT& r) {
  const SkinRecord* record = SkinRecordById(skinId);
  if (!record || !record->captionSnapshotDc || !record->backBufferDc) return;
  BitBlt(record->backBufferDc, r.left, r.top, r.right, r.bottom, record->captionSnapshotDc, r.left, r.top, SRCCOPY);
}

void PaintTitle(int skinId, bool backBufferOnly, std::optional<std::string_view> text) {
  SkinRecord* r = SkinRecordById(skinId);
  if (!r || !r->backBufferDc) return;
  const SIZE s = ClientSize(r->hwnd);
  const RECT area = TitleTextRect(skinId, s.cx);
  if (!backBufferOnly) RestoreFromTitleSnapshot(skinId, RECT{9, 4, area.right, 42});
  {
    graphics::Graphics g;
    g.FromHDC(r->backBufferDc);
    PaintTitleInto(g, *r, text ? std::string(*text) : WindowTextOf(r->hwnd), s.cx);
  }
  if (!backBufferOnly && area.right > 0) CopyToWindow(r->hwnd, 9, 3, area.right, 42, r->backBufferDc);
}

void PaintCaptionButton(int skinId, int index, bool backBufferOnly, bool pressed, int alpha) {
  SkinRecord* r = SkinRecordById(skinId);
  if (!r || !r->backBufferDc || index < 1 || index > static_cast<int>(r->captionButtons.size())) return;
  const CaptionButton& b = r->captionButtons[static_cast<size_t>(index - 1)];
  const int x = static_cast<int>(b.rect.x - 1), y = r->captionRowY + 1;
  if (pressed) {
    PaintPressed(*r, b, x, y);
    return;
  }
  if (backBufferOnly) {
    PaintPlainOrHover(skinId, *r, index, alpha);
    return;
  }
  // Hover and fade paints: a look composed before over the same snapshot is
  // copied back instead of being drawn again.
  const RECT area = CaptionLookArea(b);
  const CaptionLook look{index, alpha, static_cast<int>(area.left), static_cast<int>(area.top),
                         b.kind == CaptionMaximize && r->maximized, AccentColour};
  const int cell = FindCaptionLook(*r, look);
  if (cell >= 0 && r->captionSnapshotDc) {
    BitBlt(r->backBufferDc, area.left, area.top, area.right, area.bottom, r->captionLooksDc,
           cell * r->captionLooksWidth, 0, SRCCOPY);
  } else {
    PaintPlainOrHover(skinId, *r, index, alpha);
    if (r->captionSnapshotDc) KeepCaptionLook(*r, look, area);
  }
  CopyCaptionLookToWindow(*r, area);
}

void PaintFrame(int skinId, bool toWindow) {
  SkinRecord* r = SkinRecordById(skinId);
  if (!r) return;
  HWND window = r->hwnd;
  const SIZE s = ClientSize(window);
  if (r->frameEnabled && toWindow) SetFrameRegion(window);
  RenewBackBuffer(*r, s.cx, s.cy);
  {
    graphics::Graphics g;
    g.FromHDC(r->backBufferDc);
    PaintBackgroundLayer(g, *r, skinId, s);
    if (r->frameEnabled) {
      RenewCaptionSnapshot(*r, s.cx);
      if (r->showTitle) PaintTitleInto(g, *r, WindowTextOf(window), s.cx);
    }
  }
  if (r->frameEnabled)
    for (int i = 1; i <= static_cast<int>(r->captionButtons.size()); ++i) PaintCaptionButton(skinId, i, true, false, 0);
  RenewFrameSnapshot(*r, s.cx, s.cy);
  r->fullRepaintNeeded = false;
  r->lastClientWidth = s.cx;
  r->lastClientHeight = s.cy;
  if (toWindow) {
    CopyToWindow(window, 0, 0, s.cx, s.cy, r->backBufferDc);
    InvalidateSkinnedChildren(skinId);
  }
}

void BlitBackBuffer(int skinId, HDC paintDc) {
  const SkinRecord* r = SkinRecordById(skinId);
  if (!r || !r->backBufferDc) return;
  RECT w = {};
  GetWindowRect(r->hwnd, &w);
  const int width = w.right - w.left, height = w.bottom - w.top;
  if (r->framePainted || !paintDc) {
    HDC dc = ChildClippedDc(r->hwnd);
    BitBlt(dc, 0, 0, width, height, r->backBufferDc, 0, 0, SRCCOPY);
    ReleaseDC(r->hwnd, dc);
  } else {
    HDC dc = ChildClippedDc(r->hwnd, paintDc);
    BitBlt(dc, 0, 0, width, height, r->backBufferDc, 0, 0, SRCCOPY);
    SelectClipRgn(dc, nullptr);
  }
}

void InvalidateSkinnedChildren(int skinId) {
  SkinRecord* r = SkinRecordById(skinId);
  if (!r) return;
  auto invalidate = [&](const auto& table) {
    for (const auto& s : table)
      if (s.hwnd && GetParent(s.hwnd) == r->hwnd) InvalidateRect(s.hwnd, nullptr, TRUE);
  };
  invalidate(r->buttons);
  invalidate(r->edits);
  invalidate(r->trackbars);
  invalidate(r->progressBars);
  invalidate(r->combos);
  invalidate(r->upDowns);
  invalidate(r->headers);
  // Transparent children were painted over with the frame: they draw again.
  for (HWND c = FindWindowExA(r->hwnd, nullptr, nullptr, nullptr); c; c = FindWindowExA(r->hwnd, c, nullptr, nullptr))
    if (IsWindowVisible(c) && PaintsOverParent(c)) InvalidateRect(c, nullptr, FALSE);
  // The new composite holds no toolbar button: toolbars paint anew, and so
  // do the controls a toolbar holds.
  for (ToolbarState& t : r->toolbars) {
    if (!t.hwnd || GetParent(t.hwnd) != r->hwnd) continue;
    t.stale = true;
    RedrawWindow(t.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
  for (const ListState& l : r->lists) {
    if (!l.hwnd || GetParent(l.hwnd) != r->hwnd) continue;
    InvalidateRect(l.hwnd, nullptr, TRUE);
    for (HWND c = FindWindowExA(l.hwnd, nullptr, nullptr, nullptr); c; c = FindWindowExA(l.hwnd, c, nullptr, nullptr))
      if (IsWindowVisible(c)) InvalidateRect(c, nullptr, TRUE);
  }
}

void ReleaseFrameImages(HWND window) {
  SkinRecord* r = SkinRecordById(FindSkinId(window));
  if (!r) return;
  if (r->backBufferDc) {
    HGDIOBJ first = GetPropA(window, PropBackBufferFirstBitmap);
    if (first) SelectObject(r->backBufferDc, first);
    DeleteObject(GetPropA(window, PropBackBufferBitmap));
    DeleteDC(r->backBufferDc);
    r->backBufferDc = nullptr;
  }
  RemovePropA(window, PropBackBufferFirstBitmap);
  RemovePropA(window, PropBackBufferBitmap);
  ReleaseCaptionSnapshot(*r);
  ReleaseCaptionLooks(*r);
  ReleaseBackgroundLayer(*r);
  ReleaseDcBitmap(r->frameSnapshotDc);
  r->frameSnapshotDc = nullptr;
}

}  // namespace quorlin::skin
