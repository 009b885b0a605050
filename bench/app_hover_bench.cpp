// The pointer sweeping over buttons on a real display (Xvfb with a window
// manager and a compositor; started privately when no display is set), side
// by side in one run: a plain GTK window with three GTK buttons, then the
// program's window of the same size with its buttons in the same places.
// The pointer moves 5 px every 10 ms for 10 s, through XTEST from a child
// process, so the driver's cost is nobody's. Reported: CPU and context
// switches per second of each and their ratios; the program's presents and
// frames per second and the share of presented pixels that changed; the
// frames of one hover fade; what the idle window and the caret blink present.

#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/startup.h"
#include "bench/private_display.h"
#include "platform/ws/gtk_plain_window.h"
#include "platform/ws/window_core.h"
#include "platform/ws/window_system.h"

extern char** environ;

namespace quillmar {
namespace {

constexpr int kSweepMs = 10000;
constexpr int kStepPx = 5;
constexpr int kStepMs = 10;

struct Usage {
  double cpuMs = 0;
  long switches = 0;
  Usage operator-(const Usage& o) const { return {cpuMs - o.cpuMs, switches - o.switches}; }
};

Usage Now() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return {bench::ProcessCpuMs(), u.ru_nvcsw + u.ru_nivcsw};
}

// Back and forth along the bottom row of buttons, then along the top one,
// one step of kStepPx at a time, `count` points in all.
std::vector<Point> SweepPath(const std::array<Rect, 3>& buttons, size_t count) {
  struct Row {
    int from, to, y;
  };
  const Rect& top = buttons[0];
  const Rect& left = buttons[1];
  const Rect& right = buttons[2];
  const std::array<Row, 2> rows{Row{left.x - 6, right.Right() + 6, left.y + left.height / 2},
                                Row{top.x - 8, top.Right() + 8, top.y + top.height / 2}};
  std::vector<Point> path;
  for (int pass = 0; path.size() < count; ++pass) {
    const Row& row = rows[pass % 2];
    const bool forward = (pass / 2) % 2 == 0;
    for (int x = row.from; x <= row.to && path.size() < count; x += kStepPx) {
      path.push_back({forward ? x : row.to - (x - row.from), row.y});
    }
  }
  return path;
}

// xdotool with the whole path as one chain of commands: one process, XTEST moves.
pid_t StartPointer(const std::vector<Point>& path) {
  std::vector<std::string> args{"xdotool"};
  const std::string pause = "0.0" + std::to_string(kStepMs / 10);
  for (const Point& p : path) {
    args.insert(args.end(), {"mousemove", std::to_string(p.x), std::to_string(p.y), "sleep", pause});
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, "xdotool", nullptr, nullptr, argv.data(), environ) != 0) return 0;
  return pid;
}

// Runs the loop while the pointer child moves, then until it ends; returns
// the usage of the measured part (the sweep's length).
Usage Sweep(ws::WindowSystem& sys, const std::vector<Point>& path) {
  const pid_t pointer = StartPointer(path);
  const Usage before = Now();
  bench::RunFor(sys, kSweepMs);
  const Usage used = Now() - before;
  for (int i = 0; i < 200 && pointer > 0 && waitpid(pointer, nullptr, WNOHANG) == 0; ++i) bench::RunFor(sys, 50);
  return used;
}

void MovePointer(ws::WindowSystem& sys, Point p) {
  const pid_t pid = StartPointer({p});
  if (pid > 0) waitpid(pid, nullptr, 0);
  bench::RunFor(sys, 1);
}

double PerSecond(double value, int ms) { return value * 1000.0 / ms; }

