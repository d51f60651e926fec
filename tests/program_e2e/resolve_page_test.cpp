// The real program resolving a real page: Quorlin-e2e.exe asks the real
// link-resolution service on 127.0.0.1, which runs yt-dlp over an HTML5 page
// and an mp4 clip served on 127.0.0.1. run_program_e2e.py sets all of that up
// and hands this program the page address and the texts the labels must
// show, hex-encoded code page 936 bytes in QUORLIN_E2E_* variables.
#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "window_probe.h"

using namespace quorlin;
using quorlin::test::WindowText;

namespace {

std::string Variable(const char* name) {
  const DWORD n = GetEnvironmentVariableA(name, nullptr, 0);
  if (n == 0) return {};
  std::string value(n, '\0');
  value.resize(GetEnvironmentVariableA(name, value.data(), n));
  return value;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(HexDigit(hex[i]) * 16 + HexDigit(hex[i + 1]));
  return bytes;
}

// A variable that must be there: its decoded bytes.
std::string Expected(const char* name) {
  const std::string hex = Variable(name);
  INFO(name);
  REQUIRE(!hex.empty());
  return FromHex(hex);
}

std::vector<std::string> ExpectedList(const char* name) {
  std::vector<std::string> list;
  const std::string text = Variable(name);
  size_t from = 0;
  for (;;) {
    const size_t comma = text.find(',', from);
    list.push_back(FromHex(text.substr(from, comma - from)));
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  return list;
}

std::string ProgramPath() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path = self;
  return path.substr(0, path.find_last_of('\\') + 1) + "Quorlin-e2e.exe";
}

struct RunningProgram {
  PROCESS_INFORMATION process = {};
  HWND window = nullptr;

  RunningProgram() {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string command = ProgramPath();
    command.insert(command.begin(), '"');
    command += '"';
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process)) return;
    WaitForInputIdle(process.hProcess, 20000);
    test::PumpUntil([&] {
      window = FindWindowA(MainWindowClass, MainWindowCaption);
      return window && IsWindowVisible(window);
    }, 20000);
  }
  ~RunningProgram() {
    if (process.hProcess) {
      if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 1);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  }
  HWND Control(int id) const { return GetDlgItem(window, id); }
};

// A left click in the middle of a control, as the mouse would deliver it.
void Click(HWND control) {
  RECT r;
  GetClientRect(control, &r);
  const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
  PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(control, WM_LBUTTONUP, 0, at);
}

void Type(HWND edit, const std::string& text) {
  for (unsigned char c : text) PostMessageA(edit, WM_CHAR, c, 1);
}

}  // namespace

TEST_CASE("the program shows what the service makes of a real HTML5 video page") {
  const std::string page = Variable("QUORLIN_E2E_PAGE");
  REQUIRE(page.rfind("http://127.0.0.1:", 0) == 0);
  const std::string title = Expected("QUORLIN_E2E_TITLE");
  const std::string size = Expected("QUORLIN_E2E_SIZE");
  const std::string format = Expected("QUORLIN_E2E_FORMAT");
  const std::string site = Expected("QUORLIN_E2E_SITE");
  const std::string furl = Expected("QUORLIN_E2E_FURL");
  const std::vector<std::string> times = ExpectedList("QUORLIN_E2E_TIMES");

  RunningProgram program;
  REQUIRE(program.window);

  HWND addressEdit = program.Control(AddressEditId);
  Type(addressEdit, page);
  REQUIRE(test::PumpUntil([&] { return WindowText(addressEdit) == page; }, 20000));

  // The program asks while handling the click, so its window does not answer
  // until the service has replied; the size label is set either way (0MB for
  // an empty reply).
  Click(program.Control(ReadLinkButtonId));
  HWND sizeLabel = program.Control(SizeLabelId);
  REQUIRE(test::PumpUntil([&] { return !WindowText(sizeLabel).empty(); }, 90000));

  CHECK(WindowText(program.Control(TitleLabelId)) == title);
  CHECK(WindowText(sizeLabel) == size);
  CHECK(WindowText(program.Control(FormatLabelId)) == format);
  CHECK(WindowText(program.Control(SiteLabelId)) == site);
  CHECK(WindowText(program.Control(DownloadAddressEditId)) == furl);
  const std::string time = WindowText(program.Control(DurationLabelId));
  INFO("running time label: \"" << time << "\"");
  CHECK(std::find(times.begin(), times.end(), time) != times.end());

  PostMessageA(program.window, WM_CLOSE, 0, 0);
  REQUIRE(WaitForSingleObject(program.process.hProcess, 20000) == WAIT_OBJECT_0);
  DWORD exitCode = 99;
  GetExitCodeProcess(program.process.hProcess, &exitCode);
  CHECK(exitCode == 0);
}
