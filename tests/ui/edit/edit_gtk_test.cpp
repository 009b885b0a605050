// The edit on the GTK backend under a display: typing with the real keyboard,
// text committed through the input context, and the clipboard shared with
// another process (this binary started again as a small clipboard helper).

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>

#include "base/text_encoding.h"
#include "platform/ws/messages.h"
#include "platform/ws/window_core.h"
#include "tests/platform/ws/scenario_driver.h"
#include "tests/support/bound_window.h"
#include "tests/support/gtk_backend_test.h"
#include "ui/core/theme_defaults.h"
#include "ui/core/window.h"
#include "ui/controls/menu.h"
#include "ui/edit/edit.h"

namespace quillmar {
namespace {

constexpr const char* kHelperVar = "QUILLMAR_EDIT_CLIPBOARD_HELPER";

class EditGtkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv(kHelperVar) != nullptr) GTEST_SKIP() << "helper run";
    std::string why;
    driver_ = ws::testing::MakeGtkDriver(&why);
    if (!driver_) GTEST_SKIP() << why;
    Theme() = ThemeDefaults::Standard();
    BindOptions options;
    options.backColor = 0xFF2B5D8C;
    bound_ = std::make_unique<testing::BoundWindow>(
        testing::WindowSpec{200, 150, 320, 120, Style::Visible | Style::Popup, "QuillmarGtkEditTest"}, options);
    hwnd_ = bound_->hwnd;
    ASSERT_NE(hwnd_, 0);
    edit_.Create(bound_->window.get(), 1, 20, 40, 260, 26, "");
    driver_->Pump(300);
    driver_->Click(edit_.PointToScreen({5, 13}), ws::MouseButton::Left);
    ASSERT_TRUE(driver_->PumpUntil([&] { return ws::System().Focus() == hwnd_; }, 3000));
    ASSERT_TRUE(driver_->AwaitKeyboard()) << "the window manager to activate the window";
  }
  void TearDown() override {
    if (!driver_) return;
    edit_.Release();
    bound_.reset();
    driver_.reset();
  }

  // Runs xdotool while our loop keeps reading the events it makes; keys wait
  // for the window manager to have activated the focused window.
  void Xdo(const std::string& args) {
    if (args.rfind("key", 0) == 0 || args.rfind("type", 0) == 0) {
      EXPECT_TRUE(driver_->AwaitKeyboard()) << "the window manager to activate the focused window, for " << args;
    }
    std::atomic<bool> done{false};
    int status = -1;
    std::thread runner([&] {
      status = std::system(("xdotool " + args + " >/dev/null 2>&1").c_str());
      done = true;
    });
    driver_->PumpUntil([&] { return done.load(); }, 20000);
    runner.join();
    EXPECT_EQ(status, 0) << args;
  }

  // Runs this binary again as the clipboard helper while our loop keeps
  // serving the clipboard; returns its exit status.
  int RunHelper(const std::string& request) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command = std::string(kHelperVar) + "='" + request + "' '" + self +
                                "' --gtest_filter=EditGtkClipboardHelper.Serve >/dev/null 2>&1";
    std::atomic<bool> done{false};
    int status = -1;
    std::thread runner([&] {
      status = std::system(command.c_str());
      done = true;
    });
    driver_->PumpUntil([&] { return done.load(); }, 20000);
    runner.join();
    return status;
  }

  std::unique_ptr<ws::testing::ScenarioDriver> driver_;
  Hwnd hwnd_ = 0;
  std::unique_ptr<testing::BoundWindow> bound_;
  UiEdit edit_;
};

TEST_F(EditGtkTest, TypedAndCommittedTextLandsInTheBox) {
  driver_->TypeUnicode(u"\u78C1\u529B", "\xE7\xA3\x81\xE5\x8A\x9B");
  ASSERT_TRUE(driver_->PumpUntil([&] { return edit_.GetLength() >= 2; }, 5000));
  driver_->Type(" link");
  driver_->PumpUntil([&] { return edit_.GetLength() >= 7; }, 5000);
  EXPECT_EQ(edit_.GetTextWide(), u"\u78C1\u529B link");
  EXPECT_EQ(edit_.GetCaret(), 7);
  driver_->Key(Vk::Left);
  driver_->Key(Vk::Back);
  driver_->Pump(100);
  EXPECT_EQ(edit_.GetTextWide(), u"\u78C1\u529B lik");
}

