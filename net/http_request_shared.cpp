// What both transports share: the words for a failed exchange, the status a failure
// fills, and the positional form of HttpRequest.
#include "net/http_failure.h"
#include "net/http_request.h"

namespace quillmar {

std::string_view HttpErrorName(HttpError error) {
  switch (error) {
    case HttpError::None:
      return "ok";
    case HttpError::BadUrl:
      return "bad address";
    case HttpError::RefusedScheme:
      return "refused scheme";
    case HttpError::Resolve:
      return "host not found";
    case HttpError::Connect:
      return "cannot connect";
    case HttpError::ConnectTimeout:
      return "connect timeout";
    case HttpError::StallTimeout:
      return "stall timeout";
    case HttpError::TotalTimeout:
      return "timed out";
    case HttpError::BodyTooLarge:
      return "response too large";
    case HttpError::TooManyRedirects:
      return "too many redirects";
    case HttpError::Tls:
      return "TLS failure";
    case HttpError::Transfer:
      return "transfer failed";
    case HttpError::Cancelled:
      return "cancelled";
    case HttpError::Internal:
      return "internal error";
  }
  return "error";
}

void FailRequest(HttpStatus* status, HttpError error, std::string_view detail) {
  if (status == nullptr) return;
  status->error = error;
  status->reason = std::string(HttpErrorName(error));
  if (!detail.empty()) {
    status->reason += ": ";
    // One line, whatever the transport put into its message.
    for (char c : detail) status->reason.push_back(c == '\r' || c == '\n' ? ' ' : c);
  }
}

ByteArray HttpRequest(const std::string& url, int method, const std::string& textBody, std::string* cookies,
                      std::string* returnedCookies, std::string* headers, std::string* returnedHeaders, bool noRedirect,
                      const ByteArray& byteBody, const std::string& proxy, HttpStatus* status,
                      const HttpOptions& options) {
  return HttpRequest(url, HttpRequestOptions{.method = HttpMethodFromCode(method),
                                             .textBody = textBody,
                                             .byteBody = byteBody,
                                             .cookies = cookies,
                                             .returnedCookies = returnedCookies,
                                             .headers = headers,
                                             .returnedHeaders = returnedHeaders,
                                             .noRedirect = noRedirect,
                                             .proxy = proxy,
                                             .status = status,
                                             .limits = options});
}

}  // namespace quillmar
