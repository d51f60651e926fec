#include "graphics/status.h"

#include "graphics/gdiplus_flat.h"

#include <cstring>

namespace quorlin::graphics {

void* Alloc(std::size_t size) { return flat::GdipAlloc(size); }
void Free(void* block) { flat::GdipFree(block); }

std::wstring ToWide(const char* text) {
  if (!text || !*text) return std::wstring();
  int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (units <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), units);
  wide.resize(static_cast<size_t>(units - 1));  // drop the converted NUL
  return wide;
}

std::string FromWide(const wchar_t* text) {
  if (!text || !*text) return std::string();
  int bytes = WideCharToMultiByte(CP_OEMCP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_OEMCP, 0, text, -1, out.data(), bytes, nullptr, nullptr);
  out.resize(static_cast<size_t>(bytes - 1));
  return out;
}

std::string GuidToText(const GUID& guid) {
  wchar_t buffer[39] = {};
  if (StringFromGUID2(guid, buffer, 39) == 0) return std::string();
  return FromWide(buffer);
}

bool TextToGuid(const std::string& text, GUID* guid) {
  std::memset(guid, 0, sizeof(GUID));
  if (text.empty()) return false;
  std::wstring wide = ToWide(text.c_str());
  if (FAILED(CLSIDFromString(wide.c_str(), guid))) {
    std::memset(guid, 0, sizeof(GUID));
    return false;
  }
  return true;
}

}  // namespace quorlin::graphics
