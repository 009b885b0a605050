// The window-system scenarios every backend must pass. Instantiated for the
// headless backend in every run and for GTK under a display.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <thread>

#include "tests/platform/ws/scenario_test.h"

namespace quillmar::ws::testing {

namespace {

constexpr Rect kWindow{200, 150, 240, 160};
constexpr Point kOutside{100, 100};
constexpr uint32_t kLeft = 0xFFC03020;   // opaque, left half
constexpr uint32_t kRight = 0xFF2040C0;  // opaque, right half

Point Screen(Point client) { return Point{kWindow.x + client.x, kWindow.y + client.y}; }
Point ClientOf(LParam l) {
  return Point{SignedLowWord(static_cast<uint64_t>(l)), SignedHighWord(static_cast<uint64_t>(l))};
}

// A 2 x 2 cursor file with a 32-bit image and its hotspot at (1, 0).
std::vector<uint8_t> TinyCursorFile(uint16_t type) {
  std::vector<uint8_t> b = {0,  0, static_cast<uint8_t>(type),
                            0,  1, 0,  // header
                            2,  2, 0,
                            0,  1, 0,
                            0,  0, 64,
                            0,  0, 0,
                            22, 0, 0,
                            0};                                                 // entry: 64 bytes at 22
  const uint8_t info[40] = {40, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 32, 0};  // width 2, height 2 x 2
  // Element by element: GCC 12 sees a range insert here as a copy past the vector's end.
  for (uint8_t v : info) b.push_back(v);
  for (int i = 0; i < 4; ++i) {
    for (uint8_t v : {0x20, 0x40, 0x80, 0xFF}) b.push_back(v);  // opaque pixels
  }
  b.resize(b.size() + 8, 0);  // AND mask, two padded rows
  return b;
}

}  // namespace

void WindowScenario::SetUp() {
  std::string why;
  driver_ = MakeDriver(GetParam(), &why);
  if (!driver_) GTEST_SKIP() << why;
}

void WindowScenario::TearDown() {
  if (!driver_) return;
  for (WindowHandle h : ws().TopLevelWindows()) ws().DestroyWindow(h);
  driver_->Pump(50);
}

WindowHandle WindowScenario::OpenWindow(Rect rect, Hook hook) {
  WindowClass cls;
  cls.name = "ScenarioWindow";
  cls.style = ClassStyle::DblClks;
  cls.cursor = ws().LoadSystemCursor(SystemCursor::Arrow);
  ws().AddWindowClass(cls);
  WindowCreateParams params;
  params.className = cls.name;
  params.title = "scenario";
  params.x = rect.x;
  params.y = rect.y;
  params.width = rect.width;
  params.height = rect.height;
  params.style = Style::Popup | Style::Visible;
  params.exStyle = ExStyle::Layered;
  const WindowHandle hwnd = ws().OpenWindow(params);
  if (hwnd == 0) return 0;
  ws().ReplaceWindowProc(hwnd, log_.Proc(ws(), std::move(hook)));
  // Two opaque halves, so the picture catches the mouse everywhere.
  picture_.assign(static_cast<size_t>(rect.width) * rect.height, 0);
  for (int32_t y = 0; y < rect.height; ++y) {
    for (int32_t x = 0; x < rect.width; ++x) {
      picture_[static_cast<size_t>(y) * rect.width + x] = x < rect.width / 2 ? kLeft : kRight;
    }
  }
  PixelView view{picture_.data(), rect.width, rect.height, rect.width * 4};
  ws().PresentLayered(hwnd, Point{rect.x, rect.y}, Size{rect.width, rect.height}, view, 255);
  // Until the desktop shows the whole picture where the window is (both
  // halves, far corners): a busy compositor may still be on its way.
  driver_->PumpUntil(
      [&] {
        return driver_->ReadBack(hwnd, Point{2, 2}) == kLeft &&
               driver_->ReadBack(hwnd, Point{rect.width - 3, rect.height - 3}) == kRight;
      },
      5000);
  driver_->Pump(100);
  log_.Clear();
  return hwnd;
}

TEST_P(WindowScenario, PresentedPictureReadsBack) {
  const WindowHandle hwnd = OpenWindow(kWindow);
  ASSERT_NE(hwnd, 0);
  const std::pair<Point, uint32_t> expected[] = {
      {{5, 5}, kLeft}, {{119, 80}, kLeft}, {{120, 80}, kRight}, {{239, 159}, kRight}};
  // Waits for the picture rather than for a time: on a loaded machine the
  // compositor may show it a while after the present.
  driver_->PumpUntil(
      [&] {
        return std::all_of(std::begin(expected), std::end(expected),
                           [&](const auto& e) { return driver_->ReadBack(hwnd, e.first) == e.second; });
      },
      5000);
  EXPECT_EQ(driver_->ReadBack(hwnd, Point{5, 5}), kLeft);
  EXPECT_EQ(driver_->ReadBack(hwnd, Point{119, 80}), kLeft);
  EXPECT_EQ(driver_->ReadBack(hwnd, Point{120, 80}), kRight);
  EXPECT_EQ(driver_->ReadBack(hwnd, Point{239, 159}), kRight);
  EXPECT_EQ(ws().WindowRect(hwnd), kWindow);
}

TEST_P(WindowScenario, ADamagedPresentShowsItsRectanglesAndClicksPassWhereTheyCleared) {
  const WindowHandle hwnd = OpenWindow(kWindow);
  ASSERT_NE(hwnd, 0);
  // One present clears a square on the left and recolours a spot on the right.
  const Rect cleared{10, 10, 40, 40};
  const Rect recoloured{150, 50, 20, 20};
  for (int32_t y = 0; y < kWindow.height; ++y) {
    for (int32_t x = 0; x < kWindow.width; ++x) {
      uint32_t& px = picture_[static_cast<size_t>(y) * kWindow.width + x];
      if (cleared.Contains({x, y})) px = 0;
      if (recoloured.Contains({x, y})) px = kLeft;
    }
  }
  const std::vector<Rect> damage{cleared, recoloured};
  const PixelView view{picture_.data(), kWindow.width, kWindow.height, kWindow.width * 4};
  ws().PresentLayered(hwnd, kWindow.Origin(), kWindow.GetSize(), view, 255, PresentDamage::Of(damage));
  ASSERT_TRUE(driver_->PumpUntil([&] { return driver_->ReadBack(hwnd, Point{160, 60}) == kLeft; }, 3000));
  EXPECT_EQ(driver_->ReadBack(hwnd, Point{5, 5}), kLeft);
  EXPECT_EQ(driver_->ReadBack(hwnd, Point{200, 100}), kRight);
  // The cleared square lets the click through; next to it the window takes it.
  driver_->Click(Screen({30, 30}), MouseButton::Left);
  driver_->Pump(300);
  EXPECT_EQ(log_.Count(Msg::LButtonDown), 0u);
  driver_->Click(Screen({60, 30}), MouseButton::Left);
  ASSERT_TRUE(driver_->PumpUntil([&] { return log_.Count(Msg::LButtonUp) == 1; }, 3000));
  EXPECT_EQ(ClientOf(log_.Of(Msg::LButtonDown)[0].lParam), (Point{60, 30}));
}

TEST_P(WindowScenario, ClicksArriveWithClientCoordinates) {
  const WindowHandle hwnd = OpenWindow(kWindow);
  ASSERT_NE(hwnd, 0);
  driver_->Click(Screen({20, 30}), MouseButton::Left);
  ASSERT_TRUE(driver_->PumpUntil([&] { return log_.Count(Msg::LButtonUp) == 1; }, 3000));
  ASSERT_EQ(log_.Count(Msg::LButtonDown), 1u);
  EXPECT_EQ(ClientOf(log_.Of(Msg::LButtonDown)[0].lParam), (Point{20, 30}));
  EXPECT_EQ(log_.Of(Msg::LButtonDown)[0].wParam & Mk::LButton, Mk::LButton);
  EXPECT_EQ(ClientOf(log_.Of(Msg::LButtonUp)[0].lParam), (Point{20, 30}));
  EXPECT_EQ(log_.Of(Msg::LButtonUp)[0].wParam & Mk::LButton, 0u);

  driver_->Click(Screen({200, 100}), MouseButton::Right);
  ASSERT_TRUE(driver_->PumpUntil([&] { return log_.Count(Msg::RButtonUp) == 1; }, 3000));
  EXPECT_EQ(ClientOf(log_.Of(Msg::RButtonDown)[0].lParam), (Point{200, 100}));
  EXPECT_EQ(ws().Focus(), hwnd);
}

TEST_P(WindowScenario, DoubleClickArrivesOnceAfterAPlainPress) {
  const WindowHandle hwnd = OpenWindow(kWindow);
  ASSERT_NE(hwnd, 0);
  driver_->DoubleClick(Screen({50, 60}));
  ASSERT_TRUE(driver_->PumpUntil([&] { return log_.Count(Msg::LButtonUp) == 2; }, 3000));
  EXPECT_EQ(log_.Count(Msg::LButtonDown), 1u);
  ASSERT_EQ(log_.Count(Msg::LButtonDblClk), 1u);
  EXPECT_EQ(ClientOf(log_.Of(Msg::LButtonDblClk)[0].lParam), (Point{50, 60}));
}

TEST_P(WindowScenario, WheelCarriesSignedDeltaAndScreenPosition) {
  const WindowHandle hwnd = OpenWindow(kWindow);
  ASSERT_NE(hwnd, 0);
  driver_->MoveMouse(Screen({30, 40}));
  driver_->Pump(50);
  driver_->Wheel(1);
  ASSERT_TRUE(driver_->PumpUntil([&] { return log_.Count(Msg::MouseWheel) == 1; }, 3000));
  driver_->Wheel(-1);
  ASSERT_TRUE(driver_->PumpUntil([&] { return log_.Count(Msg::MouseWheel) == 2; }, 3000));
  const auto wheel = log_.Of(Msg::MouseWheel);
  EXPECT_EQ(SignedHighWord(wheel[0].wParam), 120);
  EXPECT_EQ(SignedHighWord(wheel[1].wParam), -120);
  EXPECT_EQ(ClientOf(wheel[0].lParam), Screen({30, 40}));
}

TEST_P(WindowScenario, KeysAndTypedTextArriveAsKeyAndCharMessages) {
  const WindowHandle hwnd = OpenWindow(kWindow);
  ASSERT_NE(hwnd, 0);
  driver_->Click(Screen({10, 10}), MouseButton::Left);  // focus
  ASSERT_TRUE(driver_->PumpUntil([&] { return ws().Focus() == hwnd; }, 3000));
  driver_->Key(Vk::Left);
  driver_->Key(Vk::Return);
  driver_->Type("Hi 7!");
  ASSERT_TRUE(driver_->PumpUntil([&] { return log_.Count(Msg::Char) == 6; }, 3000));
  driver_->Pump(100);
  std::vector<WParam> downs;
  for (const auto& e : log_.Of(Msg::KeyDown)) downs.push_back(e.wParam);
  ASSERT_GE(downs.size(), 2u);
  EXPECT_EQ(downs[0], static_cast<WParam>(Vk::Left));
  EXPECT_EQ(downs[1], static_cast<WParam>(Vk::Return));
  EXPECT_NE(std::find(downs.begin(), downs.end(), static_cast<WParam>('H')), downs.end());
  EXPECT_NE(std::find(downs.begin(), downs.end(), static_cast<WParam>('7')), downs.end());
  std::u16string typed;
  for (const auto& e : log_.Of(Msg::Char)) typed.push_back(static_cast<char16_t>(e.wParam));
  EXPECT_EQ(typed, u"\rHi 7!");
  for (const auto& e : log_.Of(Msg::Char)) EXPECT_NE(e.lParam, 1) << "lParam 1 marks input-method characters";
  EXPECT_GE(log_.Count(Msg::KeyUp), 2u);
}

TEST_P(WindowScenario, CtrlIsDownWhileAShortcutKeyArrives) {
  std::vector<bool> ctrlAtV;
  const WindowHandle hwnd =
      OpenWindow(kWindow, [&](WindowHandle, uint32_t msg, WParam w, LParam) -> std::optional<LResult> {
        if (msg == Msg::KeyDown && w == 'V')
          ctrlAtV.push_back(ws().IsKeyDown(Vk::LControl) || ws().IsKeyDown(Vk::RControl));
        return std::nullopt;
      });
  ASSERT_NE(hwnd, 0);
  driver_->Click(Screen({10, 10}), MouseButton::Left);
  ASSERT_TRUE(driver_->PumpUntil([&] { return ws().Focus() == hwnd; }, 3000));
  driver_->CtrlKey('V');
  driver_->Key('V');
  ASSERT_TRUE(driver_->PumpUntil([&] { return ctrlAtV.size() == 2; }, 3000));
  EXPECT_TRUE(ctrlAtV[0]);
  EXPECT_FALSE(ctrlAtV[1]) << "Ctrl is up again";
  EXPECT_FALSE(ws().IsKeyDown(Vk::Control));
  const auto chars = log_.Of(Msg::Char);
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[0].wParam, 22u) << "Ctrl+V types the control character";
  EXPECT_EQ(chars[1].wParam, static_cast<WParam>('v'));
}

