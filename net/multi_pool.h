#pragma once
// Transfer engines (libcurl multi handles) lent out one at a time, so that the open
// connections of one search are still there for the next. An engine is used by one thread
// while it is lent; the transport cannot share connections between threads.
#include <curl/curl.h>

#include <cstddef>
#include <mutex>
#include <vector>

#include "net/curl_handles.h"

namespace quillmar {

class MultiPool {
 public:
  // At most this many connections to one host at once, as browsers do for HTTP/1.1.
  static constexpr long kMaxHostConnections = 6;

  static MultiPool& Instance();

  // An engine of one's own until the lease ends; null when none could be made.
  class Lease {
   public:
    Lease() = default;
    explicit Lease(CurlMulti multi) : multi_(std::move(multi)) {}
    ~Lease();
    Lease(Lease&&) noexcept = default;
    Lease& operator=(Lease&&) noexcept = default;
    CURLM* Get() const { return multi_.get(); }

   private:
    CurlMulti multi_;
  };

  Lease Acquire();
  // Closes every idle connection (a program about to measure a cold start, or to go away).
  void DropIdle();

 private:
  MultiPool() = default;
  void Return(CurlMulti multi);

  static constexpr std::size_t kMaxIdleEngines = 4;
  std::mutex mutex_;  // guards idle_
  std::vector<CurlMulti> idle_;
};

}  // namespace quillmar
