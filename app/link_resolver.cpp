#include "app/link_resolver.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/codecs.h"
#include "app/failure_tip.h"
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

TransferTimeouts RequestTimeouts;

bool TransferHandles::Adopt(HINTERNET h) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (aborted_) {
    InternetCloseHandle(h);
    return false;
  }
  (connection_ ? request_ : connection_) = h;
  return true;
}

void TransferHandles::CloseOwn() {
  std::lock_guard<std::mutex> lock(mutex_);
  // The request before its connection, as WinINet's handles nest.
  if (request_) InternetCloseHandle(request_);
  if (connection_) InternetCloseHandle(connection_);
  request_ = connection_ = nullptr;
}

void TransferHandles::Abort() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    aborted_ = true;
  }
  CloseOwn();
}

HINTERNET InternetSession() {
  if (!InternetHandle)
    InternetHandle = InternetOpenA("Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)", INTERNET_OPEN_TYPE_DIRECT,
                                   nullptr, nullptr, 0);
  return InternetHandle;
}

void CloseInternetHandle() {
  if (InternetHandle) InternetCloseHandle(InternetHandle);
  InternetHandle = nullptr;
}

namespace {

// The kind of a failed WinINet step, from its last error.
TransferOutcome OutcomeOfError(DWORD error) {
  switch (error) {
    case ERROR_INTERNET_CANNOT_CONNECT:
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
      return TransferOutcome::CouldNotConnect;
    case ERROR_INTERNET_TIMEOUT:
      return TransferOutcome::TimedOut;
    case ERROR_INTERNET_OPERATION_CANCELLED:
      return TransferOutcome::Cancelled;
    default:
      return TransferOutcome::Failed;
  }
}

FetchResult Failure(TransferOutcome outcome, DWORD error = 0) {
  FetchResult r;
  r.outcome = outcome;
  r.error = error;
  return r;
}

DWORD StatusCodeOf(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) return 0;
  return status;
}

// Does a failed transfer still hand its body on? A read that fails keeps what
// came before it, as a plain read loop would.
bool KeepsBody(TransferOutcome outcome) {
  return outcome == TransferOutcome::Completed || outcome == TransferOutcome::Interrupted ||
         outcome == TransferOutcome::TimedOut;
}

}  // namespace

