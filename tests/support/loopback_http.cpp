#include "loopback_http.h"

#include <ws2tcpip.h>

namespace quorlin::test {
namespace {

struct WinsockStartup {
  WinsockStartup() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockStartup() { WSACleanup(); }
};

void EnsureWinsock() { static WinsockStartup startup; }

sockaddr_in Loopback(unsigned short port) {
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

bool SendAll(SOCKET s, const char* data, size_t size) {
  while (size > 0) {
    const int n = send(s, data, static_cast<int>(size > 65536 ? 65536 : size), 0);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string ReadRequestHead(SOCKET s) {
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
    const int n = recv(s, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    head.append(buffer, static_cast<size_t>(n));
  }
  return head;
}

}  // namespace

HttpReply OkReply(const std::string& body, bool withLength, const char* status) {
  std::string head = std::string("HTTP/1.0 ") + status + "\r\nContent-Type: text/xml; charset=utf-8\r\n";
  if (withLength) head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  head += "Connection: close\r\n\r\n";
  return HttpReply{head + body};
}

LoopbackHttpServer::LoopbackHttpServer(Handler handler, unsigned short port) : handler_(std::move(handler)) {
  EnsureWinsock();
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener_ == INVALID_SOCKET) return;
  BOOL reuse = TRUE;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
  sockaddr_in a = Loopback(port);
  if (bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener_, 8) != 0) {
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
    return;
  }
  int size = sizeof a;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &size);
  port_ = ntohs(a.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stopping_ = true;
  if (listener_ != INVALID_SOCKET) {
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
  }
  if (thread_.joinable()) thread_.join();
}

std::string LoopbackHttpServer::BaseAddress() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<std::string> LoopbackHttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void LoopbackHttpServer::Serve() {
  const SOCKET listener = listener_;
  while (!stopping_) {
    // Poll so the destructor's close is noticed promptly.
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener, &readable);
    timeval wait = {0, 100000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
    SOCKET client = accept(listener, nullptr, nullptr);
    if (client == INVALID_SOCKET) continue;
    const std::string head = ReadRequestHead(client);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(head);
    }
    const HttpReply reply = handler_(head);
    if (reply.delayMs > 0 && !WaitBeforeAnswer(client, reply.delayMs)) {
      closesocket(client);
      continue;
    }
    if (reply.resetAfter != std::string::npos) {
      SendAll(client, reply.bytes.data(), reply.resetAfter < reply.bytes.size() ? reply.resetAfter : reply.bytes.size());
      linger hard = {1, 0};  // close with RST
      setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
    } else {
      if (!reply.repeatForever.empty()) {
        // A client that stops reading without closing must not hold the
        // server thread for ever.
        DWORD wait = 10000;
        setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
      }
      bool open = SendAll(client, reply.bytes.data(), reply.bytes.size());
      while (open && !reply.repeatForever.empty() && !stopping_)
        open = SendAll(client, reply.repeatForever.data(), reply.repeatForever.size());
      shutdown(client, SD_SEND);
    }
    closesocket(client);
  }
}

bool LoopbackHttpServer::WaitBeforeAnswer(SOCKET client, unsigned long ms) const {
  const ULONGLONG end = GetTickCount64() + ms;
  while (!stopping_) {
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return true;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(client, &readable);
    const ULONGLONG step = end - now < 20 ? end - now : 20;
    timeval wait = {0, static_cast<long>(step * 1000)};
    if (select(0, &readable, nullptr, nullptr, &wait) > 0) {
      // The request head is read already: readable now means closed (or reset).
      char byte;
      if (recv(client, &byte, 1, MSG_PEEK) <= 0) return false;
    }
  }
  return false;
}

unsigned short UnusedLoopbackPort() {
  EnsureWinsock();
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a = Loopback(0);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  int size = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
  closesocket(s);
  return ntohs(a.sin_port);
}

}  // namespace quorlin::test
