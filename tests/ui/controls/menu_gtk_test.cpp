// The popup menu on the GTK backend under a display, driven by a real pointer
// (xdotool): choosing an item, and closing by a click on the owner window.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ws/gtk_window_system.h"
#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/controls/menu.h"
#include "ui/core/process_values.h"
#include "ui/core/window.h"

namespace quillmar {
namespace {

void Xdo(const std::string& args) { ASSERT_EQ(std::system(("xdotool " + args + " >/dev/null").c_str()), 0) << args; }

// A 320 x 200 owner window at (200, 150) and a three-item menu, on a GTK backend.
class GtkMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xdotool";
    std::string why;
    auto backend = ws::CreateGtkWindowSystem(&why);
    if (!backend) GTEST_SKIP() << why;
    previous_ = ws::InstallSystem(std::move(backend));
    installed_ = true;
    InitProcessValues("", 1);
    ws::WindowSystem& sys = ws::System();
    ws::WindowClass cls;
    cls.name = "QuillmarGtkMenuOwner";
    sys.AddWindowClass(cls);
    ws::WindowCreateParams params;
    params.className = cls.name;
    params.x = 200;
    params.y = 150;
    params.width = 320;
    params.height = 200;
    params.style = Style::Visible | Style::Popup;
    owner_ = sys.OpenWindow(params);
    ASSERT_NE(owner_, 0);
    BindOptions options;
    options.backColor = 0xFF2B5D8C;
    window_ = std::make_unique<UiWindow>();
    window_->Bind(owner_, options);
    menu_ = std::make_unique<UiMenu>();
    for (const char* text : {"Cut", "-", "Paste"}) menu_->InsertItem({}, text);
    menu_->SetUserHandler([this](Hwnd, int32_t, uint32_t msg, WParam w, LParam) {
      if (msg == Event::MenuItemChosen) chosen_.push_back(static_cast<int32_t>(w));
      return 1;
    });
  }
  void TearDown() override {
    menu_.reset();
    window_.reset();
    if (installed_) ws::InstallSystem(std::move(previous_));
  }

  // Runs the loop, calling step(n) every 100 ms with n = 1, 2, ... until it quits.
  int RunSteps(const std::function<void(int)>& step) {
    int n = 0;
    ws::System().SetWindowTimer(0, 0, 100, [&](uint32_t) {
      step(++n);
      if (n > 60) ws::System().PostQuit(1);
    });
    return ws::System().RunLoop();
  }
  static std::string At(int x, int y) { return "mousemove " + std::to_string(x) + " " + std::to_string(y); }

  Hwnd owner_ = 0;
  std::unique_ptr<UiWindow> window_;
  std::unique_ptr<UiMenu> menu_;
  std::vector<int32_t> chosen_;

 private:
  std::unique_ptr<ws::WindowSystem> previous_;
  bool installed_ = false;
};

TEST_F(GtkMenuTest, RealClickOnAnItemRaisesItsIndexAndClosesThePopup) {
  Hwnd popup = 0;
  bool openBeforeClick = false;
  const int code = RunSteps([&](int n) {
    if (n == 2) Xdo(At(300, 250) + " click 1");  // the owner takes the focus
    if (n == 5) {
      menu_->Popup(600, 300);
      popup = menu_->PopupWindow();
    }
    // "Paste" sits at 2 + 25 + 10 .. 2 + 60 within the popup.
    if (n == 9) Xdo(At(600 + 60, 300 + 48));
    if (n == 11) {
      openBeforeClick = ws::System().IsWindow(popup);
      Xdo("click 1");
    }
    if (n > 12 && !chosen_.empty() && !ws::System().IsWindow(popup)) ws::System().PostQuit(0);
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(openBeforeClick);
  EXPECT_EQ(chosen_, std::vector<int32_t>{2});
  EXPECT_FALSE(menu_->IsOpen());
}

TEST_F(GtkMenuTest, PopupClosesWhenItsOwnerIsClicked) {
  Hwnd popup = 0;
  bool openBeforeClick = false;
  const int code = RunSteps([&](int n) {
    if (n == 2) Xdo(At(300, 250) + " click 1");
    if (n == 5) {
      menu_->Popup(600, 300);
      popup = menu_->PopupWindow();
    }
    if (n == 10) {
      openBeforeClick = ws::System().IsWindow(popup);
      Xdo(At(300, 250) + " click 1");
    }
    if (n > 10 && !ws::System().IsWindow(popup)) ws::System().PostQuit(0);
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(openBeforeClick);
  EXPECT_FALSE(menu_->IsOpen());
  EXPECT_TRUE(chosen_.empty());
  EXPECT_EQ(ws::System().Focus(), owner_);
}

}  // namespace
}  // namespace quillmar
