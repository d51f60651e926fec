// Finding the user's Python, starting the bundled service with it, the /health
// probe and the lease connection held for the program's life.
#include "app/service_launcher.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "app/link_resolver.h"
#include "skin/core/gdi_handles.h"

namespace quorlin {
namespace {

using skin::UniqueHandle;

void CloseKernelHandle(HANDLE h) {
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}
void CloseKey(HKEY key) { RegCloseKey(key); }
void CloseSocket(SOCKET s) { closesocket(s); }
using UniqueKernelHandle = UniqueHandle<HANDLE, CloseKernelHandle>;
using UniqueKey = UniqueHandle<HKEY, CloseKey>;
using UniqueSocket = UniqueHandle<SOCKET, CloseSocket>;

constexpr char HealthPrefix[] = "quorlin-service ";
constexpr DWORD HealthTimeoutMs = 3000;
constexpr DWORD StartWaitMs = 10000;
constexpr DWORD CheckTimeoutMs = 20000;  // importing yt-dlp takes seconds on a slow disk

std::mutex LeaseLock;  // guards the lease, the last cause and the start
SOCKET LeaseSocket = INVALID_SOCKET;
std::string LastCause;

std::string ToAnsi(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring FromCodePage(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

bool FileExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring Quoted(const std::wstring& argument) { return L"\"" + argument + L"\""; }

// ---------------------------------------------------------------------------
// Loopback HTTP

void StartWinsock() {
  static std::once_flag once;
  std::call_once(once, [] {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  });
}

// The host of the service address as the program names it ("127.0.0.1",
// "localhost", "[::1]", ...); computed once, the address is compiled in.
const std::string& ServiceHost() {
  static const std::string host = [] {
    std::string h;
    int port = 0;
    return ParseLoopbackAddress(ServiceBaseAddress, &h, &port) ? h : std::string("127.0.0.1");
  }();
  return host;
}

// The address the service listens on for that host.
std::string ListenHost() {
  const std::string& host = ServiceHost();
  if (host == "localhost") return "127.0.0.1";
  if (host == "[::1]") return "::1";
  return host;
}

// A connected socket to the service host's port (never inherited by a
// child), or none.
UniqueSocket Connect(int port, DWORD timeoutMs) {
  StartWinsock();
  const std::string listen = ListenHost();
  const bool six = listen == "::1";
  UniqueSocket s(WSASocketW(six ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, 0));
  if (s.get() == INVALID_SOCKET) {
    s.release();
    return {};
  }
  SetHandleInformation(reinterpret_cast<HANDLE>(s.get()), HANDLE_FLAG_INHERIT, 0);
  const DWORD t = timeoutMs;
  setsockopt(s.get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&t), sizeof t);
  setsockopt(s.get(), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&t), sizeof t);
  sockaddr_storage to = {};
  int size = 0;
  if (six) {
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&to);
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(static_cast<u_short>(port));
    v6->sin6_addr = in6addr_loopback;
    size = sizeof *v6;
  } else {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&to);
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<u_short>(port));
    if (inet_pton(AF_INET, listen.c_str(), &v4->sin_addr) != 1) v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    size = sizeof *v4;
  }
  if (connect(s.get(), reinterpret_cast<const sockaddr*>(&to), size) != 0) return {};
  return s;
}

bool SendRequest(SOCKET s, int port, const char* path) {
  char request[200];
  const int n = std::snprintf(request, sizeof request, "GET %s HTTP/1.0\r\nHost: %s:%d\r\n\r\n", path,
                              ServiceHost().c_str(), port);
  return send(s, request, n, 0) == n;
}

enum class Health { Nothing, Service, Foreign };

// Asks GET /health: the service names itself in the body; anything else that
// accepts the connection is some other program.
Health ProbeHealth(int port) {
  UniqueSocket s = Connect(port, HealthTimeoutMs);
  if (!s) return Health::Nothing;
  if (!SendRequest(s.get(), port, "/health")) return Health::Foreign;
  std::string reply;
  char buffer[1024];
  for (;;) {
    const int got = recv(s.get(), buffer, sizeof buffer, 0);
    if (got <= 0) break;
    reply.append(buffer, got);
    if (reply.size() > 4096) return Health::Foreign;  // the service's answer is tiny
  }
  const size_t bodyAt = reply.find("\r\n\r\n");
  if (reply.rfind("HTTP/1.", 0) != 0 || reply.size() < 12 || reply.compare(9, 3, "200") != 0 ||
      bodyAt == std::string::npos)
    return Health::Foreign;
  return reply.compare(bodyAt + 4, sizeof HealthPrefix - 1, HealthPrefix) == 0 ? Health::Service
                                                                                 : Health::Foreign;
}

