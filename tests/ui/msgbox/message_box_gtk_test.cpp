// The message box on a real desktop (Xvfb, openbox, xcompmgr) driven through
// XTEST: it stays in front of the window it serves and keeps the keyboard
// after a click on that window, and its keys answer it.

#include <gdk/gdk.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/bound_window.h"
#include "tests/support/gtk_backend_test.h"
#include "ui/controls/list_box.h"
#include "ui/core/process_values.h"
#include "ui/msgbox/message_box.h"

namespace quillmar {
namespace {

using testing::MouseTo;
using testing::Xdo;

constexpr const char* kMainTitle = "QuillmarBoxOwnerE2E";
constexpr const char* kBoxCaption = "QuillmarBoxE2E";
constexpr Rect kMain = Rect::FromXywh(380, 200, 600, 420);

std::string Output(const std::string& command) {
  std::string out;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  pclose(pipe);
  return out;
}

// The desktop's id of the window with that exact title; 0 when there is none.
unsigned long DesktopId(const std::string& title) {
  return std::strtoul(Output("xdotool search --name '^" + title + "$' | head -n 1").c_str(), nullptr, 10);
}

unsigned long ActiveId() { return std::strtoul(Output("xdotool getactivewindow").c_str(), nullptr, 10); }

// The window manager's stacking order, bottom first.
std::vector<unsigned long> Stacking() {
  std::string line = Output("xprop -root _NET_CLIENT_LIST_STACKING");
  std::vector<unsigned long> ids;
  const size_t hash = line.find('#');
  if (hash == std::string::npos) return ids;
  std::stringstream in(line.substr(hash + 1));
  std::string item;
  while (std::getline(in, item, ',')) ids.push_back(std::strtoul(item.c_str(), nullptr, 16));
  return ids;
}

// Where the desktop shows the window, from the window manager's point of view.
Point DesktopPosition(unsigned long id) {
  const std::string text = Output("xdotool getwindowgeometry " + std::to_string(id));
  Point p{-1, -1};
  const size_t at = text.find("Position: ");
  if (at != std::string::npos) std::sscanf(text.c_str() + at, "Position: %d,%d", &p.x, &p.y);
  return p;
}

int StackPosition(unsigned long id) {
  const std::vector<unsigned long> ids = Stacking();
  for (size_t i = 0; i < ids.size(); ++i) {
    if (ids[i] == id) return static_cast<int>(i);
  }
  return -1;
}

// Saves a part of the screen as a PNG under QUILLMAR_SHOTS, when that is set.
void SaveShot(const std::string& name, Rect area) {
  const char* dir = std::getenv("QUILLMAR_SHOTS");
  if (dir == nullptr) return;
  GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), area.x, area.y, area.width, area.height);
  if (shot == nullptr) return;
  gdk_pixbuf_save(shot, (std::string(dir) + "/" + name).c_str(), "png", nullptr, nullptr);
  g_object_unref(shot);
}

class GtkMessageBoxTest : public testing::GtkBackendTest {
 protected:
  void SetUp() override {
    GtkBackendTest::SetUp();
    if (IsSkipped()) return;
    InitProcessValues("", 1);
    BindOptions options;
    options.backColor = 0xFF2B5D8C;
    main_ = std::make_unique<testing::BoundWindow>(testing::WindowSpec{kMain.x, kMain.y, kMain.width, kMain.height},
                                                   options);
    ws::System().SetTitle(main_->hwnd, kMainTitle);
    list_ = std::make_unique<UiListBox>();
    list_->Create(main_->window.get(), true, 10, 10, kMain.width - 32, kMain.height - 32, 0);
    list_->InsertColumn({}, "Title", {.width = 300});
    list_->InsertColumn({}, "Magnet", {.width = 260});
    for (int i = 0; i < 30; ++i) {
      list_->InsertRow({}, "Row " + std::to_string(i) + " of the results", {.height = 22});
      list_->SetCellText(i, 1, "magnet:?xt=urn:btih:" + std::to_string(1000 + i));
    }
  }
  void ReleaseWindows() override {
    list_.reset();
    main_.reset();
  }
  // A box runs a loop of its own until it is answered: the steps with it run
  // from a timer inside that loop (their waits nest in it), as soon as the box
  // is there. Steps that leave it open close it, so that the test goes on.
  static void WithNextBox(std::function<void()> steps) {
    ws::System().SetWindowTimer(0, 0, 10, [steps](uint32_t id) {
      if (Box() == 0) return;
      ws::System().KillWindowTimer(0, id);
      steps();
      if (Box() != 0) ws::System().DestroyWindow(Box());
    });
  }
  void ShowBox(int32_t type) {
    MessageBoxOptions options;
    options.caption = kBoxCaption;
    results_.push_back(ShowMessageBox("A notice over the list, with its answer on the keys.", type, options));
  }
  // Time for the open effect and the focus mark to reach the screen, only when
  // pictures are kept: they are looked at, not checked.
  void SettleForShot() {
    if (std::getenv("QUILLMAR_SHOTS") != nullptr) Pause(800);
  }
  static Hwnd Box() {
    for (Hwnd h : ws::System().TopLevelWindows()) {
      if (ws::System().ClassName(h) == "OrvexMessageBox") return h;
    }
    return 0;
  }

