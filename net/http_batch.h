#pragma once
// Many exchanges run together from the calling thread on one pooled transfer engine, so they
// share connections with each other and with later batches. A limited number is in flight at
// once; the rest wait their turn in the order they were added.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/http_request.h"
#include "net/multi_pool.h"

namespace quillmar {

class HttpTransfer;

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

  void SetMaxInFlight(std::size_t count) { maxInFlight_ = count == 0 ? 1 : count; }
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

  std::size_t Unfinished() const { return waiting_.size() + running_.size() - warmUps_; }
  // New connections opened by the exchanges that have ended.
  long ConnectionsOpened() const { return connectionsOpened_; }

 private:
  struct Job {
    std::unique_ptr<HttpTransfer> transfer;  // null when refused before the start
    Done done;
    bool warmUp = false;
  };
  void StartWaiting(Clock::time_point now);
  void Complete(std::unique_ptr<Job> job, CURLcode result, HttpError stopped);

  MultiPool::Lease lease_;
  std::size_t maxInFlight_;
  std::deque<std::unique_ptr<Job>> waiting_;
  std::vector<std::unique_ptr<Job>> running_;
  std::size_t warmUps_ = 0;  // of running_
  long connectionsOpened_ = 0;
};

}  // namespace quillmar