TEST_P(WindowScenario, TextBeyondAsciiArrivesAsACompositionResult) {
  std::u16string received;
  const WindowHandle hwnd =
      OpenWindow(kWindow, [&](WindowHandle h, uint32_t msg, WParam, LParam l) -> std::optional<LResult> {
        if (msg == Msg::ImeComposition && (l & Ime::ResultStr) != 0) {
          ws().SetImePosition(h, Point{30, 40});
          received += ws().ImeResult(h);
        }
        return std::nullopt;
      });
  ASSERT_NE(hwnd, 0);
  driver_->Click(Screen({10, 10}), MouseButton::Left);
  ASSERT_TRUE(driver_->PumpUntil([&] { return ws().Focus() == hwnd; }, 3000));
  driver_->TypeUnicode(u"\u7535\u5F71", "\xE7\x94\xB5\xE5\xBD\xB1");  // 电影
  ASSERT_TRUE(driver_->PumpUntil([&] { return received.size() >= 2; }, 3000)) << received.size();
  EXPECT_EQ(received, u"\u7535\u5F71");
  for (const auto& e : log_.Of(Msg::Char)) EXPECT_LT(e.wParam, 0x80u) << "no raw character messages beyond ASCII";
}

TEST_P(WindowScenario, ScreenFactsDescribeTheTestScreen) {
  const Size screen = ws().ScreenSize();
  if (driver_->Exact()) {
    EXPECT_EQ(screen, (Size{1366, 768}));
  } else {  // whatever display the run was given; the test scripts make it 1366 x 768
    EXPECT_GE(screen.width, kWindow.Right());
    EXPECT_GE(screen.height, kWindow.Bottom());
  }
  const Rect work = ws().WorkArea();
  EXPECT_GE(work.x, 0);
  EXPECT_GE(work.y, 0);
  EXPECT_LE(work.Right(), screen.width);
  EXPECT_LE(work.Bottom(), screen.height);
  EXPECT_GT(work.width, 0);
  const TaskbarInfo bar = ws().Taskbar();
  if (!bar.autoHide) {
    EXPECT_GT(bar.rect.width * bar.rect.height, 0);
  }
  EXPECT_FALSE(ws().SetBlurBehind(0, std::nullopt));
  if (GetParam() == "win32") {  // the system's own version, "6.1" style
    const std::string version = ws().OsVersionText();
    EXPECT_TRUE(version.size() >= 3 && version.find('.') != std::string::npos && std::isdigit(version[0]) != 0)
        << version;
  } else {
    EXPECT_EQ(ws().OsVersionText(), "");
  }
}