  std::unique_ptr<testing::BoundWindow> main_;
  std::unique_ptr<UiListBox> list_;
  std::vector<int32_t> results_;
};

TEST_F(GtkMessageBoxTest, TheBoxStaysInFrontWithTheFocusAfterAClickOnItsWindowAndEnterAnswersIt) {
  ws::WindowSystem& sys = ws::System();
  ASSERT_TRUE(PointerTo({kMain.x + 300, kMain.y + 380}, "the pointer over the window"));
  Xdo("click 1");
  ASSERT_TRUE(WaitUntil([&] { return sys.Focus() == main_->hwnd && testing::ActiveOnDesktop(main_->hwnd); },
                        "the window to be active on the desktop", testing::kDesktopWaitMs, 100));
  ASSERT_TRUE(HeardAllInput("the click and the activation"));

  unsigned long mainId = 0;
  unsigned long boxId = 0;
  bool boxActive = false;
  int boxAbove = -1;
  Hwnd ourFocus = 0;
  Point boxShown{-1, -1};
  Rect boxRect;
  WithNextBox([&] {
    ASSERT_TRUE(WaitUntil(
        [&] {
          mainId = DesktopId(kMainTitle);
          boxId = DesktopId(kBoxCaption);
          return mainId != 0 && boxId != 0 && ActiveId() == boxId;
        },
        "the desktop to know both windows and activate the box", testing::kDesktopWaitMs, 100));
    SettleForShot();
    SaveShot("box-over-list.png", kMain);
    // On the list, well away from the box. The window manager may first
    // activate the window; the program then hands the activation to the box.
    ASSERT_TRUE(PointerTo({kMain.x + 60, kMain.y + 60}, "the pointer over the list"));
    Xdo("click 1");
    ASSERT_TRUE(HeardAllInput("the click on the window"));
    boxActive = WaitUntil([&] { return ActiveId() == boxId; }, "the box active again", testing::kDesktopWaitMs, 100);
    boxAbove = StackPosition(boxId) > StackPosition(mainId) ? 1 : 0;
    ourFocus = sys.Focus();
    boxShown = DesktopPosition(boxId);
    boxRect = sys.WindowRect(Box());
    SaveShot("box-after-click-on-main.png", kMain);
    Xdo("key Return");
    EXPECT_TRUE(WaitUntil([] { return Box() == 0; }, "Enter to answer the notice"));
  });
  ShowBox(0x40);
  WithNextBox([&] {
    EXPECT_TRUE(WaitUntil([] { return ActiveId() == DesktopId(kBoxCaption); }, "the question active on the desktop",
                          testing::kDesktopWaitMs, 100));
    SettleForShot();
    SaveShot("box-focus-mark-first.png", sys.WindowRect(Box()));
    // Both keys go to the box in order: Return answers with the button Tab chose.
    Xdo("key Tab");
    SettleForShot();
    SaveShot("box-focus-mark-second.png", sys.WindowRect(Box()));
    Xdo("key Return");
    EXPECT_TRUE(WaitUntil([] { return Box() == 0; }, "Enter to answer the question"));
  });
  ShowBox(0x41);
  ASSERT_NE(mainId, 0u);
  ASSERT_NE(boxId, 0u);
  EXPECT_TRUE(boxActive) << "the desktop's active window after the click is the box";
  EXPECT_EQ(boxAbove, 1) << "the box stays above the window it serves";
  EXPECT_NE(ourFocus, main_->hwnd);
  // Still where the box puts itself (centred on the screen), not moved by the desktop.
  EXPECT_EQ(boxShown, boxRect.Origin());
  EXPECT_NEAR(boxRect.x + boxRect.width / 2, 1366 / 2, 1);
  // Enter answered the notice with its only button, then the question's second one after Tab.
  EXPECT_EQ(results_, (std::vector<int32_t>{kBoxFirstButton, kBoxDismissed}));
}

}  // namespace
}  // namespace quillmar
