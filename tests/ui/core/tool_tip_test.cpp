// The tooltip window: when it appears, where, with which styles, and its end.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/ws/headless_window_system.h"
#include "ui/core/frame_window.h"
#include "ui/core/process_values.h"
#include "ui/core/tool_tip.h"

namespace quillmar {
namespace {

class ToolTipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitProcessValues("", 1);
    registerFrameClass();
  }
  void TearDown() override { InitProcessValues("", 1); }
  ws::WindowHandle Owner(uint32_t exStyle = 0) {
    FrameWindowArgs args;
    args.x = 100;
    args.y = 100;
    args.width = 400;
    args.height = 300;
    args.exStyle = exStyle;
    return createFrameWindow(args);
  }
  ws::ScopedHeadless hs;
};

TEST_F(ToolTipTest, AppearsAfterTheDelayWhileThePointerRestsOverTheRectangle) {
  const ws::WindowHandle owner = Owner();
  UiToolTip tip;
  hs->MoveMouse({100 + 60, 100 + 30});
  tip.Create(owner, "\xB9\xD8\xB1\xD5", 50, 20, 32, 23);  // 关闭
  ASSERT_NE(tip.Window(), 0);
  EXPECT_FALSE(hs->IsVisible(tip.Window()));
  // The delay is the only timer, and only while the pointer rests on the rectangle.
  EXPECT_EQ(hs->RunningTimerCount(), 1u);
  hs->Advance(450);
  EXPECT_FALSE(tip.TipShown());
  hs->Advance(150);
  ASSERT_TRUE(tip.TipShown());
  EXPECT_EQ(hs->RunningTimerCount(), 0u);
  EXPECT_TRUE(hs->IsVisible(tip.Window()));
  EXPECT_EQ(hs->Focus(), owner) << "showing the tip does not take the focus";
  const Rect r = hs->WindowRect(tip.Window());
  EXPECT_EQ(r.x, 160);
  EXPECT_EQ(r.y, 150) << "just below the pointer";
  const auto* shown = hs->Presented(tip.Window());
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->At(0, 0), 0xFF767676u) << "border";
  EXPECT_EQ(shown->At(2, 2), 0xFFFFFFE1u) << "background";
  bool ink = false;
  for (uint32_t px : shown->pixels) ink = ink || (px & 0xFFFFFF) < 0x808080;
  EXPECT_TRUE(ink) << "the text is drawn";

  hs->MoveMouse({100 + 200, 100 + 200});  // outside the tool rectangle
  EXPECT_FALSE(tip.TipShown());
  EXPECT_FALSE(hs->IsVisible(tip.Window()));
  EXPECT_EQ(hs->RunningTimerCount(), 0u);
  // Passing over the rectangle for less than the delay shows nothing.
  hs->MoveMouse({100 + 60, 100 + 30});
  hs->Advance(300);
  hs->MoveMouse({100 + 200, 100 + 200});
  hs->Advance(1000);
  EXPECT_FALSE(tip.TipShown());
  EXPECT_EQ(hs->RunningTimerCount(), 0u);
}

TEST_F(ToolTipTest, StaysOnTheMonitorUnderThePointer) {
  hs->SetMonitors({{Rect{0, 0, 1366, 768}, Rect{0, 0, 1366, 728}, {}}, {Rect{-1280, 0, 1280, 1024}, {}, {}}});
  const ws::WindowHandle owner = Owner();
  hs->MoveWindow(owner, Rect{-800, 100, 400, 300});
  UiToolTip tip;
  hs->MoveMouse({-800 + 60, 100 + 30});
  tip.Create(owner, "\xB9\xD8\xB1\xD5", 50, 20, 32, 23);
  hs->Advance(600);
  ASSERT_TRUE(tip.TipShown());
  const Rect r = hs->WindowRect(tip.Window());
  EXPECT_EQ(r.Origin(), (Point{-740, 150})) << "below the pointer on the left-hand monitor";
  // At that monitor's right edge the tip is pushed back inside it, not onto the next one.
  tip.Destroy();
  hs->MoveWindow(owner, Rect{-400, 100, 400, 300});
  hs->MoveMouse({-400 + 390, 100 + 30});
  tip.Create(owner, "\xB9\xD8\xB1\xD5", 380, 20, 20, 23);
  hs->Advance(600);
  ASSERT_TRUE(tip.TipShown());
  EXPECT_EQ(hs->WindowRect(tip.Window()).Right(), 0);
}

