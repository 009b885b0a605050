// The program's window on the headless backend against a loopback site, side by side:
// start-up to the first presented frame, one frame each for the mouse moving onto and off
// the search button, and the UI thread's share of 300 rows arriving one posted task each.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <thread>

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
  ws::ScopedHeadless sys;
  InitModule();
  MainWindow window(Options(site));
  if (!window.Create()) state.SkipWithError("Create failed");
  window.JoinColumnThread();
  sys->Advance(600);
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

// 300 rows posted from another thread the way the search session posts them (a task per
// row carrying title and magnet), then run and painted on the UI thread with a frame per
// row; the figure is per row. The list is cleared between iterations off the clock.
void BM_StreamedRowsUiCost(benchmark::State& state) {
  constexpr int kRows = 300;
  test::SearchSite site;
  ws::ScopedHeadless sys;
  InitModule();
  MainWindow window(Options(site));
  if (!window.Create()) state.SkipWithError("Create failed");
  window.JoinColumnThread();
  sys->Advance(600);
  UiListBox& list = window.ResultList();
  UiLabel& status = window.StatusLine();
  for (auto _ : state) {
    state.PauseTiming();
    list.ClearRows();
    window.Window().Repaint();
    {
      std::jthread poster([&] {
        for (int i = 0; i < kRows; ++i) {
          std::string title = "keyword-1 " + std::to_string(i);
          std::string magnet = "magnet:?xt=keyword-1-" + std::to_string(i);
          ws::System().PostTask([&list, &status, title = std::move(title), magnet = std::move(magnet)] {
            const int32_t index = list.GetRowCount();
            list.InsertRow({}, title);
            list.SetCellText(index, 1, magnet);
            status.SetText(std::to_string(index + 1) + "/300");
          });
        }
      });
    }
    state.ResumeTiming();
    while (list.GetRowCount() < kRows) {
      sys->RunPending();
      window.Window().Repaint();
    }
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.counters["row"] = benchmark::Counter(static_cast<double>(state.iterations() * kRows),
                                             benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StreamedRowsUiCost)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillmar

BENCHMARK_MAIN();