TEST_P(WindowScenario, HoverAndLeaveFollowATrackingRequest) {
  WindowHandle hwnd = OpenWindow(kWindow, [&](WindowHandle h, uint32_t msg, WParam, LParam) -> std::optional<LResult> {
    if (msg == Msg::MouseMove) ws().TrackMouse(h, Track::Hover | Track::Leave, 1);
    return std::nullopt;
  });
  ASSERT_NE(hwnd, 0);
  driver_->MoveMouse(Screen({60, 60}));
  ASSERT_TRUE(driver_->PumpUntil([&] { return log_.Count(Msg::MouseHover) >= 1; }, 3000));
  EXPECT_EQ(ClientOf(log_.Of(Msg::MouseHover)[0].lParam), (Point{60, 60}));
  EXPECT_EQ(log_.Count(Msg::MouseLeave), 0u);
  driver_->MoveMouse(kOutside);
  ASSERT_TRUE(driver_->PumpUntil([&] { return log_.Count(Msg::MouseLeave) == 1; }, 3000));
}

TEST_P(WindowScenario, CaptureKeepsMouseMessagesComingWhileOutside) {
  WindowHandle hwnd = OpenWindow(kWindow, [&](WindowHandle h, uint32_t msg, WParam, LParam) -> std::optional<LResult> {
    if (msg == Msg::LButtonDown) ws().SetCapture(h);
    if (msg == Msg::LButtonUp) ws().ReleaseCapture();
    return std::nullopt;
  });
  ASSERT_NE(hwnd, 0);
  driver_->MoveMouse(Screen({100, 80}));
  driver_->Pump(50);
  driver_->Press(MouseButton::Left);
  ASSERT_TRUE(driver_->PumpUntil([&] { return ws().Capture() == hwnd; }, 3000));
  log_.Clear();
  driver_->MoveMouse(Point{kWindow.Right() + 60, kWindow.Bottom() + 40});
  ASSERT_TRUE(driver_->PumpUntil([&] { return !log_.Of(Msg::MouseMove).empty(); }, 3000));
  EXPECT_EQ(ClientOf(log_.Of(Msg::MouseMove).back().lParam), (Point{300, 200}));
  driver_->Release(MouseButton::Left);
  ASSERT_TRUE(driver_->PumpUntil([&] { return log_.Count(Msg::LButtonUp) == 1; }, 3000));
  EXPECT_EQ(ClientOf(log_.Of(Msg::LButtonUp)[0].lParam), (Point{300, 200}));
  EXPECT_EQ(ws().Capture(), 0);
}

