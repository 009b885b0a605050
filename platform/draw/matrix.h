#pragma once
// A 2-D affine transform: x' = x·m11 + y·m21 + dx, y' = x·m12 + y·m22 + dy.
// Prepend applies the new operation before the existing transform, Append after it.

#include "platform/draw/draw_types.h"

namespace quillmar::draw {

class Matrix {
 public:
  Matrix() = default;
  Matrix(float m11, float m12, float m21, float m22, float dx, float dy)
      : m11(m11), m12(m12), m21(m21), m22(m22), dx(dx), dy(dy) {}

  void Translate(float offsetX, float offsetY, MatrixOrder order = MatrixOrder::Prepend);
  // Degrees; positive turns clockwise on the y-down screen.
  void Rotate(float degrees, MatrixOrder order = MatrixOrder::Prepend);
  void Scale(float scaleX, float scaleY, MatrixOrder order = MatrixOrder::Prepend);
  void Multiply(const Matrix& other, MatrixOrder order = MatrixOrder::Prepend);
  PointF Apply(PointF p) const;
  bool IsIdentity() const;
  bool IsTranslation() const;  // no rotation, scale or shear

  float m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
  friend bool operator==(const Matrix&, const Matrix&) = default;
};

}  // namespace quillmar::draw
