#include "graphics/tooltip.h"

#include <commctrl.h>

#include <cstddef>

namespace quorlin::graphics {

namespace {

// The original TOOLINFOA layout, up to lpszText: 40 bytes on i686, 56 on
// x86_64 (the handles, uId and the text pointer are pointer-sized). Every
// comctl32 version accepts it.
constexpr UINT kToolInfoSize = static_cast<UINT>(offsetof(TOOLINFOA, lpszText) + sizeof(LPSTR));
#if !defined(_WIN64)
static_assert(kToolInfoSize == 40, "TOOLINFOA up to lpszText is 40 bytes on 32-bit Windows");
#else
static_assert(kToolInfoSize == 56, "TOOLINFOA up to lpszText is 56 bytes on 64-bit Windows");
#endif

}  // namespace

HWND Tooltip::Create(HWND owner, bool balloon) {
  owner_ = owner;
  INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&init);  // registers "ToolTips_class32"
  DWORD style = TTS_ALWAYSTIP;
  if (balloon) style |= TTS_BALLOON;
  tooltip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, "", style, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  SetMaxWidth(600);
  return tooltip_;
}

void Tooltip::SendTool(UINT message, UINT_PTR id, const RECT* rect, const char* text) const {
  TOOLINFOA info{};
  info.cbSize = kToolInfoSize;
  info.uFlags = TTF_SUBCLASS;
  info.hwnd = owner_;
  info.uId = id;
  if (rect) info.rect = *rect;
  info.hinst = nullptr;
  info.lpszText = const_cast<LPSTR>(text);
  SendMessageA(tooltip_, message, 0, reinterpret_cast<LPARAM>(&info));
}

void Tooltip::AddTool(RECT& rect, bool useRect, const char* text, UINT_PTR id) {
  if (!useRect) GetClientRect(owner_, &rect);
  SendTool(TTM_ADDTOOLA, id, &rect, text);
}

void Tooltip::AddCallbackTool(const RECT& rect, UINT_PTR id) {
  SendTool(TTM_ADDTOOLA, id, &rect, LPSTR_TEXTCALLBACKA);
}

LRESULT Tooltip::SetBackColor(COLORREF colour) {
  return SendMessageA(tooltip_, TTM_SETTIPBKCOLOR, colour, 0);
}

LRESULT Tooltip::SetTextColor(COLORREF colour) {
  return SendMessageA(tooltip_, TTM_SETTIPTEXTCOLOR, colour, 0);
}

LRESULT Tooltip::SetMaxWidth(int width) {
  return SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, width);
}

void Tooltip::DeleteTool(UINT_PTR id) { SendTool(TTM_DELTOOLA, id, nullptr, nullptr); }

int Tooltip::GetToolCount() const {
  return static_cast<int>(SendMessageA(tooltip_, TTM_GETTOOLCOUNT, 0, 0));
}

void Tooltip::SetToolRect(UINT_PTR id, const RECT& rect) {
  SendTool(TTM_NEWTOOLRECTA, id, &rect, nullptr);
}

void Tooltip::SetToolText(UINT_PTR id, const char* text) {
  SendTool(TTM_UPDATETIPTEXTA, id, nullptr, text);
}

}  // namespace quorlin::graphics
