// A 20-hit search against a loopback site that waits 100 ms before every answer:
// detail pages six at a time beside one after another (21 x 100 ms).
#include <benchmark/benchmark.h>

#include "net/site_search.h"
#include "base/text_encoding.h"
#include "tools/demo_site.h"

namespace {

void BM_SlowSiteSearch(benchmark::State& state) {
  quillmar::DemoSite site(quillmar::DemoSite::Options{.pageSize = 20, .delay = std::chrono::milliseconds(100)});
  if (site.Start(0) < 0) {
    state.SkipWithError("cannot start the demo site");
    return;
  }
  quillmar::SearchOptions options;
  options.maxConcurrentDetails = static_cast<int>(state.range(0));
  const std::string keyword = quillmar::Utf8ToGbk("电影");
  for (auto _ : state) {
    int rows = 0;
    quillmar::RunSiteSearch(
        site.SearchPrefix(), keyword, 1, [&](const quillmar::SearchRow&) { ++rows; }, {}, options);
    if (rows != 20) state.SkipWithError("wrong row count");
  }
  state.SetLabel(state.range(0) == 1 ? "serial" : "concurrent");
}
BENCHMARK(BM_SlowSiteSearch)->Arg(6)->Arg(1)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