FetchResult FetchUrlResult(const std::string& address, HINTERNET session, TransferHandles* given) {
  if (address.empty()) return Failure(TransferOutcome::NoAddress);

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
  if (!InternetCrackUrlA(address.c_str(), static_cast<DWORD>(address.size()), 0, &parts))
    return Failure(TransferOutcome::NoAddress, GetLastError());

  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;

  if (!session) session = InternetSession();
  if (!session) return Failure(TransferOutcome::Failed, GetLastError());

  TransferHandles local;
  TransferHandles& handles = given ? *given : local;
  // Whatever path leaves, the connection and request are closed once.
  struct CloseAtEnd {
    TransferHandles& h;
    ~CloseAtEnd() { h.CloseOwn(); }
  } closeAtEnd{handles};
  const auto failed = [&] {
    const DWORD error = GetLastError();
    return Failure(handles.Aborted() ? TransferOutcome::Cancelled : OutcomeOfError(error), error);
  };

  HINTERNET connection = InternetConnectA(session, host, parts.nPort, user[0] ? user : nullptr,
                                          password[0] ? password : nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  if (!connection) return failed();
  if (!handles.Adopt(connection)) return Failure(TransferOutcome::Cancelled);

  INTERNET_PROXY_INFO proxy = {};
  proxy.dwAccessType = INTERNET_OPEN_TYPE_PRECONFIG;
  InternetSetOptionA(session, INTERNET_OPTION_PROXY, &proxy, sizeof proxy);
  char empty[1] = {};
  InternetSetOptionA(connection, INTERNET_OPTION_PROXY_USERNAME, empty, 0);
  InternetSetOptionA(connection, INTERNET_OPTION_PROXY_PASSWORD, empty, 0);

  const char* acceptTypes[] = {"Accept: */* \r\n", nullptr};
  HINTERNET request = HttpOpenRequestA(connection, "GET", path.data(), "HTTP/1.0", nullptr, acceptTypes, flags, 0);
  if (!request) return failed();
  if (!handles.Adopt(request)) return Failure(TransferOutcome::Cancelled);

  // Explicit time-outs instead of the platform's: a stopped service fails
  // after the connect time-out, a slow one still gets the receive time-out.
  TransferTimeouts timeouts = RequestTimeouts;
  InternetSetOptionA(request, INTERNET_OPTION_CONNECT_TIMEOUT, &timeouts.connectMs, sizeof(DWORD));
  InternetSetOptionA(request, INTERNET_OPTION_SEND_TIMEOUT, &timeouts.sendMs, sizeof(DWORD));
  InternetSetOptionA(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeouts.receiveMs, sizeof(DWORD));

  ULONGLONG waitStart = GetTickCount64();
  // Some WinINet builds (Wine's) report a receive time-out as a connection
  // aborted: a failure after the whole time-out has passed is a time-out.
  const auto timedOut = [&](DWORD error) {
    const bool aborted = error == ERROR_INTERNET_CONNECTION_ABORTED || error == ERROR_INTERNET_CONNECTION_RESET;
    return error == ERROR_INTERNET_TIMEOUT ||
           (aborted && GetTickCount64() - waitStart + 50 >= std::min(timeouts.receiveMs, timeouts.sendMs));
  };
  if (!HttpSendRequestA(request, "Accept: */*\r\n\r\n", 15, nullptr, 0)) {
    FetchResult r = failed();
    if (r.outcome != TransferOutcome::Cancelled && timedOut(r.error)) r.outcome = TransferOutcome::TimedOut;
    return r;
  }

  FetchResult result;
  result.httpStatus = StatusCodeOf(request);
  DWORD chunk = 10240;
  char lengthText[32] = {};
  DWORD lengthSize = sizeof lengthText;
  if (HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, lengthText, &lengthSize, nullptr)) {
    const long long length = std::atoll(lengthText);
    if (length > static_cast<long long>(FetchUrlMaxBytes)) {
      result.outcome = TransferOutcome::TooLarge;
      return result;
    }
    if (length > 0) chunk = static_cast<DWORD>(length + 1 > 102400 ? 102400 : length + 1);
  }

  std::vector<char> buffer(chunk);
  for (;;) {
    DWORD got = 0;
    waitStart = GetTickCount64();
    if (!InternetReadFile(request, buffer.data(), chunk, &got)) {
      result.error = GetLastError();
      const TransferOutcome kind = handles.Aborted()       ? TransferOutcome::Cancelled
                                   : timedOut(result.error) ? TransferOutcome::TimedOut
                                                            : OutcomeOfError(result.error);
      result.outcome = kind == TransferOutcome::Failed ? TransferOutcome::Interrupted : kind;
      return result;
    }
    if (got == 0) break;
    // An endless or huge body would grow until the allocation fails and the
    // program ends: past the cap the request counts as failed.
    if (got > FetchUrlMaxBytes - result.body.size()) {
      result.body.clear();
      result.outcome = TransferOutcome::TooLarge;
      return result;
    }
    result.body.append(buffer.data(), got);
  }
  result.outcome = TransferOutcome::Completed;
  return result;
}

std::string FetchUrl(const std::string& address) {
  FetchResult r = FetchUrlResult(address);
  return KeepsBody(r.outcome) ? std::move(r.body) : std::string();
}

