#pragma once
// Transfer engines (libcurl multi handles) lent out one at a time, so that the open
// connections of one search are still there for the next. An engine is used by one thread
// while it is lent; the transport cannot share connections between threads.
#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
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
    // Whether the engine was used for the site (scheme, host and port) in the last minute, so
    // that connections to it are likely still open; notes the use.
    bool UsedRecently(const std::string& site);

   private:
    friend class MultiPool;
    CurlMulti multi_;
    std::map<std::string, std::chrono::steady_clock::time_point> lastUse_;
  };

  Lease Acquire();
  // What the program learnt of a site's protocol: true when it spoke HTTP/2, false when
  // HTTP/1.x, nothing when it has not been asked yet.
  std::optional<bool> SpeaksHttp2(const std::string& site);
  void NoteProtocol(const std::string& site, bool http2);
  // Closes every idle connection (a program about to measure a cold start, or to go away).
  void DropIdle();

 private:
  MultiPool() = default;
  struct Idle {
    CurlMulti multi;
    std::map<std::string, std::chrono::steady_clock::time_point> lastUse;
  };
  void Return(Lease& lease);

  static constexpr std::size_t kMaxIdleEngines = 4;
  std::mutex mutex_;  // guards idle_ and http2_
  std::vector<Idle> idle_;
  std::map<std::string, bool> http2_;
};

}  // namespace quillmar
