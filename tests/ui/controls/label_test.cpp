#include "ui/controls/label.h"

#include <gtest/gtest.h>

#include "base/text_encoding.h"
#include "tests/ui/core/window_test_support.h"
#include "ui/core/process_values.h"
#include "ui/core/theme_defaults.h"
#include "ui/gfx/font.h"

namespace quillmar {
namespace {

using testing::WindowFixture;

struct Ink {
  int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
};

// Bounds of the pixels in the child-relative area that differ from the background.
Ink InkIn(WindowFixture& f, int x0, int y0, int w, int h) {
  Ink ink;
  for (int y = y0; y < y0 + h; ++y) {
    for (int x = x0; x < x0 + w; ++x) {
      if (f.Pixel(x, y) == testing::kBackColor) continue;
      ink = {std::min(ink.left, x - x0), std::min(ink.top, y - y0), std::max(ink.right, x - x0),
             std::max(ink.bottom, y - y0)};
    }
  }
  return ink;
}

class UiLabelTest : public ::testing::Test {
 protected:
  void SetUp() override { InitProcessValues("", 1); }
};

TEST_F(UiLabelTest, AlignZeroIsTopLeftAndTwelveIsBottomRight) {
  WindowFixture f(300, 200);
  UiLabel topLeft;
  topLeft.Create(f.window.get(), true, 10, 10, 200, 60, "Quillmar", {}, {}, {}, 0u, 0, 0);
  UiLabel bottomRight;
  bottomRight.Create(f.window.get(), true, 10, 100, 200, 60, "Quillmar", {}, {}, {}, 0u, 0, 12);
  f.Frame();
  const Ink a = InkIn(f, 10, 10, 200, 60);
  ASSERT_GE(a.right, 0);
  EXPECT_LE(a.left, 3);
  EXPECT_LE(a.top, 5);
  EXPECT_LT(a.right, 100);
  EXPECT_LT(a.bottom, 30);
  const Ink b = InkIn(f, 10, 100, 200, 60);
  ASSERT_GE(b.right, 0);
  EXPECT_GE(b.right, 195);
  EXPECT_GE(b.bottom, 50);
  EXPECT_GT(b.left, 100);
  EXPECT_GT(b.top, 30);
}

TEST_F(UiLabelTest, TextLandsOnePixelRightAndBelowItsLayoutAndTheShadowSpreadsAround) {
  WindowFixture f(300, 200);
  constexpr int w = 160, h = 40;
  UiLabel label;
  label.Create(f.window.get(), true, 10, 10, w, h, "Shadow 012", {}, {}, 0xFF202020u, 0u, 0, 0);
  f.Frame();
  // The same text drawn straight onto a picture, as the label lays it out.
  draw::Bitmap plain(w + 1, h + 1);
  {
    draw::Graphics g(plain);
    g.SetTextRenderingHint(draw::TextRenderingHint::AntiAliasGridFit);
    UiFont font;
    font.FromName(Theme().fontName, Theme().fontSize);
    draw::StringFormat format(draw::StringFormat::kMeasureTrailingSpaces | draw::StringFormat::kNoWrap);
    format.SetTrimming(draw::StringTrimming::EllipsisCharacter);
    g.DrawString(GbkToWide("Shadow 012"), font.GetFont(), {0, 0, w, h}, &format, draw::Brush(0xFF202020u));
  }
  const draw::Bitmap* canvas = label.Canvas();
  int textPixels = 0;
  for (int y = 0; y < h - 1; ++y) {
    for (int x = 0; x < w - 1; ++x) {
      ASSERT_EQ(canvas->RawPixel(x + 1, y + 1), plain.RawPixel(x, y)) << x << "," << y;
      textPixels += plain.RawPixel(x, y) != 0;
    }
  }
  for (int i = 0; i < h; ++i) EXPECT_EQ(canvas->RawPixel(0, i), 0u);
  ASSERT_GT(textPixels, 20);
  // With a shadow, ink also lies where the text alone leaves the picture clear.
  label.SetShadowColor(Theme().shadowColor);
  f.Frame();
  int shadowOnly = 0;
  for (int y = 0; y < h - 1; ++y) {
    for (int x = 0; x < w - 1; ++x) shadowOnly += plain.RawPixel(x, y) == 0 && canvas->RawPixel(x + 1, y + 1) != 0;
  }
  EXPECT_GT(shadowOnly, textPixels / 4);
}

}  // namespace
}  // namespace quillmar
