// Idle CPU of the program's window on a real display over 10 s, side by side in
// one run with a plain layered GTK window of the same size that has no timer.
// The program's window sits as a user leaves it after start (open effect done,
// columns loaded, no search), then again with the keyword box focused and its
// caret blinking, as while the user thinks of a keyword.
// Starts a private Xvfb when no display is set.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/startup.h"
#include "bench/private_display.h"
#include "platform/ws/window_system.h"

namespace quillmar {
namespace {

constexpr int kSeconds = 10;

void BM_MainWindowIdleAgainstPlainWindow(benchmark::State& state) {
  bench::UseDisplay();
  std::string error;
  if (!InstallDesktopWindowSystem(&error)) {
    state.SkipWithError(("no display: " + error).c_str());
    return;
  }
  InitModule();
  ws::WindowSystem& sys = ws::System();
  for (auto _ : state) {
    const double plain = bench::PlainWindowIdleCpuMs(sys, kSeconds * 1000);

    MainWindowOptions options;
    options.site = "http://127.0.0.1:9/s/";  // never asked: no search runs
    options.messageBox = [](std::string_view, int32_t, std::string_view) { return 0; };
    double idle = 0;
    double typing = 0;
    bool caretBlinking = false;
    {
      MainWindow window(std::move(options));
      if (!window.Create()) {
        state.SkipWithError("Create failed");
        break;
      }
      window.JoinColumnThread();
      bench::RunFor(sys, 1000);  // the open effect, the columns and the window settling on screen
      idle = bench::RunFor(sys, kSeconds * 1000);
      window.KeywordBox().Focus();
      bench::RunFor(sys, 300);
      caretBlinking = window.KeywordBox().BlinkTimerRunning();
      typing = bench::RunFor(sys, kSeconds * 1000);
    }
    state.counters["plain_cpu_pct"] = plain / (kSeconds * 10.0);
    state.counters["main_window_cpu_pct"] = idle / (kSeconds * 10.0);
    state.counters["cpu_ratio_main_vs_plain"] = idle / std::max(plain, 0.1);
    state.counters["focused_cpu_pct"] = typing / (kSeconds * 10.0);
    state.counters["cpu_ratio_focused_vs_plain"] = typing / std::max(plain, 0.1);
    state.counters["caret_blinking"] = caretBlinking ? 1 : 0;
  }
}
BENCHMARK(BM_MainWindowIdleAgainstPlainWindow)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace quillmar

BENCHMARK_MAIN();
