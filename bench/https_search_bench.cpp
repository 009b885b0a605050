// A 20-hit search of the demo site over HTTPS through a relay that adds a 50 ms round trip,
// started cold (no connection kept) every time: today's client (a fresh connection per
// request), connections kept on HTTP/1.1, and HTTP/2. Each is set against its bound, made of
// the TLS set-up and the round trips it cannot avoid, measured in the same run:
//   HTTP/1.1: set-up + 1 list round trip + ceil(20 / 6) detail round trips (limit 1.2 x)
//   HTTP/2:   set-up + 2 round trips (limit 1.3 x)
// "set-up + 1 round trip" is one fresh HTTPS request through the relay. Medians throughout.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/text_encoding.h"
#include "net/site_search.h"
#include "tools/demo_site.h"
#include "tools/latency_proxy.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kRtt{50};
constexpr int kHits = 20;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Rig {
  quillmar::DemoSite site{quillmar::DemoSite::Options{.pageSize = kHits}};
  std::string caFile;
  std::unique_ptr<quillmar::LatencyProxy> proxy;
  std::string prefix;
  double setupAndOneTrip = 0;  // seconds

  Rig() {
    if (site.Start(0) < 0 || site.StartSecure(0) < 0) return;
    caFile = "/tmp/quillmar_bench_ca_" + std::to_string(::getpid()) + ".pem";
    std::ofstream(caFile, std::ios::binary | std::ios::trunc) << site.CertificatePem();
    proxy = std::make_unique<quillmar::LatencyProxy>(site.SecurePort(), kRtt);
    prefix = "https://127.0.0.1:" + std::to_string(proxy->Port()) + "/s/";
    // The bound's first part: one fresh HTTPS request, the median of five.
    quillmar::HttpOptions fresh;
    fresh.reuseConnections = false;
    fresh.caFile = caFile;
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
      const auto started = Clock::now();
      quillmar::HttpStatus status;
      quillmar::HttpRequest("https://127.0.0.1:" + std::to_string(proxy->Port()) + "/",
                            {.status = &status, .limits = fresh});
      if (!status.Ok()) return;
      times.push_back(std::chrono::duration<double>(Clock::now() - started).count());
    }
    setupAndOneTrip = Median(times);
  }
  ~Rig() { std::remove(caFile.c_str()); }
  bool Ready() const { return setupAndOneTrip > 0; }
};

Rig& TheRig() {
  static Rig rig;
  return rig;
}

enum Mode { kFresh, kHttp11, kHttp2 };
std::map<int, double> medianSeconds;  // of each mode's searches

void BM_HttpsSearch20Hits50msRtt(benchmark::State& state) {
  Rig& rig = TheRig();
  if (!rig.Ready()) {
    state.SkipWithError("cannot start the demo site, the relay or a request through it");
    return;
  }
  const Mode mode = static_cast<Mode>(state.range(0));
  quillmar::SearchOptions options;
  options.http.caFile = rig.caFile;
  options.http.reuseConnections = mode != kFresh;
  options.http.allowHttp2 = mode == kHttp2;
  const std::string keyword = quillmar::Utf8ToGbk("电影");
  std::vector<double> times;
  int connections = 0;
  for (auto _ : state) {
    state.PauseTiming();
    quillmar::DropIdleConnections();  // a cold start every time
    const int before = rig.proxy->Accepted();
    state.ResumeTiming();
    const auto started = Clock::now();
    int rows = 0;
    quillmar::RunSiteSearch(
        rig.prefix, keyword, 1, [&](const quillmar::SearchRow& row) { rows += row.magnet.empty() ? 0 : 1; }, {},
        options);
    times.push_back(std::chrono::duration<double>(Clock::now() - started).count());
    connections = rig.proxy->Accepted() - before;
    if (rows != kHits) state.SkipWithError("a row came without its magnet");
  }
  const double median = Median(times);
  medianSeconds[mode] = median;
  const double rtt = std::chrono::duration<double>(kRtt).count();
  const double bound =
      mode == kHttp2 ? rig.setupAndOneTrip + rtt : rig.setupAndOneTrip + rtt * ((kHits + 5) / 6);  // ceil(20 / 6) trips
  state.counters["x_bound"] = median / bound;
  state.counters["connections"] = connections;
  state.SetLabel(mode == kFresh ? "fresh connection per request" : mode == kHttp11 ? "HTTP/1.1 kept" : "HTTP/2");
}
BENCHMARK(BM_HttpsSearch20Hits50msRtt)
    ->Arg(kFresh)
    ->Arg(kHttp11)
    ->Arg(kHttp2)
    ->Iterations(9)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  if (medianSeconds.size() == 3) {
    const double rtt = std::chrono::duration<double>(kRtt).count();
    std::printf("set-up + 1 round trip: %.1f ms (round trip %.0f ms)\n", TheRig().setupAndOneTrip * 1000, rtt * 1000);
    std::printf("medians: fresh %.0f ms, HTTP/1.1 kept %.0f ms, HTTP/2 %.0f ms\n", medianSeconds[kFresh] * 1000,
                medianSeconds[kHttp11] * 1000, medianSeconds[kHttp2] * 1000);
    std::printf("fresh / HTTP/1.1 kept: %.2f x   fresh / HTTP/2: %.2f x\n",
                medianSeconds[kFresh] / medianSeconds[kHttp11], medianSeconds[kFresh] / medianSeconds[kHttp2]);
  }
  benchmark::Shutdown();
  return 0;
}
