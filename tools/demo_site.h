#pragma once
// The demo search site: list pages at /s/<keyword>/<page>/ and detail pages whose
// markup the search reads, served from the built-in catalogue on 127.0.0.1.
#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "tools/demo_response.h"

namespace quillmar {

class DemoSite {
 public:
  struct Options {
    int pageSize = 10;
    // Every response waits this long first, to stand in for a slow site.
    std::chrono::milliseconds delay{0};
  };

  DemoSite();
  explicit DemoSite(Options options);
  ~DemoSite();
  DemoSite(const DemoSite&) = delete;
  DemoSite& operator=(const DemoSite&) = delete;

  // Starts serving on host:port in a thread of its own; port 0 picks a free one.
  // Returns the port, or -1 when it cannot be bound.
  int Start(int port = 0, const std::string& host = "127.0.0.1");
  void Stop();

  // Also serves HTTPS (HTTP/2 to clients that offer it, else HTTP/1.1) on another port, with a
  // certificate made now for 127.0.0.1 and localhost. Needs Start first; returns the port or -1
  // (always -1 where HttpsBuiltIn is false).
  int StartSecure(int port = 0);
  // False in the Windows build, which serves plain HTTP only (it has no TLS library).
  static bool HttpsBuiltIn();

  int Port() const { return port; }
  int SecurePort() const { return tlsPort; }
  // "http://host:port/s/", the prefix the search client takes.
  std::string SearchPrefix() const;
  std::string SecureSearchPrefix() const;
  // The HTTPS certificate (PEM), its own authority; empty before StartSecure.
  const std::string& CertificatePem() const;

 private:
  struct Server;
  bool Bind(int wantedPort, const std::string& host);

  Options options;
  std::unique_ptr<Server> server;
  std::string host;
  int port = -1;
  int tlsPort = -1;
};

// The answer of the demo site to a GET of an already percent-decoded path.
DemoResponse DemoRespond(std::string_view decodedPath, const DemoSite::Options& options);

// The HTML pages themselves, for tests that want them without a server.
std::string DemoListPage(const std::string& keyword, int page, int pageSize);
std::string DemoDetailPage(int id);

}  // namespace quillmar
