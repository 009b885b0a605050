#include "base/geometry.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(a.Intersect({5, 5, 10, 10}), (Rect{5, 5, 5, 5}));
  EXPECT_EQ(a.Intersect({10, 0, 5, 5}), Rect{}) << "touching is not overlapping";
  EXPECT_EQ(a.Union({20, 20, 5, 5}), (Rect{0, 0, 25, 25}));
  EXPECT_EQ(a.Union({50, 50, 0, 9}), a);
  EXPECT_EQ(Rect{}.Union(a), a);
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
