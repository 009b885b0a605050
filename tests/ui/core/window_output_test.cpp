#include <gtest/gtest.h>

#include "tests/ui/core/window_test_support.h"
#include "ui/core/cursor_bytes.h"
#include "ui/core/element_record.h"
#include "ui/core/element_registry.h"
#include "ui/core/element_surfaces.h"
#include "ui/core/pic_button.h"
#include "ui/core/tool_tip.h"
#include "ui/gfx/effect.h"

namespace quillmar {
namespace {

using testing::WindowFixture;

int Presents(WindowFixture& f) {
  const auto* p = f.headless->Presented(f.hwnd);
  return p ? p->presentCount : 0;
}

TEST(UiWindowEffects, OpenEffectShowsTheWindowThenHandsBackToTheTick) {
  WindowFixture f;
  f.Frame();
  bool done = false;
  f.window->ShowWithEffect(1, false, [&] { done = true; });
  EXPECT_TRUE(f.window->OpenEffect().Running());
  // While the effect runs the window does not present its own picture.
  const int before = Presents(f);
  f.window->InvalidateRect();
  f.window->Repaint();
  const auto* shown = f.headless->Presented(f.hwnd);
  ASSERT_NE(shown, nullptr);
  for (int i = 0; i < 40 && !done; ++i) f.headless->Advance(15);
  EXPECT_TRUE(done);
  EXPECT_TRUE(f.window->OpenEffect().Finished());
  EXPECT_GT(Presents(f), before);  // the effect's frames
  EXPECT_EQ(f.headless->Presented(f.hwnd)->alpha, 255);
  const int afterEffect = Presents(f);
  f.Frame();
  EXPECT_EQ(Presents(f), afterEffect + 1);  // the window presents itself again, once
  f.Frame();
  EXPECT_EQ(Presents(f), afterEffect + 1);
}

TEST(UiWindowTransitions, HoverFadeRunsOnItsTimerAndReleasesItsLayers) {
  WindowFixture f;
  auto& probe = f.AddProbe(10, 10, 30, 30);
  f.Frame();
  probe.Transition();
  const ElementRecord* rec = Registry().Find(probe.Key());
  EXPECT_EQ(rec->surfaces->extra.layers.size(), 2u);
  EXPECT_EQ(probe.TimerIds().size(), 1u);
  // 25 per 10 ms tick: 255 is reached on the 11th tick.
  for (int i = 0; i < 10; ++i) f.headless->Advance(10);
  EXPECT_EQ(rec->surfaces->extra.layers.size(), 2u);
  f.headless->Advance(10);
  EXPECT_TRUE(rec->surfaces->extra.layers.empty());
  EXPECT_TRUE(probe.TimerIds().empty());
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
  UiPicButton* close = f.window->CaptionButton(0);
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->GetTipText(), "\xB9\xD8\xB1\xD5");
  f.headless->MoveMouse(close->PointToScreen({4, 4}));
  ASSERT_NE(f.window->Tip(), nullptr);
  f.headless->Advance(600);
  EXPECT_TRUE(f.window->Tip()->TipShown());
  f.headless->MoveMouse(WindowFixture::At(100, 100));
  EXPECT_FALSE(f.window->Tip()->TipShown());
}

TEST(UiPicButton, OwnCursorShowsWhileHovered) {
  WindowFixture f;
  const auto& picture = f.window->CaptionButton(0)->Image(UiPicButton::Slot::Normal);
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
