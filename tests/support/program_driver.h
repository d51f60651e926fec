#pragma once
// Drives the real program from a test or a tool: starts it (by default
// Quorlin-e2e.exe next to the running program), finds its window, and
// delivers input the way the mouse and keyboard would.
#include <windows.h>

#include <string>

namespace quorlin::test {

struct RunningProgram {
  // Starts the program and waits for its visible window; program "" means
  // Quorlin-e2e.exe next to the running program.
  explicit RunningProgram(const std::string& program = "");
  ~RunningProgram();  // terminates it if it is still running
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  HWND Control(int id) const { return GetDlgItem(window, id); }
  int Width() const;

  PROCESS_INFORMATION process = {};
  HWND window = nullptr;
};

// A left click in the middle of a control.
void Click(HWND control);
// Types text into a control, one WM_CHAR per byte.
void Type(HWND control, const std::string& text);

}  // namespace quorlin::test
