#pragma once
// Fill style: a solid colour or a two-colour linear gradient over a rectangle.

#include "platform/draw/draw_types.h"

namespace quillmar::draw {

enum class LinearGradientMode { Horizontal = 0, Vertical = 1, ForwardDiagonal = 2, BackwardDiagonal = 3 };

class Brush {
 public:
  explicit Brush(Argb color = 0) : color1_(color), color2_(color) {}
  // The gradient runs from color1 at the rectangle's start edge to color2 at its end,
  // repeating beyond it with the tile wrap mode.
  static Brush LinearGradient(const RectF& rect, Argb color1, Argb color2, LinearGradientMode mode,
                              WrapMode wrap = WrapMode::Tile);

  bool IsSolid() const { return !gradient_; }
  Argb Color() const { return color1_; }  // the solid colour (first colour of a gradient)
  void SetColor(Argb color) {
    color1_ = color2_ = color;
    gradient_ = false;
  }
  Argb Color2() const { return color2_; }
  const RectF& GradientRect() const { return rect_; }
  LinearGradientMode GradientMode() const { return mode_; }
  WrapMode GetWrapMode() const { return wrap_; }

 private:
  bool gradient_ = false;
  Argb color1_;
  Argb color2_;
  RectF rect_;
  LinearGradientMode mode_ = LinearGradientMode::Horizontal;
  WrapMode wrap_ = WrapMode::Tile;
};

}  // namespace quillmar::draw
