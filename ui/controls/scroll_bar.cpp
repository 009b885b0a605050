#include "ui/controls/scroll_bar.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "base/saturating.h"
#include "platform/draw/brush.h"
#include "platform/draw/graphics.h"
#include "platform/ws/messages.h"
#include "ui/core/element_ref.h"
#include "ui/core/theme_defaults.h"

namespace quillmar {
namespace {

constexpr double kTolerance = kGeometryTolerance;

// Nearest integer, halves upward.
float RoundHalfUp(double v) { return static_cast<float>(std::floor(v + 0.5)); }

// Whole pixels covering a rectangle, one pixel wider on every side for the
// triangles' outer points that sit on the bar's far edge.
Rect Covering(const RectF& r) {
  const int32_t left = static_cast<int32_t>(std::floor(r.x)) - 1;
  const int32_t top = static_cast<int32_t>(std::floor(r.y)) - 1;
  const int32_t right = static_cast<int32_t>(std::ceil(r.Right())) + 2;
  const int32_t bottom = static_cast<int32_t>(std::ceil(r.Bottom())) + 2;
  return {left, top, right - left, bottom - top};
}

}  // namespace

int32_t ScrollBarMetrics::ThumbLength() const {
  const int64_t t = static_cast<int64_t>(length) - range - ArrowRoom();
  return t < minThumb ? minThumb : ClampToInt32(t);
}

double ScrollBarMetrics::PixelsPerUnit() const {
  // With an empty range the thumb fills the track and has nowhere to go.
  if (range <= 0) return 0;
  const int64_t free = static_cast<int64_t>(length) - ThumbLength() - ArrowRoom();
  return free > 0 ? static_cast<double>(free) / static_cast<double>(range) : 0;
}

int32_t ScrollBarMetrics::ThumbStart(int64_t offset) const {
  const int32_t base = arrows ? ClampToInt32(static_cast<int64_t>(thickness) + 1) : 0;
  if (range <= 0) return base;
  // A bar shorter than its shortest thumb keeps the thumb at the track's start.
  const int64_t free = std::max<int64_t>(0, static_cast<int64_t>(length) - ThumbLength() - ArrowRoom());
  // In doubles: offset times free may pass 64 bits' worth for a full 32-bit range.
  const double share = static_cast<double>(std::clamp<int64_t>(offset, 0, range)) / static_cast<double>(range);
  return SaturatingAdd(base, static_cast<int64_t>(share * static_cast<double>(free)));
}

int32_t UiScrollBar::Create(UiWindow* parent, bool visible, int32_t x, int32_t y, int32_t width, int32_t height,
                            std::optional<int32_t> minimum, std::optional<int32_t> maximum, int32_t position,
                            int32_t lineStep, int32_t pageStep, std::optional<bool> notify, bool horizontal,
                            std::optional<draw::Argb> color, EventRoutine eventTarget) {
  const int32_t lo = minimum.value_or(0);
  const int32_t hi = maximum.value_or(100);
  if (hi < lo) return -1;
  minimum_ = lo;
  maximum_ = hi;
  position_ = std::min(std::max(position, lo), hi);
  lineStep_ = lineStep != 0 ? lineStep : 1;
  pageStep_ = pageStep != 0 ? pageStep : 10;
  notify_ = notify.value_or(true);
  horizontal_ = horizontal;
  if (color) {
    barRgb_ = *color & 0x00FFFFFF;
    barAlpha_ = static_cast<int32_t>(*color >> 24);
  } else {
    barRgb_ = Theme().lineColor & 0x00FFFFFF;
    barAlpha_ = Theme().buttonVariant != 0 ? 100 : 150;
  }
  minThumb_ = 20;
  arrowsShown_ = true;
  const int32_t key = CreateElement(parent, visible, x, y, width, height, kTag);
  if (eventTarget) SetUserHandler(std::move(eventTarget));
  FinishCreate();
  return key;
}

ScrollBarMetrics UiScrollBar::Metrics() {
  ScrollBarMetrics m;
  m.thickness = horizontal_ ? GetHeight() : GetWidth();
  m.length = horizontal_ ? GetWidth() : GetHeight();
  m.range = static_cast<int64_t>(maximum_) - minimum_;
  m.minThumb = minThumb_;
  m.arrows = arrowsShown_;
  return m;
}

RectF UiScrollBar::ThumbRect() {
  const ScrollBarMetrics m = Metrics();
  const float s = static_cast<float>(m.ThumbStart(static_cast<int64_t>(position_) - minimum_));
  const float len = static_cast<float>(m.ThumbLength());
  const float t = static_cast<float>(m.thickness);
  return horizontal_ ? RectF{s, 0, len, t} : RectF{0, s, t, len};
}

void UiScrollBar::SetMaximum(int32_t value) {
  if (value == maximum_ || value < minimum_) return;
  maximum_ = value;
  position_ = std::min(position_, maximum_);
  InvalidateRect();
}

void UiScrollBar::SetMinimum(int32_t value) {
  if (value == minimum_ || value > maximum_) return;
  minimum_ = value;
  position_ = std::max(position_, minimum_);
  InvalidateRect();
}

void UiScrollBar::SetMinThumb(int32_t value) {
  const ScrollBarMetrics m = Metrics();
  if (value == minThumb_ || value < 10 ||
      value >= static_cast<int64_t>(m.length) - 2 * static_cast<int64_t>(m.thickness) - 2)
    return;
  minThumb_ = value;
  InvalidateRect();
}

void UiScrollBar::SetPosition(int32_t value) {
  value = std::min(std::max(value, minimum_), maximum_);
  if (value == position_) return;
  position_ = value;
  NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::ValueChanged));
  // A half-faded hot part would show the thumb where it was.
  CancelTransition();
  InvalidateRect();
  if (notify_) Notify();
}

