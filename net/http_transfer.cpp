#include "net/http_transfer.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "base/text_encoding.h"
#include "net/cookies.h"
#include "net/http_failure.h"
#include "net/request_address.h"
#include "net/session_share.h"
#include "net/text_search.h"
#include "net/url_text.h"

namespace quillmar {
namespace {

// One response header block larger than this is hostile, whatever the body limit.
constexpr std::size_t kHeaderCap = std::size_t{1} << 20;
// How often a running exchange looks at its cancel flag and stall clock at the latest.
constexpr std::chrono::milliseconds kMaxPollInterval{100};

HttpError ErrorOf(CURLcode code) {
  switch (code) {
    case CURLE_OK:
      return HttpError::None;
    case CURLE_UNSUPPORTED_PROTOCOL:
      return HttpError::RefusedScheme;
    case CURLE_URL_MALFORMAT:
      return HttpError::BadUrl;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return HttpError::Resolve;
    case CURLE_COULDNT_CONNECT:
      return HttpError::Connect;
    case CURLE_OPERATION_TIMEDOUT:  // the transport's only timeout is the connect phase's
      return HttpError::ConnectTimeout;
    case CURLE_TOO_MANY_REDIRECTS:
      return HttpError::TooManyRedirects;
    case CURLE_FILESIZE_EXCEEDED:
      return HttpError::BodyTooLarge;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
      return HttpError::Tls;
    case CURLE_OUT_OF_MEMORY:
    case CURLE_FAILED_INIT:
      return HttpError::Internal;
    default:
      return HttpError::Transfer;
  }
}

// The address handed to the transport, or empty (with status set) when it is refused.
std::string TransportUrl(const std::string& url, bool* secure, HttpStatus* status) {
  if (url.empty() || HasControlBytes(url)) {
    FailRequest(status, HttpError::BadUrl, url.empty() ? "empty address" : "control characters in address");
    return {};
  }
  std::string scheme = SchemeOf(url);
  if (!scheme.empty() && scheme != "http" && scheme != "https") {
    FailRequest(status, HttpError::RefusedScheme, "only http and https are fetched, not " + scheme);
    return {};
  }
  *secure = scheme == "https";
  std::string host = UrlHost(url, false);
  int port = UrlPort(url);
  bool ipv6 = host.size() > 2 && host.front() == '[' && host.back() == ']';
  bool hostOk = !host.empty() && (ipv6 || host.find_first_of(" @[]\\") == std::string::npos);
  if (!hostOk || port <= 0 || port > 65535) {
    FailRequest(status, HttpError::BadUrl, hostOk ? "port out of range" : "no usable host in address");
    return {};
  }
  std::string hostText = GbkToUtf8(host);  // a non-ASCII host goes out as IDN from UTF-8
  const bool defaultPort = port == (*secure ? 443 : 80);
  return (*secure ? "https://" : "http://") + hostText + (defaultPort ? std::string() : ":" + std::to_string(port)) +
         RequestTarget(UrlPath(url));
}

std::string CaFileFromEnvironment() {
  const char* file = std::getenv("QUILLMAR_CA_FILE");
  return file != nullptr ? file : "";
}

}  // namespace

HttpTransfer::HttpTransfer(HttpRequestOptions request) : request_(std::move(request)) {}

std::unique_ptr<HttpTransfer> HttpTransfer::Prepare(const std::string& url, HttpRequestOptions request) {
  if (request.status != nullptr) *request.status = HttpStatus{};
  auto transfer = std::make_unique<HttpTransfer>(std::move(request));
  if (!transfer->Configure(url)) return nullptr;
  return transfer;
}

std::unique_ptr<HttpTransfer> HttpTransfer::PrepareWarmUp(const std::string& url, HttpOptions limits,
                                                          bool waitForMultiplex) {
  auto transfer = Prepare(url, {.method = HttpMethod::Head, .limits = std::move(limits)});
  if (!transfer) return nullptr;
  CURL* h = transfer->Easy();
  curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
  curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "OPTIONS");
  curl_easy_setopt(h, CURLOPT_REQUEST_TARGET, "*");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(h, CURLOPT_PIPEWAIT, waitForMultiplex ? 1L : 0L);
  return transfer;
}

