// Idle CPU of layered GTK windows over 10 s, side by side in one run: a bound
// 544 x 445 window with 10 children sitting idle against a plain window with
// no timer, and the frame rate of the same bound window running hover fades.
// Also a raw 1 ms window timer against no timer, for scale. Starts a private
// Xvfb when no display is set.

#include <benchmark/benchmark.h>

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/ws/gtk_window_system.h"
#include "platform/ws/messages.h"
#include "ui/core/caption_images.h"
#include "ui/core/pic_button.h"
#include "ui/core/window.h"

extern char** environ;

namespace quillmar::ws {
namespace {

constexpr int kSeconds = 10;

double ProcessCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec * 1000.0 + usage.ru_utime.tv_usec / 1000.0 + usage.ru_stime.tv_sec * 1000.0 +
         usage.ru_stime.tv_usec / 1000.0;
}

// A private X server for the run, when the environment has none.
class PrivateDisplay {
 public:
  PrivateDisplay() {
    if (std::getenv("DISPLAY") != nullptr) return;
    for (int n = 300; n < 400; ++n) {
      const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
      if (access(lock.c_str(), F_OK) == 0) continue;
      const std::string display = ":" + std::to_string(n);
      std::vector<std::string> args = {"Xvfb", display, "-screen", "0", "1366x768x24", "-nolisten", "tcp"};
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      if (posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, argv.data(), environ) != 0) return;
      const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
      for (int i = 0; i < 100 && access(socket.c_str(), F_OK) != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      setenv("DISPLAY", display.c_str(), 1);
      return;
    }
  }
  ~PrivateDisplay() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }

 private:
  pid_t pid_ = 0;
};

// One server for the whole run: the toolkit stays connected to the display it
// first opened, so a server per benchmark would leave the second one talking
// to a server that is gone.
void UseDisplay() { static PrivateDisplay display; }

// A shown 544 x 445 popup window at (200, 150).
WindowHandle OpenBenchWindow(WindowSystem& ws, uint32_t exStyle) {
  WindowClass cls;
  cls.name = "IdleBench";
  ws.AddWindowClass(cls);
  WindowCreateParams p;
  p.className = cls.name;
  p.x = 200;
  p.y = 150;
  p.width = 544;
  p.height = 445;
  p.style = Style::Popup | Style::Visible;
  p.exStyle = exStyle;
  return ws.OpenWindow(p);
}

// Runs the loop for kSeconds with one presented window; returns CPU ms used.
double IdleCpuMs(WindowSystem& ws, bool tick, int* ticks) {
  const WindowHandle hwnd = OpenBenchWindow(ws, ExStyle::Layered);
  std::vector<uint32_t> pixels(544 * 445, 0xC8FFFFFF);
  ws.PresentLayered(hwnd, {200, 150}, {544, 445}, PixelView{pixels.data(), 544, 445, 544 * 4}, 255);
  ws.SetWindowTimer(0, 0, 300, [&](uint32_t id) {  // let the window settle on screen
    ws.KillWindowTimer(0, id);
    ws.PostQuit(0);
  });
  ws.RunLoop();
  *ticks = 0;
  if (tick) ws.SetWindowTimer(hwnd, 1, 1, [ticks](uint32_t) { ++*ticks; });
  ws.SetWindowTimer(0, 0, kSeconds * 1000, [&](uint32_t) { ws.PostQuit(0); });
  const double start = ProcessCpuMs();
  ws.RunLoop();
  const double used = ProcessCpuMs() - start;
  ws.DestroyWindow(hwnd);
  return used;
}

void BM_IdleCpuTickAgainstNoTimer(benchmark::State& state) {
  UseDisplay();
  std::string error;
  auto backend = CreateGtkWindowSystem(&error);
  if (!backend) {
    state.SkipWithError(("no display: " + error).c_str());
    return;
  }
  for (auto _ : state) {
    int noTicks = 0;
    int ticks = 0;
    const double quiet = IdleCpuMs(*backend, false, &noTicks);
    const double ticking = IdleCpuMs(*backend, true, &ticks);
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
    if (fading && fading->TimerIds().empty()) fading->Transition();
    UiWindow::Present();
  }
  int presents = 0;
  UiPicButton* fading = nullptr;
};

// Runs the loop for `ms` and returns the CPU milliseconds it used.
double RunFor(WindowSystem& ws, int ms) {
  const uint32_t stop = ws.SetWindowTimer(0, 0, static_cast<uint32_t>(ms), [&](uint32_t) { ws.PostQuit(0); });
  const double start = ProcessCpuMs();
  ws.RunLoop();
  ws.KillWindowTimer(0, stop);
  return ProcessCpuMs() - start;
}

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
    int unused = 0;
    const double plain = IdleCpuMs(ws, false, &unused);

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
