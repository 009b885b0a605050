#include "ui/core/rounded_rect.h"

#include "platform/draw/path.h"

namespace quillmar {

void AddRoundedRect(draw::Path& path, const RectF& r, float radius) {
  if (radius <= 0) {
    path.AddRectangle(r);
    return;
  }
  const float d = radius * 2;
  path.StartFigure();
  path.AddArc({r.x, r.y, d, d}, 180, 90);
  path.AddArc({r.x + r.width - d, r.y, d, d}, 270, 90);
  path.AddArc({r.x + r.width - d, r.y + r.height - d, d, d}, 0, 90);
  path.AddArc({r.x, r.y + r.height - d, d, d}, 90, 90);
  path.CloseFigure();
}

}  // namespace quillmar
