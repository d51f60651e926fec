// Skinned list controls: attach, window procedure, the paint pipeline and
// the key-scrolling repaint. The frame painter is in list_paint.cpp.
#include "skin/controls/list.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "skin/controls/scroll_overlay.h"
#include "skin/core/control_painting.h"
#include "skin/core/control_states.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

constexpr int ListHoverKind = 4;
constexpr COLORREF MagentaKey = RGB(255, 0, 255);

enum class ListClass { ListBox, ComboList, ListView, TreeView, IpAddress, DateTime, Other };

ListClass ClassOf(HWND control) {
  const std::string name = WindowClassName(control);
  if (name == "ListBox") return ListClass::ListBox;
  if (name == "ComboLBox") return ListClass::ComboList;
  if (name == WC_LISTVIEWA) return ListClass::ListView;
  if (name == WC_TREEVIEWA) return ListClass::TreeView;
  if (name == WC_IPADDRESSA) return ListClass::IpAddress;
  if (name == DATETIMEPICK_CLASSA) return ListClass::DateTime;
  return ListClass::Other;
}

LONG_PTR StyleOf(HWND w) { return GetWindowLongPtrA(w, GWL_STYLE); }
SkinRecord* OwnerRecord(HWND control) { return SkinRecordById(GetIntProp(control, PropOwnerSkinId)); }

void PaintFrameFromRecord(HWND control) {
  PaintListFrame(GetIntProp(control, PropOwnerSkinId), GetIntProp(control, PropSkinId), false, false, false, false);
}

// ---- the key-scrolling repaint ------------------------------------------
//
// While an arrow key is held in a translucent list control, every queued
// message addressed to it or its children marks it dirty and invalidates it
// without erase, so what the keyboard scrolls into view is painted over the
// veil again. A message hook on this thread sees those messages; it exists
// only while some control has keyScrolling set.

thread_local HHOOK keyScrollHook = nullptr;
thread_local std::vector<HWND> keyScrollers;

void OnQueuedMessage(const MSG& msg) {
  // A paint is the answer to the invalidation, not a reason for another.
  if (!msg.hwnd || msg.message == WM_PAINT || !TranslucentControls) return;
  for (HWND control : std::vector<HWND>(keyScrollers)) {
    if (msg.hwnd != control && !IsChild(control, msg.hwnd)) continue;
    ListState* state = ListRecord(control);
    if (!state || !state->keyScrolling) continue;
    state->dirty = true;
    InvalidateRect(control, nullptr, FALSE);
  }
}

LRESULT CALLBACK KeyScrollHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE) OnQueuedMessage(*reinterpret_cast<const MSG*>(lParam));
  return CallNextHookEx(keyScrollHook, code, wParam, lParam);
}

void SetKeyScrolling(HWND control, ListState& state, bool on) {
  state.keyScrolling = on;
  const auto listed = std::find(keyScrollers.begin(), keyScrollers.end(), control);
  if (on && listed == keyScrollers.end()) keyScrollers.push_back(control);
  if (!on && listed != keyScrollers.end()) keyScrollers.erase(listed);
  if (!keyScrollers.empty() && !keyScrollHook)
    keyScrollHook = SetWindowsHookExA(WH_GETMESSAGE, KeyScrollHookProc, nullptr, GetCurrentThreadId());
  if (keyScrollers.empty() && keyScrollHook) {
    UnhookWindowsHookEx(keyScrollHook);
    keyScrollHook = nullptr;
  }
}

// ---- attach ---------------------------------------------------------------

bool InTable(const SkinRecord& record, HWND control) {
  return std::any_of(record.lists.begin(), record.lists.end(), [&](const ListState& s) { return s.hwnd == control; });
}

void AttachOne(int skinId, HWND control, bool withOverlays) {
  SkinRecord* record = SkinRecordById(skinId);
  if (!record) return;
  const int index = TakeControlRecord(record->lists, control);
  if (index == 0) return;  // attached once
  SetIntProp(control, PropSkinId, index);
  SetIntProp(control, PropOwnerSkinId, skinId);
  const LONG_PTR style = StyleOf(control);
  const bool visible = (style & WS_VISIBLE) != 0;
  HWND vertical = withOverlays ? CreateOverlayScrollBar(control, true, visible && (style & WS_VSCROLL)) : nullptr;
  HWND horizontal = withOverlays ? CreateOverlayScrollBar(control, false, visible && (style & WS_HSCROLL)) : nullptr;
  ListState& state = SkinRecordById(skinId)->lists[static_cast<size_t>(index - 1)];
  state.verticalOverlay = vertical;
  state.horizontalOverlay = horizontal;
  state.dirty = true;
  state.previousProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListWndProc)));
  SetIntProp(control, PropPreviousProc, reinterpret_cast<LONG_PTR>(state.previousProc));
}

