#include "ui/msgbox/message_box.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/ws/headless_window_system.h"
#include "platform/ws/messages.h"
#include "tests/support/bound_window.h"
#include "ui/core/process_values.h"
#include "ui/msgbox/box_icons.h"

namespace quillmar {
namespace {

using Step = std::function<void()>;

// The headless desktop with one ordinary program window, and a way to act
// inside a box's own loop: each step runs once the loop has nothing queued,
// after the open effect has had time to finish.
class MessageBoxTest : public ::testing::Test {
 protected:
  // Before any window: element keys must grow from the seed on.
  struct FreshProcessValues {
    FreshProcessValues() { InitProcessValues("", 1); }
  };

  // Runs the steps from inside the loop of the box about to open. A nested
  // box gets its steps from inside the step that opens it.
  void Script(std::vector<Step> steps) {
    // A box nobody closes ends its loop after this (and LoopGaveUp tells).
    headless->SetLoopLimit(5000);
    auto queue = std::make_shared<std::vector<Step>>(std::move(steps));
    headless->SetIdleScript([this, queue] {
      if (queue->empty()) return false;
      Step step = queue->front();
      queue->erase(queue->begin());
      headless->Advance(600);
      step();
      return true;
    });
  }
  static Hwnd NewestBox() {
    for (Hwnd hwnd : ws::System().TopLevelWindows()) {
      if (ws::System().ClassName(hwnd) == "OrvexMessageBox") return hwnd;
    }
    return 0;
  }
  static Rect BoxRect() { return ws::System().WindowRect(NewestBox()); }
  void ClickInBox(int32_t x, int32_t y) {
    const Rect r = BoxRect();
    headless->Click({r.x + x, r.y + y});
  }
  bool Disabled(Hwnd hwnd) const { return (ws::System().GetStyle(hwnd) & Style::Disabled) != 0; }

