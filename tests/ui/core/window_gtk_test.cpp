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
    if (msg == Msg::Destroy) destroyed = true;
    return 1;
  };
  UiWindow& window = Open(200, 150, options);
  UiPicButton* close = window.Frame()->CaptionButton(0);
  ASSERT_NE(close, nullptr);
  const Point target = close->PointToScreen({16, 11});
  EXPECT_TRUE(PointerTo(target, "the close button to show its hover",
                        [&] { return close->GetState() == UiPicButton::State::Hover; }));
  EXPECT_EQ(close->GetState(), UiPicButton::State::Hover);
  Xdo("click 1");
  EXPECT_TRUE(WaitUntil([&] { return destroyed; }, "the click to destroy the window"));
  EXPECT_FALSE(ws::System().IsWindow(hwnd_));
}

TEST_F(GtkWindowTest, SizingBandResizesAndTheBackgroundDragsTheWindow) {
  UiWindow& window = Open(300, 200, {});
  ws::WindowSystem& sys = ws::System();
  // Right edge band: 3 pixels inside, halfway down. The program has to have
  // heard the pointer there (the window mapped and placed) before the press.
  ASSERT_TRUE(PointerTo({617, 300}, "the window under the pointer"));
  Xdo("mousedown 1");
  EXPECT_TRUE(WaitUntil([&] { return sys.Capture() == hwnd_; }, "the sizing band to take the mouse"));
  EXPECT_TRUE(PointerTo({680, 300}, "the right edge to follow the pointer",
                        [&] { return sys.WindowRect(hwnd_).Right() > 620 + 40; }));
  Xdo("mouseup 1");
  ASSERT_TRUE(HeardAllInput("the release of the sizing band"));
  EXPECT_EQ(sys.Capture(), 0);
  const Rect afterSizing = sys.WindowRect(hwnd_);
  EXPECT_EQ(afterSizing.x, 300);
  EXPECT_GT(afterSizing.Right(), 620 + 40);
  EXPECT_EQ(window.GetWidth(), afterSizing.width);
  // The new size reaches the screen through the window manager, a little later;
  // a drag that began before would start from the old one.
  EXPECT_TRUE(WaitUntil([&] { return testing::WindowRectUnderPointer() == afterSizing; },
                        "the desktop to show the new size", testing::kDesktopWaitMs, 100));

  // The background, well inside. The window manager moves the window once it
  // has taken the pointer, which may be after the first move of the drag, and
  // tells the program where it is when the button goes up.
  ASSERT_TRUE(PointerTo({400, 300}, "the pointer over the background"));
  Xdo("mousedown 1");
  const Rect moved = afterSizing.Translated(40, 30);
  EXPECT_TRUE(PointerTo(
      {440, 330}, "the window manager to move the window with the pointer",
      [&] { return testing::WindowRectUnderPointer() == moved; }, 100));
  Xdo("mouseup 1");
  EXPECT_TRUE(
      WaitUntil([&] { return sys.WindowRect(hwnd_) == moved; }, "the program to take the place it was moved to"));
  const Rect afterDrag = sys.WindowRect(hwnd_);
  EXPECT_EQ(afterDrag.x - afterSizing.x, 40);
  EXPECT_EQ(afterDrag.y - afterSizing.y, 30);
  EXPECT_EQ(afterDrag.width, afterSizing.width);
  EXPECT_EQ(afterDrag.height, afterSizing.height);
}

}  // namespace
}  // namespace quillmar
