// Pen and the brush kinds.
#include "graphics/drawing.h"

#include "graphics/gdiplus_flat.h"
#include "graphics/transform_at.h"

namespace quorlin::graphics {

// Transform operations shared by the pen and the transformable brushes.
// Handle is the expression giving the native object; Kind names the flat
// functions (Pen: GdipResetPenTransform, GdipScalePenTransform, ...).
#define QUORLIN_TRANSFORMS(Class, Handle, Kind)                                  \
  bool Class::ResetTransform() { return Track(flat::GdipReset##Kind##Transform(Handle)); } \
  bool Class::TranslateTransform(REAL dx, REAL dy, MatrixOrder order) {          \
    return Track(flat::GdipTranslate##Kind##Transform(Handle, dx, dy, order));   \
  }                                                                              \
  bool Class::ScaleTransform(REAL sx, REAL sy, MatrixOrder order) {              \
    return Track(flat::GdipScale##Kind##Transform(Handle, sx, sy, order));       \
  }                                                                              \
  bool Class::RotateTransform(REAL angle, MatrixOrder order) {                   \
    return Track(flat::GdipRotate##Kind##Transform(Handle, angle, order));       \
  }                                                                              \
  bool Class::ScaleAt(REAL sx, REAL sy, PointF point, MatrixOrder order) {       \
    return AroundPoint(                                                          \
        point, order, [&](REAL dx, REAL dy) { return TranslateTransform(dx, dy, order); }, \
        [&] { return ScaleTransform(sx, sy, order); });                          \
  }                                                                              \
  bool Class::RotateAt(REAL angle, PointF point, MatrixOrder order) {            \
    return AroundPoint(                                                          \
        point, order, [&](REAL dx, REAL dy) { return TranslateTransform(dx, dy, order); }, \
        [&] { return RotateTransform(angle, order); });                          \
  }

// ---- Pen ------------------------------------------------------------------

GpStatus Pen::DeleteNative(GpPen* pen) { return flat::GdipDeletePen(pen); }

bool Pen::Create(ARGB colour, REAL width, Unit unit) {
  GpPen* pen = nullptr;
  bool ok = Track(flat::GdipCreatePen1(colour, width, unit, &pen));
  SetNative(ok ? pen : nullptr);
  return ok;
}

bool Pen::CreateFromBrush(const Brush& brush, REAL width, Unit unit) {
  GpPen* pen = nullptr;
  bool ok = Track(flat::GdipCreatePen2(brush.GetNative(), width, unit, &pen));
  SetNative(ok ? pen : nullptr);
  return ok;
}

bool Pen::Clone(Pen& target) const {
  GpPen* pen = nullptr;
  bool ok = Track(flat::GdipClonePen(native_, &pen));
  target.SetNative(ok ? pen : nullptr);
  return ok;
}

REAL Pen::GetWidth() const {
  REAL width = 0;
  if (!Track(flat::GdipGetPenWidth(native_, &width))) width = 0;
  return width;
}

bool Pen::SetWidth(REAL width) { return Track(flat::GdipSetPenWidth(native_, width)); }

Unit Pen::GetUnit() const {
  Unit unit = Gdiplus::UnitWorld;
  Track(flat::GdipGetPenUnit(native_, &unit));
  return unit;
}

bool Pen::SetUnit(Unit unit) { return Track(flat::GdipSetPenUnit(native_, unit)); }

ARGB Pen::GetColor() const {
  ARGB colour = 0;
  if (!Track(flat::GdipGetPenColor(native_, &colour))) colour = 0;
  return colour;
}

bool Pen::SetColor(ARGB colour) { return Track(flat::GdipSetPenColor(native_, colour)); }

bool Pen::SetBrushFill(const Brush& brush) {
  return Track(flat::GdipSetPenBrushFill(native_, brush.GetNative()));
}

bool Pen::SetLineCap(Gdiplus::LineCap start, Gdiplus::LineCap end, Gdiplus::DashCap dash) {
  return Track(flat::GdipSetPenLineCap197819(native_, start, end, dash));
}

bool Pen::SetStartCap(Gdiplus::LineCap cap) { return Track(flat::GdipSetPenStartCap(native_, cap)); }
bool Pen::SetEndCap(Gdiplus::LineCap cap) { return Track(flat::GdipSetPenEndCap(native_, cap)); }

bool Pen::SetLineJoin(Gdiplus::LineJoin join) { return Track(flat::GdipSetPenLineJoin(native_, join)); }

Gdiplus::LineJoin Pen::GetLineJoin() const {
  Gdiplus::LineJoin join = Gdiplus::LineJoinMiter;
  Track(flat::GdipGetPenLineJoin(native_, &join));
  return join;
}

bool Pen::SetMiterLimit(REAL limit) { return Track(flat::GdipSetPenMiterLimit(native_, limit)); }

bool Pen::SetAlignment(Gdiplus::PenAlignment alignment) {
  return Track(flat::GdipSetPenMode(native_, alignment));
}

bool Pen::SetDashStyle(Gdiplus::DashStyle style) {
  return Track(flat::GdipSetPenDashStyle(native_, style));
}

Gdiplus::DashStyle Pen::GetDashStyle() const {
  Gdiplus::DashStyle style = Gdiplus::DashStyleSolid;
  Track(flat::GdipGetPenDashStyle(native_, &style));
  return style;
}

bool Pen::SetDashOffset(REAL offset) { return Track(flat::GdipSetPenDashOffset(native_, offset)); }

bool Pen::SetDashArray(const REAL* dashes, INT count) {
  return Track(flat::GdipSetPenDashArray(native_, dashes, count));
}

std::vector<REAL> Pen::GetDashArray() const {
  INT count = 0;
  if (!Track(flat::GdipGetPenDashCount(native_, &count)) || count <= 0) return {};
  std::vector<REAL> dashes(static_cast<size_t>(count));
  if (!Track(flat::GdipGetPenDashArray(native_, dashes.data(), count))) return {};
  return dashes;
}

QUORLIN_TRANSFORMS(Pen, native_, Pen)

// ---- Brush ----------------------------------------------------------------

GpStatus Brush::DeleteNative(GpBrush* brush) { return flat::GdipDeleteBrush(brush); }

bool Brush::Clone(Brush& target) const {
  GpBrush* brush = nullptr;
  bool ok = Track(flat::GdipCloneBrush(native_, &brush));
  target.SetNative(ok ? brush : nullptr);
  return ok;
}

int Brush::GetBrushType() const {
  Gdiplus::BrushType type = Gdiplus::BrushTypeSolidColor;
  if (!Track(flat::GdipGetBrushType(native_, &type))) return -1;
  return static_cast<int>(type);
}

// ---- SolidBrush -----------------------------------------------------------

bool SolidBrush::Create(ARGB colour) {
  GpSolidFill* brush = nullptr;
  bool ok = Track(flat::GdipCreateSolidFill(colour, &brush));
  SetNative(ok ? brush : nullptr);
  return ok;
}

bool SolidBrush::SetColor(ARGB colour) {
  return Track(flat::GdipSetSolidFillColor(static_cast<GpSolidFill*>(native_), colour));
}

ARGB SolidBrush::GetColor() const {
  ARGB colour = 0;
  if (!Track(flat::GdipGetSolidFillColor(static_cast<GpSolidFill*>(native_), &colour))) colour = 0;
  return colour;
}

// ---- LinearGradientBrush --------------------------------------------------

bool LinearGradientBrush::Create(PointF point1, PointF point2, ARGB colour1, ARGB colour2,
                                 Gdiplus::WrapMode wrap) {
  GpLineGradient* brush = nullptr;
  bool ok = Track(flat::GdipCreateLineBrush(&point1, &point2, colour1, colour2, wrap, &brush));
  SetNative(ok ? brush : nullptr);
  return ok;
}

bool LinearGradientBrush::CreateFromRect(const RectF& rect, ARGB colour1, ARGB colour2,
                                         Gdiplus::LinearGradientMode mode,
                                         Gdiplus::WrapMode wrap) {
  GpLineGradient* brush = nullptr;
  bool ok = Track(flat::GdipCreateLineBrushFromRect(&rect, colour1, colour2, mode, wrap, &brush));
  SetNative(ok ? brush : nullptr);
  return ok;
}

bool LinearGradientBrush::CreateFromRectWithAngle(const RectF& rect, ARGB colour1,
                                                  ARGB colour2, REAL angle,
                                                  bool isAngleScalable,
                                                  Gdiplus::WrapMode wrap) {
  GpLineGradient* brush = nullptr;
  bool ok = Track(flat::GdipCreateLineBrushFromRectWithAngle(
      &rect, colour1, colour2, angle, isAngleScalable ? TRUE : FALSE, wrap, &brush));
  SetNative(ok ? brush : nullptr);
  return ok;
}

bool LinearGradientBrush::GetColors(ARGB* colour1, ARGB* colour2) const {
  ARGB colours[2] = {0, 0};
  bool ok = Track(flat::GdipGetLineColors(GetNativeLine(), colours));
  if (!ok) colours[0] = colours[1] = 0;
  if (colour1) *colour1 = colours[0];
  if (colour2) *colour2 = colours[1];
  return ok;
}

bool LinearGradientBrush::SetColors(ARGB colour1, ARGB colour2) {
  return Track(flat::GdipSetLineColors(GetNativeLine(), colour1, colour2));
}

RectF LinearGradientBrush::GetRect() const {
  RectF rect(0, 0, 0, 0);
  if (!Track(flat::GdipGetLineRect(GetNativeLine(), &rect))) rect = RectF(0, 0, 0, 0);
  return rect;
}

bool LinearGradientBrush::SetGammaCorrection(bool useGamma) {
  return Track(flat::GdipSetLineGammaCorrection(GetNativeLine(), useGamma ? TRUE : FALSE));
}

bool LinearGradientBrush::SetBlend(const REAL* factors, const REAL* positions, INT count) {
  return Track(flat::GdipSetLineBlend(GetNativeLine(), factors, positions, count));
}

bool LinearGradientBrush::SetPresetBlend(const ARGB* colours, const REAL* positions, INT count) {
  return Track(flat::GdipSetLinePresetBlend(GetNativeLine(), colours, positions, count));
}

bool LinearGradientBrush::SetSigmaBlend(REAL focus, REAL scale) {
  return Track(flat::GdipSetLineSigmaBlend(GetNativeLine(), focus, scale));
}

bool LinearGradientBrush::SetLinearBlend(REAL focus, REAL scale) {
  return Track(flat::GdipSetLineLinearBlend(GetNativeLine(), focus, scale));
}

Gdiplus::WrapMode LinearGradientBrush::GetWrapMode() const {
  Gdiplus::WrapMode wrap = Gdiplus::WrapModeTile;
  Track(flat::GdipGetLineWrapMode(GetNativeLine(), &wrap));
  return wrap;
}

bool LinearGradientBrush::SetWrapMode(Gdiplus::WrapMode wrap) {
  return Track(flat::GdipSetLineWrapMode(GetNativeLine(), wrap));
}

QUORLIN_TRANSFORMS(LinearGradientBrush, GetNativeLine(), Line)

// ---- PathGradientBrush ----------------------------------------------------

bool PathGradientBrush::Create(const PointF* points, INT count, Gdiplus::WrapMode wrap) {
  GpPathGradient* brush = nullptr;
  bool ok = Track(flat::GdipCreatePathGradient(points, count, wrap, &brush));
  SetNative(ok ? brush : nullptr);
  return ok;
}

bool PathGradientBrush::FromPath(const GraphicsPath& path) {
  GpPathGradient* brush = nullptr;
  bool ok = Track(flat::GdipCreatePathGradientFromPath(path.GetNative(), &brush));
  SetNative(ok ? brush : nullptr);
  return ok;
}

ARGB PathGradientBrush::GetCenterColor() const {
  ARGB colour = 0;
  if (!Track(flat::GdipGetPathGradientCenterColor(GetNativeGradient(), &colour))) colour = 0;
  return colour;
}

bool PathGradientBrush::SetCenterColor(ARGB colour) {
  return Track(flat::GdipSetPathGradientCenterColor(GetNativeGradient(), colour));
}

INT PathGradientBrush::GetPointCount() const {
  INT count = 0;
  if (!Track(flat::GdipGetPathGradientPointCount(GetNativeGradient(), &count))) count = 0;
  return count;
}

INT PathGradientBrush::GetSurroundColorCount() const {
  INT count = 0;
  if (!Track(flat::GdipGetPathGradientSurroundColorCount(GetNativeGradient(), &count))) count = 0;
  return count;
}

bool PathGradientBrush::SetSurroundColors(const ARGB* colours, INT* count) {
  return Track(flat::GdipSetPathGradientSurroundColorsWithCount(GetNativeGradient(), colours, count));
}

std::vector<ARGB> PathGradientBrush::GetSurroundColors() const {
  INT count = GetSurroundColorCount();
  if (count <= 0) return {};
  std::vector<ARGB> colours(static_cast<size_t>(count));
  if (!Track(flat::GdipGetPathGradientSurroundColorsWithCount(GetNativeGradient(),
                                                              colours.data(), &count)))
    return {};
  colours.resize(static_cast<size_t>(count));
  return colours;
}

PointF PathGradientBrush::GetCenterPoint() const {
  PointF point(0, 0);
  if (!Track(flat::GdipGetPathGradientCenterPoint(GetNativeGradient(), &point))) point = PointF(0, 0);
  return point;
}

bool PathGradientBrush::SetCenterPoint(PointF point) {
  return Track(flat::GdipSetPathGradientCenterPoint(GetNativeGradient(), &point));
}

bool PathGradientBrush::GetFocusScales(REAL* x, REAL* y) const {
  REAL sx = 0, sy = 0;
  bool ok = Track(flat::GdipGetPathGradientFocusScales(GetNativeGradient(), &sx, &sy));
  if (x) *x = ok ? sx : 0;
  if (y) *y = ok ? sy : 0;
  return ok;
}

bool PathGradientBrush::SetFocusScales(REAL x, REAL y) {
  return Track(flat::GdipSetPathGradientFocusScales(GetNativeGradient(), x, y));
}

bool PathGradientBrush::SetBlend(const REAL* factors, const REAL* positions, INT count) {
  return Track(flat::GdipSetPathGradientBlend(GetNativeGradient(), factors, positions, count));
}

bool PathGradientBrush::SetPresetBlend(const ARGB* colours, const REAL* positions, INT count) {
  return Track(flat::GdipSetPathGradientPresetBlend(GetNativeGradient(), colours, positions, count));
}

bool PathGradientBrush::SetSigmaBlend(REAL focus, REAL scale) {
  return Track(flat::GdipSetPathGradientSigmaBlend(GetNativeGradient(), focus, scale));
}

bool PathGradientBrush::SetLinearBlend(REAL focus, REAL scale) {
  return Track(flat::GdipSetPathGradientLinearBlend(GetNativeGradient(), focus, scale));
}

Gdiplus::WrapMode PathGradientBrush::GetWrapMode() const {
  Gdiplus::WrapMode wrap = Gdiplus::WrapModeClamp;
  Track(flat::GdipGetPathGradientWrapMode(GetNativeGradient(), &wrap));
  return wrap;
}

bool PathGradientBrush::SetWrapMode(Gdiplus::WrapMode wrap) {
  return Track(flat::GdipSetPathGradientWrapMode(GetNativeGradient(), wrap));
}

QUORLIN_TRANSFORMS(PathGradientBrush, GetNativeGradient(), PathGradient)

// ---- TextureBrush ---------------------------------------------------------

bool TextureBrush::Create(const Image& image, Gdiplus::WrapMode wrap) {
  GpTexture* brush = nullptr;
  bool ok = Track(flat::GdipCreateTexture(image.GetNative(), wrap, &brush));
  SetNative(ok ? brush : nullptr);
  return ok;
}

bool TextureBrush::CreateRect(const Image& image, Gdiplus::WrapMode wrap, REAL x, REAL y,
                              REAL width, REAL height) {
  GpTexture* brush = nullptr;
  bool ok = Track(flat::GdipCreateTexture2(image.GetNative(), wrap, x, y, width, height, &brush));
  SetNative(ok ? brush : nullptr);
  return ok;
}

Gdiplus::WrapMode TextureBrush::GetWrapMode() const {
  Gdiplus::WrapMode wrap = Gdiplus::WrapModeTile;
  Track(flat::GdipGetTextureWrapMode(GetNativeTexture(), &wrap));
  return wrap;
}

bool TextureBrush::SetWrapMode(Gdiplus::WrapMode wrap) {
  return Track(flat::GdipSetTextureWrapMode(GetNativeTexture(), wrap));
}

bool TextureBrush::GetImage(Image& target) const {
  GpImage* image = nullptr;
  bool ok = Track(flat::GdipGetTextureImage(GetNativeTexture(), &image));
  target.SetNative(ok ? image : nullptr);
  return ok;
}

QUORLIN_TRANSFORMS(TextureBrush, GetNativeTexture(), Texture)

#undef QUORLIN_TRANSFORMS

}  // namespace quorlin::graphics
