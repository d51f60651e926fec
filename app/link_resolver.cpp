#include "app/link_resolver.h"

#include <windows.h>
#include <wininet.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/codecs.h"
#include "app/main_window.h"
#include "app/service_launcher.h"

namespace quorlin {

std::string RequestAddress;
std::string ReplyText;
LinkFields LinkInfo;

namespace {

bool IsLeadByte(unsigned char c) { return c >= 0x80; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string ReplaceQuoteToken(std::string_view marker) {
  static constexpr std::string_view kToken = "#引号";
  std::string out;
  for (size_t i = 0; i < marker.size();) {
    if (marker.substr(i, kToken.size()) == kToken) {
      out += '"';
      i += kToken.size();
    } else {
      out += marker[i++];
    }
  }
  return out;
}

// Does marker stand at source[pos]? Single-byte characters compare without
// regard to ASCII case when ignoreCase; the bytes of a double-byte character
// always compare exactly, so a trail byte never matches a letter.
bool MatchesAt(std::string_view source, size_t pos, std::string_view marker, bool ignoreCase) {
  if (marker.size() > source.size() - pos) return false;
  for (size_t k = 0; k < marker.size();) {
    const char m = marker[k];
    if (IsLeadByte(static_cast<unsigned char>(m)) && k + 1 < marker.size()) {
      if (source[pos + k] != m || source[pos + k + 1] != marker[k + 1]) return false;
      k += 2;
      continue;
    }
    const char s = source[pos + k];
    if (ignoreCase ? AsciiLower(s) != AsciiLower(m) : s != m) return false;
    ++k;
  }
  return true;
}

// Is pos a character boundary, given a boundary at known (known <= pos)? A
// byte below 0x80 is never a lead byte, so a boundary follows it; from there
// the bytes of 0x80 and above pair up, so pos is a boundary when an even
// number of them stand right before it.
bool IsBoundary(std::string_view source, size_t pos, size_t known) {
  size_t run = 0;
  while (pos - run > known && IsLeadByte(static_cast<unsigned char>(source[pos - run - 1]))) ++run;
  return run % 2 == 0;
}

// 0-based position of the first match at or after from, on a character
// boundary; npos when there is none. walkFrom is a known character boundary
// at or before from. Candidates are found by their first byte and only those
// that match are checked for standing on a boundary, so a search costs about
// one pass over the bytes it skips.
size_t FindOnBoundary(std::string_view source, std::string_view marker, size_t from, bool ignoreCase,
                      size_t walkFrom = 0) {
  if (marker.empty()) {
    // The first boundary at or after from, or the end.
    size_t pos = walkFrom;
    while (pos < source.size() && pos < from) pos += IsLeadByte(static_cast<unsigned char>(source[pos])) ? 2 : 1;
    return from <= source.size() ? (pos < source.size() ? pos : source.size()) : std::string_view::npos;
  }
  if (marker.size() > source.size()) return std::string_view::npos;
  const char first = ignoreCase ? AsciiLower(marker[0]) : marker[0];
  // Only a letter has a second case to look for.
  const bool foldFirst = ignoreCase && first >= 'a' && first <= 'z';
  const size_t last = source.size() - marker.size();
  size_t known = walkFrom;
  for (size_t pos = from; pos <= last; ++pos) {
    if (foldFirst) {
      while (pos <= last && AsciiLower(source[pos]) != first) ++pos;
    } else {
      pos = source.find(first, pos);
    }
    if (pos > last) break;
    if (!MatchesAt(source, pos, marker, ignoreCase)) continue;
    if (IsBoundary(source, pos, known)) return pos;
    // pos is a trail byte, so its lead byte starts a character.
    known = pos - 1;
  }
  return std::string_view::npos;
}

// Full-width ASCII forms (GBK A3A1..A3FE) and the ideographic space (A1A1)
// become their half-width forms; everything else is kept.
std::string ToHalfWidth(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(c) && i + 1 < text.size()) {
      const unsigned char t = static_cast<unsigned char>(text[i + 1]);
      if (c == 0xA3 && t >= 0xA1 && t <= 0xFE) {
        out += static_cast<char>(t - 0x80);
      } else if (c == 0xA1 && t == 0xA1) {
        out += ' ';
      } else {
        out += text.substr(i, 2);
      }
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The longest leading decimal number of text: white space, sign, digits,
// point and fraction, exponent. 0 when there is none.
double ParseLeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  const size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0.0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  return std::strtod(std::string(text.substr(start, i - start)).c_str(), nullptr);
}

HINTERNET InternetHandle = nullptr;

struct InternetHandleCloser {
  HINTERNET handle = nullptr;
  ~InternetHandleCloser() {
    if (handle) InternetCloseHandle(handle);
  }
};

}  // namespace

std::string ExtractBetween(std::string_view source, std::string_view startMarker,
                           std::string_view endMarker, long startPosition, bool caseSensitive) {
  const std::string start = ReplaceQuoteToken(startMarker);
  const std::string end = ReplaceQuoteToken(endMarker);
  const bool ignoreCase = !caseSensitive;
  const size_t from = startPosition < 1 ? 0 : static_cast<size_t>(startPosition - 1);
  size_t s = FindOnBoundary(source, start, from, ignoreCase);
  if (s == std::string_view::npos) return {};
  s += start.size();
  // A whole marker ends on a character boundary, so the walk may start there.
  const size_t e = FindOnBoundary(source, end, s, ignoreCase, s);
  if (e == std::string_view::npos) return {};
  return std::string(source.substr(s, e - s));
}

std::string FormatSizeInMegabytes(std::string_view sizeText) {
  const double n = ParseLeadingNumber(ToHalfWidth(sizeText));
  const double m = n / 1048576.0;
  const double a = std::fabs(m) + 1e-12;
  double whole = std::floor(a);
  if (a - whole >= 0.5) whole += 1.0;
  // A value that rounds to zero prints as 0, never as "-0".
  const double rounded = (m < 0 && whole != 0.0) ? -whole : whole;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.13g", rounded);
  return std::string(buffer) + "MB";
}

std::string BuildRequestAddress(std::string_view pageAddress) {
  return std::string(ServiceBaseAddress) + "/url/" + Base64Encode(pageAddress) + "=";
}

LinkFields ProcessReply(std::string_view body) {
  const std::string_view raw = body.substr(0, body.find('\0'));
  ReplyText = PercentDecode(raw, true);
  LinkFields f;
  f.title = ExtractBetween(ReplyText, "<title><![CDATA[", "]]></ti");
  f.furl = ExtractBetween(ReplyText, "<furl><![CDATA[", "]]></furl>");
  f.ftype = ExtractBetween(ReplyText, "<ftype>", "</ftype>");
  f.size = ExtractBetween(ReplyText, "<size>", "</size>");
  f.time = ExtractBetween(ReplyText, "<time>", "</time>");
  f.site = ExtractBetween(ReplyText, "es><site><![CDATA[", "]]></sit");
  f.size = FormatSizeInMegabytes(f.size);
  return f;
}

void CloseInternetHandle() {
  if (InternetHandle) InternetCloseHandle(InternetHandle);
  InternetHandle = nullptr;
}

std::string FetchUrl(const std::string& address) {
  if (address.empty()) return {};

  char scheme[32] = {}, host[256] = {}, user[256] = {}, password[256] = {};
  std::vector<char> path(address.size() + 1, '\0');
  URL_COMPONENTSA parts = {};
  parts.dwStructSize = sizeof parts;
  parts.lpszScheme = scheme;
  parts.dwSchemeLength = sizeof scheme;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUserName = user;
  parts.dwUserNameLength = sizeof user;
  parts.lpszPassword = password;
  parts.dwPasswordLength = sizeof password;
  parts.lpszUrlPath = path.data();
  parts.dwUrlPathLength = static_cast<DWORD>(path.size());
  // No escaping: Base64's "+" and "/" travel as they are.
  if (!InternetCrackUrlA(address.c_str(), static_cast<DWORD>(address.size()), 0, &parts)) return {};

  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;

  if (!InternetHandle) {
    InternetHandle = InternetOpenA("Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)",
                                   INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!InternetHandle) return {};
  }

  InternetHandleCloser connection{InternetConnectA(InternetHandle, host, parts.nPort,
                                                   user[0] ? user : nullptr,
                                                   password[0] ? password : nullptr,
                                                   INTERNET_SERVICE_HTTP, 0, 0)};
  if (!connection.handle) return {};

  INTERNET_PROXY_INFO proxy = {};
  proxy.dwAccessType = INTERNET_OPEN_TYPE_PRECONFIG;
  InternetSetOptionA(InternetHandle, INTERNET_OPTION_PROXY, &proxy, sizeof proxy);
  char empty[1] = {};
  InternetSetOptionA(connection.handle, INTERNET_OPTION_PROXY_USERNAME, empty, 0);
  InternetSetOptionA(connection.handle, INTERNET_OPTION_PROXY_PASSWORD, empty, 0);

  const char* acceptTypes[] = {"Accept: */* \r\n", nullptr};
  InternetHandleCloser request{HttpOpenRequestA(connection.handle, "GET", path.data(), "HTTP/1.0",
                                                nullptr, acceptTypes, flags, 0)};
  if (!request.handle) return {};
  if (!HttpSendRequestA(request.handle, "Accept: */*\r\n\r\n", 15, nullptr, 0)) return {};

  DWORD chunk = 10240;
  char lengthText[32] = {};
  DWORD lengthSize = sizeof lengthText;
  if (HttpQueryInfoA(request.handle, HTTP_QUERY_CONTENT_LENGTH, lengthText, &lengthSize, nullptr)) {
    const long long length = std::atoll(lengthText);
    if (length > static_cast<long long>(FetchUrlMaxBytes)) return {};
    if (length > 0) chunk = static_cast<DWORD>(length + 1 > 102400 ? 102400 : length + 1);
  }

  std::string body;
  std::vector<char> buffer(chunk);
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(request.handle, buffer.data(), chunk, &got) || got == 0) break;
    // An endless or huge body would grow until the allocation fails and the
    // program ends: past the cap the request counts as failed.
    if (got > FetchUrlMaxBytes - body.size()) return {};
    body.append(buffer.data(), got);
  }
  return body;
}