namespace {

// "host:port" of an address as it was configured ("127.0.0.1:8610").
std::string HostAndPort(std::string_view address) {
  const size_t scheme = address.find("://");
  if (scheme != std::string_view::npos) address.remove_prefix(scheme + 3);
  address = address.substr(0, address.find_first_of("/?#"));
  const size_t at = address.rfind('@');
  if (at != std::string_view::npos) address.remove_prefix(at + 1);
  return std::string(address);
}

// The service's reason as one short line: breaks become spaces, and a long
// reason is cut on a character boundary.
std::string OneLine(std::string_view text) {
  constexpr size_t MaxBytes = 120;
  std::string line;
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t width = (IsLeadByte(c) && i + 1 < text.size()) ? 2 : 1;
    if (line.size() + width > MaxBytes) {
      line += "…";
      break;
    }
    if (width == 1 && (c == '\r' || c == '\n' || c == '\t' || c == ' ')) {
      if (!line.empty() && line.back() != ' ') line += ' ';
    } else {
      line.append(text.substr(i, width));
    }
    i += width;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

}  // namespace

std::string ReadLinkFailureText(const FetchResult& transfer, const LinkFields& fields, std::string_view replyText,
                                std::string_view serviceAddress) {
  switch (transfer.outcome) {
    case TransferOutcome::Completed:
      break;
    case TransferOutcome::CouldNotConnect:
      return "无法连接解析服务 " + HostAndPort(serviceAddress);
    case TransferOutcome::TimedOut:
      return "解析服务没有及时回答";
    case TransferOutcome::Interrupted:
    case TransferOutcome::TooLarge:
      return "解析服务的回答不完整";
    case TransferOutcome::Cancelled:
      return {};
    case TransferOutcome::NoAddress:
    case TransferOutcome::Failed:
      return "无法向解析服务发出请求";
  }
  if (!fields.furl.empty()) return {};
  if (transfer.httpStatus == 503) return "解析服务正忙，请稍后再试";
  if (transfer.httpStatus == 403) return "解析服务拒绝了这个请求";
  const std::string reason = OneLine(ExtractBetween(replyText, "<error><![CDATA[", "]]></error>"));
  if (!reason.empty()) return reason;
  if (transfer.httpStatus == 200 || transfer.httpStatus == 0) return "解析服务在这个页面上没有找到视频";
  return "解析服务出错（HTTP " + std::to_string(transfer.httpStatus) + "）";
}

namespace {

// One read-link request, shared by the window's thread and its worker: the
// worker fills result and posts the job back; the window reads it there.
struct ReadLinkJob {
  HWND window = nullptr;
  std::string address;
  HINTERNET session = nullptr;
  TransferHandles handles;
  FetchResult result;
  std::string serviceCause;  // why the bundled service cannot be used, when it cannot
  std::atomic<bool> abandoned{false};
};

// The window's thread only.
std::shared_ptr<ReadLinkJob> RunningJob;

// One worker thread for the program's requests, started with the first one
// and kept until the program ends: under Wine, with the browser pane's
// libraries loaded, starting a thread costs about as much as a whole loopback
// request. It blocks in plain WinINet calls. WinINet's asynchronous mode
// reports through a status callback on WinINet's own threads and would need
// the same hand-off back to the window, with more states to get wrong
// (pending reads, callbacks after a close); the worker is one straight
// function, and closing its handles from the window's thread ends its wait.
struct WorkerState {
  HANDLE wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);  // a job or the stop is waiting
  std::mutex mutex;
  std::shared_ptr<ReadLinkJob> next;  // handed over, not yet taken
  bool stop = false;
  ~WorkerState() {
    if (wake) CloseHandle(wake);
  }
};
// Shared with the thread, so the state outlives a thread the program's end
// leaves waiting on the network.
std::shared_ptr<WorkerState> Worker;
HANDLE WorkerThread = nullptr;

// The transfer of a job, with the bundled service brought up on the way: a
// service already running gets this program's lease, and only a service that
// was not running is started, after which the request is sent once more.
// Starting it waits for the service to answer, so it belongs here on the
// worker. Why the service cannot be used goes into the job for the tip.
FetchResult AskService(ReadLinkJob& job) {
  const BundledServiceOutcome before = HoldBundledServiceLease();
  if (before.status == BundledServiceStatus::PortTaken) job.serviceCause = before.cause;
  FetchResult result = FetchUrlResult(job.address, job.session, &job.handles);
  if (result.outcome != TransferOutcome::CouldNotConnect || before.status != BundledServiceStatus::NotRunning ||
      job.abandoned)
    return result;
  const BundledServiceOutcome started = EnsureBundledService();
  if (!started.Ready()) {
    job.serviceCause = started.cause;
    return result;
  }
  if (job.abandoned) return result;
  return FetchUrlResult(job.address, job.session, &job.handles);
}

void RunJob(ReadLinkJob& job) {
  job.result = AskService(job);
  // The controls belong to the window's thread: only the message goes there.
  // A full queue is retried briefly rather than leaving the window busy.
  for (int attempt = 0; attempt < 50 && !job.abandoned; ++attempt) {
    if (PostMessageA(job.window, ReadLinkReplyMessage, 0, reinterpret_cast<LPARAM>(&job))) break;
    if (!IsWindow(job.window)) break;
    Sleep(20);
  }
}

DWORD WINAPI ReadLinkWorker(void* parameter) {
  std::unique_ptr<std::shared_ptr<WorkerState>> own(static_cast<std::shared_ptr<WorkerState>*>(parameter));
  WorkerState& state = **own;
  for (;;) {
    if (WaitForSingleObject(state.wake, INFINITE) != WAIT_OBJECT_0) return 1;
    std::shared_ptr<ReadLinkJob> job;
    {
      std::lock_guard<std::mutex> lock(state.mutex);
      if (state.stop) return 0;
      job = std::move(state.next);
    }
    if (job) RunJob(*job);
  }
}

bool StartWorker() {
  if (Worker && WorkerThread) return true;
  auto state = std::make_shared<WorkerState>();
  if (!state->wake) return false;
  auto* handOver = new std::shared_ptr<WorkerState>(state);
  WorkerThread = CreateThread(nullptr, 0, ReadLinkWorker, handOver, 0, nullptr);
  if (!WorkerThread) {
    delete handOver;
    return false;
  }
  Worker = std::move(state);
  return true;
}

}  // namespace

