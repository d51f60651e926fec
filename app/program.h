#pragma once
#include <windows.h>

namespace quorlin {

extern ULONG_PTR GraphicsToken;  // from GdiplusStartup, kept until GDI+ shuts down
extern HICON ApplicationIcon;

// Program start to end: tables, GDI+, icon, engine start values, the main
// window and its message loop. Returns the process exit code.
int RunProgram(HINSTANCE instance);
// The start steps after GDI+ and OLE, in the program's order: the icon, the
// engine's start values, MainWindow created (and skinned), shown and painted.
HWND StartMainWindow(HINSTANCE instance);

}  // namespace quorlin
