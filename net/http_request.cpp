#include "net/http_request.h"

namespace quillmar {
ByteArray HttpRequest(const std::string&, int, const std::string&, std::string*, std::string*,
                      std::string*, std::string*, bool, const ByteArray&, const std::string&,
                      HttpStatus* status, const HttpOptions&) {
  if (status) *status = HttpStatus{HttpError::Internal, 0, {}, "not built yet"};
  return {};
}
std::string_view HttpErrorName(HttpError) { return "error"; }
void ClearSessionCookies() {}
}  // namespace quillmar