// Is the lease still open? A lease the service answered (it is stopping) or
// closed reads as readable.
bool LeaseOpen() {
  if (LeaseSocket == INVALID_SOCKET) return false;
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(LeaseSocket, &readable);
  timeval now = {0, 0};
  if (select(0, &readable, nullptr, nullptr, &now) == 0) return true;
  closesocket(LeaseSocket);
  LeaseSocket = INVALID_SOCKET;
  return false;
}

bool TakeLease(int port) {
  // The lease waits for as long as the program lives: no receive time-out.
  UniqueSocket s = Connect(port, 0);
  if (!s || !SendRequest(s.get(), port, "/lease")) return false;
  LeaseSocket = s.release();
  return true;
}

// "进程 name.exe (PID n)" for the program listening on 127.0.0.1:port or on
// every address, where the platform says; empty otherwise.
std::string PortOwner(int port) {
  ULONG size = 0;
  GetExtendedTcpTable(nullptr, &size, FALSE, AF_INET, TCP_TABLE_OWNER_PID_LISTENER, 0);
  if (size == 0) return {};
  std::vector<unsigned char> buffer(size + 1024);
  size = static_cast<ULONG>(buffer.size());
  if (GetExtendedTcpTable(buffer.data(), &size, FALSE, AF_INET, TCP_TABLE_OWNER_PID_LISTENER, 0) != NO_ERROR)
    return {};
  const auto* table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(buffer.data());
  for (DWORD i = 0; i < table->dwNumEntries; ++i) {
    const MIB_TCPROW_OWNER_PID& row = table->table[i];
    if (ntohs(static_cast<u_short>(row.dwLocalPort)) != port || row.dwOwningPid == 0) continue;
    std::string name;
    UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, row.dwOwningPid));
    if (process) {
      wchar_t image[MAX_PATH] = {};
      DWORD n = MAX_PATH;
      if (QueryFullProcessImageNameW(process.get(), 0, image, &n)) {
        const std::wstring path(image, n);
        name = ToAnsi(path.substr(path.find_last_of(L"\\/") + 1)) + " ";
      }
    }
    char text[64];
    std::snprintf(text, sizeof text, "(PID %lu)", static_cast<unsigned long>(row.dwOwningPid));
    return "进程 " + name + text;
  }
  return {};
}

// ---------------------------------------------------------------------------
// Finding Python

std::wstring ReadString(HKEY key, const wchar_t* name) {
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ) return {};
  std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes) != ERROR_SUCCESS)
    return {};
  value.resize(wcsnlen(value.c_str(), value.size()));
  return value;
}

// "3.12-32" -> {3, 12}; tags that are no version sort last.
std::pair<int, int> TagVersion(const std::wstring& tag) {
  int major = 0, minor = 0;
  if (swscanf(tag.c_str(), L"%d.%d", &major, &minor) < 1) return {0, 0};
  return {major, minor};
}

