#pragma once
// EditSurface: a copy of an edit's painted text area, kept between paints so a
// scroll shifts the pixels that stay in view and only the strip that comes
// into view is drawn again.

#include <cstdint>
#include <memory>

#include "base/geometry.h"
#include "platform/draw/bitmap.h"
#include "platform/draw/graphics.h"

namespace quillmar {

class EditSurface {
 public:
  // A fresh copy of the area (control coordinates), painted with these offsets.
  void Create(const RectF& area, int32_t offsetX, int32_t offsetY);
  // Draws the kept pixels shifted by the scroll since the last paint and clips
  // the graphics to the strip that still needs drawing.
  void BlitShifted(draw::Graphics& graphics, int32_t offsetX, int32_t offsetY);
  void ResetClip(draw::Graphics& graphics) { graphics.ResetClip(); }
  // Keeps a copy of the text area of the control's finished picture.
  void CaptureFrom(const draw::Bitmap& image);
  // Bounds of the part of the area the kept pixels do not cover.
  RectF ExposedBounds() const;
  // Pixels of this rectangle are stale (their text changed): the next blit
  // leaves them out, so they are drawn again with the strip.
  void AddStale(const RectF& rect, int32_t offsetX, int32_t offsetY);
  void Clear();

  const RectF& Area() const { return area_; }
  bool IsEmpty() const { return bitmap_.IsEmpty(); }

 private:
  void ComputeShift();

  draw::Bitmap bitmap_;
  std::unique_ptr<draw::Graphics> graphics_;
  RectF area_;
  int32_t oldOffsetX_ = 0;
  int32_t oldOffsetY_ = 0;
  int32_t newOffsetX_ = 0;
  int32_t newOffsetY_ = 0;
  int32_t shiftX_ = 0;
  int32_t shiftY_ = 0;
  RectF keptRect_;
  RectF stale_;  // bounding box of the stale rectangles since the last capture
  int32_t staleOffsetX_ = 0;
  int32_t staleOffsetY_ = 0;
};

}  // namespace quillmar
