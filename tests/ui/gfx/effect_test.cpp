#include "ui/gfx/effect.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/draw/bitmap.h"
#include "platform/ws/headless_window_system.h"
#include "platform/ws/messages.h"

namespace quillmar {
namespace {

constexpr uint32_t kRed = 0xFFFF0000;

// What the window showed after one frame.
struct Shown {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int alpha = 0;
};

class EffectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto backend = std::make_unique<ws::HeadlessWindowSystem>();
    headless = backend.get();
    previous = ws::InstallSystem(std::move(backend));
    ws::WindowClass cls;
    cls.name = "EffectTestWindow";
    headless->AddWindowClass(cls);
    ws::WindowCreateParams params;
    params.className = cls.name;
    params.x = 100;
    params.y = 50;
    params.width = 100;
    params.height = 50;
    params.style = Style::Popup | Style::Visible;
    params.exStyle = ExStyle::Layered;
    window = headless->OpenWindow(params);
    source.Clear(kRed);
  }

  void TearDown() override {
    effect.reset();
    ws::InstallSystem(std::move(previous));
  }

  // Sets up `kind` over the window's rectangle and records every frame.
  void SetupKind(int kind, bool startNow = true) {
    effect->Setup(
        kind, &source, 100, 50, 100, 50, std::nullopt, startNow, [this] { ++doneCount; },
        [this](const draw::Bitmap&) {
          const auto* picture = headless->Presented(window);
          ASSERT_NE(picture, nullptr);
          shown.push_back(
              {picture->position.x, picture->position.y, picture->size.width, picture->size.height, picture->alpha});
        },
        window);
  }

  // Runs the virtual clock until the effect ends (or a generous limit).
  void RunToEnd() {
    for (int i = 0; i < 400 && doneCount == 0; ++i) headless->Advance(5);
  }

  std::vector<int> Alphas() const {
    std::vector<int> out;
    for (const Shown& s : shown) out.push_back(s.alpha);
    return out;
  }

  ws::HeadlessWindowSystem* headless = nullptr;
  std::unique_ptr<ws::WindowSystem> previous;
  ws::WindowHandle window = 0;
  draw::Bitmap source{100, 50};
  std::unique_ptr<UiEffect> effect = std::make_unique<UiEffect>();
  std::vector<Shown> shown;
  int doneCount = 0;
};

TEST_F(EffectTest, FadeInReachesFullAlphaOnTheEleventhFrameAndEndsOnTheNextTick) {
  SetupKind(1);
  // The first tick only initialises: nothing is shown yet.
  EXPECT_TRUE(shown.empty());
  EXPECT_TRUE(effect->Running());
  for (int tick = 1; tick <= 11; ++tick) headless->Advance(15);
  EXPECT_EQ(Alphas(), (std::vector<int>{25, 50, 75, 100, 125, 150, 175, 200, 225, 250, 255}));
  EXPECT_EQ(doneCount, 0);
  headless->Advance(15);
  EXPECT_EQ(doneCount, 1);
  EXPECT_EQ(shown.size(), 11u);
  EXPECT_FALSE(effect->Running());
  EXPECT_TRUE(effect->Finished());
  EXPECT_EQ(effect->TimerId(), 0u);
  EXPECT_TRUE(effect->Frame().IsEmpty());
  // Every frame showed the picture in place, unchanged.
  const auto* picture = headless->Presented(window);
  EXPECT_EQ(picture->position, (Point{100, 50}));
  EXPECT_EQ(picture->size, (Size{100, 50}));
  EXPECT_EQ(picture->At(0, 0), kRed);
  EXPECT_EQ(picture->At(99, 49), kRed);
  // The timer is gone: time passing changes nothing.
  headless->Advance(200);
  EXPECT_EQ(shown.size(), 11u);
  EXPECT_EQ(doneCount, 1);
}

TEST_F(EffectTest, FadeOutStepsDownToZero) {
  SetupKind(2);
  RunToEnd();
  std::vector<int> expected;
  for (int a = 230; a > 0; a -= 25) expected.push_back(a);
  expected.push_back(0);
  EXPECT_EQ(Alphas(), expected);
}