void AddRegistered(HKEY root, REGSAM view, std::vector<PythonCandidate>& out) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, L"Software\\Python\\PythonCore", 0, KEY_READ | view, &opened) != ERROR_SUCCESS) return;
  UniqueKey core(opened);
  std::vector<std::wstring> tags;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD n = 256;
    if (RegEnumKeyExW(core.get(), i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    tags.emplace_back(name, n);
  }
  std::stable_sort(tags.begin(), tags.end(),
                   [](const std::wstring& a, const std::wstring& b) { return TagVersion(a) > TagVersion(b); });
  for (const std::wstring& tag : tags) {
    HKEY install = nullptr;
    if (RegOpenKeyExW(core.get(), (tag + L"\\InstallPath").c_str(), 0, KEY_READ | view, &install) != ERROR_SUCCESS)
      continue;
    UniqueKey installKey(install);
    PythonCandidate c;
    c.executable = ReadString(install, L"ExecutablePath");
    c.windowed = ReadString(install, L"WindowedExecutablePath");
    const std::wstring folder = ReadString(install, nullptr);
    if (c.executable.empty() && !folder.empty()) c.executable = folder + L"\\python.exe";
    if (c.windowed.empty() && !folder.empty()) c.windowed = folder + L"\\pythonw.exe";
    if (c.executable.empty() || !FileExists(c.executable)) continue;
    if (!c.windowed.empty() && !FileExists(c.windowed)) c.windowed.clear();
    c.shownCommand = std::string(1, '"').append(ToAnsi(c.executable)).append(1, '"');
    const bool seen = std::any_of(out.begin(), out.end(), [&](const PythonCandidate& o) {
      return CompareStringOrdinal(o.executable.c_str(), -1, c.executable.c_str(), -1, TRUE) == CSTR_EQUAL;
    });
    if (!seen) out.push_back(std::move(c));
  }
}

std::wstring FindOnPath(const wchar_t* name) {
  wchar_t found[MAX_PATH * 2] = {};
  const DWORD n = SearchPathW(nullptr, name, nullptr, MAX_PATH * 2, found, nullptr);
  return n > 0 && n < MAX_PATH * 2 ? std::wstring(found, n) : std::wstring();
}

// Is the file a Unix program? Under Wine a Linux Python runs as well, and it
// needs Unix paths in its arguments.
bool IsUnixProgram(const std::wstring& path) {
  UniqueKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return false;
  char magic[4] = {};
  DWORD got = 0;
  return ReadFile(file.get(), magic, 4, &got, nullptr) && got == 4 && std::memcmp(magic, "\x7f" "ELF", 4) == 0;
}

// The path as the Python will open it: a Unix path for a Unix program under
// Wine, the path itself otherwise.
std::wstring PathFor(bool unixPython, const std::wstring& path) {
  if (!unixPython) return path;
  using ToUnix = char*(CDECL*)(const wchar_t*);
  const auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return path;
  char* unixPath = toUnix(path.c_str());
  if (!unixPath) return path;
  std::wstring out = FromCodePage(CP_UTF8, unixPath);
  HeapFree(GetProcessHeap(), 0, unixPath);
  return out;
}

// What the check writes to the file named by its argument (UTF-8):
// "quorlin-python 3.11 <executable>", "quorlin-yt-dlp" when yt-dlp imports,
// then "quorlin-end". A file and not a pipe: under Wine a Linux Python gets no
// pipe from the program, and its exit code does not come back either. The code
// travels in one double-quoted argument, so it holds no double quote and no
// line break (exec reads the \n escapes).
constexpr wchar_t CheckCode[] =
    L"exec('import sys\\nf = open(sys.argv[1], \\'w\\', encoding=\\'utf-8\\')\\n"
    L"f.write(\\'quorlin-python %d.%d %s\\\\n\\' % (sys.version_info[0], sys.version_info[1], sys.executable))\\n"
    L"f.flush()\\ntry:\\n import yt_dlp\\n f.write(\\'quorlin-yt-dlp\\\\n\\')\\nexcept Exception:\\n pass\\n"
    L"f.write(\\'quorlin-end\\\\n\\')\\nf.close()\\n')";

std::string ReadSmallFile(const std::wstring& path) {
  constexpr DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  UniqueKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, share,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return {};
  std::string data(8192, '\0');
  DWORD got = 0;
  if (!ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &got, nullptr)) return {};
  data.resize(got);
  return data;
}

struct CheckResult {
  bool ran = false;
  int major = 0, minor = 0;
  bool ytDlp = false;
  std::wstring executable;  // sys.executable as the Python reported it
};

