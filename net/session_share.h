#pragma once
// What the requests of one program run share: cookies (capped), resolved names and TLS
// sessions. Connections themselves live in the pooled transfer engines (MultiPool): the
// transport does not support sharing them between threads.
#include <curl/curl.h>

#include <array>
#include <mutex>
#include <string>
#include <vector>

#include "net/cookie_cap.h"

namespace quillmar {

class SessionShare {
 public:
  static SessionShare& Instance();

  // Null when the transport could not make one; requests then share nothing. Requests whose
  // caller keeps the cookies take the one without the cookie store.
  CURLSH* Handle(bool withCookies) const { return withCookies ? share_ : noCookies_; }

  // Brings the cookie store back within its limits after a response set cookies.
  void TrimCookies();
  // Forgets every cookie.
  void ClearCookies();
  std::vector<std::string> CookieNames();

 private:
  SessionShare();
  CURLSH* MakeShare(bool withCookies);
  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self);
  static void Unlock(CURL*, curl_lock_data data, void* self);
  std::mutex& Mutex(curl_lock_data data) { return mutexes_[static_cast<std::size_t>(data) % mutexes_.size()]; }

  // Left to the operating system at exit, like the other process-wide items.
  CURLSH* share_;
  CURLSH* noCookies_;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes_;
  std::mutex capMutex_;  // guards cap_ and the rebuilding of the store
  CookieCap cap_;
};

}  // namespace quillmar