TEST_P(WindowScenario, TimerFiresAtItsIntervalAndStopsWhenKilled) {
  const WindowHandle hwnd = OpenWindow(kWindow);
  ASSERT_NE(hwnd, 0);
  int ticks = 0;
  const uint32_t id = ws().SetWindowTimer(hwnd, 7, 50, [&](uint32_t) { ++ticks; });
  EXPECT_EQ(id, 7u);
  driver_->Pump(500);
  if (driver_->Exact()) {
    EXPECT_EQ(ticks, 10);
  } else {
    EXPECT_GE(ticks, 4);
    EXPECT_LE(ticks, 11);
  }
  EXPECT_TRUE(ws().KillWindowTimer(hwnd, 7));
  const int atKill = ticks;
  driver_->Pump(200);
  EXPECT_EQ(ticks, atKill);

  int elementTicks = 0;
  const uint32_t periodic = ws().StartPeriodicTimer(100, [&](uint32_t) { ++elementTicks; });
  driver_->Pump(450);
  EXPECT_GE(elementTicks, driver_->Exact() ? 4 : 2);
  EXPECT_LE(elementTicks, 5);
  EXPECT_TRUE(ws().StopPeriodicTimer(periodic));
  const int atStop = elementTicks;
  driver_->Pump(250);
  EXPECT_EQ(elementTicks, atStop);
}

