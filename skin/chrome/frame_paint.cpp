// Frame painting: back buffer, title strip snapshot and frame snapshot.
#include "skin/chrome/frame_paint.h"

#include "skin/chrome/picture_stretch.h"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "graphics/drawing.h"
#include "skin/core/control_painting.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_images.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {

HICON FrameIcon = nullptr;
bool PlatformPictureStretch = false;

namespace {

using graphics::ARGB;
using graphics::REAL;

constexpr COLORREF Red = 0x0000FF;

SIZE ClientSize(HWND window) {
  RECT r = {};
  GetClientRect(window, &r);
  return SIZE{r.right, r.bottom};
}

// The pixels of the 32-bit DIB section selected into a DC as GDI+ takes a
// bitmap's pixels: the top row's address and the step from a row to the next.
struct DibRows {
  BYTE* top = nullptr;
  int stride = 0, width = 0, height = 0;
};

bool DibRowsOf(HDC dc, DibRows& rows) {
  DIBSECTION section = {};
  if (!dc || GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof section, &section) != sizeof section ||
      !section.dsBm.bmBits || section.dsBm.bmBitsPixel != 32)
    return false;
  const int bytes = section.dsBm.bmWidthBytes;
  rows.width = section.dsBm.bmWidth;
  rows.height = section.dsBm.bmHeight;
  BYTE* bits = static_cast<BYTE*>(section.dsBm.bmBits);
  BYTE* lastRow = bits + static_cast<ptrdiff_t>(rows.height - 1) * bytes;
  // GetObject reports a top-down DIB with a positive height too: a pixel set
  // at (0, 0) through the DC shows which end of the memory holds the top row.
  // That needs the DC to draw there unclipped and unmoved.
  POINT origin = {};
  RECT clip = {};
  if (!GetViewportOrgEx(dc, &origin) || origin.x || origin.y || !GetWindowOrgEx(dc, &origin) || origin.x ||
      origin.y || GetClipBox(dc, &clip) == ERROR || clip.left > 0 || clip.top > 0 || clip.right < 1 || clip.bottom < 1)
    return false;
  DWORD* first = reinterpret_cast<DWORD*>(bits);
  DWORD* last = reinterpret_cast<DWORD*>(lastRow);
  const DWORD keepFirst = *first, keepLast = *last;
  const COLORREF mark = ~keepFirst & 0xFFFFFF;  // another colour than the first word's
  GdiFlush();
  SetPixelV(dc, 0, 0, RGB(GetBValue(mark), GetGValue(mark), GetRValue(mark)));
  GdiFlush();
  const bool topDown = (*first & 0xFFFFFF) == mark;
  *first = keepFirst;
  *last = keepLast;
  rows.top = topDown ? bits : lastRow;
  rows.stride = topDown ? bytes : -bytes;
  return true;
}

// ---- kept surfaces ----------------------------------------------------

// The size of the 32-bit bitmap selected into a memory DC; 0 x 0 when it
// holds another one (a new DC holds a 1 x 1 monochrome bitmap).
SIZE SelectedBitmapSize(HDC dc) {
  BITMAP b = {};
  if (!dc || !GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof b, &b) || b.bmBitsPixel != 32) return SIZE{0, 0};
  return SIZE{b.bmWidth, b.bmHeight};
}

// Fresh memory is dear: every page of a new DIB is faulted in anew, and a new
// 4 MB surface costs about a hundred copies of one. So a full repaint draws
// into the surfaces it already has whenever they serve. At rest a surface
// serves at the client size only, so nothing beyond the client area is kept;
// during a border drag any surface large enough serves, and a new one is made
// with room for the drag to go on growing.
bool Serves(SIZE have, SIZE need, bool dragging) {
  if (dragging) return have.cx >= need.cx && have.cy >= need.cy;
  return have.cx == need.cx && have.cy == need.cy;
}

SIZE SizeToMake(SIZE need, bool dragging) {
  if (!dragging) return need;
  auto grown = [](LONG n, int screen) { return std::max<LONG>(n, std::min<LONG>(n + n / 4 + 32, screen)); };
  return SIZE{grown(need.cx, GetSystemMetrics(SM_CXVIRTUALSCREEN)),
              grown(need.cy, GetSystemMetrics(SM_CYVIRTUALSCREEN))};
}

// Makes surface serve need; false when no surface could be made.
bool FitSurface(DibSurface& surface, SIZE need, bool dragging) {
  if (surface && Serves(SIZE{surface.width(), surface.height()}, need, dragging)) return true;
  surface.reset();
  const SIZE make = SizeToMake(need, dragging);
  surface = DibSurface(make.cx, make.cy);
  return static_cast<bool>(surface);
}

void ReleaseCaptionLooks(SkinRecord& r) {
  r.captionLooks.clear();
  r.captionLookCells.reset();
}

