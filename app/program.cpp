#include "app/program.h"

// ole2.h first: the GDI+ headers need its types.
#include <ole2.h>
#include <gdiplus.h>

#include "app/link_resolver.h"
#include "app/main_window.h"
#include "app/service_launcher.h"
#include "app/skin_hookup.h"

namespace quorlin {

ULONG_PTR GraphicsToken = 0;
HICON ApplicationIcon = nullptr;

namespace {

void StartGraphics() {
  Gdiplus::GdiplusStartupInput input;  // version 1, no callback, nothing suppressed
  Gdiplus::GdiplusStartup(&GraphicsToken, &input, nullptr);
}

void StopGraphics() {
  if (GraphicsToken) Gdiplus::GdiplusShutdown(GraphicsToken);
  GraphicsToken = 0;
}

void LoadApplicationIcon(HINSTANCE instance) {
  ApplicationIcon = LoadIconA(instance, MAKEINTRESOURCEA(129));
  if (!ApplicationIcon) ApplicationIcon = LoadIconA(instance, "DEFAULT_ICON");
}

}  // namespace

HWND StartMainWindow(HINSTANCE instance) {
  LoadApplicationIcon(instance);
  SetSkinStartValues();
  HWND window = CreateMainWindow(instance);
  if (window) {
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
  }
  return window;
}

int RunProgram(HINSTANCE instance) {
  StartGraphics();
  // OLE before the window: the browser pane needs it on this thread.
  OleInitialize(nullptr);
  HWND window = StartMainWindow(instance);
  if (window) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (IsWindow(window) && IsDialogMessageA(window, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }

  // After the last paint: the window and its controls are gone. A request the
  // closing window abandoned has had its handles closed; its worker gets a
  // moment to return, and one still waiting ends with the process.
  FinishReadLinkWorker(500);
  CloseInternetHandle();
  ReleaseBundledService();
  OleUninitialize();
  StopGraphics();
  return 0;
}

}  // namespace quorlin