TEST_F(ToolTipTest, DestroyRemovesTheWindowAndCreateReplacesIt) {
  const ws::WindowHandle owner = Owner();
  UiToolTip tip;
  tip.Create(owner, "a", 0, 0, 10, 10);
  const ws::WindowHandle first = tip.Window();
  tip.Create(owner, "b", 0, 0, 10, 10);
  EXPECT_FALSE(hs->IsWindow(first));
  EXPECT_TRUE(hs->IsWindow(tip.Window()));
  tip.Destroy();
  EXPECT_FALSE(hs->IsWindow(tip.Window()));
  EXPECT_EQ(tip.Window(), 0);
  tip.Destroy();  // twice is harmless
  tip.Create(0, "no owner", 0, 0, 10, 10);
  EXPECT_EQ(tip.Window(), 0);
}

TEST_F(ToolTipTest, TopmostOwnerMakesATopmostTip) {
  UiToolTip tip;
  tip.Create(Owner(ExStyle::Topmost | ExStyle::Layered), "t", 0, 0, 10, 10);
  EXPECT_NE(hs->GetExStyle(tip.Window()) & ExStyle::Topmost, 0u);
  tip.Create(Owner(ExStyle::Layered), "t", 0, 0, 10, 10);
  EXPECT_EQ(hs->GetExStyle(tip.Window()) & ExStyle::Topmost, 0u);
}

TEST_F(ToolTipTest, LayeredFromVersionCodeEight) {
  UiToolTip tip;
  InitProcessValues("6.1", 1);  // code 9
  tip.Create(Owner(), "t", 0, 0, 10, 10);
  EXPECT_NE(hs->GetExStyle(tip.Window()) & ExStyle::Layered, 0u);
  InitProcessValues("5.1", 1);  // code 6
  tip.Create(Owner(), "t", 0, 0, 10, 10);
  EXPECT_EQ(hs->GetExStyle(tip.Window()) & ExStyle::Layered, 0u);
  InitProcessValues("", 1);  // this platform: code 0
  tip.Create(Owner(), "t", 0, 0, 10, 10);
  EXPECT_EQ(hs->GetExStyle(tip.Window()) & ExStyle::Layered, 0u);
}

TEST_F(ToolTipTest, MaxWidthWrapsOnlyWhenGiven) {
  const ws::WindowHandle owner = Owner();
  const std::string text = "a rather long tip text that goes on and on and on";
  UiToolTip tip;
  hs->MoveMouse({110, 110});
  tip.Create(owner, text, 0, 0, 50, 50, 0);
  EXPECT_EQ(tip.MaxWidth(), -1) << "0 leaves the wrapping unchanged";
  hs->Advance(600);
  const int32_t oneLine = hs->WindowRect(tip.Window()).width;
  tip.Create(owner, text, 0, 0, 50, 50, 120);
  EXPECT_EQ(tip.MaxWidth(), 120);
  hs->Advance(600);
  ASSERT_TRUE(tip.TipShown());
  EXPECT_LE(hs->WindowRect(tip.Window()).width, 120);
  EXPECT_LT(hs->WindowRect(tip.Window()).width, oneLine);
  EXPECT_GT(hs->WindowRect(tip.Window()).height, 20) << "wrapped onto several lines";
}

