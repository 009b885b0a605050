#include "net/http_request.h"

#include <gtest/gtest.h>

#include <thread>

#include "net/http_headers.h"
#include "tests/net/loopback_servers.h"

namespace quillmar {
namespace {

using test::HttpTestServer;
using test::RawTestServer;

// Short limits so that failures are seen quickly.
HttpOptions QuickOptions() {
  HttpOptions options;
  options.connectTimeout = std::chrono::milliseconds(500);
  options.stallTimeout = std::chrono::milliseconds(400);
  return options;
}

// Records what the server received for the one route "/echo".
struct Received {
  std::mutex mutex;
  std::string method, body, target;
  httplib::Headers headers;
};

void EchoRoute(HttpTestServer& server, Received& got) {
  auto handler = [&](const httplib::Request& req, httplib::Response& res) {
    std::lock_guard lock(got.mutex);
    got.method = req.method;
    got.body = req.body;
    got.target = req.target;
    got.headers = req.headers;
    res.set_content("echo:" + req.method, "text/plain");
  };
  server.Routes().Get(".*", handler);
  server.Routes().Post(".*", handler);
}

std::string Header(const Received& got, const std::string& name) {
  auto [first, last] = got.headers.equal_range(name);
  if (first == last) return "<none>";
  if (std::next(first) != last) return "<several>";
  return first->second;
}

TEST(HttpRequest, ServerReceivesTheComposedHeaderBlock) {
  HttpTestServer server;
  Received got;
  EchoRoute(server, got);
  server.Start();
  const std::string url = server.Url("/echo/x?q=1");
  std::string headers;
  HttpStatus status;
  ByteArray body = HttpRequest(url, 5, "ignored for GET", nullptr, nullptr, &headers, nullptr, false, {}, {}, &status);
  EXPECT_TRUE(status.Ok()) << status.reason;
  EXPECT_EQ(body, "echo:GET");
  EXPECT_EQ(status.responseCode, 200);
  EXPECT_EQ(headers, "Accept: */*\r\nReferer: " + url +
                         "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded");
  EXPECT_EQ(got.method, "GET");
  EXPECT_EQ(got.target, "/echo/x?q=1");
  EXPECT_EQ(got.body, "");
  EXPECT_EQ(Header(got, "Accept"), "*/*");
  EXPECT_EQ(Header(got, "Referer"), url);
  EXPECT_EQ(Header(got, "Accept-Language"), "zh-cn");
  EXPECT_EQ(Header(got, "Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(Header(got, "User-Agent"), std::string(kDefaultUserAgent));
  EXPECT_EQ(Header(got, "Cookie"), "<none>");
  EXPECT_EQ(Header(got, "Expect"), "<none>");
}

TEST(HttpRequest, CallerLinesWinAndTheUserAgentLineIsSentOnce) {
  HttpTestServer server;
  Received got;
  EchoRoute(server, got);
  server.Start();
  std::string headers = "user-agent: Probe/2\r\nAccept-Language: en\r\nX-A: 1\nX-B: 2";
  HttpRequest(server.Url("/echo"), 0, {}, nullptr, nullptr, &headers);
  EXPECT_EQ(Header(got, "User-Agent"), "Probe/2");
  EXPECT_EQ(Header(got, "Accept-Language"), "en");
  // A lone line feed separates lines like CRLF does; nothing is sent raw.
  EXPECT_EQ(Header(got, "X-A"), "1");
  EXPECT_EQ(Header(got, "X-B"), "2");
}

TEST(HttpRequest, VerbsAndBodies) {
  HttpTestServer server;
  Received got;
  EchoRoute(server, got);
  server.Start();
  EXPECT_EQ(HttpRequest(server.Url("/echo"), 1, "a=1&b=2"), "echo:POST");
  EXPECT_EQ(got.method, "POST");
  EXPECT_EQ(got.body, "a=1&b=2");
  EXPECT_EQ(Header(got, "Content-Type"), "application/x-www-form-urlencoded");
  const ByteArray bytes("\0\1\2zz", 5);
  HttpRequest(server.Url("/echo"), 1, "text loses", nullptr, nullptr, nullptr, nullptr, false, bytes);
  EXPECT_EQ(got.body, bytes);
  HttpRequest(server.Url("/echo"), 1, "");
  EXPECT_EQ(got.body, "");
  EXPECT_EQ(Header(got, "Content-Length"), "0");
  std::string raw;
  HttpStatus status;
  EXPECT_EQ(HttpRequest(server.Url("/h"), 2, {}, nullptr, nullptr, nullptr, &raw, false, {}, {}, &status), "");
  EXPECT_TRUE(status.Ok()) << status.reason;
  EXPECT_EQ(got.method, "HEAD");
  EXPECT_NE(raw.find("Content-Length: 9\r\n"), std::string::npos);  // of "echo:HEAD"
}

TEST(HttpRequest, CallerManagedCookiesGoOutAndComeBackMerged) {
  HttpTestServer server;
  Received got;
  server.Routes().Get("/set", [&](const httplib::Request& req, httplib::Response& res) {
    got.headers = req.headers;
    res.set_header("Set-Cookie", "a=1; Path=/");
    res.set_header("set-cookie", "b=2");
    res.set_header("set-cookie", "c=deleted");
    res.set_content("ok", "text/plain");
  });
  server.Start();
  std::string cookies = "a=0; c=3; d=4";
  std::string returnedCookies, headers, raw;
  EXPECT_EQ(HttpRequest(server.Url("/set"), 0, {}, &cookies, &returnedCookies, &headers, &raw), "ok");
  EXPECT_EQ(Header(got, "Cookie"), "a=0; c=3; d=4");
  EXPECT_NE(headers.find("\r\nCookie: a=0; c=3; d=4"), std::string::npos);
  EXPECT_EQ(returnedCookies, "a=1; b=2; c=deleted");
  EXPECT_EQ(cookies, "a=1; b=2; d=4");
  EXPECT_EQ(raw.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  EXPECT_NE(raw.find("\r\nSet-Cookie: b=2\r\n"), std::string::npos);  // name in one spelling
  EXPECT_EQ(raw.substr(raw.size() - 4), "\r\n\r\n");
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\n') {
      EXPECT_EQ(raw[i - 1], '\r') << "bare LF at " << i;
    }
  }
}

// A site that sets new cookie names on every response must not grow the store without end.
TEST(HttpRequest, TheProcessCookieStoreIsCappedPerHostOldestFirst) {
#ifdef _WIN32
  // WinHTTP keeps cookies inside its sessions, where they can be neither listed nor capped.
  GTEST_SKIP() << "the Windows transport has no process cookie store to cap";
#endif
  ClearSessionCookies();
  std::atomic<int> round{0};
  std::mutex mutex;
  std::string lastCookieHeader;  // guarded by mutex
  test::HttpTestServer server;
  server.Routes().Get("/set", [&](const httplib::Request& req, httplib::Response& res) {
    const int r = round++;
    {
      std::lock_guard lock(mutex);
      lastCookieHeader = req.get_header_value("Cookie");
    }
    for (int i = 0; i < 40; ++i) res.set_header("Set-Cookie", "r" + std::to_string(r) + "n" + std::to_string(i) + "=1");
    res.set_content("ok", "text/plain");
  });
  server.Start();
  for (int r = 0; r < 6; ++r) ASSERT_EQ(HttpRequest(server.Url("/set")), "ok");
  // 240 were set: the first 60 are gone, the rest stay in the order they came.
  std::vector<std::string> names = SessionCookieNames();
  ASSERT_EQ(names.size(), 180u);
  EXPECT_EQ(names.front(), "r1n20");
  EXPECT_EQ(names.back(), "r5n39");
  HttpRequest(server.Url("/set"));
  {
    std::lock_guard lock(mutex);
    EXPECT_EQ(lastCookieHeader.find("r0n"), std::string::npos);
    EXPECT_NE(lastCookieHeader.find("r5n0=1"), std::string::npos);
  }
  ClearSessionCookies();
  EXPECT_EQ(SessionCookieNames().size(), 0u);
}

TEST(HttpRequest, WithoutCallerCookiesTheProcessStoreKeepsThem) {
  ClearSessionCookies();
  HttpTestServer server;
  Received got;
  server.Routes().Get("/login", [&](const httplib::Request&, httplib::Response& res) {
    res.set_header("Set-Cookie", "session=42; Path=/");
  });
  EchoRoute(server, got);
  server.Start();
  std::string returnedCookies;
  HttpRequest(server.Url("/login"), 0, {}, nullptr, &returnedCookies);
  EXPECT_EQ(returnedCookies, "session=42");
  HttpRequest(server.Url("/echo"));
  EXPECT_EQ(Header(got, "Cookie"), "session=42");
  // A caller that manages cookies itself gets none from the store.
  std::string mine;
  HttpRequest(server.Url("/echo"), 0, {}, &mine);
  EXPECT_EQ(Header(got, "Cookie"), "<none>");
  ClearSessionCookies();
  HttpRequest(server.Url("/echo"));
  EXPECT_EQ(Header(got, "Cookie"), "<none>");
}

TEST(HttpRequest, RedirectsAreFollowedUnlessSwitchedOff) {
  HttpTestServer server;
  server.Routes().Get("/from", [](const httplib::Request&, httplib::Response& res) {
    res.set_redirect("/to");
    res.set_header("X-Hop", "first");
  });
  server.Routes().Get(
      "/to", [](const httplib::Request&, httplib::Response& res) { res.set_content("arrived", "text/plain"); });
  server.Start();
  std::string raw;
  HttpStatus status;
  EXPECT_EQ(HttpRequest(server.Url("/from"), 0, {}, nullptr, nullptr, nullptr, &raw, false, {}, {}, &status),
            "arrived");
  EXPECT_EQ(status.responseCode, 200);
  EXPECT_EQ(status.finalUrl, server.Url("/to"));
  EXPECT_EQ(raw.find("X-Hop"), std::string::npos);  // only the last response's header block
  EXPECT_EQ(HttpRequest(server.Url("/from"), 0, {}, nullptr, nullptr, nullptr, &raw, true, {}, {}, &status), "");
  EXPECT_TRUE(status.Ok());
  EXPECT_EQ(status.responseCode, 302);
  EXPECT_NE(raw.find("Location: /to\r\n"), std::string::npos);
}

TEST(HttpRequest, RedirectChainsAreCapped) {
  HttpTestServer server;
  server.Routes().Get(R"(/hop/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
    int n = std::stoi(req.matches[1]);
    if (n == 0) {
      res.set_content("end", "text/plain");
    } else {
      res.set_redirect("/hop/" + std::to_string(n - 1));
    }
  });
  server.Start();
  HttpStatus status;
  EXPECT_EQ(HttpRequest(server.Url("/hop/10"), 0, {}, nullptr, nullptr, nullptr, nullptr, false, {}, {}, &status),
            "end");
  std::string raw = "untouched";
  EXPECT_EQ(HttpRequest(server.Url("/hop/11"), 0, {}, nullptr, nullptr, nullptr, &raw, false, {}, {}, &status), "");
  EXPECT_EQ(status.error, HttpError::TooManyRedirects);
  EXPECT_EQ(raw, "untouched");
  HttpOptions two = QuickOptions();
  two.maxRedirects = 2;
  EXPECT_EQ(HttpRequest(server.Url("/hop/2"), 0, {}, nullptr, nullptr, nullptr, nullptr, false, {}, {}, &status, two),
            "end");
  EXPECT_EQ(HttpRequest(server.Url("/hop/3"), 0, {}, nullptr, nullptr, nullptr, nullptr, false, {}, {}, &status, two),
            "");
  HttpOptions none = QuickOptions();
  none.maxRedirects = -1;  // not "unlimited"
  EXPECT_EQ(HttpRequest(server.Url("/hop/1"), 0, {}, nullptr, nullptr, nullptr, nullptr, false, {}, {}, &status, none),
            "");
  EXPECT_EQ(status.error, HttpError::TooManyRedirects);
}

TEST(HttpRequest, OnlyHttpAndHttpsAreFetched) {
  HttpTestServer server;
  server.Routes().Get("/to-file",
                      [](const httplib::Request&, httplib::Response& res) { res.set_redirect("file:///etc/passwd"); });
  server.Start();
  for (const char* url : {"file:///etc/passwd", "FILE:/etc/passwd", "ftp://127.0.0.1/x", "gopher://127.0.0.1/",
                          "magnet:?xt=urn:btih:00", "javascript:alert(1)", "dict://127.0.0.1:2628/"}) {
    HttpStatus status;
    std::string headers = "Keep: me";
    EXPECT_EQ(HttpRequest(url, 0, {}, nullptr, nullptr, &headers, nullptr, false, {}, {}, &status), "");
    EXPECT_EQ(status.error, HttpError::RefusedScheme) << url;
    EXPECT_EQ(headers, "Keep: me") << url;
  }
  HttpStatus status;
  EXPECT_EQ(HttpRequest(server.Url("/to-file"), 0, {}, nullptr, nullptr, nullptr, nullptr, false, {}, {}, &status), "");
  EXPECT_EQ(status.error, HttpError::RefusedScheme) << status.reason;
}

TEST(HttpRequest, BadAddressesAreRefusedBeforeAnyConnection) {
  for (const char* url : {"", "http:///x", "http://127.0.0.1:0/", "http://127.0.0.1:70000/", "http://h\r\nX: y/",
                          "http://user@127.0.0.1/", "/relative/path"}) {
    HttpStatus status;
    EXPECT_EQ(HttpRequest(url, 0, {}, nullptr, nullptr, nullptr, nullptr, false, {}, {}, &status), "");
    EXPECT_EQ(status.error, HttpError::BadUrl) << url;
    EXPECT_FALSE(status.reason.empty());
  }
}

TEST(HttpRequest, ErrorStatusesStillReturnTheirBody) {
  HttpTestServer server;
  server.Routes().Get("/missing", [](const httplib::Request&, httplib::Response& res) {
    res.status = 404;
    res.set_content("not here", "text/plain");
  });
  server.Start();
  HttpStatus status;
  EXPECT_EQ(HttpRequest(server.Url("/missing"), 0, {}, nullptr, nullptr, nullptr, nullptr, false, {}, {}, &status),
            "not here");
  EXPECT_TRUE(status.Ok());
  EXPECT_EQ(status.responseCode, 404);
}

TEST(HttpRequest, FailuresLeaveTheOutArgumentsAlone) {
  int port = 0;
  { test::SocketFd closed = test::ListenOnLoopback(1, &port); }  // a port nobody listens on
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/";
  std::string cookies = "a=1", returnedCookies = "rc", raw = "rh", headers;
  HttpStatus status;
  EXPECT_EQ(HttpRequest(url, 0, {}, &cookies, &returnedCookies, &headers, &raw, false, {}, {}, &status, QuickOptions()),
            "");
  EXPECT_EQ(status.error, HttpError::Connect) << status.reason;
  EXPECT_EQ(cookies, "a=1");
  EXPECT_EQ(returnedCookies, "rc");
  EXPECT_EQ(raw, "rh");
  EXPECT_NE(headers.find("Cookie: a=1"), std::string::npos);  // the block it tried to send
}

TEST(HttpRequest, ServerThatNeverAnswersHitsTheStallTimeout) {
  RawTestServer silent("", true);
  HttpStatus status;
  EXPECT_EQ(
      HttpRequest(silent.Url("/"), 0, {}, nullptr, nullptr, nullptr, nullptr, false, {}, {}, &status, QuickOptions()),
      "");
  EXPECT_EQ(status.error, HttpError::StallTimeout) << status.reason;
  // Headers and half a body, then silence: no truncated page passes for a whole one.
  RawTestServer halfway("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly part", true);
  EXPECT_EQ(
      HttpRequest(halfway.Url("/"), 0, {}, nullptr, nullptr, nullptr, nullptr, false, {}, {}, &status, QuickOptions()),
      "");
  EXPECT_EQ(status.error, HttpError::StallTimeout) << status.reason;
}

// A byte every 40 ms never trips the stall limit: a short drip ends as a whole page, a long
// one at the total deadline.
TEST(HttpRequest, DripFedResponsesEndAtTheTotalDeadline) {
  HttpTestServer server;
  server.Routes().Get(R"(/drip/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
    res.set_chunked_content_provider(
        "text/plain", [n = 0, bytes = std::stoi(req.matches[1])](size_t, httplib::DataSink& sink) mutable {
          std::this_thread::sleep_for(std::chrono::milliseconds(40));
          if (n++ == bytes) {
            sink.done();
            return true;
          }
          return sink.write("x", 1);
        });
  });
  server.Start();
  HttpStatus status;
  HttpRequestOptions request{.status = &status, .limits = QuickOptions()};
  request.limits.stallTimeout = std::chrono::milliseconds(2000);
  request.limits.totalTimeout = std::chrono::milliseconds(3000);
  EXPECT_EQ(HttpRequest(server.Url("/drip/8"), request), "xxxxxxxx");
  EXPECT_TRUE(status.Ok()) << status.reason;