TEST_F(EditGtkTest, ClipboardTextCrossesToAndFromAnotherProcess) {
  const std::filesystem::path out = std::filesystem::temp_directory_path() / "quillmar_edit_clipboard.txt";
  std::filesystem::remove(out);
  // Another process owns the clipboard while we paste; it says when it does.
  const std::filesystem::path ready = std::filesystem::temp_directory_path() / "quillmar_edit_clipboard.ready";
  std::filesystem::remove(ready);
  std::atomic<bool> served{false};
  std::thread owner([&] {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::system((std::string(kHelperVar) + "='set:" + ready.string() + "' '" + self +
                 "' --gtest_filter=EditGtkClipboardHelper.Serve >/dev/null 2>&1")
                    .c_str());
    served = true;
  });
  ASSERT_TRUE(driver_->PumpUntil([&] { return std::filesystem::exists(ready) || served.load(); }, 15000));
  // The helper's start may have moved the desktop focus: take it back first.
  driver_->Click(edit_.PointToScreen({5, 13}), ws::MouseButton::Left);
  ASSERT_TRUE(driver_->PumpUntil([&] { return ws::System().Focus() == hwnd_; }, 3000));
  driver_->CtrlKey('V');
  driver_->PumpUntil([&] { return edit_.GetLength() > 0; }, 5000);
  driver_->PumpUntil([&] { return served.load(); }, 15000);
  owner.join();
  std::filesystem::remove(ready);
  EXPECT_EQ(edit_.GetTextWide(), u"pasted \u78C1");

  edit_.SetSelection(0, 6);
  driver_->CtrlKey('C');
  driver_->Pump(100);
  EXPECT_EQ(RunHelper("get:" + out.string()), 0);
  std::ifstream in(out);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "pasted");
  std::filesystem::remove(out);
}

TEST_F(EditGtkTest, HomeShiftEndAndCtrlZFromTheKeyboardAndTheInputMethodFollowsTheCaret) {
  auto* core = dynamic_cast<ws::WindowSystemCore*>(&ws::System());
  ASSERT_NE(core, nullptr);
  driver_->Type("magnet");
  ASSERT_TRUE(driver_->PumpUntil([&] { return edit_.GetLength() >= 6; }, 5000));
  // The input method's caret rectangle follows every caret move, with the line's height.
  const auto caretRect = [&] {
    driver_->Pump(100);
    const Point at = edit_.PointToWindow(edit_.GetCaretPoint());
    return std::pair{core->ImeCursor(hwnd_), Rect::FromXywh(at.x, at.y, 1, edit_.GetLayout().Metrics().glyphHeight)};
  };
  auto [given, expected] = caretRect();
  EXPECT_EQ(given, expected);
  const Rect atEnd = given;
  Xdo("key Home");
  ASSERT_TRUE(driver_->PumpUntil([&] { return edit_.GetCaret() == 0; }, 3000));
  std::tie(given, expected) = caretRect();
  EXPECT_EQ(given, expected);
  EXPECT_LT(given.x, atEnd.x);
  EXPECT_EQ(given.height, edit_.GetLayout().Metrics().glyphHeight);
  Xdo("key shift+End");
  ASSERT_TRUE(driver_->PumpUntil([&] { return edit_.GetCaret() == 6; }, 3000));
  int32_t a = -1, c = -1;
  edit_.GetSelection(&a, &c);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(c, 6);
  EXPECT_EQ(caretRect().first, atEnd);
  Xdo("type --delay 50 X");
  ASSERT_TRUE(driver_->PumpUntil([&] { return edit_.GetTextWide() == u"X"; }, 3000));
  Xdo("key ctrl+z");
  ASSERT_TRUE(driver_->PumpUntil([&] { return edit_.GetTextWide() == u"magnet"; }, 3000));
  edit_.GetSelection(&a, &c);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(c, 6);
}

