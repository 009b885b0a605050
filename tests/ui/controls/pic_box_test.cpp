#include "ui/controls/pic_box.h"

#include <gtest/gtest.h>

#include "tests/platform/draw/test_pictures.h"
#include "tests/ui/core/window_test_support.h"

namespace quillmar {
namespace {

using testing::WindowFixture;

// A 2 × 2 GIF whose frame i paints column i % 2 red, green, blue in turn on black.
ImageHandle Gif(const std::vector<int>& delays) {
  const test::Bytes bytes = test::EncodeGif(2, delays, false);
  return std::make_shared<draw::Image>(draw::Image::Decode(bytes));
}

TEST(UiPicBox, FrameDelaysSetTheTimerAndPlaybackWrapsToTheFirstFrame) {
  WindowFixture f;
  UiPicBox box;
  box.Create(f.window.get(), true, 10, 10, 20, 20, Gif({0, 7, 7, 20}));
  f.Frame();
  EXPECT_FALSE(box.IsPlaying());
  const int32_t first = box.Play();
  EXPECT_NE(first, 0);
  EXPECT_EQ(box.Play(), 0);  // already playing: still one timer
  EXPECT_EQ(box.TimerIds().size(), 1u);
  EXPECT_EQ(box.FrameInterval(), 100);  // delay 0 shows for 100 ms
  f.headless->Advance(99);
  EXPECT_EQ(box.GetFrame(), 0);
  EXPECT_EQ(f.Pixel(12, 10), 0xFFFF0000u);
  f.headless->Advance(1);
  EXPECT_EQ(box.GetFrame(), 1);
  EXPECT_EQ(box.FrameInterval(), 70);  // delay 7: 70 ms
  const std::vector<int32_t> second = box.TimerIds();
  f.headless->Advance(70);
  EXPECT_EQ(box.GetFrame(), 2);
  EXPECT_EQ(box.TimerIds(), second);  // the same interval keeps the running timer
  f.headless->Advance(70);
  EXPECT_EQ(box.GetFrame(), 3);
  EXPECT_EQ(box.FrameInterval(), 200);
  f.Frame();
  EXPECT_EQ(f.Pixel(12, 10), 0xFF000000u);
  EXPECT_EQ(f.Pixel(27, 10), 0xFFFF0000u);  // frame 3 paints the right column red
  f.headless->Advance(190);
  EXPECT_EQ(box.GetFrame(), 0);
  EXPECT_EQ(box.FrameInterval(), 100);
  box.Pause();
  EXPECT_TRUE(box.TimerIds().empty());
  f.headless->Advance(500);
  EXPECT_EQ(box.GetFrame(), 0);
}

TEST(UiPicBox, FrameCountIsOneAboveTheDelaysAndSetFrameClampsToIt) {
  WindowFixture f;
  UiPicBox box;
  box.Create(f.window.get(), true, 10, 10, 20, 20, Gif({10, 10, 10, 10}), 7);
  EXPECT_EQ(box.GetDrawMode(), 0);
  EXPECT_EQ(box.GetFrameCount(), 5);
  box.SetFrame(-1);
  EXPECT_EQ(box.GetFrame(), 4);
  box.SetFrame(2);
  box.SetFrame(-2);
  EXPECT_EQ(box.GetFrame(), 2);
  box.SetFrame(9);
  EXPECT_EQ(box.GetFrame(), 4);
  f.Frame();  // painting past the last frame keeps the frame shown
  box.Play();
  EXPECT_EQ(box.GetFrame(), 0);
}

TEST(UiPicBox, SetImageWhilePlayingStopsOnTheNewPicturesFirstFrame) {
  WindowFixture f;
  UiPicBox box;
  box.Create(f.window.get(), true, 10, 10, 20, 20, Gif({5, 5, 5}));
  box.Play();
  f.headless->Advance(100);
  ASSERT_EQ(box.GetFrame(), 2);
  box.SetImage(Gif({30, 30}));
  EXPECT_FALSE(box.IsPlaying());
  EXPECT_TRUE(box.TimerIds().empty());
  EXPECT_EQ(box.GetFrame(), 0);
  EXPECT_EQ(box.FrameDelays(), (std::vector<int>{30, 30}));
  f.Frame();
  EXPECT_EQ(f.Pixel(12, 10), 0xFFFF0000u);
  EXPECT_EQ(f.Pixel(27, 10), 0xFF000000u);
}

TEST(UiPicBox, StillOrBrokenPicturesNeverStartATimer) {
  WindowFixture f;
  UiPicBox box;
  box.Create(f.window.get(), true, 10, 10, 20, 20, Gif({5, 5}));
  // A still picture after an animated one drops the old delays.
  box.SetImage(std::make_shared<draw::Image>(draw::Image::Decode(test::EncodePng(draw::Bitmap(4, 4)))));
  EXPECT_EQ(box.Play(), 0);
  EXPECT_EQ(box.GetFrameCount(), 1);
  // A GIF with a screen but no frame at all decodes to nothing.
  const test::Bytes empty{'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0, 0, 0, ';'};
  box.SetImage(std::make_shared<draw::Image>(draw::Image::Decode(empty)));
  EXPECT_EQ(box.Play(), 0);
  box.SetImage(nullptr);
  EXPECT_EQ(box.Play(), 0);
  f.Frame();
  EXPECT_TRUE(box.TimerIds().empty());
}

}  // namespace
}  // namespace quillmar
