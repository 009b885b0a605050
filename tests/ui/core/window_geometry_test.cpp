#include <gtest/gtest.h>

#include <algorithm>

#include "tests/ui/core/window_test_support.h"
#include "ui/core/frame.h"
#include "ui/core/element_record.h"
#include "ui/core/element_registry.h"
#include "ui/core/pic_button.h"

namespace quillmar {
namespace {

using testing::Logged;
using testing::WindowFixture;

size_t Count(const std::vector<Logged>& log, uint32_t msg) {
  size_t n = 0;
  for (const Logged& l : log) n += l.msg == msg ? 1 : 0;
  return n;
}

TEST(UiWindowMaximize, CoversTheWorkAreaWithTheSizingBandOffScreen) {
  BindOptions options;
  options.captionFlags = 7;
  WindowFixture f(300, 200, options);
  f.Frame();
  ws::System().ShowWindow(f.hwnd, Show::Maximized);
  const Rect r = ws::System().WindowRect(f.hwnd);
  // Default screen 1366 x 768 with a 40-pixel panel at the bottom.
  EXPECT_EQ(r, (Rect{-6, -6, 1378, 740}));
  EXPECT_EQ(f.window->GetWidth(), 1378);
  EXPECT_EQ(f.window->GetHeight(), 740);
  // The caption row follows the new width; the maximize button shows "restore".
  EXPECT_EQ(f.window->Frame()->CaptionButton(0)->GetLeft(), 1378 - 32 - 12);
  EXPECT_EQ(f.window->Frame()->CaptionButton(2)->GetTipText(), "\xBB\xB9\xD4\xAD");
  ws::System().ShowWindow(f.hwnd, Show::Normal);
  EXPECT_EQ(f.window->GetWidth(), 300);
  EXPECT_EQ(f.window->Frame()->CaptionButton(2)->GetTipText(), "\xD7\xEE\xB4\xF3\xBB\xAF");
}

TEST(UiWindowMaximize, FullScreenAndRightHandTaskbar) {
  WindowFixture f;
  f.window->SetFullScreenMax(1);
  ws::System().ShowWindow(f.hwnd, Show::Maximized);
  EXPECT_EQ(ws::System().WindowRect(f.hwnd), (Rect{-6, -6, 1378, 780}));
  ws::System().ShowWindow(f.hwnd, Show::Normal);
  f.window->SetFullScreenMax(0);
  f.headless->SetScreen({1366, 768}, Rect{0, 0, 1306, 768},
                        ws::TaskbarInfo{false, 2, Rect::FromLtrb(1306, 0, 1366, 768)});
  ws::System().Send(f.hwnd, Msg::WorkAreaChanged, 0, 0);
  ws::System().ShowWindow(f.hwnd, Show::Maximized);
  EXPECT_EQ(ws::System().WindowRect(f.hwnd), (Rect{-6, -6, 1318, 780}));
}

TEST(UiWindowMaximize, FillsTheWorkAreaOfTheMonitorTheWindowIsOn) {
  WindowFixture f;
  // A taller monitor left of the primary one, reaching above it, each with a panel at the bottom.
  const Rect left{-1280, -200, 1280, 1024};
  f.headless->SetMonitors(
      {{Rect{0, 0, 1366, 768}, Rect{0, 0, 1366, 728}, ws::TaskbarInfo{false, 3, Rect::FromLtrb(0, 728, 1366, 768)}},
       {left, Rect{-1280, -200, 1280, 984}, ws::TaskbarInfo{false, 3, Rect{-1280, 784, 1280, 40}}}});
  ws::WindowSystem& sys = ws::System();
  sys.MoveWindow(f.hwnd, Rect{-900, 100, 300, 200});
  sys.ShowWindow(f.hwnd, Show::Maximized);
  EXPECT_EQ(sys.WindowRect(f.hwnd), (Rect{-1286, -206, 1292, 996}));
  sys.ShowWindow(f.hwnd, Show::Normal);
  f.window->SetFullScreenMax(1);
  sys.ShowWindow(f.hwnd, Show::Maximized);
  EXPECT_EQ(sys.WindowRect(f.hwnd), (Rect{-1286, -206, 1292, 1036}));
  sys.ShowWindow(f.hwnd, Show::Normal);
  f.window->SetFullScreenMax(0);
  // Back on the primary monitor its own work area counts again.
  sys.MoveWindow(f.hwnd, Rect{200, 100, 300, 200});
  sys.ShowWindow(f.hwnd, Show::Maximized);
  EXPECT_EQ(sys.WindowRect(f.hwnd), (Rect{-6, -6, 1378, 740}));
}

TEST(UiWindowSizing, BandShowsTheCursorAndADragResizesWithClamping) {
  WindowFixture f;
  auto& probe = f.AddProbe(0, 40, 40, 40);
  f.Frame();
  ws::WindowSystem& sys = ws::System();
  // 3 pixels inside the left edge, 100 below the top; the probe lies beneath.
  f.headless->MoveMouse({testing::kWinX + 3, testing::kWinY + 100});
  EXPECT_EQ(sys.CurrentCursor(), sys.LoadSystemCursor(ws::SystemCursor::SizeWe));
  EXPECT_EQ(f.window->GetSizingCursorSet(), 1);
  EXPECT_EQ(probe.GetHovered(), 0);
  f.headless->PressButton(ws::MouseButton::Left);
  EXPECT_EQ(sys.Capture(), f.hwnd);
  EXPECT_FALSE(f.headless->MoveDragActive());
  f.headless->MoveMouse({testing::kWinX - 47, testing::kWinY + 100});
  EXPECT_EQ(sys.WindowRect(f.hwnd),
            (Rect::FromLtrb(testing::kWinX - 50, testing::kWinY, testing::kWinX + 300, testing::kWinY + 200)));
  EXPECT_EQ(f.window->GetWidth(), 350);
  // Past the right edge the left edge stops at right - (2 * 6 + 10).
  f.headless->MoveMouse({testing::kWinX + 400, testing::kWinY + 100});
  EXPECT_EQ(sys.WindowRect(f.hwnd).x, testing::kWinX + 300 - 22);
  f.headless->ReleaseButton(ws::MouseButton::Left);
  EXPECT_EQ(sys.Capture(), 0);
  // Well inside: the ordinary cursor and hover come back.
  f.headless->MoveMouse({testing::kWinX + 290, testing::kWinY + 100});
  EXPECT_EQ(f.window->GetSizingCursorSet(), 0);
}

TEST(UiWindowSizing, TheBandStillSizesAfterTheWindowWasDraggedByItsBackground) {
  WindowFixture f;
  f.Frame();
  ws::WindowSystem& sys = ws::System();
  f.headless->MoveMouse({testing::kWinX + 150, testing::kWinY + 100});
  f.headless->PressButton(ws::MouseButton::Left);
  ASSERT_TRUE(f.headless->MoveDragActive());
  f.headless->MoveMouse({testing::kWinX + 170, testing::kWinY + 110});
  f.headless->ReleaseButton(ws::MouseButton::Left);
  EXPECT_FALSE(f.headless->MoveDragActive());
  EXPECT_EQ(f.window->GetLeft(), testing::kWinX + 20) << "the framework hears where the drag ended";
  // The right band of the moved window: 3 pixels inside its right edge.
  const Rect moved = sys.WindowRect(f.hwnd);
  f.headless->MoveMouse({moved.Right() - 3, moved.y + 100});
  EXPECT_EQ(f.window->GetSizingCursorSet(), 1);
  f.headless->PressButton(ws::MouseButton::Left);
  f.headless->MoveMouse({moved.Right() + 37, moved.y + 100});
  f.headless->ReleaseButton(ws::MouseButton::Left);
  EXPECT_EQ(sys.WindowRect(f.hwnd), (Rect{moved.x, moved.y, 340, 200}));
}

TEST(UiWindowSizing, MaximizedOrDisabledWindowsAreNeverSized) {
  WindowFixture f;
  f.Frame();
  ws::System().Enable(f.hwnd, false);
  EXPECT_EQ(f.window->SizingHitTest(f.hwnd, Msg::MouseMove), -1);
  ws::System().Enable(f.hwnd, true);
  ws::System().ShowWindow(f.hwnd, Show::Maximized);
  EXPECT_EQ(f.window->SizingHitTest(f.hwnd, Msg::MouseMove), -1);
}

TEST(UiWindowPlace, ControlsRaiseMovedForAMoveAndResizedForAResize) {
  WindowFixture f;
  auto& probe = f.AddProbe(10, 10, 40, 40);
  f.Take();
  probe.Place(20, std::nullopt, std::nullopt, std::nullopt);
  auto log = f.Take();
  EXPECT_EQ(Count(log, Event::Moved), 1u);
  EXPECT_EQ(Count(log, Event::Resized), 0u);
  probe.Place(std::nullopt, std::nullopt, 60, std::nullopt);
  log = f.Take();
  EXPECT_EQ(Count(log, Event::Moved), 0u);
  EXPECT_EQ(Count(log, Event::Resized), 1u);
  EXPECT_EQ(probe.GetBounds(), (Rect{20, 10, 60, 40}));
  probe.Place(20, 10, 60, 40);
  EXPECT_TRUE(f.Take().empty());
}

TEST(UiWindowPlace, ElementsTellTheirRoutineTheNewSize) {
  ws::ScopedHeadless headless;
  UiWindow element;
  element.Register(0, 0, 50, 50, "OVCL_LABEL");
  std::vector<std::pair<uint32_t, LParam>> seen;
  element.SetUserHandler([&](Hwnd, int32_t, uint32_t msg, WParam wParam, LParam lParam) {
    seen.emplace_back(msg, msg == Msg::Size ? lParam : static_cast<LParam>(wParam));
    return 1;
  });
  element.Place(std::nullopt, std::nullopt, 80, std::nullopt);
  // The routine hears the size as WM_SIZE first, then as the resize event, always with the new size.
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front(), (std::pair<uint32_t, LParam>{Msg::Size, static_cast<LParam>(MakeLong(80, 50))}));
  for (const auto& [msg, value] : seen) {
    EXPECT_NE(msg, Event::Moved);
    if (msg == Event::Resized) {
      EXPECT_EQ(value, 80);
    }
  }
  EXPECT_EQ(element.Canvas()->Width(), 81);
  seen.clear();
  element.Place(5, 6, std::nullopt, std::nullopt);
  EXPECT_EQ(seen, (std::vector<std::pair<uint32_t, LParam>>{{Event::Moved, 5}}));
}

TEST(UiWindowShow, MinimizedOrHiddenWindowsPresentNothing) {
  WindowFixture f;
  f.Frame();
  const int presents = f.headless->Presented(f.hwnd)->presentCount;
  f.window->ShowState(Show::Minimized);
  EXPECT_TRUE(ws::System().IsIconic(f.hwnd));
  f.window->InvalidateRect();
  f.Frame();
  EXPECT_EQ(f.headless->Presented(f.hwnd)->presentCount, presents);
  f.window->ShowState(Show::Restore);
  EXPECT_FALSE(ws::System().IsIconic(f.hwnd));
  f.Frame();
  EXPECT_EQ(f.headless->Presented(f.hwnd)->presentCount, presents + 1);
  f.window->SetVisible(0);
  EXPECT_FALSE(ws::System().IsVisible(f.hwnd));
  EXPECT_EQ(f.window->GetVisible(), 0);
  f.window->SetVisible(1);
  EXPECT_TRUE(ws::System().IsVisible(f.hwnd));
}

TEST(UiControl, SettersRepaintOnlyOnARealChange) {
  struct Labelish : UiControl {
    std::string text;
    void SetText(const std::string& value) { Assign(text, value); }
    int32_t Make(UiWindow* parent) {
      const int32_t key = CreateElement(parent, true, 0, 0, 10, 10, "OVCL_LABEL");
      FinishCreate();
      return key;
    }
  };
  WindowFixture f;
  Labelish label;
  const int32_t key = label.Make(f.window.get());
  EXPECT_EQ(label.GetParentKey(), f.window->Key());
  f.Frame();
  EXPECT_EQ(Registry().Find(key)->needsRepaint, 0);
  label.SetText("a");
  EXPECT_EQ(Registry().Find(key)->needsRepaint, 1);
  f.Frame();
  label.SetText("a");
  EXPECT_EQ(Registry().Find(key)->needsRepaint, 0);
}

TEST(UiPicButton, DisposedButtonIsNoLongerHitOrClickedAndCanBeCreatedAgain) {
  WindowFixture f;
  UiPicButton button;
  int clicks = 0;
  const EventRoutine count = [&clicks](Hwnd, int32_t, uint32_t msg, WParam, LParam) {
    if (msg == Event::Click) ++clicks;
    return 1;
  };
  const ImageHandle picture = f.window->Frame()->CaptionButton(0)->Image(UiPicButton::Slot::Normal);
  button.Create(f.window.get(), true, 10, 10, 30, 23, picture);
  button.SetUserHandler(count);
  f.Frame();
  button.Dispose();
  f.Frame();
  f.headless->Click(WindowFixture::At(20, 20));
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(f.window->HoverKey(), 0);
  // The same object makes a new, working button.
  button.Create(f.window.get(), true, 10, 10, 30, 23, picture);
  button.SetUserHandler(count);
  f.Frame();
  f.headless->Click(WindowFixture::At(20, 20));
  EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace quillmar
