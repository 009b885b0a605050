#include <atomic>
#include <csignal>

#include "base/stop_request.h"

namespace quillmar {
namespace {

std::atomic_flag stopRequested;

// The C runtime calls console-control handlers (Ctrl-C as SIGINT, Ctrl-Break as SIGBREAK) on
// a thread of its own, so waking the waiting thread from here is an ordinary notify.
void OnStop(int) {
  stopRequested.test_and_set();
  stopRequested.notify_all();
}

}  // namespace

StopRequest::StopRequest() {
  std::signal(SIGINT, OnStop);
  std::signal(SIGBREAK, OnStop);
  std::signal(SIGTERM, OnStop);
}

void StopRequest::Wait() { stopRequested.wait(false); }

}  // namespace quillmar
