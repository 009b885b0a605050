// Frame costs of the window core on the headless backend, side by side:
// a hover change (one child flagged, repainted, composed, presented) against a
// full recomposition of the same 544 x 445 window with 10 children, and an
// update pass that finds nothing flagged (an idle window runs none at all).

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "platform/draw/brush.h"
#include "platform/draw/graphics.h"
#include "platform/ws/headless_window_system.h"
#include "platform/ws/messages.h"
#include "ui/core/caption_images.h"
#include "ui/core/pic_button.h"
#include "tests/support/bound_window.h"
#include "ui/core/window.h"

namespace quillmar {
namespace {

struct Scene {
  Scene() {
    BindOptions options;
    options.backColor = 0xFF2B5D8C;
    options.captionFlags = 7;
    bound = std::make_unique<testing::BoundWindow>(testing::WindowSpec{100, 100, 544, 445}, options);
    hwnd = bound->hwnd;
    window = bound->window.get();
    const CaptionImages& images = BuiltInCaptionImages();
    for (int i = 0; i < 10; ++i) {
      buttons.push_back(std::make_unique<UiPicButton>());
      buttons.back()->Create(window, true, 20 + (i % 5) * 100, 60 + (i / 5) * 120, 90, 100, images.minimize[0],
                             images.minimize[1], images.minimize[2]);
    }
    window->Repaint();
  }
  ~Scene() {
    buttons.clear();
    bound.reset();
  }

  ws::ScopedHeadless headless;
  Hwnd hwnd = 0;
  std::unique_ptr<testing::BoundWindow> bound;
  UiWindow* window = nullptr;
  std::vector<std::unique_ptr<UiPicButton>> buttons;
};

// The mouse moves from one button to the next: two buttons change picture.
// With range(0) = 0 the window is hidden, which leaves out the backend's copy
// of the picture and measures the core's own work.
void BM_HoverChangeFrame(benchmark::State& state) {
  Scene scene;
  if (state.range(0) == 0) ws::System().ShowWindow(scene.hwnd, Show::Hide);
  size_t i = 0;
  for (auto _ : state) {
    UiPicButton& from = *scene.buttons[i % 10];
    UiPicButton& to = *scene.buttons[(i + 1) % 10];
    from.SendEvent(from.Key(), Event::MouseLeave);
    to.SendEvent(to.Key(), Event::MouseEnter);
    from.StopTransition();
    to.StopTransition();
    scene.window->Repaint();
    ++i;
  }
}
BENCHMARK(BM_HoverChangeFrame)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// Everything redrawn: the window's frame and background and all ten buttons.
void BM_FullRecomposition(benchmark::State& state) {
  Scene scene;
  if (state.range(0) == 0) ws::System().ShowWindow(scene.hwnd, Show::Hide);
  for (auto _ : state) {
    scene.window->InvalidateRect();
    for (auto& b : scene.buttons) b->InvalidateRect();
    scene.window->Repaint();
  }
}
BENCHMARK(BM_FullRecomposition)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// An update pass with nothing flagged: a walk over the flags, no drawing, no present.
void BM_PassWithNothingFlagged(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) scene.window->Tick();
}
BENCHMARK(BM_PassWithNothingFlagged)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quillmar

BENCHMARK_MAIN();
