#include "base/stop_request.h"

#include <pthread.h>

#include <csignal>

namespace quillmar {
namespace {

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

// Blocked in this thread, so every thread started later inherits the mask and the signal
// stays pending until sigwait takes it.
StopRequest::StopRequest() {
  const sigset_t set = StopSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void StopRequest::Wait() {
  const sigset_t set = StopSignals();
  int received = 0;
  sigwait(&set, &received);
}

}  // namespace quillmar