void ReleaseBackgroundLayer(SkinRecord& r) {
  r.backgroundLayerKey = BackgroundLayerKey{};
  r.backgroundLayer.reset();
  r.otherBackgroundLayers.clear();
}

BackgroundLayerKey BackgroundLayerKeyOf(const SkinRecord& r, SIZE s) {
  return BackgroundLayerKey{s.cx,          s.cy,         r.backgroundMode, r.backgroundColour,
                            r.tintColour,  r.tintAlpha,  r.titleBand,      r.captionHeight,
                            r.frameEnabled, r.sizing != 0, r.backgroundPicture};
}

// How many full-quality layers of other sizes a window keeps: its two sizes
// and the size a drag last ended at.
constexpr size_t MaxOtherBackgroundLayers = 2;

// Keeps the present layer among the other sizes when it is a full-quality
// one of exactly its size; a draft's or an oversized surface is not kept.
void SetPresentLayerAside(SkinRecord& r) {
  const BackgroundLayerKey& k = r.backgroundLayerKey;
  if (!r.backgroundLayer || k.draft || k.width <= 0 || r.backgroundLayer.width() != k.width ||
      r.backgroundLayer.height() != k.height)
    return;
  std::erase_if(r.otherBackgroundLayers, [&](const KeptBackgroundLayer& o) { return o.key == k; });
  if (r.otherBackgroundLayers.size() == MaxOtherBackgroundLayers)
    r.otherBackgroundLayers.erase(r.otherBackgroundLayers.begin());
  r.otherBackgroundLayers.push_back(KeptBackgroundLayer{std::move(r.backgroundLayerKey), std::move(r.backgroundLayer)});
  r.backgroundLayerKey = BackgroundLayerKey{};
}

// Makes the kept layer painted from key the present one; false when none is.
bool TakeKeptLayer(SkinRecord& r, const BackgroundLayerKey& key) {
  auto kept = std::find_if(r.otherBackgroundLayers.begin(), r.otherBackgroundLayers.end(),
                           [&](const KeptBackgroundLayer& o) { return o.key == key; });
  if (kept == r.otherBackgroundLayers.end()) return false;
  KeptBackgroundLayer taken = std::move(*kept);
  r.otherBackgroundLayers.erase(kept);
  SetPresentLayerAside(r);
  r.backgroundLayer = std::move(taken.layer);
  r.backgroundLayerKey = std::move(taken.key);
  return true;
}

// Draws the background and the outline into the back buffer g paints on.
// Decoding and stretching the picture and stroking the outline are most of
// a full repaint, so the finished layer is kept, per size, and copied again
// while nothing it depends on has changed.
void PaintBackgroundLayer(graphics::Graphics& g, SkinRecord& r, int skinId, SIZE s) {
  BackgroundLayerKey key = BackgroundLayerKeyOf(r, s);
  if ((r.backgroundLayer && key == r.backgroundLayerKey) || (!key.draft && TakeKeptLayer(r, key))) {
    BitBlt(r.backBufferDc, 0, 0, s.cx, s.cy, r.backgroundLayer.dc(), 0, 0, SRCCOPY);
    return;
  }
  PaintBackground(g, skinId);
  if (r.frameEnabled) PaintOutline(skinId, g);
  g.Flush(Gdiplus::FlushIntentionSync);
  // A drag's first step sets the frame it started from aside too: drags
  // often end where they began.
  SetPresentLayerAside(r);
  r.backgroundLayerKey = BackgroundLayerKey{};
  if (!FitSurface(r.backgroundLayer, s, r.sizing != 0)) return;
  BitBlt(r.backgroundLayer.dc(), 0, 0, s.cx, s.cy, r.backBufferDc, 0, 0, SRCCOPY);
  r.backgroundLayerKey = std::move(key);
}

void RenewCaptionSnapshot(SkinRecord& r, int w) {
  // Every look was composed over the old snapshot.
  r.captionLooks.clear();
  if (FitSurface(r.captionSnapshot, SIZE{w, r.captionHeight}, r.sizing != 0))
    BitBlt(r.captionSnapshot.dc(), 0, 0, w, r.captionHeight, r.backBufferDc, 0, 0, SRCCOPY);
}

