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
  ws::WindowSystem& sys = ws::System();
  ASSERT_TRUE(PointerTo(list.PointToScreen({50, 60}), "the pointer over the list"));
  Xdo("click --repeat 2 5");  // two notches towards the user
  EXPECT_TRUE(WaitUntil([&] { return list.GetVOffset() <= -30; }, "two notches down"));
  EXPECT_EQ(list.GetVOffset(), -30);
  Xdo("click 4");
  EXPECT_TRUE(WaitUntil([&] { return list.GetVOffset() > -30; }, "a notch up"));
  EXPECT_EQ(list.GetVOffset(), -15);

  const Point thumb = bar.PointToScreen({5, static_cast<int32_t>(bar.ThumbRect().y) + 5});
  ASSERT_TRUE(PointerTo(thumb, "the pointer over the thumb"));
  Xdo("mousedown 1");
  EXPECT_TRUE(WaitUntil([&] { return sys.Capture() == bound.hwnd; }, "the thumb to take the mouse"));
  EXPECT_TRUE(
      PointerTo(thumb.Offset(0, 40), "the thumb to follow the pointer", [&] { return bar.GetPosition() > 15; }));
  Xdo("mouseup 1");
  EXPECT_TRUE(WaitUntil([&] { return sys.Capture() == 0; }, "the thumb to let the mouse go"));
  EXPECT_GT(bar.GetPosition(), 15);
  EXPECT_EQ(list.GetVOffset(), -bar.GetPosition());
}

}  // namespace
}  // namespace quillmar
