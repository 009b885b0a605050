#include "ui/core/pic_button.h"

#include "platform/draw/graphics.h"
#include "platform/ws/messages.h"
#include "ui/core/cursor_bytes.h"
#include "ui/core/tool_tip_host.h"

namespace quillmar {

int32_t UiPicButton::Create(UiWindow* parent, bool visible, int32_t x, int32_t y, int32_t width, int32_t height,
                            ImageHandle normal, ImageHandle hover, ImageHandle pressed, std::string_view tipText,
                            int32_t cursor) {
  Slotted(Slot::Normal) = normal;
  Slotted(Slot::Hover) = hover ? hover : normal;
  Slotted(Slot::Pressed) = pressed ? pressed : Image(Slot::Hover);
  Slotted(Slot::Disabled) = normal;
  const int32_t key = CreateElement(parent, visible, x, y, width, height, kTag);
  SetAuxValue(255);
  SetTipText(tipText);
  cursor_ = cursor;
  FinishCreate();
  return key;
}

void UiPicButton::SetImages(std::optional<ImageHandle> normal, std::optional<ImageHandle> hover,
                            std::optional<ImageHandle> pressed, std::optional<ImageHandle> disabled) {
  const std::array<std::pair<std::optional<ImageHandle>*, Slot>, kSlots> given{
      {{&normal, Slot::Normal}, {&hover, Slot::Hover}, {&pressed, Slot::Pressed}, {&disabled, Slot::Disabled}}};
  for (const auto& [image, slot] : given) {
    if (*image) Slotted(slot) = **image;
  }
  InvalidateRect();
}

void UiPicButton::Dispose() {
  Unregister();
  images_ = {};
  state_ = State::Normal;
}

int32_t UiPicButton::MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
  // The button's own cursor shows while it is under the pointer; stopping here
  // keeps the window's class cursor from replacing it.
  if (msg == Msg::SetCursor && ShowCursorOfIndex(cursor_)) return 0;
  return UiControl::MessageHook(hwnd, key, msg, wParam, lParam);
}

void UiPicButton::Press() {
  Focus();
  state_ = State::Pressed;
  Transition(true);
}

Handled UiPicButton::OnMouseDown(const MouseEvent& e) {
  if (e.button == MouseButton::Left) Press();
  return Handled::Continue;
}

Handled UiPicButton::OnDoubleClick(const MouseEvent& e) {
  if (e.button == MouseButton::Left) Press();
  return Handled::Continue;
}

Handled UiPicButton::OnMouseUp(const MouseEvent& e) {
  if (e.button == MouseButton::Left && state_ == State::Pressed) {
    state_ = State::Hover;
    Transition(false);
  }
  return Handled::Continue;
}

Handled UiPicButton::OnMouseEnter() {
  const std::string tip = GetTipText();
  if (!tip.empty()) ShowElementTip(*this, tip);
  state_ = GetPressed() != 0 ? State::Pressed : State::Hover;
  Transition(false);
  return Handled::Continue;
}

Handled UiPicButton::OnMouseLeave() {
  HideElementTip(*this);
  state_ = State::Normal;
  Transition(false);
  return Handled::Continue;
}

Handled UiPicButton::OnDisabledChanged(bool) {
  if (Image(Slot::Disabled)) InvalidateRect();
  return Handled::Continue;
}

void UiPicButton::OnPaint(draw::Graphics& g, Size size) {
  const Slot slot = (GetDisabled() & 1) != 0 ? Slot::Disabled : static_cast<Slot>(state_);
  const ImageHandle& image = Image(slot);
  if (!image || image->IsEmpty()) return;
  g.DrawImage(*image, RectF{0, 0, static_cast<float>(size.width), static_cast<float>(size.height)});
}

void UiPicButton::DescribeAccessible(ws::AxNode& node) {
  UiControl::DescribeAccessible(node);
  node.role = ws::AxRole::PushButton;
  // The tip says what the picture shows ("close"); it is the button's name, not an extra.
  node.name = node.description;
  node.description.clear();
  node.facets |= ws::AxFacet::Action;
  node.actions = {"click"};
}

}  // namespace quillmar
