#include "tools/latency_proxy.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "net/http_request.h"
#include "tests/net/loopback_servers.h"

namespace quillmar {
namespace {

TEST(LatencyProxy, EveryConnectionAndExchangeCostsItsRoundTrip) {
  test::HttpTestServer server;
  const std::string big(3 << 20, 'q');
  server.Routes().Get("/big", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(big, "application/octet-stream");
  });
  server.Routes().Post("/echo", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(req.body, "application/octet-stream");
  });
  server.Start();
  constexpr std::chrono::milliseconds kRtt{80};
  LatencyProxy proxy(server.Port(), kRtt);
  ASSERT_GT(proxy.Port(), 0);
  const std::string base = "http://127.0.0.1:" + std::to_string(proxy.Port());

  HttpOptions fresh;
  fresh.reuseConnections = false;
  HttpStatus status;
  const auto started = std::chrono::steady_clock::now();
  const ByteArray body = HttpRequest(base + "/big", {.status = &status, .limits = fresh});
  // One round trip to connect, one for the request and its answer; never less.
  EXPECT_GE(std::chrono::steady_clock::now() - started, 2 * kRtt);
  EXPECT_TRUE(status.Ok()) << status.reason;
  EXPECT_TRUE(body == big) << "a body larger than the relay's buffer arrives whole";

  // Both directions at once, larger than what is held in flight.
  const std::string payload(2 << 20, 'u');
  std::string headers = "Content-Type: application/octet-stream";
  const ByteArray echoed = HttpRequest(
      base + "/echo", {.method = HttpMethod::Post, .textBody = payload, .headers = &headers, .limits = fresh});
  EXPECT_TRUE(echoed == payload) << echoed.size();
  EXPECT_EQ(proxy.Accepted(), 2);
}

}  // namespace
}  // namespace quillmar
