// The popup menu on the GTK backend under a display, driven by a real pointer
// (xdotool): choosing an item, and closing by a click on the owner window.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/support/bound_window.h"
#include "tests/support/gtk_backend_test.h"
#include "ui/controls/menu.h"
#include "ui/core/process_values.h"

namespace quillmar {
namespace {

using testing::MouseTo;
using testing::Xdo;

// An owner window at (200, 150) that takes the focus at step 2, and a menu
// "Cut", separator, "Paste" popped up at (600, 300) at step 5.
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
    menu_.reset();
    owner_.reset();
  }
  // Opens the menu on the focused owner; true when the popup was still there at the last step.
  bool Run(int lastStep, const std::function<void(int)>& step) {
    bool openAtLastStep = false;
    const int code = RunSteps([&](int n) {
      if (n == 2) Xdo(MouseTo(300, 250) + " click 1");
      if (n == 5) menu_->Popup(600, 300);
      if (n == lastStep) openAtLastStep = menu_->IsOpen();
      step(n);
      if (n > lastStep && !menu_->IsOpen()) ws::System().PostQuit(0);
    });
    EXPECT_EQ(code, 0) << "the popup did not close";
    return openAtLastStep;
  }

  std::unique_ptr<testing::BoundWindow> owner_;
  std::unique_ptr<UiMenu> menu_;
  std::vector<int32_t> chosen_;
};

TEST_F(GtkMenuTest, RealClickOnAnItemRaisesItsIndexAndClosesThePopup) {
  // "Paste" lies 2 + 25 + 10 to 2 + 60 pixels down the popup.
  EXPECT_TRUE(Run(11, [&](int n) {
    if (n == 9) Xdo(MouseTo(600 + 60, 300 + 48));
    if (n == 11) Xdo("click 1");
  }));
  EXPECT_EQ(chosen_, std::vector<int32_t>{2});
}

TEST_F(GtkMenuTest, PopupClosesWhenItsOwnerIsClicked) {
  EXPECT_TRUE(Run(10, [&](int n) {
    if (n == 10) Xdo(MouseTo(300, 250) + " click 1");
  }));
  EXPECT_TRUE(chosen_.empty());
  EXPECT_EQ(ws::System().Focus(), owner_->hwnd);
}

}  // namespace
}  // namespace quillmar
