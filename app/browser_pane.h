#pragma once
// The web browser pane of the main window: the platform's WebBrowser control
// (IWebBrowser2) hosted in a minimal OLE in-place container.
#include <windows.h>

namespace quorlin {

struct BrowserPane;

// Called on the UI thread when the browser is about to open a page in a new
// window. The pane never cancels that.
using NewWindowHandler = void (*)(void* context);

// Creates the control as a child of parent at rect (parent client
// coordinates), sets the text size to medium (2), loads startPage and sinks
// the new-window notifications (NewWindow2 and NewWindow3). OLE must be
// initialised on the calling thread. Returns nullptr when the control cannot
// be created.
BrowserPane* CreateBrowserPane(HWND parent, const RECT& rect, const char* startPage,
                               NewWindowHandler onNewWindow, void* context);
// The child window that hosts the control.
HWND BrowserPaneWindow(const BrowserPane* pane);
// Deactivates and releases the control and destroys the host window.
void DestroyBrowserPane(BrowserPane* pane);

}  // namespace quorlin
