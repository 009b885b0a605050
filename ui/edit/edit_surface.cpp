#include "ui/edit/edit_surface.h"

#include <cstdlib>

#include "platform/draw/region.h"

namespace quillmar {
namespace {

draw::RectF ToDraw(const RectF& r) { return {r.x, r.y, r.width, r.height}; }

draw::Region AreaWithoutKept(const RectF& area, const RectF& kept) {
  draw::Region region = draw::Region::FromRectF(ToDraw(area));
  if (!kept.IsEmpty()) region.Exclude(draw::Region::FromRectF(ToDraw(kept)));
  return region;
}

}  // namespace

void EditSurface::Create(const RectF& area, int32_t offsetX, int32_t offsetY) {
  Clear();
  bitmap_ = draw::Bitmap(static_cast<int>(area.width), static_cast<int>(area.height));
  if (!bitmap_.IsEmpty()) graphics_ = std::make_unique<draw::Graphics>(bitmap_);
  area_ = area;
  oldOffsetX_ = offsetX;
  oldOffsetY_ = offsetY;
}

void EditSurface::ComputeShift() {
  const int32_t dx = std::abs(newOffsetX_ - oldOffsetX_);
  const int32_t dy = std::abs(newOffsetY_ - oldOffsetY_);
  keptRect_ = {area_.x, area_.y, area_.width - static_cast<float>(dx), area_.height - static_cast<float>(dy)};
  if (keptRect_.width < 0) keptRect_.width = 0;
  if (keptRect_.height < 0) keptRect_.height = 0;
  // The offsets only grow towards 0 when the text moves right or down.
  if (oldOffsetX_ < newOffsetX_) {
    keptRect_.x = area_.x + area_.width - keptRect_.width;
    shiftX_ = dx;
  } else {
    shiftX_ = -dx;
  }
  if (oldOffsetY_ < newOffsetY_) {
    keptRect_.y = area_.y + area_.height - keptRect_.height;
    shiftY_ = dy;
  } else {
    shiftY_ = -dy;
  }
  oldOffsetX_ = newOffsetX_;
  oldOffsetY_ = newOffsetY_;
}

void EditSurface::BlitShifted(draw::Graphics& graphics, int32_t offsetX, int32_t offsetY) {
  newOffsetX_ = offsetX;
  newOffsetY_ = offsetY;
  ComputeShift();
  if (!bitmap_.IsEmpty() && !keptRect_.IsEmpty()) {
    graphics.SetClip(ToDraw(keptRect_));
    graphics.DrawImage(bitmap_, static_cast<float>(shiftX_) + area_.x, static_cast<float>(shiftY_) + area_.y);
  }
  graphics.SetClip(AreaWithoutKept(area_, keptRect_));
}

void EditSurface::CaptureFrom(const draw::Bitmap& image) {
  if (!graphics_) return;
  graphics_->ResetClip();
  graphics_->Clear(0x00FFFFFF);
  graphics_->DrawImage(image, -area_.x, -area_.y);
}

RectF EditSurface::ExposedBounds() const {
  const draw::Rect r = AreaWithoutKept(area_, keptRect_).Bounds();
  return RectF::FromRect(Rect{r.x, r.y, r.width, r.height});
}

void EditSurface::Clear() {
  graphics_.reset();
  bitmap_ = draw::Bitmap();
  area_ = {};
  keptRect_ = {};
  oldOffsetX_ = oldOffsetY_ = 0;
  newOffsetX_ = newOffsetY_ = 0;
  shiftX_ = shiftY_ = 0;
}

}  // namespace quillmar