void UiScrollBar::Notify() { RaiseEvent(Event::ScrollChanged, static_cast<WParam>(position_)); }

void UiScrollBar::SetArrowsShown(bool flag) { Assign(arrowsShown_, flag); }

void UiScrollBar::SetHorizontal(int32_t flag) {
  if (flag != 0 && flag != 1) return;
  Assign(horizontal_, flag == 1);
}

PointF UiScrollBar::Mouse() {
  const Point p = MousePosition();
  return {static_cast<float>(p.x), static_cast<float>(p.y)};
}

int32_t UiScrollBar::HitTest() { return HitTestAt(Mouse()); }

int32_t UiScrollBar::HitTestAt(PointF mouse) {
  const ScrollBarMetrics m = Metrics();
  const double t = m.thickness;
  const double len = m.length;
  // Only the coordinate along the bar counts, clamped to its ends: a captured
  // mouse outside the bar's thickness acts as if it were on the bar.
  const double a = std::clamp<double>(horizontal_ ? mouse.x : mouse.y, 0.0, std::max(len, 0.0));
  trackSide_ = Direction::None;
  int32_t part = kNone;
  RectF along;  // in horizontal form: x along the bar, y across it
  const double thumbStart = m.ThumbStart(static_cast<int64_t>(position_) - minimum_);
  const double thumbEnd = thumbStart + m.ThumbLength();
  if (arrowsShown_ && a >= -kTolerance && a <= t + kTolerance) {
    part = kFirstArrow;
    along = {0, 0, static_cast<float>(t), static_cast<float>(t)};
  } else if (arrowsShown_ && a >= len - t - kTolerance && a <= len + kTolerance) {
    part = kSecondArrow;
    along = {static_cast<float>(len - t), 0, static_cast<float>(t), static_cast<float>(t)};
  } else if (a >= thumbStart - kTolerance && a <= thumbEnd + kTolerance) {
    part = kThumb;
    along = {static_cast<float>(thumbStart), 0, static_cast<float>(m.ThumbLength()), static_cast<float>(t)};
  } else {
    trackSide_ = a < thumbStart ? Direction::Back : Direction::Forward;
  }
  hotRect_ = horizontal_ ? along : RectF{along.y, along.x, along.height, along.width};
  if (part == hotPart_) return 0;
  hotPart_ = part;
  return 1;
}

