// Drawing surfaces and drawing objects: graphics, pen, brushes, fonts,
// string formats, paths, regions and font collections.
#pragma once

#include "graphics/image.h"
#include "graphics/status.h"

#include <string>
#include <vector>

namespace quorlin::graphics {

using Gdiplus::MatrixOrder;
using Gdiplus::MatrixOrderAppend;
using Gdiplus::MatrixOrderPrepend;
using Gdiplus::Unit;

class Pen;
class Brush;
class Font;
class FontFamily;
class FontCollection;
class StringFormat;
class GraphicsPath;
class Region;

// A drawing surface on a device context, window or image.
class Graphics : public NativeWrapper<Graphics, GpGraphics> {
 public:
  static GpStatus DeleteNative(GpGraphics* graphics);

  bool FromHWND(HWND window, bool useIcm = false);
  // GdipCreateFromHDC2 only when device is given.
  bool FromHDC(HDC dc, HANDLE device = nullptr);
  bool FromImage(const Image& image);

  HDC GetDC();
  bool ReleaseDC(HDC dc);
  bool Flush(Gdiplus::FlushIntention intention = Gdiplus::FlushIntentionFlush);

  bool SetCompositingMode(Gdiplus::CompositingMode mode);
  Gdiplus::CompositingMode GetCompositingMode() const;
  bool SetCompositingQuality(Gdiplus::CompositingQuality quality);
  Gdiplus::CompositingQuality GetCompositingQuality() const;
  bool SetSmoothingMode(Gdiplus::SmoothingMode mode);
  Gdiplus::SmoothingMode GetSmoothingMode() const;
  bool SetTextRenderingHint(Gdiplus::TextRenderingHint hint);
  Gdiplus::TextRenderingHint GetTextRenderingHint() const;
  bool SetInterpolationMode(Gdiplus::InterpolationMode mode);
  Gdiplus::InterpolationMode GetInterpolationMode() const;
  bool SetPixelOffsetMode(Gdiplus::PixelOffsetMode mode);
  Gdiplus::PixelOffsetMode GetPixelOffsetMode() const;

  bool ResetWorldTransform();
  bool TranslateWorldTransform(REAL dx, REAL dy, MatrixOrder order = MatrixOrderPrepend);
  bool ScaleWorldTransform(REAL sx, REAL sy, MatrixOrder order = MatrixOrderPrepend);
  bool RotateWorldTransform(REAL angle, MatrixOrder order = MatrixOrderPrepend);
  // Scale or rotate about point instead of the origin.
  bool ScaleAt(REAL sx, REAL sy, PointF point, MatrixOrder order = MatrixOrderPrepend);
  bool RotateAt(REAL angle, PointF point, MatrixOrder order = MatrixOrderPrepend);
  // The six elements m11, m12, m21, m22, dx, dy of the world transform.
  bool GetWorldTransform(REAL elements[6]) const;
  bool TransformPoints(Gdiplus::CoordinateSpace destination, Gdiplus::CoordinateSpace source,
                       PointF* points, INT count) const;

  bool SetPageUnit(Unit unit);
  Unit GetPageUnit() const;
  bool SetPageScale(REAL scale);
  REAL GetPageScale() const;
  REAL GetDpiX() const;
  REAL GetDpiY() const;

  bool Clear(ARGB colour);
  bool DrawLine(const Pen& pen, REAL x1, REAL y1, REAL x2, REAL y2);
  bool DrawLines(const Pen& pen, const PointF* points, INT count);
  bool DrawArc(const Pen& pen, REAL x, REAL y, REAL width, REAL height, REAL startAngle,
               REAL sweepAngle);
  bool DrawRectangle(const Pen& pen, REAL x, REAL y, REAL width, REAL height);
  bool DrawEllipse(const Pen& pen, REAL x, REAL y, REAL width, REAL height);
  bool DrawPolygon(const Pen& pen, const PointF* points, INT count);
  bool DrawPath(const Pen& pen, const GraphicsPath& path);
  bool FillRectangle(const Brush& brush, REAL x, REAL y, REAL width, REAL height);
  bool FillRectangle(const Brush& brush, const RectF& rect);
  bool FillEllipse(const Brush& brush, REAL x, REAL y, REAL width, REAL height);
  bool FillPolygon(const Brush& brush, const PointF* points, INT count,
                   Gdiplus::FillMode mode = Gdiplus::FillModeAlternate);
  bool FillPath(const Brush& brush, const GraphicsPath& path);
  bool FillRegion(const Brush& brush, const Region& region);

