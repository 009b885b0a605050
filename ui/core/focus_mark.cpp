#include "ui/core/focus_mark.h"

#include "platform/draw/graphics.h"
#include "platform/draw/pen.h"

namespace quillmar {

void DrawFocusMark(draw::Graphics& g, const Rect& r) {
  if (r.width < 2 || r.height < 2) return;
  const draw::SmoothingMode before = g.GetSmoothingMode();
  g.SetSmoothingMode(draw::SmoothingMode::Default);
  // The outline runs through the last column and row of r.
  const RectF edge{static_cast<float>(r.x), static_cast<float>(r.y), static_cast<float>(r.width - 1),
                   static_cast<float>(r.height - 1)};
  g.DrawRectangle(draw::Pen(0xC0000000, 1.0f, draw::Unit::Pixel), edge);
  draw::Pen dots(0xFFFFFFFF, 1.0f, draw::Unit::Pixel);
  dots.SetDashStyle(draw::DashStyle::Dot);
  g.DrawRectangle(dots, edge);
  g.SetSmoothingMode(before);
}

}  // namespace quillmar
