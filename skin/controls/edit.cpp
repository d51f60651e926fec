// Skinned edit fields: attach, window procedure and overlay scroll-bar
// windows. The painters are in edit_paint.cpp.
#include "skin/controls/edit.h"

#include <string>

#include "skin/controls/combo.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

EditState* EditRecord(HWND field) { return ControlRecord(field, &SkinRecord::edits); }
SkinRecord* OwnerRecord(HWND control) { return SkinRecordById(GetIntProp(control, PropOwnerSkinId)); }

LONG_PTR StyleOf(HWND w) { return GetWindowLongPtrA(w, GWL_STYLE); }
bool HasVScroll(HWND w) { return (StyleOf(w) & WS_VSCROLL) != 0; }
bool HasHScroll(HWND w) { return (StyleOf(w) & WS_HSCROLL) != 0; }
bool HasScrollStyle(HWND w) { return HasVScroll(w) || HasHScroll(w); }

void RepaintOverlays(HWND field, const EditState& state) {
  if (state.verticalOverlay && HasVScroll(field)) PaintVerticalOverlay(field, OverlayNone);
  if (state.horizontalOverlay && HasHScroll(field)) PaintHorizontalOverlay(field, OverlayNone);
}

void InvalidateIfPlainField(HWND field) {
  if (TranslucentControls && !HasScrollStyle(field)) InvalidateRect(field, nullptr, TRUE);
}

// ---- message handlers -------------------------------------------------

void OnDestroy(HWND field, EditState* state) {
  ReleaseColourResponse(field);
  // The overlays belong to the field: they go with it, so none is left to
  // paint for an owner that is gone.
  if (state) {
    if (state->verticalOverlay) DestroyWindow(state->verticalOverlay);
    if (state->horizontalOverlay) DestroyWindow(state->horizontalOverlay);
    state->verticalOverlay = state->horizontalOverlay = nullptr;
  }
}

void OnMouseMove(HWND field, EditState& state) {
  TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, field, 0};
  TrackMouseEvent(&tme);
  SkinRecord* record = OwnerRecord(field);
  if (!record) return;
  record->controlUnderMouse = GetIntProp(field, PropSkinId);
  HWND parent = GetParent(field);
  if (record->hotControlId != record->controlUnderMouse || record->hotControlKind != 1 ||
      record->hotControlParent != parent) {
    state.hot = true;
    PaintEditFrame(field, false, false, true, true);
    record->hotControlId = record->controlUnderMouse;
    record->hotControlKind = 1;
    record->hotControlParent = parent;
  }
  if (state.pressed) {
    if (!HasScrollStyle(field)) InvalidateRect(field, nullptr, TRUE);
    RepaintOverlays(field, state);
  }
}

void OnMouseLeave(HWND field, EditState& state) {
  if (SkinRecord* record = OwnerRecord(field)) record->hotControlId = 0;
  state.hot = false;
  PaintEditFrame(field, state.focused, true, false, true);
}

void OnKillFocus(HWND field, EditState& state) {
  state.focused = false;
  if (WindowClassName(GetParent(field)) == "ComboBox")
    InvalidateRect(field, nullptr, TRUE);
  else
    PaintEditFrame(field, false, true, false, true);
}


LRESULT OnNcPaint(HWND field, LPARAM lParam) {
  PaintEditFrame(field, false, false, false, false);
  return DefWindowProcA(field, WM_NCPAINT, static_cast<WPARAM>(0xFFFFFFFF), lParam);
}

// The system draws its own scroll bar as soon as a message moves it (typing,
// the wheel, a new text), over the overlay lying on top of it: the overlay
// paints again once the system is done.
LRESULT ThenRepaintOverlays(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallPreviousProc(field, message, wParam, lParam);
  if (const EditState* after = EditRecord(field)) RepaintOverlays(field, *after);
  return result;
}

LRESULT OnScroll(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
  if (TranslucentControls) InvalidateRect(field, nullptr, TRUE);
  return ThenRepaintOverlays(field, message, wParam, lParam);
}

