#pragma once
// Outline style: colour, width, alignment and dashes.

#include "platform/draw/draw_types.h"

namespace quillmar::draw {

enum class PenAlignment { Center = 0, Inset = 1 };
enum class DashStyle { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4 };

class Pen {
 public:
  explicit Pen(Argb color = 0xFF000000, float width = 1.0f, Unit unit = Unit::World)
      : color_(color), width_(width), unit_(unit) {}

  Argb Color() const { return color_; }
  void SetColor(Argb color) { color_ = color; }
  float Width() const { return width_; }
  void SetWidth(float width) { width_ = width; }
  Unit GetUnit() const { return unit_; }
  PenAlignment Alignment() const { return alignment_; }
  void SetAlignment(PenAlignment alignment) { alignment_ = alignment; }
  DashStyle GetDashStyle() const { return dash_; }
  void SetDashStyle(DashStyle dash) { dash_ = dash; }

 private:
  Argb color_;
  float width_;
  Unit unit_;
  PenAlignment alignment_ = PenAlignment::Center;
  DashStyle dash_ = DashStyle::Solid;
};

}  // namespace quillmar::draw
