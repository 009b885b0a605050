#include <gtest/gtest.h>

#include <algorithm>

#include "tests/ui/core/window_test_support.h"
#include "ui/core/frame.h"
#include "ui/core/element_record.h"
#include "ui/core/element_registry.h"
#include "ui/core/pic_button.h"
#include "ui/gfx/effect.h"

namespace quillmar {
namespace {

using testing::Logged;
using testing::Probe;
using testing::WindowFixture;

bool Has(const std::vector<Logged>& log, int32_t key, uint32_t msg) {
  for (const Logged& l : log) {
    if (l.key == key && l.msg == msg) return true;
  }
  return false;
}

size_t IndexOf(const std::vector<Logged>& log, int32_t key, uint32_t msg) {
  for (size_t i = 0; i < log.size(); ++i) {
    if (log[i].key == key && log[i].msg == msg) return i;
  }
  return log.size();
}

TEST(UiWindowHitTest, TopmostCandidateWinsAndSkippedChildrenLetTheOneBelowThrough) {
  WindowFixture f;
  auto& a = f.AddProbe(10, 10, 50, 50);
  auto& b = f.AddProbe(30, 30, 50, 50);
  UiWindow& w = *f.window;
  const Point overlap = WindowFixture::At(40, 40);
  EXPECT_EQ(w.ElementAt(overlap.x, overlap.y), b.Key());
  b.SetAlpha(0);
  EXPECT_EQ(w.ElementAt(overlap.x, overlap.y), a.Key());
  b.SetAlpha(255);
  b.SetVisible(0);
  EXPECT_EQ(w.ElementAt(overlap.x, overlap.y), a.Key());
  b.SetVisible(1);
  b.SetShown(0);
  EXPECT_EQ(w.ElementAt(overlap.x, overlap.y), a.Key());
  b.SetShown(1);
  b.SetDisabled(1);
  EXPECT_EQ(w.ElementAt(overlap.x, overlap.y), a.Key());
  b.SetDisabled(0);
  // Right and bottom edges are outside; the window itself reads as 0.
  const Point right = WindowFixture::At(80, 40);
  EXPECT_EQ(w.ElementAt(right.x, right.y), 0);
  const Point inside = WindowFixture::At(79, 79);
  EXPECT_EQ(w.ElementAt(inside.x, inside.y), b.Key());
  const Point bottom = WindowFixture::At(79, 80);
  EXPECT_EQ(w.ElementAt(bottom.x, bottom.y), 0);
}

TEST(UiWindowHitTest, NestedChildrenAreFoundInsideTheirParentsPadding) {
  WindowFixture f;
  auto& outer = f.AddProbe(20, 20, 100, 100);
  outer.SetPadding({4, 4, 4, 4});
  testing::Probe inner(&f.log, 0xFF00FF00);
  inner.Create(&outer, 10, 10, 20, 20);
  const Point p = WindowFixture::At(20 + 4 + 10, 20 + 4 + 10);
  EXPECT_EQ(f.window->ElementAt(p.x, p.y), inner.Key());
  EXPECT_EQ(f.window->ElementAt(p.x - 1, p.y), outer.Key());
  EXPECT_EQ(inner.PointToScreen({0, 0}).x, p.x);
}

TEST(UiWindowHover, EnterGoesToTheNewElementBeforeLeaveToTheOld) {
  WindowFixture f;
  auto& a = f.AddProbe(10, 10, 40, 40);
  auto& b = f.AddProbe(60, 10, 40, 40);
  f.Frame();
  f.headless->MoveMouse(WindowFixture::At(20, 20));
  EXPECT_EQ(f.window->HoverKey(), a.Key());
  EXPECT_EQ(a.GetHovered(), 1);
  f.Take();
  f.headless->MoveMouse(WindowFixture::At(70, 20));
  const auto log = f.Take();
  const size_t enter = IndexOf(log, b.Key(), Event::MouseEnter);
  const size_t leave = IndexOf(log, a.Key(), Event::MouseLeave);
  ASSERT_LT(enter, log.size());
  ASSERT_LT(leave, log.size());
  EXPECT_LT(enter, leave);
  EXPECT_EQ(a.GetHovered(), 0);
  EXPECT_EQ(b.GetHovered(), 1);
  // Moving inside the same element sends no second enter.
  f.headless->MoveMouse(WindowFixture::At(71, 21));
  EXPECT_FALSE(Has(f.Take(), b.Key(), Event::MouseEnter));
}

TEST(UiWindowClick, ReleaseOverThePressedElementClicks) {
  WindowFixture f;
  auto& a = f.AddProbe(10, 10, 40, 40);
  f.Frame();
  f.headless->MoveMouse(WindowFixture::At(20, 20));
  f.headless->PressButton(ws::MouseButton::Left);
  EXPECT_EQ(a.GetPressed(), 1);
  EXPECT_EQ(a.GetFocused(), 1);
  EXPECT_EQ(ws::System().Capture(), f.hwnd);
  f.headless->ReleaseButton(ws::MouseButton::Left);
  const auto log = f.Take();
  EXPECT_TRUE(Has(log, a.Key(), Event::FocusGained));
  EXPECT_TRUE(Has(log, a.Key(), Msg::LButtonDown));
  EXPECT_TRUE(Has(log, a.Key(), Event::Click));
  EXPECT_TRUE(Has(log, a.Key(), Msg::LButtonUp));
  EXPECT_EQ(a.GetPressed(), 0);
  EXPECT_EQ(ws::System().Capture(), 0);
  // The press on a control is not a window drag.
  EXPECT_FALSE(f.headless->MoveDragActive());
}

TEST(UiWindowClick, PressDragOutsideAndReleaseSendsNoClick) {
  WindowFixture f;
  auto& a = f.AddProbe(10, 10, 40, 40);
  f.Frame();
  f.headless->MoveMouse(WindowFixture::At(20, 20));
  f.headless->PressButton(ws::MouseButton::Left);
  f.Take();
  f.headless->MoveMouse(WindowFixture::At(150, 100));
  auto log = f.Take();
  EXPECT_TRUE(Has(log, a.Key(), Event::MouseLeave));
  EXPECT_TRUE(Has(log, a.Key(), Msg::MouseMove));  // still follows the mouse outside
  EXPECT_EQ(a.GetHovered(), 0);
  f.headless->ReleaseButton(ws::MouseButton::Left);
  log = f.Take();
  EXPECT_TRUE(Has(log, a.Key(), Msg::LButtonUp));
  EXPECT_FALSE(Has(log, a.Key(), Event::Click));
  EXPECT_EQ(a.GetPressed(), 0);
  EXPECT_EQ(ws::System().Capture(), 0);
}

TEST(UiWindowFocus, FocusKeepingElementsHandFocusBack) {
  BindOptions options;
  options.captionFlags = 5;
  WindowFixture f(300, 200, options);
  auto& edit = f.AddProbe(10, 40, 60, 30);
  auto& keeper = f.AddProbe(100, 40, 60, 30);
  keeper.SetKeepsFocus(1);
  f.Frame();
  f.headless->Click(WindowFixture::At(20, 50));
  EXPECT_EQ(f.window->FocusKey(), edit.Key());
  f.Take();
  f.headless->Click(WindowFixture::At(110, 50));
  auto log = f.Take();
  EXPECT_TRUE(Has(log, keeper.Key(), Event::Click));
  EXPECT_FALSE(Has(log, keeper.Key(), Event::FocusGained));
  EXPECT_FALSE(Has(log, edit.Key(), Event::FocusLost));
  EXPECT_EQ(edit.GetFocused(), 1);
  EXPECT_EQ(keeper.GetFocused(), 0);
  EXPECT_EQ(f.window->FocusKey(), edit.Key());
  // The caption's maximize button keeps the focus too, and maximizes.
  UiPicButton* maximize = f.window->Frame()->CaptionButton(2);
  ASSERT_NE(maximize, nullptr);
  const Point m = maximize->PointToScreen({5, 5});
  f.headless->MoveMouse(m);
  f.headless->Click(m);
  EXPECT_TRUE(ws::System().IsZoomed(f.hwnd));
  EXPECT_EQ(f.window->FocusKey(), edit.Key());
  EXPECT_EQ(edit.GetFocused(), 1);
  EXPECT_FALSE(Has(f.Take(), edit.Key(), Event::FocusLost));
  // Another ordinary element takes the focus away from the first.
  auto& other = f.AddProbe(10, 100, 60, 30);
  f.Frame();
  const Point o = other.PointToScreen({5, 5});
  f.headless->Click(o);
  log = f.Take();
  EXPECT_TRUE(Has(log, edit.Key(), Event::FocusLost));
  EXPECT_TRUE(Has(log, other.Key(), Event::FocusGained));
}

TEST(UiWindowKeys, FocusedElementGetsEachKeyOnceWhetherHoveredOrNot) {
  WindowFixture f;
  auto& a = f.AddProbe(10, 10, 40, 40);
  f.Frame();
  f.headless->Click(WindowFixture::At(20, 20));
  f.Take();
  f.headless->PressKey('A');
  auto log = f.Take();
  EXPECT_EQ(std::count(log.begin(), log.end(), Logged{a.Key(), Msg::KeyDown}), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), Logged{a.Key(), Msg::Char}), 1);
  f.headless->MoveMouse(WindowFixture::At(200, 150));
  f.Take();
  f.headless->PressKey('B');
  log = f.Take();
  EXPECT_EQ(std::count(log.begin(), log.end(), Logged{a.Key(), Msg::KeyDown}), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), Logged{a.Key(), Msg::KeyUp}), 1);
  // Over another element the keys still go to the focused one alone.
  auto& b = f.AddProbe(100, 10, 40, 40);
  f.Frame();
  f.headless->MoveMouse(WindowFixture::At(110, 20));
  f.Take();
  f.headless->PressKey('C');
  log = f.Take();
  EXPECT_EQ(std::count(log.begin(), log.end(), Logged{a.Key(), Msg::KeyDown}), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), Logged{b.Key(), Msg::KeyDown}), 0);
  EXPECT_EQ(std::count(log.begin(), log.end(), Logged{b.Key(), Msg::Char}), 0);
}

