#pragma once
// The program's one window and its thirteen controls.
#include <windows.h>

#include <string>

namespace quorlin {

struct BrowserPane;

inline constexpr char MainWindowClass[] = "QuorlinMainWindow";
inline constexpr char MainWindowCaption[] = "Quorlin";
inline constexpr int MainWindowNarrowWidth = 444;
inline constexpr int MainWindowWideWidth = 700;
inline constexpr int MainWindowHeight = 314;
// The page the browser pane loads at start: an HTML resource of the running
// program, "res://<program path>/START.HTML". It needs no network, and its
// link opens a new window, which narrows the main window again.
inline constexpr char BrowserStartPageResource[] = "START.HTML";
std::string BrowserStartPageAddress();

// The read-link worker's hand-off: posted to the main window with the job in
// lParam when the reply has arrived.
inline constexpr UINT ReadLinkReplyMessage = WM_APP + 1;
// The read-link button's text while a request runs.
inline constexpr char ReadLinkBusyText[] = "读取中…";
inline constexpr char ReadLinkText[] = "读取链接";

// Control ids, in creation order.
enum MainWindowControlId : int {
  BrowserPaneId = 1,
  SupportLabelId,
  CopyButtonId,
  SiteLabelId,
  DurationLabelId,
  FormatLabelId,
  SizeLabelId,
  TitleLabelId,
  DownloadAddressEditId,
  FieldNamesLabelId,
  AddressLabelId,
  ReadLinkButtonId,
  AddressEditId,
};

struct MainWindowHandles {
  HWND window = nullptr;
  BrowserPane* browserPane = nullptr;
  HWND browserPaneWindow = nullptr;
  HWND supportLabel = nullptr;
  HWND copyButton = nullptr;
  HWND siteLabel = nullptr;
  HWND durationLabel = nullptr;
  HWND formatLabel = nullptr;
  HWND sizeLabel = nullptr;
  HWND titleLabel = nullptr;
  HWND downloadAddressEdit = nullptr;
  HWND fieldNamesLabel = nullptr;
  HWND addressLabel = nullptr;
  HWND readLinkButton = nullptr;
  HWND addressEdit = nullptr;
  HFONT labelFont = nullptr;
};

extern MainWindowHandles MainWindow;

// Creates MainWindow (hidden) with its controls and runs OnMainWindowCreated.
// OLE must be initialised on this thread for the browser pane.
HWND CreateMainWindow(HINSTANCE instance);

void WidenMainWindow(int x, int y, WPARAM keys);
// While busy, the read-link button is disabled with its busy text and the
// cursor over the window is the busy-in-background arrow.
void SetReadLinkBusy(bool busy);
void NarrowMainWindow();

// The current text of a control, as ANSI bytes.
std::string GetControlText(HWND control);

}  // namespace quorlin