TEST_F(EffectTest, FadeInFromAboveArrivesAfterElevenStepsOfTenPixels) {
  SetupKind(3);
  RunToEnd();
  ASSERT_EQ(shown.size(), 11u);
  for (size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(shown[i].y, 50 - 100 + 10 * static_cast<int>(i)) << i;
    EXPECT_EQ(shown[i].x, 100);
  }
  EXPECT_EQ(shown.back().alpha, 255);
  EXPECT_EQ(effect->Motion().curY, 50);
}

TEST_F(EffectTest, SlidesFromEverySideEndOnTheTarget) {
  const struct {
    int kind;
    int firstX;
    int firstY;
  } cases[] = {{5, 0, 50}, {7, 200, 50}, {9, 100, 150}};
  for (const auto& c : cases) {
    effect = std::make_unique<UiEffect>();
    shown.clear();
    doneCount = 0;
    SetupKind(c.kind);
    RunToEnd();
    ASSERT_EQ(shown.size(), 11u) << c.kind;
    EXPECT_EQ(shown.front().x, c.firstX) << c.kind;
    EXPECT_EQ(shown.front().y, c.firstY) << c.kind;
    EXPECT_EQ(shown.back().x, 100) << c.kind;
    EXPECT_EQ(shown.back().y, 50) << c.kind;
  }
}

// Columns of the frame that hold any ink.
int InkWidth(const ws::HeadlessWindowSystem::Picture& picture) {
  int left = picture.size.width;
  int right = -1;
  for (int y = 0; y < picture.size.height; ++y)
    for (int x = 0; x < picture.size.width; ++x)
      if (picture.At(x, y) >> 24) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  return right < left ? 0 : right - left + 1;
}

TEST_F(EffectTest, SpringInGrowsPastTheTargetAndSettlesBack) {
  std::vector<int> widths;
  effect->Setup(
      13, &source, 100, 50, 100, 50, std::nullopt, true, [this] { ++doneCount; },
      [&](const draw::Bitmap&) {
        const auto* picture = headless->Presented(window);
        widths.push_back(InkWidth(*picture));
        shown.push_back(
            {picture->position.x, picture->position.y, picture->size.width, picture->size.height, picture->alpha});
      },
      window);
  RunToEnd();
  std::vector<int> expected;
  for (int p = -70; p <= 120; p += 10) expected.push_back(100 + (p > 59 ? 120 - p : p));
  EXPECT_EQ(widths, expected);
  EXPECT_EQ(widths.front(), 30);                                    // w - 70
  EXPECT_EQ(*std::max_element(widths.begin(), widths.end()), 160);  // w + 60
  EXPECT_EQ(widths.back(), 100);
  // The window is 40 pixels larger on every side the whole time.
  EXPECT_EQ(shown.front().x, 60);
  EXPECT_EQ(shown.front().width, 180);
  EXPECT_EQ(shown.front().height, 130);
  EXPECT_EQ(shown.back().alpha, 255);
}

TEST_F(EffectTest, SpinInClockwiseTurnsTwelveStepsOfThirtyDegreesAroundTheCentre) {
  std::vector<int> angles;
  effect->Setup(
      25, &source, 100, 50, 100, 50, std::nullopt, true, [this] { ++doneCount; },
      [&](const draw::Bitmap&) {
        angles.push_back(effect->Motion().progress);
        const auto* picture = headless->Presented(window);
        shown.push_back(
            {picture->position.x, picture->position.y, picture->size.width, picture->size.height, picture->alpha});
      },
      window);
  RunToEnd();
  std::vector<int> expected;
  for (int a = 30; a <= 360; a += 30) expected.push_back(a);
  EXPECT_EQ(angles, expected);
  ASSERT_EQ(shown.size(), 12u);
  // At 90 degrees the box is the picture on its side, centred on the target.
  EXPECT_EQ(shown[2].width, 50);
  EXPECT_EQ(shown[2].height, 100);
  EXPECT_EQ(shown[2].x, 125);
  EXPECT_EQ(shown[2].y, 25);
  // At 360 degrees it is back in place, and the picture's middle is drawn.
  EXPECT_EQ(shown.back().width, 100);
  EXPECT_EQ(shown.back().x, 100);
  EXPECT_EQ(headless->Presented(window)->At(50, 25), kRed);
  EXPECT_EQ(shown.front().alpha, 21);
  EXPECT_EQ(shown.back().alpha, 252);
}