  // text: ANSI. format may be null (the default format).
  bool DrawString(const char* text, const Font& font, const RectF& layout,
                  const StringFormat* format, const Brush& brush);
  bool DrawStringW(const wchar_t* text, INT length, const Font& font, const RectF& layout,
                   const StringFormat* format, const Brush& brush);
  bool MeasureString(const char* text, const Font& font, const RectF& layout,
                     const StringFormat* format, RectF* bounds, INT* codepointsFitted = nullptr,
                     INT* linesFilled = nullptr) const;
  bool MeasureStringW(const wchar_t* text, INT length, const Font& font, const RectF& layout,
                      const StringFormat* format, RectF* bounds,
                      INT* codepointsFitted = nullptr, INT* linesFilled = nullptr) const;

  bool DrawImage(const Image& image, REAL x, REAL y);
  // The whole image into the rectangle.
  bool DrawImageRect(const Image& image, REAL x, REAL y, REAL width, REAL height,
                     Unit sourceUnit = Gdiplus::UnitPixel);
  bool DrawImageRectRect(const Image& image, REAL x, REAL y, REAL width, REAL height,
                         REAL srcX, REAL srcY, REAL srcWidth, REAL srcHeight,
                         Unit sourceUnit = Gdiplus::UnitPixel);

  bool SetClipPath(const GraphicsPath& path,
                   Gdiplus::CombineMode mode = Gdiplus::CombineModeReplace);
  bool SetClipRect(REAL x, REAL y, REAL width, REAL height,
                   Gdiplus::CombineMode mode = Gdiplus::CombineModeReplace);
  bool SetClipRegion(const Region& region,
                     Gdiplus::CombineMode mode = Gdiplus::CombineModeReplace);
  bool SetClipHrgn(HRGN region, Gdiplus::CombineMode mode = Gdiplus::CombineModeReplace);
  bool ResetClip();
  RectF GetClipBounds() const;
  bool IsClipEmpty() const;

  // Returns the state (0 on failure) for Restore.
  Gdiplus::GraphicsState Save();
  bool Restore(Gdiplus::GraphicsState state);
};

class Pen : public NativeWrapper<Pen, GpPen> {
 public:
  static GpStatus DeleteNative(GpPen* pen);

  bool Create(ARGB colour, REAL width, Unit unit = Gdiplus::UnitWorld);
  bool CreateFromBrush(const Brush& brush, REAL width, Unit unit = Gdiplus::UnitWorld);
  bool Clone(Pen& target) const;

  REAL GetWidth() const;
  bool SetWidth(REAL width);
  Unit GetUnit() const;
  bool SetUnit(Unit unit);
  ARGB GetColor() const;
  bool SetColor(ARGB colour);
  bool SetBrushFill(const Brush& brush);
  bool SetLineCap(Gdiplus::LineCap start, Gdiplus::LineCap end, Gdiplus::DashCap dash);
  bool SetStartCap(Gdiplus::LineCap cap);
  bool SetEndCap(Gdiplus::LineCap cap);
  bool SetLineJoin(Gdiplus::LineJoin join);
  Gdiplus::LineJoin GetLineJoin() const;
  bool SetMiterLimit(REAL limit);
  bool SetAlignment(Gdiplus::PenAlignment alignment);
  bool SetDashStyle(Gdiplus::DashStyle style);
  Gdiplus::DashStyle GetDashStyle() const;
  bool SetDashOffset(REAL offset);
  bool SetDashArray(const REAL* dashes, INT count);
  std::vector<REAL> GetDashArray() const;

  bool ResetTransform();
  bool TranslateTransform(REAL dx, REAL dy, MatrixOrder order = MatrixOrderPrepend);
  bool ScaleTransform(REAL sx, REAL sy, MatrixOrder order = MatrixOrderPrepend);
  bool RotateTransform(REAL angle, MatrixOrder order = MatrixOrderPrepend);
  bool ScaleAt(REAL sx, REAL sy, PointF point, MatrixOrder order = MatrixOrderPrepend);
  bool RotateAt(REAL angle, PointF point, MatrixOrder order = MatrixOrderPrepend);
};

// Base of the brush kinds.
class Brush : public NativeWrapper<Brush, GpBrush> {
 public:
  static GpStatus DeleteNative(GpBrush* brush);

