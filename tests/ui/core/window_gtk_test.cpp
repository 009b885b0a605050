// A bound window on the GTK backend under a display: it presents its picture,
// shows the hover picture of the close button under the real pointer, and a
// real click on that button closes it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/ws/gtk_window_system.h"
#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/core/pic_button.h"
#include "ui/core/window.h"

namespace quillmar {
namespace {

void Xdo(const std::string& args) { ASSERT_EQ(std::system(("xdotool " + args).c_str()), 0) << args; }

TEST(UiWindowOnGtk, CloseButtonHoversAndClosesTheWindow) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
  std::string why;
  auto backend = ws::CreateGtkWindowSystem(&why);
  if (!backend) GTEST_SKIP() << why;
  auto previous = ws::InstallSystem(std::move(backend));
  ws::WindowSystem& sys = ws::System();
  {
    ws::WindowClass cls;
    cls.name = "QuillmarGtkCoreTest";
    cls.cursor = sys.LoadSystemCursor(ws::SystemCursor::Arrow);
    sys.AddWindowClass(cls);
    ws::WindowCreateParams params;
    params.className = cls.name;
    params.x = 200;
    params.y = 150;
    params.width = 320;
    params.height = 200;
    params.style = Style::Visible | Style::Popup;
    const Hwnd hwnd = sys.OpenWindow(params);
    ASSERT_NE(hwnd, 0);
    bool destroyed = false;
    UiWindow window;
    BindOptions options;
    options.backColor = 0xFF2B5D8C;
    options.captionFlags = 7;
    options.userHandler = [&](Hwnd, int32_t, uint32_t msg, WParam, LParam) {
      if (msg == Msg::Destroy) {
        destroyed = true;
        ws::System().PostQuit(0);
      }
      return 1;
    };
    window.Bind(hwnd, options);
    UiPicButton* close = window.CaptionButton(0);
    ASSERT_NE(close, nullptr);
    const ws::Point target = close->PointToScreen({16, 11});
    int step = 0;
    int hoverState = -1;
    sys.SetWindowTimer(0, 0, 100, [&](uint32_t) {
      ++step;
      if (step == 4) Xdo("mousemove " + std::to_string(target.x) + " " + std::to_string(target.y));
      if (step == 8) {
        hoverState = close->State();
        Xdo("click 1");
      }
      if (step > 60) ws::System().PostQuit(1);
    });
    const int code = sys.RunLoop();
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(hoverState, 1);
    EXPECT_FALSE(sys.IsWindow(hwnd));
  }
  ws::InstallSystem(std::move(previous));
}

TEST(UiWindowOnGtk, SizingBandResizesAndTheBackgroundDragsTheWindow) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
  std::string why;
  auto backend = ws::CreateGtkWindowSystem(&why);
  if (!backend) GTEST_SKIP() << why;
  auto previous = ws::InstallSystem(std::move(backend));
  ws::WindowSystem& sys = ws::System();
  {
    ws::WindowClass cls;
    cls.name = "QuillmarGtkCoreTest2";
    cls.cursor = sys.LoadSystemCursor(ws::SystemCursor::Arrow);
    sys.AddWindowClass(cls);
    ws::WindowCreateParams params;
    params.className = cls.name;
    params.x = 300;
    params.y = 200;
    params.width = 320;
    params.height = 200;
    params.style = Style::Visible | Style::Popup;
    const Hwnd hwnd = sys.OpenWindow(params);
    ASSERT_NE(hwnd, 0);
    UiWindow window;
    BindOptions options;
    options.backColor = 0xFF2B5D8C;
    window.Bind(hwnd, options);
    int step = 0;
    ws::Rect afterSizing;
    ws::Rect afterDrag;
    sys.SetWindowTimer(0, 0, 100, [&](uint32_t) {
      ++step;
      // Right edge band: 3 pixels inside, halfway down.
      if (step == 4) Xdo("mousemove 617 300");
      if (step == 6) Xdo("mousedown 1");
      if (step == 7) Xdo("mousemove 680 300");
      if (step == 9) Xdo("mouseup 1");
      if (step == 11) afterSizing = sys.WindowRect(hwnd);
      // The background, well inside.
      if (step == 12) Xdo("mousemove 400 300");
      if (step == 14) Xdo("mousedown 1");
      if (step == 15) Xdo("mousemove 440 330");
      if (step == 17) Xdo("mouseup 1");
      if (step == 20) {
        afterDrag = sys.WindowRect(hwnd);
        ws::System().PostQuit(0);
      }
    });
    sys.RunLoop();
    EXPECT_EQ(afterSizing.left, 300);
    EXPECT_GT(afterSizing.right, 620 + 40);
    EXPECT_EQ(window.GetWidth(), afterSizing.Width());
    EXPECT_EQ(afterDrag.left - afterSizing.left, 40);
    EXPECT_EQ(afterDrag.top - afterSizing.top, 30);
  }
  ws::InstallSystem(std::move(previous));
}

}  // namespace
}  // namespace quillmar
