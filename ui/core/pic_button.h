#pragma once
// UiPicButton: a button drawn from four pictures (normal, hover, pressed,
// disabled). The pictures belong to the caller and are only shown here.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "ui/core/control.h"

namespace quillmar {

class UiPicButton : public UiControl {
 public:
  static constexpr const char* kTag = "OVCL_PICBUTTON";

  // The button's state; its value picks the picture while enabled.
  enum class State : int32_t { Normal = 0, Hover = 1, Pressed = 2 };
  // Picture slots.
  enum class Slot : size_t { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };
  static constexpr size_t kSlots = 4;

  // A missing hover picture falls back to normal, a missing pressed one to hover;
  // the disabled picture starts as the normal one. Returns the element key.
  int32_t Create(UiWindow* parent, bool visible, int32_t x, int32_t y, int32_t width, int32_t height,
                 ImageHandle normal, ImageHandle hover = {}, ImageHandle pressed = {}, std::string_view tipText = {},
                 int32_t cursor = 0);
  // Replaces the given pictures; the others keep their slots.
  void SetImages(std::optional<ImageHandle> normal, std::optional<ImageHandle> hover = {},
                 std::optional<ImageHandle> pressed = {}, std::optional<ImageHandle> disabled = {});
  // Removes the element and forgets the pictures.
  void Dispose();

  State GetState() const { return state_; }
  const ImageHandle& Image(Slot slot) const { return images_[static_cast<size_t>(slot)]; }
  int32_t Cursor() const { return cursor_; }

  // A push button named by its tip.
  void DescribeAccessible(ws::AxNode& node) override;

 protected:
  int32_t MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) override;
  Handled OnMouseDown(const MouseEvent& e) override;
  Handled OnDoubleClick(const MouseEvent& e) override;
  Handled OnMouseUp(const MouseEvent& e) override;
  Handled OnMouseEnter() override;
  Handled OnMouseLeave() override;
  Handled OnDisabledChanged(bool disabled) override;
  void OnPaint(draw::Graphics& g, Size size) override;

 private:
  ImageHandle& Slotted(Slot slot) { return images_[static_cast<size_t>(slot)]; }
  void Press();

  State state_ = State::Normal;
  std::array<ImageHandle, kSlots> images_;
  int32_t cursor_ = 0;  // cursor table index shown over the button (0: the window's)
};

}  // namespace quillmar