void UiScrollBar::SetHotPart(int32_t part) {
  if (part < kNone || part > kSecondArrow || part == hotPart_) return;
  const ScrollBarMetrics m = Metrics();
  const float t = static_cast<float>(m.thickness);
  const float len = static_cast<float>(m.length);
  RectF along;
  if (part == kFirstArrow) along = {0, 0, t, t};
  if (part == kSecondArrow) along = {len - t, 0, t, t};
  const RectF thumb = ThumbRect();
  const RectF previous = hotRect_;
  hotRect_ = part == kThumb ? thumb : (horizontal_ ? along : RectF{along.y, along.x, along.height, along.width});
  hotPart_ = part;
  RefreshHot(previous);
}

void UiScrollBar::RefreshHot(const RectF& previous) {
  // The new hot part fades in; the rest of the bar, the part that stops being
  // hot among it, shows its new picture at once.
  if (!hotRect_.IsEmpty()) {
    TransitionRect(Covering(hotRect_), kHotFadeStep);
  } else if (!previous.IsEmpty()) {
    InvalidateRect({}, Covering(previous));
  }
}

void UiScrollBar::DragThumb() { DragThumbTo(Mouse()); }

void UiScrollBar::DragThumbTo(PointF mouse) {
  if (!dragging_) return;
  const double p = Metrics().PixelsPerUnit();
  if (p <= 0) return;
  const double moved = horizontal_ ? mouse.x - dragStart_.x : mouse.y - dragStart_.y;
  const double target =
      std::clamp(dragStartPosition_ + moved / p, static_cast<double>(minimum_), static_cast<double>(maximum_));
  SetPosition(static_cast<int32_t>(target));
}

void UiScrollBar::Press(PointF mouse, bool doubleClick) {
  // A routine hearing the position change may destroy this bar (or the list
  // owning it); after each change the bar returns unless it is still there.
  const ElementRef self(Key());
  // The thumb may have moved under a still mouse (a wheel, the owner), so the
  // part is taken from where the mouse is now.
  const RectF previous = hotRect_;
  if (HitTestAt(mouse) != 0) RefreshHot(previous);
  switch (hotPart_) {
    case kFirstArrow:
    case kSecondArrow:
      StopRepeat();
      repeatDirection_ = hotPart_ == kFirstArrow ? Direction::Back : Direction::Forward;
      Step(repeatDirection_ == Direction::Back ? -static_cast<int64_t>(lineStep_) : lineStep_);
      if (self.Lost()) return;
      // The double click's press already stepped once; it starts no repeat.
      if (!doubleClick) repeatTimer_ = StartTimer(kRepeatMs);
      break;
    case kThumb:
      if (doubleClick) break;
      dragging_ = true;
      dragStart_ = mouse;
      dragStartPosition_ = position_;
      break;
    default:
      if (doubleClick) break;
      if (trackSide_ == Direction::Back) Step(-static_cast<int64_t>(pageStep_));
      if (trackSide_ == Direction::Forward) Step(pageStep_);
      break;
  }
}

void UiScrollBar::Step(int64_t delta) { SetPosition(SaturatingAdd(position_, delta)); }

void UiScrollBar::StopRepeat() {
  if (repeatTimer_ != 0) StopTimer(repeatTimer_);
  repeatTimer_ = 0;
}

void UiScrollBar::OnTimer(int32_t id, uint32_t) {
  if (id == 0 || id != repeatTimer_) return;
  Step(repeatDirection_ == Direction::Back ? -static_cast<int64_t>(lineStep_) : lineStep_);
}

Handled UiScrollBar::OnMouseMove(const MouseEvent& e) {
  const PointF mouse{static_cast<float>(e.position.x), static_cast<float>(e.position.y)};
  if (GetPressed() != 0) {
    DragThumbTo(mouse);
  } else {
    const RectF previous = hotRect_;
    if (HitTestAt(mouse) != 0) RefreshHot(previous);
  }
  return Handled::Continue;
}

Handled UiScrollBar::OnMouseEnter() {
  Emit(onHoverChanged, true);
  return Handled::Continue;
}