  request.limits.totalTimeout = std::chrono::milliseconds(600);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(HttpRequest(server.Url("/drip/1000"), request), "");
  EXPECT_EQ(status.error, HttpError::TotalTimeout) << status.reason;
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(2000));
}

TEST(HttpRequest, ConnectTimeoutOnALoopbackListenerWithAFullBacklog) {
  int port = 0;
  test::SocketFd listener = test::ListenOnLoopback(0, &port);
  ASSERT_TRUE(listener.Valid());
  // Fill the accept queue (never accepted) so that further handshakes go unanswered.
  std::vector<test::SocketFd> fillers;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  for (int i = 0; i < 4; ++i) {
    test::SocketFd s = test::NonBlockingSocket();
    ::connect(s.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    fillers.push_back(std::move(s));
  }
  HttpOptions options = QuickOptions();
  options.connectTimeout = std::chrono::milliseconds(300);
  options.stallTimeout = std::chrono::milliseconds(100);  // must not fire before a connection
  HttpStatus status;
  EXPECT_EQ(HttpRequest("http://127.0.0.1:" + std::to_string(port) + "/", 0, {}, nullptr, nullptr, nullptr, nullptr,
                        false, {}, {}, &status, options),
            "");
  if (status.error != HttpError::ConnectTimeout) {
    GTEST_SKIP() << "this kernel completed the handshake despite the full backlog (" << status.reason << ")";
  }
  EXPECT_EQ(status.error, HttpError::ConnectTimeout);
}

TEST(HttpRequest, BodiesOverTheCapAreRefusedWhole) {
  HttpTestServer server;
  server.Routes().Get(R"(/size/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(std::string(std::stoul(req.matches[1]), 'b'), "text/plain");
  });
  server.Routes().Get(R"(/chunked/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
    std::size_t total = std::stoul(req.matches[1]);
    res.set_chunked_content_provider("text/plain",
                                     [total, sent = std::size_t{0}](size_t, httplib::DataSink& sink) mutable {
                                       if (sent >= total) {
                                         sink.done();
                                         return true;
                                       }
                                       std::string piece(std::min<std::size_t>(300, total - sent), 'c');
                                       sent += piece.size();
                                       return sink.write(piece.data(), piece.size());
                                     });
  });
  server.Start();
  HttpOptions options = QuickOptions();
  options.maxBodyBytes = 1000;
  HttpStatus status;
  auto fetch = [&](const std::string& path) {
    return HttpRequest(server.Url(path), 0, {}, nullptr, nullptr, nullptr, nullptr, false, {}, {}, &status, options);
  };
  EXPECT_EQ(fetch("/size/1000").size(), 1000u);
  EXPECT_TRUE(status.Ok());
  EXPECT_EQ(fetch("/size/1001"), "");  // announced by Content-Length
  EXPECT_EQ(status.error, HttpError::BodyTooLarge) << status.reason;
  EXPECT_EQ(fetch("/chunked/1000").size(), 1000u);
  EXPECT_EQ(fetch("/chunked/5000"), "");  // found out while reading
  EXPECT_EQ(status.error, HttpError::BodyTooLarge) << status.reason;
}