void ShowLinkFields(const LinkFields& fields) {
  SetWindowTextA(MainWindow.titleLabel, fields.title.c_str());
  SetWindowTextA(MainWindow.sizeLabel, fields.size.c_str());
  SetWindowTextA(MainWindow.formatLabel, fields.ftype.c_str());
  SetWindowTextA(MainWindow.durationLabel, fields.time.c_str());
  SetWindowTextA(MainWindow.siteLabel, fields.site.c_str());
  SetWindowTextA(MainWindow.downloadAddressEdit, fields.furl.c_str());
}

namespace {

// serviceCause: why the bundled service could not be used; it names the
// cause of a failure better than the transfer can.
void ShowReply(const FetchResult& transfer, const std::string& serviceCause = {}) {
  LinkInfo = ProcessReply(KeepsBody(transfer.outcome) ? std::string_view(transfer.body) : std::string_view());
  ShowLinkFields(LinkInfo);
  SetReadLinkBusy(false);
  const std::string why = ReadLinkFailureText(transfer, LinkInfo, ReplyText, ServiceBaseAddress);
  if (!why.empty()) ShowFailureTip(serviceCause.empty() ? why : serviceCause);
}

}  // namespace

void ReadLink() {
  // One request at a time: the button is disabled meanwhile, and Enter and
  // direct calls end here.
  if (RunningJob) return;
  HideFailureTip();
  const std::string address = GetControlText(MainWindow.addressEdit);
  RequestAddress = BuildRequestAddress(address);

  auto job = std::make_shared<ReadLinkJob>();
  job->window = MainWindow.window;
  job->address = RequestAddress;
  // Opened here, on the window's thread, so the worker touches no program-wide state.
  job->session = InternetSession();
  if (!job->session) {
    ShowReply(Failure(TransferOutcome::Failed, GetLastError()));
    return;
  }
  if (!StartWorker()) {
    ShowReply(Failure(TransferOutcome::Failed, GetLastError()));
    return;
  }
  {
    std::lock_guard<std::mutex> lock(Worker->mutex);
    Worker->next = job;
  }
  SetEvent(Worker->wake);
  RunningJob = std::move(job);
  SetReadLinkBusy(true);
}

bool ReadLinkRunning() { return RunningJob != nullptr; }

void OnReadLinkReply(LPARAM jobAddress) {
  // A reply of a job abandoned with an earlier window is no reply of this one.
  if (!RunningJob || reinterpret_cast<LPARAM>(RunningJob.get()) != jobAddress) return;
  const std::shared_ptr<ReadLinkJob> job = std::move(RunningJob);
  ShowReply(job->result, job->serviceCause);
}

void AbandonReadLink() {
  HideFailureTip();
  if (!RunningJob) return;
  RunningJob->abandoned = true;
  // Ends the worker's wait on the network: its pending call fails.
  RunningJob->handles.Abort();
  RunningJob.reset();
}

bool FinishReadLinkWorker(DWORD timeoutMs) {
  if (!WorkerThread) return true;
  {
    std::lock_guard<std::mutex> lock(Worker->mutex);
    Worker->stop = true;
    Worker->next.reset();
  }
  SetEvent(Worker->wake);
  const bool done = WaitForSingleObject(WorkerThread, timeoutMs) == WAIT_OBJECT_0;
  CloseHandle(WorkerThread);
  WorkerThread = nullptr;
  Worker.reset();
  return done;
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