TEST_F(EffectTest, WipeInRevealsRowsWithAFallingAlpha) {
  SetupKind(15);
  headless->Advance(20);
  ASSERT_EQ(shown.size(), 1u);
  // Front 30 over 50 rows: 30 - 5.1 i while it stays at or above 0.
  const auto* picture = headless->Presented(window);
  EXPECT_EQ(picture->At(10, 0), 0x19190000u);  // 24.9 -> 25
  EXPECT_EQ(picture->At(10, 4), 0x05050000u);  // 4.5 -> 5
  EXPECT_EQ(picture->At(10, 5), 0x00000000u);  // 30 - 30.6 < 0: the wipe stops
  RunToEnd();
  EXPECT_EQ(picture->At(10, 49), kRed);
  EXPECT_EQ(doneCount, 1);
}

TEST_F(EffectTest, BlurAndTiltKindsRunTheirTables) {
  SetupKind(17);
  RunToEnd();
  EXPECT_EQ(Alphas(), (std::vector<int>{130, 255}));
  effect = std::make_unique<UiEffect>();
  shown.clear();
  doneCount = 0;
  SetupKind(19);
  RunToEnd();
  EXPECT_EQ(Alphas(), (std::vector<int>{51, 102, 153, 204, 255}));
  EXPECT_EQ(shown.back().width, 100);
}

TEST_F(EffectTest, BlurSoftensASharpEdge) {
  // Left half opaque, right half empty: the blurred frame fades across the edge.
  source.Clear(0x00000000);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 50; ++x) source.SetPixel(x, y, kRed);
  SetupKind(17);
  headless->Advance(100);
  ASSERT_EQ(shown.size(), 1u);
  const auto* picture = headless->Presented(window);
  const uint32_t nearEdge = picture->At(52, 25) >> 24;
  EXPECT_GT(nearEdge, 0u);
  EXPECT_LT(nearEdge, 255u);
  EXPECT_EQ(picture->At(5, 25) >> 24, 255u);
  EXPECT_EQ(picture->At(97, 25), 0u);
}

TEST_F(EffectTest, WindowDestroyedMidwayStopsPresentingButTheEffectStillEnds) {
  int frames = 0;
  effect->Setup(
      1, &source, 100, 50, 100, 50, std::nullopt, true, [this] { ++doneCount; }, [&](const draw::Bitmap&) { ++frames; },
      window);
  headless->Advance(30);
  ASSERT_EQ(headless->Presented(window)->presentCount, 2);
  headless->DestroyWindow(window);
  RunToEnd();
  EXPECT_EQ(doneCount, 1);
  EXPECT_EQ(frames, 11);
  EXPECT_EQ(headless->Presented(window), nullptr);
}

TEST_F(EffectTest, ZoomOutShrinksAndFades) {
  SetupKind(12);
  RunToEnd();
  EXPECT_EQ(Alphas(), (std::vector<int>{220, 185, 150, 115, 80, 45, 10, 0}));
  EXPECT_EQ(doneCount, 1);
}

TEST_F(EffectTest, SetupHappensOnceAndSetKindOnlyBeforeIt) {
  UiEffect fresh;
  EXPECT_FALSE(fresh.Setup(0, &source, 0, 0, 10, 10, std::nullopt, false, {}, {}));
  EXPECT_FALSE(fresh.Configured());
  fresh.SetKind(4);
  EXPECT_EQ(fresh.Kind(), 4);
  EXPECT_TRUE(fresh.Setup(2, &source, 0, 0, 10, 10, std::nullopt, false, {}, {}));
  EXPECT_FALSE(fresh.Setup(1, nullptr, 5, 5, 20, 20, std::nullopt, false, {}, {}));
  EXPECT_EQ(fresh.Kind(), 2);
  EXPECT_EQ(fresh.TargetRect(), (Rect{0, 0, 10, 10}));
  EXPECT_EQ(fresh.Snapshot().RawPixel(9, 9), kRed);
  fresh.SetKind(5);
  EXPECT_EQ(fresh.Kind(), 2);
  EXPECT_FALSE(fresh.Running());
  // Without a window the effect still runs; it just has nothing to show in.
  EXPECT_FALSE(fresh.HasWindow());
}

