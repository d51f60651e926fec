#pragma once
// Shared painting model of the skinned controls: a control paints into an
// off-screen image that first receives what lies behind it on its skinned
// window, draws itself over that, and commits the result to the screen and to
// the window's composite image.
#include <windows.h>

#include <string_view>

#include "graphics/drawing.h"

namespace quorlin::skin {

// Painting settings shared by the painters.
extern COLORREF AccentColour;
extern int TranslucentControls;
extern int VeilAlpha;

// COLORREF (red in byte 0) <-> ARGB (blue in byte 0, alpha in byte 3).
DWORD ArgbFromColorRef(DWORD colour, int alpha = 255, bool useAlpha = false);
struct ColourAndAlpha {
  COLORREF colour;
  int alpha;
};
ColourAndAlpha ColorRefFromArgb(DWORD argb);

// A bottom-up 32-bit DIB section, all zero.
HBITMAP CreateDib32(int width, int height);

// Memory DCs handed between painters: a DC is listed with its bitmap and the
// bitmap it displaced, and ReleaseDcBitmap undoes all three.
void RegisterDcBitmap(HDC dc, HBITMAP bitmap, HGDIOBJ previous);
int ReleaseDcBitmap(HDC dc);
size_t DcBitmapCacheSize();

// Releases a cached DC at the end of a scope.
class CachedDc {
 public:
  explicit CachedDc(HDC dc) : dc_(dc) {}
  ~CachedDc() { ReleaseDcBitmap(dc_); }
  CachedDc(const CachedDc&) = delete;
  CachedDc& operator=(const CachedDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// A memory DC holding the picture behind rect (control client coordinates):
// the window's back buffer at that place, or transparent black when the
// control is not on a skinned window. Release it with ReleaseDcBitmap.
HDC PaintParentBackground(HWND control, const RECT& rect);
// Copies the same picture into target at (x, y); false, leaving target as it
// was, when there is none (the control is not on a skinned window).
bool CopyParentBackground(HWND control, const RECT& rect, HDC target, int x, int y);

struct SkinAncestor {
  bool found = false;
  int skinId = 0;
  int containerIndex = 0;
  HWND stopWindow = nullptr;
};
SkinAncestor FindSkinAncestor(HWND window, bool honourStops);
int FindTopSkinId(HWND window);

RECT WindowRectInSkin(HWND window);
RECT RectRelativeTo(HWND reference, HWND window);
RECT ClientRectInSkin(HWND window);
// The control's offset in its skinned window or in the container holding it.
POINT OffsetInContainer(HWND control);

HDC ExcludeVisibleChildren(HWND window, HDC dc);
// The record whose composite image holds window: its Kj_FuID (toolbar family)
// or Hw_FuID, or its own Hw_lbID when it is the top-level window itself.
struct SkinRecord;
SkinRecord* CompositeOwner(HWND window, bool useToolbarKey);
// The picture is taken from source at sourceOrigin.
void BlitToComposite(HWND window, HDC source, bool useToolbarKey = false, bool useWindowRect = false,
                     POINT sourceOrigin = {0, 0});
void BlitToCompositeKeyed(HWND window, HDC source, COLORREF key, bool useToolbarKey = false);
void MarkContainerStale(HWND window);

// Paths and text effects.
void AddRoundRectPath(graphics::GraphicsPath& path, float x, float y, float width, float height, float d);

// Small drawing steps every painter takes. Colours are COLORREFs with an
// alpha; pens are one pixel wide.
inline constexpr COLORREF Black = 0x000000, White = 0xFFFFFF;
graphics::ARGB Argb(int alpha, COLORREF colour);
// A new path holding one rounded rectangle (AddRoundRectPath).
graphics::GraphicsPath RoundRectPath(float x, float y, float width, float height, float d);
void FillSolid(graphics::Graphics& g, const graphics::GraphicsPath& path, graphics::ARGB colour);
// A linear gradient from colour `from` at point a to `to` at point b.
void FillGradient(graphics::Graphics& g, const graphics::GraphicsPath& path, graphics::PointF a, graphics::PointF b,
                  graphics::ARGB from, graphics::ARGB to);
void Stroke(graphics::Graphics& g, const graphics::GraphicsPath& path, graphics::ARGB colour);
void StrokeLine(graphics::Graphics& g, graphics::ARGB colour, float x1, float y1, float x2, float y2);
// The outline of a rectangle with a pen of that width.
void StrokeRect(graphics::Graphics& g, graphics::ARGB colour, float x, float y, float width, float height,
                float penWidth = 1.0f);
// The ring of an edit field or list control: the white veil (VeilAlpha under
// translucency, else opaque) over the window of that size, its client area
// left as it is.
void VeilRing(graphics::Graphics& g, SIZE size, const RECT& client);
void AddTopRoundedPath(graphics::GraphicsPath& path, float x, float y, float width, float height, float d);
void DrawSoftEdge(graphics::Graphics& g, graphics::GraphicsPath& path, int rings, COLORREF colour, int alpha);

struct GlowTextOptions {
  float scale = 4;
  const char* face = "宋体";
  int style = 0;
  float size = 12;
  int hAlign = 0;  // StringAlignment: 0 near, 1 centre, 2 far
  int vAlign = 0;
  bool wrap = true;
  bool ellipsis = false;
};
void DrawGlowText(graphics::Graphics& g, std::string_view text, float x, float y, float width, float height,
                  COLORREF textColour, COLORREF glowColour, const GlowTextOptions& options = {});
// Size of the shrunken intermediate of the last DrawGlowText (for tests).
SIZE LastGlowIntermediateSize();

}  // namespace quorlin::skin
