// Skinned toolbars: the attach pass, the window procedure with its handlers
// and the repaint rule. The painters are in toolbar_paint.cpp, containers in
// container.cpp.
#include "skin/controls/toolbar.h"

#include <commctrl.h>

#include "skin/core/button_skin.h"
#include "skin/core/control_kit.h"
#include "skin/core/control_painting.h"
#include "skin/core/control_states.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

LRESULT CallToolbarProc(HWND toolbar, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallPreviousProc(toolbar, ToolbarKeys, message, wParam, lParam);
}

void ReadFont(HWND toolbar, ToolbarState& state) {
  const ControlFont font = QueryControlFont(toolbar);
  state.fontFace = font.face;
  state.fontSize = font.size;
  state.fontStyle = font.style;
}

void KeepImageList(HWND toolbar) {
  SetPropA(toolbar, PropToolbarImageList, reinterpret_cast<HANDLE>(SendMessageA(toolbar, TB_GETIMAGELIST, 0, 0)));
}

// Messages after which some button looks different. The toolbar invalidates
// the buttons itself; the erase that follows would otherwise copy the old
// picture back from the composite while the window is inactive.
bool ChangesButtonLook(UINT message) {
  switch (message) {
    case TB_ENABLEBUTTON:
    case TB_CHECKBUTTON:
    case TB_PRESSBUTTON:
    case TB_HIDEBUTTON:
    case TB_INDETERMINATE:
    case TB_MARKBUTTON:
    case TB_SETSTATE:
    case TB_ADDBUTTONSA:
    case TB_ADDBUTTONSW:
    case TB_INSERTBUTTONA:
    case TB_INSERTBUTTONW:
    case TB_DELETEBUTTON:
    case TB_MOVEBUTTON:
    case TB_SETBUTTONINFOA:
    case TB_SETBUTTONINFOW:
    case TB_CHANGEBITMAP:
    case TB_SETHOTITEM:
    case TB_SETHOTITEM2:
    case TB_SETSTYLE:
    case TB_SETEXTENDEDSTYLE:
    case TB_SETBUTTONSIZE:
    case TB_SETBITMAPSIZE:
    case TB_SETBUTTONWIDTH:
    case TB_SETROWS:
    case TB_AUTOSIZE:
    case TB_SETINDENT:
    case TB_SETMAXTEXTROWS:
    case TB_SETPADDING:
    case TB_ADDSTRINGA:
    case TB_ADDSTRINGW:
      return true;
    default:
      return false;
  }
}

// ---- message handlers -------------------------------------------------

LRESULT OnPaint(HWND toolbar, const ToolbarState& state, WPARAM wParam, LPARAM lParam) {
  {
    PaintScope paint(toolbar);
    if (state.stale)
      PaintToolbar(toolbar);
    else
      RepaintFromComposite(toolbar, true, false, paint.get());
  }
  return DefWindowProcA(toolbar, WM_PAINT, wParam, lParam);
}

LRESULT OnEraseBackground(HWND toolbar, ToolbarState& state, HDC dc) {
  if (!state.stale) state.stale = ToolbarRepaintWanted(toolbar, true);
  SetBkMode(dc, TRANSPARENT);
  return 1;
}

void OnMouseMove(HWND toolbar, ToolbarState& state) {
  state.stale = true;
  if (state.mouseTracked) return;
  state.mouseTracked = true;
  TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, toolbar, 0};
  TrackMouseEvent(&tme);
}

// A new font or image list is read after the toolbar took it.
LRESULT OnSetFont(HWND toolbar, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallToolbarProc(toolbar, WM_SETFONT, wParam, lParam);
  if (ToolbarState* after = ToolbarRecord(toolbar)) {
    ReadFont(toolbar, *after);
    after->stale = true;
  }
  return result;
}

LRESULT OnSetImageList(HWND toolbar, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallToolbarProc(toolbar, TB_SETIMAGELIST, wParam, lParam);
  if (ToolbarState* after = ToolbarRecord(toolbar)) {
    KeepImageList(toolbar);
    after->stale = true;
  }
  return result;
}

// The record is freed so that a later window with the same handle is
// attached afresh. The image list belongs to whoever set it.
LRESULT OnNcDestroy(HWND toolbar, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = ReleaseControl(toolbar, &SkinRecord::toolbars, HoverNone, wParam, lParam, ToolbarKeys);
  RemovePropA(toolbar, PropToolbarImageList);
  return result;
}

}  // namespace

ToolbarState* ToolbarRecord(HWND toolbar) { return RecordOf(toolbar, &SkinRecord::toolbars, ToolbarKeys); }

void AttachToolbars(int, HWND parent) {
  for (HWND toolbar = FindWindowExA(parent, nullptr, TOOLBARCLASSNAMEA, nullptr); toolbar;
       toolbar = FindWindowExA(parent, toolbar, TOOLBARCLASSNAMEA, nullptr)) {
    KeepImageList(toolbar);
    AttachToolbarWindow(toolbar);
  }
}

void AttachToolbarWindow(HWND toolbar) {
  const auto fill = [&](ToolbarState& state) {
    state.stale = true;
    ReadFont(toolbar, state);
    state.keyColour = GetSysColor(COLOR_BTNFACE);
    state.option = 0;
  };
  const int skinId = FindTopSkinId(toolbar);
  if (!AttachControl(skinId, toolbar, &SkinRecord::toolbars, ToolbarWndProc, fill, ToolbarKeys)) return;
  if (FindWindowExA(toolbar, nullptr, nullptr, nullptr)) RegisterContainer(toolbar, false, 0, 0);
}

bool ToolbarRepaintWanted(HWND window, bool useToolbarKey) {
  const SkinRecord* record = SkinRecordById(GetIntProp(window, useToolbarKey ? PropToolbarOwner : PropOwnerSkinId));
  if (!record) return false;
  return record->moving ? record->sizing != 0 : record->active != 0;
}

LRESULT CALLBACK ToolbarWndProc(HWND toolbar, UINT message, WPARAM wParam, LPARAM lParam) {
  ToolbarState* state = ToolbarRecord(toolbar);
  if (!state) return CallToolbarProc(toolbar, message, wParam, lParam);
  switch (message) {
    case WM_MOVE:
      if (TranslucentControls) InvalidateRect(toolbar, nullptr, FALSE);
      break;
    case WM_SIZE:
    case WM_LBUTTONDOWN:
      state->stale = true;
      break;
    case WM_PAINT:
      if (ChildSkinningEnabled) return OnPaint(toolbar, *state, wParam, lParam);
      break;
    case WM_ERASEBKGND:
      if (TranslucentControls) return OnEraseBackground(toolbar, *state, reinterpret_cast<HDC>(wParam));
      break;
    case WM_WINDOWPOSCHANGING:
      MarkContainerStale(toolbar);
      break;
    case WM_MOUSEMOVE:
      OnMouseMove(toolbar, *state);
      break;
    case WM_MOUSELEAVE:
      state->mouseTracked = false;
      state->stale = true;
      break;
    case WM_SETFONT:
      return OnSetFont(toolbar, wParam, lParam);
    case TB_SETIMAGELIST:
      return OnSetImageList(toolbar, wParam, lParam);
    case WM_NCDESTROY:
      return OnNcDestroy(toolbar, wParam, lParam);
    default:
      if (ChangesButtonLook(message)) state->stale = true;
      break;
  }
  return CallToolbarProc(toolbar, message, wParam, lParam);
}

}  // namespace quorlin::skin
