#include "ui/edit/edit_surface.h"

#include <algorithm>
#include <cstdlib>

#include "platform/draw/region.h"

namespace quillmar {
namespace {

draw::Region Kept(const RectF& kept, const RectF& stale) {
  if (kept.IsEmpty()) return {};
  draw::Region region = draw::Region::FromRectF(kept);
  if (!stale.IsEmpty()) region.Exclude(draw::Region::FromRectF(stale));
  return region;
}

draw::Region AreaWithout(const RectF& area, const draw::Region& kept) {
  draw::Region region = draw::Region::FromRectF(area);
  region.Exclude(kept);
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
  // A scroll after the text changed moved what is stale: draw the whole area then.
  if (!stale_.IsEmpty() && (staleOffsetX_ != offsetX || staleOffsetY_ != offsetY)) stale_ = area_;
  const draw::Region kept = Kept(keptRect_, stale_);
  if (!bitmap_.IsEmpty() && !kept.IsEmpty()) {
    graphics.SetClip(kept);
    graphics.DrawImage(bitmap_, static_cast<float>(shiftX_) + area_.x, static_cast<float>(shiftY_) + area_.y);
  }
  graphics.SetClip(AreaWithout(area_, kept));
}

void EditSurface::AddStale(const RectF& rect, int32_t offsetX, int32_t offsetY) {
  if (rect.IsEmpty()) return;
  if (stale_.IsEmpty()) {
    stale_ = rect;
    staleOffsetX_ = offsetX;
    staleOffsetY_ = offsetY;
    return;
  }
  if (offsetX != staleOffsetX_ || offsetY != staleOffsetY_) {
    stale_ = area_;
    return;
  }
  stale_ = RectF::FromLtrb(std::min(stale_.x, rect.x), std::min(stale_.y, rect.y),
                           std::max(stale_.Right(), rect.Right()), std::max(stale_.Bottom(), rect.Bottom()));
}

void EditSurface::CaptureFrom(const draw::Bitmap& image) {
  stale_ = {};
  if (!graphics_) return;
  graphics_->ResetClip();
  graphics_->Clear(0x00FFFFFF);
  graphics_->DrawImage(image, -area_.x, -area_.y);
}

RectF EditSurface::ExposedBounds() const {
  return RectF::FromRect(AreaWithout(area_, Kept(keptRect_, stale_)).Bounds());
}

void EditSurface::Clear() {
  graphics_.reset();
  bitmap_ = draw::Bitmap();
  area_ = {};
  keptRect_ = {};
  stale_ = {};
  oldOffsetX_ = oldOffsetY_ = 0;
  newOffsetX_ = newOffsetY_ = 0;
  shiftX_ = shiftY_ = 0;
}

}  // namespace quillmar
