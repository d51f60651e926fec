#pragma once
// The link resolver: one GET to the resolution service, six fields cut out of
// its reply, shown in the main window.
#include <cstddef>
#include <string>
#include <string_view>

namespace quorlin {

struct LinkFields {
  std::string title;
  std::string furl;
  std::string ftype;
  std::string size;  // as received, then the display text ("12MB")
  std::string time;
  std::string site;
};

// Program-wide state of the resolver, overwritten by every ReadLink.
extern std::string RequestAddress;  // the last request address sent
extern std::string ReplyText;       // the last reply, decoded to code page 936
extern LinkFields LinkInfo;

// Base address of the service ahead of "/url/" (compiled into each program).
extern const char* const ServiceBaseAddress;

// Text between startMarker and endMarker, searching source from the 1-based
// startPosition. Matches start only on character boundaries of the double-byte
// code page; without caseSensitive, ASCII letters match either case. In both
// markers "#引号" stands for a double quotation mark. Empty when a marker is
// missing.
std::string ExtractBetween(std::string_view source, std::string_view startMarker,
                           std::string_view endMarker, long startPosition = 1,
                           bool caseSensitive = false);

// The size field in bytes as whole megabytes, e.g. "1572864" -> "2MB".
std::string FormatSizeInMegabytes(std::string_view sizeText);

// The request address for a page address (its ANSI bytes).
std::string BuildRequestAddress(std::string_view pageAddress);

// The fields of a reply body (bytes up to the first NUL are read). Sets
// ReplyText as a side effect.
LinkFields ProcessReply(std::string_view body);

// The longest body FetchUrl returns; the service sends at most 64 KiB.
inline constexpr size_t FetchUrlMaxBytes = 16 * 1024 * 1024;

// HTTP GET through WinINet; the body of whatever the server answered, empty
// on any failure, a body longer than FetchUrlMaxBytes included.
std::string FetchUrl(const std::string& address);
// FetchUrl for the service; when the service is the bundled one and was not
// running, starts it and asks again (see service_launcher.h).
std::string AskService(const std::string& address);
// Closes the process-wide internet handle (program end).
void CloseInternetHandle();

// Handlers of the main window's two buttons.
void ReadLink();
void CopyDownloadAddress();

}  // namespace quorlin
