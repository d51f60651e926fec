// Graphics: the drawing surface.
#include "graphics/drawing.h"

#include "graphics/gdiplus_flat.h"
#include "graphics/transform_at.h"

namespace quorlin::graphics {

GpStatus Graphics::DeleteNative(GpGraphics* graphics) { return flat::GdipDeleteGraphics(graphics); }

bool Graphics::FromHWND(HWND window, bool useIcm) {
  GpGraphics* g = nullptr;
  bool ok = Track(useIcm ? flat::GdipCreateFromHWNDICM(window, &g)
                         : flat::GdipCreateFromHWND(window, &g));
  SetNative(ok ? g : nullptr);
  return ok;
}

bool Graphics::FromHDC(HDC dc, HANDLE device) {
  GpGraphics* g = nullptr;
  bool ok = Track(device ? flat::GdipCreateFromHDC2(dc, device, &g)
                         : flat::GdipCreateFromHDC(dc, &g));
  SetNative(ok ? g : nullptr);
  return ok;
}

bool Graphics::FromImage(const Image& image) {
  GpGraphics* g = nullptr;
  bool ok = Track(flat::GdipGetImageGraphicsContext(image.GetNative(), &g));
  SetNative(ok ? g : nullptr);
  return ok;
}

HDC Graphics::GetDC() {
  HDC dc = nullptr;
  if (!Track(flat::GdipGetDC(native_, &dc))) return nullptr;
  return dc;
}

bool Graphics::ReleaseDC(HDC dc) { return Track(flat::GdipReleaseDC(native_, dc)); }

bool Graphics::Flush(Gdiplus::FlushIntention intention) {
  return Track(flat::GdipFlush(native_, intention));
}

#define QUORLIN_GRAPHICS_PROPERTY(Name, Type, Initial)              \
  bool Graphics::Set##Name(Type value) {                            \
    return Track(flat::GdipSet##Name(native_, value));              \
  }                                                                 \
  Type Graphics::Get##Name() const {                                \
    Type value = Initial;                                           \
    Track(flat::GdipGet##Name(native_, &value));                    \
    return value;                                                   \
  }

QUORLIN_GRAPHICS_PROPERTY(CompositingMode, Gdiplus::CompositingMode,
                          Gdiplus::CompositingModeSourceOver)
QUORLIN_GRAPHICS_PROPERTY(CompositingQuality, Gdiplus::CompositingQuality,
                          Gdiplus::CompositingQualityDefault)
QUORLIN_GRAPHICS_PROPERTY(SmoothingMode, Gdiplus::SmoothingMode, Gdiplus::SmoothingModeInvalid)
QUORLIN_GRAPHICS_PROPERTY(TextRenderingHint, Gdiplus::TextRenderingHint,
                          Gdiplus::TextRenderingHintSystemDefault)
QUORLIN_GRAPHICS_PROPERTY(InterpolationMode, Gdiplus::InterpolationMode,
                          Gdiplus::InterpolationModeInvalid)
QUORLIN_GRAPHICS_PROPERTY(PixelOffsetMode, Gdiplus::PixelOffsetMode,
                          Gdiplus::PixelOffsetModeInvalid)
QUORLIN_GRAPHICS_PROPERTY(PageUnit, Unit, Gdiplus::UnitWorld)
QUORLIN_GRAPHICS_PROPERTY(PageScale, REAL, 0.0f)
#undef QUORLIN_GRAPHICS_PROPERTY

bool Graphics::ResetWorldTransform() { return Track(flat::GdipResetWorldTransform(native_)); }

bool Graphics::TranslateWorldTransform(REAL dx, REAL dy, MatrixOrder order) {
  return Track(flat::GdipTranslateWorldTransform(native_, dx, dy, order));
}

bool Graphics::ScaleWorldTransform(REAL sx, REAL sy, MatrixOrder order) {
  return Track(flat::GdipScaleWorldTransform(native_, sx, sy, order));
}

bool Graphics::RotateWorldTransform(REAL angle, MatrixOrder order) {
  return Track(flat::GdipRotateWorldTransform(native_, angle, order));
}

bool Graphics::ScaleAt(REAL sx, REAL sy, PointF point, MatrixOrder order) {
  return AroundPoint(
      point, order,
      [&](REAL dx, REAL dy) { return TranslateWorldTransform(dx, dy, order); },
      [&] { return ScaleWorldTransform(sx, sy, order); });
}

bool Graphics::RotateAt(REAL angle, PointF point, MatrixOrder order) {
  return AroundPoint(
      point, order,
      [&](REAL dx, REAL dy) { return TranslateWorldTransform(dx, dy, order); },
      [&] { return RotateWorldTransform(angle, order); });
}

bool Graphics::GetWorldTransform(REAL elements[6]) const {
  Gdiplus::GpMatrix* matrix = nullptr;
  if (!Track(flat::GdipCreateMatrix(&matrix))) return false;
  bool ok = Track(flat::GdipGetWorldTransform(native_, matrix)) &&
            Track(flat::GdipGetMatrixElements(matrix, elements));
  flat::GdipDeleteMatrix(matrix);
  return ok;
}

bool Graphics::TransformPoints(Gdiplus::CoordinateSpace destination,
                               Gdiplus::CoordinateSpace source, PointF* points,
                               INT count) const {
  return Track(flat::GdipTransformPoints(native_, destination, source, points, count));
}

REAL Graphics::GetDpiX() const {
  REAL dpi = 0;
  if (!Track(flat::GdipGetDpiX(native_, &dpi))) dpi = 0;
  return dpi;
}

REAL Graphics::GetDpiY() const {
  REAL dpi = 0;
  if (!Track(flat::GdipGetDpiY(native_, &dpi))) dpi = 0;
  return dpi;
}

bool Graphics::Clear(ARGB colour) { return Track(flat::GdipGraphicsClear(native_, colour)); }

bool Graphics::DrawLine(const Pen& pen, REAL x1, REAL y1, REAL x2, REAL y2) {
  return Track(flat::GdipDrawLine(native_, pen.GetNative(), x1, y1, x2, y2));
}

bool Graphics::DrawLines(const Pen& pen, const PointF* points, INT count) {
  return Track(flat::GdipDrawLines(native_, pen.GetNative(), points, count));
}

bool Graphics::DrawArc(const Pen& pen, REAL x, REAL y, REAL width, REAL height,
                       REAL startAngle, REAL sweepAngle) {
  return Track(flat::GdipDrawArc(native_, pen.GetNative(), x, y, width, height, startAngle,
                                 sweepAngle));
}

bool Graphics::DrawRectangle(const Pen& pen, REAL x, REAL y, REAL width, REAL height) {
  return Track(flat::GdipDrawRectangle(native_, pen.GetNative(), x, y, width, height));
}

bool Graphics::DrawEllipse(const Pen& pen, REAL x, REAL y, REAL width, REAL height) {
  return Track(flat::GdipDrawEllipse(native_, pen.GetNative(), x, y, width, height));
}

bool Graphics::DrawPolygon(const Pen& pen, const PointF* points, INT count) {
  return Track(flat::GdipDrawPolygon(native_, pen.GetNative(), points, count));
}

bool Graphics::DrawPath(const Pen& pen, const GraphicsPath& path) {
  return Track(flat::GdipDrawPath(native_, pen.GetNative(), path.GetNative()));
}

bool Graphics::FillRectangle(const Brush& brush, REAL x, REAL y, REAL width, REAL height) {
  return Track(flat::GdipFillRectangle(native_, brush.GetNative(), x, y, width, height));
}

bool Graphics::FillRectangle(const Brush& brush, const RectF& rect) {
  return FillRectangle(brush, rect.X, rect.Y, rect.Width, rect.Height);
}

bool Graphics::FillEllipse(const Brush& brush, REAL x, REAL y, REAL width, REAL height) {
  return Track(flat::GdipFillEllipse(native_, brush.GetNative(), x, y, width, height));
}

bool Graphics::FillPolygon(const Brush& brush, const PointF* points, INT count,
                           Gdiplus::FillMode mode) {
  return Track(flat::GdipFillPolygon(native_, brush.GetNative(), points, count, mode));
}

bool Graphics::FillPath(const Brush& brush, const GraphicsPath& path) {
  return Track(flat::GdipFillPath(native_, brush.GetNative(), path.GetNative()));
}

bool Graphics::FillRegion(const Brush& brush, const Region& region) {
  return Track(flat::GdipFillRegion(native_, brush.GetNative(), region.GetNative()));
}

bool Graphics::DrawString(const char* text, const Font& font, const RectF& layout,
                          const StringFormat* format, const Brush& brush) {
  std::wstring wide = ToWide(text);
  return DrawStringW(wide.c_str(), lstrlenW(wide.c_str()), font, layout, format, brush);
}

bool Graphics::DrawStringW(const wchar_t* text, INT length, const Font& font,
                           const RectF& layout, const StringFormat* format,
                           const Brush& brush) {
  return Track(flat::GdipDrawString(native_, text, length, font.GetNative(), &layout,
                                    format ? format->GetNative() : nullptr,
                                    brush.GetNative()));
}

bool Graphics::MeasureString(const char* text, const Font& font, const RectF& layout,
                             const StringFormat* format, RectF* bounds,
                             INT* codepointsFitted, INT* linesFilled) const {
  std::wstring wide = ToWide(text);
  return MeasureStringW(wide.c_str(), lstrlenW(wide.c_str()), font, layout, format, bounds,
                        codepointsFitted, linesFilled);
}

bool Graphics::MeasureStringW(const wchar_t* text, INT length, const Font& font,
                              const RectF& layout, const StringFormat* format,
                              RectF* bounds, INT* codepointsFitted, INT* linesFilled) const {
  RectF measured(0, 0, 0, 0);
  INT fitted = 0, lines = 0;
  bool ok = Track(flat::GdipMeasureString(native_, text, length, font.GetNative(), &layout,
                                          format ? format->GetNative() : nullptr, &measured,
                                          &fitted, &lines));
  if (!ok) measured = RectF(0, 0, 0, 0), fitted = lines = 0;
  if (bounds) *bounds = measured;
  if (codepointsFitted) *codepointsFitted = fitted;
  if (linesFilled) *linesFilled = lines;
  return ok;
}

bool Graphics::DrawImage(const Image& image, REAL x, REAL y) {
  return Track(flat::GdipDrawImage(native_, image.GetNative(), x, y));
}

bool Graphics::DrawImageRect(const Image& image, REAL x, REAL y, REAL width, REAL height,
                             Unit sourceUnit) {
  // The image size is read first; the drawing's status is what is kept.
  REAL srcWidth = static_cast<REAL>(image.GetWidth());
  REAL srcHeight = static_cast<REAL>(image.GetHeight());
  return DrawImageRectRect(image, x, y, width, height, 0, 0, srcWidth, srcHeight, sourceUnit);
}

bool Graphics::DrawImageRectRect(const Image& image, REAL x, REAL y, REAL width, REAL height,
                                 REAL srcX, REAL srcY, REAL srcWidth, REAL srcHeight,
                                 Unit sourceUnit) {
  return Track(flat::GdipDrawImageRectRect(native_, image.GetNative(), x, y, width, height,
                                           srcX, srcY, srcWidth, srcHeight, sourceUnit,
                                           nullptr, nullptr, nullptr));
}

bool Graphics::SetClipPath(const GraphicsPath& path, Gdiplus::CombineMode mode) {
  return Track(flat::GdipSetClipPath(native_, path.GetNative(), mode));
}

bool Graphics::SetClipRect(REAL x, REAL y, REAL width, REAL height, Gdiplus::CombineMode mode) {
  return Track(flat::GdipSetClipRect(native_, x, y, width, height, mode));
}

bool Graphics::SetClipRegion(const Region& region, Gdiplus::CombineMode mode) {
  return Track(flat::GdipSetClipRegion(native_, region.GetNative(), mode));
}

bool Graphics::SetClipHrgn(HRGN region, Gdiplus::CombineMode mode) {
  return Track(flat::GdipSetClipHrgn(native_, region, mode));
}

bool Graphics::ResetClip() { return Track(flat::GdipResetClip(native_)); }

RectF Graphics::GetClipBounds() const {
  RectF bounds(0, 0, 0, 0);
  if (!Track(flat::GdipGetClipBounds(native_, &bounds))) bounds = RectF(0, 0, 0, 0);
  return bounds;
}

bool Graphics::IsClipEmpty() const {
  BOOL empty = FALSE;
  Track(flat::GdipIsClipEmpty(native_, &empty));
  return empty != FALSE;
}

Gdiplus::GraphicsState Graphics::Save() {
  Gdiplus::GraphicsState state = 0;
  if (!Track(flat::GdipSaveGraphics(native_, &state))) state = 0;
  return state;
}

bool Graphics::Restore(Gdiplus::GraphicsState state) {
  return Track(flat::GdipRestoreGraphics(native_, state));
}

}  // namespace quorlin::graphics