void OnNcMouseMove(HWND field, const EditState& state, LPARAM lParam) {
  if (state.verticalOverlay && HasVScroll(field)) PaintVerticalOverlay(field, HitTestVerticalOverlay(field, lParam));
  if (state.horizontalOverlay && HasHScroll(field))
    PaintHorizontalOverlay(field, HitTestHorizontalOverlay(field, lParam));
}

// ---- overlays ---------------------------------------------------------

HWND OverlayOwner(HWND overlay) { return static_cast<HWND>(GetPropA(overlay, PropOverlayOwner)); }

SCROLLBARINFO ScrollBarInfo(HWND control, bool vertical) {
  SCROLLBARINFO info = {};
  info.cbSize = sizeof info;
  GetScrollBarInfo(control, vertical ? OBJID_VSCROLL : OBJID_HSCROLL, &info);
  return info;
}

void PlaceOverlay(HWND overlay, HWND control, bool vertical) {
  RECT parentRect = {};
  GetWindowRect(GetParent(control), &parentRect);
  const RECT bar = ScrollBarInfo(control, vertical).rcScrollBar;
  SetWindowPos(overlay, HWND_TOP, bar.left - parentRect.left, bar.top - parentRect.top, bar.right - bar.left,
               bar.bottom - bar.top, SWP_NOACTIVATE);
}

const RECT* OverlayParts(HWND owner, bool vertical) {
  if (WindowClassName(owner) != "Edit") return nullptr;  // list controls keep their own
  const EditState* state = EditRecord(owner);
  if (!state) return nullptr;
  return vertical ? state->verticalParts : state->horizontalParts;
}

int HitTestOverlay(HWND owner, HWND overlay, LPARAM screenPoint, bool vertical) {
  const RECT* parts = OverlayParts(owner, vertical);
  if (!parts || !overlay) return OverlayNone;
  RECT w = {};
  GetWindowRect(overlay, &w);
  const int x = static_cast<short>(LOWORD(screenPoint)) - w.left;
  const int y = static_cast<short>(HIWORD(screenPoint)) - w.top;
  auto inside = [&](const RECT& r) { return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom; };
  if (inside(parts[0])) return OverlayFirstArrow;
  if (inside(parts[1])) return OverlaySecondArrow;
  if (inside(parts[2])) return OverlayThumb;
  return OverlayNone;
}

}  // namespace

int AttachEditField(int skinId, HWND field, bool withOverlays) {
  SkinRecord* record = SkinRecordById(skinId);
  if (!record) return 0;
  const int index = TakeControlRecord(record->edits, field);
  if (index == 0) return 0;
  // Properties first: the overlays look their window up through the field.
  SetIntProp(field, PropSkinId, index);
  SetIntProp(field, PropOwnerSkinId, skinId);
  SetIntProp(field, PropTextColour, 0);
  const bool visible = (StyleOf(field) & WS_VISIBLE) != 0;
  HWND vertical = withOverlays && HasVScroll(field) ? CreateOverlayScrollBar(field, true, visible) : nullptr;
  HWND horizontal = withOverlays && HasHScroll(field) ? CreateOverlayScrollBar(field, false, visible) : nullptr;
  EditState& state = record->edits[static_cast<size_t>(index - 1)];
  state.verticalOverlay = vertical;
  state.horizontalOverlay = horizontal;
  state.previousProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditWndProc)));
  SetIntProp(field, PropPreviousProc, reinterpret_cast<LONG_PTR>(state.previousProc));
  return index;
}

void AttachEditsAndCombos(int skinId, HWND parent) {
  if (!ChildSkinningEnabled || !SkinRecordById(skinId)) return;
  for (HWND child = FindWindowExA(parent, nullptr, "Edit", nullptr); child;
       child = FindWindowExA(parent, child, "Edit", nullptr))
    AttachEditField(skinId, child, true);
  AttachComboBoxes(skinId, parent);
}

