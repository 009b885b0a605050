// Drawing layer throughput, measured side by side: the constant-alpha blend of a
// 545 × 446 picture against a plain copy of it and against the same blend through
// the general picture drawing; 1000 short strings drawn against only measured.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "platform/draw/blend.h"
#include "platform/draw/graphics.h"

namespace quillmar::draw {
namespace {

constexpr int kWidth = 545;
constexpr int kHeight = 446;

Bitmap MakePicture() {
  Bitmap b(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) b.SetPixel(x, y, ((x + y) & 0xFF) << 24 | 0x336699);
  }
  return b;
}

void BM_CopyPicture(benchmark::State& state) {
  const Bitmap src = MakePicture();
  Bitmap dst(kWidth, kHeight);
  for (auto _ : state) {
    std::memcpy(dst.Data(), src.Data(), static_cast<size_t>(kWidth) * kHeight * 4);
    benchmark::DoNotOptimize(dst.Data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_CopyPicture);

void BM_BlendPictureConstantAlpha(benchmark::State& state) {
  const Bitmap src = MakePicture();
  Bitmap dst(kWidth, kHeight);
  dst.Clear(0xFF808080);
  for (auto _ : state) {
    BlendBitmap(dst, 0, 0, src, 128);
    benchmark::DoNotOptimize(dst.Data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_BlendPictureConstantAlpha);

void BM_BlendPictureClippedToTwoRects(benchmark::State& state) {
  const Bitmap src = MakePicture();
  Bitmap dst(kWidth, kHeight);
  Region clip(Rect{0, 0, kWidth, kHeight / 2});
  clip.Union(Rect{0, kHeight / 2, kWidth / 2, kHeight / 2});
  for (auto _ : state) {
    BlendBitmap(dst, 0, 0, src, 200, &clip);
    benchmark::DoNotOptimize(dst.Data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight * 3 / 4);
}
BENCHMARK(BM_BlendPictureClippedToTwoRects);

void BM_DrawPictureNaturalSize(benchmark::State& state) {
  const Bitmap src = MakePicture();
  Bitmap dst(kWidth, kHeight);
  Graphics g(dst);
  for (auto _ : state) {
    g.DrawImage(src, 0, 0);
    benchmark::DoNotOptimize(dst.Data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_DrawPictureNaturalSize);

// "第N行 row N": 1000 different strings, so none is drawn twice per iteration.
std::u16string ShortString(int i) {
  std::u16string n;
  for (const char c : std::to_string(i)) n += static_cast<char16_t>(c);
  return u"第" + n + u"行 row " + n;
}

// A bitmap set up for list-like text: no wrap, ellipsis trimming, grid-fit antialiasing.
struct TextTarget {
  explicit TextTarget(int width, int height) : dst(width, height), g(dst) {
    g.SetTextRenderingHint(TextRenderingHint::AntiAliasGridFit);
    format.SetTrimming(StringTrimming::EllipsisCharacter);
  }
  Bitmap dst;
  Graphics g;
  const Font font{FontFamily::FromName(u"宋体"), 12};
  StringFormat format{StringFormat::kNoWrap | StringFormat::kMeasureTrailingSpaces};
  const Brush brush{0xFF000000};
};

void BM_Draw1000ShortStrings(benchmark::State& state) {
  TextTarget t(600, 400);
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      const RectF cell{static_cast<float>(i % 6 * 100), static_cast<float>(i / 6 % 25 * 16), 100, 16};
      t.g.DrawString(ShortString(i), t.font, cell, &t.format, t.brush);
    }
    benchmark::DoNotOptimize(t.dst.Data());
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_Draw1000ShortStrings)->Unit(benchmark::kMillisecond);

void BM_Measure1000ShortStrings(benchmark::State& state) {
  Bitmap dst(1, 1);
  Graphics g(dst);
  const Font font(FontFamily::FromName(u"宋体"), 12);
  StringFormat format(StringFormat::kNoWrap | StringFormat::kMeasureTrailingSpaces);
  for (auto _ : state) {
    float total = 0;
    for (int i = 0; i < 1000; ++i)
      total += g.MeasureString(ShortString(i), font, {0, 0, 100, 16}, &format).bounds.width;
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_Measure1000ShortStrings)->Unit(benchmark::kMillisecond);

// A repaint: the same 50 rows of two cells drawn again, as a list box does.
void BM_Redraw100CellsOfAList(benchmark::State& state) {
  TextTarget t(600, 800);
  for (auto _ : state) {
    for (int i = 0; i < 100; ++i) {
      t.g.DrawString(ShortString(i), t.font, {static_cast<float>(i % 2 * 262), static_cast<float>(i / 2 * 16), 262, 16},
                     &t.format, t.brush);
    }
    benchmark::DoNotOptimize(t.dst.Data());
  }
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_Redraw100CellsOfAList)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillmar::draw

BENCHMARK_MAIN();