namespace {

// Says once why the bundled service cannot be used: a cause shown before is
// not shown again at every press.
void ShowServiceCause(const std::string& cause) {
  static std::string shown;
  if (cause.empty() || cause == shown) return;
  shown = cause;
  const int n = MultiByteToWideChar(CP_ACP, 0, cause.c_str(), -1, nullptr, 0);
  std::wstring text(n, L'\0');
  MultiByteToWideChar(CP_ACP, 0, cause.c_str(), -1, text.data(), n);
  MessageBoxW(MainWindow.window, text.c_str(), L"Quorlin", MB_OK | MB_ICONWARNING);
}

}  // namespace

std::string AskService(const std::string& address) {
  // A bundled service already running gets this program's lease; a foreign
  // program on its port is named. Only a service that was not running is
  // started, and the request is then sent once more.
  const BundledServiceOutcome before = HoldBundledServiceLease();
  if (before.status == BundledServiceStatus::PortTaken) ShowServiceCause(before.cause);
  std::string body = FetchUrl(address);
  if (!body.empty() || before.status != BundledServiceStatus::NotRunning) return body;
  const BundledServiceOutcome started = EnsureBundledService();
  if (started.Ready()) return FetchUrl(address);
  ShowServiceCause(started.cause);
  return body;
}

