#include "window_probe.h"

namespace quorlin::test {

void PumpMessages(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(5);
  } while (GetTickCount() - start < ms);
}

void Drain() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return done();
    PumpMessages(10);
  }
  return true;
}

std::string WindowText(HWND window) {
  char buffer[4096] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000,
                      &copied);
  return buffer;
}

namespace {

// Copies area of source (in source's coordinates) into a snapshot.
ScreenPixels Capture(HDC source, const RECT& area) {
  ScreenPixels shot;
  shot.width = area.right - area.left;
  shot.height = area.bottom - area.top;
  HDC memory = CreateCompatibleDC(source);
  HBITMAP bitmap = CreateCompatibleBitmap(source, shot.width, shot.height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, shot.width, shot.height, source, area.left, area.top, SRCCOPY);
  shot.pixels.resize(static_cast<size_t>(shot.width) * shot.height);
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x) shot.pixels[static_cast<size_t>(y) * shot.width + x] = GetPixel(memory, x, y);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  return shot;
}

}  // namespace

ScreenPixels CaptureClient(HWND window, const RECT& area) {
  HDC windowDc = GetDC(window);
  ScreenPixels shot = Capture(windowDc, area);
  ReleaseDC(window, windowDc);
  return shot;
}

ScreenPixels CaptureScreen(HWND window, const RECT& clientArea) {
  RECT onScreen = clientArea;
  MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&onScreen), 2);
  HDC screen = GetDC(nullptr);
  ScreenPixels shot = Capture(screen, onScreen);
  ReleaseDC(nullptr, screen);
  return shot;
}

}  // namespace quorlin::test
