#include "platform/draw/matrix.h"

#include <cmath>

namespace quillmar::draw {

namespace {
// a then b: a point goes through a first.
Matrix Then(const Matrix& a, const Matrix& b) {
  return Matrix(a.m11 * b.m11 + a.m12 * b.m21, a.m11 * b.m12 + a.m12 * b.m22, a.m21 * b.m11 + a.m22 * b.m21,
                a.m21 * b.m12 + a.m22 * b.m22, a.dx * b.m11 + a.dy * b.m21 + b.dx, a.dx * b.m12 + a.dy * b.m22 + b.dy);
}
}  // namespace

void Matrix::Multiply(const Matrix& other, MatrixOrder order) {
  *this = order == MatrixOrder::Prepend ? Then(other, *this) : Then(*this, other);
}

void Matrix::Translate(float offsetX, float offsetY, MatrixOrder order) {
  Multiply(Matrix(1, 0, 0, 1, offsetX, offsetY), order);
}

void Matrix::Rotate(float degrees, MatrixOrder order) {
  const double r = degrees * 3.14159265358979323846 / 180.0;
  const float c = static_cast<float>(std::cos(r));
  const float s = static_cast<float>(std::sin(r));
  Multiply(Matrix(c, s, -s, c, 0, 0), order);
}

void Matrix::Scale(float scaleX, float scaleY, MatrixOrder order) {
  Multiply(Matrix(scaleX, 0, 0, scaleY, 0, 0), order);
}

PointF Matrix::Apply(PointF p) const { return {p.x * m11 + p.y * m21 + dx, p.x * m12 + p.y * m22 + dy}; }

bool Matrix::IsIdentity() const { return IsTranslation() && dx == 0 && dy == 0; }

bool Matrix::IsTranslation() const { return m11 == 1 && m12 == 0 && m21 == 0 && m22 == 1; }

}  // namespace quillmar::draw
