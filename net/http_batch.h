#pragma once
// Many exchanges run together, ended and reported on the calling thread. Where the transport
// allows, they share connections with each other and with later batches. A limited number is
// in flight at once; the rest wait their turn in the order they were added.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "net/http_request.h"

namespace quillmar {

class HttpBatch {
 public:
  using Clock = std::chrono::steady_clock;
  // Called on the running thread when an exchange has ended; its status was filled through
  // the request's status pointer.
  using Done = std::function<void(ByteArray body)>;
  enum class End { AllDone, Cancelled, Deadline };

  explicit HttpBatch(std::size_t maxInFlight = 6);
  ~HttpBatch();
  HttpBatch(const HttpBatch&) = delete;
  HttpBatch& operator=(const HttpBatch&) = delete;

  void SetMaxInFlight(std::size_t count);
  // A request refused before it starts (bad address) is done at once, from the next Run.
  void Add(const std::string& url, HttpRequestOptions request, Done done);
  // Opens up to `count` connections to the site of url for the requests that will follow,
  // unless this engine has been at that site lately or the site is known to speak HTTP/2. They
  // start at once, outside the limit of requests in flight, and nobody waits for them.
  void WarmUp(const std::string& url, const HttpOptions& limits, std::size_t count);

  // Runs until every exchange added so far has ended, cancel becomes true, or the deadline
  // passes; the exchanges not ended then stay, and Abandon ends them.
  End Run(const std::atomic<bool>* cancel = nullptr, Clock::time_point deadline = Clock::time_point::max());
  // Notes what the site of url spoke, for later warm-ups.
  static void NoteProtocol(const std::string& url, int httpVersion);
  // Ends every exchange still waiting or running with the given reason, each told as done.
  void Abandon(HttpError error, const std::string& detail);

  std::size_t Unfinished() const;
  // New connections opened by the exchanges that have ended (0 where the transport keeps no count).
  long ConnectionsOpened() const;

 private:
  // The transport's own state, so that this header names no transport library.
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quillmar
