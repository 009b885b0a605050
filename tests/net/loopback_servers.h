#pragma once
// Servers on 127.0.0.1 that live inside a test: an HTTP server for well-formed exchanges and
// a raw socket server that says exactly what a test wants (or nothing at all).
#include <httplib.h>
#ifndef _WIN32
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/http_request.h"

namespace quillmar::test {

// The socket calls' few differences between Linux and Winsock (the Windows build's tests).
#ifdef _WIN32
using SocketHandle = SOCKET;
inline const SocketHandle kNoSocket = INVALID_SOCKET;
inline void CloseSocket(SocketHandle s) { ::closesocket(s); }
inline constexpr int kSendFlags = 0;
#else
using SocketHandle = int;
inline constexpr SocketHandle kNoSocket = -1;
inline void CloseSocket(SocketHandle s) { ::close(s); }
inline constexpr int kSendFlags = MSG_NOSIGNAL;
#endif

class HttpTestServer {
 public:
  HttpTestServer() : server_(std::make_unique<httplib::Server>()) {}
  // Serves through the given server, e.g. an httplib::SSLServer for https.
  explicit HttpTestServer(std::unique_ptr<httplib::Server> server, std::string scheme = "https")
      : server_(std::move(server)), scheme_(std::move(scheme)) {}
  ~HttpTestServer() { Stop(); }
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  httplib::Server& Routes() { return *server_; }

  // Binds to a free port and serves on a thread of its own until the object goes away.
  void Start() {
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running()) std::this_thread::yield();
  }
  void Stop() {
    if (!thread_.joinable()) return;
    // The client keeps idle connections for later requests; each would hold one of the
    // server's workers until its keep-alive time ran out.
    DropIdleConnections();
    server_->stop();
    thread_.join();
  }
  int Port() const { return port_; }
  std::string Url(const std::string& path) const { return scheme_ + "://127.0.0.1:" + std::to_string(port_) + path; }

 private:
  std::unique_ptr<httplib::Server> server_;
  std::string scheme_ = "http";
  std::thread thread_;
  int port_ = 0;
};

// Owns one socket descriptor.
class SocketFd {
 public:
  explicit SocketFd(SocketHandle fd = kNoSocket) : fd_(fd) {}
  ~SocketFd() { Close(); }
  SocketFd(SocketFd&& other) noexcept : fd_(other.fd_) { other.fd_ = kNoSocket; }
  SocketFd& operator=(SocketFd&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = other.fd_;
      other.fd_ = kNoSocket;
    }
    return *this;
  }
  SocketFd(const SocketFd&) = delete;
  SocketFd& operator=(const SocketFd&) = delete;
  SocketHandle Get() const { return fd_; }
  bool Valid() const { return fd_ != kNoSocket; }
  void Close() {
    if (Valid()) CloseSocket(fd_);
    fd_ = kNoSocket;
  }

 private:
  SocketHandle fd_;
};

// Ends a thread's wait in accept() on the listener. Winsock's shutdown() does not; closing
// the socket does.
inline void WakeAccept(SocketFd& listener) {
#ifdef _WIN32
  listener.Close();
#else
  ::shutdown(listener.Get(), SHUT_RDWR);
#endif
}

// A TCP socket whose connect() returns at once.
inline SocketFd NonBlockingSocket() {
#ifdef _WIN32
  SocketFd fd(::socket(AF_INET, SOCK_STREAM, 0));
  u_long on = 1;
  ::ioctlsocket(fd.Get(), FIONBIO, &on);
  return fd;
#else
  return SocketFd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
#endif
}

// A listening socket on 127.0.0.1 with a free port, `backlog` as given.
inline SocketFd ListenOnLoopback(int backlog, int* port) {
  SocketFd fd(::socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd.Get(), backlog) != 0) {
    return SocketFd();
  }
  socklen_t len = sizeof addr;
  ::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&addr), &len);
  *port = ntohs(addr.sin_port);
  return fd;
}

// Accepts connections; for each it reads the request head, writes `reply` (when not empty)
// and closes (or, with holdOpen, keeps the connection silent until the server goes away).
class RawTestServer {
 public:
  RawTestServer(std::string reply, bool holdOpen) : reply_(std::move(reply)), holdOpen_(holdOpen) {
    listener_ = ListenOnLoopback(16, &port_);
    thread_ = std::thread([this] { Run(); });
  }
  ~RawTestServer() {
    stop_ = true;
    WakeAccept(listener_);
    thread_.join();
  }
  RawTestServer(const RawTestServer&) = delete;
  RawTestServer& operator=(const RawTestServer&) = delete;

  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  int Accepted() const { return accepted_; }

 private:
  void Run() {
    std::vector<SocketFd> held;
    while (!stop_) {
      SocketFd conn(::accept(listener_.Get(), nullptr, nullptr));
      if (!conn.Valid()) break;
      ++accepted_;
      std::string head;
      char buf[4096];
      while (head.find("\r\n\r\n") == std::string::npos) {
        auto n = ::recv(conn.Get(), buf, sizeof buf, 0);
        if (n <= 0) break;
        head.append(buf, static_cast<std::size_t>(n));
      }
      if (!reply_.empty()) {
        ::send(conn.Get(), reply_.data(), static_cast<int>(reply_.size()), kSendFlags);
      }
      if (holdOpen_) held.push_back(std::move(conn));
    }
  }

  std::string reply_;
  bool holdOpen_;
  SocketFd listener_;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> accepted_{0};
  std::thread thread_;
};

}  // namespace quillmar::test