bool HttpTransfer::Configure(const std::string& url) {
  HttpStatus* const status = request_.status;
  const HttpOptions& options = request_.limits;
  bool secure = false;
  target_ = TransportUrl(url, &secure, status);
  if (target_.empty()) return false;
  if (HasControlBytes(request_.proxy) || HasControlBytes(options.caFile) || HasControlBytes(CaFileFromEnvironment())) {
    FailRequest(status, HttpError::BadUrl, "control characters in proxy address or certificate file");
    return false;
  }

  const std::string_view verb = HttpMethodName(request_.method);
  std::string* const cookies = request_.cookies;
  std::string* const headers = request_.headers;
  const std::string callerHeaders = headers != nullptr ? *headers : std::string();
  agent_ = UserAgentFromHeaders(callerHeaders);
  const std::string block = ComposeRequestHeaders(callerHeaders, url, cookies != nullptr ? *cookies : std::string());
  if (headers != nullptr) *headers = block;

  InitCurlOnce();
  easy_.reset(curl_easy_init());
  if (!easy_) {
    FailRequest(status, HttpError::Internal, "cannot create transfer");
    return false;
  }
  CURL* h = easy_.get();

  bool hasExpect = false;
  for (const std::string& line : RequestHeaderLines(block)) {
    hasExpect = hasExpect || AsciiLower(line.substr(0, 7)) == "expect:";
    lines_.reset(curl_slist_append(lines_.release(), line.c_str()));
  }
  // No "100-continue" round trip before a large body; servers get the body at once.
  if (!hasExpect) lines_.reset(curl_slist_append(lines_.release(), "Expect:"));

  curl_easy_setopt(h, CURLOPT_URL, target_.c_str());
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, error_.data());
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  // A name lookup still running when the exchange is ended is left to finish on its own
  // instead of being waited for: a resolver that never answers must not outlast the limits.
  curl_easy_setopt(h, CURLOPT_QUICK_EXIT, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
  if (options.reuseConnections && options.allowHttp2) {
    // HTTP/2 only where a TLS site offers it during the handshake, never assumed.
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_2TLS);
    curl_easy_setopt(h, CURLOPT_PIPEWAIT, 1L);
  } else {
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
  }
  if (!options.reuseConnections) {
    curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_SESSIONID_CACHE, 0L);
  }
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  // The file is trusted besides the system's authorities, which stay in their folder.
  caFile_ = !options.caFile.empty() ? options.caFile : CaFileFromEnvironment();
  if (!caFile_.empty()) curl_easy_setopt(h, CURLOPT_CAINFO, caFile_.c_str());
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, request_.noRedirect ? 0L : 1L);
  // The transport reads -1 as "no limit"; a negative limit here means none may be followed.
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, static_cast<long>(std::max(0, options.maxRedirects)));
  const auto total = std::max(options.totalTimeout, std::chrono::milliseconds(1));
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(std::max<long long>(1, std::min(options.connectTimeout, total).count())));
  if (options.maxBodyBytes < static_cast<std::size_t>(std::numeric_limits<curl_off_t>::max())) {
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.maxBodyBytes));
  }
  if (!agent_.empty()) curl_easy_setopt(h, CURLOPT_USERAGENT, agent_.c_str());
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, lines_.get());
  // An empty proxy means a direct connection, whatever the environment says.
  const std::string& proxy = request_.proxy;
  proxyUrl_ = proxy.empty() || proxy.find("://") != std::string::npos ? proxy : "http://" + proxy;
  curl_easy_setopt(h, CURLOPT_PROXY, proxyUrl_.c_str());

  // Names and TLS sessions are kept for later requests; a fresh-connection request keeps
  // only the cookies.
  CURLSH* share = SessionShare::Instance().Handle(cookies == nullptr);
  if (share != nullptr && (options.reuseConnections || cookies == nullptr)) curl_easy_setopt(h, CURLOPT_SHARE, share);
  if (cookies == nullptr) curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");  // cookie engine on, nothing read from disk

  const ByteArray& payload = request_.byteBody.empty() ? request_.textBody : request_.byteBody;
  if (verb == "POST") {
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(payload.size()));
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, payload.data());
  } else if (verb == "HEAD") {
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  } else {
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  }

  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &OnHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &OnConnected);
  curl_easy_setopt(h, CURLOPT_PREREQDATA, this);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &OnProgress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  return true;
}

std::size_t HttpTransfer::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto* t = static_cast<HttpTransfer*>(self);
  std::size_t n = size * count;
  t->Touch();
  if (n > t->request_.limits.maxBodyBytes - t->body_.size()) {
    t->tooLarge_ = true;
    return 0;  // ends the transfer with a write error
  }
  t->body_.append(data, n);
  return n;
}

std::size_t HttpTransfer::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
  auto* t = static_cast<HttpTransfer*>(self);
  std::size_t n = size * count;
  t->Touch();
  if (t->rawHeaders_.Size() + n > std::min(kHeaderCap, t->request_.limits.maxBodyBytes)) {
    t->tooLarge_ = true;
    return 0;
  }
  const std::string_view line(data, n);
  if (line.size() > 11 && AsciiLower(line.substr(0, 11)) == "set-cookie:") t->setCookies_ = true;
  t->rawHeaders_.AddLine(line);
  return n;
}

int HttpTransfer::OnConnected(void* self, char*, char*, int, int) {
  auto* t = static_cast<HttpTransfer*>(self);
  t->connected_ = true;
  t->Touch();
  return CURL_PREREQFUNC_OK;
}

