#include "ui/core/pic_button.h"

#include "platform/draw/graphics.h"
#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/core/cursor_bytes.h"
#include "ui/core/tool_tip_host.h"

namespace quillmar {

int32_t UiPicButton::Create(UiWindow* parent, bool visible, int32_t x, int32_t y, int32_t width, int32_t height,
                            ImageHandle normal, ImageHandle hover, ImageHandle pressed, std::string_view tipText,
                            int32_t cursor) {
  images_[0] = normal;
  images_[1] = hover ? hover : normal;
  images_[2] = pressed ? pressed : images_[1];
  images_[3] = normal;
  const int32_t key = CreateElement(parent, visible, x, y, width, height, kTag);
  SetAuxValue(255);
  SetTipText(tipText);
  cursor_ = cursor;
  FinishCreate();
  return key;
}

void UiPicButton::SetImages(std::optional<ImageHandle> normal, std::optional<ImageHandle> hover,
                            std::optional<ImageHandle> pressed, std::optional<ImageHandle> disabled) {
  const std::array<std::optional<ImageHandle>*, 4> given{&normal, &hover, &pressed, &disabled};
  for (size_t i = 0; i < 4; ++i) {
    if (*given[i]) images_[i] = **given[i];
  }
  InvalidateRect();
}

void UiPicButton::Dispose() {
  Unregister();
  images_ = {};
  state_ = 0;
}

int32_t UiPicButton::MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
  UiControl::MessageHook(hwnd, key, msg, wParam, lParam);
  // The button's own cursor shows while it is under the pointer; stopping here
  // keeps the window's class cursor from replacing it.
  if (msg == Msg::SetCursor && cursor_ != 0) {
    if (const ws::CursorHandle cursor = CursorFromIndex(cursor_)) {
      ws::System().SetCursor(cursor);
      return 0;
    }
  }
  switch (msg) {
    case Msg::LButtonDown:
    case Msg::LButtonDblClk:
      Focus();
      state_ = 2;
      Transition(true);
      break;
    case Msg::LButtonUp:
      if (state_ == 2) {
        state_ = 1;
        Transition(false);
      }
      break;
    case Event::MouseEnter: {
      const std::string tip = GetTipText();
      if (!tip.empty()) ShowElementTip(*this, tip);
      state_ = GetPressed() != 0 ? 2 : 1;
      Transition(false);
      break;
    }
    case Event::MouseLeave:
      HideElementTip(*this);
      state_ = 0;
      Transition(false);
      break;
    case Event::DisabledChanged:
      if (images_[3]) InvalidateRect();
      break;
    default:
      break;
  }
  return 1;
}

void UiPicButton::PaintEntry() {
  draw::Graphics* g = CanvasGraphics();
  if (!g) return;
  const ImageHandle& image = (GetDisabled() & 1) != 0 ? images_[3] : images_[static_cast<size_t>(state_ & 3)];
  if (!image || image->IsEmpty()) return;
  g->DrawImage(*image, RectF{0, 0, static_cast<float>(GetWidth()), static_cast<float>(GetHeight())});
}

}  // namespace quillmar
