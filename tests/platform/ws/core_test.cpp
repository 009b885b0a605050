// Rules of the shared window-system core, driven through the headless backend.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <cairo.h>
#endif

#include <atomic>
#include <cstdio>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/ws/headless_window_system.h"
#include "tests/platform/ws/scenario_driver.h"

namespace quillmar::ws {
namespace {

using testing::MessageLog;

class WindowCore : public ::testing::Test {
 protected:
  WindowHandle Open(const std::string& cls, Rect r, uint32_t style = Style::Popup | Style::Visible,
                    uint32_t exStyle = 0, WindowHandle owner = 0) {
    WindowCreateParams p;
    p.className = cls;
    p.title = cls + " window";
    p.x = r.x;
    p.y = r.y;
    p.width = r.width;
    p.height = r.height;
    p.style = style;
    p.exStyle = exStyle;
    p.owner = owner;
    return hs->OpenWindow(p);
  }
  void AddClass(const std::string& name, WindowProc proc, uint32_t style = 0) {
    WindowClass c;
    c.name = name;
    c.proc = std::move(proc);
    c.style = style;
    c.cursor = hs->LoadSystemCursor(SystemCursor::Arrow);
    hs->AddWindowClass(c);
  }
  void Present(WindowHandle h, Rect r, uint32_t colour) {
    pixels.assign(static_cast<size_t>(r.width) * r.height, colour);
    hs->PresentLayered(h, {r.x, r.y}, {r.width, r.height}, PixelView{pixels.data(), r.width, r.height, r.width * 4},
                       255);
  }

