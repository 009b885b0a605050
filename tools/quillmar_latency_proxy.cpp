// quillmar-latency-proxy: relays a loopback port to another with a round-trip time added, to
// try the program as if the site were far away.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/latency_proxy.h"

namespace {

bool ParseInt(const char* text, long low, long high, long* out) {
  char* end = nullptr;
  *out = std::strtol(text, &end, 10);
  return *text != '\0' && *end == '\0' && *out >= low && *out <= high;
}

}  // namespace

int main(int argc, char** argv) {
  long rtt = 50, listen = 0, target = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::puts(
          "usage: quillmar-latency-proxy --to PORT [--listen PORT] [--rtt MS]\n"
          "Relays 127.0.0.1:LISTEN to 127.0.0.1:PORT; each connection's set-up costs one round\n"
          "trip and each chunk of data half of one (default 50 ms). Loopback only.\n"
          "Stops on Ctrl-C or SIGTERM.");
      return 0;
    }
    long* slot = arg == "--rtt" ? &rtt : arg == "--listen" ? &listen : arg == "--to" ? &target : nullptr;
    if (slot == nullptr || i + 1 >= argc ||
        !ParseInt(argv[++i], slot == &rtt ? 0 : 1, slot == &rtt ? 60000 : 65535, slot)) {
      std::fprintf(stderr, "quillmar-latency-proxy: bad argument: %s (see --help)\n", arg.c_str());
      return 2;
    }
  }
  if (target == 0) {
    std::fprintf(stderr, "quillmar-latency-proxy: --to PORT is needed (see --help)\n");
    return 2;
  }
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  quillmar::LatencyProxy proxy(static_cast<int>(target), std::chrono::milliseconds(rtt), static_cast<int>(listen));
  if (proxy.Port() < 0) {
    std::fprintf(stderr, "quillmar-latency-proxy: cannot listen on 127.0.0.1:%ld\n", listen);
    return 2;
  }
  std::printf("quillmar-latency-proxy: 127.0.0.1:%d -> 127.0.0.1:%ld, %ld ms round trip\n", proxy.Port(), target, rtt);
  std::fflush(stdout);
  int received = 0;
  sigwait(&stopSignals, &received);
  return 0;
}