  FreshProcessValues values;
  ws::ScopedHeadless headless;
  testing::BoundWindow main;
};

// A short text gives the smallest box: 350 x 150, the buttons' right end 20
// from its edge, each button at least 70 wide.
constexpr int32_t kButtonY = 150 - 45 + 12;
constexpr int32_t kSecondSlotX = 350 - 20 - 35;
constexpr int32_t kFirstOfTwoX = 350 - 30 - 70 - 35;

TEST_F(MessageBoxTest, TypeDecidesButtonsIconAndBeep) {
  struct Case {
    int32_t type;
    int32_t atSecondSlot;  // result of a click where a second button would be
    std::vector<uint32_t> beeps;
    bool icon;
  };
  const Case cases[] = {
      {65, kBoxDismissed, {0x40}, true},
      {0, kBoxFirstButton, {}, false},
      {0x30, kBoxFirstButton, {0x30}, true},
      {0x11, kBoxDismissed, {0x10}, true},
      {0x20, kBoxFirstButton, {kSimpleBeep}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    const size_t beepsBefore = headless->Beeps().size();
    uint32_t iconPixel = 0;
    uint32_t backgroundPixel = 0;
    Script({[&] {
      const auto* picture = headless->Presented(NewestBox());
      ASSERT_NE(picture, nullptr);
      iconPixel = picture->At(6 + 18 + 20, 6 + 36 + 30);
      backgroundPixel = picture->At(6 + 18 + 20, 6 + 36 + 45);
      ClickInBox(kSecondSlotX, kButtonY);
    }});
    EXPECT_EQ(ShowMessageBox("ok", c.type), c.atSecondSlot);
    const std::vector<uint32_t> beeps(headless->Beeps().begin() + static_cast<long>(beepsBefore),
                                      headless->Beeps().end());
    EXPECT_EQ(beeps, c.beeps);
    EXPECT_EQ(iconPixel != backgroundPixel, c.icon);
  }
  EXPECT_EQ(BoxIconForType(0x31), BoxIcon::Warning);
  EXPECT_FALSE(headless->LoopGaveUp());  // every box closed the way the test closed it
}

TEST_F(MessageBoxTest, ShortTextGivesSmallestBoxCentredAboveTheMiddle) {
  Rect rect{};
  Script({[&] { rect = BoxRect(); }, [&] { headless->PressKey(Vk::Escape); }});
  MessageBoxOptions options;
  options.caption = "Quill\xCC\xE1\xCA\xBE\xA3\xBA";
  ShowMessageBox("\xC8\xB7\xC8\xCF\xCD\xCB\xB3\xF6\xA3\xBF", 65, options);
  EXPECT_EQ(rect.width, 350);
  EXPECT_EQ(rect.height, 150);
  EXPECT_EQ(rect.x, 1366 / 2 - 175);
  EXPECT_EQ(rect.y, 316);                // 384 - (40 + 95) / 2, truncated
  EXPECT_FALSE(headless->LoopGaveUp());  // every box closed the way the test closed it
}

TEST_F(MessageBoxTest, EscapeAndCloseButtonDismissFirstButtonConfirms) {
  Script({[&] { headless->PressKey(Vk::Escape); }});
  EXPECT_EQ(ShowMessageBox("ok", 1), kBoxDismissed);
  Script({[&] { ClickInBox(350 - 6 - 16, 10); }});
  EXPECT_EQ(ShowMessageBox("ok", 1), kBoxDismissed);
  Script({[&] { ClickInBox(kFirstOfTwoX, kButtonY); }});
  EXPECT_EQ(ShowMessageBox("ok", 1), kBoxFirstButton);
  EXPECT_EQ(OpenMessageBoxCount(), 0);
  EXPECT_EQ(NewestBox(), 0u);
  EXPECT_FALSE(headless->LoopGaveUp());  // every box closed the way the test closed it
}

TEST_F(MessageBoxTest, NestedBoxOpensOffsetAndOnlyTheNewestStaysEnabled) {
  Rect outer{}, inner{};
  Hwnd outerBox = 0;
  int32_t innerResult = -1;
  bool mainDisabledInside = false, outerDisabledInside = false, outerEnabledAfter = false;
  Script({[&] {
    outer = BoxRect();
    outerBox = NewestBox();
    Script({[&] {
      inner = BoxRect();
      mainDisabledInside = Disabled(main.hwnd);
      outerDisabledInside = Disabled(outerBox);
      ClickInBox(kFirstOfTwoX, kButtonY);
      // The inner box is closing, but the outer one still waits for its answer.
      mainDisabledInside = mainDisabledInside && Disabled(main.hwnd);
    }});
    innerResult = ShowMessageBox("inner", 1);
    // Back in the outer box: it is the only enabled window again.
    outerEnabledAfter = !Disabled(outerBox);
    mainDisabledInside = mainDisabledInside && Disabled(main.hwnd);
    Script({[&] { headless->PressKey(Vk::Escape); }});
  }});
  // The inner box's answer must not become the outer one's.
  EXPECT_EQ(ShowMessageBox("outer", 1), kBoxDismissed);
  EXPECT_EQ(innerResult, kBoxFirstButton);
  EXPECT_EQ(inner.x, outer.x + 10);
  EXPECT_EQ(inner.y, outer.y + 10);
  EXPECT_TRUE(mainDisabledInside);
  EXPECT_TRUE(outerDisabledInside);
  EXPECT_TRUE(outerEnabledAfter);
  EXPECT_FALSE(Disabled(main.hwnd));
  EXPECT_FALSE(headless->LoopGaveUp());  // every box closed the way the test closed it
}

TEST_F(MessageBoxTest, WindowDisabledBeforeTheBoxStaysDisabled) {
  testing::BoundWindow other(testing::WindowSpec{500, 100, 200, 100});
  ws::System().SetStyle(other.hwnd, ws::System().GetStyle(other.hwnd) | Style::Disabled);
  bool mainDisabledInside = false;
  Script({[&] {
    mainDisabledInside = Disabled(main.hwnd);
    headless->PressKey(Vk::Escape);
  }});
  ShowMessageBox("ok", 0);
  EXPECT_TRUE(mainDisabledInside);
  EXPECT_FALSE(Disabled(main.hwnd));
  EXPECT_TRUE(Disabled(other.hwnd));
  EXPECT_FALSE(headless->LoopGaveUp());  // every box closed the way the test closed it
}

TEST_F(MessageBoxTest, QuitWhileOpenEndsTheBoxAndGivesTheWindowsBack) {
  Script({[&] { ws::System().PostQuit(3); }});
  EXPECT_EQ(ShowMessageBox("ok", 1), kBoxDismissed);
  EXPECT_EQ(NewestBox(), 0u);
  EXPECT_EQ(OpenMessageBoxCount(), 0);
  EXPECT_FALSE(Disabled(main.hwnd));
}

TEST_F(MessageBoxTest, LongTextGrowsTheBoxAndWrapsWithinTheScreen) {
  std::string text;
  for (int i = 0; i < 60; ++i) text += "wrapping words ";
  Rect rect{};
  Script({[&] { rect = BoxRect(); }, [&] { headless->PressKey(Vk::Escape); }});
  ShowMessageBox(text, 0);
  EXPECT_LE(rect.width, 1366 - 260 + 90);
  EXPECT_GT(rect.width, 350);
  EXPECT_GT(rect.height, 150);
  EXPECT_FALSE(headless->LoopGaveUp());  // every box closed the way the test closed it
}

TEST_F(MessageBoxTest, EnterSpaceAndTabWorkTheButtonsWithAFocusMark) {
  struct Case {
    std::vector<int> keys;  // pressed in the box, in order
    int32_t result;
  };
  const Case cases[] = {
      {{Vk::Return}, kBoxFirstButton},         // the first button until another is chosen
      {{Vk::Space}, kBoxFirstButton},          // Space presses the focused one too
      {{Vk::Tab, Vk::Return}, kBoxDismissed},  // Tab moves to the second
      {{Vk::Tab, Vk::Space}, kBoxDismissed},  {{Vk::Tab, Vk::Tab, Vk::Return}, kBoxFirstButton},  // and back
      {{Vk::Escape}, kBoxDismissed},
  };
  for (const Case& c : cases) {
    std::vector<Step> steps;
    for (int vk : c.keys) steps.push_back([this, vk] { headless->PressKey(vk); });
    Script(steps);
    EXPECT_EQ(ShowMessageBox("ok", 1), c.result) << c.keys.size() << " " << c.keys.back();
  }
  // Shift+Tab moves back as well; in a one-button box Tab stays and Enter closes it.
  Script({[&] {
            headless->KeyDown(Vk::Shift);
            headless->PressKey(Vk::Tab);
            headless->KeyUp(Vk::Shift);
          },
          [&] { headless->PressKey(Vk::Return); }});
  EXPECT_EQ(ShowMessageBox("ok", 1), kBoxDismissed);
  Script({[&] { headless->PressKey(Vk::Tab); }, [&] { headless->PressKey(Vk::Return); }});
  EXPECT_EQ(ShowMessageBox("notice", 0), kBoxFirstButton);

  // The mark: a dotted frame inside the focused button, which moves with Tab.
  auto markPixels = [&](int32_t left) {
    const auto* picture = headless->Presented(NewestBox());
    int dark = 0;
    for (int x = left + 6; x < left + 64; ++x) {
      const uint32_t p = picture->At(6 + x, 6 + 150 - 45 + 2);  // the mark's top edge, 2 below the button's
      dark += ((p >> 16) & 0xFF) < 0x90;
    }
    return dark;
  };
  int firstBefore = 0, secondBefore = 0, firstAfter = 0, secondAfter = 0;
  Script({[&] {
            firstBefore = markPixels(kFirstOfTwoX - 35);
            secondBefore = markPixels(kSecondSlotX - 35);
            headless->PressKey(Vk::Tab);
          },
          [&] {
            firstAfter = markPixels(kFirstOfTwoX - 35);
            secondAfter = markPixels(kSecondSlotX - 35);
            headless->PressKey(Vk::Escape);
          }});
  ShowMessageBox("ok", 1);
  EXPECT_GT(firstBefore, 10);
  EXPECT_EQ(secondBefore, 0);
  EXPECT_EQ(firstAfter, 0);
  EXPECT_GT(secondAfter, 10);
  EXPECT_FALSE(headless->LoopGaveUp());
}

TEST_F(MessageBoxTest, AClickOnTheWindowABoxDisablesBringsTheBoxForwardWithTheFocus) {
  testing::BoundWindow other(testing::WindowSpec{500, 400, 200, 100});
  main.window->SetBackColor(0xFF336699);  // ink that takes the click
  headless->Advance(50);
  ws::System().SetFocus(main.hwnd);
  Hwnd box = 0, owner = 0, top = 0, focus = 0;
  Script({[&] {
            box = NewestBox();
            owner = ws::System().Owner(box);
            // Something else went on top (the desktop raised the program's window).
            ws::System().SetPosition(main.hwnd, ws::kInsertTop, Rect{}, ws::Swp::NoMove | ws::Swp::NoSize);
            headless->Click({250, 200});  // on the disabled main window, outside the box
            top = ws::System().TopLevelWindows().front();
            focus = ws::System().Focus();
          },
          [&] { headless->PressKey(Vk::Escape); }});
  ShowMessageBox("ok", 1);
  EXPECT_EQ(owner, main.hwnd) << "owned by the window that was active";
  EXPECT_EQ(top, box);
  EXPECT_EQ(focus, box) << "the disabled window is not activated";
  // With no window of the program active, the box serves the program's first window.
  ws::System().SetFocus(0);
  Script({[&] {
    owner = ws::System().Owner(NewestBox());
    // A nested box is owned by the box it was opened from.
    Script({[&] {
      owner = owner == main.hwnd && ws::System().Owner(NewestBox()) == box ? main.hwnd : 0;
      headless->PressKey(Vk::Escape);
    }});
    box = NewestBox();
    ShowMessageBox("inner", 0);
    headless->PressKey(Vk::Escape);
  }});
  ShowMessageBox("ok", 1);
  EXPECT_EQ(owner, main.hwnd);
  EXPECT_FALSE(headless->LoopGaveUp());
}

TEST_F(MessageBoxTest, WithoutABlurredBackdropTheFillIsNearlyOpaqueAndTheCloseMarkShows) {
  uint32_t fill = 0;
  int closeContrast = 0;
  Script({[&] {
    const auto* picture = headless->Presented(NewestBox());
    fill = picture->At(6 + 30, 6 + 100);  // below the icon column, clear of text and buttons
    // The close mark on its light background: its darkest pixel against the fill.
    int darkest = 255;
    for (int y = 6; y < 6 + 24; ++y) {
      for (int x = 350 - 6 - 40; x < 350 - 6; ++x) darkest = std::min(darkest, int((picture->At(x, y) >> 8) & 0xFF));
    }
    closeContrast = int((fill >> 8) & 0xFF) - darkest;
    headless->PressKey(Vk::Escape);
  }});
  ShowMessageBox("ok", 0);
  EXPECT_GE(fill >> 24, 0xE6u);
  EXPECT_GT(closeContrast, 80);
  // A caller's own colour keeps its tint, made as opaque.
  MessageBoxOptions options;
  options.backgroundColor = 0x40102030;
  Script({[&] {
    fill = headless->Presented(NewestBox())->At(6 + 30, 6 + 100);
    headless->PressKey(Vk::Escape);
  }});
  ShowMessageBox("ok", 0, options);
  EXPECT_EQ(fill >> 24, 0xE6u);
  EXPECT_FALSE(headless->LoopGaveUp());
}

}  // namespace
}  // namespace quillmar