TEST_P(WindowScenario, PostFromAWorkerArrivesOnTheUiThread) {
  const WindowHandle hwnd = OpenWindow(kWindow);
  ASSERT_NE(hwnd, 0);
  std::atomic<bool> taskOnUi{false};
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) ws().Post(hwnd, Msg::User + 1, static_cast<WParam>(i), 0);
    ws().PostTask([&] { taskOnUi = ws().OnUiThread(); });
  });
  worker.join();
  ASSERT_TRUE(driver_->PumpUntil([&] { return log_.Count(Msg::User + 1) == 100 && taskOnUi; }, 3000));
  const auto posted = log_.Of(Msg::User + 1);
  for (size_t i = 0; i < posted.size(); ++i) {
    EXPECT_EQ(posted[i].wParam, i) << "posts keep their order";
    EXPECT_TRUE(posted[i].onUiThread);
  }
}

TEST_P(WindowScenario, CursorsFromTheSystemAndFromCursorFileBytes) {
  const WindowHandle hwnd = OpenWindow(kWindow);
  ASSERT_NE(hwnd, 0);
  const CursorHandle hand = ws().LoadSystemCursor(SystemCursor::Hand);
  EXPECT_NE(hand, 0u);
  EXPECT_EQ(ws().LoadSystemCursor(SystemCursor::Hand), hand) << "system cursors are shared";
  const CursorHandle fromFile = ws().CreateCursorFromFile(TinyCursorFile(2));
  EXPECT_NE(fromFile, 0u);
  EXPECT_EQ(ws().CreateCursorFromFile(TinyCursorFile(1)), 0u) << "an icon file is refused";
  auto pastEnd = TinyCursorFile(2);
  pastEnd.resize(pastEnd.size() - 1);
  EXPECT_EQ(ws().CreateCursorFromFile(pastEnd), 0u) << "the image runs past the end";
  ws().SetCursor(hand);
  EXPECT_EQ(ws().SetCursor(fromFile), hand);
  EXPECT_EQ(ws().CurrentCursor(), fromFile);
  ws().DestroyCursor(fromFile);
  EXPECT_EQ(ws().CurrentCursor(), 0u);
  driver_->Pump(50);
}

