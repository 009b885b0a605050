#include "ui/controls/scroll_bar.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

#include "tests/ui/core/window_test_support.h"

namespace quillmar {
namespace {

using testing::WindowFixture;

// A bar in a headless window that records the positions its 10011 events carry.
struct BarScene {
  explicit BarScene(bool horizontal, int32_t w, int32_t h, int32_t position = 0, int32_t maximum = 100) {
    bar.Create(f.window.get(), true, 10, 10, w, h, 0, maximum, position, 0, 0, {}, horizontal, {},
               [this](Hwnd, int32_t, uint32_t msg, WParam wParam, LParam) {
                 if (msg == Event::ScrollChanged) events.push_back(static_cast<int32_t>(wParam));
                 return 1;
               });
    f.Frame();
  }
  // Moves the mouse to a point of the bar.
  void MoveTo(int x, int y) { f.headless->MoveMouse(WindowFixture::At(10 + x, 10 + y)); }
  // Pixel of a point of the bar.
  uint32_t Pixel(int x, int y) const { return f.Pixel(10 + x, 10 + y); }

  WindowFixture f;
  UiScrollBar bar;
  std::vector<int32_t> events;
};

TEST(UiScrollBar, ThumbShrinksOnePixelPerUnitDownToItsShortest) {
  BarScene s(true, 200, 11, 100);
  const ScrollBarMetrics m{11, 200, 100, 20, true};
  EXPECT_EQ(m.TrackLength(), 176);
  EXPECT_EQ(s.bar.ThumbRect(), (RectF{112, 0, 76, 11}));  // 12 + 100
  s.bar.SetPosition(0);
  EXPECT_EQ(s.bar.ThumbRect().x, 12);
  s.bar.SetMaximum(1000);
  EXPECT_EQ(s.bar.ThumbRect().width, 20);
  s.bar.SetPosition(1000);
  EXPECT_EQ(s.bar.ThumbRect().x + 20, 188);  // ends where the second arrow's gap begins
  // An empty range: the thumb fills the track and does not move when dragged.
  s.bar.SetMaximum(0);
  EXPECT_EQ(s.bar.ThumbRect(), (RectF{12, 0, 176, 11}));
  EXPECT_EQ((ScrollBarMetrics{11, 200, 0, 20, true}.PixelsPerUnit()), 0);
  // Without arrows the track is the whole bar.
  s.bar.SetMaximum(100);
  s.bar.SetArrowsShown(false);
  EXPECT_EQ(s.bar.ThumbRect(), (RectF{0, 0, 100, 11}));
  UiScrollBar refused;
  EXPECT_EQ(refused.Create(s.f.window.get(), true, 0, 0, 10, 100, 5, 4, 0, 0, 0, {}, false, {}, {}), -1);
  EXPECT_EQ(refused.Key(), 0);
}

TEST(UiScrollBar, RangeChangesMoveThePositionSilentlyAndSetPositionOnlyReportsChanges) {
  BarScene s(false, 11, 200, 80);
  s.bar.SetMaximum(50);
  EXPECT_EQ(s.bar.GetPosition(), 50);
  s.bar.SetMinimum(60);  // above the maximum: refused
  EXPECT_EQ(s.bar.GetMinimum(), 0);
  s.bar.SetMaximum(-1);  // below the minimum: refused
  EXPECT_EQ(s.bar.GetMaximum(), 50);
  EXPECT_TRUE(s.events.empty());
  s.bar.SetPosition(50);
  EXPECT_TRUE(s.events.empty());
  s.bar.SetPosition(500);  // clamped to 50, which it already is
  EXPECT_TRUE(s.events.empty());
  s.bar.SetPosition(-3);
  s.bar.SetPosition(-3);
  s.bar.SetPosition(10);
  EXPECT_EQ(s.events, (std::vector<int32_t>{0, 10}));
  s.bar.SetMinThumb(9);
  s.bar.SetMinThumb(176);  // would not fit beside the arrows
  EXPECT_EQ(s.bar.GetMinThumb(), 20);
}

TEST(UiScrollBar, HoldingTheFirstArrowRepeatsEveryHundredMillisecondsAndStopsAtTheMinimum) {
  BarScene s(false, 11, 200, 4);
  s.MoveTo(5, 5);
  s.f.headless->PressButton(ws::MouseButton::Left);
  EXPECT_EQ(s.bar.GetPosition(), 3);
  s.f.headless->Advance(99);
  EXPECT_EQ(s.bar.GetPosition(), 3);
  s.f.headless->Advance(1);
  EXPECT_EQ(s.bar.GetPosition(), 2);
  s.f.headless->Advance(500);
  EXPECT_EQ(s.bar.GetPosition(), 0);
  EXPECT_EQ(s.events, (std::vector<int32_t>{3, 2, 1, 0}));
  s.f.headless->ReleaseButton(ws::MouseButton::Left);
  s.f.headless->Advance(100);  // past the hot arrow's fade
  EXPECT_TRUE(s.bar.TimerIds().empty());
  // A double click on the second arrow steps once more and starts no repeat.
  s.MoveTo(5, 195);
  const LParam at = static_cast<LParam>(MakeLong(testing::kPad + 10 + 5, testing::kPad + 10 + 195));
  s.bar.ElementProc(s.f.hwnd, s.bar.Key(), Msg::LButtonDblClk, Mk::LButton, at);
  s.f.headless->Advance(300);
  EXPECT_EQ(s.bar.GetPosition(), 1);
  EXPECT_TRUE(s.bar.TimerIds().empty());
}

TEST(UiScrollBar, TrackPressesPageAndTheThumbFollowsADrag) {
  BarScene s(true, 200, 11, 0, 100);  // thumb 76 at 12; 100 pixels of travel for 100 units
  s.MoveTo(150, 5);
  s.f.headless->PressButton(ws::MouseButton::Left);
  s.f.headless->ReleaseButton(ws::MouseButton::Left);
  EXPECT_EQ(s.bar.GetPosition(), 10);
  s.f.headless->Advance(300);
  EXPECT_EQ(s.bar.GetPosition(), 10);  // a track press does not repeat
  s.MoveTo(40, 5);
  s.f.headless->PressButton(ws::MouseButton::Left);
  EXPECT_TRUE(s.bar.Dragging());
  s.MoveTo(70, 5);
  EXPECT_EQ(s.bar.GetPosition(), 40);
  s.MoveTo(70, 60);  // off the bar across its thickness: only the length counts
  EXPECT_EQ(s.bar.GetPosition(), 40);
  s.MoveTo(400, 5);
  EXPECT_EQ(s.bar.GetPosition(), 100);
  s.f.headless->ReleaseButton(ws::MouseButton::Left);
  EXPECT_FALSE(s.bar.Dragging());
  EXPECT_EQ(s.events.back(), 100);
}

TEST(UiScrollBar, TheTrackShowsThroughAndOnlyTheHotPartIsDrawnFull) {
  BarScene s(true, 200, 11, 0);
  s.MoveTo(150, 5);
  s.f.Frame();
  const uint32_t track = s.Pixel(150, 5);
  const uint32_t thumb = s.Pixel(20, 5);
  EXPECT_EQ(track, s.Pixel(150, -3));  // no fill of its own: the window's background
  EXPECT_NE(thumb, track);
  s.MoveTo(20, 5);
  s.f.Frame();
  EXPECT_EQ(s.bar.HotPart(), UiScrollBar::kThumb);
  // The hot thumb fades in over a few ticks, then stays.
  const uint32_t fading = s.Pixel(20, 5);
  s.f.headless->Advance(100);
  s.f.Frame();
  const uint32_t hot = s.Pixel(20, 5);
  EXPECT_NE(fading, hot);
  EXPECT_NE(hot, thumb);
  EXPECT_EQ(s.f.headless->RunningTimerCount(), 0u);
  // Leaving the thumb for the track repaints the thumb as it was.
  s.MoveTo(150, 5);
  s.f.Frame();
  EXPECT_EQ(s.Pixel(20, 5), thumb);
}

TEST(UiScrollBar, ARoutineHearingThePositionMayDestroyTheBar) {
  WindowFixture f;
  auto bar = std::make_unique<UiScrollBar>();
  int heard = 0;
  bar->Create(f.window.get(), true, 10, 10, 11, 200, 0, 100, 50, 0, 0, {}, false, {},
              [&](Hwnd, int32_t, uint32_t msg, WParam, LParam) {
                if (msg == Event::ScrollChanged && ++heard == 1) bar.reset();
                return 1;
              });
  f.Frame();
  // The first arrow: the press steps, the routine frees the bar, the press must not start its repeat.
  f.headless->MoveMouse(WindowFixture::At(15, 15));
  f.headless->PressButton(ws::MouseButton::Left);
  EXPECT_EQ(bar, nullptr);
  f.headless->Advance(300);
  f.headless->ReleaseButton(ws::MouseButton::Left);
  EXPECT_EQ(heard, 1);
}

TEST(UiScrollBar, LosingTheMouseEndsTheRepeatAndTheDrag) {
  BarScene s(false, 11, 200, 50);
  const Hwnd other = testing::OpenTestWindow({.x = 600, .y = 100, .width = 50, .height = 50});
  ws::WindowSystem& sys = ws::System();
  // Each way the window loses the mouse while the first arrow repeats.
  const std::vector<std::function<void()>> losses = {
      [&] { sys.SetCapture(other); },                                             // another window takes it
      [&] { sys.SetFocus(other); },                                               // the window is deactivated
      [&] { sys.SetStyle(s.f.hwnd, sys.GetStyle(s.f.hwnd) | Style::Disabled); },  // a box disables it
  };
  for (size_t i = 0; i < losses.size(); ++i) {
    sys.SetStyle(s.f.hwnd, sys.GetStyle(s.f.hwnd) & ~Style::Disabled);
    sys.ReleaseCapture();
    s.bar.SetPosition(50);
    s.MoveTo(5, 5);
    s.f.headless->PressButton(ws::MouseButton::Left);
    s.f.headless->Advance(100);
    ASSERT_EQ(s.bar.GetPosition(), 48) << i;
    losses[i]();
    s.f.headless->Advance(500);
    EXPECT_EQ(s.bar.GetPosition(), 48) << i;
    EXPECT_EQ(s.bar.GetPressed(), 0) << i;
    s.f.headless->ReleaseButton(ws::MouseButton::Left);
  }
  // The thumb no longer follows the pointer once the mouse is gone.
  sys.SetStyle(s.f.hwnd, sys.GetStyle(s.f.hwnd) & ~Style::Disabled);
  sys.ReleaseCapture();
  s.MoveTo(5, 100);
  s.f.headless->PressButton(ws::MouseButton::Left);
  ASSERT_TRUE(s.bar.Dragging());
  sys.SetCapture(other);
  EXPECT_FALSE(s.bar.Dragging());
  const int32_t at = s.bar.GetPosition();
  s.MoveTo(5, 150);
  EXPECT_EQ(s.bar.GetPosition(), at);
  s.f.headless->ReleaseButton(ws::MouseButton::Left);
  s.f.headless->Advance(100);  // past the hot part's fade
  EXPECT_TRUE(s.bar.TimerIds().empty());
}

TEST(UiScrollBar, StepsAndTheThumbStayInsideTheRangeAtTheEndsOfTheIntegers) {
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  struct Case {
    int32_t minimum, maximum, position, lineStep, pageStep;
    int y;  // where on the 150-pixel bar the press lands
    int32_t expected;
  };
  const Case cases[] = {
      {kMin, kMax, kMax, 1, 10, 145, kMax},         // second arrow at the top end
      {kMin, kMax, kMin, 1, 10, 5, kMin},           // first arrow at the bottom end
      {kMin, kMax, kMax - 1, kMax, 10, 145, kMax},  // a step larger than the room left
      {kMin, kMax, kMin + 1, kMax, 10, 5, kMin},
      {kMin, kMax, kMin, 1, kMax, 100, kMin + kMax},  // a page down the track
      {kMin, kMax, kMax, 1, kMax, 20, 0},             // a page up from the top end
      {0, kMax, kMax, kMin, kMax, 20, 0},             // negative steps
  };
  for (const Case& c : cases) {
    BarScene s(false, 11, 150);
    s.bar.SetMinimum(c.minimum);
    s.bar.SetMaximum(c.maximum);
    s.bar.SetLineStep(c.lineStep);
    s.bar.SetPageStep(c.pageStep);
    s.bar.SetPosition(c.position);
    s.MoveTo(5, c.y);
    s.f.headless->PressButton(ws::MouseButton::Left);
    s.f.headless->ReleaseButton(ws::MouseButton::Left);
    EXPECT_EQ(s.bar.GetPosition(), c.expected) << c.position << " " << c.y;
  }
  // A full range: the thumb runs from the first arrow's gap to the second's.
  BarScene s(true, 200, 11);
  s.bar.SetMinimum(kMin);
  s.bar.SetMaximum(kMax);
  s.bar.SetPosition(kMin);
  EXPECT_EQ(s.bar.ThumbRect(), (RectF{12, 0, 20, 11}));
  s.bar.SetPosition(kMax);
  EXPECT_EQ(s.bar.ThumbRect(), (RectF{168, 0, 20, 11}));
  s.bar.SetPosition(0);
  EXPECT_NEAR(s.bar.ThumbRect().x, 90, 1);
  // Extreme sizes as well.
  const ScrollBarMetrics huge{kMax, kMax, kMax, 20, true};
  EXPECT_EQ(huge.TrackLength(), kMin);
  EXPECT_EQ(huge.ThumbStart(kMax), kMax);
}

}  // namespace
}  // namespace quillmar
