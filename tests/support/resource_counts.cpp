#include "resource_counts.h"

#include <windows.h>
#include <winternl.h>

#include <cstdint>

namespace quorlin::test {
namespace {

struct WineGdiHandleEntry {
  uint64_t object;
  uint32_t owner;
  uint16_t unique;
  uint8_t type;
  uint8_t flags;
  uint64_t userPointer;
};
static_assert(sizeof(WineGdiHandleEntry) == 24);

// The TEB read in the MinGW headers trips -Warray-bounds; it is correct.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
const WineGdiHandleEntry* GdiHandleTable() {
  const auto* peb = reinterpret_cast<const unsigned char*>(NtCurrentTeb()->ProcessEnvironmentBlock);
#ifdef _WIN64
  constexpr size_t kTableOffset = 0xF8;
#else
  constexpr size_t kTableOffset = 0x94;
#endif
  return *reinterpret_cast<const WineGdiHandleEntry* const*>(peb + kTableOffset);
}
#pragma GCC diagnostic pop

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
  const WineGdiHandleEntry* table = GdiHandleTable();
  if (!table) return 0;
  unsigned long n = 0;
  for (size_t i = 0; i < 0x10000; ++i)
    if (table[i].type) ++n;
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

}  // namespace quorlin::test
