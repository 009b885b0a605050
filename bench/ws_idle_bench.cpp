// Idle CPU of layered GTK windows over 10 s, side by side in one run: a bound
// 544 x 445 window with 10 children sitting idle against a plain window with
// no timer, and the frame rate of the same bound window running hover fades.
// Also a raw 1 ms window timer against no timer, for scale. Starts a private
// Xvfb when no display is set.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/private_display.h"
#include "platform/ws/gtk_window_system.h"
#include "ui/core/caption_images.h"
#include "ui/core/pic_button.h"
#include "ui/core/window.h"

namespace quillmar::ws {
namespace {

constexpr int kSeconds = 10;

using bench::OpenBenchWindow;
using bench::RunFor;
using bench::UseDisplay;

void BM_IdleCpuTickAgainstNoTimer(benchmark::State& state) {
  UseDisplay();
  std::string error;
  auto backend = CreateGtkWindowSystem(&error);
  if (!backend) {
    state.SkipWithError(("no display: " + error).c_str());
    return;
  }
  for (auto _ : state) {
    int ticks = 0;
    const double quiet = bench::PlainWindowIdleCpuMs(*backend, kSeconds * 1000);
    const double ticking = bench::PlainWindowIdleCpuMs(*backend, kSeconds * 1000, &ticks);
    state.counters["no_timer_cpu_pct"] = quiet / (kSeconds * 10.0);
    state.counters["tick_1ms_cpu_pct"] = ticking / (kSeconds * 10.0);
    state.counters["ticks_per_s"] = static_cast<double>(ticks) / kSeconds;
    state.counters["cpu_ratio_tick_vs_none"] = ticking / std::max(quiet, 0.1);
  }
}
BENCHMARK(BM_IdleCpuTickAgainstNoTimer)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// A bound window that counts the pictures it puts on the screen and, while
// asked to, keeps one child fading (a new fade as soon as the last one ends).
class CountingWindow : public UiWindow {
 public:
  void Present() override {
    ++presents;
    if (fading && !fading->TransitionRunning()) fading->Transition();
    UiWindow::Present();
  }
  int presents = 0;
  UiPicButton* fading = nullptr;
};

void BM_BoundWindowIdleAndHoverFadeAgainstPlainWindow(benchmark::State& state) {
  UseDisplay();
  std::string error;
  auto created = CreateGtkWindowSystem(&error);
  if (!created) {
    state.SkipWithError(("no display: " + error).c_str());
    return;
  }
  std::unique_ptr<WindowSystem> previous = InstallSystem(std::move(created));
  WindowSystem& ws = System();
  for (auto _ : state) {
    const double plain = bench::PlainWindowIdleCpuMs(ws, kSeconds * 1000);

    const WindowHandle hwnd = OpenBenchWindow(ws, 0);
    double idle = 0;
    double fadeFps = 0;
    int idlePresents = 0;
    {
      CountingWindow window;
      BindOptions options;
      options.backColor = 0xFF2B5D8C;
      options.captionFlags = 7;
      window.Bind(hwnd, options);
      const CaptionImages& images = BuiltInCaptionImages();
      std::vector<std::unique_ptr<UiPicButton>> children;
      for (int i = 0; i < 10; ++i) {
        children.push_back(std::make_unique<UiPicButton>());
        children.back()->Create(&window, true, 20 + (i % 5) * 100, 60 + (i / 5) * 120, 90, 100, images.minimize[0],
                                images.minimize[1], images.minimize[2]);
      }
      RunFor(ws, 300);  // the first picture and the window settling on screen
      const int before = window.presents;
      idle = RunFor(ws, kSeconds * 1000);
      idlePresents = window.presents - before;

      constexpr int kFadeMs = 3000;
      window.fading = children[3].get();
      window.fading->Transition();
      const int fadeStart = window.presents;
      RunFor(ws, kFadeMs);
      fadeFps = (window.presents - fadeStart) * 1000.0 / kFadeMs;
      window.fading->StopTransition();
      window.fading = nullptr;
      children.clear();
    }
    ws.DestroyWindow(hwnd);
    state.counters["plain_cpu_ms"] = plain;
    state.counters["bound_idle_cpu_ms"] = idle;
    state.counters["bound_idle_presents"] = idlePresents;
    state.counters["cpu_ratio_bound_vs_plain"] = idle / std::max(plain, 0.1);
    state.counters["hover_fade_fps"] = fadeFps;
  }
  InstallSystem(std::move(previous));
}
BENCHMARK(BM_BoundWindowIdleAndHoverFadeAgainstPlainWindow)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace quillmar::ws

BENCHMARK_MAIN();
