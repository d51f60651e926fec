// The unpacked release program started the way a double-click starts it,
// with no service running: bundle_test.py sets up the page, the Python
// registration (or none, or a foreign listener) and picks the scenario in
// QUORLIN_BUNDLE_MODE; this program drives one or two Quorlin.exe through
// their windows. Expected texts come hex-encoded in code page 936.
//   read   one program reads the page, then closes
//   two    two programs read; the first closes, the second reads again
//   kill   one program reads and is terminated
//   cause  one program reads and shows a message whose text holds every
//          QUORLIN_BUNDLE_CAUSE part
#include <doctest/doctest.h>

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "program_driver.h"
#include "window_probe.h"

using namespace quorlin;
using quorlin::test::Click;
using quorlin::test::PumpUntil;
using quorlin::test::Type;
using quorlin::test::WindowText;

namespace {

std::string Variable(const char* name) {
  char value[8192] = {};
  const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  return n < sizeof value ? std::string(value, n) : std::string();
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

std::vector<std::string> HexList(const char* name) {
  std::vector<std::string> list;
  const std::string text = Variable(name);
  size_t from = 0;
  while (from < text.size()) {
    size_t comma = text.find(',', from);
    if (comma == std::string::npos) comma = text.size();
    list.push_back(FromHex(text.substr(from, comma - from)));
    from = comma + 1;
  }
  return list;
}

struct WindowSearch {
  DWORD pid;
  const char* className;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<WindowSearch*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char name[64] = {};
  GetClassNameA(w, name, sizeof name);
  if (pid != s->pid || lstrcmpiA(name, s->className) != 0) return TRUE;
  s->found = w;
  return FALSE;
}

// One Quorlin.exe, found by its process: two may run at once.
struct Program {
  PROCESS_INFORMATION process = {};
  HWND window = nullptr;

  explicit Program(const std::string& path) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string command = "\"" + path + "\"";
    // As Explorer starts it: the current folder is the program's own.
    const std::string folder = path.substr(0, path.find_last_of('\\'));
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &process))
      return;
    PumpUntil([&] { return (window = TopWindow(MainWindowClass)) != nullptr && IsWindowVisible(window); }, 30000);
  }
  ~Program() {
    if (!process.hProcess) return;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }

  HWND TopWindow(const char* className) const {
    WindowSearch search{process.dwProcessId, className, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  HWND Control(int id) const { return GetDlgItem(window, id); }

  // Types the page, presses "读取链接"; true once the size label shows.
  bool StartRead(const std::string& page) {
    HWND size = Control(SizeLabelId);
    SetWindowTextA(size, "");
    HWND edit = Control(AddressEditId);
    SetWindowTextA(edit, "");
    Type(edit, page);
    if (!PumpUntil([&] { return WindowText(edit) == page; }, 20000)) return false;
    Click(Control(ReadLinkButtonId));
    return true;
  }
  bool Shown() const { return !WindowText(Control(SizeLabelId)).empty(); }

  bool Close() {
    PostMessageA(window, WM_CLOSE, 0, 0);
    return WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
  }
};

void CheckFields(const Program& p) {
  CHECK(WindowText(p.Control(TitleLabelId)) == FromHex(Variable("QUORLIN_E2E_TITLE")));
  CHECK(WindowText(p.Control(SizeLabelId)) == FromHex(Variable("QUORLIN_E2E_SIZE")));
  CHECK(WindowText(p.Control(DownloadAddressEditId)) == FromHex(Variable("QUORLIN_E2E_FURL")));
}

void Read(Program& p, const std::string& page) {
  REQUIRE(p.StartRead(page));
  // The first read may start the service: its Python check and start take seconds.
  REQUIRE(PumpUntil([&] { return p.Shown(); }, 90000));
  CheckFields(p);
}

// Windows processes whose image name starts with "python" (python.exe,
// pythonw.exe): the service of a Windows Python. Under Wine a Linux Python is
// no Windows process; bundle_test.py looks for it on the Linux side.
int PythonProcesses() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  int count = 0;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, entry.szExeFile, 6, "python", 6) == CSTR_EQUAL) ++count;
  CloseHandle(snapshot);
  return count;
}

}  // namespace

TEST_CASE("the unpacked program starts, shares and ends its bundled service") {
  const std::string mode = Variable("QUORLIN_BUNDLE_MODE");
  const std::string page = Variable("QUORLIN_E2E_PAGE");
  const std::string path = Variable("QUORLIN_E2E_PROGRAM");
  INFO("mode " << mode << ", program " << path);
  REQUIRE(!path.empty());

  if (mode == "read" || mode == "kill") {
    Program p(path);
    REQUIRE(p.window);
    Read(p, page);
    if (mode == "read") {
      CHECK(p.Close());
    } else {
      TerminateProcess(p.process.hProcess, 9);
      CHECK(WaitForSingleObject(p.process.hProcess, 10000) == WAIT_OBJECT_0);
    }
  } else if (mode == "two") {
    auto first = std::make_unique<Program>(path);
    Program second(path);
    REQUIRE(first->window);
    REQUIRE(second.window);
    REQUIRE(first->window != second.window);
    // Both press at once, before either knows of a service.
    REQUIRE(first->StartRead(page));
    REQUIRE(second.StartRead(page));
    REQUIRE(PumpUntil([&] { return first->Shown() && second.Shown(); }, 120000));
    CheckFields(*first);
    CheckFields(second);
    CHECK(first->Close());
    first.reset();
    // Past the service's grace time: it must still be there for the second.
    Sleep(4500);
    Read(second, page);
    CHECK(second.Close());
  } else if (mode == "cause") {
    Program p(path);
    REQUIRE(p.window);
    REQUIRE(p.StartRead(page));
    // The cause is the failure tip's line: a visible tooltip of the program's
    // that answers WM_GETTEXT with the text it shows.
    std::string shown;
    const bool found = PumpUntil([&] {
      HWND tip = p.TopWindow(TOOLTIPS_CLASSA);
      shown = tip && IsWindowVisible(tip) ? WindowText(tip) : std::string();
      return shown.size() > 2;
    }, 90000);
    REQUIRE(found);
    MESSAGE("the tip: " << shown);
    for (const std::string& part : HexList("QUORLIN_BUNDLE_CAUSE")) {
      INFO("expected part: " << part);
      CHECK(shown.find(part) != std::string::npos);
    }
    REQUIRE(PumpUntil([&] { return p.Shown(); }, 20000));
    CHECK(WindowText(p.Control(SizeLabelId)) == "0MB");
    CHECK(p.Close());
  } else {
    FAIL("unknown QUORLIN_BUNDLE_MODE " << mode);
  }
  // Every program is gone: no Windows Python may be left (the service's grace
  // time is a few seconds).
  CHECK(PumpUntil([] { return PythonProcesses() == 0; }, 12000));
}
