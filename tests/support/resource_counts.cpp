#include "resource_counts.h"

#include <windows.h>

namespace quorlin::test {
namespace {

BOOL CALLBACK CountChild(HWND, LPARAM counter) {
  ++*reinterpret_cast<unsigned long*>(counter);
  return TRUE;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM counter) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != GetCurrentProcessId()) return TRUE;
  ++*reinterpret_cast<unsigned long*>(counter);
  EnumChildWindows(window, CountChild, counter);
  return TRUE;
}

}  // namespace

unsigned long GdiObjectCount() {
  if (const DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return n;
  unsigned long n = 0;
  for (ULONG_PTR index = 1; index < 0x10000; ++index)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index))) ++n;
  return n;
}

unsigned long UserObjectCount() {
  if (const DWORD n = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) return n;
  unsigned long n = 0;
  EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&n));
  // Message-only windows are not enumerated above.
  for (HWND w = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
       w = FindWindowExA(HWND_MESSAGE, w, nullptr, nullptr)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == GetCurrentProcessId()) ++n;
  }
  return n;
}

bool CountersSeeObjects() {
  constexpr int kBrushes = 4;
  const unsigned long gdiBefore = GdiObjectCount();
  HBRUSH brushes[kBrushes];
  for (HBRUSH& b : brushes) b = CreateSolidBrush(RGB(1, 2, 3));
  const unsigned long gdiDuring = GdiObjectCount();
  for (HBRUSH b : brushes) DeleteObject(b);
  const bool gdiSees = gdiBefore > 0 && gdiDuring >= gdiBefore + kBrushes && GdiObjectCount() <= gdiBefore;

  const unsigned long userBefore = UserObjectCount();
  HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  const unsigned long userDuring = UserObjectCount();
  if (probe) DestroyWindow(probe);
  const bool userSees = probe && userDuring > userBefore && UserObjectCount() <= userBefore;
  return gdiSees && userSees;
}

}  // namespace quorlin::test