template <typename Visit>
void ForEachChild(HWND parent, const char* cls, Visit visit) {
  for (HWND child = FindWindowExA(parent, nullptr, cls, nullptr); child;
       child = FindWindowExA(parent, child, cls, nullptr))
    visit(child);
}

// ---- message handlers -----------------------------------------------------

void OnMouseMove(HWND control, ListState& state) {
  if (!state.mouseResting) {
    TRACKMOUSEEVENT tme = {sizeof tme, TME_HOVER | TME_LEAVE, control, HOVER_DEFAULT};
    TrackMouseEvent(&tme);
  }
  SkinRecord* record = OwnerRecord(control);
  if (!record) return;
  record->controlUnderMouse = GetIntProp(control, PropSkinId);
  if (record->hotControlId != record->controlUnderMouse || record->hotControlKind != ListHoverKind) {
    state.hot = true;
    PaintFrameFromRecord(control);
    if (SkinRecord* after = OwnerRecord(control)) {
      after->hotControlId = after->controlUnderMouse;
      after->hotControlKind = ListHoverKind;
    }
  }
}

void OnMouseLeave(HWND control, ListState& state) {
  state.mouseResting = false;
  if (SkinRecord* record = OwnerRecord(control)) record->hotControlId = 0;
  state.hot = false;
  PaintFrameFromRecord(control);
}

bool VeilsItsOwnPaint(HWND control, ListClass cls) {
  return cls == ListClass::ListView || cls == ListClass::DateTime ||
         (cls == ListClass::ListBox && !IsOwnerDrawnListBox(control));
}

LRESULT OnEraseBackground(HWND control, WPARAM wParam, LPARAM lParam) {
  const ListClass cls = ClassOf(control);
  HDC dc = reinterpret_cast<HDC>(wParam);
  if (!TranslucentControls || cls == ListClass::ComboList || (cls == ListClass::ListBox && IsOwnerDrawnListBox(control)))
    return CallPreviousProc(control, WM_ERASEBKGND, wParam, lParam);
  SetBkMode(dc, TRANSPARENT);
  if (cls == ListClass::TreeView || cls == ListClass::ListView || cls == ListClass::ListBox) return 1;
  return static_cast<LRESULT>(SetTextColor(dc, static_cast<COLORREF>(GetIntProp(control, PropTextColour))));
}

// The pixels of a 32-bit DIB section selected into dc, nullptr if it has none.
RGBQUAD* DibPixels(HDC dc) {
  DIBSECTION dib = {};
  HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
  if (!bitmap || GetObjectA(bitmap, sizeof dib, &dib) != sizeof dib || dib.dsBm.bmBitsPixel != 32) return nullptr;
  return static_cast<RGBQUAD*>(dib.dsBm.bmBits);
}

// One picture of the control painting itself on a plain ground colour.
struct GroundPaint {
  UniqueMemoryDc dc;
  UniqueBitmap bitmap;
  HGDIOBJ previous = nullptr;
  ~GroundPaint() {
    if (previous) SelectObject(dc.get(), previous);
  }
};

void PaintOnGround(HWND control, bool tree, COLORREF ground, const RECT& client, LPARAM lParam, GroundPaint& out) {
  out.dc.reset(CreateCompatibleDC(nullptr));
  out.bitmap.reset(CreateDib32(client.right, client.bottom));
  if (!out.dc || !out.bitmap) return;
  out.previous = SelectObject(out.dc.get(), out.bitmap.get());
  UniqueBrush brush(CreateSolidBrush(ground));
  FillRect(out.dc.get(), &client, brush.get());
  SetBkColor(out.dc.get(), ground);
  if (tree) SendMessageA(control, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(ground));
  CallPreviousProc(control, WM_PAINT, reinterpret_cast<WPARAM>(out.dc.get()), lParam);
}

