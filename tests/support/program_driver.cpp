#include "program_driver.h"

#include "window_probe.h"

namespace quorlin::test {
namespace {

std::string ProgramPath() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path = self;
  return path.substr(0, path.find_last_of('\\') + 1) + "Quorlin-e2e.exe";
}

}  // namespace

RunningProgram::RunningProgram(const std::string& program) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  std::string command = "\"" + (program.empty() ? ProgramPath() : program) + "\"";
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process)) return;
  WaitForInputIdle(process.hProcess, 20000);
  PumpUntil([&] {
    window = FindWindowA("QuorlinMainWindow", "Quorlin");
    return window && IsWindowVisible(window);
  }, 20000);
}

RunningProgram::~RunningProgram() {
  if (!process.hProcess) return;
  if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

int RunningProgram::Width() const {
  RECT r;
  GetWindowRect(window, &r);
  return r.right - r.left;
}

void Click(HWND control) {
  RECT r;
  GetClientRect(control, &r);
  const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
  PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(control, WM_LBUTTONUP, 0, at);
}

void Type(HWND control, const std::string& text) {
  for (unsigned char c : text) PostMessageA(control, WM_CHAR, c, 1);
}

}  // namespace quorlin::test
