#include "net/http_request.h"

#include "net/http_batch.h"
#include "net/multi_pool.h"
#include "net/session_share.h"

namespace quillmar {

void ClearSessionCookies() { SessionShare::Instance().ClearCookies(); }

std::vector<std::string> SessionCookieNames() { return SessionShare::Instance().CookieNames(); }

void DropIdleConnections() { MultiPool::Instance().DropIdle(); }

ByteArray HttpRequest(const std::string& url, const HttpRequestOptions& request) {
  ByteArray result;
  HttpBatch batch(1);
  batch.Add(url, request, [&result](ByteArray body) { result = std::move(body); });
  batch.Run();  // the request's own limits and cancel flag end it
  return result;
}

}  // namespace quillmar