// Tree views and plain list boxes fill their item rows with a background
// colour whatever the background mode, and smooth their text against it. So
// the control paints itself twice, on black and on white: per channel, what
// the two pictures share is its own colour and how far they differ is how
// much of the veil shows through, smoothed text edges included.
LRESULT PaintOverVeilFromTwoGrounds(HWND control, LPARAM lParam) {
  RECT client = {};
  GetClientRect(control, &client);
  const int cw = client.right, ch = client.bottom;
  const bool tree = ClassOf(control) == ListClass::TreeView;
  const COLORREF kept = tree ? static_cast<COLORREF>(SendMessageA(control, TVM_GETBKCOLOR, 0, 0)) : 0;
  {
    GroundPaint black, white;
    PaintOnGround(control, tree, RGB(0, 0, 0), client, lParam, black);
    PaintOnGround(control, tree, RGB(255, 255, 255), client, lParam, white);
    if (tree) SendMessageA(control, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(kept));
    CachedDc veil(BuildVeilBackground(control));
    GdiFlush();
    const RGBQUAD* onBlack = DibPixels(black.dc.get());
    const RGBQUAD* onWhite = DibPixels(white.dc.get());
    RGBQUAD* out = DibPixels(veil.get());
    if (onBlack && onWhite && out) {
      auto mix = [](BYTE b, BYTE w, BYTE v) {
        const int through = w > b ? w - b : 0;
        return static_cast<BYTE>(b + v * through / 255);
      };
      for (size_t i = 0, n = static_cast<size_t>(cw) * ch; i < n; ++i) {
        out[i].rgbRed = mix(onBlack[i].rgbRed, onWhite[i].rgbRed, out[i].rgbRed);
        out[i].rgbGreen = mix(onBlack[i].rgbGreen, onWhite[i].rgbGreen, out[i].rgbGreen);
        out[i].rgbBlue = mix(onBlack[i].rgbBlue, onWhite[i].rgbBlue, out[i].rgbBlue);
      }
    }
    HDC screen = ChildClippedDc(control);
    BitBlt(screen, 0, 0, cw, ch, veil.get(), 0, 0, SRCCOPY);
    ReleaseDC(control, screen);
    BlitToComposite(control, veil.get());
  }
  if (ListState* after = ListRecord(control)) after->dirty = false;
  // Setting the tree's colours asked for a repaint: this one is it.
  return DefWindowProcA(control, WM_PAINT, 0, lParam);
}

// List views and date-time pickers paint their items straight onto the
// veiled background.
LRESULT PaintContentOverVeil(HWND control, LPARAM lParam) {
  RECT client = {};
  GetClientRect(control, &client);
  {
    CachedDc veil(BuildVeilBackground(control));
    PaintScope paint(control);
    CallPreviousProc(control, WM_PAINT, reinterpret_cast<WPARAM>(veil.get()), lParam);
    BitBlt(paint.get(), 0, 0, client.right, client.bottom, veil.get(), 0, 0, SRCCOPY);
    BlitToComposite(control, veil.get());
  }
  // The list view's header lies on the content just painted.
  for (HWND child = FindWindowExA(control, nullptr, nullptr, nullptr); child;
       child = FindWindowExA(control, child, nullptr, nullptr))
    if (IsWindowVisible(child)) InvalidateRect(child, nullptr, TRUE);
  if (ListState* after = ListRecord(control)) after->dirty = false;
  return DefWindowProcA(control, WM_PAINT, 0, lParam);
}

LRESULT OnPaint(HWND control, ListState& state, WPARAM wParam, LPARAM lParam) {
  SyncOverlayBars(control);
  PaintFrameFromRecord(control);
  const SkinRecord* record = OwnerRecord(control);
  if (!record) return CallPreviousProc(control, WM_PAINT, wParam, lParam);
  if (!record->moving || state.mouseResting) state.dirty = true;
  if (!state.dirty) {
    // The window is being dragged: show the last composed image.
    RepaintFromComposite(control, false, false);
    return DefWindowProcA(control, WM_PAINT, wParam, lParam);
  }
  const ListClass cls = ClassOf(control);
  if (TranslucentControls && (cls == ListClass::TreeView || (cls == ListClass::ListBox && !IsOwnerDrawnListBox(control))))
    return PaintOverVeilFromTwoGrounds(control, lParam);
  if (TranslucentControls && VeilsItsOwnPaint(control, cls)) {
    // A restoring window invalidates its list views once it is painted.
    if (cls == ListClass::ListView && record->restorePending) return DefWindowProcA(control, WM_PAINT, wParam, lParam);
    return PaintContentOverVeil(control, lParam);
  }
  return CallPreviousProc(control, WM_PAINT, wParam, lParam);
}