TEST_P(WindowScenario, ClipboardRoundTrip) {
  const std::u16string text = u"magnet:?xt=urn:btih:ABC \u64B8\u4E00\u7BA1";
  ASSERT_TRUE(ws().SetClipboardText(text, "magnet"));
  driver_->Pump(50);
  EXPECT_EQ(ws().ClipboardText(), text);
}

TEST_P(WindowScenario, NestedLoopEndsWhenItsWindowIsDestroyed) {
  const WindowHandle owner = OpenWindow(kWindow);
  ASSERT_NE(owner, 0);
  const WindowHandle box = OpenWindow(Rect{500, 300, 100, 80});
  ASSERT_NE(box, 0);
  int ticksInside = 0;
  ws().SetWindowTimer(owner, 1, 20, [&](uint32_t) { ++ticksInside; });
  ws().SetWindowTimer(box, 2, 200, [&](uint32_t) { ws().Send(box, Msg::Close, 0, 0); });
  EXPECT_TRUE(ws().RunModalLoop(box)) << "ended by the destroyed window, not by a quit";
  EXPECT_FALSE(ws().IsWindow(box));
  EXPECT_GE(ticksInside, 3) << "timers keep running inside the nested loop";

  // A quit inside a nested loop ends it and then the outer loop too.
  const WindowHandle box2 = OpenWindow(Rect{500, 300, 100, 80});
  ws().SetWindowTimer(box2, 3, 50, [&](uint32_t) {
    ws().KillWindowTimer(box2, 3);
    ws().PostQuit(42);
  });
  EXPECT_FALSE(ws().RunModalLoop(box2));
  EXPECT_TRUE(ws().IsWindow(box2));
  EXPECT_EQ(ws().RunLoop(), 42);
}

TEST_P(WindowScenario, ATimerStartedByAOneShotTimerTicksInTheLoopItsCallbackRuns) {
  // A one-shot timer whose callback opens a box: the box's own timers tick in the box's loop.
  const WindowHandle box = OpenWindow(Rect{500, 300, 100, 80});
  ASSERT_NE(box, 0);
  // Ends the box's loop should the inner timer never tick, rather than hang the test.
  ws().SetWindowTimer(box, 9, 3000, [&](uint32_t) { ws().DestroyWindow(box); });
  bool innerTicked = false;
  bool loopEnded = false;
  ws().SetWindowTimer(0, 0, 20, [&](uint32_t outer) {
    ws().KillWindowTimer(0, outer);
    ws().SetWindowTimer(0, 0, 20, [&](uint32_t inner) {
      ws().KillWindowTimer(0, inner);
      innerTicked = true;
      ws().DestroyWindow(box);
    });
    loopEnded = ws().RunModalLoop(box);
  });
  ASSERT_TRUE(driver_->PumpUntil([&] { return loopEnded; }, 5000));
  EXPECT_TRUE(innerTicked) << "the inner timer waited for the callback that started it";
}

TEST_P(WindowScenario, PopupClosesWhenItsOwnerIsClicked) {
  const WindowHandle owner = OpenWindow(kWindow);
  ASSERT_NE(owner, 0);
  driver_->Click(Screen({30, 30}), MouseButton::Left);
  ASSERT_TRUE(driver_->PumpUntil([&] { return ws().Focus() == owner; }, 3000));
  WindowClass cls;
  cls.name = "ScenarioPopup";
  cls.proc = [&](WindowHandle h, uint32_t msg, WParam w, LParam l) -> LResult {
    if (msg == Msg::KillFocus) {  // as a popup menu does
      ws().DestroyWindow(h);
      return 0;
    }
    return ws().DefaultProc(h, msg, w, l);
  };
  ws().AddWindowClass(cls);
  WindowCreateParams p;
  p.className = cls.name;
  p.x = 600;
  p.y = 400;
  p.width = 80;
  p.height = 60;
  p.style = Style::Popup | Style::Visible;
  p.exStyle = ExStyle::ToolWindow | ExStyle::Topmost | ExStyle::Layered;
  p.owner = owner;
  const WindowHandle popup = ws().OpenWindow(p);
  ASSERT_NE(popup, 0);
  std::vector<uint32_t> px(80 * 60, 0xFF000000);
  ws().PresentLayered(popup, {600, 400}, {80, 60}, PixelView{px.data(), 80, 60, 320}, 255);
  ws().SetForeground(popup);
  driver_->Pump(500);
  ASSERT_TRUE(ws().IsWindow(popup)) << "opening the popup must not close it";
  EXPECT_EQ(ws().Focus(), popup);
  driver_->Click(Screen({30, 30}), MouseButton::Left);
  ASSERT_TRUE(driver_->PumpUntil([&] { return !ws().IsWindow(popup); }, 3000));
  EXPECT_EQ(ws().Focus(), owner);
}

