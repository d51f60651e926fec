#include "app/browser_pane.h"

namespace quorlin {

BrowserPane* CreateBrowserPane(HWND, const RECT&, const char*, NewWindowHandler, void*) { return nullptr; }
HWND BrowserPaneWindow(const BrowserPane*) { return nullptr; }
void DestroyBrowserPane(BrowserPane*) {}

}  // namespace quorlin
