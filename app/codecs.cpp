#include "app/codecs.h"

#include <windows.h>

#include <vector>

namespace quorlin {
namespace {

int HexDigitValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A text ends at its first NUL; the Win32 converters get it NUL-terminated.
std::string AsText(std::string_view text) {
  std::string t(text);
  t.resize(t.find('\0') == std::string::npos ? t.size() : t.find('\0'));
  return t;
}

}  // namespace

std::string Base64Encode(std::string_view data) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  for (size_t i = 0; i < data.size(); i += 3) {
    const size_t n = data.size() - i < 3 ? data.size() - i : 3;
    const unsigned b0 = static_cast<unsigned char>(data[i]);
    const unsigned b1 = n > 1 ? static_cast<unsigned char>(data[i + 1]) : 0;
    const unsigned b2 = n > 2 ? static_cast<unsigned char>(data[i + 2]) : 0;
    out += kAlphabet[b0 >> 2];
    out += kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
    out += n > 1 ? kAlphabet[((b1 & 15) << 2) | (b2 >> 6)] : '=';
    out += n > 2 ? kAlphabet[b2 & 63] : '=';
  }
  return out;
}

std::string PercentDecode(std::string_view text, bool convertFromUtf8) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%' && i + 2 < text.size()) {
      const int high = HexDigitValue(static_cast<unsigned char>(text[i + 1]));
      const int low = HexDigitValue(static_cast<unsigned char>(text[i + 2]));
      if (high >= 0 && low >= 0) {
        const char decoded = static_cast<char>(high * 16 + low);
        if (decoded != '\0') out += decoded;
        i += 2;
        continue;
      }
    }
    if (c != '\0') out += c;
  }
  return convertFromUtf8 ? Utf8ToAnsi(out) : out;
}

std::string Utf8ToAnsi(std::string_view text) {
  return WideToMultiByte(MultiByteToWide(text, CP_UTF8), 936);
}

std::wstring MultiByteToWide(std::string_view text, unsigned codePage) {
  const std::string t = AsText(text);
  const int n = MultiByteToWideChar(codePage, 0, t.c_str(), -1, nullptr, 0);
  if (n <= 0) return {};
  std::vector<wchar_t> buffer(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, t.c_str(), -1, buffer.data(), n);
  return std::wstring(buffer.data());
}

std::string WideToMultiByte(std::wstring_view wide, unsigned codePage) {
  const std::wstring w(wide.substr(0, wide.find(L'\0')));
  const int m = WideCharToMultiByte(codePage, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (m <= 0) return {};
  // Twice the measured size, as a margin against converters that measure short.
  std::vector<char> buffer(static_cast<size_t>(m) * 2, '\0');
  WideCharToMultiByte(codePage, 0, w.c_str(), -1, buffer.data(), m * 2, nullptr, nullptr);
  return std::string(buffer.data());
}

}  // namespace quorlin