TEST(UiWindowKeys, TabFollowsTheOrderPastWhatCannotTakeTheFocusAndTurnsOnTheMarks) {
  WindowFixture f;
  auto& a = f.AddProbe(10, 10, 40, 40);
  auto& b = f.AddProbe(60, 10, 40, 40);
  auto& c = f.AddProbe(110, 10, 40, 40);
  f.window->SetTabOrder({a.Key(), b.Key(), c.Key()});
  f.Frame();
  f.headless->Click(WindowFixture::At(20, 20));
  EXPECT_EQ(f.window->FocusKey(), a.Key());
  EXPECT_FALSE(a.ShowsFocusMark());  // a click shows no mark
  b.SetDisabled(1);
  f.Take();
  f.headless->PressKey(Vk::Tab);
  EXPECT_EQ(f.window->FocusKey(), c.Key());
  EXPECT_TRUE(c.ShowsFocusMark());
  EXPECT_FALSE(a.ShowsFocusMark());
  f.headless->PressKey(Vk::Tab);  // round to the start
  EXPECT_EQ(f.window->FocusKey(), a.Key());
  b.SetDisabled(0);
  c.SetVisible(0);
  f.headless->KeyDown(Vk::Shift);
  f.headless->PressKey(Vk::Tab);
  f.headless->KeyUp(Vk::Shift);
  EXPECT_EQ(f.window->FocusKey(), b.Key());
  // The focused elements heard their focus, never the character of the Tab key.
  const auto log = f.Take();
  EXPECT_EQ(std::count(log.begin(), log.end(), Logged{c.Key(), Event::FocusGained}), 1);
  for (const Logged& l : log) EXPECT_NE(l.msg, Msg::Char);
}

