#include "ui/gfx/effect.h"

#include <algorithm>
#include <utility>

#include "platform/draw/blend.h"
#include "platform/draw/graphics.h"
#include "platform/draw/matrix.h"
#include "platform/ws/window_system.h"

namespace quillmar {
namespace {

ws::WindowSystem* Windows() { return ws::SystemOrNull(); }

}  // namespace

UiEffect::UiEffect() = default;

UiEffect::~UiEffect() {
  // The timer callback points at this object: it must stop before the object goes.
  StopTimer();
}

bool UiEffect::Setup(int kind, const draw::Bitmap* source, int x, int y, int width, int height,
                     std::optional<RectF> sourceRect, bool startNow, DoneCallback doneCallback,
                     FrameCallback frameCallback, WindowHandle window) {
  if (configured_ || kind < 1) return false;
  configured_ = true;
  kind_ = kind;
  targetX_ = x;
  targetY_ = y;
  targetWidth_ = width;
  targetHeight_ = height;
  sourceRect_ = sourceRect.value_or(RectF{0, 0, static_cast<float>(width), static_cast<float>(height)});
  doneCallback_ = std::move(doneCallback);
  frameCallback_ = std::move(frameCallback);
  motion_.alpha = 255;
  if (window != 0 && Windows() && Windows()->IsWindow(window)) {
    window_ = window;
    hasWindow_ = true;
  }
  snapshot_ = draw::Bitmap(width, height);
  if (source) {
    DrawBitmapToSnapshot(*source, 0, 0, width, height, static_cast<int>(sourceRect_.x), static_cast<int>(sourceRect_.y),
                         static_cast<int>(sourceRect_.width), static_cast<int>(sourceRect_.height), 255);
  }
  if (startNow) Start();
  return true;
}

void UiEffect::SetTarget(std::optional<int> x, std::optional<int> y, std::optional<int> width,
                         std::optional<int> height) {
  if (!configured_) return;
  targetX_ = x.value_or(targetX_);
  targetY_ = y.value_or(targetY_);
  targetWidth_ = width.value_or(targetWidth_);
  targetHeight_ = height.value_or(targetHeight_);
  FreeSnapshot();
  snapshot_ = draw::Bitmap(targetWidth_, targetHeight_);
}

void UiEffect::Start() {
  if (!configured_) return;
  running_ = true;
  finished_ = false;
  firstTick_ = true;
  Tick();
}

void UiEffect::Finish() {
  running_ = false;
  finished_ = true;
  firstTick_ = false;
  Reset();
}

void UiEffect::Reset() {
  ClearBitmaps();
  FreeFrame();
  StopTimer();
}

void UiEffect::Dispose() {
  FreeSnapshot();
  Reset();
  kind_ = 0;
  targetBitmap_ = nullptr;
  motion_ = EffectMotion{};
  motion_.alpha = 0;
  window_ = 0;
  sourceBitmap_.reset();
}

void UiEffect::SetKind(int kind) {
  if (configured_ || kind < 1 || kind == kind_) return;
  Finish();
  kind_ = kind;
}

void UiEffect::OnTimer(uint32_t id) {
  if (id == 0 || id != timerId_) return;
  if (kind_ >= 1 && kind_ <= 999) {
    Tick();
  } else {
    kind_ = 0;
    Finish();
  }
}

void UiEffect::Tick() {
  if (!configured_ || !running_ || finished_) return;
  // A kind without step routines would never start its timer and keep the
  // window waiting for an effect that cannot end: it ends at once.
  const bool proceed = EffectMotion::HasSteps(kind_) && StepKind();
  if (firstTick_ && EffectMotion::HasSteps(kind_)) {
    firstTick_ = false;
    return;
  }
  if (proceed) {
    ComposeFrame();
    if (quietStep_) return;  // a later step of the same display frame shows
    Present();
    // Copies: a callback may replace or release the effect's callbacks.
    if (FrameCallback callback = frameCallback_) callback(frame_);
  } else {
    Finish();
    if (DoneCallback callback = doneCallback_) callback();
  }
}

bool UiEffect::StepKind() {
  if (firstTick_) {
    InitKind();
    return false;
  }
  const EffectStepResult result = motion_.Advance(kind_, TargetRect());
  if (result.disposeSource) sourceBitmap_.reset();
  if (result.proceed) Redraw(result.redraw, result.value);
  return result.proceed;
}

void UiEffect::InitKind() {
  const EffectInitPlan plan = motion_.Init(kind_, TargetRect());
  Reset();
  if (plan.createFrame) CreateFrame(plan.frameWidth, plan.frameHeight);
  if (plan.blendSnapshot) {
    BlendBitmap(frame_, 0, 0, targetWidth_, targetHeight_, snapshot_, 0, 0, targetWidth_, targetHeight_, 255, true);
  }
  if (plan.makeSourceBitmap) sourceBitmap_ = snapshot_.Clone();
  if (plan.intervalMs > 0) StartTimer(plan.intervalMs);
}

void UiEffect::Redraw(EffectRedraw redraw, int value) {
  switch (redraw) {
    case EffectRedraw::None:
      break;
    case EffectRedraw::Scaled:
      DrawScaled(value);
      break;
    case EffectRedraw::Gradient:
      DrawGradient(value);
      break;
    case EffectRedraw::Blurred:
      DrawBlurred(value);
      break;
    case EffectRedraw::Rotated:
      DrawRotated(value);
      break;
  }
}

void UiEffect::DrawScaled(int amount) {
  ClearBitmap(frame_);
  const Rect place = EffectMotion::ScaledPlacement(kind_, targetWidth_, targetHeight_, amount);
  BlendBitmap(frame_, place.x, place.y, place.width, place.height, snapshot_, 0, 0, targetWidth_, targetHeight_, 255,
              true);
}

void UiEffect::DrawGradient(int front) {
  ClearBitmap(frame_);
  for (int row = 1; row <= targetHeight_; ++row) {
    const std::optional<int> rowAlpha = EffectMotion::GradientRowAlpha(front, row, targetHeight_);
    if (!rowAlpha) break;
    BlendBitmap(frame_, 0, row - 1, targetWidth_, 1, snapshot_, 0, row - 1, targetWidth_, 1, *rowAlpha, true);
  }
}

void UiEffect::DrawBlurred(int radius) {
  if (!sourceBitmap_ || frame_.IsEmpty()) return;
  const float w = static_cast<float>(targetWidth_);
  const float h = static_cast<float>(targetHeight_);
  draw::Graphics graphics(frame_);
  if (radius <= 0) {
    graphics.DrawImage(*sourceBitmap_, RectF{0, 0, w, h});
    return;
  }
  // A downscale followed by a smooth upscale stands in for a real blur.
  const int factor = 2 * radius;
  const auto smoothing = graphics.GetSmoothingMode();
  const auto compositing = graphics.GetCompositingQuality();
  const auto interpolation = graphics.GetInterpolationMode();
  const auto pixelOffset = graphics.GetPixelOffsetMode();
  graphics.SetSmoothingMode(draw::SmoothingMode::AntiAlias);
  graphics.SetCompositingQuality(draw::CompositingQuality::GammaCorrected);
  graphics.SetInterpolationMode(draw::InterpolationMode::HighQualityBilinear);
  graphics.SetPixelOffsetMode(draw::PixelOffsetMode::None);
  // At least one pixel, so a small window still shows something.
  draw::Bitmap small(std::max(1, targetWidth_ / factor), std::max(1, targetHeight_ / factor));
  {
    draw::Graphics reduce(small);
    reduce.SetInterpolationMode(draw::InterpolationMode::HighQualityBilinear);
    reduce.DrawImage(*sourceBitmap_,
                     RectF{0, 0, static_cast<float>(small.Width()), static_cast<float>(small.Height())});
  }
  const float grown = static_cast<float>(factor);
  graphics.DrawImage(small, RectF{0, 0, w + grown, h + grown});
  graphics.SetSmoothingMode(smoothing);
  graphics.SetCompositingQuality(compositing);
  graphics.SetInterpolationMode(interpolation);
  graphics.SetPixelOffsetMode(pixelOffset);
}

void UiEffect::DrawRotated(int angle) {
  if (!sourceBitmap_) return;
  const int boxWidth = motion_.curWidth;
  const int boxHeight = motion_.curHeight;
  CreateFrame(boxWidth, boxHeight);
  if (frame_.IsEmpty()) return;
  const float w = static_cast<float>(targetWidth_);
  const float h = static_cast<float>(targetHeight_);
  // Each operation is prepended: the picture turns about its centre, then the
  // centre moves to the middle of the box.
  draw::Matrix matrix;
  matrix.Translate((static_cast<float>(boxWidth) - w) / 2, (static_cast<float>(boxHeight) - h) / 2);
  matrix.Translate(w / 2, h / 2);
  matrix.Rotate(static_cast<float>(angle));
  matrix.Translate(-w / 2, -h / 2);
  draw::Graphics graphics(frame_);
  graphics.SetTransform(matrix);
  graphics.SetSmoothingMode(draw::SmoothingMode::AntiAlias);
  graphics.DrawImage(*sourceBitmap_, RectF{0, 0, w, h});
}

void UiEffect::DrawBitmapToSnapshot(const draw::Bitmap& source, std::optional<int> x, std::optional<int> y,
                                    std::optional<int> width, std::optional<int> height, std::optional<int> sourceX,
                                    std::optional<int> sourceY, std::optional<int> sourceWidth,
                                    std::optional<int> sourceHeight, std::optional<int> alpha) {
  BlendBitmap(snapshot_, x.value_or(0), y.value_or(0), width.value_or(targetWidth_), height.value_or(targetHeight_),
              source, sourceX.value_or(0), sourceY.value_or(0), sourceWidth.value_or(targetWidth_),
              sourceHeight.value_or(targetHeight_), alpha.value_or(255), true);
}

void UiEffect::ComposeFrame() {
  if (frame_.IsEmpty() || !targetBitmap_ || !configured_ || !running_) return;
  const int width = std::min(targetWidth_, frame_.Width());
  const int height = std::min(targetHeight_, frame_.Height());
  BlendBitmap(*targetBitmap_, 0, 0, width, height, frame_, 0, 0, width, height, 255, true);
}

void UiEffect::Present() {
  if (!configured_ || window_ == 0 || !hasWindow_ || !running_ || frame_.IsEmpty()) return;
  ws::WindowSystem* windows = Windows();
  if (!windows || !windows->IsWindow(window_)) return;
  // Never show more than the frame holds.
  const Size size{std::min(motion_.curWidth, frame_.Width()), std::min(motion_.curHeight, frame_.Height())};
  const ws::PixelView picture{frame_.Data(), frame_.Width(), frame_.Height(), frame_.Stride()};
  windows->PresentLayered(window_, Point{motion_.curX, motion_.curY}, size, picture,
                          static_cast<uint8_t>(std::clamp(motion_.alpha, 0, 255)));
}

int UiEffect::AddBitmap(std::optional<int> width, std::optional<int> height) {
  bitmaps_.emplace_back(width.value_or(targetWidth_), height.value_or(targetHeight_));
  return static_cast<int>(bitmaps_.size());
}

void UiEffect::ClearBitmaps() { bitmaps_.clear(); }

void UiEffect::CreateFrame(std::optional<int> width, std::optional<int> height) {
  FreeFrame();
  frame_ = draw::Bitmap(width.value_or(targetWidth_), height.value_or(targetHeight_));
}

void UiEffect::FreeFrame() { frame_ = draw::Bitmap(); }

void UiEffect::FreeSnapshot() { snapshot_ = draw::Bitmap(); }

void UiEffect::Frame(int64_t nowMs) {
  if (timerId_ != kFrameDriven || stepMs_ <= 0) return;
  // Far behind (the loop was held up), it takes a few steps, not all.
  constexpr int64_t kMostSteps = 8;
  const int64_t due = nowMs < nextStepMs_ ? 0 : std::min((nowMs - nextStepMs_) / stepMs_ + 1, kMostSteps);
  nextStepMs_ = std::max(nextStepMs_ + due * stepMs_, nowMs - stepMs_);
  for (int64_t i = 0; i < due && timerId_ == kFrameDriven; ++i) {
    quietStep_ = i + 1 < due;
    Tick();
  }
  quietStep_ = false;
  if (timerId_ == kFrameDriven && requestFrame_) requestFrame_();
}

void UiEffect::StartTimer(int intervalMs) {
  StopTimer();
  ws::WindowSystem* windows = Windows();
  if (!windows || intervalMs <= 0) return;
  if (requestFrame_) {
    timerId_ = kFrameDriven;
    stepMs_ = intervalMs;
    nextStepMs_ = windows->NowMs() + intervalMs;
    requestFrame_();
    return;
  }
  timerId_ = windows->StartPeriodicTimer(static_cast<uint32_t>(intervalMs), [this](uint32_t id) { OnTimer(id); });
}

void UiEffect::StopTimer() {
  if (timerId_ == 0) return;
  if (timerId_ == kFrameDriven) {
    timerId_ = 0;
    return;
  }
  if (ws::WindowSystem* windows = Windows()) windows->StopPeriodicTimer(timerId_);
  timerId_ = 0;
}

void UiEffect::BlendBitmap(draw::Bitmap& target, int dx, int dy, int dw, int dh, const draw::Bitmap& source, int sx,
                           int sy, int sw, int sh, int alpha, bool useAlpha) {
  // A source area outside the source picture is refused as a whole, like the
  // platform blend it stands for.
  if (source.IsEmpty() || target.IsEmpty() || sx < 0 || sy < 0 || sw <= 0 || sh <= 0 || sx + sw > source.Width() ||
      sy + sh > source.Height() || dw <= 0 || dh <= 0) {
    return;
  }
  const int constant = useAlpha ? std::clamp(alpha, 0, 255) : 255;
  draw::BlendBitmap(target, Rect{dx, dy, dw, dh}, source, Rect{sx, sy, sw, sh}, static_cast<uint8_t>(constant));
}

void UiEffect::ClearBitmap(draw::Bitmap& bitmap) { draw::ClearBitmap(bitmap); }

}  // namespace quillmar
