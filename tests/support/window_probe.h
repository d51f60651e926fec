#pragma once
// Helpers for tests that drive real windows: message pumping, waiting, and
// reading pixels back from the screen.
#include <windows.h>

#include <functional>
#include <string>

namespace quorlin::test {

// Dispatches this thread's pending messages for about ms milliseconds.
void PumpMessages(DWORD ms);
// Dispatches what is queued, without waiting.
void Drain();
// Pumps until done() holds or timeoutMs passes; the final value of done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Moves the mouse to a corner of the test display, away from every window
// the tests make.
inline void ParkCursor() { SetCursorPos(1270, 1010); }

inline int Red(COLORREF c) { return GetRValue(c); }
inline int Green(COLORREF c) { return GetGValue(c); }
inline int Blue(COLORREF c) { return GetBValue(c); }

// A window's text, also for windows of other processes.
std::string WindowText(HWND window);

// A snapshot of a window's client area as it is on the screen.
struct ScreenPixels {
  int width = 0;
  int height = 0;
  std::basic_string<COLORREF> pixels;
  COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
ScreenPixels CaptureClient(HWND window, const RECT& area);
// What the user sees: the screen itself (GetDC(NULL)) over a window's client
// area, whatever the window's region or children hide of it.
ScreenPixels CaptureScreen(HWND window, const RECT& clientArea);

}  // namespace quorlin::test
