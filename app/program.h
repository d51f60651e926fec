#pragma once
#include <windows.h>

namespace quorlin {

extern ULONG_PTR GraphicsToken;  // from GdiplusStartup, kept until GDI+ shuts down
extern HICON ApplicationIcon;

// Program start to end: tables, GDI+, icon, engine start values, the main
// window and its message loop. Returns the process exit code.
int RunProgram(HINSTANCE instance);

}  // namespace quorlin
