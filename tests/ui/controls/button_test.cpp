#include "ui/controls/button.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/ui/core/window_test_support.h"
#include "ui/controls/label.h"
#include "ui/controls/pic_box.h"
#include "ui/core/frame.h"
#include "ui/core/tool_tip.h"
#include "ui/core/process_values.h"
#include "ui/core/theme_defaults.h"

namespace quillmar {
namespace {

using testing::WindowFixture;

class UiButtonTest : public ::testing::Test {
 protected:
  void SetUp() override { InitProcessValues("", 1); }
  void TearDown() override { InitProcessValues("", 1); }
};

// Straight colours equal within the rounding of premultiplied storage.
bool NearColor(draw::Argb a, draw::Argb b) {
  for (int shift = 0; shift < 32; shift += 8) {
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 1) return false;
  }
  return true;
}

// The button drawn on its own into a fresh picture.
draw::Bitmap Drawn(UiButton& button) {
  draw::Bitmap out(button.GetWidth() + 1, button.GetHeight() + 1);
  draw::Graphics g(out);
  button.Draw(g, button.GetWidth(), button.GetHeight(), false, false, false, false);
  return out;
}

TEST_F(UiButtonTest, SpaceAndEnterClickTheFocusedButtonWhichShowsItsMarkAfterTab) {
  WindowFixture f;
  UiButton button;
  button.Create(f.window.get(), true, 20, 20, 80, 28, "OK");
  UiButton other;
  other.Create(f.window.get(), true, 120, 20, 80, 28, "Other");
  f.window->SetTabOrder({other.Key(), button.Key()});
  int clicks = 0;
  button.SetUserHandler([&](Hwnd, int32_t, uint32_t msg, WParam, LParam) {
    clicks += msg == Event::Click;
    return 1;
  });
  f.Frame();
  f.headless->Click(other.PointToScreen({10, 10}));
  f.headless->MoveMouse(WindowFixture::At(250, 150));
  f.headless->Advance(600);
  const uint32_t unmarked = f.Pixel(20 + 2, 20 + 2);
  f.headless->PressKey(Vk::Tab);
  f.headless->Advance(600);
  ASSERT_TRUE(button.ShowsFocusMark());
  // The mark's dark line lies two pixels inside the edge.
  EXPECT_NE(f.Pixel(20 + 2, 20 + 2), unmarked);
  EXPECT_EQ(f.Pixel(20 + 2, 20 + 14),
            f.Pixel(20 + 2, 20 + 2) == 0xFFFFFFFF ? f.Pixel(20 + 2, 20 + 14) : f.Pixel(20 + 2, 20 + 14));

  f.headless->KeyDown(Vk::Space);
  EXPECT_EQ(button.GetState(), UiButton::State::Pressed);
  EXPECT_EQ(clicks, 0);
  f.headless->KeyUp(Vk::Space);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(button.GetState(), UiButton::State::Normal);
  f.headless->PressKey(Vk::Return);
  EXPECT_EQ(clicks, 2);
  // Space pressed and the focus gone before its release: no click.
  f.headless->KeyDown(Vk::Space);
  f.headless->PressKey(Vk::Tab);
  f.headless->KeyUp(Vk::Space);
  EXPECT_EQ(clicks, 2);
}

TEST_F(UiButtonTest, OnClickRunsBeforeTheRoutineForEveryKindOfClickAndMayDropTheButton) {
  WindowFixture f;
  auto button = std::make_unique<UiButton>();
  button->Create(f.window.get(), true, 20, 20, 80, 28, "OK");
  std::string log;
  button->onClick = [&] { log += 'o'; };
  button->SetUserHandler([&](Hwnd, int32_t, uint32_t msg, WParam, LParam) {
    if (msg == Event::Click) log += 'u';
    return 1;
  });
  f.Frame();
  f.headless->Click(button->PointToScreen({10, 10}));
  f.headless->PressKey(Vk::Space);
  f.headless->PressKey(Vk::Return);
  EXPECT_EQ(log, "ououou");
  // The owner drops the button on its click: its routine hears nothing more.
  button->onClick = [&] {
    log += 'o';
    button.reset();
  };
  f.headless->PressKey(Vk::Return);
  EXPECT_EQ(button, nullptr);
  EXPECT_EQ(log, "ouououo");
}

TEST_F(UiButtonTest, ClickEndsHoveredAndLeavingOrLosingFocusReturnsToNormal) {
  WindowFixture f;
  UiButton button;
  button.Create(f.window.get(), true, 20, 20, 80, 28, "OK");
  UiButton other;
  other.Create(f.window.get(), true, 120, 20, 80, 28, "Other");
  int clicks = 0;
  button.SetUserHandler([&](Hwnd, int32_t, uint32_t msg, WParam, LParam) {
    clicks += msg == Event::Click;
    return 1;
  });
  f.Frame();
  f.headless->MoveMouse(button.PointToScreen({10, 10}));
  EXPECT_EQ(button.GetState(), UiButton::State::Hover);
  f.headless->PressButton(ws::MouseButton::Left);
  EXPECT_EQ(button.GetState(), UiButton::State::Pressed);
  EXPECT_EQ(button.GetFocusedFlag(), 1);
  f.headless->ReleaseButton(ws::MouseButton::Left);
  EXPECT_EQ(button.GetState(), UiButton::State::Hover);
  EXPECT_EQ(clicks, 1);
  f.headless->MoveMouse(WindowFixture::At(150, 150));
  EXPECT_EQ(button.GetState(), UiButton::State::Normal);
  EXPECT_EQ(button.GetFocusedFlag(), 1);
  // Hovered again, then the focus moves to the other button.
  f.headless->MoveMouse(button.PointToScreen({10, 10}));
  EXPECT_EQ(button.GetState(), UiButton::State::Hover);
  other.Focus();
  EXPECT_EQ(button.GetFocusedFlag(), 0);
  EXPECT_EQ(button.GetState(), UiButton::State::Normal);
  // A transition runs only while the state changes.
  for (int i = 0; i < 20; ++i) f.Frame();
  EXPECT_TRUE(button.TimerIds().empty());
}

TEST_F(UiButtonTest, FillAlphaIsTwentyBelowTheFillAlphaInEveryState) {
  WindowFixture f;
  UiButton strong;
  strong.Create(f.window.get(), true, 10, 10, 60, 30, "");
  Theme().buttonVariant = 1;
  UiButton faint;
  faint.Create(f.window.get(), true, 10, 50, 60, 30, "");
  for (auto [button, alpha] : {std::pair{&strong, 180u}, std::pair{&faint, 30u}}) {
    for (UiButton::State state : {UiButton::State::Normal, UiButton::State::Hover, UiButton::State::Pressed}) {
      button->SetState(state);
      EXPECT_EQ(draw::AlphaOf(Drawn(*button).GetPixel(30, 15)), alpha) << static_cast<int>(state);
    }
  }
  // The hover tint is the accent averaged with white, the pressed one the accent.
  strong.SetAccentColor(0xFF204080);
  strong.SetState(UiButton::State::Hover);
  EXPECT_PRED2(NearColor, Drawn(strong).GetPixel(30, 15), 0xB48F9FBFu);
  strong.SetState(UiButton::State::Pressed);
  EXPECT_PRED2(NearColor, Drawn(strong).GetPixel(30, 15), 0xB4204080u);
}

TEST_F(UiButtonTest, BorderIsFaintUnlessFocusedOrActiveAndShowsOnAllFourSides) {
  WindowFixture f;
  UiButton button;
  // A fill alpha below 20 leaves the fill clear instead of wrapping to opaque.
  button.Create(f.window.get(), true, 20, 20, 60, 30, "", {}, {}, {}, {}, {}, {}, 10);
  auto sides = [&] {
    const draw::Bitmap b = Drawn(button);
    EXPECT_EQ(b.GetPixel(30, 15), 0u);
    return std::array{b.GetPixel(0, 15), b.GetPixel(59, 15), b.GetPixel(30, 0), b.GetPixel(30, 29)};
  };
  for (draw::Argb side : sides()) EXPECT_EQ(side, 0x64808080u);
  f.Frame();
  f.headless->Click(button.PointToScreen({5, 5}));
  f.headless->MoveMouse(WindowFixture::At(200, 150));
  ASSERT_EQ(button.GetState(), UiButton::State::Normal);
  for (draw::Argb side : sides()) EXPECT_EQ(side, 0xC8808080u);
}

TEST_F(UiButtonTest, DisablingAHoveredButtonDropsItsHoverLook) {
  WindowFixture f;
  UiButton button;
  button.Create(f.window.get(), true, 20, 20, 60, 30, "Go");
  f.Frame();
  f.headless->MoveMouse(button.PointToScreen({5, 5}));
  ASSERT_EQ(button.GetState(), UiButton::State::Hover);
  button.SetDisabled(1);
  EXPECT_EQ(button.GetState(), UiButton::State::Normal);
}

TEST_F(UiButtonTest, UnwrappedTextStaysOnOneLineAndWrappedTextTakesTwo) {
  WindowFixture f;
  UiButton button;
  button.Create(f.window.get(), true, 20, 20, 70, 60, "a rather long caption", {}, {}, {}, {}, 0u, 0u);
  auto inkRows = [&] {
    const draw::Bitmap b = Drawn(button);
    int top = 100, bottom = -1;
    for (int y = 0; y < 60; ++y) {
      for (int x = 0; x < 70; ++x) {
        if (draw::AlphaOf(b.GetPixel(x, y)) == 255) top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    return bottom - top + 1;
  };
  const int wrapped = inkRows();
  button.SetTextFlags(0);
  const int cut = inkRows();
  EXPECT_LE(cut, 14);
  EXPECT_GT(wrapped, cut + 8);
}

TEST_F(UiButtonTest, DuringAFadeTheTextStaysSharpOnTopOfTheFadingFill) {
  WindowFixture f;
  UiButton button;
  // Black text without a shadow over a light fill.
  button.Create(f.window.get(), true, 20, 20, 80, 30, "Press me", {}, {}, 0xFF000000u, {}, {}, 0u);
  f.Frame();
  auto picture = [&] {
    std::vector<int> darkness;  // 0 light .. 255 black, per pixel of the button
    for (int y = 20; y < 50; ++y) {
      for (int x = 20; x < 100; ++x) {
        const uint32_t p = f.Pixel(x, y);
        darkness.push_back(255 - static_cast<int>(std::max({(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF})));
      }
    }
    return darkness;
  };
  f.headless->MoveMouse(button.PointToScreen({5, 5}));
  for (int i = 0; i < 20; ++i) f.Frame();
  const auto hovered = picture();
  f.headless->PressButton(ws::MouseButton::Left);
  f.Frame();  // one step into the pressed fade: the fill is part way
  ASSERT_TRUE(button.TransitionRunning());
  const auto fading = picture();
  for (int i = 0; i < 20; ++i) f.Frame();
  ASSERT_FALSE(button.TransitionRunning());
  const auto pressed = picture();
  // Where the pressed text (a pixel right and down) lies, the fading picture
  // is as dark as it ends up: the text is not blended with the old one.
  int blurred = 0;
  for (size_t i = 0; i < fading.size(); ++i) {
    if (pressed[i] > 150) blurred += std::abs(fading[i] - pressed[i]) > 40;
  }
  EXPECT_GT(std::count_if(pressed.begin(), pressed.end(), [](int d) { return d > 150; }), 20);
  EXPECT_NE(hovered, pressed);
  EXPECT_EQ(blurred, 0);
  f.headless->ReleaseButton(ws::MouseButton::Left);
}

TEST_F(UiButtonTest, OnlyControlsThatFollowADragTakeTheMouseOnAPress) {
  WindowFixture f;
  UiButton button;
  button.Create(f.window.get(), true, 20, 20, 60, 30, "Go");
  UiLabel label;
  label.Create(f.window.get(), true, 100, 20, 60, 30, "text");
  UiPicBox picture;
  picture.Create(f.window.get(), true, 180, 20, 40, 40, {});
  f.Frame();
  ws::WindowSystem& sys = ws::System();
  for (UiControl* control : std::initializer_list<UiControl*>{&label, &picture}) {
    f.headless->MoveMouse(control->PointToScreen({5, 5}));
    f.headless->PressButton(ws::MouseButton::Left);
    EXPECT_EQ(sys.Capture(), 0) << control->GetTag();
    EXPECT_EQ(control->GetPressed(), 0);
    f.headless->ReleaseButton(ws::MouseButton::Left);
  }
  f.headless->MoveMouse(button.PointToScreen({5, 5}));
  f.headless->PressButton(ws::MouseButton::Left);
  EXPECT_EQ(sys.Capture(), f.hwnd);
  // A lost capture drops the pressed look at once.
  sys.ReleaseCapture();
  EXPECT_EQ(button.GetState(), UiButton::State::Hover);
  EXPECT_EQ(button.GetPressed(), 0);
  f.headless->ReleaseButton(ws::MouseButton::Left);
}

TEST_F(UiButtonTest, ATipShowsForTheButtonThePointerMovesToStraightFromAnother) {
  WindowFixture f;
  UiButton search;
  search.Create(f.window.get(), true, 20, 20, 60, 28, "Go", {}, {}, {}, {}, {}, {}, {}, 0, "go tip");
  UiButton next;
  next.Create(f.window.get(), true, 80, 20, 60, 28, "Next", {}, {}, {}, {}, {}, {}, {}, 0, "next tip");
  f.Frame();
  f.headless->MoveMouse(search.PointToScreen({10, 10}));
  f.headless->Advance(1000);
  const UiToolTip* tip = f.window->Frame()->Tip();
  ASSERT_NE(tip, nullptr);
  EXPECT_TRUE(tip->TipShown());
  // Straight onto the neighbour: its enter comes before the first one's leave.
  f.headless->MoveMouse(next.PointToScreen({10, 10}));
  f.headless->Advance(1000);
  ASSERT_NE(f.window->Frame()->Tip(), nullptr);
  EXPECT_TRUE(f.window->Frame()->Tip()->TipShown());
  // The window losing the focus, or being minimised, takes the tip away at once.
  const Hwnd other = testing::OpenTestWindow({.x = 600, .y = 100, .width = 50, .height = 50});
  EXPECT_FALSE(f.window->Frame()->Tip()->TipShown());
  ws::System().SetFocus(f.hwnd);
  f.headless->MoveMouse(search.PointToScreen({12, 10}));
  f.headless->Advance(1000);
  ASSERT_TRUE(f.window->Frame()->Tip()->TipShown());
  ws::System().ShowWindow(f.hwnd, Show::Minimize);
  EXPECT_FALSE(f.window->Frame()->Tip()->TipShown());
  ws::System().DestroyWindow(other);
}

}  // namespace
}  // namespace quillmar
