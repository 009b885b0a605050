#include "platform/draw/path.h"

namespace quillmar::draw {

void Path::AddLine(PointF from, PointF to) {
  ops_.push_back({figureOpen_ ? OpKind::LineTo : OpKind::MoveTo, from, {}, 0, 0, false});
  ops_.push_back({OpKind::LineTo, to, {}, 0, 0, false});
  figureOpen_ = true;
}

void Path::AddArc(const RectF& box, float startDegrees, float sweepDegrees) {
  // The graphics joins the arc to the open figure, or starts a figure at its first point.
  ops_.push_back({OpKind::Arc, {}, box, startDegrees, sweepDegrees, !figureOpen_});
  figureOpen_ = true;
}

void Path::AddRectangle(const RectF& rect) {
  const PointF pts[4] = {
      {rect.x, rect.y}, {rect.Right(), rect.y}, {rect.Right(), rect.Bottom()}, {rect.x, rect.Bottom()}};
  AddPolygon(pts);
}

void Path::AddPolygon(std::span<const PointF> points) {
  if (points.empty()) return;
  StartFigure();
  ops_.push_back({OpKind::MoveTo, points[0], {}, 0, 0, false});
  for (size_t i = 1; i < points.size(); ++i) ops_.push_back({OpKind::LineTo, points[i], {}, 0, 0, false});
  ops_.push_back({OpKind::Close, {}, {}, 0, 0, false});
  figureOpen_ = false;
}

void Path::AddPath(const Path& other) {
  StartFigure();
  ops_.insert(ops_.end(), other.ops_.begin(), other.ops_.end());
  figureOpen_ = false;
}

void Path::StartFigure() { figureOpen_ = false; }

void Path::CloseFigure() {
  if (figureOpen_) ops_.push_back({OpKind::Close, {}, {}, 0, 0, false});
  figureOpen_ = false;
}

void Path::Reset() {
  ops_.clear();
  figureOpen_ = false;
}

}  // namespace quillmar::draw
