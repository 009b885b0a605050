#pragma once
// A loopback site for search tests: the test gives the routes up front and the
// server runs on 127.0.0.1 on a free port until it is destroyed.
#include <functional>
#include <string>

#include "tests/net/loopback_servers.h"
#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace quillmar::test {

class ScriptedSite : public HttpTestServer {
 public:
  explicit ScriptedSite(const std::function<void(httplib::Server&)>& routes) {
    routes(Routes());
    Start();
  }

  // "http://127.0.0.1:port" with no slash at the end.
  std::string Base() const { return Url(""); }
};

// A port that nothing listens on: bound without listening, then released.
inline int ClosedPort() {
  SocketFd fd(::socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ::bind(fd.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  ::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&addr), &len);
  fd.Close();
  return ntohs(addr.sin_port);
}

}  // namespace quillmar::test
