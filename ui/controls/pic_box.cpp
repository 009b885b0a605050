#include "ui/controls/pic_box.h"

#include "platform/draw/graphics.h"
#include "ui/core/skin_image.h"

namespace quillmar {
namespace {

bool IsDrawMode(int32_t mode) { return mode >= 0 && mode <= 3; }

}  // namespace

int32_t UiPicBox::Create(UiWindow* parent, bool, int32_t x, int32_t y, int32_t width, int32_t height, ImageHandle image,
                         int32_t drawMode) {
  const int32_t key = CreateElement(parent, true, x, y, width, height, kTag);
  image_ = std::move(image);
  drawMode_ = IsDrawMode(drawMode) ? drawMode : 0;
  frameIndex_ = 0;
  LoadFrameInfo();
  FinishCreate();
  return key;
}

void UiPicBox::SetImage(ImageHandle image) {
  Reset();
  image_ = std::move(image);
  LoadFrameInfo();
  InvalidateRect();
}

void UiPicBox::SetFrame(int32_t index) {
  if (index < -1) return;
  const int32_t count = static_cast<int32_t>(frameDelays_.size());
  if (index == -1 || index > count) index = count;
  Assign(frameIndex_, index);
}

int32_t UiPicBox::DelayMs(size_t index) const {
  const int delay = index < frameDelays_.size() ? frameDelays_[index] : 0;
  return delay > 0 ? delay * 10 : kZeroDelayMs;
}

int32_t UiPicBox::Play() {
  if (frameDelays_.empty() || timerId_ != 0) return 0;
  if (frameIndex_ >= static_cast<int32_t>(frameDelays_.size())) frameIndex_ = 0;
  frameInterval_ = DelayMs(static_cast<size_t>(frameIndex_));
  timerId_ = StartTimer(frameInterval_);
  return timerId_;
}

void UiPicBox::Pause() {
  if (timerId_ != 0) StopTimer(timerId_);
  timerId_ = 0;
}

void UiPicBox::Stop() {
  Reset();
  InvalidateRect();
}

void UiPicBox::SetDrawMode(int32_t mode) {
  if (IsDrawMode(mode)) Assign(drawMode_, mode);
}

void UiPicBox::LoadFrameInfo() {
  // A still picture (or none) after an animated one must not keep the old
  // delays, or Play would run a timer over frames the picture does not have.
  frameDelays_.clear();
  quillmar::LoadFrameInfo(image_.get(), frameDelays_);
}

void UiPicBox::Reset() {
  if (timerId_ != 0) {
    StopTimer(timerId_);
    timerId_ = 0;
  }
  frameIndex_ = 0;
}

void UiPicBox::Dispose() {
  Reset();
  image_.reset();
  frameDelays_.clear();
  Unregister();
}

void UiPicBox::OnTimer(int32_t id, uint32_t) {
  if (id == 0 || id != timerId_) return;
  ++frameIndex_;
  if (frameIndex_ >= static_cast<int32_t>(frameDelays_.size())) frameIndex_ = 0;
  if (GetVisible() != 0) InvalidateRect();
  const int32_t next = DelayMs(static_cast<size_t>(frameIndex_));
  if (next == frameInterval_) return;
  StopTimer(timerId_);
  frameInterval_ = next;
  timerId_ = StartTimer(next);
}

void UiPicBox::OnPaint(draw::Graphics& g, Size size) {
  if (!image_ || image_->IsEmpty()) return;
  if (!frameDelays_.empty()) SelectActiveFrame(image_.get(), frameIndex_);
  const RectF whole{0, 0, static_cast<float>(size.width), static_cast<float>(size.height)};
  DrawSkinImage(g, *image_, whole, drawMode_, size.width, size.height);
}

}  // namespace quillmar
