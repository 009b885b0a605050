// Skin drawing and effect frames. Run side by side: the nine-grid against a
// plain stretch of the same picture, a rotated effect frame against a fade frame.
#include <benchmark/benchmark.h>

#include "platform/draw/bitmap.h"
#include "platform/draw/graphics.h"
#include "platform/draw/image.h"
#include "ui/core/skin_image.h"
#include "ui/gfx/effect.h"

namespace quillmar {
namespace {

constexpr int kWidth = 544;
constexpr int kHeight = 445;

draw::Image MakeSkin(bool markers) {
  draw::Bitmap bitmap(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      bitmap.SetPixel(x, y,
                      0xFF000000u | static_cast<uint32_t>((x * 7) & 0xFF) << 16 |
                          static_cast<uint32_t>((y * 5) & 0xFF) << 8 | 0x40u);
  if (markers) {
    for (int x : {40, 500}) bitmap.SetPixel(x, 0, 0xFFFF00FF);
    for (int y : {60, 400}) bitmap.SetPixel(0, y, 0xFFFF00FF);
  }
  return draw::Image::FromBitmap(std::move(bitmap));
}

void BM_SkinStretch(benchmark::State& state) {
  const draw::Image skin = MakeSkin(false);
  draw::Bitmap target(kWidth + 1, kHeight + 1);
  draw::Graphics graphics(target);
  for (auto _ : state) {
    DrawSkinImage(graphics, skin, {0, 0, kWidth, kHeight}, SkinModeStretch);
    benchmark::DoNotOptimize(target.Data());
  }
}
BENCHMARK(BM_SkinStretch);

void BM_SkinNineGrid(benchmark::State& state) {
  const draw::Image skin = MakeSkin(true);
  draw::Bitmap target(kWidth + 1, kHeight + 1);
  draw::Graphics graphics(target);
  for (auto _ : state) {
    DrawSkinImage(graphics, skin, {0, 0, kWidth, kHeight}, SkinModeMarked);
    benchmark::DoNotOptimize(target.Data());
  }
}
BENCHMARK(BM_SkinNineGrid);

// One full run of an effect without a window, per frame.
void RunEffect(benchmark::State& state, int kind) {
  draw::Bitmap source(kWidth, kHeight);
  source.Clear(0xFF336699);
  UiEffect effect;
  effect.Setup(kind, &source, 0, 0, kWidth, kHeight, std::nullopt, false, {}, {});
  int64_t frames = 0;
  for (auto _ : state) {
    effect.Start();
    while (effect.Running()) {
      effect.Tick();
      ++frames;
    }
  }
  state.SetItemsProcessed(frames);
}

void BM_EffectFadeFrames(benchmark::State& state) { RunEffect(state, 1); }
BENCHMARK(BM_EffectFadeFrames);

void BM_EffectRotatedFrames(benchmark::State& state) { RunEffect(state, 25); }
BENCHMARK(BM_EffectRotatedFrames);

}  // namespace
}  // namespace quillmar

BENCHMARK_MAIN();
