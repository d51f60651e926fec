// The frame window procedure of a skinned top-level window: caption-button
// hover, press and click; frame states; painting; answers for the skinned
// child controls; teardown.
#include <windows.h>

#include <string>

#include "skin/chrome/borders.h"
#include "skin/chrome/caption_row.h"
#include "skin/controls/child_messages.h"
#include "skin/chrome/frame_paint.h"
#include "skin/chrome/working_set.h"
#include "skin/controls/toolbar.h"
#include "graphics/tooltip.h"
#include "skin/core/apply_skin.h"
#include "skin/core/button_skin.h"
#include "skin/core/control_painting.h"
#include "skin/core/painting.h"
#include "skin/core/skin_options.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {

int firstSizePending = 0;

namespace {

// ---- caption hover fades ------------------------------------------------

void PaintPlainNow(int skinId, int button) {
  if (button >= 1) PaintCaptionButton(skinId, button, false, false, 0);
}

void OnMouseMove(HWND window, int skinId, SkinRecord& r, LPARAM lParam) {
  if (!r.mouseTracked) {
    TRACKMOUSEEVENT tme = {sizeof tme, TME_HOVER | TME_LEAVE, window, 1};
    TrackMouseEvent(&tme);
  }
  if (!r.frameEnabled) return;
  if (IsOverCaptionRow(r, lParam)) {
    if (!r.hoverTimerRunning) {
      SetTimer(window, reinterpret_cast<UINT_PTR>(window), 20, nullptr);
      r.hoverTimerRunning = true;
    }
  } else {
    r.hoverTimerRunning = false;  // the timer runs on until the fade-out ends
  }
  const int hit = HitTestCaptionButton(r, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
  lastCaptionHit = hit;
  if (r.hotCaptionButton >= 1 && r.hotCaptionButton != hit) {
    if (r.fadeOut.step < 8) PaintPlainNow(skinId, r.fadeOut.button);
    r.fadeOut = {r.hotCaptionButton, 0};
  }
  if (hit >= 1 && hit != r.hotCaptionButton) r.fadeIn = {hit, 0};
  r.hotCaptionButton = hit;
  if (!r.maximized) {
    RECT client;
    GetClientRect(window, &client);
    SetBorderCursor(skinId, lParam, client);
  }
}

void OnHoverTimer(HWND window, int skinId, SkinRecord& r) {
  if (r.fadeIn.button >= 1 && r.fadeIn.step <= 7) {
    ++r.fadeIn.step;
    PaintCaptionButton(skinId, r.fadeIn.button, false, false, 30 * r.fadeIn.step);
  }
  if (r.fadeOut.button >= 1 && r.fadeOut.step <= 7) {
    ++r.fadeOut.step;
    PaintCaptionButton(skinId, r.fadeOut.button, false, false, 240 - 30 * r.fadeOut.step);
  }
  const bool fadeOutDone = r.fadeOut.step > 7 || r.fadeOut.button == 0;
  if ((!r.mouseTracked || !r.hoverTimerRunning) && fadeOutDone) {
    r.hoverTimerRunning = false;
    KillTimer(window, reinterpret_cast<UINT_PTR>(window));
    r.hotCaptionButton = 0;
    r.fadeIn = r.fadeOut = CaptionFade{};
  }
}

void OnMouseLeave(int skinId, SkinRecord& r) {
  r.mouseTracked = false;
  if (r.hotCaptionButton < 1 || !r.frameEnabled) return;
  if (r.fadeOut.step <= 7 && r.fadeIn.step <= 7) {
    PaintPlainNow(skinId, r.fadeOut.button);
    r.fadeIn = CaptionFade{};
  }
  r.fadeOut = {r.hotCaptionButton, 0};
  r.hotCaptionButton = 0;
}

// ---- press and click ----------------------------------------------------

void OnLButtonDown(HWND window, int skinId, SkinRecord& r, LPARAM lParam) {
  RECT client;
  GetClientRect(window, &client);
  r.fadeIn.button = 0;
  if (!r.frameEnabled) return;
  if (!r.maximized && !r.minimized) BeginBorderDragOrMove(skinId, lParam, client);
  // The move or size loop may have destroyed or re-registered the window.
  SkinRecord* after = SkinRecordById(skinId);
  if (!after || after->hwnd != window) return;
  const int hit = HitTestCaptionButton(*after, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
  lastCaptionHit = hit;
  captionPressPending = hit > 0;
  if (hit > 0) PaintCaptionButton(skinId, hit, false, true, 0);
}

void OnLButtonUp(int skinId, const SkinRecord& r) {
  const int hit = lastCaptionHit;
  const bool pressed = captionPressPending;
  captionPressPending = false;
  if (!pressed || hit <= 0 || hit > static_cast<int>(r.captionButtons.size()) || !r.frameEnabled) return;
  lastCaptionHit = 0;  // the action runs once
  PerformCaptionAction(skinId, hit);
}

void OnLButtonDblClk(int skinId, const SkinRecord& r, LPARAM lParam) {
  const int y = static_cast<short>(HIWORD(lParam));
  if (y > r.captionHeight || !r.resizable) return;
  for (size_t i = 0; i < r.captionButtons.size(); ++i) {
    if (r.captionButtons[i].kind == CaptionMaximize) {
      PerformCaptionAction(skinId, static_cast<int>(i + 1));
      return;
    }
  }
}

// ---- sizes and states ---------------------------------------------------

void OnGetMinMaxInfo(const SkinRecord& r, LPARAM lParam) {
  const SIZE max = r.maximized ? CurrentWorkAreaSize() : r.maxTrackSize;
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  info->ptMinTrackSize = POINT{r.minTrackSize.cx, r.minTrackSize.cy};
  info->ptMaxTrackSize = POINT{max.cx, max.cy};
}

void OnWindowPosChanged(HWND window, int skinId, SkinRecord& r) {
  if (r.hasMaximizeButton) {
    RECT client;
    GetClientRect(window, &client);
    if (client.right == GetSystemMetrics(SM_CXSCREEN) && client.bottom == GetSystemMetrics(SM_CYSCREEN)) {
      // The system maximized the caption-less window over the taskbar.
      const SIZE work = CurrentWorkAreaSize();
      r.maximized = true;
      // A work area as large as the screen must not start the correction
      // again from its own WM_WINDOWPOSCHANGED.
      if (work.cx != client.right || work.cy != client.bottom)
        SetWindowPos(window, nullptr, 0, 0, work.cx, work.cy, SWP_NOZORDER | SWP_NOOWNERZORDER);
    }
  }
  LayoutCaptionRow(skinId);
}

void OnSysCommand(SkinRecord& r, WPARAM wParam) {
  if (wParam == SC_MAXIMIZE) {
    r.maximized = true;
    r.fullRepaintNeeded = true;
  } else if (wParam == SC_RESTORE) {
    r.fullRepaintNeeded = true;
    r.minimized = false;
  } else if (wParam == SC_MINIMIZE) {
    r.fullRepaintNeeded = true;
    r.minimized = true;
  }
}

void OnSize(HWND window, SkinRecord& r, WPARAM kind, LPARAM lParam) {
  if (!r.minimized) MarkControlsStale(window);
  r.hotCaptionButton = 0;
  // The first size message only confirms the size the first frame was
  // painted at; a size other than that one is a real change even then.
  const bool otherThanPainted = r.lastClientWidth > 0 && (LOWORD(lParam) != r.lastClientWidth ||
                                                          HIWORD(lParam) != r.lastClientHeight);
  if (firstSizePending) {
    firstSizePending = 0;
    if (!otherThanPainted) {
      r.fullRepaintNeeded = false;
      return;
    }
  }
  r.fullRepaintNeeded = true;
  // The window region still has the old size: growing exposes nothing inside
  // it, so no paint would come to renew the region and move the caption
  // buttons. Ask for the full repaint here.
  if (kind != SIZE_MINIMIZED && !r.minimized) InvalidateRect(window, nullptr, FALSE);
}

// The frames of a border drag were drafts: the end of the drag paints the
// frame at full quality, the same frame a repaint at that size draws, and
// gives the window its rounded region back.
void OnExitSizeMove(HWND window, SkinRecord& r) {
  const bool wasSizing = r.sizing != 0;
  r.sizing = r.moving = 0;
  if (wasSizing && r.draftFrame) {
    r.fullRepaintNeeded = true;
    InvalidateRect(window, nullptr, FALSE);
  }
}

void OnShowWindow(HWND window, int skinId, SkinRecord& r, WPARAM wParam) {
  if (wParam == 1 && r.hidden == 0) {
    PAINTSTRUCT ps;
    BeginPaint(window, &ps);
    PaintFrame(skinId, true);
    EndPaint(window, &ps);
    if (SkinRecord* after = SkinRecordById(skinId)) {
      after->framePainted = 1;
      after->fullRepaintNeeded = false;
    }
  } else {
    r.hidden = 1;
    r.framePainted = 0;
  }
}

// ---- painting -----------------------------------------------------------

LRESULT OnEraseBackground(HWND window, SkinRecord& r, HDC dc) {
  SetBkMode(dc, TRANSPARENT);
  if (r.fullRepaintNeeded && !r.sizing && r.frameSnapshotDc && !r.framePainted && !r.backgroundErased) {
    RECT client;
    GetClientRect(window, &client);
    BitBlt(dc, 0, 0, client.right, client.bottom, r.frameSnapshotDc, 0, 0, SRCCOPY);
    r.backgroundErased = 1;
  }
  return 1;
}

void InvalidateListViews(const SkinRecord& r) {
  for (const ListState& l : r.lists)
    if (l.hwnd && IsWindowVisible(l.hwnd) && WindowClassName(l.hwnd) == "SysListView32") InvalidateRect(l.hwnd, nullptr, TRUE);
}

LRESULT OnPaint(HWND window, int skinId, SkinRecord& r, WPARAM wParam, LPARAM lParam) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  if (r.minimized) {
    r.fullRepaintNeeded = false;
    EndPaint(window, &ps);
  } else if (r.fullRepaintNeeded) {
    PaintFrame(skinId, true);
    if (r.restorePending) {
      r.restorePending = 0;
      InvalidateListViews(r);
    }
    EndPaint(window, &ps);
    r.backgroundErased = 0;
    r.framePainted = 0;
  } else {
    BlitBackBuffer(skinId, dc);
    for (HWND child = FindWindowExA(window, nullptr, nullptr, nullptr); child;
         child = FindWindowExA(window, child, nullptr, nullptr))
      if (PaintsOverParent(child)) InvalidateRect(child, nullptr, FALSE);
    r.fullRepaintNeeded = false;
    EndPaint(window, &ps);
  }
  return DefWindowProcA(window, WM_PAINT, wParam, lParam);
}

// ---- teardown -----------------------------------------------------------

BOOL CALLBACK ReleaseColourResponseOf(HWND control, LPARAM) {
  ReleaseColourResponse(control);
  return TRUE;
}

// Any child may have asked for a colour (group boxes, static controls,
// read-only fields): what the answers left on them goes with them. A child
// destroyed on its own is announced by WM_PARENTNOTIFY; the children that go
// with the window are still there on its WM_DESTROY.
void OnParentNotify(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == WM_DESTROY) ReleaseColourResponse(reinterpret_cast<HWND>(lParam));
}

void OnDestroy(HWND window) { EnumChildWindows(window, ReleaseColourResponseOf, 0); }

void ReleaseFrame(HWND window) {
  const int skinId = FindSkinId(window);
  ReleaseFrameImages(window);
  // The tooltip object leaves its window alone; the frame owns it.
  if (SkinRecord* r = SkinRecordById(skinId); r && r->captionTooltip) DestroyWindow(r->captionTooltip->GetHandle());
  const LONG_PTR previous = reinterpret_cast<LONG_PTR>(GetPropA(window, PropPreviousProc));
  if (previous) SetWindowLongPtrA(window, GWLP_WNDPROC, previous);
  RemoveSkinRecord(skinId);
  RemovePropA(window, PropSkinId);
}

// Hands a message on to the procedure ApplySkin replaced, kept in the record
// as in the Hw_hProc property (reading the property is a round trip to the
// window server). A handler may have destroyed the window or renumbered the
// records meanwhile, so the record is looked up again.
LRESULT PassOn(HWND window, int skinId, UINT message, WPARAM wParam, LPARAM lParam) {
  const SkinRecord* r = SkinRecordById(skinId);
  if (!r || r->hwnd != window || !r->previousWndProc) return CallPreviousProc(window, message, wParam, lParam);
  return CallWindowProcA(r->previousWndProc, window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK FrameWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // The registry is searched by handle: the Hw_lbID property holds the same
  // id, but reading it is a round trip to the window server on every message.
  const int skinId = FindSkinId(window);
  SkinRecord* r = SkinRecordById(skinId);
  if (!r || r->hwnd != window) return CallPreviousProc(window, message, wParam, lParam);
  switch (message) {
    case WM_MOUSEMOVE:
      OnMouseMove(window, skinId, *r, lParam);
      break;
    case WM_TIMER:
      if (wParam == reinterpret_cast<WPARAM>(window)) OnHoverTimer(window, skinId, *r);
      break;
    case WM_MOUSEHOVER:
      r->mouseTracked = true;
      break;
    case WM_MOUSELEAVE:
      OnMouseLeave(skinId, *r);
      break;
    case WM_LBUTTONDOWN:
      OnLButtonDown(window, skinId, *r, lParam);
      break;
    case WM_LBUTTONUP:
      OnLButtonUp(skinId, *r);
      break;
    case WM_LBUTTONDBLCLK:
      OnLButtonDblClk(skinId, *r, lParam);
      break;
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(*r, lParam);
      break;
    case WM_WINDOWPOSCHANGED:
      OnWindowPosChanged(window, skinId, *r);
      break;
    case WM_SYSCOMMAND:
      OnSysCommand(*r, wParam);
      break;
    case WM_QUERYOPEN:
      r->minimized = false;
      r->restorePending = 1;
      break;
    case WM_SIZE:
      OnSize(window, *r, wParam, lParam);
      break;
    case WM_SIZING:
      r->sizing = 1;
      break;
    case WM_MOVING:
      r->moving = 1;
      break;
    case WM_EXITSIZEMOVE:
      OnExitSizeMove(window, *r);
      break;
    case WM_SHOWWINDOW:
      OnShowWindow(window, skinId, *r, wParam);
      break;
    case WM_ACTIVATE:
      r->active = wParam >= 1 ? 1 : 0;
      break;
    case WM_ACTIVATEAPP:
      r->active = wParam ? 1 : 0;
      if (!wParam) TrimWorkingSet();
      break;
    case WM_ERASEBKGND:
      return OnEraseBackground(window, *r, reinterpret_cast<HDC>(wParam));
    case WM_PAINT:
      return OnPaint(window, skinId, *r, wParam, lParam);
    case WM_SETTEXT:
      if (r->showTitle && r->frameEnabled && lParam)
        PaintTitle(skinId, false, std::string_view(reinterpret_cast<const char*>(lParam)));
      break;
    case WM_PARENTNOTIFY:
      OnParentNotify(wParam, lParam);
      break;
    case WM_DESTROY:
      OnDestroy(window);
      break;
    case WM_NCDESTROY: {
      ReleaseFrame(window);
      KillTimer(window, reinterpret_cast<UINT_PTR>(window));
      const LRESULT result = CallPreviousProc(window, message, wParam, lParam);
      RemovePropA(window, PropPreviousProc);
      return result;
    }
    default: {
      // The skinned children's colour, owner-draw, command and notify messages.
      LRESULT answer = 0;
      if (AnswerChildMessage(window, message, wParam, lParam, &answer)) return answer;
      break;
    }
  }
  return PassOn(window, skinId, message, wParam, lParam);
}

}  // namespace quorlin::skin
