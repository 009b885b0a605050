#pragma once
// A geometric path of figures (lines, arcs, rectangles, polygons) in world units.

#include <span>
#include <vector>

#include "platform/draw/draw_types.h"

namespace quillmar::draw {

class Path {
 public:
  explicit Path(FillMode fillMode = FillMode::Alternate) : fillMode_(fillMode) {}

  void AddLine(PointF from, PointF to);
  // Arc of the ellipse inscribed in box, from startDegrees sweeping sweepDegrees
  // (clockwise on screen); joined by a line to the figure's last point.
  void AddArc(const RectF& box, float startDegrees, float sweepDegrees);
  void AddRectangle(const RectF& rect);             // a closed figure of its own
  void AddPolygon(std::span<const PointF> points);  // a closed figure of its own
  void AddPath(const Path& other);
  void StartFigure();
  void CloseFigure();
  void Reset();

  FillMode GetFillMode() const { return fillMode_; }
  void SetFillMode(FillMode mode) { fillMode_ = mode; }
  bool IsEmpty() const { return ops_.empty(); }

  // Flattened description, consumed by the graphics.
  enum class OpKind { MoveTo, LineTo, Arc, Close };
  struct Op {
    OpKind kind;
    PointF p;         // MoveTo/LineTo point
    RectF box;        // Arc box
    float start = 0;  // Arc angles in degrees
    float sweep = 0;
    bool newFigure = false;  // Arc: begins a figure instead of joining the last point
  };
  const std::vector<Op>& Ops() const { return ops_; }

 private:
  FillMode fillMode_;
  std::vector<Op> ops_;
  bool figureOpen_ = false;
};

}  // namespace quillmar::draw
