#pragma once
// A loopback HTTP server for tests: the test gives the routes, the server runs on
// 127.0.0.1 on a free port in a thread of its own until it is destroyed.
#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <thread>

namespace quillmar::test {

class ScriptedSite {
public:
    explicit ScriptedSite(const std::function<void(httplib::Server&)>& routes) {
        routes(server);
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running()) std::this_thread::yield();
    }
    ~ScriptedSite() {
        server.stop();
        thread.join();
    }
    ScriptedSite(const ScriptedSite&) = delete;
    ScriptedSite& operator=(const ScriptedSite&) = delete;

    // "http://127.0.0.1:port" with no slash at the end.
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port); }
    int Port() const { return port; }

private:
    httplib::Server server;
    std::thread thread;
    int port = -1;
};

// A port that nothing listens on: bound without listening, then released.
inline int ClosedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

}  // namespace quillmar::test
