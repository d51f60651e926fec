#include "app/main_window.h"

#include "app/browser_pane.h"
#include "app/failure_tip.h"
#include "app/link_resolver.h"
#include "app/program.h"
#include "app/skin_hookup.h"
#include "app/transparent_label.h"

namespace quorlin {

MainWindowHandles MainWindow;

namespace {

constexpr char FieldNamesText[] =
    "视频名称：\r\n\r\n视频大小：\r\n\r\n视频格式：\r\n\r\n视频片长：\r\n\r\n出自网站：\r\n\r\n下载地址：\r\n";

constexpr UINT SingleLineLabelFlags = DT_NOPREFIX | DT_LEFT | DT_SINGLELINE | DT_VCENTER;
constexpr UINT MultiLineLabelFlags = DT_NOPREFIX | DT_LEFT | DT_WORDBREAK;

HFONT CreateLabelFont() {
  return CreateFontA(-20, 0, 0, 0, 400, FALSE, FALSE, FALSE, 134 /* GB2312_CHARSET */,
                     3 /* OUT_STROKE_PRECIS */, 2 /* CLIP_STROKE_PRECIS */, 1 /* DRAFT_QUALITY */,
                     2 /* VARIABLE_PITCH | FF_DONTCARE */, "黑体");
}

RECT Bounds(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

HWND CreateControl(HWND parent, const char* className, const char* text, DWORD style, DWORD exStyle,
                   int id, const RECT& r) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
  HWND control = CreateWindowExA(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                                 r.right - r.left, r.bottom - r.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (control) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  return control;
}

HWND CreateEdit(HWND parent, int id, const RECT& r) {
  return CreateControl(parent, "Edit", "", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, id, r);
}

HWND CreateButton(HWND parent, int id, const char* text, const RECT& r) {
  return CreateControl(parent, "Button", text, WS_TABSTOP | BS_PUSHBUTTON, 0, id, r);
}

HWND CreateLabel(HWND parent, int id, const char* text, const RECT& r, HFONT font, UINT flags,
                 HCURSOR cursor = nullptr, LabelMouseUpHandler onMouseUp = nullptr) {
  LabelOptions options;
  options.drawFlags = flags;
  options.cursor = cursor;
  options.onMouseUp = onMouseUp;
  return CreateTransparentLabel(parent, id, text, r, font, options);
}

void OnBrowserNewWindow(void*) { NarrowMainWindow(); }

void CreateControls(HWND window) {
  MainWindowHandles& m = MainWindow;
  HFONT guiFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  m.labelFont = CreateLabelFont();

  m.browserPane = CreateBrowserPane(window, Bounds(448, 0, 256, 312), BrowserStartPageAddress().c_str(),
                                    OnBrowserNewWindow, nullptr);
  m.browserPaneWindow = BrowserPaneWindow(m.browserPane);
  if (m.browserPaneWindow) SetWindowLongPtrA(m.browserPaneWindow, GWLP_ID, BrowserPaneId);
  m.supportLabel = CreateLabel(window, SupportLabelId, "支持作者", Bounds(392, 285, 48, 24), guiFont,
                               SingleLineLabelFlags, LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)), WidenMainWindow);
  m.copyButton = CreateButton(window, CopyButtonId, "复制", Bounds(342, 284, 48, 24));
  m.siteLabel = CreateLabel(window, SiteLabelId, "", Bounds(142, 240, 248, 32), m.labelFont, SingleLineLabelFlags);
  m.durationLabel = CreateLabel(window, DurationLabelId, "", Bounds(142, 198, 248, 32), m.labelFont, SingleLineLabelFlags);
  m.formatLabel = CreateLabel(window, FormatLabelId, "", Bounds(142, 159, 248, 32), m.labelFont, SingleLineLabelFlags);
  m.sizeLabel = CreateLabel(window, SizeLabelId, "", Bounds(142, 120, 248, 32), m.labelFont, SingleLineLabelFlags);
  m.titleLabel = CreateLabel(window, TitleLabelId, "", Bounds(142, 81, 248, 32), m.labelFont, SingleLineLabelFlags);
  m.downloadAddressEdit = CreateEdit(window, DownloadAddressEditId, Bounds(134, 284, 200, 24));
  m.fieldNamesLabel = CreateLabel(window, FieldNamesLabelId, FieldNamesText, Bounds(38, 86, 112, 232), m.labelFont,
                                  MultiLineLabelFlags);
  m.addressLabel = CreateLabel(window, AddressLabelId, "视频地址：", Bounds(46, 34, 56, 24), guiFont, SingleLineLabelFlags);
  m.readLinkButton = CreateButton(window, ReadLinkButtonId, ReadLinkText, Bounds(336, 34, 64, 24));
  m.addressEdit = CreateEdit(window, AddressEditId, Bounds(104, 34, 224, 24));
}

void SetMainWindowWidth(int width) {
  RECT r;
  GetWindowRect(MainWindow.window, &r);
  SetWindowPos(MainWindow.window, nullptr, 0, 0, width, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT OnCommand(WPARAM wParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (code != BN_CLICKED) return 0;
  if (id == ReadLinkButtonId) {
    ReadLink();
  } else if (id == CopyButtonId) {
    CopyDownloadAddress();
  } else if (id == IDOK && GetFocus() == MainWindow.addressEdit) {
    // Enter in the address field reads the link, as the button would.
    ReadLink();
  }
  return 0;
}

void OnDestroy() {
  // The request's reply has no window to go to any more.
  AbandonReadLink();
  if (MainWindow.browserPane) DestroyBrowserPane(MainWindow.browserPane);
  MainWindow.browserPane = nullptr;
  MainWindow.browserPaneWindow = nullptr;
  PostQuitMessage(0);
}

void OnNcDestroy() {
  if (MainWindow.labelFont) DeleteObject(MainWindow.labelFont);
  MainWindow = MainWindowHandles{};
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      return OnCommand(wParam);
    case ReadLinkReplyMessage:
      OnReadLinkReply(lParam);
      return 0;
    case WM_SETCURSOR:
      // Children pass WM_SETCURSOR to their parent first, so this covers the
      // controls too.
      if (ReadLinkRunning() && LOWORD(lParam) != static_cast<WORD>(HTERROR)) {
        SetCursor(LoadCursorA(nullptr, IDC_APPSTARTING));
        return TRUE;
      }
      break;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_NCDESTROY:
      OnNcDestroy();
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExA(instance, MainWindowClass, &wc)) return true;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.hIcon = ApplicationIcon;
  wc.hIconSm = ApplicationIcon;
  wc.lpszClassName = MainWindowClass;
  return RegisterClassExA(&wc) != 0;
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance) {
  if (!RegisterMainWindowClass(instance)) return nullptr;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - MainWindowNarrowWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - MainWindowHeight) / 2;
  // No WS_CLIPCHILDREN: the window paints beneath its transparent labels.
  HWND window = CreateWindowExA(0, MainWindowClass, MainWindowCaption, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX,
                                left, top, MainWindowNarrowWidth, MainWindowHeight, nullptr, nullptr, instance,
                                nullptr);
  if (!window) return nullptr;
  MainWindow.window = window;
  CreateControls(window);
  OnMainWindowCreated();
  return window;
}

std::string BrowserStartPageAddress() {
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::string("res://") + path + "/" + BrowserStartPageResource;
}

void WidenMainWindow(int, int, WPARAM) { SetMainWindowWidth(MainWindowWideWidth); }

void NarrowMainWindow() {
  SetMainWindowWidth(MainWindowNarrowWidth);
  // A running request keeps the button disabled until its reply is shown.
  if (!ReadLinkRunning()) EnableWindow(MainWindow.readLinkButton, TRUE);
}

namespace {

// The cursor changes at once, not only at the next mouse move, when the
// pointer is over the window.
void RefreshCursor() {
  POINT at;
  if (!GetCursorPos(&at)) return;
  HWND under = WindowFromPoint(at);
  if (!under || (under != MainWindow.window && !IsChild(MainWindow.window, under))) return;
  const LRESULT hit = SendMessageA(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
  SendMessageA(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(hit, WM_MOUSEMOVE));
}

}  // namespace

void SetReadLinkBusy(bool busy) {
  HWND button = MainWindow.readLinkButton;
  if (!button) return;
  const bool hadFocus = GetFocus() == button;
  // The text and the state change with drawing held, so the button paints
  // once, at the next WM_PAINT, instead of twice inside the press.
  SendMessageA(button, WM_SETREDRAW, FALSE, 0);
  SetWindowTextA(button, busy ? ReadLinkBusyText : ReadLinkText);
  EnableWindow(button, busy ? FALSE : TRUE);
  SendMessageA(button, WM_SETREDRAW, TRUE, 0);
  // A disabled button loses the focus; the address field takes it meanwhile.
  if (busy && hadFocus) SetFocus(MainWindow.addressEdit);
  InvalidateRect(button, nullptr, FALSE);
  RefreshCursor();
}

std::string GetControlText(HWND control) {
  const int length = GetWindowTextLengthA(control);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(control, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

}  // namespace quorlin