LRESULT OnNcPaint(HWND control, WPARAM wParam, LPARAM lParam) {
  DefWindowProcA(control, WM_NCPAINT, wParam, lParam);
  PaintFrameFromRecord(control);
  return 0;
}

void OnNcMouseMove(HWND control, const ListState& state, WPARAM hit, LPARAM lParam) {
  const LONG_PTR style = StyleOf(control);
  if (hit == HTVSCROLL && (style & WS_VSCROLL) && state.verticalOverlay)
    PaintVerticalOverlay(control, HitTestVerticalOverlay(control, lParam));
  if (hit == HTHSCROLL && (style & WS_HSCROLL) && state.horizontalOverlay)
    PaintHorizontalOverlay(control, HitTestHorizontalOverlay(control, lParam));
}

void OnNcLButtonDown(HWND control, const ListState& state, WPARAM hit) {
  const LONG_PTR style = StyleOf(control);
  if (hit == HTVSCROLL && (style & WS_VSCROLL) && state.verticalOverlay) PaintVerticalOverlay(control, OverlayNone);
  if (hit == HTHSCROLL && (style & WS_HSCROLL) && state.horizontalOverlay) PaintHorizontalOverlay(control, OverlayNone);
}

// The system draws its own scroll bar as soon as a message moves it, over
// the overlay lying on top of it: the overlay paints again once it is done.
LRESULT ThenRepaintOverlays(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallPreviousProc(control, message, wParam, lParam);
  if (ListRecord(control)) RepaintOverlays(control);
  return result;
}

LRESULT OnKeyDown(HWND control, ListState& state, WPARAM key, LPARAM lParam) {
  state.dirty = true;
  if (key < VK_LEFT || key > VK_DOWN) return CallPreviousProc(control, WM_KEYDOWN, key, lParam);
  SetKeyScrolling(control, state, true);
  return ThenRepaintOverlays(control, WM_KEYDOWN, key, lParam);
}

LRESULT OnScroll(HWND control, ListState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  state.dirty = true;
  if (TranslucentControls) InvalidateRect(control, nullptr, TRUE);
  return ThenRepaintOverlays(control, message, wParam, lParam);
}

// Messages after which the system may have redrawn or resized a scroll bar.
bool MovesScrollBar(UINT message) {
  switch (message) {
    case LB_ADDSTRING: case LB_INSERTSTRING: case LB_DELETESTRING: case LB_RESETCONTENT:
    case LB_SETCURSEL: case LB_SETTOPINDEX: case LB_SETCARETINDEX:
    case LVM_INSERTITEMA: case LVM_INSERTITEMW: case LVM_DELETEITEM: case LVM_DELETEALLITEMS:
    case LVM_ENSUREVISIBLE: case LVM_SCROLL: case LVM_SETITEMCOUNT:
    case TVM_INSERTITEMA: case TVM_INSERTITEMW: case TVM_DELETEITEM: case TVM_EXPAND:
    case TVM_ENSUREVISIBLE: case TVM_SELECTITEM:
    case WM_LBUTTONUP: case WM_SIZE:
      return true;
    default:
      return false;
  }
}

void OnDestroy(HWND control, ListState& state) {
  SetKeyScrolling(control, state, false);
  DestroyOverlayBars(control);
}

LRESULT OnNcDestroy(HWND control, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallPreviousProc(control, WM_NCDESTROY, wParam, lParam);
  if (ListState* after = ListRecord(control)) {
    SetKeyScrolling(control, *after, false);
    *after = ListState{};
    after->dirty = false;
  }
  RemovePropA(control, PropPreviousProc);
  RemovePropA(control, PropSkinId);
  RemovePropA(control, PropOwnerSkinId);
  return result;
}

}  // namespace