TEST(UiWindowClose, UserRoutineCanRefuseTheClose) {
  bool refuse = true;
  BindOptions options;
  options.userHandler = [&](Hwnd, int32_t, uint32_t msg, WParam, LParam) {
    return (msg == Msg::Close && refuse) ? 0 : 1;
  };
  WindowFixture f(300, 200, options);
  f.Frame();
  ws::System().Send(f.hwnd, Msg::Close, 0, 0);
  EXPECT_TRUE(ws::System().IsWindow(f.hwnd));
  // The close caption button sends the same request.
  UiPicButton* close = f.window->Frame()->CaptionButton(0);
  ASSERT_NE(close, nullptr);
  const Point c = close->PointToScreen({5, 5});
  f.headless->MoveMouse(c);
  f.headless->Click(c);
  EXPECT_TRUE(ws::System().IsWindow(f.hwnd));
  refuse = false;
  f.headless->MoveMouse(c);
  f.headless->Click(c);
  EXPECT_FALSE(ws::System().IsWindow(f.hwnd));
}

TEST(UiWindowClose, LoadedCloseEffectPlaysBeforeTheWindowCloses) {
  WindowFixture f;
  f.Frame();
  f.window->ShowWithEffect(2, true);
  EXPECT_TRUE(f.window->Frame()->CloseEffect().Configured());
  EXPECT_FALSE(f.window->Frame()->CloseEffect().Running());
  ws::System().Send(f.hwnd, Msg::Close, 0, 0);
  EXPECT_TRUE(ws::System().IsWindow(f.hwnd));
  EXPECT_TRUE(f.window->Frame()->CloseEffect().Running());
  for (int i = 0; i < 100 && ws::System().IsWindow(f.hwnd); ++i) f.headless->Advance(15);
  EXPECT_FALSE(ws::System().IsWindow(f.hwnd));
}

TEST(UiWindowMessages, PressOnTheBackgroundDragsTheWindow) {
  WindowFixture f;
  f.Frame();
  f.headless->MoveMouse(WindowFixture::At(100, 80));
  f.headless->PressButton(ws::MouseButton::Left);
  EXPECT_TRUE(f.headless->MoveDragActive());
  f.headless->MoveMouse(WindowFixture::At(120, 90));
  EXPECT_EQ(ws::System().WindowRect(f.hwnd).x, testing::kWinX + 20);
  f.headless->ReleaseButton(ws::MouseButton::Left);
}

