#include "ui/core/skin_image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>

#include "platform/draw/bitmap.h"
#include "platform/draw/graphics.h"
#include "platform/draw/image.h"

namespace quillmar {
namespace {

constexpr uint32_t kMagenta = 0xFFFF00FF;

// Every pixel of the skin gets its own opaque colour, so the output tells
// exactly which source pixel landed where.
uint32_t SkinPixel(int x, int y) {
  return 0xFF000000u | (static_cast<uint32_t>(x) << 16) | (static_cast<uint32_t>(y) << 8) | 0x40u;
}

draw::Image MakeSkin(int width, int height, std::initializer_list<int> markerColumns,
                     std::initializer_list<int> markerRows) {
  draw::Bitmap bitmap(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) bitmap.SetPixel(x, y, SkinPixel(x, y));
  for (int x : markerColumns) bitmap.SetPixel(x, 0, kMagenta);
  for (int y : markerRows) bitmap.SetPixel(0, y, kMagenta);
  return draw::Image::FromBitmap(std::move(bitmap));
}

// Compares every pixel of the target with the expectation; `source` maps an
// output pixel to the skin pixel it should show, or nullopt for untouched.
void ExpectPixels(const draw::Bitmap& target, const std::function<std::optional<uint32_t>(int, int)>& expected) {
  int failures = 0;
  for (int y = 0; y < target.Height(); ++y) {
    for (int x = 0; x < target.Width(); ++x) {
      const uint32_t want = expected(x, y).value_or(0);
      if (target.GetPixel(x, y) != want && ++failures <= 5) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << target.GetPixel(x, y) << ", expected "
                      << want;
      }
    }
  }
  EXPECT_EQ(failures, 0);
}

bool HasMagenta(const draw::Bitmap& target) {
  for (int y = 0; y < target.Height(); ++y)
    for (int x = 0; x < target.Width(); ++x)
      if (target.GetPixel(x, y) == kMagenta) return true;
  return false;
}

TEST(SkinLayout, MarkerScanFindsCutsOrRefusesASingleMarker) {
  auto scan = [](int w, int h, std::initializer_list<int> columns, std::initializer_list<int> rows) {
    draw::Image image = MakeSkin(w, h, columns, rows);
    return SkinLayout::ScanMarkers(w, h, [&](int x, int y) { return image.GetPixel(x, y); });
  };
  auto both = scan(20, 10, {5, 14}, {2, 7});
  ASSERT_TRUE(both);
  EXPECT_EQ(both->cutLeft, 5);
  EXPECT_EQ(both->cutRight, 14);
  EXPECT_EQ(both->cutTop, 2);
  EXPECT_EQ(both->cutBottom, 7);

  // Only the first two markers count.
  auto extra = scan(20, 10, {3, 9, 15}, {});
  ASSERT_TRUE(extra);
  EXPECT_EQ(extra->cutLeft, 3);
  EXPECT_EQ(extra->cutRight, 9);
  EXPECT_FALSE(extra->cutTop);

  auto none = scan(20, 10, {}, {});
  ASSERT_TRUE(none);
  EXPECT_EQ(none->cutLeft, 0);
  EXPECT_EQ(none->cutBottom, 0);

  EXPECT_FALSE(scan(20, 10, {5}, {}));
  EXPECT_FALSE(scan(20, 10, {5, 14}, {4}));
  EXPECT_FALSE(SkinLayout::ScanMarkers(0, 10, [](int, int) { return 0u; }));
}

TEST(SkinLayout, FitRectOnlyShrinksAndCentres) {
  EXPECT_EQ(FitRect(10, 5, 100, 100), (RectF{45, 47.5f, 10, 5}));
  EXPECT_EQ(FitRect(200, 100, 100, 100), (RectF{0, 25, 100, 50}));
  EXPECT_EQ(FitRect(100, 200, 100, 100), (RectF{25, 0, 50, 100}));
  // Wider and taller than the area: the width rule first, then the height rule.
  EXPECT_EQ(FitRect(400, 100, 100, 10), (RectF{30, 0, 40, 10}));
  EXPECT_EQ(FitRect(0, 0, 100, 50), (RectF{50, 25, 0, 0}));
}

TEST(SkinLayout, InvalidCutCombinationsAndOrdersPlanNothing) {
  const RectF rect{0, 0, 50, 50};
  EXPECT_FALSE(SkinLayout::PlanSlices(20, 10, rect, {5, {}, {}, {}}));
  EXPECT_FALSE(SkinLayout::PlanSlices(20, 10, rect, {5, 14, 2, {}}));
  EXPECT_FALSE(SkinLayout::PlanSlices(20, 10, rect, {}));
  EXPECT_FALSE(SkinLayout::PlanSlices(20, 10, rect, {14, 5, {}, {}}));  // out of order
  EXPECT_FALSE(SkinLayout::PlanSlices(20, 10, rect, {5, 20, {}, {}}));  // past the image
  EXPECT_FALSE(SkinLayout::PlanSlices(20, 10, rect, {-1, 5, {}, {}}));
  EXPECT_FALSE(SkinLayout::PlanSlices(0, 10, rect, {5, 14, {}, {}}));
}

class SkinDrawing : public ::testing::Test {
 protected:
  draw::Bitmap target{110, 40};
  draw::Graphics graphics{target};
};

TEST_F(SkinDrawing, ThreeSliceKeepsEndsAndTilesTheMiddleAtNaturalHeight) {
  draw::Image skin = MakeSkin(20, 10, {5, 14}, {});
  ASSERT_EQ(DrawSkinImage(graphics, skin, {3, 4, 100, 30}, SkinModeMarked), 1);
  const draw::Image reference = MakeSkin(20, 10, {5, 14}, {});
  ExpectPixels(target, [&](int x, int y) -> std::optional<uint32_t> {
    const int dx = x - 3;
    const int dy = y - 4;
    if (dx < 0 || dx >= 100 || dy < 0 || dy >= 10) return std::nullopt;
    int column = 0;
    if (dx < 5)
      column = dx;  // left end, 5 wide
    else if (dx >= 95)
      column = 15 + (dx - 95);  // right end at X + 95
    else
      column = 6 + (dx - 5) % 8;  // columns 6 to 13 repeated over 90 pixels
    return reference.GetPixel(column, dy);
  });
  EXPECT_FALSE(HasMagenta(target));
}

TEST_F(SkinDrawing, VerticalThreeSliceKeepsNaturalWidth) {
  draw::Image skin = MakeSkin(6, 12, {}, {3, 8});
  ASSERT_EQ(DrawSkinImage(graphics, skin, {2, 1, 50, 30}, SkinModeMarked), 1);
  const draw::Image reference = MakeSkin(6, 12, {}, {3, 8});
  ExpectPixels(target, [&](int x, int y) -> std::optional<uint32_t> {
    const int dx = x - 2;
    const int dy = y - 1;
    if (dx < 0 || dx >= 6 || dy < 0 || dy >= 30) return std::nullopt;
    int row = 0;
    if (dy < 3)
      row = dy;
    else if (dy >= 27)
      row = 9 + (dy - 27);  // bottom part: rows 9 to 11
    else
      row = 4 + (dy - 3) % 4;  // rows 4 to 7 repeated
    return reference.GetPixel(dx, row);
  });
  EXPECT_FALSE(HasMagenta(target));
}

TEST_F(SkinDrawing, NineGridFixesCornersAndTilesEdgesAndCentre) {
  // Cuts at columns 3 and 6 and rows 3 and 6: 3-pixel borders, 2-pixel middles.
  draw::Image skin = MakeSkin(10, 10, {3, 6}, {3, 6});
  ASSERT_EQ(DrawSkinImage(graphics, skin, {2, 1, 15, 12}, SkinModeMarked), 1);
  const draw::Image reference = MakeSkin(10, 10, {3, 6}, {3, 6});
  auto map = [](int d, int extent) {
    if (d < 3) return d;
    if (d >= extent - 3) return 7 + (d - (extent - 3));
    return 4 + (d - 3) % 2;
  };
  ExpectPixels(target, [&](int x, int y) -> std::optional<uint32_t> {
    const int dx = x - 2;
    const int dy = y - 1;
    if (dx < 0 || dx >= 15 || dy < 0 || dy >= 12) return std::nullopt;
    return reference.GetPixel(map(dx, 15), map(dy, 12));
  });
  EXPECT_FALSE(HasMagenta(target));
}

TEST_F(SkinDrawing, WithoutMarkersTheWholeImageIsStretched) {
  draw::Bitmap solid(4, 4);
  solid.Clear(0xFF336699);
  draw::Image skin = draw::Image::FromBitmap(std::move(solid));
  ASSERT_EQ(DrawSkinImage(graphics, skin, {10, 10, 8, 6}, SkinModeMarked), 1);
  ExpectPixels(target, [](int x, int y) -> std::optional<uint32_t> {
    if (x >= 10 && x < 18 && y >= 10 && y < 16) return 0xFF336699u;
    return std::nullopt;
  });
}

TEST_F(SkinDrawing, IncompleteMarkersOrCutsDrawNothing) {
  target.Clear(0xFF010203);
  draw::Image single = MakeSkin(20, 10, {5}, {});
  EXPECT_EQ(DrawSkinImage(graphics, single, {0, 0, 100, 30}, SkinModeMarked), 0);
  draw::Image skin = MakeSkin(20, 10, {}, {});
  EXPECT_EQ(DrawSlicedImage(graphics, skin, {0, 0, 100, 30}, 5, {}, {}, {}), 0);
  EXPECT_EQ(DrawSlicedImage(graphics, skin, {0, 0, 100, 30}, 9, 4, {}, {}), 0);
  EXPECT_EQ(DrawSkinImage(graphics, draw::Image{}, {0, 0, 100, 30}, SkinModeStretch), 0);
  ExpectPixels(target, [](int, int) -> std::optional<uint32_t> { return 0xFF010203u; });
}

TEST_F(SkinDrawing, RectangleNarrowerThanTheEndsDrawsNoMirroredMiddle) {
  draw::Image skin = MakeSkin(20, 10, {5, 14}, {});
  ASSERT_EQ(DrawSkinImage(graphics, skin, {0, 0, 8, 10}, SkinModeMarked), 1);
  const draw::Image reference = MakeSkin(20, 10, {5, 14}, {});
  // Left end at 0..4, right end at 3..7 drawn over it; no middle.
  ExpectPixels(target, [&](int x, int y) -> std::optional<uint32_t> {
    if (y >= 10 || x >= 8) return std::nullopt;
    if (x >= 3) return reference.GetPixel(15 + x - 3, y);
    return reference.GetPixel(x, y);
  });
}

TEST_F(SkinDrawing, NaturalSizeIgnoresTheRectangle) {
  draw::Image skin = MakeSkin(6, 5, {}, {});
  ASSERT_EQ(DrawSkinImage(graphics, skin, {50, 20, 30, 10}, SkinModeNatural), 1);
  ExpectPixels(target, [&](int x, int y) -> std::optional<uint32_t> {
    if (x < 6 && y < 5) return SkinPixel(x, y);
    return std::nullopt;
  });
}

TEST_F(SkinDrawing, FitModeCentresSmallImagesAndShrinksWideOnes) {
  draw::Image skin = MakeSkin(6, 4, {}, {});
  ASSERT_EQ(DrawSkinImage(graphics, skin, {90, 30, 1, 1}, SkinModeFit, 20, 10), 1);
  ExpectPixels(target, [&](int x, int y) -> std::optional<uint32_t> {
    if (x >= 7 && x < 13 && y >= 3 && y < 7) return SkinPixel(x - 7, y - 3);
    return std::nullopt;
  });

  draw::Bitmap wide(40, 10);
  wide.Clear(0xFF00AA00);
  draw::Bitmap fresh(110, 40);
  draw::Graphics g(fresh);
  ASSERT_EQ(DrawSkinImage(g, draw::Image::FromBitmap(std::move(wide)), {}, SkinModeFit, 20, 20), 1);
  // Scaled to 20 x 5, centred at y 7.5: rows 8 to 11 are fully covered.
  EXPECT_EQ(fresh.GetPixel(0, 9), 0xFF00AA00u);
  EXPECT_EQ(fresh.GetPixel(19, 10), 0xFF00AA00u);
  EXPECT_EQ(fresh.GetPixel(20, 9), 0u);
  EXPECT_EQ(fresh.GetPixel(10, 5), 0u);
  EXPECT_EQ(fresh.GetPixel(10, 14), 0u);
}

TEST_F(SkinDrawing, AttributesOpacityScalesEverySlice) {
  draw::Bitmap solid(9, 3);
  solid.Clear(0xFFFF0000);
  solid.SetPixel(2, 0, kMagenta);
  solid.SetPixel(5, 0, kMagenta);
  draw::Image skin = draw::Image::FromBitmap(std::move(solid));
  const SkinAttributes half{0.5f};
  ASSERT_EQ(DrawMarkedImage(graphics, skin, {0, 0, 12, 3}, &half), 1);
  for (int x : {0, 5, 11}) EXPECT_EQ(target.RawPixel(x, 1), 0x80800000u) << x;
}

}  // namespace
}  // namespace quillmar
