// HttpRequest on Windows, through WinHTTP. The exchange runs on a worker thread with
// blocking calls whose own timeouts stay inside the request's limits; the caller waits for it
// and leaves when the request is cancelled or its whole time is up, closing the handles so
// that the worker's pending call ends. Redirects are followed here rather than by WinHTTP,
// so that every hop is checked like the first (scheme, count, size caps). Certificates are
// checked against the system's authorities only: HttpOptions::caFile adds none here, so a site
// vouched for by that file alone fails as a TLS failure rather than being let through.
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "base/text_encoding.h"
#include "net/cookies.h"
#include "net/http_failure.h"
#include "net/http_headers.h"
#include "net/http_request.h"
#include "net/request_address.h"
#include "net/text_search.h"
#include "net/url_resolve.h"
#include "net/url_text.h"

namespace quillmar {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// One response header block larger than this is hostile, whatever the body limit.
constexpr std::size_t kHeaderCap = std::size_t{1} << 20;
// How often a waiting caller looks at its cancel flag at the latest.
constexpr milliseconds kMaxPollInterval{100};

// Where one hop goes, once the address is accepted.
struct Target {
  bool secure = false;
  std::wstring host;
  INTERNET_PORT port = 0;
  std::wstring path;
  std::string url;  // the address as reported in HttpStatus::finalUrl
};

std::wstring WideOf(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

// Header text goes to WinHTTP one byte per character, so that bytes the page or the caller
// gave come back out unchanged.
std::wstring BytesAsWide(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (char c : bytes) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

std::string WideAsBytes(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (wchar_t c : wide) out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
  return out;
}

// The target of an address, or false (with status set) when it is refused.
bool TargetOf(const std::string& url, Target* target, HttpStatus* status) {
  if (url.empty() || HasControlBytes(url)) {
    FailRequest(status, HttpError::BadUrl, url.empty() ? "empty address" : "control characters in address");
    return false;
  }
  const std::string scheme = SchemeOf(url);
  if (!scheme.empty() && scheme != "http" && scheme != "https") {
    FailRequest(status, HttpError::RefusedScheme, "only http and https are fetched, not " + scheme);
    return false;
  }
  target->secure = scheme == "https";
  std::string host = UrlHost(url, false);
  const int port = UrlPort(url);
  const bool ipv6 = host.size() > 2 && host.front() == '[' && host.back() == ']';
  const bool hostOk = !host.empty() && (ipv6 || host.find_first_of(" @[]\\") == std::string::npos);
  if (!hostOk || port <= 0 || port > 65535) {
    FailRequest(status, HttpError::BadUrl, hostOk ? "port out of range" : "no usable host in address");
    return false;
  }
  std::string path = RequestTarget(UrlPath(url));
  if (path.empty()) path.push_back('/');  // WinHTTP takes the target as given
  target->host = WideOf(GbkToWide(host));
  target->port = static_cast<INTERNET_PORT>(port);
  target->path = BytesAsWide(path);
  const bool defaultPort = port == (target->secure ? 443 : 80);
  // Appended piece by piece: GCC 12 misreads the concatenated form as an overlapping copy.
  std::string address = target->secure ? "https://" : "http://";
  address += GbkToUtf8(host);
  if (!defaultPort) address.append(":").append(std::to_string(port));
  address += path;
  target->url = std::move(address);
  return true;
}

// Owns one WinHTTP handle. Close() may come from the waiting caller while the worker is inside
// a call on the handle: that call then fails, and the handle is closed once.
class WinHttpHandle {
 public:
  WinHttpHandle() = default;
  explicit WinHttpHandle(HINTERNET handle) : handle_(handle) {}
  ~WinHttpHandle() { Close(); }
  WinHttpHandle(const WinHttpHandle&) = delete;
  WinHttpHandle& operator=(const WinHttpHandle&) = delete;

  void Reset(HINTERNET handle) {
    Close();
    std::lock_guard lock(mutex_);
    handle_ = handle;
  }
  HINTERNET Get() {
    std::lock_guard lock(mutex_);
    return handle_;
  }
  void Close() {
    HINTERNET handle = nullptr;
    {
      std::lock_guard lock(mutex_);
      std::swap(handle, handle_);
    }
    if (handle != nullptr) WinHttpCloseHandle(handle);
  }

 private:
  std::mutex mutex_;
  HINTERNET handle_ = nullptr;
};

// The process-wide sessions, one per proxy (WinHTTP takes a proxy per session), which also
// keep the cookies of requests whose caller does not manage cookies itself. Forgetting the
// cookies means starting new sessions; exchanges still running keep the old ones until they
// end.
class SessionStore {
 public:
  static SessionStore& Instance() {
    static SessionStore store;
    return store;
  }
  // proxy: "host:port", or empty for a direct connection whatever the system's settings say.
  std::shared_ptr<WinHttpHandle> Current(const std::wstring& proxy) {
    std::lock_guard lock(mutex_);
    std::shared_ptr<WinHttpHandle>& session = sessions_[proxy];
    if (!session || session->Get() == nullptr) {
      session = std::make_shared<WinHttpHandle>(
          proxy.empty() ? WinHttpOpen(kDefaultAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                      WINHTTP_NO_PROXY_BYPASS, 0)
                        : WinHttpOpen(kDefaultAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy.c_str(), L"", 0));
    }
    return session;
  }
  void Forget() {
    std::lock_guard lock(mutex_);
    sessions_.clear();
  }

 private:
  static constexpr const wchar_t* kDefaultAgent = L"Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
  std::mutex mutex_;
  std::map<std::wstring, std::shared_ptr<WinHttpHandle>> sessions_;
};

// Everything one exchange needs, copied from the caller, and what it produces. Shared by the
// caller and the worker, so that a caller that leaves early leaves nothing dangling.
struct Exchange {
  // Inputs.
  std::string url;
  std::string verb;
  ByteArray payload;
  std::vector<std::string> headerLines;
  std::string agent;
  bool callerCookies = false;
  bool noRedirect = false;
  HttpOptions limits;
  Clock::time_point started;
  std::shared_ptr<WinHttpHandle> session;

  // Results, written by the worker before `done`.
  ByteArray body;
  std::string rawHeaders;
  HttpStatus status;

  // The handles of the hop in flight, so that the caller can end it.
  WinHttpHandle connection;
  WinHttpHandle request;

  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  bool abandoned = false;

  bool Abandoned() {
    std::lock_guard lock(mutex);
    return abandoned;
  }
  milliseconds Remaining() const {
    auto left = limits.totalTimeout - std::chrono::duration_cast<milliseconds>(Clock::now() - started);
    return std::max(left, milliseconds(1));
  }
  bool OutOfTime() const { return Clock::now() - started >= std::max(limits.totalTimeout, milliseconds(1)); }
};

int TimeoutValue(milliseconds limit, milliseconds remaining) {
  return static_cast<int>(std::clamp<long long>(std::min(limit, remaining).count(), 1, 0x7FFFFFFF));
}

// Fills x.status for a failed call, in the same words as the other transports use.
void FailCall(Exchange& x, DWORD code, bool responseStarted);

// Why a WinHTTP call failed, given the phase it failed in.
HttpError ErrorOf(DWORD code, bool responseStarted, Exchange& x) {
  switch (code) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return HttpError::Resolve;
    case ERROR_WINHTTP_CANNOT_CONNECT:
      return HttpError::Connect;
    case WSAECONNREFUSED:  // Wine passes some socket errors through as they are
      return HttpError::Connect;
    case ERROR_WINHTTP_CONNECTION_ERROR:
    case WSAECONNRESET:
    case WSAECONNABORTED:
      return responseStarted ? HttpError::Transfer : HttpError::Connect;
    case ERROR_WINHTTP_TIMEOUT:
    case WSAETIMEDOUT:
      if (x.OutOfTime()) return HttpError::TotalTimeout;
      return responseStarted ? HttpError::StallTimeout : HttpError::ConnectTimeout;
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
    case ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED:
      return HttpError::Tls;
    case ERROR_WINHTTP_HEADER_SIZE_OVERFLOW:
      return HttpError::BodyTooLarge;
    case ERROR_WINHTTP_OPERATION_CANCELLED:
      return HttpError::Cancelled;
    case ERROR_NOT_ENOUGH_MEMORY:
      return HttpError::Internal;
    default:
      return HttpError::Transfer;
  }
}

void FailCall(Exchange& x, DWORD code, bool responseStarted) {
  const HttpError error = x.Abandoned() ? HttpError::Cancelled : ErrorOf(code, responseStarted, x);
  std::string detail = "system error " + std::to_string(code);
  if (error == HttpError::StallTimeout) detail = "no data for " + std::to_string(x.limits.stallTimeout.count()) + " ms";
  if (error == HttpError::TotalTimeout) {
    detail = "not done within " + std::to_string(x.limits.totalTimeout.count()) + " ms";
  }
  if (error == HttpError::Cancelled) detail.clear();
  FailRequest(&x.status, error, detail);
}

bool IsRedirect(DWORD code) { return code == 301 || code == 302 || code == 303 || code == 307 || code == 308; }

std::wstring QueryText(HINTERNET request, DWORD what) {
  DWORD bytes = 0;
  WinHttpQueryHeaders(request, what, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &bytes,
                      WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) return {};
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  if (!WinHttpQueryHeaders(request, what, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &bytes, WINHTTP_NO_HEADER_INDEX)) {
    return {};
  }
  text.resize(bytes / sizeof(wchar_t));
  return text;
}

// One hop: the request sent, the response's head read. Returns false with x.status set.
bool SendHop(Exchange& x, const Target& target, DWORD* code) {
  HttpStatus& status = x.status;
  HINTERNET session = x.session->Get();
  x.connection.Reset(session ? WinHttpConnect(session, target.host.c_str(), target.port, 0) : nullptr);
  HINTERNET connection = x.connection.Get();
  const std::wstring verb = BytesAsWide(x.verb);
  x.request.Reset(connection
                      ? WinHttpOpenRequest(connection, verb.c_str(), target.path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES,
                                           (target.secure ? WINHTTP_FLAG_SECURE : 0) | WINHTTP_FLAG_ESCAPE_DISABLE)
                      : nullptr);
  HINTERNET request = x.request.Get();
  if (request == nullptr) {
    FailCall(x, GetLastError(), false);
    return false;
  }
  const milliseconds remaining = x.Remaining();
  const int connectMs = TimeoutValue(x.limits.connectTimeout, remaining);
  const int stallMs = TimeoutValue(x.limits.stallTimeout, remaining);
  WinHttpSetTimeouts(request, connectMs, connectMs, stallMs, stallMs);
  // The wait for the response's head has a limit of its own.
  WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, const_cast<int*>(&stallMs), sizeof stallMs);
  DWORD policy = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  WinHttpSetOption(request, WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof policy);
  DWORD features =
      (x.callerCookies ? WINHTTP_DISABLE_COOKIES : 0) | (x.limits.reuseConnections ? 0 : WINHTTP_DISABLE_KEEP_ALIVE);
  if (features != 0) WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features);
  std::wstring block = BytesAsWide("User-Agent: " + x.agent + "\r\n");
  for (const std::string& line : x.headerLines) block += BytesAsWide(line) + L"\r\n";
  WinHttpAddRequestHeaders(request, block.c_str(), static_cast<DWORD>(block.size()),
                           WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE);

