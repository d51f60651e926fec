#include "app/transparent_label.h"

#include <string>

namespace quorlin {
namespace {

struct LabelState {
  HFONT font = nullptr;
  std::string text;  // the window text, kept so a paint sends no messages for it
  LabelOptions options;
};

LabelState* StateOf(HWND label) {
  return reinterpret_cast<LabelState*>(GetWindowLongPtrA(label, GWLP_USERDATA));
}

// The parent paints the background under the label, then the label draws its
// text over it: repainting only the label would leave the old text beneath.
void RepaintOverParent(HWND label) {
  HWND parent = GetParent(label);
  if (!parent) {
    InvalidateRect(label, nullptr, TRUE);
    return;
  }
  RECT r;
  GetWindowRect(label, &r);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  RedrawWindow(parent, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

LRESULT OnPaint(HWND label, const LabelState& state) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(label, &ps);
  if (!state.text.empty()) {
    RECT client;
    GetClientRect(label, &client);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, RGB(0, 0, 0));
    HGDIOBJ oldFont = SelectObject(dc, state.font ? state.font : GetStockObject(DEFAULT_GUI_FONT));
    DrawTextA(dc, state.text.c_str(), static_cast<int>(state.text.size()), &client, state.options.drawFlags);
    SelectObject(dc, oldFont);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
  }
  EndPaint(label, &ps);
  return 0;
}

LRESULT CALLBACK LabelWndProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
  LabelState* state = StateOf(label);
  switch (message) {
    case WM_NCCREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      auto* fresh = new LabelState;
      if (create->lpCreateParams) fresh->options = *static_cast<const LabelOptions*>(create->lpCreateParams);
      if (create->lpszName) fresh->text = create->lpszName;
      SetWindowLongPtrA(label, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(fresh));
      break;
    }
    case WM_NCDESTROY:
      delete state;
      SetWindowLongPtrA(label, GWLP_USERDATA, 0);
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      if (state) return OnPaint(label, *state);
      break;
    case WM_SETFONT:
      if (state) state->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) RepaintOverParent(label);
      return 0;
    case WM_GETFONT:
      return state ? reinterpret_cast<LRESULT>(state->font) : 0;
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcA(label, message, wParam, lParam);
      if (result && state) state->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      RepaintOverParent(label);
      return result;
    }
    case WM_SETCURSOR:
      if (state && state->options.cursor) {
        SetCursor(state->options.cursor);
        return TRUE;
      }
      break;
    case WM_LBUTTONUP:
      if (state && state->options.onMouseUp)
        state->options.onMouseUp(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), wParam);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(label, message, wParam, lParam);
}

}  // namespace

bool RegisterTransparentLabelClass(HINSTANCE instance) {
  WNDCLASSA wc = {};
  if (GetClassInfoA(instance, TransparentLabelClass, &wc)) return true;
  wc.lpfnWndProc = LabelWndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = TransparentLabelClass;
  return RegisterClassA(&wc) != 0;
}

HWND CreateTransparentLabel(HWND parent, int id, const char* text, const RECT& bounds, HFONT font,
                            const LabelOptions& options) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
  if (!RegisterTransparentLabelClass(instance)) return nullptr;
  LabelOptions copy = options;
  // WS_EX_TRANSPARENT: the window beneath paints first and is not clipped
  // around the label, so its background is always what the label shows.
  HWND label = CreateWindowExA(WS_EX_TRANSPARENT, TransparentLabelClass, text, WS_CHILD | WS_VISIBLE, bounds.left,
                               bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                               parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, &copy);
  if (label && font) SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return label;
}

}  // namespace quorlin
