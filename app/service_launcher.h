#pragma once
// The bundled link-resolution service, started by the program itself: when
// the service address is on loopback and a service folder lies beside the
// program, a request that cannot connect starts the service with the user's
// Python (found the Windows way) and retries. Each program that uses such a
// service holds a lease on it (one open connection), so a service the program
// started ends with the last program using it.
#include <string>
#include <string_view>
#include <vector>

namespace quorlin {

enum class BundledServiceStatus {
  Ready,         // the service answers /health and this program holds a lease
  NotBundled,    // no loopback address or no service folder: nothing to start
  NotRunning,    // bundled, but nothing listens on the service's port
  NoPython,      // no Python found at all
  NoYtDlp,       // a Python new enough, but yt-dlp cannot be imported by it
  PythonTooOld,  // only Pythons older than yt-dlp accepts
  PortTaken,     // another program listens on the service's port
  StartFailed,   // CreateProcessW failed
  Exited,        // started, but it never answered /health (log lines in the cause)
};

struct BundledServiceOutcome {
  BundledServiceStatus status = BundledServiceStatus::NotBundled;
  // One line in code page 936 for the user: why, and what to do. Empty when
  // the status is Ready or NotBundled.
  std::string cause;
  bool Ready() const { return status == BundledServiceStatus::Ready; }
};

// The oldest Python the current yt-dlp releases accept.
inline constexpr int MinimumPythonMajor = 3;
inline constexpr int MinimumPythonMinor = 10;

// Host and port of an "http://<loopback>:<port>" base address (127.0.0.0/8,
// localhost or [::1]); false for anything else.
bool ParseLoopbackAddress(std::string_view base, std::string* host, int* port);

// The folder of the running program's service start file ("<exe folder>\service"
// holding quorlin_service.py), or empty when there is none.
std::wstring BundledServiceFolder();

// A Python that may run the service.
struct PythonCandidate {
  std::wstring executable;  // the python.exe (or py.exe) to run the check with
  std::wstring windowed;    // pythonw.exe beside it when there is one
  std::wstring launcherArgs;  // "-3 " for the py launcher
  std::string shownCommand;   // how the user types it: "py", or the quoted path
};

// Pythons registered under HKCU, then HKLM, Software\Python\PythonCore, in
// both registry views, newest version first within each; duplicates dropped.
std::vector<PythonCandidate> RegisteredPythons();

// Makes sure the bundled service runs and this program holds a lease on it;
// a running service (one that answers /health with its name) is used as it
// is, else one is started and waited for (about 10 s). Blocks, so it belongs
// on a worker thread; safe to call from several threads.
BundledServiceOutcome EnsureBundledService();

// Takes a lease on a service already running for this program's address when
// the program is bundled and holds none; cheap when it holds one. Returns the
// outcome of the check: Ready, NotBundled, NotRunning, or PortTaken when a
// foreign program answers there.
BundledServiceOutcome HoldBundledServiceLease();

// The cause of the last failed EnsureBundledService or lease check, empty
// after a success.
std::string LastBundledServiceCause();

// Closes the lease (program end); the service then stops after its grace time
// when no other program holds one.
void ReleaseBundledService();

}  // namespace quorlin