TEST_F(EffectTest, FinishedEffectReplaysFromTheSameSnapshot) {
  SetupKind(1);
  RunToEnd();
  const std::vector<int> first = Alphas();
  shown.clear();
  doneCount = 0;
  effect->Start();
  RunToEnd();
  EXPECT_EQ(Alphas(), first);
  EXPECT_EQ(doneCount, 1);
}

TEST_F(EffectTest, CloseEffectTakesItsTargetAndPictureWhenStarted) {
  SetupKind(2, false);
  EXPECT_TRUE(effect->Configured());
  EXPECT_FALSE(effect->Running());
  headless->Advance(100);
  EXPECT_TRUE(shown.empty());
  // The way a window's close starts its prepared effect.
  SetupKind(2, false);  // refused: already configured
  effect->SetTarget(100, 50, 100, 50);
  draw::Bitmap picture(101, 51);
  picture.Clear(0xFF0000FF);
  effect->DrawBitmapToSnapshot(picture);
  effect->Start();
  headless->Advance(15);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(headless->Presented(window)->At(0, 0), 0xFF0000FFu);
  EXPECT_EQ(shown[0].alpha, 230);
}

TEST_F(EffectTest, FinishStopsTheTimerAndForeignTimerIdsAreIgnored) {
  SetupKind(1);
  headless->Advance(30);
  EXPECT_EQ(shown.size(), 2u);
  effect->OnTimer(effect->TimerId() + 1000);
  EXPECT_EQ(shown.size(), 2u);
  effect->Finish();
  headless->Advance(100);
  EXPECT_EQ(shown.size(), 2u);
  EXPECT_EQ(doneCount, 0);
  EXPECT_TRUE(effect->Finished());
}

TEST_F(EffectTest, KindsWithoutStepsEndAtOnceInsteadOfHoldingTheWindow) {
  SetupKind(27);
  EXPECT_EQ(doneCount, 1);
  EXPECT_FALSE(effect->Running());
  EXPECT_TRUE(effect->Finished());
}

TEST_F(EffectTest, DoneCallbackMayDisposeTheEffect) {
  effect->Setup(
      1, &source, 100, 50, 100, 50, std::nullopt, true, [this] { effect->Dispose(); }, {}, window);
  for (int i = 0; i < 20; ++i) headless->Advance(15);
  EXPECT_EQ(effect->Kind(), 0);
  EXPECT_TRUE(effect->Snapshot().IsEmpty());
  EXPECT_TRUE(effect->Configured());
}

TEST_F(EffectTest, FramesAlsoLandOnTheTargetBitmap) {
  draw::Bitmap target(100, 50);
  effect->SetTargetBitmap(&target);
  SetupKind(1);
  headless->Advance(15);
  EXPECT_EQ(target.RawPixel(50, 25), kRed);
}

