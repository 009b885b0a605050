#include "base/geometry.h"

#include <gtest/gtest.h>

#include <utility>

namespace quillmar {
namespace {

TEST(Geometry, EdgeAndOriginFormsDescribeTheSameRectangle) {
  constexpr Rect r = Rect::FromLtrb(-6, 10, 594, 40);
  static_assert(r == Rect::FromXywh(-6, 10, 600, 30));
  EXPECT_EQ(r.Right(), 594);
  EXPECT_EQ(r.Bottom(), 40);
  EXPECT_TRUE(r.Contains({-6, 10}));
  EXPECT_FALSE(r.Contains({594, 20})) << "right edge is exclusive";
  EXPECT_EQ(r.Inset(Insets{6, 6, 6, 6}), (Rect{0, 16, 588, 18}));
  EXPECT_EQ(Rect::FromOriginSize(r.Origin(), r.GetSize()), r);
}

TEST(Geometry, IntersectionAndUnionIgnoreEmptySides) {
  const Rect a{0, 0, 10, 10};
  EXPECT_EQ(a.Intersected({5, 5, 10, 10}), (Rect{5, 5, 5, 5}));
  EXPECT_EQ(a.Intersected({10, 0, 5, 5}), Rect{}) << "touching is not overlapping";
  EXPECT_EQ(a.United({20, 20, 5, 5}), (Rect{0, 0, 25, 25}));
  EXPECT_EQ(a.United({50, 50, 0, 9}), a);
  EXPECT_EQ(Rect{}.United(a), a);
}

TEST(Geometry, OverlapAgreesWithTheIntersectionAndMovesKeepTheSize) {
  const Rect a{0, 0, 10, 10};
  // Each case: the other rectangle and whether the two overlap.
  const std::pair<Rect, bool> cases[] = {
      {{2, 2, 3, 3}, true},   {{0, 0, 10, 10}, true},  {{5, 5, 10, 10}, true},   {{10, 0, 5, 5}, false},
      {{0, 10, 5, 5}, false}, {{-5, -5, 5, 5}, false}, {{-1, -1, 12, 12}, true}, {{3, 3, 0, 4}, false},
  };
  for (const auto& [other, overlaps] : cases) {
    EXPECT_EQ(a.Intersects(other), overlaps) << other.x << "," << other.y;
    EXPECT_EQ(other.Intersects(a), overlaps) << other.x << "," << other.y;
    EXPECT_EQ(a.Intersects(other), !a.Intersected(other).IsEmpty()) << other.x << "," << other.y;
  }
  EXPECT_EQ(a.Translated(-3, 4), (Rect{-3, 4, 10, 10}));
  EXPECT_EQ(a.Inflated(2, 1), (Rect{-2, -1, 14, 12}));
  EXPECT_EQ(a.Inflated(2, 1).Inflated(-2, -1), a);
}

TEST(Geometry, FloatRectanglesTruncateTowardZeroAndCompareWithinTolerance) {
  EXPECT_EQ(RectF::FromXywh(-6.9f, 33.5f, 101.75f, -0.5f).Truncated(), (Rect{-6, 33, 101, 0}));
  EXPECT_TRUE(NearlyEqual(RectF{}, RectF{0, 0, 0, 5e-8f}));
  EXPECT_FALSE(NearlyEqual(RectF{}, RectF{0, 0, 0, 2e-7f}));
  EXPECT_TRUE(NearlyEqual(0.1, 0.1 + 5e-8));
  EXPECT_FALSE(NearlyEqual(0.1, 0.1 + 2e-7));
}

}  // namespace
}  // namespace quillmar
