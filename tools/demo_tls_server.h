#pragma once
// The demo site's HTTPS port: TLS with a certificate made at start, HTTP/2 for clients that
// offer it in the handshake, HTTP/1.1 with keep-alive for the others. A thread per connection.
#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "tools/demo_response.h"

namespace quillmar {

class DemoTlsServer {
 public:
  // Answers a GET of a path as the client sent it (query included, still percent-encoded).
  using Handler = std::function<DemoResponse(std::string_view path)>;

  explicit DemoTlsServer(Handler handler);
  ~DemoTlsServer();
  DemoTlsServer(const DemoTlsServer&) = delete;
  DemoTlsServer& operator=(const DemoTlsServer&) = delete;

  // Whether this build has TLS at all: the Windows build has no OpenSSL, so its Start
  // always answers -1 and the site serves plain HTTP only.
  static bool BuiltIn();

  // Makes the certificate and serves on host:port (0: a free one); the port, or -1.
  int Start(int port, const std::string& host);
  void Stop();
  const std::string& CertificatePem() const { return certificatePem_; }

 private:
  struct Context;
  struct Connection {
    std::thread thread;
    int fd = -1;
    std::atomic<bool> done{false};
  };
  void AcceptLoop();
  void Serve(Connection& connection);
  void ReapFinished();

  Handler handler_;
  std::unique_ptr<Context> context_;
  std::string certificatePem_;
  int listener_ = -1;
  std::thread acceptThread_;
  std::mutex mutex_;  // guards connections_
  std::list<Connection> connections_;
  std::atomic<bool> stopping_{false};
};

}  // namespace quillmar
