// Binding an object to an operating-system window, the caption buttons, and
// letting go of the window again.

#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/core/caption_images.h"
#include "ui/core/element_record.h"
#include "ui/core/element_registry.h"
#include "ui/core/frame_metrics.h"
#include "ui/core/pic_button.h"
#include "ui/core/process_values.h"
#include "ui/core/tool_tip.h"
#include "ui/core/window.h"
#include "ui/gfx/effect.h"

namespace quillmar {
namespace {

// Tooltips of the caption buttons (program text).
constexpr const char* kTipClose = "\xB9\xD8\xB1\xD5";             // close
constexpr const char* kTipMaximize = "\xD7\xEE\xB4\xF3\xBB\xAF";  // maximize
constexpr const char* kTipRestore = "\xBB\xB9\xD4\xAD";           // restore
constexpr const char* kTipMinimize = "\xD7\xEE\xD0\xA1\xBB\xAF";  // minimize

}  // namespace

int32_t UiWindow::Bind(Hwnd hwnd, const BindOptions& o) {
  ws::WindowSystem& sys = ws::System();
  if (bound_ && hwnd_ != hwnd) Detach();
  UpdateWorkArea();
  int32_t x = o.x.value_or(0);
  int32_t y = o.y.value_or(0);
  int32_t width = o.width.value_or(0);
  int32_t height = o.height.value_or(0);
  if (sys.IsWindow(hwnd)) {
    sys.SetExStyle(hwnd, sys.GetExStyle(hwnd) | ExStyle::Layered);
    if (!bound_) {
      prevWndProc_ = sys.ReplaceWindowProc(hwnd, [this](Hwnd h, uint32_t msg, WParam wParam, LParam lParam) {
        return WindowProc(h, msg, wParam, lParam);
      });
    }
    bound_ = true;
    hwnd_ = hwnd;
    const Rect r = sys.WindowRect(hwnd);
    x = o.x.value_or(r.x);
    y = o.y.value_or(r.y);
    width = o.width.value_or(r.width);
    height = o.height.value_or(r.height);
  }
  const bool fresh = key_ == 0;
  Register(x, y, width, height, ElementRecord::kWindowTag);
  if (!fresh) {
    SetGeometry(x, y, width, height);
    RecreateCanvas();
  }
  if (ElementRecord* rec = Rec({})) rec->windowHandle = hwnd_;
  using namespace FrameMetrics;
  sizingBorder_ = kSizingBorder;
  maxMargins_ = {-kMaxMargin, -kMaxMargin, kMaxMargin, kMaxMargin};
  SetPadding({kPadding, kPadding, kPadding, kPadding});
  SetUserHandler(o.userHandler);
  if (o.alpha) SetAlpha(*o.alpha);
  dragAnywhere_ = 1;
  resizable_ = 1;
  const uint32_t os = OsVersionCode();
  blurBehind_ = (os == 8 || os == 9) ? 1 : 0;
  frameOn_ = borderOn_ = shadowOn_ = 1;
  backImage_ = o.backImage;
  backColor_ = o.backColor.value_or(backColor_);
  backColor2_.reset();
  minSize_ = {kMinWidth, kMinHeight};
  windowAlpha_ = o.windowAlpha.value_or(255);
  CreateCaptionButtons(o.captionFlags);
  PlaceCaptionButtons();
  InvalidateRect();
  if (hwnd_ != 0) StartTicking();
  return key_;
}

void UiWindow::CreateCaptionButtons(int32_t flags) {
  for (auto& button : captionButtons_) button.reset();
  const CaptionImages& images = BuiltInCaptionImages();
  auto make = [&](size_t slot, const std::array<ImageHandle, 3>& set, int32_t width, const char* tip) {
    auto button = std::make_unique<UiPicButton>();
    button->Create(this, true, 0, 0, width, FrameMetrics::kCaptionButtonHeight, set[0], set[1], set[2], tip);
    button->SetKeepsFocus(1);
    button->SetUserHandler([this](Hwnd h, int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
      return ChildProc(h, key, msg, wParam, lParam);
    });
    captionButtons_[slot] = std::move(button);
  };
  if (flags & 1) make(0, images.close, FrameMetrics::kCloseButtonWidth, kTipClose);
  if (flags & 2) make(1, images.minimize, FrameMetrics::kCaptionButtonWidth, kTipMinimize);
  if (flags & 4) make(2, images.maximize, FrameMetrics::kCaptionButtonWidth, kTipMaximize);
}

void UiWindow::ShowMaximizeState(bool maximized) {
  UiPicButton* button = captionButtons_[2].get();
  if (!button) return;
  const CaptionImages& images = BuiltInCaptionImages();
  const auto& set = maximized ? images.restore : images.maximize;
  button->SetImages(set[0], set[1], set[2]);
  button->SetTipText(maximized ? kTipRestore : kTipMaximize);
}

void UiWindow::ShowTip(UiWindow& element, std::string_view text) {
  if (text.empty()) {
    if (tip_) tip_->Destroy();
    return;
  }
  if (hwnd_ == 0 || !ws::System().IsWindow(hwnd_)) return;
  if (!tip_) tip_ = std::make_unique<UiToolTip>();
  const Point at = element.PointToWindow({0, 0});
  tip_->SetDelay(element.GetTipTime());
  tip_->Create(hwnd_, text, at.x, at.y, element.GetWidth(), element.GetHeight());
}

void UiWindow::Detach() {
  ws::WindowSystem& sys = ws::System();
  if (bound_ && sys.IsWindow(hwnd_)) {
    sys.SetExStyle(hwnd_, sys.GetExStyle(hwnd_) & ~ExStyle::Layered);
    sys.ReplaceWindowProc(hwnd_, prevWndProc_);
    sys.SetPosition(
        hwnd_, 0, 0, 0, 0, 0,
        ws::Swp::NoSize | ws::Swp::NoMove | ws::Swp::NoZOrder | ws::Swp::FrameChanged | ws::Swp::NoOwnerZOrder);
  }
  bound_ = false;
  hwnd_ = 0;
  prevWndProc_ = {};
  if (ElementRecord* rec = Rec({})) rec->windowHandle = 0;
}

void UiWindow::ReleaseWindow() {
  StopTicking();
  if (bound_) Detach();
  for (auto& button : captionButtons_) button.reset();
  tip_.reset();
  openEffect_->Reset();
  closeEffect_->Reset();
}

}  // namespace quillmar