CheckResult CheckPython(const PythonCandidate& c) {
  CheckResult r;
  wchar_t temp[MAX_PATH + 1] = {};
  if (!GetTempPathW(MAX_PATH + 1, temp)) return r;
  const std::wstring result = std::wstring(temp) + L"quorlin-python-check-" + std::to_wstring(GetCurrentProcessId()) +
                              L"-" + std::to_wstring(GetTickCount64()) + L".txt";
  const bool unixPython = IsUnixProgram(c.executable);
  std::wstring command = Quoted(c.executable) + L" " + c.launcherArgs + L"-c \"" + CheckCode + L"\" " +
                         Quoted(PathFor(unixPython, result));
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return r;
  UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
  std::string out;
  const ULONGLONG started = GetTickCount64();
  ULONGLONG exitedAt = 0;
  for (;;) {
    out = ReadSmallFile(result);
    if (out.find("quorlin-end") != std::string::npos) break;
    const ULONGLONG now = GetTickCount64();
    if (!exitedAt && WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) exitedAt = now;
    // A Python that ended without the last line (a crash, the Store's stand-in) is done.
    if ((exitedAt && now - exitedAt > 300) || now - started > CheckTimeoutMs) break;
    Sleep(50);
  }
  const bool finished = out.find("quorlin-end") != std::string::npos;
  if (!exitedAt && !finished && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT)
    TerminateProcess(process.get(), 1);
  DeleteFileW(result.c_str());
  const size_t at = out.find("quorlin-python ");
  if (at == std::string::npos) return r;
  const size_t lineEnd = out.find('\n', at);
  std::string line = out.substr(at, lineEnd == std::string::npos ? std::string::npos : lineEnd - at);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  int consumed = 0;
  if (std::sscanf(line.c_str(), "quorlin-python %d.%d %n", &r.major, &r.minor, &consumed) < 2) return r;
  r.ran = true;
  if (consumed > 0) r.executable = FromCodePage(CP_UTF8, line.substr(consumed));
  r.ytDlp = out.find("quorlin-yt-dlp") != std::string::npos;
  return r;
}

bool NewEnough(const CheckResult& r) {
  return r.major > MinimumPythonMajor || (r.major == MinimumPythonMajor && r.minor >= MinimumPythonMinor);
}

struct ChosenPython {
  PythonCandidate candidate;
  bool found = false;
};

// The first candidate that runs, is new enough and imports yt-dlp; else the
// outcome that says why none fits.
ChosenPython ChoosePython(BundledServiceOutcome& why) {
  std::vector<PythonCandidate> candidates = RegisteredPythons();
  const std::wstring launcher = FindOnPath(L"py.exe");
  if (!launcher.empty()) candidates.push_back({launcher, L"", L"-3 ", "py"});
  const std::wstring onPath = FindOnPath(L"python.exe");
  if (!onPath.empty()) candidates.push_back({onPath, L"", L"", "python"});

  const PythonCandidate* withoutYtDlp = nullptr;
  std::string oldVersion;
  for (PythonCandidate& c : candidates) {
    const CheckResult r = CheckPython(c);
    if (!r.ran) continue;
    if (!NewEnough(r)) {
      if (oldVersion.empty()) oldVersion = std::to_string(r.major) + "." + std::to_string(r.minor);
      continue;
    }
    if (!r.ytDlp) {
      if (!withoutYtDlp) withoutYtDlp = &c;
      continue;
    }
    ChosenPython chosen{c, true};
    if (!c.launcherArgs.empty()) {
      // The launcher picked a Python: run that one, windowless when it can.
      chosen.candidate.launcherArgs.clear();
      if (FileExists(r.executable)) chosen.candidate.executable = r.executable;
      const std::wstring windowed = FolderOf(chosen.candidate.executable) + L"\\pythonw.exe";
      if (FileExists(windowed)) chosen.candidate.windowed = windowed;
    } else if (chosen.candidate.windowed.empty()) {
      const std::wstring windowed = FolderOf(c.executable) + L"\\pythonw.exe";
      if (FileExists(windowed)) chosen.candidate.windowed = windowed;
    }
    return chosen;
  }
  if (withoutYtDlp) {
    why = {BundledServiceStatus::NoYtDlp, "已找到 Python，但它没有安装 yt-dlp：请在命令提示符中运行 " +
                                              withoutYtDlp->shownCommand + " -m pip install yt-dlp"};
  } else if (!oldVersion.empty()) {
    why = {BundledServiceStatus::PythonTooOld,
           "找到的 Python " + oldVersion + " 太旧，yt-dlp 需要 Python " + std::to_string(MinimumPythonMajor) + "." +
               std::to_string(MinimumPythonMinor) + " 或更新版本：请从 python.org 安装新版 Python（见 README.txt）"};
  } else {
    why = {BundledServiceStatus::NoPython,
           "未找到 Python：请安装 Python 3（python.org），再运行 py -m pip install yt-dlp（见 README.txt）"};
  }
  return {};
}