LRESULT CALLBACK EditWndProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
  EditState* state = GetIntProp(field, PropSkinId) >= 1 ? EditRecord(field) : nullptr;
  if (!state) return CallPreviousProc(field, message, wParam, lParam);
  switch (message) {
    case WM_DESTROY:
      OnDestroy(field, state);
      break;
    case WM_MOUSEMOVE:
      OnMouseMove(field, *state);
      break;
    case WM_MOUSELEAVE:
      OnMouseLeave(field, *state);
      break;
    case WM_SHOWWINDOW:
    case WM_WINDOWPOSCHANGED:
    case WM_GETMINMAXINFO:
      SyncOverlayBars(field);
      break;
    case WM_MOVE:
      if (TranslucentControls) InvalidateRect(field, nullptr, TRUE);
      SyncOverlayBars(field);
      break;
    case WM_WINDOWPOSCHANGING:
      MarkContainerStale(field);
      break;
    case WM_ERASEBKGND:
      if (!TranslucentControls) break;
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      EraseEditBackground(field, reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_PAINT:
      PaintEditFrame(field, false, false, false, false);
      break;
    case WM_SETFOCUS:
      state->focused = true;
      break;
    case WM_KILLFOCUS:
      OnKillFocus(field, *state);
      break;
    case WM_SETTEXT:
    case WM_MOUSEWHEEL:
    case WM_NCLBUTTONDOWN:
    case WM_CHAR:
      return ThenRepaintOverlays(field, message, wParam, lParam);
    case WM_KEYDOWN:
      InvalidateIfPlainField(field);
      return ThenRepaintOverlays(field, message, wParam, lParam);
    case WM_LBUTTONDOWN:
      state->pressed = true;
      InvalidateIfPlainField(field);
      break;
    case WM_LBUTTONUP:
      state->pressed = false;
      break;
    case WM_VSCROLL:
    case WM_HSCROLL:
      return OnScroll(field, message, wParam, lParam);
    case WM_NCPAINT:
      return OnNcPaint(field, lParam);
    case WM_NCMOUSEMOVE:
      OnNcMouseMove(field, *state, lParam);
      break;
    default:
      break;
  }
  return CallPreviousProc(field, message, wParam, lParam);
}

HWND CreateOverlayScrollBar(HWND owner, bool vertical, bool visible) {
  HWND parent = GetParent(owner);
  RECT parentRect = {};
  GetWindowRect(parent, &parentRect);
  const RECT bar = ScrollBarInfo(owner, vertical).rcScrollBar;
  int x = 0, y = 0, w = 10, h = 10;
  DWORD style = WS_CHILD | WS_DISABLED | WS_CLIPCHILDREN;
  if (visible) {
    x = bar.left - parentRect.left;
    y = bar.top - parentRect.top;
    w = bar.right - bar.left;
    h = bar.bottom - bar.top;
    style |= WS_VISIBLE;
  }
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND overlay = CreateWindowExA(0, "Static", "", style, x, y, w, h, parent, nullptr, instance, nullptr);
  if (!overlay) return nullptr;
  SetPropA(overlay, PropOverlayOwner, owner);
  SetIntProp(overlay, PropOwnerSkinId, FindTopSkinId(owner));
  const LONG_PTR previous = SetWindowLongPtrA(overlay, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OverlayWndProc));
  SetIntProp(overlay, PropPreviousProc, previous);
  SetWindowPos(overlay, HWND_TOP, x, y, w, h, SWP_NOACTIVATE);
  return overlay;
}

LRESULT CALLBACK OverlayWndProc(HWND overlay, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(overlay, &ps);
      HWND owner = OverlayOwner(overlay);
      if (IsWindow(owner)) {
        const EditState* state = WindowClassName(owner) == "Edit" ? EditRecord(owner) : nullptr;
        if (state && state->verticalOverlay == overlay) PaintVerticalOverlay(owner, OverlayNone);
        if (state && state->horizontalOverlay == overlay) PaintHorizontalOverlay(owner, OverlayNone);
      }
      EndPaint(overlay, &ps);
      return DefWindowProcA(overlay, message, wParam, lParam);
    }
    // Never a target of input: the mouse goes through to the scroll bar
    // beneath, and a click does not activate or focus anything.
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_NCDESTROY: {
      const LRESULT result = CallPreviousProc(overlay, message, wParam, lParam);
      RemovePropA(overlay, PropOverlayOwner);
      return result;
    }
    default:
      return CallPreviousProc(overlay, message, wParam, lParam);
  }
}

