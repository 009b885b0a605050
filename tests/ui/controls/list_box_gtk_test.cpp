// A list box in a GTK window under a display, driven by the real pointer
// (xdotool): the wheel scrolls it by notches and its scroll bar's thumb drags.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "platform/ws/gtk_window_system.h"
#include "platform/ws/window_system.h"
#include "tests/support/bound_window.h"
#include "ui/controls/list_box.h"

namespace quillmar {
namespace {

void Xdo(const std::string& args) { ASSERT_EQ(std::system(("xdotool " + args).c_str()), 0) << args; }

std::string At(Point p) { return std::to_string(p.x) + " " + std::to_string(p.y); }

TEST(UiListBoxGtk, TheRealWheelScrollsByNotchesAndTheThumbDrags) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
  std::string why;
  auto backend = ws::CreateGtkWindowSystem(&why);
  if (!backend) GTEST_SKIP() << why;
  auto previous = ws::InstallSystem(std::move(backend));
  {
    BindOptions options;
    options.backColor = 0xFF2B5D8C;
    testing::BoundWindow bound({200, 150, 320, 200, Style::Visible | Style::Popup, "QuillmarGtkListTest"}, options);
    UiListBox list;
    list.Create(bound.window.get(), true, 0, 0, 300, 180, 0);
    list.InsertColumn({}, "A", {.width = 140});
    list.InsertColumn({}, "B", {.width = 140});
    for (int i = 0; i < 20; ++i) list.InsertRow({}, "row " + std::to_string(i), {.height = 20});
    UiScrollBar& bar = *list.GetVScroll();
    int32_t afterDown = 1, afterUp = 1, dragged = 0;
    int n = 0;
    ws::System().SetWindowTimer(0, 0, 100, [&](uint32_t) {
      ++n;
      if (n == 4) Xdo("mousemove " + At(list.PointToScreen({50, 60})));
      if (n == 6) Xdo("click --repeat 2 5");  // two notches towards the user
      if (n == 8) {
        afterDown = list.GetVOffset();
        Xdo("click 4");
      }
      if (n == 10) {
        afterUp = list.GetVOffset();
        Xdo("mousemove " + At(bar.PointToScreen({5, static_cast<int32_t>(bar.ThumbRect().y) + 5})));
      }
      if (n == 12) Xdo("mousedown 1");
      if (n == 13) Xdo("mousemove_relative 0 40");
      if (n == 15) Xdo("mouseup 1");
      if (n == 17) {
        dragged = bar.GetPosition();
        ws::System().PostQuit(0);
      }
      if (n > 60) ws::System().PostQuit(1);
    });
    EXPECT_EQ(ws::System().RunLoop(), 0);
    EXPECT_EQ(afterDown, -30);
    EXPECT_EQ(afterUp, -15);
    EXPECT_GT(dragged, 15);
    EXPECT_EQ(list.GetVOffset(), -dragged);
  }
  ws::InstallSystem(std::move(previous));
}

}  // namespace
}  // namespace quillmar
