#pragma once
// The web browser pane of the main window: the platform's WebBrowser control
// (IWebBrowser2) hosted in a minimal OLE in-place container.
//
// Ownership. The pointer returned by CreateBrowserPane is the caller's handle
// and stays valid until DestroyBrowserPane, which must be called exactly once
// for every non-null handle. The control itself belongs to the host window:
// when the host window is destroyed, by DestroyBrowserPane or together with
// its parent, the event connection is cut and the control is deactivated,
// closed and released. After the parent has been destroyed the handle is
// still valid, BrowserPaneWindow returns nullptr and DestroyBrowserPane only
// frees what is left.
//
// Everything runs on the thread that created the pane, with OLE initialised
// (OleInitialize) on that thread for the whole life of the pane.
#include <windows.h>

struct IDispatch;
struct IWebBrowser2;

namespace quorlin {

struct BrowserPane;

// Called on the UI thread when the browser is about to open a page in a new
// window. The pane never cancels that.
using NewWindowHandler = void (*)(void* context);

// Creates the control as a child of parent at rect (parent client
// coordinates), sets the text size to medium (2), loads startPage and sinks
// the new-window notifications (NewWindow2 and NewWindow3). OLE must be
// initialised on the calling thread. Returns nullptr when the control cannot
// be created. startPage is an ANSI text; nullptr or "" loads nothing.
BrowserPane* CreateBrowserPane(HWND parent, const RECT& rect, const char* startPage,
                               NewWindowHandler onNewWindow, void* context);
// The child window that hosts the control (window class "QuorlinBrowserHost");
// nullptr once that window is gone.
HWND BrowserPaneWindow(const BrowserPane* pane);
// Deactivates and releases the control and destroys the host window, then
// frees the handle. nullptr is ignored.
void DestroyBrowserPane(BrowserPane* pane);

// ---- For tests ------------------------------------------------------------
// The DWebBrowserEvents2 sink the control calls; not AddRef'ed. Valid until
// DestroyBrowserPane.
IDispatch* BrowserPaneEventSink(const BrowserPane* pane);
// The hosted control; not AddRef'ed. nullptr once the host window is gone.
IWebBrowser2* BrowserPaneBrowser(const BrowserPane* pane);
// How many pane objects (the container COM objects) are alive in the
// process. A pane object lives while the caller's handle or any reference the
// control took on it remains.
long BrowserPaneLiveObjects();

}  // namespace quorlin
