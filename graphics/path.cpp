// Graphics paths and regions.
#include "graphics/drawing.h"

#include "graphics/gdiplus_flat.h"

namespace quorlin::graphics {

// ---- GraphicsPath ---------------------------------------------------------

GpStatus GraphicsPath::DeleteNative(GpPath* path) { return flat::GdipDeletePath(path); }

bool GraphicsPath::Create(Gdiplus::FillMode mode) {
  GpPath* path = nullptr;
  bool ok = Track(flat::GdipCreatePath(mode, &path));
  SetNative(ok ? path : nullptr);
  return ok;
}

bool GraphicsPath::Clone(GraphicsPath& target) const {
  GpPath* path = nullptr;
  bool ok = Track(flat::GdipClonePath(native_, &path));
  target.SetNative(ok ? path : nullptr);
  return ok;
}

bool GraphicsPath::Reset() { return Track(flat::GdipResetPath(native_)); }

Gdiplus::FillMode GraphicsPath::GetFillMode() const {
  Gdiplus::FillMode mode = Gdiplus::FillModeAlternate;
  Track(flat::GdipGetPathFillMode(native_, &mode));
  return mode;
}

bool GraphicsPath::SetFillMode(Gdiplus::FillMode mode) {
  return Track(flat::GdipSetPathFillMode(native_, mode));
}

INT GraphicsPath::GetPointCount() const {
  INT count = 0;
  if (!Track(flat::GdipGetPointCount(native_, &count))) count = 0;
  return count;
}

std::vector<PointF> GraphicsPath::GetPoints() const {
  INT count = GetPointCount();
  if (count <= 0) return {};
  std::vector<PointF> points(static_cast<size_t>(count));
  if (!Track(flat::GdipGetPathPoints(native_, points.data(), count))) return {};
  return points;
}

std::vector<BYTE> GraphicsPath::GetTypes() const {
  INT count = GetPointCount();
  if (count <= 0) return {};
  std::vector<BYTE> types(static_cast<size_t>(count));
  if (!Track(flat::GdipGetPathTypes(native_, types.data(), count))) return {};
  return types;
}

bool GraphicsPath::GetLastPoint(PointF* point) const {
  return Track(flat::GdipGetPathLastPoint(native_, point));
}

bool GraphicsPath::StartFigure() { return Track(flat::GdipStartPathFigure(native_)); }
bool GraphicsPath::CloseFigure() { return Track(flat::GdipClosePathFigure(native_)); }
bool GraphicsPath::CloseFigures() { return Track(flat::GdipClosePathFigures(native_)); }

bool GraphicsPath::AddLine(REAL x1, REAL y1, REAL x2, REAL y2) {
  return Track(flat::GdipAddPathLine(native_, x1, y1, x2, y2));
}

bool GraphicsPath::AddLines(const PointF* points, INT count) {
  return Track(flat::GdipAddPathLine2(native_, points, count));
}

bool GraphicsPath::AddArc(REAL x, REAL y, REAL width, REAL height, REAL startAngle,
                          REAL sweepAngle) {
  return Track(flat::GdipAddPathArc(native_, x, y, width, height, startAngle, sweepAngle));
}

bool GraphicsPath::AddBezier(REAL x1, REAL y1, REAL x2, REAL y2, REAL x3, REAL y3, REAL x4,
                             REAL y4) {
  return Track(flat::GdipAddPathBezier(native_, x1, y1, x2, y2, x3, y3, x4, y4));
}

bool GraphicsPath::AddRectangle(REAL x, REAL y, REAL width, REAL height) {
  return Track(flat::GdipAddPathRectangle(native_, x, y, width, height));
}

bool GraphicsPath::AddEllipse(REAL x, REAL y, REAL width, REAL height) {
  return Track(flat::GdipAddPathEllipse(native_, x, y, width, height));
}

bool GraphicsPath::AddPie(REAL x, REAL y, REAL width, REAL height, REAL startAngle,
                          REAL sweepAngle) {
  return Track(flat::GdipAddPathPie(native_, x, y, width, height, startAngle, sweepAngle));
}

bool GraphicsPath::AddPolygon(const PointF* points, INT count) {
  return Track(flat::GdipAddPathPolygon(native_, points, count));
}

bool GraphicsPath::AddPath(const GraphicsPath& other, bool connect) {
  return Track(flat::GdipAddPathPath(native_, other.GetNative(), connect ? TRUE : FALSE));
}

bool GraphicsPath::AddRoundRect(REAL x, REAL y, REAL width, REAL height, int corner) {
  if (corner < 1) corner = 1;
  if (corner > 100) corner = 100;
  // The corner ellipse is a percentage of the rectangle, truncated to whole
  // units.
  const REAL rw = static_cast<REAL>(static_cast<long long>(width * corner / 100));
  const REAL rh = static_cast<REAL>(static_cast<long long>(height * corner / 100));
  const REAL x2 = x + width, y2 = y + height;
  // The arcs' statuses do not decide the result; closing the figure does.
  AddArc(x2 - rw, y, rw, rh, 270, 90);
  AddArc(x2 - rw, y2 - rh, rw, rh, 0, 90);
  AddArc(x, y2 - rh, rw, rh, 90, 90);
  AddArc(x, y, rw, rh, 180, 90);
  return CloseFigure();
}

bool GraphicsPath::AddString(const char* text, const FontFamily& family, INT style,
                             REAL emSize, const RectF& layout, const StringFormat* format) {
  std::wstring wide = ToWide(text);
  // Not every GDI+ accepts a null format here; stand in the default one.
  StringFormat standIn;
  if (!format) {
    if (!standIn.GenericDefault()) return false;
    format = &standIn;
  }
  return Track(flat::GdipAddPathString(native_, wide.c_str(), lstrlenW(wide.c_str()),
                                       family.GetNative(), style, emSize, &layout,
                                       format->GetNative()));
}

bool GraphicsPath::Flatten(REAL flatness) {
  return Track(flat::GdipFlattenPath(native_, nullptr, flatness));
}

bool GraphicsPath::Widen(const Pen& pen, REAL flatness) {
  return Track(flat::GdipWidenPath(native_, pen.GetNative(), nullptr, flatness));
}

RectF GraphicsPath::GetBounds(const Pen* pen) const {
  RectF bounds(0, 0, 0, 0);
  if (!Track(flat::GdipGetPathWorldBounds(native_, &bounds, nullptr,
                                          pen ? pen->GetNative() : nullptr)))
    bounds = RectF(0, 0, 0, 0);
  return bounds;
}

bool GraphicsPath::IsVisible(REAL x, REAL y, const Graphics* graphics) const {
  BOOL visible = FALSE;
  Track(flat::GdipIsVisiblePathPoint(native_, x, y, graphics ? graphics->GetNative() : nullptr,
                                     &visible));
  return visible != FALSE;
}

bool GraphicsPath::IsOutlineVisible(REAL x, REAL y, const Pen& pen,
                                    const Graphics* graphics) const {
  BOOL visible = FALSE;
  Track(flat::GdipIsOutlineVisiblePathPoint(native_, x, y, pen.GetNative(),
                                            graphics ? graphics->GetNative() : nullptr,
                                            &visible));
  return visible != FALSE;
}

// ---- Region ---------------------------------------------------------------

GpStatus Region::DeleteNative(GpRegion* region) { return flat::GdipDeleteRegion(region); }

bool Region::Create() {
  GpRegion* region = nullptr;
  bool ok = Track(flat::GdipCreateRegion(&region));
  SetNative(ok ? region : nullptr);
  return ok;
}

bool Region::CreateRect(const RectF& rect) {
  GpRegion* region = nullptr;
  bool ok = Track(flat::GdipCreateRegionRect(&rect, &region));
  SetNative(ok ? region : nullptr);
  return ok;
}

bool Region::CreatePath(const GraphicsPath& path) {
  GpRegion* region = nullptr;
  bool ok = Track(flat::GdipCreateRegionPath(path.GetNative(), &region));
  SetNative(ok ? region : nullptr);
  return ok;
}

bool Region::CreateHrgn(HRGN source) {
  GpRegion* region = nullptr;
  bool ok = Track(flat::GdipCreateRegionHrgn(source, &region));
  SetNative(ok ? region : nullptr);
  return ok;
}

bool Region::Clone(Region& target) const {
  GpRegion* region = nullptr;
  bool ok = Track(flat::GdipCloneRegion(native_, &region));
  target.SetNative(ok ? region : nullptr);
  return ok;
}

bool Region::SetInfinite() { return Track(flat::GdipSetInfinite(native_)); }
bool Region::SetEmpty() { return Track(flat::GdipSetEmpty(native_)); }

bool Region::CombineRect(const RectF& rect, Gdiplus::CombineMode mode) {
  return Track(flat::GdipCombineRegionRect(native_, &rect, mode));
}

bool Region::CombineRegion(const Region& other, Gdiplus::CombineMode mode) {
  return Track(flat::GdipCombineRegionRegion(native_, other.GetNative(), mode));
}

bool Region::CombinePath(const GraphicsPath& path, Gdiplus::CombineMode mode) {
  return Track(flat::GdipCombineRegionPath(native_, path.GetNative(), mode));
}

bool Region::Translate(REAL dx, REAL dy) { return Track(flat::GdipTranslateRegion(native_, dx, dy)); }

RectF Region::GetBounds(const Graphics& graphics) const {
  RectF bounds(0, 0, 0, 0);
  if (!Track(flat::GdipGetRegionBounds(native_, graphics.GetNative(), &bounds)))
    bounds = RectF(0, 0, 0, 0);
  return bounds;
}

HRGN Region::GetHRGN(const Graphics& graphics) const {
  HRGN region = nullptr;
  if (!Track(flat::GdipGetRegionHRgn(native_, graphics.GetNative(), &region))) return nullptr;
  return region;
}

bool Region::IsEmptyRegion(const Graphics& graphics) const {
  BOOL result = FALSE;
  Track(flat::GdipIsEmptyRegion(native_, graphics.GetNative(), &result));
  return result != FALSE;
}

bool Region::IsInfiniteRegion(const Graphics& graphics) const {
  BOOL result = FALSE;
  Track(flat::GdipIsInfiniteRegion(native_, graphics.GetNative(), &result));
  return result != FALSE;
}

bool Region::IsEqual(const Region& other, const Graphics& graphics) const {
  BOOL result = FALSE;
  Track(flat::GdipIsEqualRegion(native_, other.GetNative(), graphics.GetNative(), &result));
  return result != FALSE;
}

bool Region::IsVisible(REAL x, REAL y, const Graphics* graphics) const {
  BOOL result = FALSE;
  Track(flat::GdipIsVisibleRegionPoint(native_, x, y, graphics ? graphics->GetNative() : nullptr,
                                       &result));
  return result != FALSE;
}

}  // namespace quorlin::graphics