TEST_F(EditGtkTest, TheMenuKeyAndShiftF10OpenTheBoxsMenuBelowTheCaretForTheKeyboard) {
  UiMenu& menu = *edit_.GetMenuControl();
  driver_->Type("magnet");
  ASSERT_TRUE(driver_->PumpUntil([&] { return edit_.GetLength() >= 6; }, 5000));
  driver_->Key(Vk::Apps);
  ASSERT_TRUE(driver_->PumpUntil([&] { return menu.IsOpen(); }, 5000));
  // Where the window manager shows it: just below the caret's line.
  const Point caret = edit_.PointFromPosition(6);
  const Point below = edit_.PointToScreen({caret.x, caret.y + edit_.GetLayout().Metrics().glyphHeight});
  ASSERT_TRUE(driver_->AwaitKeyboard()) << "the menu to be active on the desktop";
  const std::optional<Rect> shown = testing::ActiveWindowRect();
  ASSERT_TRUE(shown.has_value());
  EXPECT_EQ(shown->Origin(), below);
  driver_->Key(Vk::End);
  ASSERT_TRUE(driver_->PumpUntil([&] { return menu.HoverIndex() == EditContextMenu::kSelectAll; }, 3000));
  driver_->Key(Vk::Return);
  ASSERT_TRUE(driver_->PumpUntil([&] { return !menu.IsOpen() && ws::System().Focus() == hwnd_; }, 3000));
  int32_t a = -1, c = -1;
  edit_.GetSelection(&a, &c);
  EXPECT_EQ(std::pair(a, c), std::pair(0, 6));

  // Shift+F10, Escape: the keyboard is the box's again, and a typed key replaces the selection.
  Xdo("key shift+F10");
  ASSERT_TRUE(driver_->PumpUntil([&] { return menu.IsOpen(); }, 5000));
  driver_->Key(Vk::Escape);
  ASSERT_TRUE(driver_->PumpUntil([&] { return !menu.IsOpen() && ws::System().Focus() == hwnd_; }, 3000));
  EXPECT_EQ(bound_->window->FocusKey(), edit_.Key());
  driver_->Type("x");
  EXPECT_TRUE(driver_->PumpUntil([&] { return edit_.GetTextWide() == u"x"; }, 3000)) << GbkToUtf8(edit_.GetText());
}

TEST_F(EditGtkTest, TextWithLfBreaksPastedFromAnotherProcessShowsAsLines) {
  UiEdit lines;
  EditOptions o;
  o.multiLine = true;
  lines.Create(bound_->window.get(), 1, 20, 70, 260, 45, "", o);
  const std::filesystem::path ready = std::filesystem::temp_directory_path() / "quillmar_edit_lf.ready";
  std::filesystem::remove(ready);
  std::atomic<bool> served{false};
  std::thread owner([&] {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::system((std::string(kHelperVar) + "='lines:" + ready.string() + "' '" + self +
                 "' --gtest_filter=EditGtkClipboardHelper.Serve >/dev/null 2>&1")
                    .c_str());
    served = true;
  });
  ASSERT_TRUE(driver_->PumpUntil([&] { return std::filesystem::exists(ready) || served.load(); }, 15000));
  driver_->Click(lines.PointToScreen({5, 8}), ws::MouseButton::Left);
  ASSERT_TRUE(driver_->PumpUntil([&] { return ws::System().Focus() == hwnd_; }, 3000));
  driver_->Pump(100);
  driver_->CtrlKey('V');
  driver_->PumpUntil([&] { return lines.GetLength() > 0; }, 5000);
  driver_->PumpUntil([&] { return served.load(); }, 15000);
  owner.join();
  std::filesystem::remove(ready);
  EXPECT_EQ(lines.GetTextWide(), u"one\r\ntwo\r\nthree");
  EXPECT_EQ(lines.GetLayout().LineCounts().size(), 3u);
  lines.Release();
}

// Not a test of its own: the process the clipboard test starts. "set:PATH" puts
// a text on the clipboard, writes PATH and owns the clipboard for a few seconds; "get:PATH" writes what it holds to
// PATH.
TEST(EditGtkClipboardHelper, Serve) {
  const char* request = std::getenv(kHelperVar);
  if (request == nullptr) GTEST_SKIP() << "started only by the clipboard test";
  std::string why;
  auto driver = ws::testing::MakeGtkDriver(&why);
  ASSERT_TRUE(driver) << why;
  const std::string r = request;
  if (r.rfind("lines:", 0) == 0) {
    ASSERT_TRUE(ws::System().SetClipboardText(u"one\ntwo\nthree", "one\ntwo\nthree"));
    std::ofstream(r.substr(6)) << "ready";
    driver->Pump(3000);
  } else if (r.rfind("set:", 0) == 0) {
    const std::u16string text = u"pasted \u78C1";
    ASSERT_TRUE(ws::System().SetClipboardText(text, WideToGbk(text)));
    std::ofstream(r.substr(4)) << "ready";
    driver->Pump(3000);
  } else if (r.rfind("get:", 0) == 0) {
    const std::optional<std::u16string> text = ws::System().ClipboardText();
    std::ofstream out(r.substr(4));
    if (text) {
      for (char16_t u : *text) out << static_cast<char>(u < 128 ? u : '?');
    }
  }
}

}  // namespace
}  // namespace quillmar