// ---------------------------------------------------------------------------
// Starting the service

std::wstring LogPath() {
  PWSTR folder = nullptr;
  std::wstring path;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder))) path = folder;
  CoTaskMemFree(folder);
  if (path.empty()) return {};
  path += L"\\Quorlin";
  CreateDirectoryW(path.c_str(), nullptr);
  return path + L"\\service.log";
}

// The last non-empty lines of the log (at most two), joined into one line.
std::string LogTail(const std::wstring& log) {
  constexpr DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  UniqueKernelHandle file(CreateFileW(log.c_str(), GENERIC_READ, share,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return {};
  LARGE_INTEGER size = {};
  GetFileSizeEx(file.get(), &size);
  LARGE_INTEGER from = {};
  from.QuadPart = size.QuadPart > 4096 ? size.QuadPart - 4096 : 0;
  SetFilePointerEx(file.get(), from, nullptr, FILE_BEGIN);
  std::string data(4096, '\0');
  DWORD got = 0;
  ReadFile(file.get(), data.data(), 4096, &got, nullptr);
  data.resize(got);
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < data.size()) {
    size_t end = data.find('\n', start);
    if (end == std::string::npos) end = data.size();
    std::string line = data.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  std::string tail;
  for (size_t i = lines.size() > 2 ? lines.size() - 2 : 0; i < lines.size(); ++i)
    tail += (tail.empty() ? "" : " / ") + ToAnsi(FromCodePage(CP_UTF8, lines[i]));
  return tail.size() > 300 ? tail.substr(tail.size() - 300) : tail;
}

BundledServiceOutcome PortTakenOutcome(int port) {
  const std::string owner = PortOwner(port);
  return {BundledServiceStatus::PortTaken, "端口 " + std::to_string(port) + " 已被其他程序占用" +
                                               (owner.empty() ? "" : "（" + owner + "）") +
                                               "，不是 Quorlin 解析服务：请关闭该程序后重试"};
}

BundledServiceOutcome Ready() { return {BundledServiceStatus::Ready, {}}; }

BundledServiceOutcome StartAndWait(const std::wstring& folder, int port) {
  BundledServiceOutcome why;
  const ChosenPython python = ChoosePython(why);
  if (!python.found) return why;
  const PythonCandidate& c = python.candidate;
  const std::wstring program = c.windowed.empty() ? c.executable : c.windowed;
  const bool unixPython = IsUnixProgram(program);
  const std::wstring log = LogPath();
  std::wstring command = Quoted(program) + L" " + Quoted(PathFor(unixPython, folder + L"\\quorlin_service.py")) +
                         L" --host " + FromCodePage(CP_ACP, ListenHost()) + L" --port " + std::to_wstring(port) +
                         L" --exit-with-last-lease";
  if (!log.empty()) command += L" --log-file " + Quoted(PathFor(unixPython, log));

  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, folder.c_str(),
                      &si, &pi)) {
    return {BundledServiceStatus::StartFailed,
            "无法启动解析服务（" + ToAnsi(program) + "，错误 " + std::to_string(GetLastError()) + "）"};
  }
  UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);

  const ULONGLONG started = GetTickCount64();
  ULONGLONG exitedAt = 0;
  while (GetTickCount64() - started < StartWaitMs) {
    switch (ProbeHealth(port)) {
      case Health::Service:
        if (TakeLease(port)) return Ready();
        break;
      case Health::Foreign:
        return PortTakenOutcome(port);
      case Health::Nothing:
        break;
    }
    // A service that ended is given a little longer: a second program's
    // service may be the one coming up.
    if (!exitedAt && WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) exitedAt = GetTickCount64();
    if (exitedAt && !unixPython && GetTickCount64() - exitedAt > 3000) break;
    Sleep(100);
  }
  const std::string tail = LogTail(log);
  return {BundledServiceStatus::Exited, "解析服务启动后没有应答" + (tail.empty() ? std::string("。") : "：" + tail) +
                                            "（日志：" + ToAnsi(log) + "）"};
}