void RenewFrameSnapshot(SkinRecord& r, SIZE s) {
  if (!r.frameSnapshotDc || !Serves(SelectedBitmapSize(r.frameSnapshotDc), s, r.sizing != 0)) {
    ReleaseDcBitmap(r.frameSnapshotDc);
    r.frameSnapshotDc = nullptr;
    const SIZE make = SizeToMake(s, r.sizing != 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDib32(make.cx, make.cy);
    RegisterDcBitmap(dc, bitmap, SelectObject(dc, bitmap));
    r.frameSnapshotDc = dc;
  }
  BitBlt(r.frameSnapshotDc, 0, 0, s.cx, s.cy, r.backBufferDc, 0, 0, SRCCOPY);
}

// The back buffer's DC keeps its very first bitmap in Ck_Ycjdx so teardown
// can put it back; the bitmap it draws into is in Ck_wtjbdx.
void RenewBackBuffer(SkinRecord& r, SIZE s) {
  const bool dragging = r.sizing != 0;
  if (!r.backBufferDc) r.backBufferDc = CreateCompatibleDC(nullptr);
  if (Serves(SelectedBitmapSize(r.backBufferDc), s, dragging)) return;
  const SIZE make = SizeToMake(s, dragging);
  HBITMAP fresh = CreateDib32(make.cx, make.cy);
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

// Room for the glyph and the alternate glyph of every caption button.
constexpr size_t MaxKeptGlyphs = 12;

// The glyphs decoded in this program, by their bytes: a PNG decode costs
// about a millisecond here (three times that in the 32-bit build), several
// times the drawing of the glyph, and every window shows the same few. Kept,
// like the embedded glyphs, until the program ends; never released, so no
// picture is disposed of after GDI+ has shut down.
std::vector<DecodedCaptionGlyph>& ProgramGlyphs() {
  static auto* decoded = new std::vector<DecodedCaptionGlyph>;
  return *decoded;
}

// The glyph as the window keeps it, decoded once per program.
const graphics::Bitmap* KeptGlyphOf(SkinRecord& r, const std::string& png) {
  for (const DecodedCaptionGlyph& k : r.captionGlyphs)
    if (k.png == png) return k.image.get();
  std::shared_ptr<graphics::Bitmap> image;
  for (const DecodedCaptionGlyph& k : ProgramGlyphs())
    if (k.png == png) image = k.image;
  if (!image) {
    image = std::make_shared<graphics::Bitmap>();
    if (png.empty() || !image->FromBytes(png.data(), png.size())) return nullptr;
    // A program that shows ever other glyphs keeps only the latest.
    if (ProgramGlyphs().size() == MaxKeptGlyphs) ProgramGlyphs().erase(ProgramGlyphs().begin());
    ProgramGlyphs().push_back(DecodedCaptionGlyph{png, image});
  }
  if (r.captionGlyphs.size() == MaxKeptGlyphs) r.captionGlyphs.clear();
  r.captionGlyphs.push_back(DecodedCaptionGlyph{png, image});
  return image.get();
}

void DrawGlyph(graphics::Graphics& g, SkinRecord& r, const std::string& png, REAL x, REAL y, REAL w, REAL h) {
  if (const graphics::Bitmap* glyph = KeptGlyphOf(r, png)) g.DrawImageRect(*glyph, x, y, w, h);
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

// Copies area from the back buffer to the window.
void CopyAreaToWindow(const SkinRecord& r, const PixelArea& area) {
  WindowDc dc(r.hwnd);
  BitBlt(dc.get(), area.x, area.y, area.width, area.height, r.backBufferDc, area.x, area.y, SRCCOPY);
}

void PaintPressed(SkinRecord& r, const CaptionButton& b, int x, int y) {
  graphics::Graphics g;
  g.FromHDC(r.backBufferDc);
  RestoreFromTitleSnapshot(FindSkinId(r.hwnd), PixelArea{x, y, b.width, b.height});
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
  DrawGlyph(g, r, GlyphOf(r, b), static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(b.width - 1),
            static_cast<REAL>(b.height));
  g.Flush(Gdiplus::FlushIntentionSync);
  CopyAreaToWindow(r, PixelArea{x, y, b.width, b.height});
}

void PaintHoverLayers(graphics::Graphics& g, const CaptionButton& b, int alpha) {
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
PixelArea CaptionLookArea(const CaptionButton& b) {
  return PixelArea{static_cast<int>(b.rect.x - 1) - 1, static_cast<int>(b.rect.y), b.width + 2, b.height + 1};
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
void KeepCaptionLook(SkinRecord& r, const CaptionLook& look, const PixelArea& area) {
  if (!r.captionLookCells) {
    int w = 0, h = 0;
    for (const CaptionButton& b : r.captionButtons) {
      const PixelArea a = CaptionLookArea(b);
      w = std::max(w, a.width);
      h = std::max(h, a.height);
    }
    r.captionLookCells = DibSurface(w * MaxCaptionLooks, h);
    if (!r.captionLookCells) return;
    r.captionLooksWidth = w;
    r.captionLooksHeight = h;
  }
  if (area.width > r.captionLooksWidth || area.height > r.captionLooksHeight) return;
  if (r.captionLooks.size() == MaxCaptionLooks) r.captionLooks.clear();
  const int cell = static_cast<int>(r.captionLooks.size());
  BitBlt(r.captionLookCells.dc(), cell * r.captionLooksWidth, 0, area.width, area.height, r.backBufferDc, area.x,
         area.y, SRCCOPY);
  r.captionLooks.push_back(look);
}

// Draws the plain (alpha 0) or hover look of button index over whatever g
// holds at its place: the hover layers, the gloss, the glyph and the
// separators.
void DrawCaptionLook(graphics::Graphics& g, SkinRecord& r, int index, int alpha) {
  const CaptionButton& b = r.captionButtons[static_cast<size_t>(index - 1)];
  const int x = static_cast<int>(b.rect.x - 1), y = r.captionRowY + 1;
  if (alpha > 0) PaintHoverLayers(g, b, alpha);
  graphics::GraphicsPath gloss;
  gloss.Create();
  gloss.AddRectangle(static_cast<REAL>(x - 1), static_cast<REAL>(y), static_cast<REAL>(b.width + 1),
                     static_cast<REAL>(b.height - 1));
  FillVertical(g, gloss, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(y + b.height), Argb(50, White),
               Argb(0, Black));
  DrawGlyph(g, r, GlyphOf(r, b), static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(b.width),
            static_cast<REAL>(b.height));
  DrawSeparator(g, r, static_cast<int>(b.rect.x - 2), index == 1 ? 100 : 60);
  if (index < static_cast<int>(r.captionButtons.size()))
    DrawSeparator(g, r, static_cast<int>(r.captionButtons[static_cast<size_t>(index)].rect.x - 2), 60);
}

// Composes the plain or hover look of button index into the back buffer over
// the title snapshot of its area (which holds the button rectangle).
void PaintPlainOrHover(int skinId, SkinRecord& r, int index, int alpha) {
  graphics::Graphics g;
  g.FromHDC(r.backBufferDc);
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  RestoreFromTitleSnapshot(skinId, CaptionLookArea(r.captionButtons[static_cast<size_t>(index - 1)]));
  DrawCaptionLook(g, r, index, alpha);
}

// Makes surface a new, empty w x h DIB and opens a GDI+ bitmap and graphics
// over its pixels (premultiplied), to compose a piece over nothing; false,
// with the surface empty, when any of them cannot be made.
bool OpenPremultipliedCanvas(DibSurface& surface, int w, int h, graphics::Bitmap& canvas, graphics::Graphics& g) {
  surface = DibSurface(w, h);
  if (surface && canvas.FromScan0(w, h, w * 4, PixelFormat32bppPARGB, reinterpret_cast<BYTE*>(surface.bits())) &&
      g.FromImage(canvas))
    return true;
  surface.reset();
  return false;
}

// ---- the caption row of a draft frame -------------------------------------

// The area the caption row's looks cover at its present place.
PixelArea CaptionRowArea(const SkinRecord& r) {
  if (r.captionButtons.empty()) return PixelArea{};
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
  for (const CaptionButton& b : r.captionButtons) {
    const PixelArea a = CaptionLookArea(b);
    left = std::min(left, a.x);
    top = std::min(top, a.y);
    right = std::max(right, a.x + a.width);
    bottom = std::max(bottom, a.y + a.height);
  }
  return PixelArea{left, top, right - left, bottom - top};
}

DraftCaptionRowKey DraftCaptionRowKeyOf(const SkinRecord& r, const PixelArea& row) {
  DraftCaptionRowKey key{r.captionRowY, r.captionRowHeight, {}};
  for (const CaptionButton& b : r.captionButtons)
    key.buttons.push_back(DraftCaptionButton{GlyphOf(r, b), static_cast<int>(b.rect.x) - row.x,
                                             static_cast<int>(b.rect.y), b.width, b.height});
  return key;
}

// The plain looks of the whole row composed over nothing (premultiplied), in
// the order and with the erasing a full repaint composes them in.
bool MakeDraftCaptionRow(SkinRecord& r, const PixelArea& row) {
  graphics::Bitmap canvas;
  graphics::Graphics g;
  if (!OpenPremultipliedCanvas(r.draftCaptionRow, row.width, row.height, canvas, g)) return false;
  g.TranslateWorldTransform(static_cast<REAL>(-row.x), static_cast<REAL>(-row.y));
  graphics::SolidBrush nothing;
  nothing.Create(0);
  for (int i = 1; i <= static_cast<int>(r.captionButtons.size()); ++i) {
    const PixelArea a = CaptionLookArea(r.captionButtons[static_cast<size_t>(i - 1)]);
    g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    g.SetSmoothingMode(Gdiplus::SmoothingModeNone);
    g.FillRectangle(nothing, static_cast<REAL>(a.x), static_cast<REAL>(a.y), static_cast<REAL>(a.width),
                    static_cast<REAL>(a.height));
    g.SetCompositingMode(Gdiplus::CompositingModeSourceOver);
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    DrawCaptionLook(g, r, i, 0);
  }
  g.Flush(Gdiplus::FlushIntentionSync);
  return true;
}

// A draft frame places the row's looks, kept from the first drag step,
// instead of composing each button: the row only moves with the right edge.
void PlaceDraftCaptionRow(int skinId, SkinRecord& r) {
  const PixelArea row = CaptionRowArea(r);
  if (row.width <= 0 || row.height <= 0) return;
  DraftCaptionRowKey key = DraftCaptionRowKeyOf(r, row);
  if (!r.draftCaptionRow || key != r.draftCaptionRowKey || r.draftCaptionRow.width() != row.width ||
      r.draftCaptionRow.height() != row.height) {
    r.draftCaptionRowKey = DraftCaptionRowKey{};
    if (!MakeDraftCaptionRow(r, row)) return;
    r.draftCaptionRowKey = std::move(key);
  }
  RestoreFromTitleSnapshot(skinId, row);
  const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(r.backBufferDc, row.x, row.y, row.width, row.height, r.draftCaptionRow.dc(), 0, 0, row.width, row.height,
             blend);
}

// ---- title ------------------------------------------------------------------

// The title's font and layout: no wrapping, no trimming, near alignment.
struct TitleType {
  graphics::Font font;
  graphics::StringFormat format;
};

void MakeTitleType(TitleType& type, const SkinRecord& r) {
  type.font.Create(r.titleFontFace.c_str(), static_cast<REAL>(r.titleFontSize), r.titleFontBold ? 1 : 0,
                   Gdiplus::UnitWorld);
  type.format.Create(Gdiplus::StringFormatFlagsLineLimit | Gdiplus::StringFormatFlagsNoWrap);
  type.format.SetAlign(Gdiplus::StringAlignmentNear);
  type.format.SetLineAlign(Gdiplus::StringAlignmentNear);
  type.format.SetTrimming(Gdiplus::StringTrimmingNone);
}

void DrawTitleText(graphics::Graphics& g, const SkinRecord& r, const std::string& text, const PixelArea& area) {
  TitleType type;
  MakeTitleType(type, r);
  const REAL x = static_cast<REAL>(area.x), y = static_cast<REAL>(area.y);
  const REAL w = static_cast<REAL>(area.width), h = static_cast<REAL>(area.height);
  graphics::SolidBrush halo;
  halo.Create(Argb(150, r.titleHaloColour));
  const REAL offsets[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  for (const auto& o : offsets)
    g.DrawString(text.c_str(), type.font, graphics::RectF(x + o[0], y + o[1], w, h), &type.format, halo);
  graphics::SolidBrush ink;
  ink.Create(Argb(255, r.titleTextColour));
  g.DrawString(text.c_str(), type.font, graphics::RectF(x, y, w, h), &type.format, ink);
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
  const PixelArea area = TitleTextRect(FindSkinId(r.hwnd), clientWidth);
  if (area.width > 0) DrawTitleText(g, r, text, area);
}

// ---- the title of a draft frame ------------------------------------------------

constexpr int MaxDraftTitleWidth = 4096;

DraftTitleKey DraftTitleKeyOf(const SkinRecord& r) {
  return DraftTitleKey{r.titleText, r.titleFontFace, r.titleFontSize, r.titleFontBold, r.titleTextColour,
                       r.titleHaloColour};
}

// The title text with its halo composed once over nothing (premultiplied),
// as wide as the text and a pixel of halo around it: drawing the five strings
// is most of a draft frame's cost.
bool MakeDraftTitle(SkinRecord& r) {
  r.draftTitle.reset();
  const PixelArea layout = TitleTextRect(0, MaxDraftTitleWidth);
  graphics::RectF bounds;
  {
    TitleType type;
    MakeTitleType(type, r);
    graphics::Graphics measure;
    if (!measure.FromHDC(r.backBufferDc) ||
        !measure.MeasureString(r.titleText.c_str(), type.font,
                               graphics::RectF(0, 0, static_cast<REAL>(MaxDraftTitleWidth), static_cast<REAL>(layout.height)),
                               &type.format, &bounds))
      return false;
  }
  const int width = std::min(static_cast<int>(bounds.Width) + 4, MaxDraftTitleWidth), height = layout.height + 2;
  graphics::Bitmap canvas;
  graphics::Graphics g;
  if (!OpenPremultipliedCanvas(r.draftTitle, width, height, canvas, g)) return false;
  DrawTitleText(g, r, r.titleText, PixelArea{1, 1, width - 2, layout.height});
  g.Flush(Gdiplus::FlushIntentionSync);
  return true;
}

// A draft frame's title: the icon, and the kept text cut at the width the
// title has at this size.
void PaintDraftTitle(SkinRecord& r, int clientWidth) {
  if (r.titleText.empty()) r.titleText = WindowTextOf(r.hwnd);
  DrawIconEx(r.backBufferDc, 9, 4, FrameIcon, 17, 17, 0, nullptr, DI_NORMAL);
  const PixelArea area = TitleTextRect(FindSkinId(r.hwnd), clientWidth);
  if (area.width <= 0) return;
  DraftTitleKey key = DraftTitleKeyOf(r);
  if (!r.draftTitle || key != r.draftTitleKey) {
    r.draftTitleKey = DraftTitleKey{};
    if (!MakeDraftTitle(r)) return;
    r.draftTitleKey = std::move(key);
  }
  const int width = std::min(r.draftTitle.width(), area.width + 2);
  const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(r.backBufferDc, area.x - 1, area.y - 1, width, r.draftTitle.height(), r.draftTitle.dc(), 0, 0, width,
             r.draftTitle.height(), blend);
}

// ---- window region ------------------------------------------------------------

// A draft frame goes without the rounded region: renewing it at every step
// of a drag would cost the system's frame recalculation each time. The
// corners are square until the drag ends.
void DropFrameRegion(HWND window) {
  UniqueRegion current(CreateRectRgn(0, 0, 0, 0));
  if (GetWindowRgn(window, current.get()) != ERROR) SetWindowRgn(window, nullptr, FALSE);
}

}  // namespace

PixelArea TitleTextRect(int skinId, int clientWidth) {
  const SkinRecord* r = SkinRecordById(skinId);
  const int rowWidth = r ? r->captionRowWidth : 0;
  return PixelArea{29, 6, clientWidth - rowWidth - 10 - 2 * FrameInset, 42};
}

namespace {

// Whether the window's region is region already. The system may keep a
// window region cut to the window's rectangle, so both are cut before they
// are compared.
bool WindowRegionIs(HWND window, HRGN region) {
  UniqueRegion current(CreateRectRgn(0, 0, 0, 0));
  if (GetWindowRgn(window, current.get()) == ERROR) return false;
  RECT frame = {};
  GetWindowRect(window, &frame);
  UniqueRegion bounds(CreateRectRgn(0, 0, frame.right - frame.left, frame.bottom - frame.top));
  UniqueRegion wanted(CreateRectRgn(0, 0, 0, 0));
  CombineRgn(wanted.get(), region, bounds.get(), RGN_AND);
  CombineRgn(current.get(), current.get(), bounds.get(), RGN_AND);
  return EqualRgn(current.get(), wanted.get()) != FALSE;
}

}  // namespace

void SetFrameRegion(HWND window) {
  const SIZE s = ClientSize(window);
  UniqueRegion region(CreateRoundRectRgn(0, 0, s.cx + 1, s.cy + 1, 5, 5));
  // Every SetWindowRgn makes the system recompute and redraw the window's
  // frame, so a region that is the one wanted already stays.
  if (!region || WindowRegionIs(window, region.get())) return;
  // The window owns the region once SetWindowRgn succeeds.
  if (SetWindowRgn(window, region.get(), TRUE)) region.release();
}

namespace {

// The decoded picture copied once into a DIB (r.pictureDib): the pixels both
// the draft's GDI stretch and the program's own filter read.
bool KeepPictureDib(SkinRecord& r) {
  graphics::Bitmap* picture = r.decodedPicture.get();
  if (!picture) return false;
  if (r.pictureDib && r.pictureDibSource == r.decodedPictureSource) return true;
  const int iw = static_cast<int>(picture->GetWidth()), ih = static_cast<int>(picture->GetHeight());
  r.pictureDibSource.clear();
  r.pictureDib = DibSurface(iw, ih);
  if (!r.pictureDib) return false;
  // The decoded pixels straight into the DIB.
  graphics::BitmapData data = {};
  data.Width = static_cast<UINT>(iw);
  data.Height = static_cast<UINT>(ih);
  data.Stride = iw * 4;
  data.PixelFormat = PixelFormat32bppRGB;
  data.Scan0 = r.pictureDib.bits();
  const graphics::Rect whole(0, 0, iw, ih);
  if (!picture->LockBits(&whole, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                         PixelFormat32bppRGB, &data)) {
    r.pictureDib.reset();
    return false;
  }
  picture->UnlockBits(&data);
  r.pictureDibSource = r.decodedPictureSource;
  return true;
}

// While the border is dragged every step is a new size, and GDI+'s filtered
// stretch of a large window takes tens of milliseconds under Wine. A drag step
// stretches the picture with GDI instead, from the picture's DIB; the end of
// the drag paints the frame at full quality.
bool StretchDraftPicture(graphics::Graphics& g, SkinRecord& r, SIZE s) {
  if (!KeepPictureDib(r)) return false;
  HDC target = g.GetDC();
  if (!target) return false;
  SetStretchBltMode(target, COLORONCOLOR);
  const bool drawn = StretchBlt(target, 0, 0, s.cx, s.cy, r.pictureDib.dc(), 0, 0, r.pictureDib.width(),
                                r.pictureDib.height(), SRCCOPY) != FALSE;
  g.ReleaseDC(target);
  return drawn;
}

// The full-quality stretch of an opaque picture by the program's bilinear
// filter, written into the back buffer's own pixels: GDI+'s DrawImage gives
// the same picture at many times the cost (most of a first frame under
// Wine's 32-bit GDI+). A picture with transparency is left to GDI+, which
// blends it over the cleared background.
bool StretchPictureFiltered(graphics::Graphics& g, SkinRecord& r, SIZE s) {
  if (PlatformPictureStretch || !r.decodedPicture || (r.decodedPicture->GetPixelFormat() & PixelFormatAlpha) ||
      !KeepPictureDib(r))
    return false;
  HDC target = g.GetDC();
  DibRows rows;
  const bool dib = DibRowsOf(target, rows) && rows.width >= s.cx && rows.height >= s.cy;
  if (target) g.ReleaseDC(target);
  if (!dib) return false;
  const PixelArea pictureArea{0, 0, r.pictureDib.width(), r.pictureDib.height()};
  StretchBilinear(PixelRows{r.pictureDib.bits(), pictureArea.width, pictureArea.width, pictureArea.height},
                  PixelRows{reinterpret_cast<DWORD*>(rows.top), rows.stride / 4, s.cx, s.cy},
                  0xFF000000 | (GetRValue(r.backgroundColour) << 16) | (GetGValue(r.backgroundColour) << 8) |
                      GetBValue(r.backgroundColour));
  return true;
}

}  // namespace

void PaintBackground(graphics::Graphics& g, int skinId) {
  SkinRecord* r = SkinRecordById(skinId);
  if (!r) return;
  const SIZE s = ClientSize(r->hwnd);
  const REAL w = static_cast<REAL>(s.cx), h = static_cast<REAL>(s.cy);
  if (r->backgroundPicture.empty()) {
    g.Clear(Argb(255, Black));
  } else if (const graphics::Bitmap* kept = KeptDecodedPicture(*r, r->backgroundPicture);
             kept && r->backgroundMode == 3 &&
             (r->sizing ? StretchDraftPicture(g, *r, s) : StretchPictureFiltered(g, *r, s))) {
    // The stretched picture covers the whole client area.
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

// GDI+ works a stroked path over the whole box around it, and over a DC it
// blends that box through GDI: for the outline, the whole window, in tens of
// milliseconds. So the outline is stroked over the window's pixels taken as
// bitmaps: four bands along the edges, each stroked in a fraction of that.
// The bands do not overlap and hold every pixel the outline touches, so the
// pixels are those of one stroke over the whole bitmap.
void StrokeOutlineInBands(graphics::Graphics& g, int width, int height) {
  DibRows rows;
  HDC dc = g.GetDC();
  const bool dib = DibRowsOf(dc, rows) && rows.width >= width && rows.height >= height;
  if (dc) g.ReleaseDC(dc);
  if (!dib) {
    StrokeOutline(g, width, height);
    return;
  }
  constexpr int Band = 8;
  std::vector<PixelArea> bands;
  if (width <= 2 * Band || height <= 2 * Band)
    bands = {PixelArea{0, 0, width, height}};
  else
    bands = {PixelArea{0, 0, width, Band}, PixelArea{0, height - Band, width, Band},
             PixelArea{0, Band, Band, height - 2 * Band}, PixelArea{width - Band, Band, Band, height - 2 * Band}};
  for (const PixelArea& b : bands) {
    graphics::Bitmap band;
    graphics::Graphics bg;
    if (!band.FromScan0(b.width, b.height, rows.stride, PixelFormat32bppRGB,
                        rows.top + static_cast<ptrdiff_t>(b.y) * rows.stride + static_cast<ptrdiff_t>(b.x) * 4) ||
        !bg.FromImage(band))
      continue;
    bg.TranslateWorldTransform(static_cast<REAL>(-b.x), static_cast<REAL>(-b.y));
    StrokeOutline(bg, width, height);
  }
}

// An outline stroked once at twice the corner size, over nothing
// (premultiplied): its corners, and one-pixel slices of its edges.
bool MakeOutlinePieces(SkinRecord& r) {
  constexpr int T = 2 * OutlinePiece + 1;
  graphics::Bitmap canvas;
  graphics::Graphics g;
  if (!OpenPremultipliedCanvas(r.outlinePieces, T, T, canvas, g)) return false;
  StrokeOutline(g, T, T);
  g.Flush(Gdiplus::FlushIntentionSync);
  return true;
}

// A drag step places the outline from its pieces: the corners as they are,
// the edge slices stretched along the new edges, blended by GDI.
bool PlaceDraftOutline(graphics::Graphics& g, SkinRecord& r, SIZE s) {
  constexpr int P = OutlinePiece, T = 2 * P + 1;
  if (s.cx < T || s.cy < T) return false;
  if (!r.outlinePieces && !MakeOutlinePieces(r)) return false;
  HDC target = g.GetDC();
  if (!target) return false;
  struct Piece {
    int x, y, width, height;         // in the frame
    int sx, sy, sWidth, sHeight;     // in the pieces
  };
  const int w = s.cx, h = s.cy, midW = w - 2 * P, midH = h - 2 * P;
  const Piece pieces[] = {
      {0, 0, P, P, 0, 0, P, P},                  // corners
      {w - P, 0, P, P, P + 1, 0, P, P},
      {0, h - P, P, P, 0, P + 1, P, P},
      {w - P, h - P, P, P, P + 1, P + 1, P, P},
      {P, 0, midW, P, P, 0, 1, P},               // edges
      {P, h - P, midW, P, P, P + 1, 1, P},
      {0, P, P, midH, 0, P, P, 1},
      {w - P, P, P, midH, P + 1, P, P, 1},
  };
  const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  for (const Piece& p : pieces)
    AlphaBlend(target, p.x, p.y, p.width, p.height, r.outlinePieces.dc(), p.sx, p.sy, p.sWidth, p.sHeight, blend);
  g.ReleaseDC(target);
  return true;
}

}  // namespace

void PaintOutline(int skinId, graphics::Graphics& g) {
  SkinRecord* r = SkinRecordById(skinId);
  if (!r) return;
  const SIZE s = ClientSize(r->hwnd);
  if (r->sizing && PlaceDraftOutline(g, *r, s)) return;
  StrokeOutlineInBands(g, s.cx, s.cy);
}

void RestoreFromTitleSnapshot(int skinId, const PixelArea& area) {
  const SkinRecord* r = SkinRecordById(skinId);
  if (!r || !r->captionSnapshot || !r->backBufferDc) return;
  BitBlt(r->backBufferDc, area.x, area.y, area.width, area.height, r->captionSnapshot.dc(), area.x, area.y, SRCCOPY);
}

void PaintTitle(int skinId, bool backBufferOnly, std::optional<std::string_view> text) {
  SkinRecord* r = SkinRecordById(skinId);
  if (!r || !r->backBufferDc) return;
  const SIZE s = ClientSize(r->hwnd);
  const PixelArea area = TitleTextRect(skinId, s.cx);
  if (!backBufferOnly) RestoreFromTitleSnapshot(skinId, PixelArea{9, 4, area.width, 42});
  r->titleText = text ? std::string(*text) : WindowTextOf(r->hwnd);
  {
    graphics::Graphics g;
    g.FromHDC(r->backBufferDc);
    PaintTitleInto(g, *r, r->titleText, s.cx);
  }
  if (!backBufferOnly && area.width > 0) {
    CopyToWindow(r->hwnd, 9, 3, area.width, 42, r->backBufferDc);
  }
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
  const PixelArea area = CaptionLookArea(b);
  const CaptionLook look{index, alpha, area.x, area.y, b.kind == CaptionMaximize && r->maximized, AccentColour};
  const int cell = FindCaptionLook(*r, look);
  if (cell >= 0 && r->captionSnapshot) {
    BitBlt(r->backBufferDc, area.x, area.y, area.width, area.height, r->captionLookCells.dc(),
           cell * r->captionLooksWidth, 0, SRCCOPY);
  } else {
    PaintPlainOrHover(skinId, *r, index, alpha);
    if (r->captionSnapshot) KeepCaptionLook(*r, look, area);
  }
  CopyAreaToWindow(*r, area);
}

void PaintFrame(int skinId, bool toWindow) {
  SkinRecord* r = SkinRecordById(skinId);
  if (!r) return;
  HWND window = r->hwnd;
  const SIZE s = ClientSize(window);
  const bool draft = r->sizing != 0;
  if (r->frameEnabled && toWindow) {
    if (draft)
      DropFrameRegion(window);
    else
      SetFrameRegion(window);
  }
  RenewBackBuffer(*r, s);
  {
    graphics::Graphics g;
    g.FromHDC(r->backBufferDc);
    PaintBackgroundLayer(g, *r, skinId, s);
    if (r->frameEnabled) {
      RenewCaptionSnapshot(*r, s.cx);
      if (r->showTitle && draft) {
        PaintDraftTitle(*r, s.cx);
      } else if (r->showTitle) {
        r->titleText = WindowTextOf(window);
        PaintTitleInto(g, *r, r->titleText, s.cx);
      }
    }
  }
  if (r->frameEnabled) {
    if (draft)
      PlaceDraftCaptionRow(skinId, *r);
    else
      for (int i = 1; i <= static_cast<int>(r->captionButtons.size()); ++i)
        PaintCaptionButton(skinId, i, true, false, 0);
  }
  RenewFrameSnapshot(*r, s);
  r->draftFrame = draft;
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

void ForgetKeptBackgrounds(SkinRecord& r) {
  ReleaseBackgroundLayer(r);
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
  r->captionSnapshot.reset();
  ReleaseCaptionLooks(*r);
  ReleaseBackgroundLayer(*r);
  ReleaseDcBitmap(r->frameSnapshotDc);
  r->frameSnapshotDc = nullptr;
  r->pictureDib.reset();
  r->pictureDibSource.clear();
  r->outlinePieces.reset();
  r->draftCaptionRow.reset();
  r->draftCaptionRowKey = DraftCaptionRowKey{};
  r->draftTitle.reset();
  r->draftTitleKey = DraftTitleKey{};
  r->captionGlyphs.clear();
}

}  // namespace quorlin::skin