ListState* ListRecord(HWND control) {
  ListState* state = ControlRecord(control, &SkinRecord::lists);
  return state && state->hwnd == control ? state : nullptr;
}

bool IsOwnerDrawnListBox(HWND control) {
  return (StyleOf(control) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) && WindowClassName(control) == "ListBox";
}

bool KeyScrollingHookInstalled() { return keyScrollHook != nullptr; }

void AttachListControls(int skinId, HWND parent) {
  if (!ChildSkinningEnabled) return;
  const SkinRecord* record = SkinRecordById(skinId);
  if (!record) return;
  ForEachChild(parent, "ListBox", [&](HWND list) { AttachOne(skinId, list, true); });
  ForEachChild(parent, "ComboBox", [&](HWND combo) {
    HWND list = FindWindowExA(combo, nullptr, "ComboLBox", nullptr);
    if (list && !(StyleOf(list) & LBS_OWNERDRAWFIXED)) AttachOne(skinId, list, false);
  });
  ForEachChild(parent, WC_LISTVIEWA, [&](HWND view) {
    if ((StyleOf(view) & 0x10) || InTable(*SkinRecordById(skinId), view)) return;
    if (TranslucentControls) SendMessageA(view, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(CLR_NONE));
    AttachOne(skinId, view, true);
  });
  ForEachChild(parent, WC_TREEVIEWA, [&](HWND tree) {
    if (InTable(*SkinRecordById(skinId), tree)) return;
    if (TranslucentControls) SendMessageA(tree, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(MagentaKey));
    AttachOne(skinId, tree, true);
  });
  ForEachChild(parent, WC_IPADDRESSA, [&](HWND ip) { AttachOne(skinId, ip, false); });
  ForEachChild(parent, DATETIMEPICK_CLASSA, [&](HWND picker) { AttachOne(skinId, picker, false); });
}

LRESULT CALLBACK ListWndProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  ListState* state = ListRecord(control);
  if (!state) return CallPreviousProc(control, message, wParam, lParam);
  switch (message) {
    case WM_MOUSEMOVE:
      OnMouseMove(control, *state);
      break;
    case WM_MOUSEHOVER:
      state->mouseResting = true;
      break;
    case WM_MOUSELEAVE:
      OnMouseLeave(control, *state);
      break;
    case WM_SHOWWINDOW:
      SyncOverlayBars(control);
      break;
    case WM_WINDOWPOSCHANGING:
      MarkContainerStale(control);
      break;
    case WM_MOVE:
      if (TranslucentControls) InvalidateRect(control, nullptr, TRUE);
      break;
    case WM_WINDOWPOSCHANGED:
    case WM_GETMINMAXINFO:
      SyncOverlayBars(control);
      state->dirty = true;
      break;
    case WM_ERASEBKGND:
      return OnEraseBackground(control, wParam, lParam);
    case WM_PAINT:
      return OnPaint(control, *state, wParam, lParam);
    case WM_SETFOCUS:
      state->focused = true;
      PaintFrameFromRecord(control);
      break;
    case WM_KILLFOCUS:
      // A key released in another window never reaches this one.
      state->focused = false;
      SetKeyScrolling(control, *state, false);
      PaintFrameFromRecord(control);
      break;
    case WM_SETTEXT:
      state->dirty = true;
      break;
    case WM_NCPAINT:
      return OnNcPaint(control, wParam, lParam);
    case WM_NCMOUSEMOVE:
      OnNcMouseMove(control, *state, wParam, lParam);
      break;
    case WM_NCLBUTTONDOWN:
      OnNcLButtonDown(control, *state, wParam);
      break;
    case WM_KEYDOWN:
      return OnKeyDown(control, *state, wParam, lParam);
    case WM_KEYUP:
      state->dirty = true;
      SetKeyScrolling(control, *state, false);
      break;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
      return OnScroll(control, *state, message, wParam, lParam);
    case WM_DESTROY:
      OnDestroy(control, *state);
      break;
    case WM_NCDESTROY:
      return OnNcDestroy(control, wParam, lParam);
    default:
      if (MovesScrollBar(message)) return ThenRepaintOverlays(control, message, wParam, lParam);
      break;
  }
  return CallPreviousProc(control, message, wParam, lParam);
}

}  // namespace quorlin::skin