int HttpTransfer::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow) {
  // Upload progress counts as life as well; downloads are seen by the write callbacks.
  auto* t = static_cast<HttpTransfer*>(self);
  if (ulnow != t->uploaded_) {
    t->uploaded_ = ulnow;
    t->Touch();
  }
  return 0;
}

void HttpTransfer::Start(Clock::time_point now) {
  started_ = now;
  lastActivity_ = now;
}

HttpError HttpTransfer::Overdue(Clock::time_point now) const {
  const HttpOptions& options = request_.limits;
  if (options.cancel != nullptr && options.cancel->load()) return HttpError::Cancelled;
  if (now - started_ >= std::max(options.totalTimeout, std::chrono::milliseconds(1))) return HttpError::TotalTimeout;
  if (connected_ && now - lastActivity_ >= std::max(options.stallTimeout, std::chrono::milliseconds(1))) {
    return HttpError::StallTimeout;
  }
  return HttpError::None;
}

std::chrono::milliseconds HttpTransfer::PollInterval() const {
  const auto stall = std::max(request_.limits.stallTimeout, std::chrono::milliseconds(1));
  return std::clamp(stall / 5, std::chrono::milliseconds(1), kMaxPollInterval);
}

long HttpTransfer::ConnectionsOpened() const {
  long count = 0;
  if (easy_) curl_easy_getinfo(easy_.get(), CURLINFO_NUM_CONNECTS, &count);
  return count;
}

std::string HttpTransfer::TimeoutDetail(HttpError stopped) const {
  const HttpOptions& options = request_.limits;
  if (stopped == HttpError::StallTimeout) {
    return "no data for " + std::to_string(options.stallTimeout.count()) + " ms";
  }
  // The time it really took, and where it was, so a hung name lookup is told apart.
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_);
  std::string detail = "not done within " + std::to_string(options.totalTimeout.count()) + " ms (gave up after " +
                       std::to_string(took.count()) + " ms";
  if (!connected_) {
    curl_off_t resolved = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_NAMELOOKUP_TIME_T, &resolved);
    detail += resolved == 0 ? ", still looking up the host name" : ", still connecting";
  }
  return detail + ")";
}

void HttpTransfer::Abandon(HttpError error, const std::string& detail) {
  FailRequest(request_.status, error, detail);
  if (request_.status != nullptr && easy_) {
    long code = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &code);
    request_.status->responseCode = code;
  }
}

ByteArray HttpTransfer::Finish(CURLcode result, HttpError stopped) {
  CURL* h = easy_.get();
  HttpStatus* const status = request_.status;
  const HttpOptions& options = request_.limits;
  if (setCookies_ && request_.cookies == nullptr) SessionShare::Instance().TrimCookies();
  if (status != nullptr) {
    long code = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
    status->responseCode = code;
    long version = CURL_HTTP_VERSION_NONE;
    curl_easy_getinfo(h, CURLINFO_HTTP_VERSION, &version);
    status->httpVersion = version == CURL_HTTP_VERSION_2_0   ? 20
                          : version == CURL_HTTP_VERSION_1_1 ? 11
                          : version == CURL_HTTP_VERSION_1_0 ? 10
                                                             : 0;
    const char* effective = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective) {
      status->finalUrl = effective;
    }
  }
  if (stopped == HttpError::None && result != CURLE_OK) {
    stopped = tooLarge_ ? HttpError::BodyTooLarge : ErrorOf(result);
    // The transport says "unsupported protocol" both for a redirect to a refused scheme and
    // for a reply that is not HTTP/1.x at all; only the first follows a redirect response.
    long code = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
    if (stopped == HttpError::RefusedScheme && (code < 300 || code > 399)) {
      stopped = HttpError::Transfer;
    }
  }
  if (stopped != HttpError::None) {
    std::string detail;
    if (stopped == HttpError::StallTimeout || stopped == HttpError::TotalTimeout) {
      detail = TimeoutDetail(stopped);
    } else if (stopped == HttpError::BodyTooLarge) {
      detail = "over " + std::to_string(options.maxBodyBytes) + " bytes";
    } else if (stopped != HttpError::Cancelled) {
      detail = error_[0] != '\0' ? error_.data() : curl_easy_strerror(result);
    }
    FailRequest(status, stopped, detail);
    return {};
  }

  const std::string& raw = rawHeaders_.Text();
  std::string setCookies = CookiesFromHeaders(raw);
  if (request_.returnedHeaders != nullptr) *request_.returnedHeaders = raw;
  if (request_.cookies != nullptr) *request_.cookies = MergeCookies(*request_.cookies, setCookies);
  if (request_.returnedCookies != nullptr) *request_.returnedCookies = std::move(setCookies);
  return std::move(body_);
}

}  // namespace quillmar