TEST(HttpRequest, LargeBinaryBodiesArriveIntact) {
  HttpTestServer server;
  std::string big(3 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 % 251);
  server.Routes().Get("/big", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(big, "application/octet-stream");
  });
  server.Start();
  EXPECT_EQ(HttpRequest(server.Url("/big")), big);
}

TEST(HttpRequest, CancelEndsAWaitingExchange) {
  RawTestServer silent("", true);
  std::atomic<bool> cancel{false};
  HttpOptions options;  // the default stall timeout of 30 s would keep it waiting
  options.cancel = &cancel;
  std::thread canceller([&] {
    while (silent.Accepted() == 0) std::this_thread::yield();
    cancel = true;
  });
  HttpStatus status;
  EXPECT_EQ(HttpRequest(silent.Url("/"), 0, {}, nullptr, nullptr, nullptr, nullptr, false, {}, {}, &status, options),
            "");
  canceller.join();
  EXPECT_EQ(status.error, HttpError::Cancelled);
}

TEST(HttpRequest, RawResponsesWithBareLineFeedsAndGarbage) {
  RawTestServer lf("HTTP/1.1 200 OK\nset-cookie: z=26; Path=/\nContent-Length: 2\n\nhi", false);
  std::string raw, returned;
  EXPECT_EQ(HttpRequest(lf.Url("/"), 0, {}, nullptr, &returned, nullptr, &raw), "hi");
  EXPECT_EQ(raw, "HTTP/1.1 200 OK\r\nSet-Cookie: z=26; Path=/\r\nContent-Length: 2\r\n\r\n");
  EXPECT_EQ(returned, "z=26");
  RawTestServer garbage("\x01\x02 not http at all\r\n\r\n", false);
  HttpStatus status;
  EXPECT_EQ(
      HttpRequest(garbage.Url("/"), 0, {}, nullptr, nullptr, nullptr, nullptr, false, {}, {}, &status, QuickOptions()),
      "");
  EXPECT_EQ(status.error, HttpError::Transfer) << status.reason;
  RawTestServer hangUp("", false);
  EXPECT_EQ(
      HttpRequest(hangUp.Url("/"), 0, {}, nullptr, nullptr, nullptr, nullptr, false, {}, {}, &status, QuickOptions()),
      "");
  EXPECT_EQ(status.error, HttpError::Transfer) << status.reason;
}

