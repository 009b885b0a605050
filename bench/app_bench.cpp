// The program's window on the headless backend against a loopback site, side by side:
// start-up to the first presented frame, one frame each for the mouse moving onto and off
// the search button, and the UI thread's share of a search bringing 300 rows.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <time.h>

#include "app/main_window.h"
#include "app/startup.h"
#include "platform/ws/headless_window_system.h"
#include "tests/app/search_site.h"

namespace quillmar {
namespace {

MainWindowOptions Options(const test::SearchSite& site) {
  MainWindowOptions options;
  options.site = site.Prefix();
  options.messageBox = [](std::string_view, int32_t, std::string_view) { return 0; };
  return options;
}

Point Centre(UiWindow& control) { return control.PointToScreen({control.GetWidth() / 2, control.GetHeight() / 2}); }

// The program's window on a headless system of its own, created, its columns in and its
// open effect over.
struct SettledWindow {
  explicit SettledWindow(const test::SearchSite& site) : window(Options(site)) {
    InitModule();
    created = window.Create();
    window.JoinColumnThread();
    sys->Advance(600);
  }
  ws::ScopedHeadless sys;
  MainWindow window;
  bool created = false;
};

// Module init and Create() up to the first picture the backend holds for the window.
void BM_StartupToFirstFrame(benchmark::State& state) {
  test::SearchSite site;
  for (auto _ : state) {
    ws::ScopedHeadless sys;
    InitModule();
    auto window = std::make_unique<MainWindow>(Options(site));
    if (!window->Create()) state.SkipWithError("Create failed");
    while (sys->Presented(window->Handle()) == nullptr) sys->Advance(1);
    state.PauseTiming();
    window->JoinColumnThread();
    window.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartupToFirstFrame)->Unit(benchmark::kMillisecond);

// Mouse onto the search button and one frame, mouse off and one frame: two frames per iteration.
void BM_SearchButtonHoverFrames(benchmark::State& state) {
  test::SearchSite site;
  SettledWindow settled(site);
  if (!settled.created) state.SkipWithError("Create failed");
  ws::ScopedHeadless& sys = settled.sys;
  MainWindow& window = settled.window;
  const Point on = Centre(window.Button(1));
  const Point off = window.Window().PointToScreen({4, 4});
  for (auto _ : state) {
    sys->MoveMouse(on);
    window.Window().Repaint();
    sys->MoveMouse(off);
    window.Window().Repaint();
  }
  state.counters["frames"] = benchmark::Counter(2.0 * static_cast<double>(state.iterations()));
}
BENCHMARK(BM_SearchButtonHoverFrames)->Unit(benchmark::kMicrosecond);

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// A real search of 300 hits from the loopback site: the click on "撸一管", then the rows
// arriving from the search's workers and the frames they cause, as long as the search runs.
// The clock is the UI thread's own processor time (the workers' fetching is not counted);
// the figure is per row.
void BM_StreamedRowsUiCost(benchmark::State& state) {
  constexpr int kRows = 300;
  test::SearchSite site;
  SettledWindow settled(site);
  if (!settled.created) state.SkipWithError("Create failed");
  ws::ScopedHeadless& sys = settled.sys;
  MainWindow& window = settled.window;
  for (auto _ : state) {
    window.KeywordBox().SetText("many");
    const double start = ThreadCpuSeconds();
    sys->Click(Centre(window.Button(1)));
    const bool done =
        sys->RunUntil([&] { return !window.Session().Busy() && window.ResultList().GetRowCount() == kRows; }, 60000);
    state.SetIterationTime(ThreadCpuSeconds() - start);
    if (!done) state.SkipWithError("the search did not bring 300 rows");
  }
  state.counters["row"] = benchmark::Counter(static_cast<double>(state.iterations() * kRows),
                                             benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StreamedRowsUiCost)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillmar

BENCHMARK_MAIN();
