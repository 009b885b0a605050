#include "ui/gfx/effect_motion.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quillmar {
namespace {

constexpr int kSlideDistance = 110;
constexpr int kSpringMargin = 40;

bool IsFadeInKind(int kind) { return kind >= 1 && kind <= 10 && kind % 2 == 1; }

int ClampAlpha(int value) { return std::clamp(value, 0, 255); }

EffectStepResult Ended(bool disposeSource = false) {
  return EffectStepResult{false, EffectRedraw::None, 0, disposeSource};
}

EffectStepResult Proceed(EffectRedraw redraw, int value) { return EffectStepResult{true, redraw, value, false}; }

// Interval, starting angle, step and alpha of the tilt and spin kinds 19 to 26.
struct RotationStart {
  int intervalMs;
  int angle;
  int step;
  int alpha;
};

constexpr RotationStart kRotationStarts[8] = {
    {50, 10, 2, 0}, {50, 0, 2, 255},  {50, -10, 2, 0}, {50, 0, 2, 255},
    {30, 0, 30, 0}, {30, 0, 30, 255}, {30, 0, 30, 0},  {30, 0, 30, 255},
};

// The moving coordinate of a slide kind (3 to 10) and its change per tick.
struct Slide {
  int EffectMotion::*coordinate;
  int Rect::*arrival;
  int delta;
};

Slide SlideOf(int kind) {
  static constexpr Slide kSlides[8] = {
      {&EffectMotion::curY, &Rect::y, 10},  {&EffectMotion::curY, &Rect::y, -10}, {&EffectMotion::curX, &Rect::x, 10},
      {&EffectMotion::curX, &Rect::x, -10}, {&EffectMotion::curX, &Rect::x, -10}, {&EffectMotion::curX, &Rect::x, 10},
      {&EffectMotion::curY, &Rect::y, -10}, {&EffectMotion::curY, &Rect::y, 10},
  };
  return kSlides[kind - 3];
}

}  // namespace

void EffectMotion::AdoptTarget(const Rect& target) {
  curX = target.x;
  curY = target.y;
  curWidth = target.width;
  curHeight = target.height;
}

EffectInitPlan EffectMotion::Init(int kind, const Rect& target) {
  EffectInitPlan plan;
  if (!HasSteps(kind)) return plan;
  AdoptTarget(target);
  plan.frameWidth = target.width;
  plan.frameHeight = target.height;
  if (kind <= 10) {
    plan.intervalMs = 15;
    plan.createFrame = true;
    plan.blendSnapshot = true;
    progress = IsFadeInKind(kind) ? 0 : 255;
    step = 25;
    if (kind >= 3 && IsFadeInKind(kind)) {
      // Slides in start 110 pixels away, against their direction of travel.
      const Slide slide = SlideOf(kind);
      this->*slide.coordinate = target.*slide.arrival - (slide.delta > 0 ? kSlideDistance : -kSlideDistance);
    }
  } else if (kind <= 12) {
    plan.intervalMs = 20;
    plan.createFrame = true;
    alpha = kind == 11 ? 0 : 255;
    progress = kind == 11 ? -80 : 0;
    step = 10;
  } else if (kind <= 14) {
    curX = target.x - kSpringMargin;
    curY = target.y - kSpringMargin;
    curWidth = target.width + 2 * kSpringMargin;
    curHeight = target.height + 2 * kSpringMargin;
    plan.intervalMs = kind == 13 ? 15 : 25;
    plan.createFrame = true;
    plan.frameWidth = curWidth;
    plan.frameHeight = curHeight;
    alpha = kind == 13 ? 0 : 255;
    progress = kind == 13 ? -80 : 120;
    step = 10;
  } else if (kind <= 16) {
    plan.intervalMs = kind == 15 ? 20 : 30;
    plan.createFrame = true;
    alpha = 255;
    progress = kind == 15 ? 0 : 255;
    step = 30;
  } else if (kind <= 18) {
    plan.intervalMs = 100;
    plan.createFrame = true;
    plan.makeSourceBitmap = true;
    alpha = kind == 17 ? 0 : 255;
    progress = kind == 17 ? 10 : 1;
    step = 3;
  } else {
    const RotationStart& start = kRotationStarts[kind - 19];
    plan.intervalMs = start.intervalMs;
    plan.makeSourceBitmap = true;
    progress = start.angle;
    step = start.step;
    alpha = start.alpha;
  }
  return plan;
}

EffectStepResult EffectMotion::FadeIn() {
  if (progress >= 256) return Ended();
  alpha = std::min(progress + step, 255);
  progress += step;
  return Proceed(EffectRedraw::None, 0);
}

EffectStepResult EffectMotion::FadeOut() {
  if (progress < 0) return Ended();
  alpha = std::max(progress - step, 0);
  progress -= step;
  return Proceed(EffectRedraw::None, 0);
}

