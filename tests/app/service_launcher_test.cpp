// The program's side of the bundled service that needs no Python: which
// service addresses count as the bundled one, and that a program without a
// service folder beside it (every build tree's) never starts anything.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>

#include "app/link_resolver.h"
#include "app/service_launcher.h"

namespace quorlin {
// Loopback, so only the missing service folder keeps the launcher out.
const char* const ServiceBaseAddress = "http://127.0.0.1:9";
}  // namespace quorlin

using namespace quorlin;

TEST_CASE("loopback service addresses and their ports") {
  struct Case {
    const char* base;
    bool loopback;
    const char* host;
    int port;
  };
  const Case cases[] = {
      {"http://127.0.0.1:8610", true, "127.0.0.1", 8610},
      {"http://127.0.0.1:8610/", true, "127.0.0.1", 8610},
      {"http://127.1.2.3:80", true, "127.1.2.3", 80},
      {"http://localhost:65535", true, "localhost", 65535},
      {"http://[::1]:8610", true, "[::1]", 8610},
      {"http://127.0.0.1", false, "", 0},             // no port to start a service on
      {"http://127.0.0.1:0", false, "", 0},
      {"http://127.0.0.1:65536", false, "", 0},
      {"http://127.0.0.1:86x0", false, "", 0},
      {"http://127.0.0.256:8610", false, "", 0},
      {"http://127.0.0:8610", false, "", 0},
      {"http://127.0.0.1.evil.example:8610", false, "", 0},
      {"http://128.0.0.1:8610", false, "", 0},
      {"http://resolver.example.net:8610", false, "", 0},
      {"https://127.0.0.1:8610", false, "", 0},      // the bundled service speaks plain HTTP
      {"http://127.0.0.1:8610/base", false, "", 0},
  };
  for (const Case& c : cases) {
    INFO(c.base);
    std::string host;
    int port = 0;
    CHECK(ParseLoopbackAddress(c.base, &host, &port) == c.loopback);
    if (c.loopback) {
      CHECK(host == c.host);
      CHECK(port == c.port);
    }
  }
}

TEST_CASE("without a service folder beside the program nothing is started") {
  CHECK(BundledServiceFolder().empty());
  const ULONGLONG started = GetTickCount64();
  CHECK(EnsureBundledService().status == BundledServiceStatus::NotBundled);
  CHECK(HoldBundledServiceLease().status == BundledServiceStatus::NotBundled);
  CHECK(LastBundledServiceCause().empty());
  // No Python was looked for: that takes seconds.
  CHECK(GetTickCount64() - started < 1000);
}
