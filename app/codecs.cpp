#include "app/codecs.h"

#include <windows.h>

#include <array>

namespace quorlin {
namespace {

// The value of each byte as a hexadecimal digit, -1 for the others; a table
// keeps the decoding loop free of branches on the digits.
constexpr auto kHexDigitValues = [] {
  std::array<signed char, 256> t{};
  for (int c = 0; c < 256; ++c)
    t[c] = static_cast<signed char>(c >= '0' && c <= '9'   ? c - '0'
                                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                           : -1);
  return t;
}();

int HexDigitValue(unsigned char c) { return kHexDigitValues[c]; }

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
  std::string out(text.size(), '\0');
  char* o = out.data();
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const char c = *p++;
    if (c == '%' && end - p > 1) {
      const int high = HexDigitValue(static_cast<unsigned char>(p[0]));
      const int low = HexDigitValue(static_cast<unsigned char>(p[1]));
      if (high >= 0 && low >= 0) {
        const char decoded = static_cast<char>(high * 16 + low);
        if (decoded != '\0') *o++ = decoded;
        p += 2;
        continue;
      }
    }
    if (c != '\0') *o++ = c;
  }
  out.resize(static_cast<size_t>(o - out.data()));
  return convertFromUtf8 ? Utf8ToAnsi(out) : out;
}

std::string Utf8ToAnsi(std::string_view text) {
  return WideToMultiByte(MultiByteToWide(text, CP_UTF8), 936);
}

// Each converter runs once into a buffer of the largest size its input can
// need (a byte gives at most one UTF-16 unit; a unit gives at most two bytes
// in a double-byte code page), so a long reply is not converted twice just to
// be measured. Code pages with longer sequences are measured when the first
// try runs short.
std::wstring MultiByteToWide(std::string_view text, unsigned codePage) {
  const std::string_view t = text.substr(0, text.find('\0'));
  if (t.empty()) return {};
  std::wstring wide(t.size(), L'\0');
  const int n = MultiByteToWideChar(codePage, 0, t.data(), static_cast<int>(t.size()), wide.data(),
                                    static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return wide;
}

std::string WideToMultiByte(std::wstring_view wide, unsigned codePage) {
  const std::wstring_view w = wide.substr(0, wide.find(L'\0'));
  if (w.empty()) return {};
  const auto convert = [&](std::string& out) {
    return WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), out.data(),
                               static_cast<int>(out.size()), nullptr, nullptr);
  };
  std::string out(w.size() * 2, '\0');
  int m = convert(out);
  if (m <= 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    m = WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    out.assign(m > 0 ? static_cast<size_t>(m) : 0, '\0');
    m = convert(out);
  }
  out.resize(m > 0 ? static_cast<size_t>(m) : 0);
  return out;
}

}  // namespace quorlin
