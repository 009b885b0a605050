#include "ui/core/sizing_rules.h"

#include <gtest/gtest.h>

namespace quillmar {
namespace {

const Rect kWindow = Rect::FromLtrb(100, 100, 600, 500);

TEST(SizingRules, EdgeBandsAndCornersPickTheirZones) {
  // 3 pixels inside the left edge and 100 below the top: the left band.
  SizingZone z = DetectSizingZone(kWindow, {103, 200}, 6);
  EXPECT_EQ(z.edge, 1);
  EXPECT_EQ(z.command, SysCmd::SizeLeft);
  EXPECT_EQ(z.cursor, SizeCursor::WestEast);
  // 8 from the left and 8 from the top is still the top-left corner (8 <= 6 + 3).
  z = DetectSizingZone(kWindow, {108, 108}, 6);
  EXPECT_EQ(z.edge, 5);
  EXPECT_EQ(z.command, SysCmd::SizeTopLeft);
  EXPECT_EQ(z.cursor, SizeCursor::NwSe);
  EXPECT_EQ(DetectSizingZone(kWindow, {597, 103}, 6).command, SysCmd::SizeTopRight);
  EXPECT_EQ(DetectSizingZone(kWindow, {103, 497}, 6).command, SysCmd::SizeBottomLeft);
  EXPECT_EQ(DetectSizingZone(kWindow, {597, 497}, 6).command, SysCmd::SizeBottomRight);
  EXPECT_EQ(DetectSizingZone(kWindow, {597, 300}, 6).command, SysCmd::SizeRight);
  EXPECT_EQ(DetectSizingZone(kWindow, {300, 106}, 6).command, SysCmd::SizeTop);
  // Just past the band and outside the window: no zone.
  EXPECT_EQ(DetectSizingZone(kWindow, {107, 300}, 6).edge, 0);
  EXPECT_EQ(DetectSizingZone(kWindow, {99, 300}, 6).edge, 0);
}

TEST(SizingRules, BottomBandIsOnePixelNarrowerThanTop) {
  EXPECT_EQ(DetectSizingZone(kWindow, {300, 106}, 6).edge, 3);  // dt = 6
  EXPECT_EQ(DetectSizingZone(kWindow, {300, 494}, 6).edge, 0);  // db = 6
  EXPECT_EQ(DetectSizingZone(kWindow, {300, 495}, 6).edge, 4);  // db = 5
}

TEST(SizingRules, DraggedEdgesClampToMinimumSize) {
  // Left edge dragged far right stops at right - (12 + 10).
  EXPECT_EQ(MoveDraggedEdges(kWindow, 1, {590, 0}, {22, 22}), Rect::FromLtrb(578, 100, 600, 500));
  EXPECT_EQ(MoveDraggedEdges(kWindow, 1, {50, 0}, {22, 22}), Rect::FromLtrb(50, 100, 600, 500));
  EXPECT_EQ(MoveDraggedEdges(kWindow, 8, {105, 105}, {22, 22}), Rect::FromLtrb(100, 100, 122, 122));
  EXPECT_EQ(MoveDraggedEdges(kWindow, 5, {700, 20}, {22, 22}), Rect::FromLtrb(578, 20, 600, 500));
  EXPECT_EQ(MoveDraggedEdges(kWindow, 6, {90, 480}, {22, 22}), Rect::FromLtrb(90, 100, 600, 480));
}

TEST(SizingRules, GrabOffsetsMeasureFromTheDraggedEdge) {
  EXPECT_EQ(GrabOffsets(1, kWindow, {103, 200}), (Point{3, 100}));
  EXPECT_EQ(GrabOffsets(8, kWindow, {597, 497}), (Point{-3, -3}));
  EXPECT_EQ(GrabOffsets(6, kWindow, {103, 497}), (Point{3, -3}));
  EXPECT_EQ(GrabOffsets(7, kWindow, {597, 103}), (Point{-3, 3}));
}

TEST(SizingRules, WorkAreaFollowsTheTaskbarEdge) {
  const RectF start{0, 0, 1366, 768};
  const Size screen{1366, 768};
  TaskbarState bar;
  bar.edge = TaskbarEdge::Bottom;
  bar.rect = Rect::FromLtrb(0, 728, 1366, 768);
  EXPECT_EQ(ComputeWorkArea(start, bar, screen), (RectF{0, 0, 1366, 728}));
  bar.edge = TaskbarEdge::Top;
  bar.rect = {0, 0, 1366, 40};
  EXPECT_EQ(ComputeWorkArea(start, bar, screen), (RectF{0, 40, 1366, 728}));
  bar.edge = TaskbarEdge::Left;
  bar.rect = {0, 0, 60, 768};
  EXPECT_EQ(ComputeWorkArea(start, bar, screen), (RectF{60, 0, 1306, 768}));
  // A right-hand taskbar leaves the screen to its left, even after a left one.
  bar.edge = TaskbarEdge::Right;
  bar.rect = Rect::FromLtrb(1306, 0, 1366, 768);
  EXPECT_EQ(ComputeWorkArea(RectF{60, 0, 1306, 768}, bar, screen), (RectF{0, 0, 1306, 768}));
  // Auto-hidden: the whole screen, position kept.
  bar.autoHide = true;
  EXPECT_EQ(ComputeWorkArea(start, bar, screen), (RectF{0, 0, 1366, 768}));
}

TEST(SizingRules, MaximizedWindowOverhangsByTheMargins) {
  const InsetsF margins{-6, -6, 6, 6};
  const Rect screen{0, 0, 1366, 768};
  EXPECT_EQ(MaximizedPlacement(false, margins, RectF{0, 40, 1366, 728}, screen), (Rect{-6, 34, 1378, 740}));
  EXPECT_EQ(MaximizedPlacement(true, margins, RectF{0, 40, 1366, 728}, screen), (Rect{-6, -6, 1378, 780}));
  // Fractions truncate toward zero.
  EXPECT_EQ(MaximizedPlacement(false, {-0.5f, -6.5f, 0.5f, 6}, RectF{0, 40, 100.75f, 50}, screen),
            (Rect{0, 33, 101, 62}));
  // An empty work area leaves the system's values alone.
  EXPECT_FALSE(MaximizedPlacement(false, {}, RectF{}, screen).has_value());
}

TEST(SizingRules, CaptionButtonsLineUpFromTheRight) {
  // Frame and shadow on: inset 6; all three buttons in a 544-wide window.
  const auto xs = CaptionButtonXs(544, {32, 30, 30}, 6, 0);
  EXPECT_EQ(xs[0], 500);
  EXPECT_EQ(xs[1], 470);
  EXPECT_EQ(xs[2], 440);
  // Without a maximize button the minimize button sits beside the close button.
  EXPECT_EQ(CaptionButtonXs(544, {32, 0, 30}, 6, -4)[2], 466);
}

}  // namespace
}  // namespace quillmar