TEST_P(WindowScenario, ShowStatesMinimiseRestoreMaximiseAndHide) {
  const WindowHandle hwnd =
      OpenWindow(kWindow, [&](WindowHandle, uint32_t msg, WParam, LParam l) -> std::optional<LResult> {
        if (msg == Msg::GetMinMaxInfo) {
          auto* info = reinterpret_cast<MinMaxInfo*>(l);
          info->maxSize = {300, 200};
          info->maxPosition = {50, 60};
          return 0;
        }
        return std::nullopt;
      });
  ASSERT_NE(hwnd, 0);
  ws().Send(hwnd, Msg::SysCommand, SysCmd::Minimize, 0);
  driver_->Pump(300);
  EXPECT_TRUE(ws().IsIconic(hwnd));
  EXPECT_TRUE(ws().IsVisible(hwnd));
  ws().ShowWindow(hwnd, Show::Restore);
  driver_->Pump(300);
  EXPECT_FALSE(ws().IsIconic(hwnd));
  EXPECT_EQ(ws().WindowRect(hwnd), kWindow);
  ASSERT_TRUE(driver_->PumpUntil([&] { return driver_->ReadBack(hwnd, Point{10, 10}) == kLeft; }, 3000));

  ws().ShowWindow(hwnd, Show::Maximized);
  EXPECT_TRUE(ws().IsZoomed(hwnd));
  EXPECT_EQ(ws().WindowRect(hwnd), (Rect{50, 60, 300, 200}));
  EXPECT_EQ(ToWire(SizeKind::Maximized), log_.Of(Msg::Size).back().wParam);
  ws().ShowWindow(hwnd, Show::Normal);
  EXPECT_EQ(ws().WindowRect(hwnd), kWindow);

  ws().ShowWindow(hwnd, Show::Hide);
  EXPECT_FALSE(ws().IsVisible(hwnd));
  EXPECT_EQ(log_.Of(Msg::ShowWindow).back().wParam, 0u);
  if (!driver_->Exact()) {
    EXPECT_TRUE(driver_->PumpUntil(
        [&] {
          return driver_->ReadBack(hwnd, Point{10, 10}) != kLeft;
        },
        3000))
        << "a hidden window leaves the screen";
  }
}

TEST_P(WindowScenario, CaptionDragMovesTheWindow) {
  WindowHandle hwnd = OpenWindow(kWindow, [&](WindowHandle h, uint32_t msg, WParam, LParam) -> std::optional<LResult> {
    if (msg == Msg::LButtonDown) ws().Send(h, Msg::NcLButtonDown, ToWire(HitTest::Caption), 0);
    return std::nullopt;
  });
  ASSERT_NE(hwnd, 0);
  driver_->MoveMouse(Screen({40, 40}));
  driver_->Pump(50);
  driver_->Press(MouseButton::Left);
  driver_->Pump(100);
  for (int step = 1; step <= 6; ++step) {
    driver_->MoveMouse(Point{kWindow.x + 40 + 10 * step, kWindow.y + 40 + 5 * step});
    driver_->Pump(30);
  }
  driver_->Release(MouseButton::Left);
  ASSERT_TRUE(driver_->PumpUntil([&] { return ws().WindowRect(hwnd).x == kWindow.x + 60; }, 3000))
      << "left at " << ws().WindowRect(hwnd).x;
  EXPECT_EQ(ws().WindowRect(hwnd).y, kWindow.y + 30);
  EXPECT_FALSE(log_.Of(Msg::Move).empty());
  // The drag swallowed the release; the window still hears that the button is up.
  driver_->MoveMouse(Point{kWindow.x + 110, kWindow.y + 80});
  EXPECT_TRUE(driver_->PumpUntil([&] { return !log_.Of(Msg::NcLButtonUp).empty(); }, 3000));
}

}  // namespace quillmar::ws::testing