void BM_HoverSweepAgainstPlainGtkWindow(benchmark::State& state) {
  bench::UseDesktop();
  std::string error;
  if (!InstallDesktopWindowSystem(&error)) {
    state.SkipWithError(("no display: " + error).c_str());
    return;
  }
  InitModule();
  ws::WindowSystem& sys = ws::System();
  auto* core = dynamic_cast<ws::WindowSystemCore*>(&sys);
  if (core == nullptr) {
    state.SkipWithError("no window-system core");
    return;
  }
  for (auto _ : state) {
    MainWindowOptions options;
    options.site = "http://127.0.0.1:9/s/";  // never asked: no search runs
    options.messageBox = [](std::string_view, int32_t, std::string_view) { return 0; };
    MainWindow window(std::move(options));
    if (!window.Create()) {
      state.SkipWithError("Create failed");
      break;
    }
    window.JoinColumnThread();
    bench::RunFor(sys, 1500);  // the open effect and the columns
    const Rect frame = sys.WindowRect(window.Handle());
    std::array<Rect, 3> buttons;
    std::vector<Rect> inWindow;
    for (int i = 0; i < 3; ++i) {
      UiButton& b = window.Button(i + 1);
      buttons[static_cast<size_t>(i)] = Rect::FromOriginSize(b.PointToScreen({0, 0}), {b.GetWidth(), b.GetHeight()});
      inWindow.push_back(buttons[static_cast<size_t>(i)].Translated(-frame.x, -frame.y));
    }
    const std::vector<Point> path = SweepPath(buttons, kSweepMs / kStepMs);
    const Point aside{frame.x + 150, frame.y + 412};  // the status line: no control reacts there

    // The plain window first, where the program's window is (hidden meanwhile).
    sys.ShowWindow(window.Handle(), Show::Hide);
    Usage plain;
    {
      ws::GtkPlainWindow reference(frame, inWindow, {"Search", "Previous", "Next"});
      bench::RunFor(sys, 1000);
      MovePointer(sys, aside);
      bench::RunFor(sys, 300);
      plain = Sweep(sys, path);
    }
    sys.ShowWindow(window.Handle(), Show::Normal);
    MovePointer(sys, aside);
    bench::RunFor(sys, 1000);

    core->ResetPresentStatistics();
    core->CountChangedPixels(true);
    const Usage ours = Sweep(sys, path);
    const ws::WindowSystemCore::PresentStats sweep = core->PresentStatistics();
    core->CountChangedPixels(false);

    // One hover fade, frame by frame.
    MovePointer(sys, aside);
    bench::RunFor(sys, 500);
    core->ResetPresentStatistics();
    UiButton& next = window.Button(3);
    MovePointer(sys, {buttons[2].x + 50, buttons[2].y + 12});
    int64_t fadeStart = -1;
    int64_t fadeEnd = -1;
    int64_t framesAtStart = 0;
    int64_t fadeFrames = 0;
    for (int i = 0; i < 400 && fadeEnd < 0; ++i) {
      const bool running = next.TransitionRunning();
      if (running && fadeStart < 0) {
        fadeStart = sys.NowMs();
        framesAtStart = core->PresentStatistics().frames;
      }
      if (!running && fadeStart >= 0) {
        fadeEnd = sys.NowMs();
        fadeFrames = core->PresentStatistics().frames - framesAtStart;
      }
      bench::RunFor(sys, 2);
    }

    // Idle: the pointer rests where nothing reacts.
    MovePointer(sys, aside);
    bench::RunFor(sys, 1000);
    core->ResetPresentStatistics();
    constexpr int kQuietMs = 3000;
    const Usage idleStart = Now();
    bench::RunFor(sys, kQuietMs);
    const Usage idle = Now() - idleStart;
    const ws::WindowSystemCore::PresentStats idleStats = core->PresentStatistics();

    // The caret blinking in the focused keyword box.
    window.KeywordBox().Focus();
    bench::RunFor(sys, 1000);
    core->ResetPresentStatistics();
    bench::RunFor(sys, kQuietMs);
    const ws::WindowSystemCore::PresentStats blink = core->PresentStatistics();

    state.counters["plain_cpu_pct"] = plain.cpuMs / (kSweepMs / 100.0);
    state.counters["plain_ctxsw_per_s"] = PerSecond(static_cast<double>(plain.switches), kSweepMs);
    state.counters["main_cpu_pct"] = ours.cpuMs / (kSweepMs / 100.0);
    state.counters["main_ctxsw_per_s"] = PerSecond(static_cast<double>(ours.switches), kSweepMs);
    state.counters["cpu_ratio_main_vs_plain"] = ours.cpuMs / std::max(plain.cpuMs, 0.1);
    state.counters["ctxsw_ratio_main_vs_plain"] =
        static_cast<double>(ours.switches) / std::max(static_cast<double>(plain.switches), 1.0);
    state.counters["sweep_presents_per_s"] = PerSecond(static_cast<double>(sweep.presents), kSweepMs);
    state.counters["sweep_frames_per_s"] = PerSecond(static_cast<double>(sweep.frames), kSweepMs);
    state.counters["sweep_px_per_present"] =
        static_cast<double>(sweep.copiedPixels) / std::max<double>(1.0, static_cast<double>(sweep.presents));
    state.counters["sweep_changed_share"] =
        static_cast<double>(sweep.changedPixels) / std::max<double>(1.0, static_cast<double>(sweep.copiedPixels));
    state.counters["sweep_shape_updates"] = static_cast<double>(sweep.shapeUpdates);
    state.counters["window_px"] = static_cast<double>(frame.width) * frame.height;
    state.counters["fade_frames"] = static_cast<double>(fadeFrames);
    state.counters["fade_ms"] = static_cast<double>(fadeEnd - fadeStart);
    state.counters["idle_presents"] = static_cast<double>(idleStats.presents);
    state.counters["idle_frames"] = static_cast<double>(idleStats.frames);
    state.counters["idle_cpu_pct"] = idle.cpuMs / (kQuietMs / 100.0);
    state.counters["blink_presents"] = static_cast<double>(blink.presents);
    state.counters["blink_px_per_present"] =
        static_cast<double>(blink.copiedPixels) / std::max<double>(1.0, static_cast<double>(blink.presents));
  }
}
BENCHMARK(BM_HoverSweepAgainstPlainGtkWindow)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace quillmar

BENCHMARK_MAIN();