  ScopedHeadless hs;
  MessageLog log;
  std::vector<uint32_t> pixels;
};

TEST_F(WindowCore, CreationSendsCreateSizeMoveThenShowsAndFocuses) {
  AddClass("A", log.Proc(*hs));
  const WindowHandle h = Open("A", {10, 20, 100, 50});
  ASSERT_NE(h, 0);
  const std::vector<uint32_t> expected = {Msg::Create, Msg::Size, Msg::Move, Msg::ShowWindow, Msg::SetFocus};
  EXPECT_EQ(log.Messages(), expected);
  EXPECT_EQ(log.Of(Msg::Size)[0].lParam, static_cast<LParam>(MakeLong(100, 50)));
  EXPECT_EQ(log.Of(Msg::Move)[0].lParam, static_cast<LParam>(MakeLong(10, 20)));
  EXPECT_TRUE(hs->IsVisible(h));
  EXPECT_EQ(hs->GetStyle(h) & Style::Visible, Style::Visible);
  EXPECT_EQ(hs->Focus(), h);
  EXPECT_EQ(hs->FindWindowByTitle("A window"), h);
}

TEST_F(WindowCore, CreationFailsForUnknownClassOrRefusedCreate) {
  EXPECT_EQ(Open("missing", {0, 0, 10, 10}), 0);
  AddClass("Refuses",
           [](WindowHandle, uint32_t msg, WParam, LParam) -> LResult { return msg == Msg::Create ? -1 : 0; });
  EXPECT_EQ(Open("Refuses", {0, 0, 10, 10}), 0);
  EXPECT_TRUE(hs->TopLevelWindows().empty());
  WindowClass dup;
  dup.name = "Refuses";
  EXPECT_FALSE(hs->AddWindowClass(dup)) << "a taken name keeps its first registration";
}

TEST_F(WindowCore, SubclassingCallsThePreviousProcedure) {
  AddClass("Base", log.Proc(*hs));
  const WindowHandle h = Open("Base", {0, 0, 50, 50});
  std::vector<uint32_t> seen;
  WindowProc previous = hs->GetWindowProc(h);
  WindowProc old = hs->ReplaceWindowProc(h, [&](WindowHandle w, uint32_t m, WParam wp, LParam lp) -> LResult {
    seen.push_back(m);
    return hs->CallProc(previous, w, m, wp, lp) + 1;
  });
  ASSERT_TRUE(static_cast<bool>(old));
  log.Clear();
  EXPECT_EQ(hs->Send(h, Msg::User, 0, 0), 1);
  EXPECT_EQ(seen, std::vector<uint32_t>{Msg::User});
  EXPECT_EQ(log.Count(Msg::User), 1u);
  // Close through the chain reaches the default procedure, which destroys.
  hs->Send(h, Msg::Close, 0, 0);
  EXPECT_FALSE(hs->IsWindow(h));
  EXPECT_EQ(log.Messages().back(), Msg::NcDestroy);
}

TEST_F(WindowCore, ProcedureMayReplaceItselfWhileRunning) {
  AddClass("Self", {});
  const WindowHandle h = Open("Self", {0, 0, 10, 10});
  int calls = 0;
  hs->ReplaceWindowProc(h, [&](WindowHandle w, uint32_t, WParam, LParam) -> LResult {
    hs->ReplaceWindowProc(w, {});  // the running closure must stay alive
    return ++calls;
  });
  EXPECT_EQ(hs->Send(h, Msg::User, 0, 0), 1);
  EXPECT_EQ(hs->Send(h, Msg::User, 0, 0), 0);
}

TEST_F(WindowCore, DestroyingTakesOwnedWindowsFirstAndReturnsFocusToTheOwner) {
  AddClass("L", log.Proc(*hs));
  const WindowHandle owner = Open("L", {0, 0, 100, 100});
  const WindowHandle popup = Open("L", {10, 10, 40, 40}, Style::Popup | Style::Visible, 0, owner);
  EXPECT_EQ(hs->Focus(), popup);
  EXPECT_EQ(hs->Owner(popup), owner);
  log.Clear();
  hs->DestroyWindow(popup);
  EXPECT_EQ(hs->Focus(), owner);
  ASSERT_EQ(log.Count(Msg::KillFocus), 1u);
  EXPECT_EQ(log.Of(Msg::KillFocus)[0].hwnd, popup);
  EXPECT_EQ(log.Of(Msg::SetFocus)[0].hwnd, owner);

  const WindowHandle popup2 = Open("L", {10, 10, 40, 40}, Style::Popup | Style::Visible, 0, owner);
  log.Clear();
  hs->DestroyWindow(owner);
  EXPECT_FALSE(hs->IsWindow(popup2));
  const auto destroys = log.Of(Msg::Destroy);
  ASSERT_EQ(destroys.size(), 2u);
  EXPECT_EQ(destroys[0].hwnd, popup2);
  EXPECT_EQ(destroys[1].hwnd, owner);
}

TEST_F(WindowCore, KillFocusHandlerThatDestroysIsSafe) {
  // The menu's procedure closes its window when it loses the focus.
  AddClass("Menu", [&](WindowHandle w, uint32_t m, WParam wp, LParam lp) -> LResult {
    if (m == Msg::KillFocus) {
      hs->DestroyWindow(w);
      return 0;
    }
    return hs->DefaultProc(w, m, wp, lp);
  });
  AddClass("Main", log.Proc(*hs));
  const WindowHandle main = Open("Main", {0, 0, 300, 300});
  const WindowHandle menu =
      Open("Menu", {50, 50, 50, 50}, Style::Popup | Style::Visible, ExStyle::ToolWindow | ExStyle::Topmost, main);
  EXPECT_EQ(hs->Focus(), menu);
  hs->SetFocus(main);
  EXPECT_FALSE(hs->IsWindow(menu));
  EXPECT_EQ(hs->Focus(), main);
  const WindowHandle menu2 = Open("Menu", {50, 50, 50, 50}, Style::Popup | Style::Visible, 0, main);
  hs->DestroyWindow(menu2);  // focused while destroyed: KillFocus destroys again, which is refused
  EXPECT_FALSE(hs->IsWindow(menu2));
}

TEST_F(WindowCore, SystemCommandsMinimiseMaximiseAndRestore) {
  AddClass("S", log.Proc(*hs, [&](WindowHandle, uint32_t m, WParam, LParam lp) -> std::optional<LResult> {
    if (m == Msg::GetMinMaxInfo) {
      auto* info = reinterpret_cast<MinMaxInfo*>(lp);
      info->maxSize = {1366 + 12, 728 + 12};
      info->maxPosition = {-6, -6};
      return 0;
    }
    return std::nullopt;
  }));
  const Rect normal{100, 100, 544, 445};
  const WindowHandle h = Open("S", normal);
  log.Clear();
  hs->Send(h, Msg::SysCommand, SysCmd::Minimize, 0);
  EXPECT_TRUE(hs->IsIconic(h));
  EXPECT_TRUE(hs->IsVisible(h));
  EXPECT_EQ(log.Of(Msg::Size).back().wParam, ToWire(SizeKind::Minimized));
  EXPECT_EQ(hs->Placement(h).showCmd, Show::Minimized);
  hs->ShowWindow(h, Show::Restore);
  EXPECT_FALSE(hs->IsIconic(h));
  EXPECT_EQ(hs->WindowRect(h), normal);

  hs->ShowWindow(h, Show::Maximized);
  EXPECT_TRUE(hs->IsZoomed(h));
  EXPECT_EQ(hs->WindowRect(h), (Rect{-6, -6, 1378, 740}));
  EXPECT_EQ(log.Of(Msg::Size).back().wParam, ToWire(SizeKind::Maximized));
  EXPECT_EQ(hs->Placement(h).normal, normal);
  hs->ShowWindow(h, Show::Normal);
  EXPECT_FALSE(hs->IsZoomed(h));
  EXPECT_EQ(hs->WindowRect(h), normal);
  EXPECT_EQ(log.Of(Msg::Size).back().lParam, static_cast<LParam>(MakeLong(544, 445)));

  hs->ShowWindow(h, Show::Maximized);
  hs->Send(h, Msg::SysCommand, SysCmd::Minimize, 0);
  hs->ShowWindow(h, Show::Restore);
  EXPECT_TRUE(hs->IsZoomed(h)) << "restored to the maximised state it was minimised from";
  hs->ShowWindow(h, Show::Normal);
  EXPECT_EQ(hs->WindowRect(h), normal);

  hs->ShowWindow(h, Show::Hide);
  EXPECT_FALSE(hs->IsVisible(h));
  EXPECT_EQ(log.Of(Msg::ShowWindow).back().wParam, 0u);
}

TEST_F(WindowCore, SetCursorOnTheClientAreaShowsTheClassCursor) {
  AddClass("C", {});
  const WindowHandle h = Open("C", {0, 0, 50, 50});
  const CursorHandle hand = hs->LoadSystemCursor(SystemCursor::Hand);
  hs->SetClassCursor(h, hand);
  EXPECT_EQ(hs->Send(h, Msg::SetCursor, static_cast<WParam>(h),
                     static_cast<LParam>(MakeLong(ToWire(HitTest::Client), Msg::MouseMove))),
            1);
  EXPECT_EQ(hs->CurrentCursor(), hand);
  hs->Send(h, Msg::SetCursor, static_cast<WParam>(h),
           static_cast<LParam>(MakeLong(ToWire(HitTest::Left), Msg::MouseMove)));
  EXPECT_EQ(hs->SystemCursorOf(hs->CurrentCursor()), SystemCursor::SizeWe);
}

TEST_F(WindowCore, DisabledWindowGetsNoInput) {
  AddClass("D", log.Proc(*hs), ClassStyle::DblClks);
  const WindowHandle h = Open("D", {0, 0, 100, 100});
  hs->SetStyle(h, hs->GetStyle(h) | Style::Disabled);
  EXPECT_FALSE(hs->IsEnabled(h));
  log.Clear();
  hs->Click({10, 10});
  hs->PressKey('A');
  EXPECT_EQ(log.Count(Msg::LButtonDown), 0u);
  EXPECT_EQ(log.Count(Msg::KeyDown), 0u);
  hs->SetStyle(h, hs->GetStyle(h) & ~Style::Disabled);
  hs->Advance(600);
  hs->Click({10, 10});
  EXPECT_EQ(log.Count(Msg::LButtonDown), 1u);
}

TEST_F(WindowCore, DoubleClickNeedsTheClassStyle) {
  AddClass("NoDbl", log.Proc(*hs));
  Open("NoDbl", {0, 0, 100, 100});
  log.Clear();
  hs->DoubleClick({10, 10});
  EXPECT_EQ(log.Count(Msg::LButtonDown), 2u);
  EXPECT_EQ(log.Count(Msg::LButtonDblClk), 0u);
  hs->Advance(600);
  log.Clear();
  hs->Click({10, 10});
  hs->Advance(501);
  hs->Click({10, 10});
  EXPECT_EQ(log.Count(Msg::LButtonDown), 2u) << "too slow for a double click";
}

// Both backends pair their presses in the core; the headless one with its clock.
TEST_F(WindowCore, PressesPairOnlyWithinTheTimeTheBoxAndTheButton) {
  AddClass("P", log.Proc(*hs), ClassStyle::DblClks);
  Open("P", {0, 0, 100, 100});
  struct Case {
    Point second;
    MouseButton button;
    int64_t later;
    bool paired;
  };
  const Case cases[] = {
      {{12, 8}, MouseButton::Left, 500, true},     // at the limits
      {{13, 10}, MouseButton::Left, 100, false},   // three pixels off
      {{10, 10}, MouseButton::Left, 501, false},   // too slow
      {{10, 10}, MouseButton::Right, 100, false},  // another button
  };
  for (const Case& c : cases) {
    hs->Advance(1000);  // nothing pairs with the case before
    log.Clear();
    hs->Click({10, 10});
    hs->Advance(c.later);
    hs->Click(c.second, c.button);
    EXPECT_EQ(log.Count(Msg::LButtonDblClk) + log.Count(Msg::RButtonDblClk), c.paired ? 1u : 0u)
        << c.second.x << "," << c.second.y << " +" << c.later << " ms";
  }
  // A third quick press starts a new pair rather than ending another.
  hs->Advance(1000);
  log.Clear();
  for (int i = 0; i < 4; ++i) {
    hs->Click({10, 10});
    hs->Advance(100);
  }
  EXPECT_EQ(log.Count(Msg::LButtonDblClk), 2u);
  EXPECT_EQ(log.Count(Msg::LButtonDown), 2u);
}

TEST_F(WindowCore, WindowTickHasATenMillisecondMinimum) {
  int ticks = 0;
  const uint32_t id = hs->SetWindowTimer(0, 0, 1, [&](uint32_t) { ++ticks; });
  EXPECT_NE(id, 0u);
  int fast = 0;
  const uint32_t element = hs->StartPeriodicTimer(1, [&](uint32_t) { ++fast; });
  hs->Advance(1000);
  EXPECT_EQ(ticks, 100);
  EXPECT_EQ(fast, 1000) << "element timers keep their own interval";
  EXPECT_TRUE(hs->KillWindowTimer(0, id));
  EXPECT_TRUE(hs->StopPeriodicTimer(element));
  EXPECT_FALSE(hs->StopPeriodicTimer(element));
  EXPECT_EQ(hs->RunningTimerCount(), 0u);
}

TEST_F(WindowCore, TimerWithoutCallbackPostsTimerMessagesAndDiesWithItsWindow) {
  AddClass("T", log.Proc(*hs));
  const WindowHandle h = Open("T", {0, 0, 10, 10});
  EXPECT_EQ(hs->SetWindowTimer(h, 5, 30, {}), 5u);
  hs->Advance(90);
  ASSERT_EQ(log.Count(Msg::Timer), 3u);
  EXPECT_EQ(log.Of(Msg::Timer)[0].wParam, 5u);
  hs->SetWindowTimer(h, 5, 100, {});  // same id: replaced, not added
  EXPECT_EQ(hs->RunningTimerCount(), 1u);
  hs->DestroyWindow(h);
  EXPECT_EQ(hs->RunningTimerCount(), 0u);

  // A timer set while the window handles its destruction goes with it too.
  int late = 0;
  AddClass("LateTimer", [&](WindowHandle w, uint32_t m, WParam wp, LParam lp) -> LResult {
    if (m == Msg::Destroy) hs->SetWindowTimer(w, 9, 10, [&](uint32_t) { ++late; });
    return hs->DefaultProc(w, m, wp, lp);
  });
  hs->DestroyWindow(Open("LateTimer", {0, 0, 10, 10}));
  hs->Advance(100);
  EXPECT_EQ(late, 0);
  EXPECT_EQ(hs->RunningTimerCount(), 0u);
}

TEST_F(WindowCore, ATimerStoppedByAnotherDoesNotFireLate) {
  uint32_t second = 0;
  int secondTicks = 0;
  hs->StartPeriodicTimer(10, [&](uint32_t) { hs->StopPeriodicTimer(second); });
  second = hs->StartPeriodicTimer(10, [&](uint32_t) { ++secondTicks; });
  hs->Advance(100);
  EXPECT_EQ(secondTicks, 0);
}

TEST_F(WindowCore, PostsToADestroyedWindowAreDropped) {
  AddClass("P", log.Proc(*hs));
  const WindowHandle h = Open("P", {0, 0, 10, 10});
  hs->Post(h, Msg::User, 0, 0);
  hs->DestroyWindow(h);
  hs->RunPending();
  EXPECT_EQ(log.Count(Msg::User), 0u);
}

TEST_F(WindowCore, SendFromAWorkerRunsOnTheUiThread) {
  AddClass("W", log.Proc(*hs, [&](WindowHandle, uint32_t m, WParam w, LParam) -> std::optional<LResult> {
    if (m == Msg::User) return static_cast<LResult>(w * 2 + (hs->OnUiThread() ? 1 : 0));
    return std::nullopt;
  }));
  const WindowHandle h = Open("W", {0, 0, 10, 10});
  std::atomic<LResult> result{0};
  std::thread worker([&] { result = hs->Send(h, Msg::User, 20, 0); });
  ASSERT_TRUE(hs->RunUntil([&] { return result.load() != 0; }));
  worker.join();
  EXPECT_EQ(result.load(), 41);
}

TEST_F(WindowCore, LayeredPresentationNeedsTheStyleAndCopiesThePixels) {
  AddClass("P", {});
  const Rect r{100, 100, 4, 2};
  const WindowHandle plain = Open("P", r);
  std::vector<uint32_t> src(8, 0x80402010);
  const PixelView view{src.data(), 4, 2, 16};
  EXPECT_FALSE(hs->PresentLayered(plain, {100, 100}, {4, 2}, view, 255));
  const WindowHandle layered = Open("P", r, Style::Popup | Style::Visible, ExStyle::Layered);
  ASSERT_TRUE(hs->PresentLayered(layered, {120, 130}, {4, 2}, view, 128));
  src[0] = 0;
  const auto* shown = hs->Presented(layered);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->At(0, 0), 0x80402010u);
  EXPECT_EQ(shown->alpha, 128);
  EXPECT_EQ(hs->WindowRect(layered), (Rect{120, 130, 4, 2})) << "presenting moves the window";
}

TEST_F(WindowCore, TransparentPixelsLetTheMouseThrough) {
  AddClass("Under", log.Proc(*hs));
  AddClass("Over", {});
  const WindowHandle under = Open("Under", {0, 0, 200, 200});
  const WindowHandle over = Open("Over", {0, 0, 100, 100}, Style::Popup | Style::Visible, ExStyle::Layered);
  EXPECT_EQ(hs->WindowAt({50, 50}), under) << "a layered window shows nothing before its first picture";
  std::vector<uint32_t> px(100 * 100, 0xFF000000);
  for (int x = 0; x < 100; ++x) px[50 * 100 + x] = 0;  // one clear row
  hs->PresentLayered(over, {0, 0}, {100, 100}, PixelView{px.data(), 100, 100, 400}, 255);
  EXPECT_EQ(hs->WindowAt({50, 49}), over);
  EXPECT_EQ(hs->WindowAt({50, 50}), under);
}

TEST_F(WindowCore, ADamagedPresentCopiesOnlyTheDamageAndKeepsTheHitShapeInStep) {
  AddClass("D", {});
  const WindowHandle h = Open("D", {0, 0, 8, 4}, Style::Popup | Style::Visible, ExStyle::Layered);
  std::vector<uint32_t> px(8 * 4, 0xFF112233);
  const PixelView view{px.data(), 8, 4, 32};
  ASSERT_TRUE(hs->PresentLayered(h, {0, 0}, {8, 4}, view, 255));
  const auto* shown = hs->Presented(h);
  EXPECT_EQ(shown->damage, std::vector<Rect>{Rect(0, 0, 8, 4)});
  // Every pixel changes, but only the damage (clipped to the window) is taken.
  std::fill(px.begin(), px.end(), 0u);
  const std::vector<Rect> damage{Rect{1, 1, 2, 1}, Rect{6, 2, 9, 9}};
  ASSERT_TRUE(hs->PresentLayered(h, {0, 0}, {8, 4}, view, 255, PresentDamage::Of(damage)));
  EXPECT_EQ(shown->damage, (std::vector<Rect>{Rect{1, 1, 2, 1}, Rect{6, 2, 2, 2}}));
  EXPECT_EQ(shown->copiedPixels, 32 + 2 + 4);
  EXPECT_EQ(shown->At(1, 1), 0u);
  EXPECT_EQ(shown->At(0, 0), 0xFF112233u);
  // Clicks follow what the screen shows: through the cleared pixels only.
  EXPECT_EQ(hs->WindowAt({2, 1}), 0);
  EXPECT_EQ(hs->WindowAt({7, 3}), 0);
  EXPECT_EQ(hs->WindowAt({0, 0}), h);
  // A new constant alpha alone copies nothing; a new size takes everything.
  ASSERT_TRUE(hs->PresentLayered(h, {0, 0}, {8, 4}, view, 128, PresentDamage::Of({})));
  EXPECT_TRUE(shown->damage.empty());
  EXPECT_EQ(shown->alpha, 128);
  ASSERT_TRUE(hs->PresentLayered(h, {0, 0}, {8, 3}, view, 255, PresentDamage::Of(damage)));
  EXPECT_EQ(shown->damage, std::vector<Rect>{Rect(0, 0, 8, 3)});
  EXPECT_EQ(hs->WindowAt({0, 0}), 0);
}

TEST_F(WindowCore, TheHitShapeIsSetAgainOnlyWhenInkComesOrGoes) {
  AddClass("S", {});
  const WindowHandle h = Open("S", {0, 0, 6, 2}, Style::Popup | Style::Visible, ExStyle::Layered);
  std::vector<uint32_t> px(6 * 2, 0xFF000000);
  px[0] = 0;
  const PixelView view{px.data(), 6, 2, 24};
  hs->ResetPresentStatistics();
  hs->PresentLayered(h, {0, 0}, {6, 2}, view, 255);
  EXPECT_EQ(hs->PresentStatistics().shapeUpdates, 1);
  // New colours, the same alpha: the shape stays as it is.
  for (uint32_t& p : px) p = p == 0 ? 0 : 0xFF808080;
  const std::vector<Rect> all{Rect{0, 0, 6, 2}};
  hs->PresentLayered(h, {0, 0}, {6, 2}, view, 255, PresentDamage::Of(all));
  EXPECT_EQ(hs->PresentStatistics().shapeUpdates, 1);
  // Ink gone from one pixel and come to another: set again, run by run.
  px[0] = 0x80808080;
  px[6 + 5] = 0;
  hs->PresentLayered(h, {0, 0}, {6, 2}, view, 255, PresentDamage::Of(all));
  EXPECT_EQ(hs->PresentStatistics().shapeUpdates, 2);
  EXPECT_EQ(hs->Presented(h)->shape.Runs(), (std::vector<Rect>{Rect{0, 0, 6, 1}, Rect{0, 1, 5, 1}}));
  EXPECT_EQ(hs->PresentStatistics().presents, 3);
}

TEST_F(WindowCore, FramesArePacedAndSleepWhenNobodyAsks) {
  AddClass("F", {});
  const WindowHandle h = Open("F", {0, 0, 10, 10});
  std::vector<int64_t> frames;
  std::function<void(int64_t)> again = [&](int64_t now) {
    frames.push_back(now);
    if (frames.size() < 4) hs->RequestFrame(h, again);
  };
  // Quiet before: the first frame comes at once, the next ones a frame apart.
  const int64_t start = hs->NowMs();
  ASSERT_TRUE(hs->RequestFrame(h, again));
  ASSERT_TRUE(hs->RequestFrame(h, again));  // asked twice, served once
  hs->Advance(200);
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[0], start);
  for (size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i] - frames[i - 1], WindowSystemCore::kFallbackFrameMs);
  EXPECT_EQ(hs->RunningTimerCount(), 0u);
  EXPECT_FALSE(hs->RequestFrame(0x7777, again));
}

