// Frame costs of the list box on the headless backend, side by side. The list
// is the search window's: 524 x 280 with two 262-pixel columns and 80-pixel
// rows, so three or four rows are in view whatever the row count.
//   BM_WheelNotchFrame/100 vs /10000 and BM_HoverMoveFrame/100 vs /10000: the
//   cost of one notch or one hover change with its frame must not grow with the rows.
//   BM_AppendRowsThenFrame vs BM_FrameOfBuiltList: 1 000 rows appended one by
//   one and then one frame, against the frame alone of the same list.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/ws/headless_window_system.h"
#include "platform/ws/messages.h"
#include "tests/support/bound_window.h"
#include "ui/controls/list_box.h"
#include "ui/core/theme_defaults.h"
#include "ui/core/window.h"

namespace quillmar {
namespace {

constexpr int kWinX = 100;
constexpr int kWinY = 100;
constexpr int kListX = 4;
constexpr int kListY = 114;

struct Scene {
  Scene() {
    Theme() = ThemeDefaults::Standard();
    BindOptions options;
    options.backColor = 0xFF2B5D8C;
    bound = std::make_unique<testing::BoundWindow>(testing::WindowSpec{kWinX, kWinY, 544, 445}, options);
    window = bound->window.get();
    list = std::make_unique<UiListBox>();
    list->Create(window, true, kListX, kListY, 524, 280, 0);
    list->InsertColumn({}, "\xC3\xFB\xB3\xC6", {.width = 262, .align = 1});
    list->InsertColumn({}, "\xD6\xD6\xD7\xD3\xC1\xAC\xBD\xD3", {.width = 262, .align = 1});
  }
  ~Scene() {
    list.reset();
    bound.reset();
  }
  void Append(int n) {
    for (int i = 0; i < n; ++i) {
      const int32_t row = list->GetRowCount();
      list->InsertRow({}, "[" + std::to_string(row) + "] some result title");
      list->SetCellText(row, 1, "magnet:?xt=urn:btih:0123456789abcdef0123456789abcdef01234567");
    }
  }
  // Screen point of a point of the list; the window's padding is 6 on each side.
  static Point At(int x, int y) { return {kWinX + 6 + kListX + x, kWinY + 6 + kListY + y}; }
  ws::HeadlessWindowSystem& Headless() { return *headless; }

  ws::ScopedHeadless headless;
  std::unique_ptr<testing::BoundWindow> bound;
  UiWindow* window = nullptr;
  std::unique_ptr<UiListBox> list;
};

// One notch down or up (alternating, so every notch moves the list) and the frame.
void BM_WheelNotchFrame(benchmark::State& state) {
  Scene scene;
  scene.Append(static_cast<int>(state.range(0)));
  scene.window->Repaint();
  scene.Headless().MoveMouse(Scene::At(100, 100));
  scene.Headless().Wheel(-120);
  scene.window->Repaint();
  int delta = 120;
  for (auto _ : state) {
    scene.Headless().Wheel(delta);
    scene.window->Repaint();
    delta = -delta;
  }
}
BENCHMARK(BM_WheelNotchFrame)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The mouse moves from the first row to the second and back; each move is a hover change.
void BM_HoverMoveFrame(benchmark::State& state) {
  Scene scene;
  scene.Append(static_cast<int>(state.range(0)));
  scene.window->Repaint();
  bool second = false;
  for (auto _ : state) {
    scene.Headless().MoveMouse(Scene::At(100, second ? 130 : 50));
    scene.window->Repaint();
    second = !second;
  }
}
BENCHMARK(BM_HoverMoveFrame)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_AppendRowsThenFrame(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) {
    state.PauseTiming();
    scene.list->ClearRows();
    scene.window->Repaint();
    state.ResumeTiming();
    scene.Append(1000);
    scene.window->Repaint();
  }
}
BENCHMARK(BM_AppendRowsThenFrame)->Unit(benchmark::kMicrosecond);

void BM_FrameOfBuiltList(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) {
    state.PauseTiming();
    scene.list->ClearRows();
    scene.window->Repaint();
    scene.Append(1000);
    state.ResumeTiming();
    scene.window->Repaint();
  }
}
BENCHMARK(BM_FrameOfBuiltList)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quillmar

BENCHMARK_MAIN();
