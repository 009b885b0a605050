#include "tools/latency_proxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <list>
#include <string>
#include <vector>

namespace quillmar {
namespace {

using Clock = std::chrono::steady_clock;

int LoopbackSocket(int port, bool listen, int* boundPort) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  const int yes = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = listen
                      ? ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) == 0 &&
                            ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && ::listen(fd, 128) == 0
                      : ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  if (!ok) {
    ::close(fd);
    return -1;
  }
  if (boundPort != nullptr) {
    socklen_t length = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
    *boundPort = ntohs(addr.sin_port);
  }
  return fd;
}

// Bytes on their way one direction, each chunk with the time it reaches the other side; an
// empty chunk is the sender's end of data.
struct Direction {
  struct Chunk {
    Clock::time_point due;
    std::string data;
    std::size_t sent = 0;
  };
  std::deque<Chunk> chunks;
  std::size_t buffered = 0;
  bool readEnded = false;   // nothing more will be read from the sender
  bool writeEnded = false;  // the receiver was told the end
};

struct Link {
  int client = -1;
  int server = -1;
  Clock::time_point open;  // set-up done: data moves from here on
  Direction up;            // client to server
  Direction down;          // server to client
  bool broken = false;
  ~Link() {
    if (client >= 0) ::close(client);
    if (server >= 0) ::close(server);
  }
  bool Finished() const { return broken || (up.writeEnded && down.writeEnded); }
};

void ReadInto(int from, Direction& d, Clock::time_point arrives, bool* broken) {
  char buffer[16384];
  const std::size_t room = LatencyProxy::kMaxBufferedBytes - d.buffered;
  const ssize_t n = ::recv(from, buffer, std::min(room, sizeof buffer), MSG_DONTWAIT);
  if (n > 0) {
    d.chunks.push_back({arrives, std::string(buffer, static_cast<std::size_t>(n))});
    d.buffered += static_cast<std::size_t>(n);
  } else if (n == 0) {
    d.readEnded = true;
    d.chunks.push_back({arrives, {}});
  } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
    *broken = true;
  }
}

// Hands over what is due; false when the receiver is gone.
bool Deliver(int to, Direction& d, Clock::time_point now) {
  while (!d.chunks.empty() && d.chunks.front().due <= now) {
    Direction::Chunk& c = d.chunks.front();
    if (c.data.empty()) {
      ::shutdown(to, SHUT_WR);
      d.writeEnded = true;
      d.chunks.pop_front();
      continue;
    }
    const ssize_t n = ::send(to, c.data.data() + c.sent, c.data.size() - c.sent, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    c.sent += static_cast<std::size_t>(n);
    if (c.sent < c.data.size()) return true;  // the rest when the receiver has room
    d.buffered -= c.data.size();
    d.chunks.pop_front();
  }
  return true;
}

}  // namespace

LatencyProxy::LatencyProxy(int targetPort, std::chrono::milliseconds roundTrip, int listenPort)
    : targetPort_(targetPort), roundTrip_(roundTrip) {
  listener_ = LoopbackSocket(listenPort, true, &port_);
  if (listener_ < 0 || ::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
    port_ = -1;
    return;
  }
  thread_ = std::thread([this] { Run(); });
}

LatencyProxy::~LatencyProxy() {
  if (thread_.joinable()) {
    const char stop = 1;
    (void)!::write(wake_[1], &stop, 1);
    thread_.join();
  }
  for (int fd : {listener_, wake_[0], wake_[1]}) {
    if (fd >= 0) ::close(fd);
  }
}

void LatencyProxy::Run() {
  std::list<Link> links;
  const auto half = roundTrip_ / 2;
  for (;;) {
    const Clock::time_point now = Clock::now();
    // What to watch: new connections, senders with room, receivers with data due.
    std::vector<pollfd> fds{{wake_[0], POLLIN, 0},
                            {listener_, static_cast<short>(links.size() < kMaxConnections ? POLLIN : 0), 0}};
    std::vector<Link*> owners{nullptr, nullptr};
    Clock::time_point next = now + std::chrono::seconds(1);
    for (Link& link : links) {
      auto watch = [&](int fd, Direction& in, Direction& out) {
        short events = 0;
        if (!in.readEnded && in.buffered < kMaxBufferedBytes && now >= link.open) events |= POLLIN;
        if (!out.chunks.empty() && out.chunks.front().due <= now) events |= POLLOUT;
        fds.push_back({fd, events, 0});
        owners.push_back(&link);
      };
      watch(link.client, link.up, link.down);
      watch(link.server, link.down, link.up);
      if (now < link.open) next = std::min(next, link.open);
      for (Direction* d : {&link.up, &link.down}) {
        if (!d->chunks.empty()) next = std::min(next, d->chunks.front().due);
      }
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(std::max(next - now, Clock::duration::zero()));
    ::poll(fds.data(), fds.size(), static_cast<int>(wait.count()));
    if ((fds[0].revents & POLLIN) != 0) return;

    const Clock::time_point t = Clock::now();
    if ((fds[1].revents & POLLIN) != 0) {
      const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client >= 0) {
        ++accepted_;
        const int yes = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        Link& link = links.emplace_back();
        link.client = client;
        link.server = LoopbackSocket(targetPort_, false, nullptr);
        link.open = t + roundTrip_;  // the handshake's round trip
        link.broken = link.server < 0;
      }
    }
    for (std::size_t i = 2; i < fds.size(); ++i) {
      Link& link = *owners[i];
      const bool fromClient = fds[i].fd == link.client;
      Direction& in = fromClient ? link.up : link.down;
      if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !in.readEnded && now >= link.open) {
        ReadInto(fds[i].fd, in, std::max(t, link.open) + half, &link.broken);
      }
    }
    for (Link& link : links) {
      if (!link.broken) {
        link.broken = !Deliver(link.server, link.up, t) || !Deliver(link.client, link.down, t);
      }
    }
    links.remove_if([](const Link& link) { return link.Finished(); });
  }
}

}  // namespace quillmar