TEST_F(EffectTest, OutKindsAndTurnsShowTheirFirstMiddleAndLastFrames) {
  struct Frame {
    int x, y, width, height, alpha;
  };
  struct Case {
    int kind;
    size_t frames;
    Frame first, middle, last;  // middle: frame number frames / 2 (0-based)
  } const cases[] = {
      // Slides out: 10 pixels and 25 alpha a tick, 11 frames.
      {4, 11, {100, 40, 100, 50, 230}, {100, -10, 100, 50, 105}, {100, -60, 100, 50, 0}},
      {6, 11, {90, 50, 100, 50, 230}, {40, 50, 100, 50, 105}, {-10, 50, 100, 50, 0}},
      {8, 11, {110, 50, 100, 50, 230}, {160, 50, 100, 50, 105}, {210, 50, 100, 50, 0}},
      {10, 11, {100, 60, 100, 50, 230}, {100, 110, 100, 50, 105}, {100, 160, 100, 50, 0}},
      // Spring out: the window is 40 pixels larger on every side, alpha falls by 13.
      {14, 20, {60, 10, 180, 130, 242}, {60, 10, 180, 130, 112}, {60, 10, 180, 130, 0}},
      // Wipe out: the window stays; the rows fade (checked below).
      {16, 9, {100, 50, 100, 50, 255}, {100, 50, 100, 50, 255}, {100, 50, 100, 50, 255}},
      // Tilts of 2 degrees a tick: the box grows around the target's centre.
      {20, 5, {99, 48, 102, 53, 204}, {97, 45, 105, 60, 102}, {96, 41, 107, 67, 0}},
      {21, 5, {97, 43, 106, 63, 51}, {98, 46, 103, 57, 153}, {100, 50, 100, 50, 255}},
      {22, 5, {99, 48, 102, 53, 204}, {97, 45, 105, 60, 102}, {96, 41, 107, 67, 0}},
      // Spins of 30 degrees counter-clockwise: at 210 degrees the box is the one of 30.
      {23, 12, {94, 28, 112, 93, 21}, {94, 28, 112, 93, 147}, {100, 50, 100, 50, 252}},
      {24, 12, {94, 28, 112, 93, 234}, {94, 28, 112, 93, 108}, {100, 50, 100, 50, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    effect = std::make_unique<UiEffect>();
    shown.clear();
    doneCount = 0;
    std::vector<uint32_t> wipeRow;  // the wipe's top-left pixels, frame by frame
    std::vector<uint32_t> centre;   // the middle of each frame
    effect->Setup(
        c.kind, &source, 100, 50, 100, 50, std::nullopt, true, [this] { ++doneCount; },
        [&](const draw::Bitmap&) {
          const auto* picture = headless->Presented(window);
          shown.push_back(
              {picture->position.x, picture->position.y, picture->size.width, picture->size.height, picture->alpha});
          wipeRow.push_back(picture->At(10, 0));
          centre.push_back(picture->At(picture->size.width / 2, picture->size.height / 2));
        },
        window);
    RunToEnd();
    EXPECT_EQ(doneCount, 1);
    ASSERT_EQ(shown.size(), c.frames);
    const Frame* expected[] = {&c.first, &c.middle, &c.last};
    const size_t at[] = {0, c.frames / 2, c.frames - 1};
    for (int i = 0; i < 3; ++i) {
      const Shown& s = shown[at[i]];
      const Frame& e = *expected[i];
      EXPECT_EQ((std::vector<int>{s.x, s.y, s.width, s.height, s.alpha}),
                (std::vector<int>{e.x, e.y, e.width, e.height, e.alpha}))
          << "frame " << at[i];
      if (c.kind != 16) {
        EXPECT_EQ(centre[at[i]], kRed) << "frame " << at[i];
      }
    }
    if (c.kind == 16) {
      // Front 225, 105 and 0 over 50 rows: the top row is 5.1 below the front.
      EXPECT_EQ(wipeRow[0], 0xDCDC0000u);
      EXPECT_EQ(wipeRow[4], 0x64640000u);
      EXPECT_EQ(wipeRow[8], 0u);
    }
  }
}

TEST(EffectMotion, StepTablesAsPureState) {
  // Kind 11: zoom in from -80 in steps of 10 with the alpha capped at 255.
  EffectMotion motion;
  const Rect target{0, 0, 100, 50};
  EXPECT_EQ(motion.Init(11, target).intervalMs, 20);
  std::vector<int> alphas;
  while (motion.Advance(11, target).proceed) alphas.push_back(motion.alpha);
  EXPECT_EQ(alphas, (std::vector<int>{35, 70, 105, 140, 175, 210, 245, 255}));
  // Zoom placement keeps the aspect ratio and centres the picture.
  EXPECT_EQ(EffectMotion::ScaledPlacement(11, 100, 50, -70), (Rect{35, 17, 30, 15}));
  EXPECT_EQ(EffectMotion::ScaledPlacement(13, 100, 50, 60), (Rect{10, 25, 160, 80}));
  EXPECT_EQ(EffectMotion::RotatedBounds(100, 50, 90), (Rect{0, 0, 50, 100}));
  EXPECT_EQ(EffectMotion::RotatedBounds(100, 50, -10).width, 107);  // 98.48 + 8.68
  // Kinds 18 and 26: the blur grows to 13, the spin-out alpha never wraps.
  motion.Init(18, target);
  int radius = 0;
  for (EffectStepResult r; (r = motion.Advance(18, target)).proceed;) radius = r.value;
  EXPECT_EQ(radius, 13);
  EXPECT_EQ(motion.alpha, 0);
  motion.Init(26, target);
  while (motion.Advance(26, target).proceed) EXPECT_GE(motion.alpha, 0);
  EXPECT_EQ(motion.progress, 360);
}

}  // namespace
}  // namespace quillmar