int HitTestVerticalOverlay(HWND owner, LPARAM screenPoint) {
  const EditState* state = EditRecord(owner);
  return HitTestOverlay(owner, state ? state->verticalOverlay : nullptr, screenPoint, true);
}

int HitTestHorizontalOverlay(HWND owner, LPARAM screenPoint) {
  const EditState* state = EditRecord(owner);
  return HitTestOverlay(owner, state ? state->horizontalOverlay : nullptr, screenPoint, false);
}

void SyncOverlayBars(HWND control) {
  const EditState* state = WindowClassName(control) == "Edit" ? EditRecord(control) : nullptr;
  if (!state) return;
  const LONG_PTR style = StyleOf(control);
  const bool visible = (style & WS_VISIBLE) != 0;
  if (state->verticalOverlay)
    ShowWindow(state->verticalOverlay, (style & WS_VSCROLL) && visible ? SW_SHOWNA : SW_HIDE);
  if (state->horizontalOverlay)
    ShowWindow(state->horizontalOverlay, (style & WS_HSCROLL) && visible ? SW_SHOWNA : SW_HIDE);
  if (state->verticalOverlay && IsWindowVisible(state->verticalOverlay)) PlaceOverlay(state->verticalOverlay, control, true);
  if (state->horizontalOverlay && IsWindowVisible(state->horizontalOverlay))
    PlaceOverlay(state->horizontalOverlay, control, false);
}

RECT EditClientPlacement(HWND control) {
  RECT window = {}, client = {};
  GetWindowRect(control, &window);
  GetClientRect(control, &client);
  const int w = window.right - window.left, h = window.bottom - window.top;
  const int v = HasVScroll(control) ? 17 : 0, hs = HasHScroll(control) ? 17 : 0;
  auto floorHalf = [](int n) { return n >= 0 ? n / 2 : -((1 - n) / 2); };
  const int left = floorHalf(w - (client.right + v));
  const int top = floorHalf(h - (client.bottom + hs));
  return RECT{left, top, left + client.right, top + client.bottom};
}

int BorderKind(HWND control) {
  if (StyleOf(control) & WS_BORDER) return 1;
  const LONG_PTR ex = GetWindowLongPtrA(control, GWL_EXSTYLE);
  if (ex & (WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME)) return 2;
  return 0;
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
  // A hollow response parks the stock NULL brush here; deleting a stock
  // object does nothing.
  DeleteObject(RemovePropA(control, PropBrush));
  DeleteObject(RemovePropA(control, PropBrushBitmap));
}

bool PaintsOverParent(HWND child) {
  if (GetWindowLongPtrA(child, GWL_EXSTYLE) & WS_EX_TRANSPARENT) return true;
  return (GetWindowLongPtrA(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX && WindowClassName(child) == "Button";
}

HDC ChildClippedDc(HWND window, HDC dc) {
  if (!dc) dc = GetDC(window);
  SIZE limit = {0, 0};
  bool limited = false;
  if (const SkinRecord* top = SkinRecordById(FindSkinId(window))) {
    limit = SIZE{top->lastClientWidth, top->lastClientHeight};
    limited = true;
  }
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
  HDC target = nullptr;
  if (windowDc) {
    if (dc) ReleaseDC(window, dc);
    target = GetDC(window);
    for (HWND child = FindWindowExA(window, nullptr, nullptr, nullptr); child;
         child = FindWindowExA(window, child, nullptr, nullptr)) {
      if (!IsWindowVisible(child) || GetPropA(child, PropOwnerSkinId)) continue;
      RECT c = {};
      GetWindowRect(child, &c);
      MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&c), 2);
      ExcludeClipRect(target, c.left, c.top, c.right, c.bottom);
    }
  } else {
    target = ChildClippedDc(window, dc);
  }
  BitBlt(target, 0, 0, r.right - r.left, r.bottom - r.top, record->frameSnapshotDc, r.left, r.top, SRCCOPY);
  ReleaseDC(window, target);
}

}  // namespace quorlin::skin
