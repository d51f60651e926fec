#include "skin/core/painting.h"

#include <vector>

#include "graphics/drawing.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {

COLORREF AccentColour = 0;
int TranslucentControls = 0;
int VeilAlpha = 0;

namespace {

struct DcBitmap {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ previous;
};
std::vector<DcBitmap> DcBitmapCache;

}  // namespace

DWORD ArgbFromColorRef(DWORD colour, int alpha, bool useAlpha) {
  const DWORD r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
  const DWORD a = useAlpha ? static_cast<DWORD>(alpha) & 0xFF : 0xFF;
  return (a << 24) | (r << 16) | (g << 8) | b;
}

ColourAndAlpha ColorRefFromArgb(DWORD argb) {
  const DWORD b = argb & 0xFF, g = (argb >> 8) & 0xFF, r = (argb >> 16) & 0xFF;
  return {static_cast<COLORREF>(r | (g << 8) | (b << 16)), static_cast<int>(argb >> 24)};
}

HBITMAP CreateDib32(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

void RegisterDcBitmap(HDC dc, HBITMAP bitmap, HGDIOBJ previous) {
  for (DcBitmap& entry : DcBitmapCache) {
    if (entry.dc == dc) {
      entry.bitmap = bitmap;
      entry.previous = previous;
      return;
    }
  }
  DcBitmapCache.push_back({dc, bitmap, previous});
}

int ReleaseDcBitmap(HDC dc) {
  if (!dc) return 0;
  for (auto it = DcBitmapCache.begin(); it != DcBitmapCache.end(); ++it) {
    if (it->dc != dc) continue;
    HGDIOBJ out = SelectObject(dc, it->previous);
    DeleteObject(out ? out : it->bitmap);
    DeleteDC(dc);
    DcBitmapCache.erase(it);
    return 1;
  }
  return 0;
}

size_t DcBitmapCacheSize() { return DcBitmapCache.size(); }

SkinAncestor FindSkinAncestor(HWND window, bool honourStops) {
  SkinAncestor result;
  if (const int id = FindSkinId(window)) {
    result.found = true;
    result.skinId = id;
    return result;
  }
  for (HWND a = GetParent(window); a; a = GetParent(a)) {
    if (const int id = FindSkinId(a)) {
      result.found = true;
      result.skinId = id;
      return result;
    }
    for (size_t r = 0; r < SkinRegistry.size(); ++r) {
      const auto& containers = SkinRegistry[r]->containers;
      for (size_t m = 0; m < containers.size(); ++m) {
        if (containers[m].hwnd != a) continue;
        if (honourStops && GetPropA(a, PropStopWindow)) {
          result.stopWindow = static_cast<HWND>(GetPropA(a, PropStopWindow));
          return result;
        }
        result.skinId = static_cast<int>(r + 1);
        result.containerIndex = static_cast<int>(m + 1);
        return result;
      }
    }
  }
  return result;
}

int FindTopSkinId(HWND window) {
  if (const int id = FindSkinId(window)) return id;
  const HWND root = GetAncestor(window, GA_ROOTOWNER);
  for (HWND w = window; w;) {
    w = GetParent(w);
    if (!w) break;
    if (const int id = FindSkinId(w)) return id;
    if (w == root) break;
  }
  return 0;
}

RECT RectRelativeTo(HWND reference, HWND window) {
  RECT ref = {}, r = {};
  GetWindowRect(reference, &ref);
  GetWindowRect(window, &r);
  OffsetRect(&r, -ref.left, -ref.top);
  return r;
}

RECT WindowRectInSkin(HWND window) {
  const SkinRecord* record = SkinRecordById(FindTopSkinId(window));
  RECT r = {};
  GetWindowRect(window, &r);
  if (record) {
    RECT top = {};
    GetWindowRect(record->hwnd, &top);
    OffsetRect(&r, -top.left, -top.top);
  }
  return r;
}

RECT ClientRectInSkin(HWND window) {
  RECT r = WindowRectInSkin(window);
  RECT client = {};
  GetClientRect(window, &client);
  int cw = client.right, ch = client.bottom;
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  SCROLLBARINFO sb = {};
  sb.cbSize = sizeof sb;
  if ((style & WS_VSCROLL) && GetScrollBarInfo(window, OBJID_VSCROLL, &sb)) cw += sb.rcScrollBar.right - sb.rcScrollBar.left;
  if ((style & WS_HSCROLL) && GetScrollBarInfo(window, OBJID_HSCROLL, &sb)) ch += sb.rcScrollBar.bottom - sb.rcScrollBar.top;
  const int left = ((r.right - r.left) - cw) / 2;
  const int top = ((r.bottom - r.top) - ch) / 2;
  return RECT{r.left + left, r.top + top, r.right - left, r.bottom - top};
}

POINT OffsetInContainer(HWND control) {
  if (FindSkinId(control)) return POINT{0, 0};
  for (HWND a = GetParent(control); a; a = GetParent(a)) {
    bool isContainer = FindSkinId(a) != 0;
    for (size_t r = 0; r < SkinRegistry.size() && !isContainer; ++r)
      for (const ContainerState& c : SkinRegistry[r]->containers)
        if (c.hwnd == a) isContainer = true;
    if (isContainer) {
      const RECT rel = RectRelativeTo(a, control);
      return POINT{rel.left, rel.top};
    }
  }
  return POINT{0, 0};
}

HDC PaintParentBackground(HWND control, const RECT& rect) {
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  HBITMAP bmp = CreateDib32(w, h);
  HDC mem = CreateCompatibleDC(nullptr);
  if (!mem) {
    // Nothing to register: a null DC in the cache would keep the bitmap for ever.
    if (bmp) DeleteObject(bmp);
    return nullptr;
  }
  RegisterDcBitmap(mem, bmp, SelectObject(mem, bmp));
  CopyParentBackground(control, rect, mem, 0, 0);
  return mem;
}

namespace {

// A container that paints nothing of its own beneath its children (no page,
// fill or shape) lets the window show through: its children get the window's
// background at their place, as the controls beside it do.
bool ShowsWindowThrough(const SkinRecord& record, int containerIndex) {
  if (containerIndex < 1 || containerIndex > static_cast<int>(record.containers.size())) return false;
  const ContainerState& c = record.containers[static_cast<size_t>(containerIndex - 1)];
  return !c.pageBackground && c.fillColour == 0 && c.shape == 0;
}

}  // namespace

bool CopyParentBackground(HWND control, const RECT& rect, HDC target, int x, int y) {
  const SkinAncestor ancestor = FindSkinAncestor(control, true);
  const SkinRecord* record = SkinRecordById(ancestor.skinId);
  if (!record || !record->backBufferDc) return false;
  POINT o = {};
  if (ancestor.found) {
    o = OffsetInContainer(control);
  } else if (ShowsWindowThrough(*record, ancestor.containerIndex)) {
    const RECT inWindow = RectRelativeTo(record->hwnd, control);
    o = POINT{inWindow.left, inWindow.top};
  } else {
    return false;
  }
  return BitBlt(target, x, y, rect.right - rect.left, rect.bottom - rect.top, record->backBufferDc, o.x + rect.left,
                o.y + rect.top, SRCCOPY) != FALSE;
}

HDC ExcludeVisibleChildren(HWND window, HDC dc) {
  for (HWND child = FindWindowExA(window, nullptr, nullptr, nullptr); child;
       child = FindWindowExA(window, child, nullptr, nullptr)) {
    if (!IsWindowVisible(child) || (GetWindowLongPtrA(child, GWL_EXSTYLE) & WS_EX_TRANSPARENT)) continue;
    const RECT r = WindowRectInSkin(child);
    ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
  return dc;
}

SkinRecord* CompositeOwner(HWND window, bool useToolbarKey) {
  int id = GetIntProp(window, useToolbarKey ? PropToolbarOwner : PropOwnerSkinId);
  if (id == 0) id = GetIntProp(window, PropSkinId);
  return SkinRecordById(id);
}

void BlitToComposite(HWND window, HDC source, bool useToolbarKey, bool useWindowRect, POINT sourceOrigin) {
  SkinRecord* record = CompositeOwner(window, useToolbarKey);
  if (!record || !record->frameSnapshotDc) return;
  const RECT r = useWindowRect ? WindowRectInSkin(window) : ClientRectInSkin(window);
  HDC target = ExcludeVisibleChildren(window, record->frameSnapshotDc);
  BitBlt(target, r.left, r.top, r.right - r.left, r.bottom - r.top, source, sourceOrigin.x, sourceOrigin.y, SRCCOPY);
  SelectClipRgn(target, nullptr);
}

void BlitToCompositeKeyed(HWND window, HDC source, COLORREF key, bool useToolbarKey) {
  SkinRecord* record = CompositeOwner(window, useToolbarKey);
  if (!record || !record->frameSnapshotDc) return;
  const RECT r = WindowRectInSkin(window);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC target = ExcludeVisibleChildren(window, record->frameSnapshotDc);
  TransparentBlt(target, r.left, r.top, w, h, source, 0, 0, w, h, key);
  SelectClipRgn(target, nullptr);
}

void MarkContainerStale(HWND window) {
  HWND parent = GetParent(window);
  SkinRecord* record = SkinRecordById(GetIntProp(parent, PropOwnerSkinId));
  if (!record) return;
  for (ContainerState& c : record->containers)
    if (c.hwnd && c.hwnd == parent) c.stale = true;
}

}  // namespace quorlin::skin

// ---- paths and text effects -----------------------------------------------

namespace quorlin::skin {

namespace {
SIZE lastGlowIntermediate = {0, 0};
}

void AddRoundRectPath(graphics::GraphicsPath& path, float x, float y, float w, float h, float d) {
  if (d < 1) d = 1;
  if (d > 100) d = 100;
  path.AddArc(x + w - d, y, d, d, 270, 90);
  path.AddArc(x + w - d - 1, y + h - d - 1, d + 1, d + 1, 0, 90);
  path.AddArc(x, y + h - d, d, d, 90, 90);
  path.AddArc(x, y, d, d, 180, 90);
  path.CloseFigure();
}

graphics::ARGB Argb(int alpha, COLORREF colour) { return ArgbFromColorRef(colour, alpha, true); }

graphics::GraphicsPath RoundRectPath(float x, float y, float w, float h, float d) {
  graphics::GraphicsPath path;
  path.Create();
  AddRoundRectPath(path, x, y, w, h, d);
  return path;
}

void FillSolid(graphics::Graphics& g, const graphics::GraphicsPath& path, graphics::ARGB colour) {
  graphics::SolidBrush brush;
  if (brush.Create(colour)) g.FillPath(brush, path);
}

void FillGradient(graphics::Graphics& g, const graphics::GraphicsPath& path, graphics::PointF a, graphics::PointF b,
                  graphics::ARGB from, graphics::ARGB to) {
  graphics::LinearGradientBrush brush;
  if (brush.Create(a, b, from, to)) g.FillPath(brush, path);
}

void Stroke(graphics::Graphics& g, const graphics::GraphicsPath& path, graphics::ARGB colour) {
  graphics::Pen pen;
  if (pen.Create(colour, 1.0f)) g.DrawPath(pen, path);
}

void StrokeLine(graphics::Graphics& g, graphics::ARGB colour, float x1, float y1, float x2, float y2) {
  graphics::Pen pen;
  if (pen.Create(colour, 1.0f)) g.DrawLine(pen, x1, y1, x2, y2);
}

void StrokeRect(graphics::Graphics& g, graphics::ARGB colour, float x, float y, float width, float height,
                float penWidth) {
  graphics::Pen pen;
  if (pen.Create(colour, penWidth)) g.DrawRectangle(pen, x, y, width, height);
}

void VeilRing(graphics::Graphics& g, SIZE size, const RECT& client) {
  const float w = static_cast<float>(size.cx), h = static_cast<float>(size.cy);
  g.SetClipRect(0, 0, w, h, Gdiplus::CombineModeReplace);
  g.SetClipRect(static_cast<float>(client.left), static_cast<float>(client.top),
                static_cast<float>(client.right - client.left), static_cast<float>(client.bottom - client.top),
                Gdiplus::CombineModeXor);
  if (TranslucentControls) {
    graphics::SolidBrush veil;
    if (veil.Create(Argb(VeilAlpha, White))) g.FillRectangle(veil, 0, 0, w, h);
  } else {
    g.Clear(Argb(255, White));
  }
  g.ResetClip();
}

void AddTopRoundedPath(graphics::GraphicsPath& path, float x, float y, float w, float h, float d) {
  path.AddLine(x, y + h, x, y + d);
  path.AddArc(x, y, d, d, 180, 90);
  path.AddLine(x + d, y, x + w - d, y);
  path.AddArc(x + w - d, y, d, d, 270, 90);
  path.AddLine(x + w, y + d, x + w, y + h);
}

void DrawSoftEdge(graphics::Graphics& g, graphics::GraphicsPath& path, int rings, COLORREF colour, int alpha) {
  graphics::Pen pen;
  pen.Create(ArgbFromColorRef(colour, alpha, true), 1.0f);
  for (int i = 1; i <= rings; ++i) {
    pen.SetWidth(static_cast<float>(i));
    g.DrawPath(pen, path);
  }
}

void DrawGlowText(graphics::Graphics& g, std::string_view text, float x, float y, float width, float height,
                  COLORREF textColour, COLORREF glowColour, const GlowTextOptions& o) {
  using namespace graphics;
  const int W = static_cast<int>(width), H = static_cast<int>(height);
  if (W <= 0 || H <= 0 || o.scale <= 0) return;
  const int sw = static_cast<int>(W / o.scale), sh = static_cast<int>(H / o.scale);
  lastGlowIntermediate = SIZE{sw, sh};
  const std::string s(text);

  StringFormat format;
  format.Create(Gdiplus::StringFormatFlagsLineLimit | (o.wrap ? 0 : Gdiplus::StringFormatFlagsNoWrap));
  if (o.ellipsis) format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
  format.SetAlign(static_cast<Gdiplus::StringAlignment>(o.hAlign));
  format.SetLineAlign(static_cast<Gdiplus::StringAlignment>(o.vAlign));
  Font font;
  font.Create(o.face, o.size, o.style, Gdiplus::UnitWorld);

  // Text in the glow colour, shrunk and blown up again: a soft copy of it.
  Bitmap a, b, a2;
  a.CreateBlank(W, H);
  {
    Graphics ga;
    ga.FromImage(a);
    SolidBrush glow;
    glow.Create(ArgbFromColorRef(glowColour));
    ga.DrawString(s.c_str(), font, graphics::RectF(0, 0, static_cast<REAL>(W), static_cast<REAL>(H)), &format, glow);
  }
  if (sw > 0 && sh > 0) {
    b.CreateBlank(sw, sh);
    Graphics gb;
    gb.FromImage(b);
    gb.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    gb.SetCompositingQuality(Gdiplus::CompositingQualityHighQuality);
    gb.SetPixelOffsetMode(Gdiplus::PixelOffsetModeNone);
    gb.DrawImageRect(a, 0, 0, static_cast<REAL>(sw), static_cast<REAL>(sh));
  }
  a2.CreateBlank(W, H);
  if (sw > 0 && sh > 0) {
    Graphics g2;
    g2.FromImage(a2);
    g2.SetCompositingQuality(Gdiplus::CompositingQualityGammaCorrected);
    g2.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    g2.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    g2.DrawImageRect(b, 1, 1, static_cast<REAL>(W), static_cast<REAL>(H));
  }
  g.DrawImage(a2, x, y);

  SolidBrush halo;
  halo.Create(ArgbFromColorRef(glowColour, 60, true));
  const REAL fw = static_cast<REAL>(W), fh = static_cast<REAL>(H);
  g.DrawString(s.c_str(), font, graphics::RectF(x, y + 1, fw, fh), &format, halo);
  g.DrawString(s.c_str(), font, graphics::RectF(x + 2, y + 1, fw, fh), &format, halo);
  g.DrawString(s.c_str(), font, graphics::RectF(x + 1, y, fw, fh), &format, halo);
  g.DrawString(s.c_str(), font, graphics::RectF(x + 1, y + 2, fw, fh), &format, halo);
  SolidBrush ink;
  ink.Create(ArgbFromColorRef(textColour));
  g.DrawString(s.c_str(), font, graphics::RectF(x + 1, y + 1, fw, fh), &format, ink);
}

SIZE LastGlowIntermediateSize() { return lastGlowIntermediate; }

}  // namespace quorlin::skin
