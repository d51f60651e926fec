// Painting helpers shared by the control skins and the window chrome.
#include "skin/core/control_painting.h"

#include "graphics/drawing.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {

RECT EditClientPlacement(HWND control) {
  RECT window = {}, client = {};
  GetWindowRect(control, &window);
  GetClientRect(control, &client);
  const LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
  const int w = window.right - window.left, h = window.bottom - window.top;
  const int v = (style & WS_VSCROLL) ? 17 : 0, hs = (style & WS_HSCROLL) ? 17 : 0;
  auto floorHalf = [](int n) { return n >= 0 ? n / 2 : -((1 - n) / 2); };
  const int left = floorHalf(w - (client.right + v));
  const int top = floorHalf(h - (client.bottom + hs));
  return RECT{left, top, left + client.right, top + client.bottom};
}

int BorderKind(HWND control) {
  if (GetWindowLongPtrA(control, GWL_STYLE) & WS_BORDER) return 1;
  const LONG_PTR ex = GetWindowLongPtrA(control, GWL_EXSTYLE);
  if (ex & (WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME)) return 2;
  return 0;
}

HDC BuildVeilBackground(HWND control) {
  const RECT placement = EditClientPlacement(control);
  const int cw = placement.right - placement.left, ch = placement.bottom - placement.top;
  HDC bg = PaintParentBackground(control, placement);
  if (!bg) return nullptr;
  graphics::Graphics g;
  g.FromHDC(bg);
  graphics::SolidBrush veil;
  veil.Create(ArgbFromColorRef(0xFFFFFF, VeilAlpha, true));
  g.FillRectangle(veil, 0, 0, static_cast<graphics::REAL>(cw), static_cast<graphics::REAL>(ch));
  return bg;
}

HBITMAP BuildVeilBitmap(HWND control) {
  const RECT c = EditClientPlacement(control);
  CachedDc bg(BuildVeilBackground(control));
  const int cw = c.right - c.left, ch = c.bottom - c.top;
  WindowDc screen(nullptr);
  UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
  HBITMAP bitmap = CreateCompatibleBitmap(bg.get(), cw, ch);
  {
    SelectedObject selected(memory.get(), bitmap);
    BitBlt(memory.get(), 0, 0, cw, ch, bg.get(), 0, 0, SRCCOPY);
  }
  return bitmap;
}

HBRUSH ControlColourResponse(HWND control, HDC dc) {
  SetTextColor(dc, static_cast<COLORREF>(GetIntProp(control, PropTextColour)));
  SetBkMode(dc, TRANSPARENT);
  ReleaseColourResponse(control);
  HBITMAP bitmap = BuildVeilBitmap(control);
  HBRUSH brush = CreatePatternBrush(bitmap);
  SetPropA(control, PropBrush, brush);
  SetPropA(control, PropBrushBitmap, bitmap);
  return brush;
}

void ReleaseColourResponse(HWND control) {
  // Without a brush no answer was given: what a window keeps under the
  // bitmap's key then is not ours (a toolbar keeps its image list there).
  HANDLE brush = RemovePropA(control, PropBrush);
  if (!brush) return;
  // A hollow response parks the stock NULL brush here; deleting a stock
  // object does nothing.
  DeleteObject(brush);
  DeleteObject(RemovePropA(control, PropBrushBitmap));
}

bool PaintsOverParent(HWND child) {
  if (GetWindowLongPtrA(child, GWL_EXSTYLE) & WS_EX_TRANSPARENT) return true;
  return (GetWindowLongPtrA(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX && WindowClassName(child) == "Button";
}

namespace {

// The size children of window are clipped to: a skinned window's last painted
// client size, or a container's client size.
bool ChildLimit(HWND window, SIZE& limit) {
  if (const SkinRecord* top = SkinRecordById(FindSkinId(window))) {
    limit = SIZE{top->lastClientWidth, top->lastClientHeight};
    return true;
  }
  const SkinRecord* owner = SkinRecordById(GetIntProp(window, PropOwnerSkinId));
  if (!owner) return false;
  for (const ContainerState& c : owner->containers) {
    if (c.hwnd != window) continue;
    limit = SIZE{c.clientWidth, c.clientHeight};
    return true;
  }
  return false;
}

}  // namespace

HDC ChildClippedDc(HWND window, HDC dc) {
  if (!dc) dc = GetDC(window);
  SIZE limit = {0, 0};
  const bool limited = ChildLimit(window, limit);
  for (HWND child = FindWindowExA(window, nullptr, nullptr, nullptr); child;
       child = FindWindowExA(window, child, nullptr, nullptr)) {
    if (!IsWindowVisible(child) || PaintsOverParent(child)) continue;
    RECT r = {};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (limited) {
      if (r.right > limit.cx) r.right = limit.cx;
      if (r.bottom > limit.cy) r.bottom = limit.cy;
      if (r.right < r.left) r.right = r.left;
      if (r.bottom < r.top) r.bottom = r.top;
    }
    ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
  return dc;
}

void RepaintFromComposite(HWND window, bool useToolbarKey, bool windowDc, HDC dc) {
  const SkinRecord* record = CompositeOwner(window, useToolbarKey);
  if (!record || !record->frameSnapshotDc) return;
  const RECT r = ClientRectInSkin(window);
  auto copy = [&](HDC target) {
    BitBlt(target, 0, 0, r.right - r.left, r.bottom - r.top, record->frameSnapshotDc, r.left, r.top, SRCCOPY);
  };
  if (dc && !windowDc) {
    copy(ChildClippedDc(window, dc));  // the caller's DC: the caller releases it
    return;
  }
  WindowDc own(window);
  if (!windowDc) {
    copy(ChildClippedDc(window, own.get()));
    return;
  }
  // Children the skin does not paint keep their own pixels.
  for (HWND child = FindWindowExA(window, nullptr, nullptr, nullptr); child;
       child = FindWindowExA(window, child, nullptr, nullptr)) {
    if (!IsWindowVisible(child) || GetPropA(child, PropOwnerSkinId)) continue;
    RECT c = {};
    GetWindowRect(child, &c);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&c), 2);
    ExcludeClipRect(own.get(), c.left, c.top, c.right, c.bottom);
  }
  copy(own.get());
}

}  // namespace quorlin::skin
