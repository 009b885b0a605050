#include "app/gallery/gallery_sheet.h"

#include <algorithm>
#include <utility>

#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/controls/button.h"
#include "ui/controls/label.h"
#include "ui/core/frame_window.h"

namespace quillmar::gallery {
namespace {

constexpr std::string_view kClassName = "QuillmarGallery";
constexpr int32_t kMargin = 12;
constexpr int32_t kColumnWidth = (GallerySheet::kWidth - 12 - 3 * kMargin) / 2;
constexpr int32_t kTop = 44;
constexpr int32_t kTitleHeight = 20;
constexpr int32_t kCaptionHeight = 16;
constexpr int32_t kGap = 8;

}  // namespace

// The sheet's window hears the keys and the right button once, as they come
// from the desktop, before the dispatch offers them to the controls.
class GallerySheet::Frame : public UiWindow {
 public:
  explicit Frame(GallerySheet& sheet) : sheet_(sheet) {}
  LParam WindowProc(Hwnd hwnd, uint32_t msg, WParam wParam, LParam lParam) override {
    if ((msg == Msg::KeyDown || msg == Msg::KeyUp) && sheet_.OnKey(msg, static_cast<int>(wParam))) return 0;
    // On the release, as a desktop does, so the button is up when the menu takes the mouse.
    if (msg == Msg::RButtonUp && sheet_.contextMenu_) sheet_.contextMenu_();
    return UiWindow::WindowProc(hwnd, msg, wParam, lParam);
  }

