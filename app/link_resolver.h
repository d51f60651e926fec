#pragma once
// The link resolver: one GET to the resolution service, six fields cut out of
// its reply, shown in the main window.
#include <windows.h>
#include <wininet.h>

#include <cstddef>
#include <mutex>
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

// How a transfer ended. Completed means a whole body arrived, whatever its
// HTTP status; every other kind is a failed transfer.
enum class TransferOutcome {
  Completed,
  NoAddress,        // empty, or not an address WinINet can split
  CouldNotConnect,  // nothing answered at the host and port (or the host name is unknown)
  TimedOut,         // connect, send or receive took longer than its time-out
  Interrupted,      // the connection broke in the middle of the body
  TooLarge,         // the body is longer than FetchUrlMaxBytes
  Cancelled,        // the program closed the request (the window closed mid-request)
  Failed,           // any other failed step
};

struct FetchResult {
  TransferOutcome outcome = TransferOutcome::Failed;
  DWORD httpStatus = 0;  // the status line's code once the head arrived, else 0
  DWORD error = 0;       // GetLastError of the failed step, 0 when none failed
  std::string body;      // the whole body; for Interrupted, the bytes that came first
};

// Time-outs set on every request, in milliseconds. The service may take well
// over ten seconds for a real page, so the receive time-out is long.
struct TransferTimeouts {
  DWORD connectMs = 10000;
  DWORD sendMs = 60000;
  DWORD receiveMs = 60000;
};
// What FetchUrl and ReadLink use; tests shorten it instead of waiting a minute.
extern TransferTimeouts RequestTimeouts;

// The connection and request handles of a running transfer, so another thread
// can close them to end a transfer that is waiting on the network. Each handle
// is closed exactly once, by whichever side gets to it first.
class TransferHandles {
 public:
  TransferHandles() = default;
  TransferHandles(const TransferHandles&) = delete;
  TransferHandles& operator=(const TransferHandles&) = delete;
  ~TransferHandles() { CloseOwn(); }

  // The transfer's side: keeps h (its connection, then its request); false
  // when Abort came first, and h is closed then.
  bool Adopt(HINTERNET h);
  // The transfer's side, when it is done: closes what Abort did not.
  void CloseOwn();
  // Any thread: closes both handles, so the transfer's pending or next call fails.
  void Abort();
  bool Aborted() {
    std::lock_guard<std::mutex> lock(mutex_);
    return aborted_;
  }

 private:
  std::mutex mutex_;
  HINTERNET connection_ = nullptr;
  HINTERNET request_ = nullptr;
  bool aborted_ = false;
};

// HTTP GET through WinINet with the request as the service expects it, on the
// calling thread, with RequestTimeouts. session is the internet handle to use
// (the process-wide one when null); handles, when given, lets another thread
// abort the transfer.
FetchResult FetchUrlResult(const std::string& address, HINTERNET session = nullptr,
                           TransferHandles* handles = nullptr);
// The body of whatever the server answered, empty on any failure, a body
// longer than FetchUrlMaxBytes included; a body cut short by the connection
// gives the bytes that came.
std::string FetchUrl(const std::string& address);
// The process-wide internet handle, opened on first use; null when WinINet refuses.
HINTERNET InternetSession();
// Closes the process-wide internet handle (program end).
void CloseInternetHandle();

// The one line the address field's tip shows after a resolution, or empty
// when the resolution found a download address. serviceAddress is the base
// address the request went to; replyText the decoded reply.
std::string ReadLinkFailureText(const FetchResult& transfer, const LinkFields& fields, std::string_view replyText,
                                std::string_view serviceAddress);

// Sets the five labels and the download-address field of the main window
// to fields (the window's thread only).
void ShowLinkFields(const LinkFields& fields);

// Handlers of the main window's two buttons. ReadLink starts the request on
// a worker thread and returns at once; nothing happens while one is running.
void ReadLink();
void CopyDownloadAddress();

// True from ReadLink's start until its reply is shown (or the window closed).
bool ReadLinkRunning();
// The main window's side of the hand-off: the worker posted ReadLinkReplyMessage
// with job; the reply is read and shown here, on the window's thread.
void OnReadLinkReply(LPARAM job);
// The window is going: the running request is closed and its reply dropped.
void AbandonReadLink();
// Program end: stops the worker thread, waiting up to timeoutMs; true when it
// ended (or none ran). A worker still waiting on the network is left to the
// process's end. The next ReadLink starts a new one.
bool FinishReadLinkWorker(DWORD timeoutMs);

}  // namespace quorlin
