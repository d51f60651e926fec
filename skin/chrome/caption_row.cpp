#include "skin/chrome/caption_row.h"

#include "graphics/tooltip.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {

int lastCaptionHit = 0;
bool captionPressPending = false;

void LayoutCaptionRow(int skinId) {
  SkinRecord* r = SkinRecordById(skinId);
  if (!r || !r->hwnd) return;
  RECT client;
  GetClientRect(r->hwnd, &client);
  r->captionRowX = client.right - r->captionRowWidth + 1;
  r->captionRowHeight = 22;
  for (size_t i = 0; i < r->captionButtons.size(); ++i) {
    CaptionButton& b = r->captionButtons[i];
    b.rect.x = static_cast<float>(r->captionRowX + 2 + 27 * static_cast<int>(i));
    b.rect.y = static_cast<float>(r->captionRowY + 1);
    b.rect.width = b.kind == CaptionClose ? 40.0f : 26.0f;
    b.rect.height = 18.0f;
    if (r->captionTooltip) {
      const int left = static_cast<int>(b.rect.x), top = static_cast<int>(b.rect.y);
      RECT tool = {left, top, left + static_cast<int>(b.rect.width), top + static_cast<int>(b.rect.height)};
      r->captionTooltip->SetToolRect(i + 1, tool);
      r->captionTooltip->SetToolText(i + 1, b.name.c_str());
    }
  }
}

int HitTestCaptionButton(const SkinRecord& r, int x, int y) {
  if (x < r.captionRowX || y < r.captionRowY || y > r.captionRowY + r.captionRowHeight) return 0;
  const float fx = static_cast<float>(x), fy = static_cast<float>(y);
  for (size_t i = 0; i < r.captionButtons.size(); ++i) {
    const RectF& b = r.captionButtons[i].rect;
    if (b.x < fx && fx < b.x + b.width && b.y < fy && fy < b.y + b.height) return static_cast<int>(i + 1);
  }
  return 0;
}

bool IsOverCaptionRow(const SkinRecord& r, LPARAM lParam) {
  const int x = static_cast<short>(LOWORD(lParam));
  const int y = static_cast<short>(HIWORD(lParam));
  return x >= r.captionRowX - 2 && x <= r.captionRowX + r.captionRowWidth && y <= r.captionRowHeight && y >= 0;
}

void PerformCaptionAction(int skinId, int index) {
  SkinRecord* r = SkinRecordById(skinId);
  if (!r || index < 1 || index > static_cast<int>(r->captionButtons.size())) return;
  CaptionButton& b = r->captionButtons[static_cast<size_t>(index - 1)];
  HWND window = r->hwnd;
  switch (b.kind) {
    case CaptionClose:
      SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
    case CaptionMaximize:
      r->fullRepaintNeeded = true;
      r->minimized = false;
      if (r->maximized) {
        r->maximized = false;
        b.name = "最大化";
        SendMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
      } else {
        r->maximized = true;
        b.name = "还原";
        SendMessageA(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
      }
      break;
    case CaptionMinimize:
      r->minimized = true;
      SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
      break;
    default:  // main menu and help have no action
      break;
  }
}

SIZE WorkAreaSize(const RECT& taskbar, int screenWidth, int screenHeight) {
  const int tw = taskbar.right - taskbar.left;
  const int th = taskbar.bottom - taskbar.top;
  if (static_cast<double>(tw) - th > 1e-7) {
    const bool topOrHidden = taskbar.top < 0 || taskbar.top >= screenHeight - 5;
    return SIZE{screenWidth, topOrHidden ? screenHeight : screenHeight - th};
  }
  return SIZE{screenWidth - tw, screenHeight};
}

SIZE CurrentWorkAreaSize() {
  RECT taskbar = {};
  if (HWND tray = FindWindowA("Shell_TrayWnd", nullptr)) GetWindowRect(tray, &taskbar);
  return WorkAreaSize(taskbar, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

}  // namespace quorlin::skin
