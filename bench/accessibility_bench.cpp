// What a screen reader costs the program's window on the headless backend, side
// by side in one run: a reader's walk of the whole accessible tree with 300
// result rows (every node, the table's shape, every cell's text and place)
// against painting one frame of the same window; and a hover frame with and
// without a listening reader, on the window and on its open row menu, with
// what runs while nobody listens.

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <string>
#include <time.h>

#include "app/main_window.h"
#include "app/startup.h"
#include "platform/ws/headless_window_system.h"

namespace quillmar {
namespace {

constexpr int kRows = 300;

struct WindowWithRows {
  WindowWithRows() : window(Options()) {
    InitModule();
    created = window.Create();
    window.JoinColumnThread();
    sys->Advance(600);
    UiListBox& list = window.ResultList();
    for (int i = 0; i < kRows; ++i) {
      list.InsertRow({}, "result " + std::to_string(i));
      list.SetCellText(i, 1, "magnet:?xt=urn:btih:" + std::to_string(1000000 + i));
    }
    sys->Advance(20);
  }
  static MainWindowOptions Options() {
    MainWindowOptions options;
    options.site = "http://127.0.0.1:9/s/";  // never asked
    options.messageBox = [](std::string_view, int32_t, std::string_view) { return 0; };
    return options;
  }
  ws::ScopedHeadless sys;
  MainWindow window;
  bool created = false;
};

// Everything a reader's full walk asks; returns how many answers it got.
size_t WalkTree(ws::AxProvider& tree) {
  size_t answers = 0;
  std::function<void(ws::AxNodeId)> visit = [&](ws::AxNodeId id) {
    const auto node = tree.Node(id);
    if (!node) return;
    ++answers;
    if (node->facets & ws::AxFacet::Text) answers += tree.Text(id) ? 1 : 0;
    if (node->facets & ws::AxFacet::Value) answers += tree.Value(id) ? 1 : 0;
    for (int32_t i = 0; i < node->items; ++i) answers += tree.Item(id, i) ? 1 : 0;
    if (const auto table = tree.Table(id)) {
      for (int32_t r = 0; r < table->rows; ++r) {
        for (int32_t c = 0; c < table->columns; ++c) {
          answers += tree.CellText(id, r, c).size() > 0 ? 1 : 0;
          answers += tree.CellBounds(id, r, c).width > 0 ? 1 : 0;
        }
      }
    }
    for (ws::AxNodeId child : node->children) visit(child);
  };
  visit(tree.RootNode());
  return answers;
}

double ThreadCpuMicros() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

// The UI thread's own CPU time per run: a shared machine's load does not count.
double MicrosPerRun(int runs, const std::function<void()>& run) {
  const double start = ThreadCpuMicros();
  for (int i = 0; i < runs; ++i) run();
  return (ThreadCpuMicros() - start) / runs;
}

void BM_AccessibleTreeAgainstOneFrame(benchmark::State& state) {
  WindowWithRows w;
  if (!w.created) state.SkipWithError("Create failed");
  ws::AxProvider* tree = w.sys->AxProviderOf(w.window.Handle());
  UiWindow& main = w.window.Window();
  size_t answers = 0;
  double walkUs = 0;
  double frameUs = 0;
  for (auto _ : state) {
    walkUs = MicrosPerRun(20, [&] { answers = WalkTree(*tree); });
    frameUs = MicrosPerRun(20, [&] {
      main.InvalidateRect();
      main.Repaint();
    });
  }
  state.counters["answers_per_walk"] = static_cast<double>(answers);
  state.counters["walk_us"] = walkUs;
  state.counters["frame_us"] = frameUs;
  state.counters["ratio_walk_vs_frame"] = walkUs / frameUs;
}
BENCHMARK(BM_AccessibleTreeAgainstOneFrame)->Iterations(3)->Unit(benchmark::kMillisecond);

// Hover frames on the search button without and with a listening reader, and
// what the window leaves running and announces while nobody listens.
void BM_HoverWithAndWithoutListener(benchmark::State& state) {
  WindowWithRows w;
  if (!w.created) state.SkipWithError("Create failed");
  UiWindow& button = w.window.Button(1);
  const Point on = button.PointToScreen({button.GetWidth() / 2, button.GetHeight() / 2});
  const Point off = w.window.Window().PointToScreen({4, 4});
  auto hover = [&] {
    w.sys->MoveMouse(on);
    w.window.Window().Repaint();
    w.sys->MoveMouse(off);
    w.window.Window().Repaint();
  };
  double quietUs = 0;
  double listenedUs = 0;
  double noticesQuiet = 0;
  double timersIdle = 0;
  for (auto _ : state) {
    w.sys->SetAxListening(false);
    w.sys->ClearAxNotices();
    quietUs = MicrosPerRun(50, hover);
    w.window.StatusLine().SetText("status " + std::to_string(state.iterations()));
    w.window.ResultList().InsertRow({}, "one more");
    noticesQuiet = static_cast<double>(w.sys->AxNotices().size());
    w.sys->Advance(2000);  // every effect and fade over
    timersIdle = static_cast<double>(w.sys->RunningTimerCount());
    w.sys->SetAxListening(true);
    listenedUs = MicrosPerRun(50, hover);
  }
  state.counters["hover_pair_us_no_reader"] = quietUs;
  state.counters["hover_pair_us_reader"] = listenedUs;
  state.counters["ratio_reader_vs_none"] = listenedUs / quietUs;
  state.counters["notices_without_reader"] = noticesQuiet;
  state.counters["timers_running_idle"] = timersIdle;
}
BENCHMARK(BM_HoverWithAndWithoutListener)->Iterations(3)->Unit(benchmark::kMillisecond);

// The open row menu: the highlight moved between its two items by the mouse,
// which announces each move to a listening reader and nothing otherwise.
void BM_MenuHoverWithAndWithoutListener(benchmark::State& state) {
  WindowWithRows w;
  if (!w.created) state.SkipWithError("Create failed");
  UiMenu& menu = w.window.RowMenu();
  menu.Popup(300, 300);
  UiWindow* popup = menu.PopupFrame();
  if (popup == nullptr) state.SkipWithError("the menu did not open");
  const Point origin = ws::System().WindowRect(menu.PopupWindow()).Origin();
  const auto middle = [&](int32_t i) { return origin.Offset(60, menu.ItemRect(i).y + menu.ItemRect(i).height / 2); };
  auto hover = [&] {
    for (int32_t i : {0, 1}) {
      w.sys->MoveMouse(middle(i));
      popup->Repaint();
    }
  };
  double quietUs = 0;
  double listenedUs = 0;
  double noticesQuiet = 0;
  double noticesListened = 0;
  for (auto _ : state) {
    w.sys->SetAxListening(false);
    w.sys->ClearAxNotices();
    quietUs = MicrosPerRun(50, hover);
    noticesQuiet = static_cast<double>(w.sys->AxNotices().size());
    w.sys->SetAxListening(true);
    listenedUs = MicrosPerRun(50, hover);
    noticesListened = static_cast<double>(w.sys->AxNotices().size());
  }
  state.counters["menu_hover_pair_us_no_reader"] = quietUs;
  state.counters["menu_hover_pair_us_reader"] = listenedUs;
  state.counters["ratio_reader_vs_none"] = listenedUs / quietUs;
  state.counters["notices_without_reader"] = noticesQuiet;
  state.counters["notices_with_reader"] = noticesListened;
}
BENCHMARK(BM_MenuHoverWithAndWithoutListener)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillmar

BENCHMARK_MAIN();