  const bool withBody = x.verb == "POST";
  void* payload = withBody && !x.payload.empty() ? x.payload.data() : WINHTTP_NO_REQUEST_DATA;
  const DWORD payloadSize = withBody ? static_cast<DWORD>(x.payload.size()) : 0;
  if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, payload, payloadSize, payloadSize, 0)) {
    FailCall(x, GetLastError(), false);
    return false;
  }
  // Once the request is out, silence counts against the stall limit.
  if (!WinHttpReceiveResponse(request, nullptr)) {
    FailCall(x, GetLastError(), true);
    return false;
  }
  DWORD value = 0;
  DWORD size = sizeof value;
  WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                      &value, &size, WINHTTP_NO_HEADER_INDEX);
  *code = value;
  status.responseCode = static_cast<long>(value);
  status.finalUrl = target.url;

  RawHeaderText raw;
  const std::string text = WideAsBytes(QueryText(request, WINHTTP_QUERY_RAW_HEADERS_CRLF));
  // A reply without an HTTP/1.x status line (read by some stacks as HTTP/0.9) is no response.
  if (value < 100 || value > 999 || !text.starts_with("HTTP/1.")) {
    FailRequest(&status, HttpError::Transfer, "malformed response");
    return false;
  }
  if (text.size() > std::min(kHeaderCap, x.limits.maxBodyBytes)) {
    FailRequest(&status, HttpError::BodyTooLarge, "over " + std::to_string(x.limits.maxBodyBytes) + " bytes");
    return false;
  }
  // WinHTTP is asked for HTTP/1.x only here: HTTP/2 is never assumed, so allowHttp2 asks nothing.
  status.httpVersion = text.starts_with("HTTP/1.0") ? 10 : 11;
  for (std::string_view line : SplitLines(text)) {
    if (!line.empty()) raw.AddLine(line);
  }
  raw.AddLine("");  // the blank line that ends the block, as it came
  x.rawHeaders = raw.Text();
  return true;
}

