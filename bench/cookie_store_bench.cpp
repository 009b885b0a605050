// The session cookie store at its cap: a request to a host holding its 180 cookies beside one
// holding none (the lookup and the Cookie header), and the capping pass over a full store of
// 3000 cookies (run after a response that set cookies).
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <string>
#include <thread>
#include <vector>

#include "net/cookie_cap.h"
#include "net/http_request.h"

namespace {

void BM_RequestWithHostCookies(benchmark::State& state) {
  httplib::Server server;
  server.set_tcp_nodelay(true);
  server.Get("/set", [](const httplib::Request& req, httplib::Response& res) {
    const std::string round = req.get_param_value("r");
    for (int i = 0; i < 45; ++i) res.set_header("Set-Cookie", "r" + round + "c" + std::to_string(i) + "=value");
    res.set_content("ok", "text/plain");
  });
  server.Get("/plain", [](const httplib::Request&, httplib::Response& res) { res.set_content("ok", "text/plain"); });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread loop([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::yield();
  const std::string base = "http://127.0.0.1:" + std::to_string(port);
  quillmar::ClearSessionCookies();
  // Past the cap: 8 responses of 45 new cookies leave the host's 180.
  for (int r = 0; state.range(0) > 0 && r < 8; ++r) quillmar::HttpRequest(base + "/set?r=" + std::to_string(r));
  const std::size_t held = quillmar::SessionCookieNames().size();
  for (auto _ : state) benchmark::DoNotOptimize(quillmar::HttpRequest(base + "/plain"));
  state.counters["cookies"] = static_cast<double>(held);
  quillmar::ClearSessionCookies();
  quillmar::DropIdleConnections();
  server.stop();
  loop.join();
}
BENCHMARK(BM_RequestWithHostCookies)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_CookieCapPassOverAFullStore(benchmark::State& state) {
  std::vector<std::string> store;
  for (int host = 0; host < 20; ++host) {
    for (int i = 0; i < 150; ++i) {
      store.push_back("site" + std::to_string(host) + ".example\tFALSE\t/\tFALSE\t0\tc" + std::to_string(i) + "\tv");
    }
  }
  quillmar::CookieCap cap;
  cap.Trim(store);  // seen once, as the store would be
  for (auto _ : state) benchmark::DoNotOptimize(cap.Trim(store));
  state.counters["cookies"] = static_cast<double>(store.size());
}
BENCHMARK(BM_CookieCapPassOverAFullStore)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
