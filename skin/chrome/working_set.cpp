#include "skin/chrome/working_set.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace quorlin::skin {
namespace {

bool WriteUtility(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, assets::WorkingSetUtility.data, static_cast<DWORD>(assets::WorkingSetUtility.size),
                            &written, nullptr);
  CloseHandle(file);
  if (!ok || written != assets::WorkingSetUtility.size) {
    DeleteFileA(path.c_str());  // never leave a truncated program behind
    return false;
  }
  return true;
}

}  // namespace

void TrimWorkingSet() {
  const char* windir = std::getenv("windir");
  if (!windir || !*windir) return;
  const std::string path = std::string(windir) + "\\empty.exe";
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES && !WriteUtility(path)) return;
  // The path is quoted so a Windows directory with blanks still works.
  std::string command = "\"" + path + "\" " + std::to_string(GetCurrentProcessId());
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

}  // namespace quorlin::skin