bool ReadBody(Exchange& x) {
  HINTERNET request = x.request.Get();
  std::vector<char> chunk;
  for (;;) {
    if (x.Abandoned() || request == nullptr) {
      FailRequest(&x.status, HttpError::Cancelled, {});
      return false;
    }
    const int stallMs = TimeoutValue(x.limits.stallTimeout, x.Remaining());
    WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_TIMEOUT, const_cast<int*>(&stallMs), sizeof stallMs);
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request, &available)) {
      FailCall(x, GetLastError(), true);
      return false;
    }
    if (available == 0) return true;
    if (available > x.limits.maxBodyBytes - x.body.size()) {
      FailRequest(&x.status, HttpError::BodyTooLarge, "over " + std::to_string(x.limits.maxBodyBytes) + " bytes");
      return false;
    }
    chunk.resize(available);
    DWORD got = 0;
    if (!WinHttpReadData(request, chunk.data(), available, &got)) {
      FailCall(x, GetLastError(), true);
      return false;
    }
    if (got == 0) return true;
    x.body.append(chunk.data(), got);
  }
}

// The whole exchange, redirects included; runs on the worker.
void RunExchange(Exchange& x) {
  std::string url = x.url;
  int redirects = 0;
  for (;;) {
    Target target;
    if (!TargetOf(url, &target, &x.status)) return;
    DWORD code = 0;
    if (!SendHop(x, target, &code)) return;
    const std::string location = WideAsBytes(QueryText(x.request.Get(), WINHTTP_QUERY_LOCATION));
    if (x.noRedirect || !IsRedirect(code) || location.empty()) break;
    if (++redirects > std::max(0, x.limits.maxRedirects)) {
      FailRequest(&x.status, HttpError::TooManyRedirects, "more than " + std::to_string(x.limits.maxRedirects));
      return;
    }
    url = ResolveUrl(url, location);
    const std::string scheme = SchemeOf(url);
    if (scheme != "http" && scheme != "https") {
      FailRequest(&x.status, HttpError::RefusedScheme, "redirect to " + (scheme.empty() ? std::string("?") : scheme));
      return;
    }
    // As browsers do: a redirected POST is fetched again with GET, except for 307 and 308.
    if (x.verb == "POST" && code != 307 && code != 308) {
      x.verb = "GET";
      x.payload.clear();
    }
  }
  if (x.verb != "HEAD" && !ReadBody(x)) return;
  x.request.Close();
  x.connection.Close();
}

}  // namespace

