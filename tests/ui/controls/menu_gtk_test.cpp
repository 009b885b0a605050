// The popup menu on the GTK backend under a display, driven by a real pointer
// (xdotool): choosing an item, and closing by a click on the owner window.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/bound_window.h"
#include "tests/support/gtk_backend_test.h"
#include "ui/controls/menu.h"
#include "ui/core/process_values.h"

namespace quillmar {
namespace {

using testing::Xdo;

// An owner window at (200, 150), and a menu "Cut", separator, "Paste" to pop
// up at (600, 300) once the owner has the focus.
class GtkMenuTest : public testing::GtkBackendTest {
 protected:
  void SetUp() override {
    GtkBackendTest::SetUp();
    if (IsSkipped()) return;
    InitProcessValues("", 1);
    BindOptions options;
    options.backColor = 0xFF2B5D8C;
    owner_ = std::make_unique<testing::BoundWindow>(testing::WindowSpec{200, 150, 320, 200}, options);
    menu_ = std::make_unique<UiMenu>();
    for (const char* text : {"Cut", "-", "Paste"}) menu_->InsertItem({}, text);
    menu_->SetUserHandler([this](Hwnd, int32_t, uint32_t msg, WParam w, LParam) {
      if (msg == Event::MenuItemChosen) chosen_.push_back(static_cast<int32_t>(w));
      return 1;
    });
  }
  void ReleaseWindows() override {
    if (focusWatch_ != 0) ws::System().UnwatchFocus(focusWatch_);
    menu_.reset();
    owner_.reset();
  }
  // Gives the owner the focus with a real click and pops the menu up on it.
  void OpenOnFocusedOwner() {
    ASSERT_TRUE(PointerTo({300, 250}, "the pointer over the owner"));
    Xdo("click 1");
    // Activated by the window manager and the news of it read, not only in the
    // program's own record: the click or a focus change read after the popup
    // opened would close it.
    ASSERT_TRUE(
        WaitUntil([this] { return ws::System().Focus() == owner_->hwnd && testing::ActiveOnDesktop(owner_->hwnd); },
                  "the owner to be active on the desktop", testing::kDesktopWaitMs, 100));
    ASSERT_TRUE(HeardAllInput("the click and the activation"));
    // Where the focus goes after the popup opens, for the failure messages: a
    // focus change is what closes a popup that nobody clicked.
    const int64_t opened = ws::System().NowMs();
    focusWatch_ = ws::System().WatchFocus([this, opened](int32_t to) {
      focusMoves_ += " " + std::to_string(ws::System().NowMs() - opened) + " ms: " + std::to_string(to) + ";";
    });
    menu_->Popup(600, 300);
  }

  std::unique_ptr<testing::BoundWindow> owner_;
  std::unique_ptr<UiMenu> menu_;
  std::vector<int32_t> chosen_;
  uint32_t focusWatch_ = 0;
  std::string focusMoves_;
};

TEST_F(GtkMenuTest, RealClickOnAnItemRaisesItsIndexAndClosesThePopup) {
  ASSERT_NO_FATAL_FAILURE(OpenOnFocusedOwner());
  // "Paste" lies 2 + 25 + 10 to 2 + 60 pixels down the popup.
  EXPECT_TRUE(PointerTo({600 + 60, 300 + 48}, "\"Paste\" to show its hover", [&] { return menu_->HoverIndex() == 2; }))
      << "focus after the popup opened:" << focusMoves_;
  EXPECT_TRUE(menu_->IsOpen());
  Xdo("click 1");
  EXPECT_TRUE(WaitUntil([&] { return !menu_->IsOpen(); }, "the popup to close"));
  EXPECT_EQ(chosen_, std::vector<int32_t>{2});
}

TEST_F(GtkMenuTest, PopupClosesWhenItsOwnerIsClicked) {
  ASSERT_NO_FATAL_FAILURE(OpenOnFocusedOwner());
  // Over the popup first: it is on the screen, holding the mouse, before the owner is clicked.
  EXPECT_TRUE(PointerTo({600 + 60, 300 + 48}, "the popup under the pointer", [&] { return menu_->HoverIndex() == 2; }))
      << "focus after the popup opened:" << focusMoves_;
  EXPECT_TRUE(PointerTo({300, 250}, "the pointer back over the owner"));
  EXPECT_TRUE(menu_->IsOpen());
  Xdo("click 1");
  EXPECT_TRUE(WaitUntil([&] { return !menu_->IsOpen(); }, "the popup to close"));
  EXPECT_TRUE(chosen_.empty());
  EXPECT_EQ(ws::System().Focus(), owner_->hwnd);
}

}  // namespace
}  // namespace quillmar