TEST_F(WindowCore, QuitInsideANestedLoopReachesTheOuterLoop) {
  AddClass("Q", {});
  const WindowHandle box = Open("Q", {0, 0, 10, 10});
  hs->PostQuit(3);
  EXPECT_FALSE(hs->RunModalLoop(box));
  EXPECT_EQ(hs->RunLoop(), 3);
  // A loop with nothing left to do gives up instead of hanging the test.
  EXPECT_TRUE(hs->RunModalLoop(box));
  EXPECT_TRUE(hs->LoopGaveUp());
}

TEST_F(WindowCore, IdleScriptDrivesAModalLoop) {
  AddClass("Box", log.Proc(*hs));
  const WindowHandle box = Open("Box", {0, 0, 100, 100});
  int step = 0;
  hs->SetIdleScript([&] {
    ++step;
    if (step == 1) hs->PressKey(Vk::Escape);
    if (step == 2) hs->Click({10, 10});
    if (step == 3) hs->Send(box, Msg::Close, 0, 0);
    return step < 3;
  });
  EXPECT_TRUE(hs->RunModalLoop(box));
  EXPECT_FALSE(hs->IsWindow(box));
  EXPECT_EQ(log.Count(Msg::KeyDown), 1u);
  EXPECT_EQ(log.Count(Msg::LButtonUp), 1u);
}

