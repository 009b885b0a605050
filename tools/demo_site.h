#pragma once
// The demo search site: list pages at /s/<keyword>/<page>/ and detail pages whose
// markup the search reads, served from the built-in catalogue on 127.0.0.1.
#include <chrono>
#include <memory>
#include <string>

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

  int Port() const { return port; }
  // "http://host:port/s/", the prefix the search client takes.
  std::string SearchPrefix() const;

 private:
  struct Server;
  bool Bind(int wantedPort, const std::string& host);

  Options options;
  std::unique_ptr<Server> server;
  std::string host;
  int port = -1;
};

// The HTML pages themselves, for tests that want them without a server.
std::string DemoListPage(const std::string& keyword, int page, int pageSize);
std::string DemoDetailPage(int id);

}  // namespace quillmar
