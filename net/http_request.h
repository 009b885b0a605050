#pragma once
// One complete, synchronous HTTP or HTTPS exchange. Safe to call from many threads at once.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "net/http_headers.h"

namespace quillmar {

// A counted sequence of bytes (may hold zero bytes).
using ByteArray = std::string;

enum class HttpError {
  None,
  BadUrl,         // empty, control characters, or unusable host
  RefusedScheme,  // anything but http:// and https://
  Resolve,        // host name (or proxy name) not found
  Connect,        // connection refused or reset before a response
  ConnectTimeout,
  StallTimeout,  // no byte arrived for HttpOptions::stallTimeout
  TotalTimeout,  // the whole exchange took longer than HttpOptions::totalTimeout
  BodyTooLarge,  // body or header block over HttpOptions::maxBodyBytes
  TooManyRedirects,
  Tls,        // handshake or certificate verification failed
  Transfer,   // connection broken during the exchange, malformed response
  Cancelled,  // HttpOptions::cancel became true
  Internal,
};

// Why an exchange failed; filled by every call that is given one.
struct HttpStatus {
  HttpError error = HttpError::None;
  long responseCode = 0;  // status of the last response, 0 when none arrived
  int httpVersion = 0;    // of the last response: 10, 11 or 20; 0 when none arrived
  std::string finalUrl;   // address of the last response (after redirects)
  std::string reason;     // one line of ASCII for people; empty on success
  bool Ok() const { return error == HttpError::None; }
};

// Limits of one exchange; the defaults are the program's, tests shorten them.
struct HttpOptions {
  std::chrono::milliseconds connectTimeout{15000};
  std::chrono::milliseconds stallTimeout{30000};
  // The whole exchange, redirects included: a server that drips one byte now and then
  // never trips the stall limit, but cannot hold a request past this.
  std::chrono::milliseconds totalTimeout{30000};
  std::size_t maxBodyBytes = std::size_t{32} << 20;
  int maxRedirects = 10;
  // Polled during the exchange; true ends it with HttpError::Cancelled.
  const std::atomic<bool>* cancel = nullptr;
  // Keep connections, TLS sessions and resolved names for later requests of the program.
  // Off: a fresh HTTP/1.1 connection for every request, closed after it.
  bool reuseConnections = true;
  // HTTP/2 where a TLS site offers it in the handshake (never assumed, never on plain http).
  bool allowHttp2 = true;
  // A PEM file of certificate authorities trusted besides the system's; certificates are
  // verified always. Empty: $QUILLMAR_CA_FILE when set.
  std::string caFile{};
};

// What one exchange sends and where its results go, besides the address. cookies, when given, switches to
// caller-managed cookies: it is sent as the Cookie header and receives the merged cookies afterwards; when not given, a
// process-wide cookie store is used. headers (in/out) receives the composed block once the
// address is accepted. byteBody wins over textBody (GET sends no body, HEAD neither). proxy
// is "host:port". returnedHeaders gets the raw header block of the last response with
// "\r\n" line ends.
struct HttpRequestOptions {
  HttpMethod method = HttpMethod::Get;
  std::string textBody{};
  ByteArray byteBody{};
  std::string* cookies = nullptr;
  std::string* returnedCookies = nullptr;
  std::string* headers = nullptr;
  std::string* returnedHeaders = nullptr;
  bool noRedirect = false;
  std::string proxy{};
  HttpStatus* status = nullptr;
  HttpOptions limits{};
};

// An HTTP error status is not a failure: its body is returned. The result is the whole
// body, or empty on any failure, in which case status says why and cookies,
// returnedCookies and returnedHeaders are left as they were.
ByteArray HttpRequest(const std::string& url, const HttpRequestOptions& request);

// The same exchange with the options as positional arguments, in the order above; method is
// a number for HttpMethodFromCode (0 GET, 1 POST, 2 HEAD, others GET).
ByteArray HttpRequest(const std::string& url, int method = 0, const std::string& textBody = {},
                      std::string* cookies = nullptr, std::string* returnedCookies = nullptr,
                      std::string* headers = nullptr, std::string* returnedHeaders = nullptr, bool noRedirect = false,
                      const ByteArray& byteBody = {}, const std::string& proxy = {}, HttpStatus* status = nullptr,
                      const HttpOptions& options = HttpOptions{});

// Short name of an error ("connect timeout", ...), for messages.
std::string_view HttpErrorName(HttpError error);

// Forgets every cookie of the process-wide store. That store keeps at most 180 cookies per
// host and 3000 in all; past either, the cookies set first are dropped first.
void ClearSessionCookies();

// The names of the cookies the process-wide store holds now, in the store's order.
std::vector<std::string> SessionCookieNames();

// Closes the connections kept open for later requests that no search is using.
void DropIdleConnections();

}  // namespace quillmar
