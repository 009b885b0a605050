#pragma once
// One exchange on the transport: the easy handle with its options, what the callbacks collect,
// the limits watched while it runs, and how its end is reported. Run by HttpBatch.
#include <array>
#include <chrono>
#include <memory>
#include <string>

#include "net/curl_handles.h"
#include "net/http_headers.h"
#include "net/http_request.h"

namespace quillmar {

class HttpTransfer {
 public:
  using Clock = std::chrono::steady_clock;

  // The exchange ready to start; null, with request.status filled, when the address or the
  // options are refused before anything is sent.
  static std::unique_ptr<HttpTransfer> Prepare(const std::string& url, HttpRequestOptions request);
  // An exchange that only opens a connection to the site of url and leaves it for later ones:
  // "OPTIONS *", the request HTTP has for asking a server about itself. With waitForMultiplex
  // it rides on a connection that turns out to be HTTP/2 instead of opening its own.
  static std::unique_ptr<HttpTransfer> PrepareWarmUp(const std::string& url, HttpOptions limits, bool waitForMultiplex);
  // Use Prepare; public for make_unique only.
  explicit HttpTransfer(HttpRequestOptions request);
  HttpTransfer(const HttpTransfer&) = delete;
  HttpTransfer& operator=(const HttpTransfer&) = delete;

  CURL* Easy() const { return easy_.get(); }
  // Starts the clocks of the limits.
  void Start(Clock::time_point now);
  // Why the exchange has to end now (cancel, total or stall limit); None while it may go on.
  HttpError Overdue(Clock::time_point now) const;
  // How long the runner may wait before looking at Overdue again.
  std::chrono::milliseconds PollInterval() const;
  // Ends the exchange: stopped when the runner ended it, else the transport's result. Fills
  // the caller's status, cookies and headers and gives the body (empty on failure).
  ByteArray Finish(CURLcode result, HttpError stopped);
  // Ends an exchange that never started or was cut by a limit outside it, with that reason.
  void Abandon(HttpError error, const std::string& detail);

  // New connections this exchange opened (0 when it reused one).
  long ConnectionsOpened() const;

 private:
  bool Configure(const std::string& url);

  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
  static int OnConnected(void* self, char*, char*, int, int);
  static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow);
  void Touch() { lastActivity_ = Clock::now(); }
  std::string TimeoutDetail(HttpError stopped) const;

  HttpRequestOptions request_;
  CurlEasy easy_;
  CurlList lines_;
  std::string target_;
  std::string agent_;
  std::string proxyUrl_;
  std::string caFile_;

  ByteArray body_;
  RawHeaderText rawHeaders_;
  bool tooLarge_ = false;
  bool connected_ = false;  // the stall clock runs once a connection is up
  bool setCookies_ = false;
  curl_off_t uploaded_ = 0;
  Clock::time_point started_ = Clock::now();
  Clock::time_point lastActivity_ = Clock::now();
  std::array<char, CURL_ERROR_SIZE> error_{};
};

}  // namespace quillmar