TEST_F(ToolTipTest, ExtraRegionShowsItsOwnTextAndOwnerLossHidesTheTip) {
  const ws::WindowHandle owner = Owner();
  UiToolTip tip;
  tip.Create(owner, "first", 0, 0, 10, 10);
  tip.AddRegion("second", 200, 200, 20, 20);
  hs->MoveMouse({100 + 205, 100 + 205});
  hs->Advance(600);
  EXPECT_TRUE(tip.TipShown());
  hs->ShowWindow(owner, Show::Hide);
  EXPECT_FALSE(tip.TipShown());
}

TEST_F(ToolTipTest, TheTipGoesWhenItsWindowIsMinimisedDeactivatedOrDestroyed) {
  const ws::WindowHandle other = Owner();
  const std::vector<std::function<void(ws::WindowHandle)>> endings = {
      [&](ws::WindowHandle owner) { hs->ShowWindow(owner, Show::Minimize); },
      [&](ws::WindowHandle) { hs->SetFocus(other); },
      [&](ws::WindowHandle owner) { hs->DestroyWindow(owner); },
  };
  for (size_t i = 0; i < endings.size(); ++i) {
    const ws::WindowHandle owner = Owner();
    UiToolTip tip;
    hs->MoveMouse({100 + 5, 100 + 5});
    tip.Create(owner, "tip", 0, 0, 20, 20);
    hs->Advance(600);
    ASSERT_TRUE(tip.TipShown()) << i;
    const ws::WindowHandle window = tip.Window();
    EXPECT_EQ(hs->Owner(window), owner) << "the tip window belongs to its window";
    endings[i](owner);
    // Frames tell the tip; a bare tip hears it with the pointer's next report.
    tip.Recheck();
    EXPECT_FALSE(hs->IsWindow(window) && hs->IsVisible(window)) << i;
    if (hs->IsWindow(owner)) hs->DestroyWindow(owner);
  }
}

TEST_F(ToolTipTest, ReadersFindATooltipNamedByTheShownTextAndNothingOnceItGoes) {
  const ws::WindowHandle owner = Owner();
  UiToolTip tip;
  hs->MoveMouse({100 + 60, 100 + 30});
  tip.Create(owner, "\xB9\xD8\xB1\xD5", 50, 20, 32, 23);       // 关闭
  tip.AddRegion("\xD7\xEE\xD0\xA1\xBB\xAF", 100, 20, 32, 23);  // 最小化
  const ws::WindowHandle window = tip.Window();
  ws::AxProvider* provider = hs->AxProviderOf(window);
  ASSERT_NE(provider, nullptr);
  auto node = provider->Node(provider->RootNode());
  ASSERT_TRUE(node);
  EXPECT_EQ(node->role, ws::AxRole::ToolTip);
  EXPECT_EQ(node->states & ws::AxState::Showing, 0u) << "waiting out the delay";
  EXPECT_TRUE(node->name.empty());
  hs->Advance(600);
  node = provider->Node(provider->RootNode());
  EXPECT_EQ(node->name, "关闭");
  EXPECT_NE(node->states & ws::AxState::Showing, 0u);
  EXPECT_EQ(node->bounds, hs->WindowRect(window));
  hs->MoveMouse({100 + 110, 100 + 30});
  hs->Advance(600);
  EXPECT_EQ(provider->Node(provider->RootNode())->name, "最小化") << "the other region's text";
  // A reader hears the tip come and go, also when it is destroyed while shown.
  hs->SetAxListening(true);
  hs->MoveMouse({100 + 200, 100 + 200});
  hs->MoveMouse({100 + 60, 100 + 30});
  hs->Advance(600);
  tip.Destroy();
  std::vector<bool> showing;
  for (const auto& notice : hs->AxNotices()) {
    if (notice.hwnd == window && notice.event.state == ws::AxState::Showing) showing.push_back(notice.event.on);
  }
  EXPECT_EQ(showing, (std::vector<bool>{false, true, false}));
  EXPECT_EQ(hs->AxProviderOf(window), nullptr) << "no provider left behind for the window";
}

}  // namespace
}  // namespace quillmar