TEST_F(WindowCore, CtrlStateAndControlCharacters) {
  AddClass("K", log.Proc(*hs));
  Open("K", {0, 0, 10, 10});
  hs->KeyDown(Vk::Control);
  EXPECT_TRUE(hs->IsKeyDown(Vk::LControl));
  EXPECT_TRUE(hs->IsKeyDown(Vk::Control));
  hs->PressKey('V');
  hs->KeyUp(Vk::Control);
  EXPECT_FALSE(hs->IsKeyDown(Vk::LControl));
  ASSERT_EQ(log.Count(Msg::Char), 1u);
  EXPECT_EQ(log.Of(Msg::Char)[0].wParam, 22u);
}

TEST_F(WindowCore, ACharacterStaysWithTheWindowItsKeyWentTo) {
  // A popup that Space closes, over the window that had the keyboard before it.
  AddClass("Owner", log.Proc(*hs));
  const WindowHandle owner = Open("Owner", {0, 0, 100, 100});
  AddClass("Popup", [&](WindowHandle w, uint32_t m, WParam wp, LParam lp) -> LResult {
    if (m == Msg::KeyDown && wp == static_cast<WParam>(Vk::Space)) hs->DestroyWindow(w);
    return hs->DefaultProc(w, m, wp, lp);
  });
  const WindowHandle popup = Open("Popup", {10, 10, 50, 50}, Style::Popup | Style::Visible, 0, owner);
  ASSERT_EQ(hs->Focus(), popup);
  hs->PressKey(Vk::Space);
  EXPECT_FALSE(hs->IsWindow(popup));
  ASSERT_EQ(hs->Focus(), owner);
  EXPECT_EQ(log.Count(Msg::Char), 0u) << "the space that closed the popup is not typed into its owner";
  hs->PressKey(Vk::Space);
  ASSERT_EQ(log.Count(Msg::Char), 1u);
  EXPECT_EQ(log.Of(Msg::Char)[0].wParam, static_cast<WParam>(' '));
}

