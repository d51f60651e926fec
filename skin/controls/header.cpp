// Skinned header controls: attach pass, window procedure and hit test. The
// painter is in header_paint.cpp.
#include "skin/controls/header.h"

#include <commctrl.h>
#include <windowsx.h>

#include "skin/core/button_skin.h"
#include "skin/core/control_kit.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

HeaderState* HeaderRecord(HWND header) { return RecordOf(header, &SkinRecord::headers); }

void ReadFont(HeaderState& state, HWND header) {
  ControlFont font = QueryControlFont(header);
  state.fontFace = std::move(font.face);
  state.fontSize = font.size;
  state.fontStyle = font.style;
}

void AttachHeader(int skinId, HWND header) {
  const int index = AttachControl(skinId, header, &SkinRecord::headers, HeaderWndProc, [&](HeaderState& state) {
    state.buttonStyle = (StyleOf(header) & HDS_BUTTONS) != 0;
  });
  // Asked after the subclassing, as the header answers it.
  if (HeaderState* state = index ? HeaderRecord(header) : nullptr) {
    state->imageList = reinterpret_cast<HIMAGELIST>(SendMessageA(header, HDM_GETIMAGELIST, HDSIL_NORMAL, 0));
    ReadFont(*state, header);
  }
}

// The item shown hot by the painter: button-style headers only.
int ShownHotItem(const HeaderState& state) { return state.buttonStyle && state.tracking ? state.hotItem : 0; }

// Paints the header now and notes which item the picture shows hot, so that
// the mouse handlers repaint only when that changes.
void Repaint(HWND header) {
  PaintHeader(GetIntProp(header, PropOwnerSkinId), GetIntProp(header, PropSkinId), nullptr);
  // The paint may have run messages; look the record up again.
  if (HeaderState* after = HeaderRecord(header)) after->paintedHotItem = ShownHotItem(*after);
}

// ---- message handlers -------------------------------------------------

LRESULT OnPaint(HWND header, WPARAM wParam, LPARAM lParam) {
  {
    PaintScope paint(header);
    Repaint(header);
  }
  // The previous procedure never paints; this only validates what is left.
  return DefWindowProcA(header, WM_PAINT, wParam, lParam);
}

void OnMouseMove(HWND header, HeaderState& state, LPARAM position) {
  EnterHover(header, HoverHeader);
  if (!OwnerRecord(header)) return;
  state.hotItem = HitTestHeaderItem(GetIntProp(header, PropOwnerSkinId), GetIntProp(header, PropSkinId), position);
  state.tracking = state.hotItem != 0;
  // A new hot item waits for the end of a press; losing it does not.
  const int shown = ShownHotItem(state);
  if (shown != state.paintedHotItem && (shown == 0 || !state.buttonDown)) Repaint(header);
  MarkHot(header, HoverHeader);
}

void OnMouseLeave(HWND header, HeaderState& state) {
  LeaveHover(header);
  state.hotItem = 0;
  state.tracking = false;
  if (state.paintedHotItem != 0) Repaint(header);
}

void OnLButtonDown(HeaderState& state) {
  state.buttonDown = true;
  if (state.hotItem >= 1) state.pressedItem = state.hotItem;
}

// Every way out of a press. On a button-up the header invalidates the
// released item itself; when the press is lost (another window took the
// mouse) nothing else would take the pressed look away.
void CancelPress(HWND header, HeaderState& state, bool repaint) {
  const bool pressed = state.pressedItem != 0;
  state.buttonDown = false;
  state.pressedItem = 0;
  if (repaint && pressed && state.buttonStyle) InvalidateRect(header, nullptr, FALSE);
}

// Keeps the font fields with the font the header draws with.
LRESULT OnSetFont(HWND header, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallPreviousProc(header, WM_SETFONT, wParam, lParam);
  if (HeaderState* after = HeaderRecord(header)) ReadFont(*after, header);
  return result;
}

// The painter reads the list the header has now, never one that its owner
// replaced (and may have destroyed) since the attach.
LRESULT OnSetImageList(HWND header, WPARAM which, LPARAM list) {
  const LRESULT result = CallPreviousProc(header, HDM_SETIMAGELIST, which, list);
  if (HeaderState* after = HeaderRecord(header); after && which == HDSIL_NORMAL)
    after->imageList = reinterpret_cast<HIMAGELIST>(list);
  return result;
}

}  // namespace

void AttachHeaders(int skinId, HWND parent) {
  if (!ChildSkinningEnabled || !SkinRecordById(skinId)) return;
  for (HWND child = FindWindowExA(parent, nullptr, "SysHeader32", nullptr); child;
       child = FindWindowExA(parent, child, "SysHeader32", nullptr))
    AttachHeader(skinId, child);
  for (HWND list = FindWindowExA(parent, nullptr, "SysListView32", nullptr); list;
       list = FindWindowExA(parent, list, "SysListView32", nullptr))
    if (HWND header = FindWindowExA(list, nullptr, "SysHeader32", nullptr)) AttachHeader(skinId, header);
}

int HitTestHeaderItem(int skinId, int index, LPARAM position) {
  const HeaderState* state = RecordAt(skinId, index, &SkinRecord::headers);
  if (!state) return 0;
  HWND header = state->hwnd;
  const int x = GET_X_LPARAM(position);
  const int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 1; i <= count; ++i) {
    RECT r = {};
    if (!SendMessageA(header, HDM_GETITEMRECT, static_cast<WPARAM>(i - 1), reinterpret_cast<LPARAM>(&r))) continue;
    if (r.left + HeaderDividerZone <= x && x < r.right - HeaderDividerZone) return i;
  }
  return 0;
}

LRESULT CALLBACK HeaderWndProc(HWND header, UINT message, WPARAM wParam, LPARAM lParam) {
  HeaderState* state = HeaderRecord(header);
  if (!state) return CallPreviousProc(header, message, wParam, lParam);
  switch (message) {
    case WM_MOVE:
      Repaint(header);
      break;
    case WM_PAINT:
      return OnPaint(header, wParam, lParam);
    case WM_ERASEBKGND:
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return 1;
    case WM_MOUSEMOVE:
      OnMouseMove(header, *state, lParam);
      break;
    case WM_LBUTTONDOWN:
      OnLButtonDown(*state);
      break;
    case WM_LBUTTONUP:
      CancelPress(header, *state, false);
      break;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != header) CancelPress(header, *state, true);
      break;
    case WM_MOUSELEAVE:
      OnMouseLeave(header, *state);
      break;
    case WM_SETFONT:
      return OnSetFont(header, wParam, lParam);
    case HDM_SETIMAGELIST:
      return OnSetImageList(header, wParam, lParam);
    case WM_NCDESTROY:
      // The image list is not the header's to destroy: it belongs to whoever
      // set it (the list view or the program), which may use it afterwards.
      return ReleaseControl(header, &SkinRecord::headers, HoverHeader, wParam, lParam);
    default:
      break;
  }
  return CallPreviousProc(header, message, wParam, lParam);
}

}  // namespace quorlin::skin