  bool Clone(Brush& target) const;
  // A BrushType; -1 when the call failed.
  int GetBrushType() const;
};

class SolidBrush : public Brush {
 public:
  bool Create(ARGB colour);
  bool SetColor(ARGB colour);
  ARGB GetColor() const;
};

class LinearGradientBrush : public Brush {
 public:
  GpLineGradient* GetNativeLine() const { return static_cast<GpLineGradient*>(native_); }

  bool Create(PointF point1, PointF point2, ARGB colour1, ARGB colour2,
              Gdiplus::WrapMode wrap = Gdiplus::WrapModeTile);
  bool CreateFromRect(const RectF& rect, ARGB colour1, ARGB colour2,
                      Gdiplus::LinearGradientMode mode,
                      Gdiplus::WrapMode wrap = Gdiplus::WrapModeTile);
  bool CreateFromRectWithAngle(const RectF& rect, ARGB colour1, ARGB colour2, REAL angle,
                               bool isAngleScalable = false,
                               Gdiplus::WrapMode wrap = Gdiplus::WrapModeTile);

  bool GetColors(ARGB* colour1, ARGB* colour2) const;
  bool SetColors(ARGB colour1, ARGB colour2);
  RectF GetRect() const;
  bool SetGammaCorrection(bool useGamma);
  bool SetBlend(const REAL* factors, const REAL* positions, INT count);
  bool SetPresetBlend(const ARGB* colours, const REAL* positions, INT count);
  bool SetSigmaBlend(REAL focus, REAL scale = 1.0f);
  bool SetLinearBlend(REAL focus, REAL scale = 1.0f);
  Gdiplus::WrapMode GetWrapMode() const;
  bool SetWrapMode(Gdiplus::WrapMode wrap);

  bool ResetTransform();
  bool TranslateTransform(REAL dx, REAL dy, MatrixOrder order = MatrixOrderPrepend);
  bool ScaleTransform(REAL sx, REAL sy, MatrixOrder order = MatrixOrderPrepend);
  bool RotateTransform(REAL angle, MatrixOrder order = MatrixOrderPrepend);
  bool ScaleAt(REAL sx, REAL sy, PointF point, MatrixOrder order = MatrixOrderPrepend);
  bool RotateAt(REAL angle, PointF point, MatrixOrder order = MatrixOrderPrepend);
};

class PathGradientBrush : public Brush {
 public:
  GpPathGradient* GetNativeGradient() const { return static_cast<GpPathGradient*>(native_); }

  bool Create(const PointF* points, INT count,
              Gdiplus::WrapMode wrap = Gdiplus::WrapModeClamp);
  bool FromPath(const GraphicsPath& path);

  ARGB GetCenterColor() const;
  bool SetCenterColor(ARGB colour);
  INT GetPointCount() const;
  INT GetSurroundColorCount() const;
  // count: in, the colours given; out, the colours GDI+ took.
  bool SetSurroundColors(const ARGB* colours, INT* count);
  std::vector<ARGB> GetSurroundColors() const;
  PointF GetCenterPoint() const;
  bool SetCenterPoint(PointF point);
  bool GetFocusScales(REAL* x, REAL* y) const;
  bool SetFocusScales(REAL x, REAL y);
  bool SetBlend(const REAL* factors, const REAL* positions, INT count);
  bool SetPresetBlend(const ARGB* colours, const REAL* positions, INT count);
  bool SetSigmaBlend(REAL focus, REAL scale = 1.0f);
  bool SetLinearBlend(REAL focus, REAL scale = 1.0f);
  Gdiplus::WrapMode GetWrapMode() const;
  bool SetWrapMode(Gdiplus::WrapMode wrap);

  bool ResetTransform();
  bool TranslateTransform(REAL dx, REAL dy, MatrixOrder order = MatrixOrderPrepend);
  bool ScaleTransform(REAL sx, REAL sy, MatrixOrder order = MatrixOrderPrepend);
  bool RotateTransform(REAL angle, MatrixOrder order = MatrixOrderPrepend);
  bool ScaleAt(REAL sx, REAL sy, PointF point, MatrixOrder order = MatrixOrderPrepend);
  bool RotateAt(REAL angle, PointF point, MatrixOrder order = MatrixOrderPrepend);
};

class TextureBrush : public Brush {
 public:
  GpTexture* GetNativeTexture() const { return static_cast<GpTexture*>(native_); }

