#include <gtest/gtest.h>

#include "tests/ui/core/window_test_support.h"
#include "ui/core/frame.h"
#include "ui/core/paint_scheduler.h"
#include "ui/core/cursor_bytes.h"
#include "ui/core/element_record.h"
#include "ui/core/element_registry.h"
#include "ui/core/element_surfaces.h"
#include "ui/core/pic_button.h"
#include "ui/core/tool_tip.h"
#include "ui/gfx/effect.h"

namespace quillmar {
namespace {

using testing::kPad;
using testing::WindowFixture;

int Presents(WindowFixture& f) {
  const auto* p = f.headless->Presented(f.hwnd);
  return p ? p->presentCount : 0;
}

TEST(UiWindowEffects, OpenEffectShowsTheWindowThenTheWindowShowsItselfOnce) {
  WindowFixture f;
  f.Frame();
  int atDone = -1;
  f.window->ShowWithEffect(1, false, [&] { atDone = Presents(f); });
  EXPECT_TRUE(f.window->Frame()->OpenEffect().Running());
  // While the effect runs the window does not present its own picture.
  const int before = Presents(f);
  f.window->InvalidateRect();
  f.window->Repaint();
  EXPECT_EQ(Presents(f), before);
  for (int i = 0; i < 40 && atDone < 0; ++i) f.Frame();
  ASSERT_GE(atDone, 0);
  EXPECT_TRUE(f.window->Frame()->OpenEffect().Finished());
  // The effect's eleven shown steps, 15 ms apart, ride the window's frames:
  // a frame that is late for two steps shows only the later one.
  EXPECT_GE(atDone, before + 9);
  EXPECT_LE(atDone, before + 11);
  f.Frame();
  EXPECT_EQ(Presents(f), atDone + 1);  // then the window's own picture, once
  EXPECT_EQ(f.headless->Presented(f.hwnd)->alpha, 255);
  f.headless->Advance(500);
  EXPECT_EQ(Presents(f), atDone + 1);
  EXPECT_EQ(f.headless->RunningTimerCount(), 0u);
}

TEST(UiWindowPaintOnDemand, AnIdleWindowSleepsAndAChangeShowsOnTheNextFrame) {
  WindowFixture f;
  auto& probe = f.AddProbe(10, 10, 30, 30, 0xFFCC3333);
  f.Frame();
  // Nothing raised: no timer runs and nothing is painted, however long it waits.
  EXPECT_EQ(f.headless->RunningTimerCount(), 0u);
  const int idle = Presents(f);
  const int paints = probe.paints;
  f.headless->Advance(5000);
  EXPECT_EQ(Presents(f), idle);
  EXPECT_EQ(probe.paints, paints);
  // Several changes before the next frame make one paint pass.
  probe.SetAlpha(128);
  probe.InvalidateRect();
  f.window->InvalidateRect({}, Rect{200, 100, 10, 10});
  f.Frame();
  EXPECT_EQ(Presents(f), idle + 1);
  EXPECT_EQ(probe.paints, paints + 1);
  EXPECT_EQ(f.Pixel(15, 15) >> 24, 0xFFu);
  EXPECT_NE(f.Pixel(15, 15), 0xFFCC3333u);
  EXPECT_EQ(f.headless->RunningTimerCount(), 0u);
  // Changes made while minimized show when the window comes back.
  ws::System().ShowWindow(f.hwnd, Show::Minimized);
  f.Frame();
  const int minimized = Presents(f);
  probe.SetAlpha(255);
  f.Frame();
  EXPECT_EQ(Presents(f), minimized);
  ws::System().ShowWindow(f.hwnd, Show::Restore);
  f.Frame();
  EXPECT_EQ(f.Pixel(15, 15), 0xFFCC3333u);
}

int Progress(const UiWindow& element) { return Registry().Find(element.Key())->surfaces->extra.progress; }

// Changes itself on a fast timer of its own, as a hand-made animation does.
class Restless : public testing::Probe {
 public:
  using Probe::Probe;
  void OnTimer(int32_t, uint32_t) override { InvalidateRect(); }
};

TEST(UiWindowPaintOnDemand, AnElementChangingFasterThanTheDisplayPaintsOncePerFrame) {
  WindowFixture f;
  Restless restless(&f.log, 0xFF00FF00);
  restless.Create(f.window.get(), 10, 10, 20, 20);
  f.Frame();
  const int paints = restless.paints;
  const int presents = Presents(f);
  const int32_t timer = restless.StartTimer(1);
  for (int i = 0; i < 10; ++i) f.Frame();
  // About 170 changes in ten frames: ten passes and ten presents.
  EXPECT_EQ(restless.paints - paints, 10);
  EXPECT_EQ(Presents(f) - presents, 10);
  restless.StopTimer(timer);
}

TEST(UiWindowTransitions, FadesRideTheWindowsFramesWhicheverObjectStartsThemAndEndWithIt) {
  WindowFixture f;
  auto& probe = f.AddProbe(10, 10, 30, 30);
  f.Frame();
  const ElementRecord* rec = Registry().Find(probe.Key());
  // The element's own fade, then one the window starts for the element.
  for (UiWindow* starter : {static_cast<UiWindow*>(&probe), f.window.get()}) {
    starter->Transition(false, probe.Key());
    EXPECT_EQ(rec->surfaces->extra.layers.size(), 2u);
    EXPECT_TRUE(starter->TimerIds().empty());
    const int before = Presents(f);
    // 25 per 10 ms, the first frame counting as a step: about 100 ms, every
    // frame of it shown, and no frame after it.
    int frames = 0;
    for (; frames < 20 && probe.TransitionRunning(); ++frames) f.Frame();
    EXPECT_EQ(frames, 6);
    EXPECT_EQ(Presents(f), before + 7);
    EXPECT_TRUE(rec->surfaces->extra.layers.empty());
    f.Frame();
    EXPECT_EQ(Presents(f), before + 7);
    EXPECT_EQ(f.headless->RunningTimerCount(), 0u);
  }
  // A fade that outlives the object that started it stops with that object.
  {
    UiWindow starter;
    starter.Register(0, 0, 1, 1, "OVCL_PROBE");
    starter.Transition(false, probe.Key());
    f.headless->Advance(30);
    EXPECT_TRUE(probe.TransitionRunning());
  }
  EXPECT_FALSE(probe.TransitionRunning());
  f.Frame();
  f.Frame();
  EXPECT_EQ(f.headless->RunningTimerCount(), 0u);
}

TEST(UiWindowTransitions, TwoFadesStartedInOneFrameAdvanceInTheSamePass) {
  WindowFixture f;
  auto& leaving = f.AddProbe(10, 10, 30, 30, 0xFF0000FF);
  auto& entering = f.AddProbe(60, 10, 30, 30, 0xFF0000FF);
  f.Frame();
  const int64_t framesBefore = f.window->Frame()->Clock().FramesServed();
  const int before = Presents(f);
  // The pointer leaves one button for the next: both fade from one event.
  leaving.Transition();
  leaving.SetColor(0xFF00FF00);
  entering.Transition();
  entering.SetColor(0xFFFF0000);
  int steps = 0;
  while (leaving.TransitionRunning() && steps++ < 20) {
    f.Frame();
    EXPECT_EQ(entering.TransitionRunning(), leaving.TransitionRunning());
    EXPECT_EQ(Progress(leaving), Progress(entering));
  }
  EXPECT_FALSE(entering.TransitionRunning());
  // One pass and one present per frame, however many fades it carries.
  const int64_t frames = f.window->Frame()->Clock().FramesServed() - framesBefore;
  EXPECT_EQ(Presents(f) - before, frames);
  EXPECT_LE(frames, 8);
  EXPECT_EQ(f.Pixel(15, 15), 0xFF00FF00u);
  EXPECT_EQ(f.Pixel(65, 15), 0xFFFF0000u);
}

TEST(UiWindowTransitions, ARectangleFadesAloneAndCancellingShowsTheNewPicture) {
  WindowFixture f;
  auto& swatch = f.AddProbe(10, 10, 40, 20, 0xFF0000FF);
  f.Frame();
  swatch.SetColor(0xFFFF0000);
  swatch.TransitionRect(Rect{0, 0, 20, 20}, 50);
  f.headless->RunPending();
  // Inside the rectangle the red has come in by 50 of 255; outside it shows at once.
  const uint32_t fading = f.Pixel(15, 15);
  EXPECT_GT((fading >> 16) & 0xFF, 0x20u);
  EXPECT_LT((fading >> 16) & 0xFF, 0x60u);
  EXPECT_EQ(f.Pixel(35, 15), 0xFFFF0000u);
  swatch.CancelTransition();
  EXPECT_FALSE(swatch.TransitionRunning());
  f.Frame();
  EXPECT_EQ(f.Pixel(15, 15), 0xFFFF0000u);
  f.Frame();  // the frame clock's quiet frame
  EXPECT_EQ(f.headless->RunningTimerCount(), 0u);
}

TEST(UiWindowPresent, AChangeInOneCornerCopiesOnlyThatCorner) {
  WindowFixture f;
  auto& corner = f.AddProbe(250, 150, 20, 20, 0xFFCC3333);
  f.Frame();
  const auto* shown = f.headless->Presented(f.hwnd);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->damage, std::vector<Rect>{Rect(0, 0, 300, 200)});  // the first picture is whole
  const int64_t copied = shown->copiedPixels;
  corner.SetColor(0xFF00FF00);
  f.Frame();
  // The probe's picture is one pixel larger than the probe.
  EXPECT_EQ(shown->damage, std::vector<Rect>{Rect(kPad + 250, kPad + 150, 21, 21)});
  EXPECT_EQ(shown->copiedPixels - copied, 21 * 21);
  EXPECT_EQ(f.Pixel(255, 155), 0xFF00FF00u);
  EXPECT_EQ(f.Pixel(100, 100), testing::kBackColor);
  // A new constant alpha changes no pixel: nothing is copied, the alpha shows.
  f.window->SetWindowAlpha(128);
  f.Frame();
  EXPECT_TRUE(shown->damage.empty());
  EXPECT_EQ(shown->alpha, 128);
  EXPECT_EQ(f.Pixel(255, 155), 0xFF00FF00u);
}

TEST(UiWindowPresent, ATransparentPixelLetsClicksThroughAfterAFadeEnds) {
  BindOptions options;
  options.backColor = 0x00000000;
  WindowFixture f(300, 200, options);
  f.window->SetFrame(0, 0, 0);
  auto& probe = f.AddProbe(10, 10, 30, 30, 0xFFCC3333);
  f.Frame();
  const Point onProbe = WindowFixture::At(20, 20);
  EXPECT_EQ(f.headless->WindowAt(onProbe), f.hwnd);
  EXPECT_EQ(f.headless->WindowAt(WindowFixture::At(100, 100)), 0);
  // The probe fades out to nothing: while it fades it still catches clicks.
  probe.Transition();
  probe.SetColor(0x00000000);
  f.Frame();
  ASSERT_TRUE(probe.TransitionRunning());
  EXPECT_EQ(f.headless->WindowAt(onProbe), f.hwnd);
  for (int i = 0; i < 20 && probe.TransitionRunning(); ++i) f.Frame();
  EXPECT_EQ(f.headless->Presented(f.hwnd)->At(kPad + 20, kPad + 20), 0u);
  EXPECT_EQ(f.headless->WindowAt(onProbe), 0);
  // A click there reaches nothing of the window.
  const size_t logged = f.log.size();
  f.headless->Click(onProbe);
  EXPECT_EQ(f.log.size(), logged);
}

TEST(UiWindowRelease, NothingRunsForAWindowAfterDetachOrAfterASwallowedDestroy) {
  {
    // A user routine that keeps the destroy message from the previous procedure.
    BindOptions options;
    options.userHandler = [](Hwnd, int32_t, uint32_t msg, WParam, LParam) { return msg == Msg::Destroy ? 0 : 1; };
    WindowFixture f(300, 200, options);
    auto& probe = f.AddProbe(10, 10, 30, 30);
    f.Frame();
    // The close button's tip is waiting for its delay when the window goes.
    f.headless->MoveMouse(f.window->Frame()->CaptionButton(CaptionButtonId::Close)->PointToScreen({4, 4}));
    ws::System().DestroyWindow(f.hwnd);
    EXPECT_EQ(f.window->Frame(), nullptr);
    EXPECT_EQ(f.window->WindowHandle(), 0);
    probe.SetAlpha(100);
    f.headless->Advance(1000);
    EXPECT_EQ(f.headless->RunningTimerCount(), 0u);
    EXPECT_FALSE(PaintScheduler::Pending());
  }
  // Detached by being placed inside another window, with a close effect loaded.
  WindowFixture outer;
  testing::BoundWindow bound({0, 0, 120, 80});
  const Hwnd inner = bound.hwnd;
  UiWindow& window = *bound.window;
  window.ShowWithEffect(2, true);
  outer.Frame();
  outer.window->SetParent(window.Key());
  outer.Frame();
  EXPECT_EQ(window.WindowHandle(), 0);
  EXPECT_FALSE(window.Frame()->Painted());
  EXPECT_FALSE(window.Frame()->CloseEffect().Running());
  const int shown = outer.headless->Presented(inner)->presentCount;
  window.InvalidateRect();
  outer.headless->Advance(1000);
  EXPECT_EQ(outer.headless->Presented(inner)->presentCount, shown);
  EXPECT_EQ(outer.headless->RunningTimerCount(), 0u);
}

TEST(UiWindowTick, WindowPlacedInsideAnotherLetsGoOfItsSystemWindow) {
  WindowFixture f;
  testing::BoundWindow bound({0, 0, 120, 80});
  const Hwnd inner = bound.hwnd;
  UiWindow& window = *bound.window;
  f.Frame();
  EXPECT_NE(window.WindowHandle(), 0);
  f.window->SetParent(window.Key());
  f.Frame();
  EXPECT_EQ(window.WindowHandle(), 0);
  EXPECT_EQ(ws::System().GetExStyle(inner) & ExStyle::Layered, 0u);
  EXPECT_EQ(f.window->GetChildren().back(), window.Key());
}

TEST(UiWindowTick, DeferredRepaintArrivesThroughTheQueue) {
  WindowFixture f;
  f.Frame();
  f.window->InvalidateRect();
  const int before = Presents(f);
  ws::System().Send(f.hwnd, Event::DeferredRepaint, 0, 0);
  EXPECT_EQ(Presents(f), before);
  f.headless->RunPending();
  EXPECT_EQ(Presents(f), before + 1);
}

TEST(CursorFromBytes, RefusesIconsAndImagesRunningPastTheEnd) {
  ws::ScopedHeadless headless;
  // Header, one entry, then a 40-byte image at offset 22.
  std::vector<uint8_t> bytes(62, 0);
  bytes[2] = 2;    // type: cursor
  bytes[4] = 1;    // one image
  bytes[6] = 16;   // width
  bytes[7] = 16;   // height
  bytes[10] = 3;   // hotspot x
  bytes[12] = 4;   // hotspot y
  bytes[14] = 40;  // image size
  bytes[18] = 22;  // image offset
  auto sized = [&](uint8_t size, uint8_t offset) {
    std::vector<uint8_t> b = bytes;
    b[14] = size;
    b[18] = offset;
    return b;
  };
  // Each field fits alone, but together they run past the end.
  EXPECT_EQ(CursorFromBytes(sized(40, 30)), 0u);
  EXPECT_EQ(CursorFromBytes(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 22)), 0u);
  std::vector<uint8_t> icon = bytes;
  icon[2] = 1;
  EXPECT_EQ(CursorFromBytes(icon), 0u);
}

