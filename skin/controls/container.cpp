// Child containers: a window inside a skinned window (in this program a
// toolbar that holds child windows) whose children are skinned like the
// skinned window's own, with a procedure that answers their requests the way
// the frame procedure answers its children.
#include <windows.h>

#include "skin/controls/child_messages.h"
#include "skin/controls/toolbar.h"
#include "skin/core/apply_skin.h"
#include "skin/core/control_kit.h"
#include "skin/core/control_states.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

ContainerState* ContainerRecord(HWND window) { return RecordOf(window, &SkinRecord::containers); }

// The container layer goes first; the layers beneath still see the message.
LRESULT OnNcDestroy(HWND window, WPARAM wParam, LPARAM lParam) {
  const auto previous = reinterpret_cast<WNDPROC>(GetPropA(window, PropPreviousProc));
  UnregisterContainer(GetIntProp(window, PropOwnerSkinId), GetIntProp(window, PropSkinId));
  RemoveRecordProps(window);
  RemovePropA(window, PropStopWindow);
  return previous ? CallWindowProcA(previous, window, WM_NCDESTROY, wParam, lParam)
                  : DefWindowProcA(window, WM_NCDESTROY, wParam, lParam);
}

// Shown: the layers beneath, then the default handling (which shows the
// windows the container owns).
LRESULT OnShown(HWND window, WPARAM wParam, LPARAM lParam) {
  CallPreviousProc(window, WM_SHOWWINDOW, wParam, lParam);
  return DefWindowProcA(window, WM_SHOWWINDOW, wParam, lParam);
}

// The client size is what the container's children are clipped to; a
// toolbar grows and shrinks with its window.
void OnSize(ContainerState& state, LPARAM lParam) {
  state.repaintPending = true;
  state.clientWidth = LOWORD(lParam);
  state.clientHeight = HIWORD(lParam);
}

LRESULT OnEraseBackground(HDC dc) {
  SetBkMode(dc, TRANSPARENT);
  return 1;
}

}  // namespace

void RegisterContainer(HWND window, bool pageBackground, COLORREF fillColour, int fillAlpha) {
  const int skinId = FindTopSkinId(window);
  SkinRecord* record = SkinRecordById(skinId);
  if (!record) return;
  const int index = TakeControlRecord(record->containers, window);
  if (index == 0) return;
  {
    ContainerState& state = record->containers[static_cast<size_t>(index - 1)];
    RECT client = {};
    GetClientRect(window, &client);
    state.fillColour = fillColour;
    state.fillAlpha = fillAlpha & 0xFF;
    state.pageBackground = pageBackground;
    state.clientWidth = client.right;
    state.clientHeight = client.bottom;
  }
  // The passes may register containers of their own: the table can grow.
  RunAttachPasses(skinId, window);
  ContainerState& state = record->containers[static_cast<size_t>(index - 1)];
  state.repaintPending = true;
  state.previousProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ContainerWndProc)));
  SetIntProp(window, PropPreviousProc, reinterpret_cast<LONG_PTR>(state.previousProc));
  SetIntProp(window, PropSkinId, index);
  SetIntProp(window, PropOwnerSkinId, skinId);
  SetIntProp(window, PropStopWindow, 0);
}

LRESULT CALLBACK ContainerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ContainerState* state = ContainerRecord(window);
  if (!state) return CallPreviousProc(window, message, wParam, lParam);
  switch (message) {
    case WM_NCDESTROY:
      return OnNcDestroy(window, wParam, lParam);
    case WM_SHOWWINDOW:
      if (wParam == 1) return OnShown(window, wParam, lParam);
      break;
    case WM_SIZE:
      OnSize(*state, lParam);
      break;
    case WM_ERASEBKGND:
      return OnEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_WINDOWPOSCHANGING:
      MarkContainerStale(window);
      break;
    default: {
      // Its children's colour, owner-draw, command and notify messages.
      LRESULT answer = 0;
      if (AnswerChildMessage(window, message, wParam, lParam, &answer)) return answer;
      break;
    }
  }
  return CallPreviousProc(window, message, wParam, lParam);
}

void UnregisterContainer(int skinId, int containerIndex) {
  SkinRecord* record = SkinRecordById(skinId);
  if (!record || containerIndex < 1 || containerIndex > static_cast<int>(record->containers.size())) return;
  auto& containers = record->containers;
  if (HWND window = containers[static_cast<size_t>(containerIndex - 1)].hwnd)
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GetPropA(window, PropPreviousProc)));
  containers.erase(containers.begin() + (containerIndex - 1));
  if (containers.empty()) containers.emplace_back();  // a table keeps its one free record
  for (size_t i = 0; i < containers.size(); ++i)
    if (containers[i].hwnd) SetIntProp(containers[i].hwnd, PropSkinId, static_cast<LONG_PTR>(i + 1));
}

}  // namespace quorlin::skin
