// A list box in a GTK window under a display, driven by the real pointer
// (xdotool): the wheel scrolls it by notches and its scroll bar's thumb drags.

#include <gtest/gtest.h>

#include <string>

#include "platform/ws/window_system.h"
#include "tests/support/bound_window.h"
#include "tests/support/gtk_backend_test.h"
#include "ui/controls/list_box.h"

namespace quillmar {
namespace {

using testing::MouseTo;
using testing::Xdo;

class UiListBoxGtk : public testing::GtkBackendTest {};

TEST_F(UiListBoxGtk, TheRealWheelScrollsByNotchesAndTheThumbDrags) {
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
  const int code = RunSteps([&](int n) {
    if (n == 4) {
      const Point p = list.PointToScreen({50, 60});
      Xdo(MouseTo(p.x, p.y));
    }
    if (n == 6) Xdo("click --repeat 2 5");  // two notches towards the user
    if (n == 8) {
      afterDown = list.GetVOffset();
      Xdo("click 4");
    }
    if (n == 10) {
      afterUp = list.GetVOffset();
      const Point p = bar.PointToScreen({5, static_cast<int32_t>(bar.ThumbRect().y) + 5});
      Xdo(MouseTo(p.x, p.y));
    }
    if (n == 12) Xdo("mousedown 1");
    if (n == 13) Xdo("mousemove_relative 0 40");
    if (n == 15) Xdo("mouseup 1");
    if (n == 17) {
      dragged = bar.GetPosition();
      ws::System().PostQuit(0);
    }
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(afterDown, -30);
  EXPECT_EQ(afterUp, -15);
  EXPECT_GT(dragged, 15);
  EXPECT_EQ(list.GetVOffset(), -dragged);
}

}  // namespace
}  // namespace quillmar