TEST(UiPicButton, HoverShowsTheTipOverTheButton) {
  BindOptions options;
  options.captionFlags = 1;
  WindowFixture f(300, 200, options);
  f.Frame();
  UiPicButton* close = f.window->Frame()->CaptionButton(0);
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->GetTipText(), "\xB9\xD8\xB1\xD5");
  f.headless->MoveMouse(close->PointToScreen({4, 4}));
  ASSERT_NE(f.window->Frame()->Tip(), nullptr);
  f.headless->Advance(600);
  EXPECT_TRUE(f.window->Frame()->Tip()->TipShown());
  f.headless->MoveMouse(WindowFixture::At(100, 100));
  EXPECT_FALSE(f.window->Frame()->Tip()->TipShown());
}

TEST(UiPicButton, OwnCursorShowsWhileHovered) {
  WindowFixture f;
  const auto& picture = f.window->Frame()->CaptionButton(0)->Image(UiPicButton::Slot::Normal);
  UiPicButton button;
  button.Create(f.window.get(), true, 20, 20, 30, 23, picture, {}, {}, {}, 14);
  f.Frame();
  ws::WindowSystem& sys = ws::System();
  f.headless->MoveMouse(button.PointToScreen({3, 3}));
  f.headless->MoveMouse(button.PointToScreen({4, 4}));
  EXPECT_EQ(sys.CurrentCursor(), sys.LoadSystemCursor(ws::SystemCursor::Hand));
  f.headless->MoveMouse(WindowFixture::At(150, 150));
  f.headless->MoveMouse(WindowFixture::At(151, 150));
  EXPECT_NE(sys.CurrentCursor(), sys.LoadSystemCursor(ws::SystemCursor::Hand));
}

}  // namespace
}  // namespace quillmar