TEST_F(WindowCore, ImeCommitHandsOverTheResultString) {
  std::u16string received;
  AddClass("E", log.Proc(*hs, [&](WindowHandle w, uint32_t m, WParam, LParam lp) -> std::optional<LResult> {
    if (m == Msg::ImeComposition && (lp & Ime::ResultStr) != 0) {
      hs->SetImePosition(w, {12, 34});
      received = hs->ImeResult(w);
    }
    return std::nullopt;
  }));
  const WindowHandle h = Open("E", {0, 0, 10, 10});
  hs->CommitIme(u"\u7535\u5F71");
  EXPECT_EQ(received, u"\u7535\u5F71");
  EXPECT_EQ(hs->ImePosition(h), (Point{12, 34}));
  EXPECT_TRUE(hs->ImeResult(h).empty()) << "the result lives only while the message is handled";
}

TEST_F(WindowCore, RecordsBeepsLinksAndPngs) {
  hs->Beep(BeepKind::Simple);
  hs->Beep(BeepKind::IconInformation);
  EXPECT_EQ(hs->Beeps(), (std::vector<uint32_t>{0xFFFFFFFF, 0x40}));
  EXPECT_TRUE(hs->OpenWithHandler("magnet:?xt=urn:btih:0123"));
  EXPECT_EQ(hs->OpenedLinks(), std::vector<std::string>{"magnet:?xt=urn:btih:0123"});
  EXPECT_EQ(hs->OsVersionText(), "");
  EXPECT_FALSE(hs->SetBlurBehind(0, Insets{6, 6, 6, 6}));

  AddClass("Png", {});
  const Rect r{0, 0, 3, 2};
  const WindowHandle h = Open("Png", r, Style::Popup | Style::Visible, ExStyle::Layered);
  Present(h, r, 0x80800000);  // half-transparent dark red, premultiplied
  const std::string path = ::testing::TempDir() + "ws_core_present.png";
  ASSERT_TRUE(hs->SavePresentedPng(h, path));
  // A PNG signature and a header for 3 x 2, whichever encoder wrote it.
  std::ifstream file(path, std::ios::binary);
  std::vector<unsigned char> head(24);
  file.read(reinterpret_cast<char*>(head.data()), 24);
  ASSERT_EQ(file.gcount(), 24);
  EXPECT_EQ(std::vector<unsigned char>(head.begin(), head.begin() + 8),
            (std::vector<unsigned char>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
  EXPECT_EQ(head[19], 3);  // width, big-endian
  EXPECT_EQ(head[23], 2);  // height
  file.close();
  EXPECT_FALSE(hs->SavePresentedPng(h, ::testing::TempDir() + "no-such-folder/x.png"));
#ifndef _WIN32
  cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
  ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(png), 3);
  const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(png));
  EXPECT_EQ(row[0], 0x80800000u);
  cairo_surface_destroy(png);
#endif
  std::remove(path.c_str());
}

}  // namespace
}  // namespace quillmar::ws