EffectStepResult EffectMotion::Advance(int kind, const Rect& target) {
  switch (kind) {
    case 1:
      return FadeIn();
    case 2:
      return FadeOut();
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10: {
      const Slide slide = SlideOf(kind);
      int& coordinate = this->*slide.coordinate;
      if (!IsFadeInKind(kind)) {
        if (progress < 0) return Ended();
        coordinate += slide.delta;
        return FadeOut();
      }
      const int arrival = target.*slide.arrival;
      if (slide.delta > 0 ? coordinate >= arrival : coordinate <= arrival) {
        coordinate = arrival;
        return Ended();
      }
      coordinate += slide.delta;
      return FadeIn();
    }
    case 11:
      if (progress >= 0) return Ended();
      progress += step;
      alpha = std::min(alpha + 35, 255);
      return Proceed(EffectRedraw::Scaled, progress);
    case 12:
      if (progress < -79) return Ended();
      progress -= step;
      alpha = std::max(alpha - 35, 0);
      return Proceed(EffectRedraw::Scaled, std::max(progress, -80));
    case 13:
    case 14:
      if (kind == 13 ? progress >= 120 : progress < -79) return Ended();
      progress += kind == 13 ? step : -step;
      alpha = ClampAlpha(alpha + (kind == 13 ? 13 : -13));
      return Proceed(EffectRedraw::Scaled, progress > 59 ? 120 - progress : progress);
    case 15:
      if (progress >= 255) return Ended();
      progress += step;
      return Proceed(EffectRedraw::Gradient, std::min(progress, 255));
    case 16:
      if (progress <= 0) return Ended();
      progress -= step;
      return Proceed(EffectRedraw::Gradient, std::max(progress, 0));
    case 17:
      if (progress <= 4) return Ended(true);
      alpha = std::min(alpha + 130, 255);
      progress -= step;
      return Proceed(EffectRedraw::Blurred, progress);
    case 18:
      if (progress >= 11) return Ended(true);
      alpha = std::max(alpha - 86, 0);
      progress += step;
      return Proceed(EffectRedraw::Blurred, progress);
    default:
      if (kind >= 19 && kind <= 26) return Rotate(kind, target);
      return Proceed(EffectRedraw::None, 0);
  }
}

EffectStepResult EffectMotion::Rotate(int kind, const Rect& target) {
  int& angle = progress;
  switch (kind) {
    case 19:
      if (angle <= 0) return Ended();
      angle -= step;
      alpha += 51;
      if (angle < 0) {
        angle = 0;
        alpha = 255;
      }
      break;
    case 20:
      if (angle < -9) return Ended();
      angle -= step;
      alpha -= 51;
      if (angle < -10) {
        angle = -10;
        alpha = 0;
      }
      break;
    case 21:
      if (angle >= 0) return Ended();
      angle += step;
      alpha += 51;
      break;
    case 22:
      if (angle >= 10) return Ended();
      angle += step;
      alpha -= 51;
      if (angle > 10) angle = 10;
      break;
    case 23:
    case 24:
      if (angle < -359) return Ended();
      angle -= step;
      alpha += kind == 23 ? 21 : -21;
      if (kind == 23 && angle < -360) {
        angle = -360;
        alpha = 255;
      }
      break;
    default:  // 25, 26
      if (angle >= 360) return Ended();
      angle += step;
      alpha += kind == 25 ? 21 : -21;
      if (kind == 25 && angle > 360) {
        angle = 360;
        alpha = 255;
      }
      break;
  }
  // The constant alpha of a layered window is one byte: never let it wrap.
  alpha = ClampAlpha(alpha);
  const Rect box = RotatedBounds(target.width, target.height, angle);
  curWidth = box.width;
  curHeight = box.height;
  // The window stays centred on the target while its box grows and shrinks.
  curX = target.x + static_cast<int>(std::lround((target.width - box.width) / 2.0));
  curY = target.y + static_cast<int>(std::lround((target.height - box.height) / 2.0));
  return Proceed(EffectRedraw::Rotated, angle);
}

Rect EffectMotion::ScaledPlacement(int kind, int width, int height, int amount) {
  if (width <= 0) return {};
  const bool spring = kind == 13 || kind == 14;
  const int drawnWidth = spring ? width + amount : width - std::abs(amount);
  const int drawnHeight = static_cast<int>(std::lround(static_cast<double>(height) / width * drawnWidth));
  const double x = spring ? -amount / 2.0 + kSpringMargin : std::abs(amount) / 2.0;
  const double y = height / 2.0 - drawnHeight / 2.0 + (spring ? kSpringMargin : 0);
  // Blend positions are whole pixels; conversion truncates toward zero.
  return {static_cast<int>(x), static_cast<int>(y), drawnWidth, drawnHeight};
}

std::optional<int> EffectMotion::GradientRowAlpha(int front, int row, int height) {
  if (height <= 0) return std::nullopt;
  const double rowAlpha = front - 255.0 * row / height;
  if (rowAlpha < -1e-7) return std::nullopt;
  if (front == 255) return 255;
  return ClampAlpha(static_cast<int>(std::lround(rowAlpha)));
}

Rect EffectMotion::RotatedBounds(int width, int height, double degrees) {
  const double radians = degrees * 3.1415926535 / 180.0;
  const double c = std::cos(radians);
  const double s = std::sin(radians);
  const double boxWidth = std::fabs(width * c) + std::fabs(height * s);
  const double boxHeight = std::fabs(width * s) + std::fabs(height * c);
  return {0, 0, static_cast<int>(std::lround(boxWidth)), static_cast<int>(std::lround(boxHeight))};
}

}  // namespace quillmar