TEST(HttpRequest, ProxyReceivesTheRequestForTheRealHost) {
  HttpTestServer proxy;
  Received got;
  EchoRoute(proxy, got);
  proxy.Start();
  EXPECT_EQ(HttpRequest("http://example.invalid/page?x=1", 0, {}, nullptr, nullptr, nullptr, nullptr, false, {},
                        "127.0.0.1:" + std::to_string(proxy.Port())),
            "echo:GET");
  // The absolute form, with or without the scheme's own port (the Windows stack names it).
  EXPECT_TRUE(got.target == "http://example.invalid/page?x=1" || got.target == "http://example.invalid:80/page?x=1")
      << got.target;
  EXPECT_EQ(Header(got, "Host"), "example.invalid");
}

TEST(HttpRequest, ManyThreadsAtOnce) {
  HttpTestServer server;
  server.Routes().Get(R"(/n/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
    res.set_header("Set-Cookie", "n=" + std::string(req.matches[1]));
    res.set_content("page " + std::string(req.matches[1]), "text/plain");
  });
  server.Start();
  constexpr int kThreads = 8, kEach = 12;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        std::string n = std::to_string(t * 100 + i);
        std::string cookies, returned;
        bool mine = i % 2 == 0;  // half with caller cookies, half through the shared store
        ByteArray body = HttpRequest(server.Url("/n/" + n), 0, {}, mine ? &cookies : nullptr, &returned);
        if (body != "page " + n || returned != "n=" + n || (mine && cookies != "n=" + n)) ++wrong;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace quillmar
