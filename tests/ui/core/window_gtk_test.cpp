// Bound windows on the GTK backend under a display, driven by a real pointer
// (xdotool): hover and click on the close button, resizing by the sizing band
// and dragging by the background.

#include <gtest/gtest.h>

#include <memory>

#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/core/frame.h"
#include "tests/support/bound_window.h"
#include "tests/support/gtk_backend_test.h"
#include "ui/core/pic_button.h"
#include "ui/core/window.h"

namespace quillmar {
namespace {

using testing::MouseTo;
using testing::Xdo;

// A 320 x 200 window at (x, y) bound to a UiWindow, on a GTK backend installed for the test.
class GtkWindowTest : public testing::GtkBackendTest {
 protected:
  void ReleaseWindows() override { bound_.reset(); }

  UiWindow& Open(int32_t x, int32_t y, BindOptions options) {
    options.backColor = 0xFF2B5D8C;
    bound_ = std::make_unique<testing::BoundWindow>(
        testing::WindowSpec{x, y, 320, 200, Style::Visible | Style::Popup, "QuillmarGtkCoreTest"}, options);
    hwnd_ = bound_->hwnd;
    EXPECT_NE(hwnd_, 0);
    return *bound_->window;
  }

  Hwnd hwnd_ = 0;
  std::unique_ptr<testing::BoundWindow> bound_;
};

TEST_F(GtkWindowTest, CloseButtonHoversAndClosesTheWindow) {
  bool destroyed = false;
  BindOptions options;
  options.captionFlags = 7;
  options.userHandler = [&](Hwnd, int32_t, uint32_t msg, WParam, LParam) {
    if (msg == Msg::Destroy) {
      destroyed = true;
      ws::System().PostQuit(0);
    }
    return 1;
  };
  UiWindow& window = Open(200, 150, options);
  UiPicButton* close = window.Frame()->CaptionButton(0);
  ASSERT_NE(close, nullptr);
  const Point target = close->PointToScreen({16, 11});
  auto hoverState = UiPicButton::State::Normal;
  const int code = RunSteps([&](int n) {
    if (n == 4) Xdo(MouseTo(target.x, target.y));
    if (n == 8) {
      hoverState = close->GetState();
      Xdo("click 1");
    }
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(hoverState, UiPicButton::State::Hover);
  EXPECT_FALSE(ws::System().IsWindow(hwnd_));
}

TEST_F(GtkWindowTest, SizingBandResizesAndTheBackgroundDragsTheWindow) {
  UiWindow& window = Open(300, 200, {});
  Rect afterSizing;
  Rect afterDrag;
  RunSteps([&](int n) {
    // Right edge band: 3 pixels inside, halfway down.
    if (n == 4) Xdo("mousemove 617 300");
    if (n == 6) Xdo("mousedown 1");
    if (n == 7) Xdo("mousemove 680 300");
    if (n == 9) Xdo("mouseup 1");
    if (n == 11) afterSizing = ws::System().WindowRect(hwnd_);
    // The background, well inside.
    if (n == 12) Xdo("mousemove 400 300");
    if (n == 14) Xdo("mousedown 1");
    if (n == 15) Xdo("mousemove 440 330");
    if (n == 17) Xdo("mouseup 1");
    if (n == 20) {
      afterDrag = ws::System().WindowRect(hwnd_);
      ws::System().PostQuit(0);
    }
  });
  EXPECT_EQ(afterSizing.x, 300);
  EXPECT_GT(afterSizing.Right(), 620 + 40);
  EXPECT_EQ(window.GetWidth(), afterSizing.width);
  EXPECT_EQ(afterDrag.x - afterSizing.x, 40);
  EXPECT_EQ(afterDrag.y - afterSizing.y, 30);
}

}  // namespace
}  // namespace quillmar