bool BundledPort(int* port) {
  std::string host;
  return ParseLoopbackAddress(ServiceBaseAddress, &host, port) && !BundledServiceFolder().empty();
}

BundledServiceOutcome Remember(BundledServiceOutcome outcome) {
  LastCause = outcome.cause;
  return outcome;
}

}  // namespace

bool ParseLoopbackAddress(std::string_view base, std::string* host, int* port) {
  constexpr std::string_view scheme = "http://";
  if (base.substr(0, scheme.size()) != scheme) return false;
  std::string_view rest = base.substr(scheme.size());
  while (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
  const size_t colon = rest.rfind(':');
  if (colon == std::string_view::npos || rest.find('/') != std::string_view::npos) return false;
  const std::string_view name = rest.substr(0, colon);
  const std::string_view digits = rest.substr(colon + 1);
  if (digits.empty() || digits.size() > 5 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  const int number = std::stoi(std::string(digits));
  if (number < 1 || number > 65535) return false;
  bool loopback = name == "localhost" || name == "[::1]";
  if (!loopback && name.substr(0, 4) == "127.") {
    // 127.x.y.z with three decimal parts of at most 255.
    int parts = 0, value = -1;
    loopback = true;
    for (char c : name.substr(4)) {
      if (c == '.') {
        if (value < 0) loopback = false;
        ++parts;
        value = -1;
      } else if (c >= '0' && c <= '9') {
        value = (value < 0 ? 0 : value * 10) + (c - '0');
        if (value > 255) loopback = false;
      } else {
        loopback = false;
      }
    }
    if (parts != 2 || value < 0) loopback = false;
  }
  if (!loopback) return false;
  *host = std::string(name);
  *port = number;
  return true;
}

std::wstring BundledServiceFolder() {
  const std::wstring folder = FolderOf(ProgramPath()) + L"\\service";
  return FileExists(folder + L"\\quorlin_service.py") ? folder : std::wstring();
}

std::vector<PythonCandidate> RegisteredPythons() {
  std::vector<PythonCandidate> out;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) AddRegistered(root, view, out);
  return out;
}

BundledServiceOutcome HoldBundledServiceLease() {
  int port = 0;
  if (!BundledPort(&port)) return {};
  std::lock_guard<std::mutex> hold(LeaseLock);
  if (LeaseOpen()) return Ready();
  switch (ProbeHealth(port)) {
    case Health::Service:
      return Remember(TakeLease(port) ? Ready() : BundledServiceOutcome{});
    case Health::Foreign:
      return Remember(PortTakenOutcome(port));
    case Health::Nothing:
      break;
  }
  return {BundledServiceStatus::NotRunning, {}};
}

BundledServiceOutcome EnsureBundledService() {
  int port = 0;
  if (!BundledPort(&port)) return {};
  std::lock_guard<std::mutex> hold(LeaseLock);
  if (LeaseOpen() && ProbeHealth(port) == Health::Service) return Remember(Ready());
  // One start at a time across every Quorlin of this session: a second one
  // waits here and then finds the first one's service.
  UniqueKernelHandle startLock(CreateMutexW(nullptr, FALSE, L"Local\\QuorlinServiceStart"));
  if (startLock) WaitForSingleObject(startLock.get(), StartWaitMs + CheckTimeoutMs * 4);
  BundledServiceOutcome outcome;
  switch (ProbeHealth(port)) {
    case Health::Service:
      outcome = TakeLease(port) ? Ready() : BundledServiceOutcome{BundledServiceStatus::Exited, "解析服务没有应答"};
      break;
    case Health::Foreign:
      outcome = PortTakenOutcome(port);
      break;
    case Health::Nothing:
      outcome = StartAndWait(BundledServiceFolder(), port);
      break;
  }
  if (startLock) ReleaseMutex(startLock.get());
  return Remember(outcome);
}

std::string LastBundledServiceCause() {
  std::lock_guard<std::mutex> hold(LeaseLock);
  return LastCause;
}

void ReleaseBundledService() {
  std::lock_guard<std::mutex> hold(LeaseLock);
  if (LeaseSocket != INVALID_SOCKET) closesocket(LeaseSocket);
  LeaseSocket = INVALID_SOCKET;
}

}  // namespace quorlin
