#pragma once
// Drives the real program from a test: starts it (Quorlin-e2e.exe next to the
// test program unless told another), finds its window, and delivers input the
// way the mouse and keyboard would.
#include <windows.h>

#include <string>

namespace quorlin::test {

// The path of Quorlin-e2e.exe in the test program's own folder.
std::string ProgramNextToTest();

struct RunningProgram {
  // Starts the program and waits for its visible window.
  explicit RunningProgram(const std::string& program = ProgramNextToTest());
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
