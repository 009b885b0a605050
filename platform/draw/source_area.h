#pragma once
// Internal to the drawing layer: the pixels of a picture that a source rectangle of a
// scaled drawing reads, for both backends.

#include <algorithm>
#include <cmath>

#include "base/geometry.h"

namespace quillmar::draw {

// Whole pixels the source touches, inside the picture and never empty. Clamped as
// doubles first: a float outside int's range must not be converted.
inline Rect SourcePixels(const RectF& source, int width, int height) {
  auto within = [](double v, int lo, int hi) {
    return static_cast<int>(std::clamp(v, static_cast<double>(lo), static_cast<double>(hi)));
  };
  const int x0 = within(std::floor(source.x), 0, width - 1);
  const int y0 = within(std::floor(source.y), 0, height - 1);
  const int x1 = within(std::ceil(source.Right()), x0 + 1, width);
  const int y1 = within(std::ceil(source.Bottom()), y0 + 1, height);
  return Rect::FromLtrb(x0, y0, x1, y1);
}

}  // namespace quillmar::draw
