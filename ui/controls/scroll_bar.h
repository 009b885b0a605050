#pragma once
// UiScrollBar: a thin translucent scroll bar with two optional arrow buttons, a
// track without fill of its own and a thumb with a grip. Its model is an integer
// range with a position; every change of position raises Event::ScrollChanged
// (wParam = the new position) to the owner's routine given at creation, and
// runs onPositionChanged for a control that owns the bar.

#include <cstdint>
#include <functional>
#include <optional>

#include "base/geometry.h"
#include "base/saturating.h"
#include "platform/draw/draw_types.h"
#include "ui/core/control.h"

namespace quillmar {

// The bar's arithmetic along its length, apart from any element: thickness t,
// length L, range R, with or without the arrow buttons.
struct ScrollBarMetrics {
  int32_t thickness = 0;
  int32_t length = 0;
  int64_t range = 0;  // maximum - minimum: a full 32-bit range does not fit 32 bits
  int32_t minThumb = 20;
  bool arrows = true;

  // Pixels the arrow buttons and their gaps take from the length.
  int64_t ArrowRoom() const { return arrows ? 2 * static_cast<int64_t>(thickness) + 2 : 0; }
  int32_t TrackLength() const { return ClampToInt32(length - ArrowRoom()); }
  // The thumb shrinks one pixel per unit of range, down to minThumb.
  int32_t ThumbLength() const;
  // Where the thumb starts for an offset into the range (position - minimum).
  int32_t ThumbStart(int64_t offset) const;
  // Pixels the thumb travels per unit of range; 0 when it cannot travel.
  double PixelsPerUnit() const;
};

class UiScrollBar : public UiControl {
 public:
  static constexpr const char* kTag = "OVCL_SCROLLBAR";
  static constexpr int32_t kRepeatMs = 100;
  // How far the hot part fades in per 10 ms tick, of 255.
  static constexpr int32_t kHotFadeStep = 50;

  // Parts under the mouse.
  enum Part : int32_t { kNone = 0, kFirstArrow = 1, kThumb = 2, kSecondArrow = 3 };

  // Returns the element key, or -1 when maximum < minimum (nothing is created).
  // The colour's alpha becomes the opacity of the arrows and thumb. An owner's
  // routine, when given, receives the bar's messages and its
  // Event::ScrollChanged as the user routine; a control owning the bar sets the
  // typed signals below instead, leaving that slot to the application.
  int32_t Create(UiWindow* parent, bool visible, int32_t x, int32_t y, int32_t width, int32_t height,
                 std::optional<int32_t> minimum, std::optional<int32_t> maximum, int32_t position, int32_t lineStep,
                 int32_t pageStep, std::optional<bool> notify, bool horizontal, std::optional<draw::Argb> color,
                 EventRoutine eventTarget);
  // Follows the mouse while the thumb is dragged.
  void DragThumb();
  void DragThumbTo(PointF mouse);
  void SetMaximum(int32_t value);
  void SetMinimum(int32_t value);
  int32_t GetMaximum() const { return maximum_; }
  int32_t GetMinimum() const { return minimum_; }
  void SetMinThumb(int32_t value);
  int32_t GetMinThumb() const { return minThumb_; }
  int32_t GetPosition() const { return position_; }
  // Clamps into the range; a real change repaints and, with notify on, raises Event::ScrollChanged.
  void SetPosition(int32_t value);
  // Updates the part under the mouse; returns 1 when it changed.
  int32_t HitTest();
  // The same for a point relative to the bar.
  int32_t HitTestAt(PointF mouse);
  RectF ThumbRect();
  void SetArrowsShown(bool flag);
  bool GetArrowsShown() const { return arrowsShown_; }
  void SetHorizontal(int32_t flag);
  int32_t GetHorizontal() const { return horizontal_ ? 1 : 0; }
  void SetLineStep(int32_t value) { lineStep_ = value != 0 ? value : 1; }
  int32_t GetLineStep() const { return lineStep_; }
  void SetPageStep(int32_t value) { pageStep_ = value != 0 ? value : 10; }
  int32_t GetPageStep() const { return pageStep_; }
  void Notify();
  void Release() { Unregister(); }

  int32_t HotPart() const { return hotPart_; }
  // Shows a part as hot until the mouse next moves over the bar (for pictures
  // of the bar's states).
  void SetHotPart(int32_t part);
  bool Dragging() const { return dragging_; }

  void DescribeAccessible(ws::AxNode& node) override;
  std::optional<ws::AxValue> AccessibleValue() override;
  bool AccessibleSetValue(double value) override;

  // The owning control's typed signals. Each runs after the bar's own handling
  // and before the bar's user routine; the owner may delete the bar in one.
  std::function<void(int32_t position)> onPositionChanged;  // every Event::ScrollChanged
  std::function<void(const MouseEvent&)> onWheel;           // a wheel turned over the bar
  std::function<void(bool hovered)> onHoverChanged;         // the mouse entered or left the bar

 protected:
  Handled OnMouseMove(const MouseEvent& e) override;
  Handled OnMouseEnter() override;
  Handled OnMouseLeave() override;
  Handled OnMouseWheel(const MouseEvent& e) override;
  Handled OnOwnEvent(uint32_t msg, WParam wParam, LParam lParam) override;
  Handled OnMouseDown(const MouseEvent& e) override;
  Handled OnDoubleClick(const MouseEvent& e) override;
  Handled OnMouseUp(const MouseEvent& e) override;
  Handled OnCaptureLost() override;
  void OnPaint(draw::Graphics& g, Size size) override;
  void OnTimer(int32_t id, uint32_t msg) override;

 private:
  ScrollBarMetrics Metrics();
  PointF Mouse();
  void Press(PointF mouse, bool doubleClick);
  // Moves the position by delta, stopping at the ends of the range.
  void Step(int64_t delta);
  void StopRepeat();
  // The press is over: no repeat, no drag, no hot part.
  void EndPress();
  void RefreshHot(const RectF& previous);
  draw::Argb ColorAt(int32_t alpha) const;

  int32_t maximum_ = 100;
  int32_t minimum_ = 0;
  int32_t position_ = 0;
  int32_t lineStep_ = 1;
  int32_t pageStep_ = 10;
  bool notify_ = true;
  bool horizontal_ = false;
  draw::Argb barRgb_ = 0;  // 0x00RRGGBB
  int32_t barAlpha_ = 150;
  int32_t minThumb_ = 20;
  bool arrowsShown_ = true;
  int32_t hotPart_ = kNone;
  // Which way a press moves the position: towards the minimum (Back) or the maximum.
  enum class Direction { None, Back, Forward };
  Direction trackSide_ = Direction::None;  // for a track hit: the thumb's side the press is on
  bool dragging_ = false;
  PointF dragStart_;
  int32_t dragStartPosition_ = 0;
  int32_t repeatTimer_ = 0;
  Direction repeatDirection_ = Direction::Back;
  RectF hotRect_;
};

}  // namespace quillmar
