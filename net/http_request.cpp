#include "net/http_request.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <mutex>

#include "net/cookies.h"
#include "net/http_headers.h"
#include "base/text_encoding.h"
#include "net/text_search.h"
#include "net/url_text.h"

namespace quillmar {
namespace {

using Clock = std::chrono::steady_clock;

// One response header block larger than this is hostile, whatever the body limit.
constexpr std::size_t kHeaderCap = std::size_t{1} << 20;
// How often a running exchange looks at its cancel flag and stall clock at the latest.
constexpr std::chrono::milliseconds kMaxPollInterval{100};

struct CurlEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlMultiDeleter {
  void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct CurlListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;
using CurlList = std::unique_ptr<curl_slist, CurlListDeleter>;

// An easy handle added to a multi handle; taking it out again is part of letting go of both.
class MultiAttachment {
 public:
  MultiAttachment(CURLM* multi, CURL* easy) : multi_(multi), easy_(easy) {
    added_ = curl_multi_add_handle(multi_, easy_) == CURLM_OK;
  }
  ~MultiAttachment() {
    if (added_) curl_multi_remove_handle(multi_, easy_);
  }
  MultiAttachment(const MultiAttachment&) = delete;
  MultiAttachment& operator=(const MultiAttachment&) = delete;
  bool Added() const { return added_; }

 private:
  CURLM* multi_;
  CURL* easy_;
  bool added_ = false;
};

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The cookies the process keeps for requests whose caller does not manage cookies itself.
// Left to the operating system at exit, like the other process-wide items.
class SessionCookieStore {
 public:
  static SessionCookieStore& Instance() {
    static SessionCookieStore store;
    return store;
  }
  CURLSH* Handle() const { return share_; }

 private:
  SessionCookieStore() : share_(curl_share_init()) {
    if (share_ == nullptr) return;
    curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &Lock);
    curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &Unlock);
    curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
  }
  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<SessionCookieStore*>(self)->Mutex(data).lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<SessionCookieStore*>(self)->Mutex(data).unlock();
  }
  std::mutex& Mutex(curl_lock_data data) { return mutexes_[static_cast<std::size_t>(data) % mutexes_.size()]; }

  CURLSH* share_;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes_;
};

// What the callbacks of one exchange collect and watch.
struct Transfer {
  std::size_t bodyCap = 0;
  ByteArray body;
  RawHeaderText rawHeaders;
  bool tooLarge = false;
  bool connected = false;  // the stall clock runs once a connection is up
  curl_off_t uploaded = 0;
  Clock::time_point lastActivity = Clock::now();
  std::array<char, CURL_ERROR_SIZE> error{};

  void Touch() { lastActivity = Clock::now(); }
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  std::size_t n = size * count;
  t->Touch();
  if (n > t->bodyCap - t->body.size()) {
    t->tooLarge = true;
    return 0;  // ends the transfer with a write error
  }
  t->body.append(data, n);
  return n;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  std::size_t n = size * count;
  t->Touch();
  if (t->rawHeaders.Size() + n > std::min(kHeaderCap, t->bodyCap)) {
    t->tooLarge = true;
    return 0;
  }
  t->rawHeaders.AddLine(std::string_view(data, n));
  return n;
}

int OnConnected(void* user, char*, char*, int, int) {
  auto* t = static_cast<Transfer*>(user);
  t->connected = true;
  t->Touch();
  return CURL_PREREQFUNC_OK;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow) {
  // Upload progress counts as life as well; downloads are seen by the write callbacks.
  auto* t = static_cast<Transfer*>(user);
  if (ulnow != t->uploaded) {
    t->uploaded = ulnow;
    t->Touch();
  }
  return 0;
}

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

void Fail(HttpStatus* status, HttpError error, std::string_view detail) {
  if (status == nullptr) return;
  status->error = error;
  status->reason = std::string(HttpErrorName(error));
  if (!detail.empty()) {
    status->reason += ": ";
    // One line, whatever the library put into its message.
    for (char c : detail) status->reason.push_back(c == '\r' || c == '\n' ? ' ' : c);
  }
}

bool HasControlBytes(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F;
  });
}

