#pragma once
// A small HTTP server on 127.0.0.1 for tests: one thread accepting
// connections one at a time, reading each request head and answering with
// whatever the test's handler returns.
#include <winsock2.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quorlin::test {

struct HttpReply {
  std::string bytes;  // the raw response: status line, headers and body
  // Send only this many bytes and then reset the connection (RST).
  size_t resetAfter = std::string::npos;
  // After bytes, send this over and over until the client goes away.
  std::string repeatForever;
  // Wait this long before answering (a service still resolving the page);
  // the wait ends early when the client goes away or the server stops.
  unsigned long delayMs = 0;
};

// A plain 200 reply; withLength adds a Content-Length header, otherwise the
// body ends when the connection closes (HTTP/1.0).
HttpReply OkReply(const std::string& body, bool withLength = true, const char* status = "200 OK");

class LoopbackHttpServer {
 public:
  using Handler = std::function<HttpReply(const std::string& requestHead)>;

  // port 0 picks a free port.
  explicit LoopbackHttpServer(Handler handler, unsigned short port = 0);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  bool listening() const { return listener_ != INVALID_SOCKET; }
  unsigned short port() const { return port_; }
  std::string BaseAddress() const;  // "http://127.0.0.1:<port>"
  std::vector<std::string> Requests() const;

 private:
  void Serve();
  // Waits up to ms; false when the client went away or the server is stopping.
  bool WaitBeforeAnswer(SOCKET client, unsigned long ms) const;

  Handler handler_;
  SOCKET listener_ = INVALID_SOCKET;
  unsigned short port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// A port on 127.0.0.1 that nothing listens on right now.
unsigned short UnusedLoopbackPort();

}  // namespace quorlin::test
