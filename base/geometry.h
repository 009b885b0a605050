#pragma once
// The one geometry vocabulary of the program: points, sizes, rectangles and
// insets in whole pixels and in floating point. Rectangles are stored as
// origin and size; FromLtrb and FromXywh say which form a caller has.
// Right and bottom are exclusive: Rect{2, 2, 5, 5} covers columns 2..6.

#include <algorithm>
#include <cstdint>

namespace quillmar {

struct Point {
  int32_t x = 0;
  int32_t y = 0;
  [[nodiscard]] constexpr Point Offset(int32_t dx, int32_t dy) const { return {x + dx, y + dy}; }
  friend constexpr Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
  friend constexpr Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
  friend constexpr bool operator==(const Point&, const Point&) = default;
};

struct PointF {
  float x = 0;
  float y = 0;
  friend constexpr bool operator==(const PointF&, const PointF&) = default;
};

struct Size {
  int32_t width = 0;
  int32_t height = 0;
  constexpr bool IsEmpty() const { return width <= 0 || height <= 0; }
  friend constexpr bool operator==(const Size&, const Size&) = default;
};

struct SizeF {
  float width = 0;
  float height = 0;
  friend constexpr bool operator==(const SizeF&, const SizeF&) = default;
};

// Space kept free inside each edge (padding, margins); not a rectangle.
struct Insets {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  constexpr int32_t Width() const { return left + right; }
  constexpr int32_t Height() const { return top + bottom; }
  friend constexpr bool operator==(const Insets&, const Insets&) = default;
};

struct InsetsF {
  float left = 0;
  float top = 0;
  float right = 0;
  float bottom = 0;
  friend constexpr bool operator==(const InsetsF&, const InsetsF&) = default;
};

struct Rect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;

  static constexpr Rect FromXywh(int32_t x, int32_t y, int32_t width, int32_t height) { return {x, y, width, height}; }
  static constexpr Rect FromLtrb(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return {left, top, right - left, bottom - top};
  }
  static constexpr Rect FromOriginSize(Point origin, Size size) {
    return {origin.x, origin.y, size.width, size.height};
  }

  constexpr int32_t Left() const { return x; }
  constexpr int32_t Top() const { return y; }
  constexpr int32_t Right() const { return x + width; }
  constexpr int32_t Bottom() const { return y + height; }
  constexpr Point Origin() const { return {x, y}; }
  constexpr Size GetSize() const { return {width, height}; }
  constexpr bool IsEmpty() const { return width <= 0 || height <= 0; }
  constexpr bool Contains(Point p) const { return p.x >= x && p.x < Right() && p.y >= y && p.y < Bottom(); }
  // Whether the two share a pixel; touching edges do not.
  constexpr bool Intersects(const Rect& o) const {
    return !IsEmpty() && !o.IsEmpty() && o.x < Right() && x < o.Right() && o.y < Bottom() && y < o.Bottom();
  }
  [[nodiscard]] constexpr Rect Translated(int32_t dx, int32_t dy) const { return {x + dx, y + dy, width, height}; }
  // The rectangle grown by dx on the left and right and dy on the top and
  // bottom (shrunk by negative values).
  [[nodiscard]] constexpr Rect Inflated(int32_t dx, int32_t dy) const {
    return {x - dx, y - dy, width + 2 * dx, height + 2 * dy};
  }
  // The rectangle shrunk by the insets (grown by negative ones).
  [[nodiscard]] constexpr Rect Inset(const Insets& in) const {
    return {x + in.left, y + in.top, width - in.Width(), height - in.Height()};
  }
  // The common part; empty (0, 0, 0, 0) when there is none.
  [[nodiscard]] constexpr Rect Intersected(const Rect& o) const {
    const int32_t l = std::max(x, o.x), t = std::max(y, o.y);
    const int32_t r = std::min(Right(), o.Right()), b = std::min(Bottom(), o.Bottom());
    return (r <= l || b <= t) ? Rect{} : FromLtrb(l, t, r, b);
  }
  // The smallest rectangle holding both; an empty side does not count.
  [[nodiscard]] constexpr Rect United(const Rect& o) const {
    if (IsEmpty()) return o;
    if (o.IsEmpty()) return *this;
    return FromLtrb(std::min(x, o.x), std::min(y, o.y), std::max(Right(), o.Right()), std::max(Bottom(), o.Bottom()));
  }
  friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

struct RectF {
  float x = 0;
  float y = 0;
  float width = 0;
  float height = 0;

  static constexpr RectF FromXywh(float x, float y, float width, float height) { return {x, y, width, height}; }
  static constexpr RectF FromLtrb(float left, float top, float right, float bottom) {
    return {left, top, right - left, bottom - top};
  }
  static constexpr RectF FromRect(const Rect& r) {
    return {static_cast<float>(r.x), static_cast<float>(r.y), static_cast<float>(r.width),
            static_cast<float>(r.height)};
  }

  constexpr float Left() const { return x; }
  constexpr float Top() const { return y; }
  constexpr float Right() const { return x + width; }
  constexpr float Bottom() const { return y + height; }
  constexpr bool IsEmpty() const { return width <= 0 || height <= 0; }
  // Each value truncated toward zero, as every float-to-pixel conversion of the program is.
  [[nodiscard]] constexpr Rect Truncated() const {
    return {static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(width),
            static_cast<int32_t>(height)};
  }
  friend constexpr bool operator==(const RectF&, const RectF&) = default;
};

// Values this close count as equal in the program's float geometry.
inline constexpr double kGeometryTolerance = 1e-7;
constexpr bool NearlyEqual(double a, double b) { return (a > b ? a - b : b - a) < kGeometryTolerance; }
constexpr bool NearlyEqual(const RectF& a, const RectF& b) {
  return NearlyEqual(a.x, b.x) && NearlyEqual(a.y, b.y) && NearlyEqual(a.width, b.width) &&
         NearlyEqual(a.height, b.height);
}

}  // namespace quillmar
