#include "resource_counts.h"

#include <windows.h>
#include <tlhelp32.h>

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

unsigned long ThreadCount() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  unsigned long n = 0;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++n;
  CloseHandle(snapshot);
  return n;
}

unsigned long KernelHandleCount() {
  DWORD n = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &n) && n > 0) return n;
  // Wine answers 0: ask about every handle value of the process's table
  // instead (handles are multiples of 4).
  n = 0;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++n;
  }
  return n;
}

namespace {

DWORD WINAPI WaitForEvent(void* event) {
  WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
  return 0;
}

}  // namespace

bool KernelCountersSeeObjects() {
  constexpr int kEvents = 4;
  const unsigned long handlesBefore = KernelHandleCount();
  const unsigned long threadsBefore = ThreadCount();
  HANDLE events[kEvents];
  for (HANDLE& e : events) e = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = CreateThread(nullptr, 0, WaitForEvent, events[0], 0, nullptr);
  const unsigned long handlesDuring = KernelHandleCount();
  const unsigned long threadsDuring = ThreadCount();
  SetEvent(events[0]);
  if (thread) WaitForSingleObject(thread, 5000);
  if (thread) CloseHandle(thread);
  for (HANDLE e : events) CloseHandle(e);
  const bool handlesSee = handlesBefore > 0 && handlesDuring >= handlesBefore + kEvents + 1 &&
                          KernelHandleCount() <= handlesBefore;
  const bool threadsSee = threadsBefore > 0 && threadsDuring == threadsBefore + 1 && ThreadCount() <= threadsBefore;
  return handlesSee && threadsSee;
}

}  // namespace quorlin::test