// The scheme named at the start of an address ("ftp" in "ftp://x", "file" in "file:/x"),
// empty when it has none. "host:8080/x" names a port, not a scheme.
std::string SchemeOf(std::string_view url) {
  std::size_t colon = url.find(':');
  if (colon == std::string_view::npos || colon == 0) return {};
  std::string_view name = url.substr(0, colon);
  auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!isAlpha(name[0])) return {};
  for (char c : name) {
    if (!isAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return {};
  }
  if (colon + 1 < url.size() && url[colon + 1] >= '0' && url[colon + 1] <= '9') return {};
  return AsciiLower(name);
}

// The request target as the server should see it: the fragment stays with the client;
// spaces and bytes from 0x80 up are escaped, everything else is sent as the page gave it.
std::string RequestTarget(std::string_view path) {
  path = path.substr(0, path.find('#'));
  std::string out;
  for (char c : path) {
    auto b = static_cast<unsigned char>(c);
    if (b == ' ' || b >= 0x80) {
      AppendPercentEscape(out, b);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// The address handed to the transport, or empty (with status set) when it is refused.
std::string TransportUrl(const std::string& url, bool* secure, HttpStatus* status) {
  if (url.empty() || HasControlBytes(url)) {
    Fail(status, HttpError::BadUrl, url.empty() ? "empty address" : "control characters in address");
    return {};
  }
  std::string scheme = SchemeOf(url);
  if (!scheme.empty() && scheme != "http" && scheme != "https") {
    Fail(status, HttpError::RefusedScheme, "only http and https are fetched, not " + scheme);
    return {};
  }
  *secure = scheme == "https";
  std::string host = UrlHost(url, false);
  int port = UrlPort(url);
  bool ipv6 = host.size() > 2 && host.front() == '[' && host.back() == ']';
  bool hostOk = !host.empty() && (ipv6 || host.find_first_of(" @[]\\") == std::string::npos);
  if (!hostOk || port <= 0 || port > 65535) {
    Fail(status, HttpError::BadUrl, hostOk ? "port out of range" : "no usable host in address");
    return {};
  }
  std::string hostText = GbkToUtf8(host);  // a non-ASCII host goes out as IDN from UTF-8
  const bool defaultPort = port == (*secure ? 443 : 80);
  return (*secure ? "https://" : "http://") + hostText + (defaultPort ? std::string() : ":" + std::to_string(port)) +
         RequestTarget(UrlPath(url));
}

}  // namespace

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

void ClearSessionCookies() {
  InitCurlOnce();
  CurlEasy easy(curl_easy_init());
  CURLSH* share = SessionCookieStore::Instance().Handle();
  if (!easy || share == nullptr) return;
  curl_easy_setopt(easy.get(), CURLOPT_SHARE, share);
  curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, "ALL");
}

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
  const auto started = Clock::now();
  HttpStatus* const status = request.status;
  std::string* const cookies = request.cookies;
  std::string* const headers = request.headers;
  const HttpOptions& options = request.limits;
  const std::string& proxy = request.proxy;
  if (status != nullptr) *status = HttpStatus{};
  bool secure = false;
  const std::string target = TransportUrl(url, &secure, status);
  if (target.empty()) return {};
  if (HasControlBytes(proxy)) {
    Fail(status, HttpError::BadUrl, "control characters in proxy address");
    return {};
  }

  const std::string_view verb = HttpMethodName(request.method);
  const std::string callerHeaders = headers != nullptr ? *headers : std::string();
  const std::string agent = UserAgentFromHeaders(callerHeaders);
  const std::string block = ComposeRequestHeaders(callerHeaders, url, cookies != nullptr ? *cookies : std::string());
  if (headers != nullptr) *headers = block;

  InitCurlOnce();
  CurlEasy easy(curl_easy_init());
  CurlMulti multi(curl_multi_init());
  if (!easy || !multi) {
    Fail(status, HttpError::Internal, "cannot create transfer");
    return {};
  }
  CURL* h = easy.get();
  Transfer t;
  t.bodyCap = options.maxBodyBytes;

  CurlList lines;
  bool hasExpect = false;
  for (const std::string& line : RequestHeaderLines(block)) {
    hasExpect = hasExpect || AsciiLower(line.substr(0, 7)) == "expect:";
    lines.reset(curl_slist_append(lines.release(), line.c_str()));
  }
  // No "100-continue" round trip before a large body; servers get the body at once.
  if (!hasExpect) lines.reset(curl_slist_append(lines.release(), "Expect:"));

  curl_easy_setopt(h, CURLOPT_URL, target.c_str());
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, t.error.data());
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, request.noRedirect ? 0L : 1L);
  // The transport reads -1 as "no limit"; a negative limit here means none may be followed.
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, static_cast<long>(std::max(0, options.maxRedirects)));
  const auto total = std::max(options.totalTimeout, std::chrono::milliseconds(1));
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(std::max<long long>(1, std::min(options.connectTimeout, total).count())));
  if (options.maxBodyBytes < static_cast<std::size_t>(std::numeric_limits<curl_off_t>::max())) {
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.maxBodyBytes));
  }
  if (!agent.empty()) curl_easy_setopt(h, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, lines.get());
  // An empty proxy means a direct connection, whatever the environment says.
  const std::string proxyUrl = proxy.empty() || proxy.find("://") != std::string::npos ? proxy : "http://" + proxy;
  curl_easy_setopt(h, CURLOPT_PROXY, proxyUrl.c_str());

  if (cookies == nullptr) {
    CURLSH* share = SessionCookieStore::Instance().Handle();
    if (share != nullptr) curl_easy_setopt(h, CURLOPT_SHARE, share);
    curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");  // cookie engine on, nothing read from disk
  }

  const ByteArray& payload = request.byteBody.empty() ? request.textBody : request.byteBody;
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
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &OnHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &t);
  curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &OnConnected);
  curl_easy_setopt(h, CURLOPT_PREREQDATA, &t);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &OnProgress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);

  HttpError stopped = HttpError::None;
  CURLcode result = CURLE_OK;
  {
    MultiAttachment attached(multi.get(), h);
    if (!attached.Added()) {
      Fail(status, HttpError::Internal, "cannot start transfer");
      return {};
    }
    const auto stall = std::max(options.stallTimeout, std::chrono::milliseconds(1));
    const auto pollInterval = std::clamp(stall / 5, std::chrono::milliseconds(1), kMaxPollInterval);
    for (;;) {
      int running = 0;
      if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
        stopped = HttpError::Internal;
        break;
      }
      if (running == 0) break;
      if (options.cancel != nullptr && options.cancel->load()) {
        stopped = HttpError::Cancelled;
        break;
      }
      const auto now = Clock::now();
      if (now - started >= total) {
        stopped = HttpError::TotalTimeout;
        break;
      }
      if (t.connected && now - t.lastActivity >= stall) {
        stopped = HttpError::StallTimeout;
        break;
      }
      long curlWait = -1;
      curl_multi_timeout(multi.get(), &curlWait);
      long wait = static_cast<long>(pollInterval.count());
      if (curlWait >= 0) wait = std::min(wait, curlWait);
      curl_multi_poll(multi.get(), nullptr, 0, static_cast<int>(wait), nullptr);
    }
    if (stopped == HttpError::None) {
      int left = 0;
      while (CURLMsg* msg = curl_multi_info_read(multi.get(), &left)) {
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == h) result = msg->data.result;
      }
    }
  }

  if (status != nullptr) {
    long code = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
    status->responseCode = code;
    const char* effective = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective) {
      status->finalUrl = effective;
    }
  }
  if (stopped == HttpError::None && result != CURLE_OK) {
    stopped = t.tooLarge ? HttpError::BodyTooLarge : ErrorOf(result);
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
    if (stopped == HttpError::StallTimeout) {
      detail = "no data for " + std::to_string(options.stallTimeout.count()) + " ms";
    } else if (stopped == HttpError::TotalTimeout) {
      detail = "not done within " + std::to_string(options.totalTimeout.count()) + " ms";
    } else if (stopped == HttpError::BodyTooLarge) {
      detail = "over " + std::to_string(options.maxBodyBytes) + " bytes";
    } else if (stopped != HttpError::Cancelled) {
      detail = t.error[0] != '\0' ? t.error.data() : curl_easy_strerror(result);
    }
    Fail(status, stopped, detail);
    return {};
  }

  const std::string& raw = t.rawHeaders.Text();
  std::string setCookies = CookiesFromHeaders(raw);
  if (request.returnedHeaders != nullptr) *request.returnedHeaders = raw;
  if (cookies != nullptr) *cookies = MergeCookies(*cookies, setCookies);
  if (request.returnedCookies != nullptr) *request.returnedCookies = std::move(setCookies);
  return std::move(t.body);
}

}  // namespace quillmar