  // GDI+ copies the image: it need not outlive the brush.
  bool Create(const Image& image, Gdiplus::WrapMode wrap = Gdiplus::WrapModeTile);
  bool CreateRect(const Image& image, Gdiplus::WrapMode wrap, REAL x, REAL y, REAL width,
                  REAL height);
  Gdiplus::WrapMode GetWrapMode() const;
  bool SetWrapMode(Gdiplus::WrapMode wrap);
  bool GetImage(Image& target) const;

  bool ResetTransform();
  bool TranslateTransform(REAL dx, REAL dy, MatrixOrder order = MatrixOrderPrepend);
  bool ScaleTransform(REAL sx, REAL sy, MatrixOrder order = MatrixOrderPrepend);
  bool RotateTransform(REAL angle, MatrixOrder order = MatrixOrderPrepend);
  bool ScaleAt(REAL sx, REAL sy, PointF point, MatrixOrder order = MatrixOrderPrepend);
  bool RotateAt(REAL angle, PointF point, MatrixOrder order = MatrixOrderPrepend);
};

// A font collection. An empty wrapper stands for the installed fonts; a
// created one is a private collection owned by the wrapper.
class FontCollection : public NativeWrapper<FontCollection, GpFontCollection> {
 public:
  static GpStatus DeleteNative(GpFontCollection* collection);

  bool CreatePrivate();
  bool AddFontFile(const char* path);
  // The collection GDI+ calls use: this one, or the installed fonts when empty.
  GpFontCollection* Resolve() const;

  INT GetFamilyCount() const;
  // Up to count families (each wrapper owns its own reference). count < 1
  // sets LastStatus to InvalidParameter and gives none.
  std::vector<FontFamily> GetFamilies(INT count) const;
};

class FontFamily : public NativeWrapper<FontFamily, GpFontFamily> {
 public:
  static GpStatus DeleteNative(GpFontFamily* family);

  // Among the installed fonts when collection is null or empty.
  bool FromName(const char* name, const FontCollection* collection = nullptr);
  bool FromNameW(const wchar_t* name, const FontCollection* collection = nullptr);
  bool GenericSansSerif();
  bool GenericSerif();
  bool GenericMonospace();
  bool Clone(FontFamily& target) const;

  std::string GetFamilyName(LANGID language = 0) const;
  std::wstring GetFamilyNameW(LANGID language = 0) const;
  bool IsStyleAvailable(INT style) const;
  UINT16 GetEmHeight(INT style = 0) const;
  UINT16 GetCellAscent(INT style = 0) const;
  UINT16 GetCellDescent(INT style = 0) const;
  UINT16 GetLineSpacing(INT style = 0) const;
};

class Font : public NativeWrapper<Font, GpFont> {
 public:
  static GpStatus DeleteNative(GpFont* font);

  // With unit UnitWorld a size is in pixels on an untransformed surface.
  bool CreateFromFamily(const FontFamily& family, REAL size, INT style = 0,
                        Unit unit = Gdiplus::UnitWorld);
  // By face name among the installed fonts; a name that is not installed
  // leaves the font empty and returns false.
  bool Create(const char* familyName, REAL size, INT style = 0, Unit unit = Gdiplus::UnitWorld);
  bool CreateW(const wchar_t* familyName, REAL size, INT style = 0,
               Unit unit = Gdiplus::UnitWorld);
  // The DEFAULT_GUI_FONT stock font on the screen.
  bool FromStockFont();
  // The font of font when its LOGFONTA can be read, else the font selected
  // into dc.
  bool FromDC(HDC dc, HFONT font = nullptr);
  bool FromLogfontA(HDC dc, const LOGFONTA& logfont);
  bool FromLogfontW(HDC dc, const LOGFONTW& logfont);
  bool Clone(Font& target) const;

  bool GetLogFontA(const Graphics& graphics, LOGFONTA* logfont) const;
  bool GetFamily(FontFamily& target) const;
  INT GetStyle() const;
  REAL GetSize() const;
  Unit GetUnit() const;
  // Line spacing in the graphics' units (the screen's when graphics is null).
  REAL GetHeight(const Graphics* graphics = nullptr) const;
  REAL GetHeightGivenDPI(REAL dpi) const;
};

class StringFormat : public NativeWrapper<StringFormat, GpStringFormat> {
 public:
  static GpStatus DeleteNative(GpStringFormat* format);

