#include "net/http_request.h"

#include "net/http_batch.h"
#include "net/multi_pool.h"
#include "net/session_share.h"

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

void ClearSessionCookies() { SessionShare::Instance().ClearCookies(); }

std::vector<std::string> SessionCookieNames() { return SessionShare::Instance().CookieNames(); }

void DropIdleConnections() { MultiPool::Instance().DropIdle(); }

ByteArray HttpRequest(const std::string& url, int method, const std::string& textBody, std::string* cookies,
                      std::string* returnedCookies, std::string* headers, std::string* returnedHeaders, bool noRedirect,
                      const ByteArray& byteBody, const std::string& proxy, HttpStatus* status,
                      const HttpOptions& options) {
  return HttpRequest(url, HttpRequestOptions{.method = method,
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

ByteArray HttpRequest(const std::string& url, const HttpRequestOptions& request) {
  ByteArray result;
  HttpBatch batch(1);
  batch.Add(url, request, [&result](ByteArray body) { result = std::move(body); });
  batch.Run();  // the request's own limits and cancel flag end it
  return result;
}

}  // namespace quillmar
