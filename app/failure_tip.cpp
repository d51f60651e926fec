// The address field's failure tip: a tracking balloon tooltip owned by the main
// window, and a message hook on the window's thread, installed only while the
// tip shows, that hides it at the next key or mouse press.
//
// Not EM_SHOWBALLOONTIP: that needs comctl32 version 6 and so a manifest,
// which the program does not carry (it would give every control another
// class). Not the graphics Tooltip wrapper either: its window has no owner
// and lives until the process ends, while this one is the main window's and
// goes with it.
#include "app/failure_tip.h"

#include <commctrl.h>

#include <cstddef>

#include "app/main_window.h"

namespace quorlin {
namespace {

constexpr UINT_PTR TipToolId = 1;
// The original TOOLINFOA layout, up to lpszText, which every comctl32 accepts.
constexpr UINT ToolInfoSize = static_cast<UINT>(offsetof(TOOLINFOA, lpszText) + sizeof(LPSTR));

HWND TipWindow = nullptr;
HWND TipOwner = nullptr;   // the main window the tip was made for
HWND TipTarget = nullptr;  // the address field it points at
HHOOK InputHook = nullptr;
std::string ShownText;

TOOLINFOA ToolInfo(char* text) {
  TOOLINFOA info = {};
  info.cbSize = ToolInfoSize;
  info.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_IDISHWND;
  info.hwnd = TipOwner;
  info.uId = reinterpret_cast<UINT_PTR>(TipTarget);
  info.lpszText = text;
  return info;
}

bool IsInputThatEndsTip(UINT message) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
      return true;
    default:
      return false;
  }
}

// Sees every message the thread takes from its queue, whichever loop pumps it.
LRESULT CALLBACK InputHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (IsInputThatEndsTip(msg->message) && TipOwner && IsWindow(TipOwner)) HideFailureTip();
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool EnsureTipWindow() {
  HWND owner = MainWindow.window;
  if (TipWindow && IsWindow(TipWindow) && TipOwner == owner && TipTarget == MainWindow.addressEdit) return true;
  // The last main window (and with it its tip) is gone.
  TipWindow = nullptr;
  TipOwner = owner;
  TipTarget = MainWindow.addressEdit;
  if (!owner || !TipTarget) return false;
  INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&init);
  // Owned by the main window, so it stays above it and is destroyed with it.
  TipWindow = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, "", WS_POPUP | TTS_NOPREFIX | TTS_BALLOON, 0, 0, 0, 0,
                              owner, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!TipWindow) return false;
  SendMessageA(TipWindow, TTM_SETMAXTIPWIDTH, 0, 400);
  char none[1] = {};
  TOOLINFOA info = ToolInfo(none);
  SendMessageA(TipWindow, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
  return true;
}

}  // namespace

void ShowFailureTip(const std::string& text) {
  HideFailureTip();
  if (text.empty() || !EnsureTipWindow()) return;
  ShownText = text;
  TOOLINFOA info = ToolInfo(ShownText.data());
  SendMessageA(TipWindow, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
  // The balloon's point sits a little inside the field's lower edge.
  RECT field;
  GetWindowRect(TipTarget, &field);
  SendMessageA(TipWindow, TTM_TRACKPOSITION, 0, MAKELPARAM(field.left + 24, field.bottom - 4));
  SendMessageA(TipWindow, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&info));
  InputHook = SetWindowsHookExA(WH_GETMESSAGE, InputHookProc, nullptr, GetCurrentThreadId());
}

void HideFailureTip() {
  if (InputHook) UnhookWindowsHookEx(InputHook);
  InputHook = nullptr;
  if (ShownText.empty()) return;
  ShownText.clear();
  if (TipWindow && IsWindow(TipWindow)) {
    char none[1] = {};
    TOOLINFOA info = ToolInfo(none);
    SendMessageA(TipWindow, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&info));
  }
}

HWND FailureTipWindow() { return TipWindow && IsWindow(TipWindow) ? TipWindow : nullptr; }

std::string FailureTipText() { return ShownText; }

}  // namespace quorlin