  bool Create(INT flags = 0, LANGID language = 0);
  bool GenericDefault();
  bool GenericTypographic();
  bool Clone(StringFormat& target) const;

  bool SetFlags(INT flags);
  INT GetFlags() const;
  bool SetAlign(Gdiplus::StringAlignment align);
  Gdiplus::StringAlignment GetAlign() const;
  bool SetLineAlign(Gdiplus::StringAlignment align);
  Gdiplus::StringAlignment GetLineAlign() const;
  bool SetTrimming(Gdiplus::StringTrimming trimming);
  Gdiplus::StringTrimming GetTrimming() const;
  bool SetHotkeyPrefix(INT prefix);
  INT GetHotkeyPrefix() const;
  bool SetTabStops(REAL firstOffset, const REAL* stops, INT count);
};

class GraphicsPath : public NativeWrapper<GraphicsPath, GpPath> {
 public:
  static GpStatus DeleteNative(GpPath* path);

  bool Create(Gdiplus::FillMode mode = Gdiplus::FillModeAlternate);
  bool Clone(GraphicsPath& target) const;
  bool Reset();
  Gdiplus::FillMode GetFillMode() const;
  bool SetFillMode(Gdiplus::FillMode mode);

  INT GetPointCount() const;
  std::vector<PointF> GetPoints() const;
  std::vector<BYTE> GetTypes() const;
  bool GetLastPoint(PointF* point) const;

  bool StartFigure();
  bool CloseFigure();
  bool CloseFigures();
  bool AddLine(REAL x1, REAL y1, REAL x2, REAL y2);
  bool AddLines(const PointF* points, INT count);
  bool AddArc(REAL x, REAL y, REAL width, REAL height, REAL startAngle, REAL sweepAngle);
  bool AddBezier(REAL x1, REAL y1, REAL x2, REAL y2, REAL x3, REAL y3, REAL x4, REAL y4);
  bool AddRectangle(REAL x, REAL y, REAL width, REAL height);
  bool AddEllipse(REAL x, REAL y, REAL width, REAL height);
  bool AddPie(REAL x, REAL y, REAL width, REAL height, REAL startAngle, REAL sweepAngle);
  bool AddPolygon(const PointF* points, INT count);
  bool AddPath(const GraphicsPath& other, bool connect);
  // A closed figure of four corner arcs, each corner percent (clamped to
  // 1..100) of the rectangle's width and height.
  bool AddRoundRect(REAL x, REAL y, REAL width, REAL height, int corner);
  // text: ANSI. format may be null.
  bool AddString(const char* text, const FontFamily& family, INT style, REAL emSize,
                 const RectF& layout, const StringFormat* format);

  bool Flatten(REAL flatness = 0.25f);
  bool Widen(const Pen& pen, REAL flatness = 0.25f);
  // Bounds of the path, or of its outline drawn with pen.
  RectF GetBounds(const Pen* pen = nullptr) const;
  bool IsVisible(REAL x, REAL y, const Graphics* graphics = nullptr) const;
  bool IsOutlineVisible(REAL x, REAL y, const Pen& pen, const Graphics* graphics = nullptr) const;
};

class Region : public NativeWrapper<Region, GpRegion> {
 public:
  static GpStatus DeleteNative(GpRegion* region);

  bool Create();  // infinite
  bool CreateRect(const RectF& rect);
  bool CreatePath(const GraphicsPath& path);
  bool CreateHrgn(HRGN region);
  bool Clone(Region& target) const;

  bool SetInfinite();
  bool SetEmpty();
  bool CombineRect(const RectF& rect, Gdiplus::CombineMode mode);
  bool CombineRegion(const Region& other, Gdiplus::CombineMode mode);
  bool CombinePath(const GraphicsPath& path, Gdiplus::CombineMode mode);
  bool Translate(REAL dx, REAL dy);

  RectF GetBounds(const Graphics& graphics) const;
  // The caller owns the result (DeleteObject); 0 on failure.
  HRGN GetHRGN(const Graphics& graphics) const;
  bool IsEmptyRegion(const Graphics& graphics) const;
  bool IsInfiniteRegion(const Graphics& graphics) const;
  bool IsEqual(const Region& other, const Graphics& graphics) const;
  bool IsVisible(REAL x, REAL y, const Graphics* graphics = nullptr) const;
};

}  // namespace quorlin::graphics
