#include "platform/draw/brush.h"

namespace quillmar::draw {

Brush Brush::LinearGradient(const RectF& rect, Argb color1, Argb color2, LinearGradientMode mode, WrapMode wrap) {
  Brush b(color1);
  b.gradient_ = true;
  b.color2_ = color2;
  b.rect_ = rect;
  b.mode_ = mode;
  b.wrap_ = wrap;
  return b;
}

}  // namespace quillmar::draw