void ReadLink() {
  const std::string address = GetControlText(MainWindow.addressEdit);
  RequestAddress = BuildRequestAddress(address);
  LinkInfo = ProcessReply(AskService(RequestAddress));
  SetWindowTextA(MainWindow.titleLabel, LinkInfo.title.c_str());
  SetWindowTextA(MainWindow.sizeLabel, LinkInfo.size.c_str());
  SetWindowTextA(MainWindow.formatLabel, LinkInfo.ftype.c_str());
  SetWindowTextA(MainWindow.durationLabel, LinkInfo.time.c_str());
  SetWindowTextA(MainWindow.siteLabel, LinkInfo.site.c_str());
  SetWindowTextA(MainWindow.downloadAddressEdit, LinkInfo.furl.c_str());
}

namespace {

// Opens the clipboard for owner. Another program (a clipboard manager, say)
// often holds it for a moment, so the open is retried for about 100 ms.
bool OpenClipboardFor(HWND owner) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (OpenClipboard(owner)) return true;
    Sleep(10);
  }
  return OpenClipboard(owner) != FALSE;
}

}  // namespace

void CopyDownloadAddress() {
  const std::string text = GetControlText(MainWindow.downloadAddressEdit);
  // The main window as owner: EmptyClipboard gives the clipboard to the window
  // that opened it, and with none Windows fails SetClipboardData.
  if (!OpenClipboardFor(MainWindow.window)) return;
  EmptyClipboard();
  if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1)) {
    if (void* p = GlobalLock(block)) {
      memcpy(p, text.c_str(), text.size() + 1);
      GlobalUnlock(block);
      // The clipboard owns the block once SetClipboardData succeeds.
      if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
    } else {
      GlobalFree(block);
    }
  }
  CloseClipboard();
}

}  // namespace quorlin
