#include "platform/draw/blend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "platform/draw/bitmap.h"

namespace quillmar::draw {
namespace {

TEST(DrawBitmap, StoresPremultipliedAndReportsStraightColours) {
  Bitmap b(4, 3);
  ASSERT_EQ(b.Stride(), 16);
  EXPECT_EQ(b.RawPixel(0, 0), 0u);
  b.SetPixel(1, 1, 0x80FF0000);
  EXPECT_EQ(b.RawPixel(1, 1), 0x80800000u);
  EXPECT_EQ(b.GetPixel(1, 1), 0x80FF0000u);
  b.Clear(0x00FFFFFF);
  EXPECT_EQ(b.RawPixel(1, 1), 0x00000000u);  // transparent white stores as nothing
  EXPECT_EQ(b.GetPixel(9, 9), 0u);           // outside reads as transparent
  b.SetPixel(-1, 0, 0xFFFFFFFF);             // outside writes are ignored
}

TEST(DrawBitmap, MovedFromBitmapIsEmpty) {
  Bitmap a(2, 2);
  Bitmap b = std::move(a);
  EXPECT_TRUE(a.IsEmpty());  // NOLINT(bugprone-use-after-move): the state after a move is the point
  EXPECT_EQ(a.GetPixel(0, 0), 0u);
  EXPECT_EQ(b.Width(), 2);
  a = std::move(b);
  EXPECT_TRUE(b.IsEmpty());  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(a.Height(), 2);
}

TEST(DrawBitmap, RefusesSizesThatCannotBeAllocated) {
  EXPECT_TRUE(Bitmap(0, 5).IsEmpty());
  EXPECT_TRUE(Bitmap(-3, 5).IsEmpty());
  EXPECT_TRUE(Bitmap(1 << 20, 1 << 20).IsEmpty());
}

TEST(DrawBitmap, CloneAreaCopiesPixelsAndLeavesOutsideTransparent) {
  Bitmap b(3, 3);
  b.SetPixel(2, 2, 0xFF112233);
  Bitmap part = b.CloneArea({1, 1, 3, 3});
  ASSERT_EQ(part.Width(), 3);
  EXPECT_EQ(part.GetPixel(1, 1), 0xFF112233u);
  EXPECT_EQ(part.GetPixel(2, 2), 0u);
}

TEST(BlendBitmap, ConstantAlphaOverOpaqueBackgroundGivesExactValues) {
  Bitmap dst(2, 1);
  dst.Clear(0xFF0000FF);  // opaque blue
  Bitmap src(1, 1);
  src.Clear(0xFFFF0000);  // opaque red, blended at half strength
  BlendBitmap(dst, 0, 0, src, 128);
  // s' = 255·128/255 = 128 red, alpha 128; d = s' + 255·127/255 = 127 blue.
  EXPECT_EQ(dst.RawPixel(0, 0), 0xFF80007Fu);
  EXPECT_EQ(dst.RawPixel(1, 0), 0xFF0000FFu);
}

TEST(BlendBitmap, PremultipliedSourceAlphaAndConstantAlphaCombine) {
  Bitmap dst(1, 1);
  dst.Clear(0xFFFFFFFF);
  Bitmap src(1, 1);
  src.SetPixel(0, 0, 0x80000000);  // half-transparent black
  BlendBitmap(dst, 0, 0, src, 255);
  EXPECT_EQ(dst.RawPixel(0, 0), 0xFF7F7F7Fu);  // 255·127/255 = 127
  BlendBitmap(dst, 0, 0, src, 0);              // alpha 0 contributes nothing
  EXPECT_EQ(dst.RawPixel(0, 0), 0xFF7F7F7Fu);
  Bitmap clearDst(1, 1);
  BlendBitmap(clearDst, 0, 0, src, 128);  // s' alpha = 128·128/255 = 64
  EXPECT_EQ(clearDst.RawPixel(0, 0), 0x40000000u);
}

TEST(BlendBitmap, StaysInsideClipAndDestination) {
  Bitmap dst(10, 10);
  Bitmap src(10, 10);
  src.Clear(0xFF00FF00);
  Region clip(Rect{2, 2, 3, 3});
  clip.Union(Rect{8, 8, 5, 5});
  BlendBitmap(dst, 4, 4, src, 255, &clip);  // source covers 4..9; clip leaves 4 and 8..9
  EXPECT_EQ(dst.RawPixel(3, 3), 0u);
  EXPECT_EQ(dst.RawPixel(4, 4), 0xFF00FF00u);
  EXPECT_EQ(dst.RawPixel(5, 5), 0u);
  EXPECT_EQ(dst.RawPixel(9, 9), 0xFF00FF00u);
  BlendBitmap(dst, -5, -5, src, 255);  // partly outside: only the visible corner
  EXPECT_EQ(dst.RawPixel(4, 4), 0xFF00FF00u);
  EXPECT_EQ(dst.RawPixel(5, 5), 0u);
}

TEST(BlendBitmap, StretchesSourceRectangleOntoDestinationRectangle) {
  Bitmap src(2, 1);
  src.SetPixel(0, 0, 0xFFFF0000);
  src.SetPixel(1, 0, 0xFF0000FF);
  Bitmap dst(4, 2);
  BlendBitmap(dst, Rect{0, 0, 4, 2}, src, Rect{0, 0, 2, 1}, 255);
  EXPECT_EQ(dst.RawPixel(1, 1), 0xFFFF0000u);
  EXPECT_EQ(dst.RawPixel(2, 0), 0xFF0000FFu);
}

TEST(ClearBitmap, MakesOnlyTheRegionTransparent) {
  Bitmap b(4, 4);
  b.Clear(0xFFFFFFFF);
  Region r(Rect{1, 1, 2, 2});
  ClearBitmap(b, &r);
  EXPECT_EQ(b.RawPixel(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(b.RawPixel(1, 1), 0u);
  EXPECT_EQ(b.RawPixel(2, 2), 0u);
  EXPECT_EQ(b.RawPixel(3, 3), 0xFFFFFFFFu);
}

TEST(DrawRegion, CombinesIntegerRectangles) {
  Region r(Rect{0, 0, 10, 10});
  r.Union(Rect{20, 0, 5, 5});
  EXPECT_EQ(r.Bounds(), (Rect{0, 0, 25, 10}));
  Region cut = r;
  cut.Exclude(Rect{0, 0, 10, 10});
  EXPECT_EQ(cut.Bounds(), (Rect{20, 0, 5, 5}));
  cut.Offset(-20, 5);
  EXPECT_TRUE(cut.Contains(0, 5));
  EXPECT_FALSE(cut.Contains(0, 4));
  Region both = r;
  both.Intersect(Rect{5, 5, 20, 20});
  EXPECT_EQ(both.Bounds(), (Rect{5, 5, 5, 5}));
  Region moved = std::move(both);
  EXPECT_TRUE(both.IsEmpty());  // a moved-from region is empty, still usable
  both.Union(Rect{1, 1, 1, 1});
  EXPECT_EQ(both.Bounds(), (Rect{1, 1, 1, 1}));
  EXPECT_EQ(Region::FromRectF({0.4f, 0.6f, 2.2f, 2.0f}).Bounds(), (Rect{0, 1, 3, 2}));
  EXPECT_FALSE(Region::FromRectF({-3e30f, -3e30f, 6e30f, 6e30f}).IsEmpty());  // huge, still sane
  EXPECT_TRUE(Region::FromRectF({NAN, 0, 5, 5}).IsEmpty());
}

// Both backends keep regions as y-x bands (rows of equal spans merged), so a set of pixels
// has one list of rectangles however it was built, and equality compares pixel sets.
TEST(DrawRegion, BandsAreTheSameWhateverTheOrderOfBuilding) {
  Region l(Rect{0, 0, 4, 2});
  l.Union(Rect{0, 2, 2, 2});  // an L: a wide band over a narrow one
  EXPECT_EQ(l.Rects(), (std::vector<Rect>{{0, 0, 4, 2}, {0, 2, 2, 2}}));
  Region columns(Rect{0, 0, 2, 4});
  columns.Union(Rect{2, 0, 2, 2});
  EXPECT_EQ(columns, l);
  EXPECT_EQ(columns.Rects(), l.Rects());

  // Two side-by-side squares touching at an edge are one rectangle.
  Region joined(Rect{0, 0, 2, 2});
  joined.Union(Rect{2, 0, 2, 2});
  EXPECT_EQ(joined.Rects(), (std::vector<Rect>{{0, 0, 4, 2}}));

  // A hole splits the bands around it into spans.
  Region ring(Rect{0, 0, 5, 5});
  ring.Exclude(Rect{2, 2, 1, 1});
  EXPECT_EQ(ring.Rects(), (std::vector<Rect>{{0, 0, 5, 2}, {0, 2, 2, 1}, {3, 2, 2, 1}, {0, 3, 5, 2}}));
  EXPECT_FALSE(ring.Contains(2, 2));
  EXPECT_TRUE(ring.Contains(1, 2));
}

TEST(DrawRegion, XorAndComplementKeepTheRightPixels) {
  const Region a(Rect{0, 0, 4, 4});
  const Region b(Rect{2, 2, 4, 4});
  Region x = a;
  x.Xor(b);
  EXPECT_TRUE(x.Contains(0, 0));
  EXPECT_TRUE(x.Contains(5, 5));
  EXPECT_FALSE(x.Contains(3, 3));
  EXPECT_FALSE(x.Contains(5, 0));
  Region complement = a;
  complement.Combine(b, CombineMode::Complement);  // b minus a
  EXPECT_FALSE(complement.Contains(3, 3));
  EXPECT_TRUE(complement.Contains(5, 5));
  EXPECT_FALSE(complement.Contains(0, 0));
  Region replaced = a;
  replaced.Combine(b, CombineMode::Replace);
  EXPECT_EQ(replaced, b);
  Region empty = a;
  empty.Intersect(Rect{10, 10, 0, 5});  // an empty rectangle leaves nothing
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_EQ(empty.Bounds(), Rect{});
  Region gone = a;
  gone.Exclude(a);
  EXPECT_EQ(gone, Region());
}

// Random unions, cuts and overlaps against a plain pixel set: the bands must hold exactly the
// pixels the operations leave, in the canonical form (rows sorted, no two bands alike).
TEST(DrawRegion, RandomOperationsKeepExactlyThePixelsOfAPlainSet) {
  constexpr int kSide = 24;
  std::mt19937 random(7);
  auto rect = [&] {
    const int x = static_cast<int>(random() % kSide), y = static_cast<int>(random() % kSide);
    return Rect{x, y, static_cast<int>(random() % (kSide - x)) + 1, static_cast<int>(random() % (kSide - y)) + 1};
  };
  for (int round = 0; round < 40; ++round) {
    Region region;
    std::vector<bool> pixels(kSide * kSide);
    for (int step = 0; step < 12; ++step) {
      const Rect r = rect();
      const int op = static_cast<int>(random() % 4);
      Region other(r);
      if (op == 0) region.Union(r);
      if (op == 1) region.Exclude(r);
      if (op == 2) region.Xor(other);
      if (op == 3) region.Intersect(Rect{0, 0, kSide, kSide / 2 + round % 8});
      for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
          const bool in = r.Contains({x, y});
          auto&& p = pixels[y * kSide + x];
          if (op == 0) p = p || in;
          if (op == 1) p = p && !in;
          if (op == 2) p = p != in;
          if (op == 3) p = p && y < kSide / 2 + round % 8;
        }
      }
    }
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) ASSERT_EQ(region.Contains(x, y), pixels[y * kSide + x]) << x << "," << y;
    }
    // Rebuilt from its own rectangles in reverse order, the same region comes out.
    const std::vector<Rect> rects = region.Rects();
    Region rebuilt;
    for (auto it = rects.rbegin(); it != rects.rend(); ++it) rebuilt.Union(*it);
    ASSERT_EQ(rebuilt.Rects(), rects);
    for (size_t i = 1; i < rects.size(); ++i) {
      ASSERT_TRUE(rects[i - 1].y < rects[i].y || (rects[i - 1].y == rects[i].y && rects[i - 1].Right() < rects[i].x));
    }
  }
}

}  // namespace
}  // namespace quillmar::draw