TEST(UiWindowMessages, SizeCommandOutsideTheBandMovesTheWindow) {
  WindowFixture f;
  f.window->SetDragAnywhere(0);
  f.Frame();
  f.headless->MoveMouse(WindowFixture::At(100, 80));
  f.headless->PressButton(ws::MouseButton::Left);
  EXPECT_FALSE(f.headless->MoveDragActive());
  ws::System().Send(f.hwnd, Msg::SysCommand, SysCmd::SizeLeft, 0);
  EXPECT_TRUE(f.headless->MoveDragActive());
  f.headless->ReleaseButton(ws::MouseButton::Left);
}

TEST(UiWindowMessages, RequestsStayWithTheFrameworkAndTheRoutineHearsTheRestDecoded) {
  struct Heard {
    uint32_t msg;
    WParam wParam;
    LParam lParam;
  };
  std::vector<Heard> heard;
  BindOptions options;
  options.userHandler = [&](Hwnd, int32_t, uint32_t msg, WParam wParam, LParam lParam) {
    heard.push_back({msg, wParam, lParam});
    return 1;
  };
  WindowFixture f(300, 200, options);
  Probe& probe = f.AddProbe(10, 10, 40, 40);
  f.Frame();
  ws::WindowSystem& sys = ws::System();
  const auto heardOf = [&](uint32_t msg) {
    return std::count_if(heard.begin(), heard.end(), [&](const Heard& h) { return h.msg == msg; });
  };

  // Requests to the window are its own business: they act, and the routine
  // hears only what they cause (the probe's focus events).
  heard.clear();
  sys.Send(f.hwnd, Event::RepaintRequest, ToWire(RepaintKind::Paint), 0);
  sys.Send(f.hwnd, Event::FocusRequest, static_cast<WParam>(probe.Key()), 0);
  EXPECT_EQ(f.window->FocusKey(), probe.Key());
  sys.Send(f.hwnd, Event::UnfocusRequest, 0, 0);
  EXPECT_EQ(f.window->FocusKey(), 0);
  EXPECT_EQ(heardOf(Event::RepaintRequest) + heardOf(Event::FocusRequest) + heardOf(Event::UnfocusRequest), 0);
  EXPECT_EQ(heardOf(Event::FocusGained), 1);
  EXPECT_EQ(heardOf(Event::FocusLost), 1);

  // A move is told as the framework's Moved with the signed client origin.
  const LParam origin = static_cast<LParam>(MakeLong(static_cast<uint32_t>(-20), 30));
  sys.Send(f.hwnd, Msg::Move, 0, origin);
  ASSERT_EQ(heardOf(Event::Moved), 1);
  const auto moved = std::find_if(heard.begin(), heard.end(), [](const Heard& h) { return h.msg == Event::Moved; });
  EXPECT_EQ(static_cast<int32_t>(moved->wParam), -20);
  EXPECT_EQ(static_cast<int32_t>(moved->lParam), 30);

  // A cursor request on a sizing edge the band did not claim goes on as a
  // client hit carrying the edge; a client hit goes on unchanged.
  heard.clear();
  const auto cursorAt = [&](HitTest hit) {
    heard.clear();
    sys.Send(f.hwnd, Msg::SetCursor, static_cast<WParam>(f.hwnd),
             static_cast<LParam>(MakeLong(ToWire(hit), Msg::MouseMove)));
    return heardOf(Msg::SetCursor) == 1 ? heard.back().lParam : LParam{-1};
  };
  f.headless->MoveMouse(WindowFixture::At(100, 80));
  EXPECT_EQ(cursorAt(HitTest::Left), static_cast<LParam>(MakeLong(ToWire(HitTest::Client), ToWire(HitTest::Left))));
  EXPECT_EQ(cursorAt(HitTest::Client), static_cast<LParam>(MakeLong(ToWire(HitTest::Client), Msg::MouseMove)));

  // Showing and hiding reach the record; disabling reaches the system window.
  sys.Send(f.hwnd, Msg::ShowWindow, 0, 0);
  EXPECT_EQ(f.window->GetVisible(), 0);
  sys.Send(f.hwnd, Msg::ShowWindow, 1, 0);
  EXPECT_EQ(f.window->GetVisible(), 1);
  f.window->SetDisabled(1);
  EXPECT_NE(sys.GetStyle(f.hwnd) & Style::Disabled, 0u);
  f.window->SetDisabled(0);
  EXPECT_EQ(sys.GetStyle(f.hwnd) & Style::Disabled, 0u);
}

}  // namespace
}  // namespace quillmar