Handled UiScrollBar::OnMouseLeave() {
  if (hotPart_ != kNone && !dragging_) {
    hotPart_ = kNone;
    RefreshHot(hotRect_);
  }
  Emit(onHoverChanged, false);
  return Handled::Continue;
}

Handled UiScrollBar::OnMouseWheel(const MouseEvent& e) {
  Emit(onWheel, e);
  return Handled::Continue;
}

Handled UiScrollBar::OnOwnEvent(uint32_t msg, WParam wParam, LParam) {
  if (msg == Event::ScrollChanged) Emit(onPositionChanged, static_cast<int32_t>(wParam));
  return Handled::Continue;
}

Handled UiScrollBar::OnMouseDown(const MouseEvent& e) {
  if (e.button == MouseButton::Left) {
    Press({static_cast<float>(e.position.x), static_cast<float>(e.position.y)}, false);
  }
  return Handled::Continue;
}

Handled UiScrollBar::OnDoubleClick(const MouseEvent& e) {
  if (e.button == MouseButton::Left) {
    Press({static_cast<float>(e.position.x), static_cast<float>(e.position.y)}, true);
  }
  return Handled::Continue;
}

Handled UiScrollBar::OnMouseUp(const MouseEvent& e) {
  if (e.button != MouseButton::Left) return Handled::Continue;
  EndPress();
  return Handled::Continue;
}

Handled UiScrollBar::OnCaptureLost() {
  // Without the mouse the bar would never hear the release: the repeat would
  // run on to the end of the range and the thumb stay stuck to the pointer.
  EndPress();
  return Handled::Continue;
}

void UiScrollBar::EndPress() {
  dragging_ = false;
  StopRepeat();
  if (hotPart_ != kNone) {
    hotPart_ = kNone;
    RefreshHot(hotRect_);
  }
}

draw::Argb UiScrollBar::ColorAt(int32_t alpha) const { return WithAlpha(barRgb_, alpha); }

void UiScrollBar::OnPaint(draw::Graphics& canvas, Size) {
  draw::Graphics* g = &canvas;
  const ScrollBarMetrics m = Metrics();
  const float t = static_cast<float>(m.thickness);
  const float len = static_cast<float>(m.length);
  const int32_t rest = barAlpha_ - 20;
  if (arrowsShown_) {
    const float half = RoundHalfUp((t - 1) / 2.0);
    const float upper = RoundHalfUp((t + 1) / 2.0);
    std::array<PointF, 3> first;
    std::array<PointF, 3> second;
    if (horizontal_) {
      first = {{{0, half}, {half, 0}, {half, t - 1}}};
      second = {{{len, half}, {len - t + upper, 0}, {len - t + upper, t - 1}}};
    } else {
      first = {{{half, 0}, {0, upper}, {t - 1, upper}}};
      second = {{{half, len}, {1, len - t + upper}, {t - 1, len - t + upper}}};
    }
    g->FillPolygon(draw::Brush(ColorAt(hotPart_ == kFirstArrow ? barAlpha_ : rest)), first);
    g->FillPolygon(draw::Brush(ColorAt(hotPart_ == kSecondArrow ? barAlpha_ : rest)), second);
  }
  const RectF thumb = ThumbRect();
  g->FillRectangle(draw::Brush(ColorAt(hotPart_ == kThumb ? barAlpha_ : rest)), thumb);
  // The grip: two dark bars with lighter lines beside them, across the thumb's middle.
  const float mid = (horizontal_ ? thumb.x : thumb.y) + static_cast<float>(m.ThumbLength()) / 2;
  const float across = t - 4;
  auto grip = [&](float at, float size, draw::Argb color) {
    const RectF r = horizontal_ ? RectF{at, 2, size, across} : RectF{2, at, across, size};
    g->FillRectangle(draw::Brush(color), r);
  };
  grip(mid - 3, 2, ColorAt(150));
  grip(mid, 2, ColorAt(150));
  grip(mid - 1, 1, ColorAt(barAlpha_ - 30));
  grip(mid + 2, 1, ColorAt(barAlpha_ - 30));
}

}  // namespace quillmar
