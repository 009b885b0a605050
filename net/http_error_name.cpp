// The words for a failed exchange, the same whichever transport carried it.
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

}  // namespace quillmar
