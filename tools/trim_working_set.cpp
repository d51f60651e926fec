// trim_working_set <pid>: empties the working set of the process with that
// decimal id and exits. The skinned frame carries this program and runs it on
// itself whenever the application is deactivated.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  char* end = nullptr;
  const unsigned long pid = std::strtoul(argv[1], &end, 10);
  if (end == argv[1] || *end != '\0' || pid == 0) return 2;
  HANDLE process = OpenProcess(PROCESS_SET_QUOTA | PROCESS_QUERY_INFORMATION, FALSE, pid);
  if (!process) return 1;
  // (SIZE_T)-1 for both limits removes as many pages as possible.
  const BOOL ok = SetProcessWorkingSetSize(process, static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
  CloseHandle(process);
  return ok ? 0 : 1;
}
