#pragma once
// A TCP relay on loopback that behaves like a distant link: every connection's set-up costs one
// round trip, and every chunk of data reaches the other side half a round trip after it was
// sent. The kernel here has no traffic shaping, so it is done in user space. Memory is bounded:
// each direction of a connection holds at most kMaxBufferedBytes in flight (the sender is read
// no further until it drains), and at most kMaxConnections are relayed at once.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <thread>

namespace quillmar {

class LatencyProxy {
 public:
  static constexpr std::size_t kMaxBufferedBytes = 256 * 1024;
  static constexpr std::size_t kMaxConnections = 256;

  // Relays 127.0.0.1:listenPort (0: a free one) to 127.0.0.1:targetPort.
  LatencyProxy(int targetPort, std::chrono::milliseconds roundTrip, int listenPort = 0);
  ~LatencyProxy();
  LatencyProxy(const LatencyProxy&) = delete;
  LatencyProxy& operator=(const LatencyProxy&) = delete;

  // The port it listens on, -1 when it could not.
  int Port() const { return port_; }
  // Connections accepted so far.
  int Accepted() const { return accepted_; }

 private:
  void Run();

  int targetPort_;
  std::chrono::milliseconds roundTrip_;
  int listener_ = -1;
  int wake_[2] = {-1, -1};
  int port_ = -1;
  std::atomic<int> accepted_{0};
  std::thread thread_;
};

}  // namespace quillmar
