// The backend-neutral part of Graphics: clip bookkeeping, the world transform and the
// drawing calls that reduce to others.
#include <cmath>
#include <utility>

#include "platform/draw/graphics.h"

namespace quillmar::draw {

void Graphics::FillPolygon(const Brush& brush, std::span<const PointF> points, FillMode mode) {
  if (points.size() < 3) return;
  Path path(mode);
  path.AddPolygon(points);
  FillPath(brush, path);
}

void Graphics::DrawImage(const Bitmap& image, float x, float y) {
  const auto w = static_cast<float>(image.Width());
  const auto h = static_cast<float>(image.Height());
  DrawImage(image, RectF{x, y, w, h}, RectF{0, 0, w, h});
}

void Graphics::DrawImage(const Bitmap& image, const RectF& dest) {
  DrawImage(image, dest, RectF{0, 0, static_cast<float>(image.Width()), static_cast<float>(image.Height())});
}

void Graphics::CombineClip(const Region& region, CombineMode mode) {
  if (mode == CombineMode::Replace) {
    clip_ = region;
  } else {
    Region current = GetClip();
    current.Combine(region, mode);
    clip_ = std::move(current);
  }
  ApplyClip();
}

void Graphics::SetClip(const RectF& rect, CombineMode mode) {
  if (transform_.IsTranslation()) {
    CombineClip(Region::FromRectF({rect.x + transform_.dx, rect.y + transform_.dy, rect.width, rect.height}), mode);
    return;
  }
  Path path;
  path.AddRectangle(rect);
  CombineClip(PathToRegion(path), mode);
}

void Graphics::SetClip(const Region& region, CombineMode mode) {
  if (transform_.IsTranslation() && (transform_.dx != 0 || transform_.dy != 0)) {
    Region moved = region;
    moved.Offset(static_cast<int>(std::lround(transform_.dx)), static_cast<int>(std::lround(transform_.dy)));
    CombineClip(moved, mode);
    return;
  }
  CombineClip(region, mode);
}

void Graphics::SetClip(const Path& path, CombineMode mode) { CombineClip(PathToRegion(path), mode); }

void Graphics::ResetClip() {
  clip_.reset();
  ApplyClip();
}

void Graphics::SetClipBound(std::optional<Region> bound) {
  bound_ = std::move(bound);
  ApplyClip();
}

Region Graphics::GetClip() const {
  Region clip = clip_ ? *clip_ : Region(Rect{0, 0, target_->Width(), target_->Height()});
  if (bound_) clip.Intersect(*bound_);
  return clip;
}

RectF Graphics::ClipBounds() const {
  const Rect r = GetClip().Bounds();
  return {static_cast<float>(r.x), static_cast<float>(r.y), static_cast<float>(r.width), static_cast<float>(r.height)};
}

void Graphics::SetTransform(const Matrix& matrix) { transform_ = matrix; }
void Graphics::ResetTransform() { transform_ = Matrix(); }
void Graphics::TranslateTransform(float dx, float dy, MatrixOrder order) { transform_.Translate(dx, dy, order); }
void Graphics::RotateTransform(float degrees, MatrixOrder order) { transform_.Rotate(degrees, order); }
void Graphics::ScaleTransform(float sx, float sy, MatrixOrder order) { transform_.Scale(sx, sy, order); }

}  // namespace quillmar::draw
