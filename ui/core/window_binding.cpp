// Binding an object to an operating-system window (which gives it its frame
// part), and letting go of the window again.

#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/core/element_record.h"
#include "ui/core/element_registry.h"
#include "ui/core/frame.h"
#include "ui/core/frame_metrics.h"
#include "ui/core/paint_scheduler.h"
#include "ui/core/process_values.h"
#include "ui/core/window.h"

namespace quillmar {

int32_t UiWindow::Bind(Hwnd hwnd, const BindOptions& o) {
  ws::WindowSystem& sys = ws::System();
  if (bound_ && hwnd_ != hwnd) Detach();
  UpdateWorkArea(hwnd);
  int32_t x = o.x.value_or(0);
  int32_t y = o.y.value_or(0);
  int32_t width = o.width.value_or(0);
  int32_t height = o.height.value_or(0);
  if (sys.IsWindow(hwnd)) {
    sys.SetExStyle(hwnd, sys.GetExStyle(hwnd) | ExStyle::Layered);
    if (!bound_) {
      prevWndProc_ = sys.ReplaceWindowProc(hwnd, [this](Hwnd h, uint32_t msg, WParam wParam, LParam lParam) {
        const LParam result = WindowProc(h, msg, wParam, lParam);
        // The last message of a window: whatever its handlers answered to the
        // destroy before it, the binding and the frame go with the window.
        if (msg == Msg::NcDestroy && h == hwnd_ && bound_) ReleaseWindow();
        return result;
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
  // A new frame every time: its settings start from their defaults.
  frame_.reset();
  frame_ = std::make_unique<UiFrame>(*this);
  using namespace FrameMetrics;
  SetPadding({kPadding, kPadding, kPadding, kPadding});
  SetUserHandler(o.userHandler);
  if (o.alpha) SetAlpha(*o.alpha);
  const uint32_t os = OsVersionCode();
  frame_->Output().blurBehind = (os == 8 || os == 9) ? 1 : 0;
  frameOn_ = borderOn_ = shadowOn_ = 1;
  backImage_ = o.backImage;
  backColor_ = o.backColor.value_or(backColor_);
  backColor2_.reset();
  frame_->Output().windowAlpha = o.windowAlpha.value_or(255);
  frame_->CreateCaptionButtons(o.captionFlags);
  frame_->PlaceCaptionButtons();
  InvalidateRect();
  return key_;
}

void UiWindow::Detach() {
  ws::WindowSystem& sys = ws::System();
  // Nothing of the frame may run for a window that is gone: no painting for
  // it, no effect frames, no tip.
  if (frame_) frame_->Quiesce();
  if (bound_ && sys.IsWindow(hwnd_)) {
    sys.SetExStyle(hwnd_, sys.GetExStyle(hwnd_) & ~ExStyle::Layered);
    sys.ReplaceWindowProc(hwnd_, prevWndProc_);
    sys.SetPosition(
        hwnd_, 0, Rect{},
        ws::Swp::NoSize | ws::Swp::NoMove | ws::Swp::NoZOrder | ws::Swp::FrameChanged | ws::Swp::NoOwnerZOrder);
  }
  bound_ = false;
  hwnd_ = 0;
  prevWndProc_ = {};
  if (ElementRecord* rec = Rec({})) rec->windowHandle = 0;
}

void UiWindow::ReleaseWindow() {
  if (bound_) Detach();
  // Moved out first: the caption buttons' removal may reach back into the window.
  std::unique_ptr<UiFrame> frame = std::move(frame_);
  frame.reset();
}

}  // namespace quillmar