void ClearSessionCookies() { SessionStore::Instance().Forget(); }

// WinHTTP keeps the process's cookies inside its sessions and offers no way to list them.
std::vector<std::string> SessionCookieNames() { return {}; }

// WinHTTP closes idle connections on its own timer and offers no call to close them sooner;
// closing the sessions instead would forget the cookies too.
void DropIdleConnections() {}

ByteArray HttpRequest(const std::string& url, const HttpRequestOptions& request) {
  HttpStatus* const status = request.status;
  std::string* const cookies = request.cookies;
  std::string* const headers = request.headers;
  if (status != nullptr) *status = HttpStatus{};
  Target first;
  if (!TargetOf(url, &first, status)) return {};
  if (HasControlBytes(request.proxy)) {
    FailRequest(status, HttpError::BadUrl, "control characters in proxy address");
    return {};
  }

  auto x = std::make_shared<Exchange>();
  x->started = Clock::now();
  x->url = url;
  x->verb = std::string(HttpMethodName(request.method));
  x->payload = request.byteBody.empty() ? request.textBody : request.byteBody;
  const std::string callerHeaders = headers != nullptr ? *headers : std::string();
  x->agent = UserAgentFromHeaders(callerHeaders);
  const std::string block = ComposeRequestHeaders(callerHeaders, url, cookies != nullptr ? *cookies : std::string());
  if (headers != nullptr) *headers = block;
  for (std::string& line : RequestHeaderLines(block)) {
    // The agent goes out once, from UserAgentFromHeaders.
    if (AsciiLower(line.substr(0, 11)) != "user-agent:") x->headerLines.push_back(std::move(line));
  }
  x->callerCookies = cookies != nullptr;
  x->noRedirect = request.noRedirect;
  std::string proxy = request.proxy;
  if (proxy.starts_with("http://")) proxy.erase(0, 7);
  x->limits = request.limits;
  x->session = SessionStore::Instance().Current(BytesAsWide(proxy));
  if (x->session->Get() == nullptr) {
    FailRequest(status, HttpError::Internal, "cannot open an HTTP session");
    return {};
  }

  try {
    std::thread([x] {
      RunExchange(*x);
      std::lock_guard lock(x->mutex);
      x->done = true;
      x->finished.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    FailRequest(status, HttpError::Internal, "cannot start transfer");
    return {};
  }

  const auto total = std::max(request.limits.totalTimeout, milliseconds(1));
  const auto stall = std::max(request.limits.stallTimeout, milliseconds(1));
  const auto poll = std::clamp(stall / 5, milliseconds(1), kMaxPollInterval);
  HttpError stopped = HttpError::None;
  {
    std::unique_lock lock(x->mutex);
    while (!x->done) {
      if (request.limits.cancel != nullptr && request.limits.cancel->load()) {
        stopped = HttpError::Cancelled;
        break;
      }
      if (Clock::now() - x->started >= total) {
        stopped = HttpError::TotalTimeout;
        break;
      }
      x->finished.wait_for(lock, poll);
    }
    if (stopped != HttpError::None) x->abandoned = true;
  }
  if (stopped != HttpError::None) {
    // The worker's pending call fails once its handles are gone; it ends on its own.
    x->request.Close();
    x->connection.Close();
    if (status != nullptr) {
      *status = HttpStatus{};
      FailRequest(status, stopped,
                  stopped == HttpError::TotalTimeout
                      ? "not done within " + std::to_string(request.limits.totalTimeout.count()) + " ms"
                      : std::string());
    }
    return {};
  }

  // A call whose timeout was cut to the time left ran into the whole exchange's limit.
  const HttpError last = x->status.error;
  if ((last == HttpError::ConnectTimeout || last == HttpError::StallTimeout) && x->OutOfTime()) {
    FailRequest(&x->status, HttpError::TotalTimeout,
                "not done within " + std::to_string(request.limits.totalTimeout.count()) + " ms");
  }
  if (status != nullptr) *status = x->status;
  if (!x->status.Ok()) return {};
  std::string setCookies = CookiesFromHeaders(x->rawHeaders);
  if (request.returnedHeaders != nullptr) *request.returnedHeaders = x->rawHeaders;
  if (cookies != nullptr) *cookies = MergeCookies(*cookies, setCookies);
  if (request.returnedCookies != nullptr) *request.returnedCookies = std::move(setCookies);
  return std::move(x->body);
}

}  // namespace quillmar