 private:
  GallerySheet& sheet_;
};

GallerySheet::GallerySheet() {
  registerFrameClass({}, 0, kClassName);
  FrameWindowArgs args;
  args.className = kClassName;
  args.width = kWidth;
  args.height = kHeight;
  args.title = "Quillmar gallery";
  args.style = Style::Popup | Style::SysMenu | Style::MinimizeBox;
  hwnd_ = createFrameWindow(args);
  BindOptions options;
  options.captionFlags = 3;
  options.backColor = 0xFFE9EFF5;
  options.userHandler = [this](Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
    return OnEvent(hwnd, key, msg, wParam, lParam);
  };
  window_ = std::make_unique<Frame>(*this);
  window_->Bind(hwnd_, options);
  window_->SetBackColor(0xFFF1F5F9, 0xFFC8D5E2);

  auto& title = Make<UiLabel>();
  title.Create(window_.get(), true, kMargin, 8, kColumnWidth * 2, 28, "Quillmar controls", {}, 18, {}, {}, 0,
               UiLabel::kAlignMiddle);
  title.SetFontStyle(1);
  status_ = &Make<UiLabel>();
  status_->Create(window_.get(), true, kMargin, kHeight - 12 - 30, kWidth - 12 - 2 * kMargin, 22,
                  "Tab and Shift+Tab move the focus, Space or Enter presses, Esc closes.", {}, {}, 0xFF30343Au, 0u,
                  0x30FFFFFF, UiLabel::kAlignMiddle);
}

GallerySheet::~GallerySheet() {
  controls_.clear();
  window_.reset();
  if (hwnd_ != 0 && ws::System().IsWindow(hwnd_)) ws::System().DestroyWindow(hwnd_);
}

void GallerySheet::Show() {
  ws::System().ShowWindow(hwnd_, Show::Normal);
  ws::System().SetFocus(hwnd_);
}

Rect GallerySheet::BeginSection(std::string_view title, int32_t height) {
  const int column = columnBottom_[1] < columnBottom_[0] ? 1 : 0;
  const int32_t x = kMargin + column * (kColumnWidth + kMargin);
  const int32_t y = kTop + columnBottom_[column];
  auto& label = Make<UiLabel>();
  label.Create(window_.get(), true, x, y, kColumnWidth, kTitleHeight, title, {}, 14, 0xFF1E3A5Fu, {}, 0,
               UiLabel::kAlignMiddle);
  columnBottom_[column] += kTitleHeight + 4 + height + kMargin;
  return Rect::FromXywh(x, y + kTitleHeight + 4, kColumnWidth, height);
}

Rect GallerySheet::Cell(const Rect& section, int32_t index, Size cell) {
  const int32_t perRow = std::max(1, (section.width + kGap) / (cell.width + kGap));
  const int32_t row = index / perRow;
  const int32_t col = index % perRow;
  return Rect::FromXywh(section.x + col * (cell.width + kGap), section.y + row * (cell.height + kCaptionHeight + 4),
                        cell.width, cell.height);
}

void GallerySheet::AddShot(std::string name, const Rect& cell, std::string_view caption, int32_t waitMs) {
  if (!caption.empty()) {
    auto& label = Make<UiLabel>();
    label.Create(window_.get(), true, cell.x - 4, cell.Bottom() + 1, cell.width + 8, kCaptionHeight, caption, {}, 11,
                 0xFF4A5568u, 0u, 0, UiLabel::kAlignCenter);
  }
  const auto pad = window_->GetPadding();
  shots_.push_back(
      {std::move(name),
       Rect::FromXywh(pad.left + cell.x - 4, pad.top + cell.y - 4, cell.width + 8, cell.height + kCaptionHeight + 6),
       waitMs});
}

void GallerySheet::AddFocusable(UiWindow& control) {
  focusOrder_.push_back(&control);
  control.SetForwardToWindow(1);
}

void GallerySheet::AddKeyButton(UiButton& button) {
  AddFocusable(button);
  keyButtons_.push_back(&button);
}

void GallerySheet::SetContextMenu(std::function<void()> open) { contextMenu_ = std::move(open); }

void GallerySheet::AddPopupShot(std::string name, std::function<Hwnd(ws::HeadlessWindowSystem&)> stage) {
  popupShots_.push_back({std::move(name), std::move(stage)});
}

void GallerySheet::SetStatus(std::string_view text) { status_->SetText(text); }

std::string GallerySheet::GetStatus() const { return status_->GetText(); }

UiButton* GallerySheet::KeyButton(int32_t key) const {
  for (UiButton* button : keyButtons_) {
    if (button->Key() == key && key != 0) return button;
  }
  return nullptr;
}

void GallerySheet::MoveFocus(int step) {
  const int n = static_cast<int>(focusOrder_.size());
  if (n == 0) return;
  const int32_t focused = window_->FocusKey();
  int at = -1;
  for (int i = 0; i < n; ++i) {
    if (focusOrder_[i]->Key() == focused) at = i;
  }
  for (int tries = 0; tries < n; ++tries) {
    at = ((at < 0 && step < 0 ? 0 : at) + step + n) % n;
    if ((focusOrder_[at]->GetDisabled() & 1) == 0) {
      focusOrder_[at]->Focus();
      return;
    }
  }
}

bool GallerySheet::OnKey(uint32_t msg, int vk) {
  ws::WindowSystem& sys = ws::System();
  UiButton* button = KeyButton(window_->FocusKey());
  const bool press = vk == Vk::Space || vk == Vk::Return;
  if (msg == Msg::KeyDown) {
    if (vk == Vk::Tab) {
      MoveFocus(sys.IsKeyDown(Vk::Shift) ? -1 : 1);
      return true;
    }
    if (vk == Vk::Escape) {
      sys.Post(hwnd_, Msg::Close, 0, 0);
      return true;
    }
    if (button && press) {
      if (button->GetState() != UiButton::State::Pressed) button->SetState(UiButton::State::Pressed);
      return true;
    }
  } else if (button && press && button->GetState() == UiButton::State::Pressed) {
    button->SetState(button->GetHovered() != 0 ? UiButton::State::Hover : UiButton::State::Normal);
    button->SendEvent(button->Key(), Event::Click);
    return true;
  }
  return false;
}

int32_t GallerySheet::OnEvent(Hwnd hwnd, int32_t key, uint32_t msg, WParam, LParam) {
  if (msg == Msg::Destroy && hwnd == hwnd_) {
    ws::System().PostQuit(0);
    return 1;
  }
  if (msg == Event::Click) {
    if (UiButton* button = KeyButton(key)) SetStatus("Clicked \"" + button->GetText() + "\"");
  }
  return 1;
}

}  // namespace quillmar::gallery
