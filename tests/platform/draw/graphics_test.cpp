#include "platform/draw/graphics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace quillmar::draw {
namespace {

constexpr Argb kMagenta = 0xFFFF00FF;

// Where the two backends may differ, and by how much.
#ifdef _WIN32
// GDI+ composes a translucent colour with its own rounding: a channel may be one off.
constexpr int kBlendRounding = 1;
// An aliased GDI+ line covers its end pixel too.
constexpr int kLineEndPixels = 1;
// Wine's GDI+ fills without antialiasing, so an edge pixel is wholly in or out: up to 255
// from its coverage. Pixels inside or outside the shape stay exact.
constexpr int kEdgeCoverage = 255;
// GDI+ rounds the outline of a turned picture onto pixels its own way: the outermost
// ring of the frame may stay partly uncovered.
constexpr int kTurnedEdgePixels = 1;
#else
constexpr int kBlendRounding = 0;
constexpr int kLineEndPixels = 0;
constexpr int kEdgeCoverage = 0;
constexpr int kTurnedEdgePixels = 0;
#endif

// Each channel of a premultiplied pixel within the tolerance of the expected one.
::testing::AssertionResult NearPixel(uint32_t actual, uint32_t expected, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = static_cast<int>((actual >> shift) & 0xFF), e = static_cast<int>((expected >> shift) & 0xFF);
    if (std::abs(a - e) > tolerance) {
      return ::testing::AssertionFailure()
             << std::hex << actual << " is not within " << std::dec << tolerance << " of " << std::hex << expected;
    }
  }
  return ::testing::AssertionSuccess();
}

// Opaque pixels as a row of characters, '#' for set and '.' for transparent.
std::string RowMask(const Bitmap& b, int y) {
  std::string s;
  for (int x = 0; x < b.Width(); ++x) s += (b.RawPixel(x, y) >> 24) ? '#' : '.';
  return s;
}

TEST(DrawGraphics, FillCoversExactlyTheRectanglesPixels) {
  Bitmap b(9, 9);
  Graphics g(b);
  g.FillRectangle(Brush(0xFF336699), {2, 2, 5, 5});
  EXPECT_EQ(RowMask(b, 1), ".........");
  EXPECT_EQ(RowMask(b, 2), "..#####..");
  EXPECT_EQ(RowMask(b, 6), "..#####..");
  EXPECT_EQ(RowMask(b, 7), ".........");
  EXPECT_EQ(b.RawPixel(4, 4), 0xFF336699u);
}

TEST(DrawGraphics, TranslucentFillsAndClearsGiveExactValues) {
  Bitmap b(2, 2);
  Graphics g(b);
  g.FillRectangle(Brush(0x80FF0000), {0, 0, 2, 2});
  EXPECT_EQ(b.RawPixel(0, 0), 0x80800000u);
  g.FillRectangle(Brush(0x800000FF), {0, 0, 1, 1});  // over: 0x80 blue + red·127/255
  EXPECT_TRUE(NearPixel(b.RawPixel(0, 0), 0xC0400080u, kBlendRounding));
  g.Clear(0x00FFFFFF);
  EXPECT_EQ(b.RawPixel(0, 0), 0u);
  EXPECT_EQ(b.RawPixel(1, 1), 0u);
  g.Clear(0xFF102030);
  EXPECT_EQ(b.RawPixel(1, 0), 0xFF102030u);
}

TEST(DrawGraphics, OnePixelOutlinesCoverWholePixels) {
  Bitmap b(6, 5);
  Graphics g(b);
  g.DrawRectangle(Pen(0xFF000000), {0, 0, 5, 4});
  EXPECT_EQ(RowMask(b, 0), "######");
  EXPECT_EQ(RowMask(b, 2), "#....#");
  EXPECT_EQ(RowMask(b, 4), "######");
  EXPECT_EQ(b.RawPixel(0, 2), 0xFF000000u);  // not smeared over two half-alpha pixels

  Bitmap line(6, 3);
  Graphics lg(line);
  lg.DrawLine(Pen(0xFFFFFFFF), {0, 1}, {4, 1});
  EXPECT_EQ(RowMask(line, 0), "......");
  EXPECT_EQ(RowMask(line, 1), kLineEndPixels ? "#####." : "####..");
  EXPECT_EQ(RowMask(line, 2), "......");
}

TEST(DrawGraphics, InsetPenOfOnePixelStaysOnTheEdge) {
  Bitmap b(5, 5);
  Graphics g(b);
  Pen pen(0xFF000000, 1.0f, Unit::Pixel);
  pen.SetAlignment(PenAlignment::Inset);
  g.DrawRectangle(pen, {0, 0, 4, 4});
  EXPECT_EQ(RowMask(b, 0), "#####");
  EXPECT_EQ(RowMask(b, 2), "#...#");
}

TEST(DrawGraphics, DashedPenLeavesGaps) {
  Bitmap b(40, 1);
  Graphics g(b);
  Pen pen(0xFF000000);
  pen.SetDashStyle(DashStyle::Dash);
  g.DrawLine(pen, {0, 0}, {40, 0});
  EXPECT_EQ(RowMask(b, 0).substr(0, 8), "###.###.");
}

TEST(DrawGraphics, PolygonsAndAlternateFillPaths) {
  Bitmap b(20, 20);
  Graphics g(b);
  const PointF triangle[] = {{0, 0}, {10, 0}, {0, 10}};
  g.FillPolygon(Brush(0xFF000000), triangle);
  EXPECT_NE(b.RawPixel(2, 2), 0u);
  EXPECT_EQ(b.RawPixel(8, 8), 0u);

  Bitmap ring(20, 20);
  Graphics rg(ring);
  Path path;
  path.AddRectangle({0, 0, 20, 20});
  path.AddRectangle({5, 5, 10, 10});
  rg.FillPath(Brush(0xFF00FF00), path);
  EXPECT_EQ(ring.RawPixel(2, 2), 0xFF00FF00u);
  EXPECT_EQ(ring.RawPixel(10, 10), 0u);  // the inner figure is a hole
  path.SetFillMode(FillMode::Winding);
  rg.FillPath(Brush(0xFF00FF00), path);
  EXPECT_EQ(ring.RawPixel(10, 10), 0xFF00FF00u);
}

TEST(DrawGraphics, ArcsBuildARoundedRectangle) {
  Bitmap b(40, 30);
  Graphics g(b);
  const float x = 0, y = 0, w = 40, h = 30, r = 8;
  Path path;
  path.AddArc({x, y, 2 * r, 2 * r}, 180, 90);
  path.AddArc({x + w - 2 * r, y, 2 * r, 2 * r}, 270, 90);
  path.AddArc({x + w - 2 * r, y + h - 2 * r, 2 * r, 2 * r}, 0, 90);
  path.AddArc({x, y + h - 2 * r, 2 * r, 2 * r}, 90, 90);
  path.CloseFigure();
  g.FillPath(Brush(0xFF000000), path);
  EXPECT_EQ(b.RawPixel(0, 0), 0u);  // corners cut off
  EXPECT_EQ(b.RawPixel(39, 29), 0u);
  EXPECT_NE(b.RawPixel(20, 0), 0u);  // straight edges reach the border
  EXPECT_NE(b.RawPixel(0, 15), 0u);
  EXPECT_NE(b.RawPixel(20, 15), 0u);
}

TEST(DrawGraphics, FullArcFillsTheInscribedEllipse) {
  Bitmap b(41, 21);
  Graphics g(b);
  Path path;
  path.AddArc({0, 0, 40, 20}, 30, 360);
  g.FillPath(Brush(0xFF000000), path);
  EXPECT_NE(b.RawPixel(20, 10), 0u);
  EXPECT_NE(b.RawPixel(1, 10), 0u);
  EXPECT_NE(b.RawPixel(39, 10), 0u);
  EXPECT_NE(b.RawPixel(20, 1), 0u);
  EXPECT_EQ(b.RawPixel(2, 2), 0u);
  EXPECT_EQ(b.RawPixel(38, 18), 0u);
}

TEST(DrawGraphics, SmoothingChangesOnlyEdges) {
  Bitmap hard(4, 1);
  Graphics hg(hard);
  hg.FillRectangle(Brush(0xFF000000), {0, 0, 1.5f, 1});
  EXPECT_EQ(hard.RawPixel(1, 0) >> 24, 255u);  // pixel centre 1 lies on the edge: in
  Bitmap soft(4, 1);
  Graphics sg(soft);
  sg.SetSmoothingMode(SmoothingMode::AntiAlias);
  sg.SetPixelOffsetMode(PixelOffsetMode::Half);  // pixel centres on .5: whole pixels stay whole
  sg.FillRectangle(Brush(0xFF000000), {0, 0, 1.5f, 1});
  EXPECT_EQ(soft.RawPixel(0, 0) >> 24, 255u);
  EXPECT_NEAR(static_cast<int>(soft.RawPixel(1, 0) >> 24), 128, kEdgeCoverage);
  EXPECT_EQ(soft.RawPixel(2, 0) >> 24, 0u);
  // With centres on whole coordinates a smoothed fill straddles pixel borders.
  Bitmap shifted(3, 2);
  Graphics shg(shifted);
  shg.SetSmoothingMode(SmoothingMode::AntiAlias);
  shg.FillRectangle(Brush(0xFF000000), {0, 0, 1, 1});
  EXPECT_NEAR(static_cast<int>(shifted.RawPixel(0, 0) >> 24), 64, kEdgeCoverage);
  EXPECT_NEAR(static_cast<int>(shifted.RawPixel(1, 1) >> 24), 64, kEdgeCoverage);
  EXPECT_EQ(shifted.RawPixel(2, 1), 0u);
}

TEST(DrawGraphics, ClipCombinations) {
  Bitmap b(10, 10);
  Graphics g(b);
  g.SetClip(RectF{0, 0, 5, 5});
  g.SetClip(RectF{5, 5, 5, 5}, CombineMode::Union);
  g.FillRectangle(Brush(0xFF000000), {0, 0, 10, 10});
  EXPECT_NE(b.RawPixel(2, 2), 0u);
  EXPECT_NE(b.RawPixel(7, 7), 0u);
  EXPECT_EQ(b.RawPixel(7, 2), 0u);

  g.ResetClip();
  g.Clear(0x00FFFFFF);
  g.SetClip(RectF{0, 0, 10, 10});
  g.SetClip(RectF{3, 3, 4, 4}, CombineMode::Exclude);
  g.FillRectangle(Brush(0xFF000000), {0, 0, 10, 10});
  EXPECT_EQ(RowMask(b, 4), "###....###");

  g.ResetClip();
  g.Clear(0x00FFFFFF);
  g.SetClip(RectF{0, 0, 6, 6});
  g.SetClip(Region(Rect{4, 4, 6, 6}), CombineMode::Intersect);
  g.FillRectangle(Brush(0xFF000000), {0, 0, 10, 10});
  EXPECT_EQ(RowMask(b, 3), "..........");
  EXPECT_EQ(RowMask(b, 5), "....##....");

  g.ResetClip();  // clear respects the clip: only the region becomes transparent
  g.Clear(0xFFFFFFFF);
  g.SetClip(Region(Rect{1, 0, 2, 1}));
  g.Clear(0x00FFFFFF);
  g.ResetClip();
  EXPECT_EQ(RowMask(b, 0), "#..#######");
  EXPECT_TRUE(g.IsClipInfinite());

  g.SetClip(RectF{0, 0, 2, 2});
  g.SetClip(RectF{8, 8, 2, 2}, CombineMode::Xor);
  EXPECT_EQ(g.ClipBounds(), (RectF{0, 0, 10, 10}));
}

TEST(DrawGraphics, PathClipConfinesDrawingToTheBandBetweenFigures) {
  Bitmap b(20, 20);
  Graphics g(b);
  Path band;
  band.AddRectangle({0, 0, 20, 20});
  band.AddRectangle({5, 5, 10, 10});
  g.SetClip(band);
  g.FillRectangle(Brush(0xFF000000), {0, 0, 20, 20});
  EXPECT_EQ(b.RawPixel(2, 2), 0xFF000000u);
  EXPECT_EQ(b.RawPixel(4, 10), 0xFF000000u);
  EXPECT_EQ(b.RawPixel(5, 10), 0u);
  EXPECT_EQ(b.RawPixel(10, 10), 0u);
  EXPECT_EQ(b.RawPixel(14, 10), 0u);
  EXPECT_EQ(b.RawPixel(15, 10), 0xFF000000u);
}

// A 20 × 10 skin: column c has blue value c, marker columns 5 and 14 are magenta.
Bitmap MarkedSkin() {
  Bitmap skin(20, 10);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 20; ++x) skin.SetPixel(x, y, (x == 5 || x == 14) ? kMagenta : 0xFF000000u | x);
  }
  return skin;
}

TEST(DrawGraphics, TiledSliceRepeatsFromTheDestinationCornerUnscaled) {
  const Bitmap skin = MarkedSkin();
  Bitmap target(110, 20);
  Graphics g(target);
  const float X = 3, Y = 4;
  // Left and right parts at natural size, the 8-column middle tiled over 90 pixels.
  g.DrawImage(skin, RectF{X, Y, 5, 10}, RectF{0, 0, 5, 10});
  const Bitmap middle = skin.CloneArea({6, 0, 8, 10});
  g.DrawImage(middle, RectF{X + 5, Y, 90, 10}, RectF{0, 0, 90, 10}, WrapMode::Tile);
  g.DrawImage(skin, RectF{X + 95, Y, 5, 10}, RectF{15, 0, 5, 10});
  for (int y = 0; y < 20; ++y) {
    for (int i = 0; i < 100; ++i) {
      const uint32_t got = target.RawPixel(static_cast<int>(X) + i, y);
      if (y < Y || y >= Y + 10) {
        ASSERT_EQ(got, 0u) << "row " << y;  // drawn height is the image's
        continue;
      }
      const uint32_t column = i < 5 ? i : i < 95 ? 6 + (i - 5) % 8 : 15 + (i - 95);
      ASSERT_EQ(got, 0xFF000000u | column) << "x " << i << " y " << y;
    }
  }
  EXPECT_EQ(target.RawPixel(2, 5), 0u);
  EXPECT_EQ(target.RawPixel(103, 5), 0u);
}

TEST(DrawGraphics, StretchAndNaturalSizeImages) {
  Bitmap src(2, 1);
  src.SetPixel(0, 0, 0xFFFF0000);
  src.SetPixel(1, 0, 0xFF0000FF);
  Bitmap b(6, 2);
  Graphics g(b);
  g.SetInterpolationMode(InterpolationMode::NearestNeighbor);
  g.DrawImage(src, RectF{0, 0, 4, 2});
  EXPECT_EQ(b.RawPixel(0, 1), 0xFFFF0000u);
  EXPECT_EQ(b.RawPixel(1, 0), 0xFFFF0000u);
  EXPECT_EQ(b.RawPixel(2, 1), 0xFF0000FFu);
  EXPECT_EQ(b.RawPixel(4, 0), 0u);
  g.DrawImage(src, 4, 1);
  EXPECT_EQ(b.RawPixel(4, 1), 0xFFFF0000u);
  EXPECT_EQ(b.RawPixel(5, 1), 0xFF0000FFu);
  g.DrawImage(b, 1, 0);  // onto itself: reads the picture as it was
  EXPECT_EQ(b.RawPixel(1, 0), 0xFFFF0000u);
}

TEST(DrawGraphics, TranslateAndRotateFollowThePrependOrder) {
  Bitmap b(10, 10);
  Graphics g(b);
  g.TranslateTransform(3, 4);
  g.FillRectangle(Brush(0xFF000000), {0, 0, 2, 2});
  EXPECT_EQ(RowMask(b, 4), "...##.....");
  EXPECT_EQ(RowMask(b, 3), "..........");
  Matrix m;
  m.Rotate(90);  // clockwise: x axis turns to point down
  const PointF p = m.Apply({1, 0});
  EXPECT_NEAR(p.x, 0, 1e-6);
  EXPECT_NEAR(p.y, 1, 1e-6);
}

// The frame of a picture turned about its centre, built as the window effects build it.
Bitmap Rotated(const Bitmap& src, float degrees) {
  const int w = src.Width(), h = src.Height();
  const double r = degrees * 3.1415926535 / 180;
  const int W = static_cast<int>(std::lround(std::abs(w * std::cos(r)) + std::abs(h * std::sin(r))));
  const int H = static_cast<int>(std::lround(std::abs(w * std::sin(r)) + std::abs(h * std::cos(r))));
  Bitmap frame(W, H);
  Graphics g(frame);
  Matrix m;
  m.Translate((W - w) / 2.0f, (H - h) / 2.0f, MatrixOrder::Prepend);
  m.Translate(w / 2.0f, h / 2.0f, MatrixOrder::Prepend);
  m.Rotate(degrees, MatrixOrder::Prepend);
  m.Translate(-w / 2.0f, -h / 2.0f, MatrixOrder::Prepend);
  g.SetTransform(m);
  g.SetSmoothingMode(SmoothingMode::AntiAlias);
  g.DrawImage(src, RectF{0, 0, static_cast<float>(w), static_cast<float>(h)});
  return frame;
}

TEST(DrawGraphics, RotationKeepsThePictureCentred) {
  Bitmap src(40, 20);
  src.Clear(0xFF0000FF);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 20; ++x) src.SetPixel(x, y, 0xFFFF0000);  // red top-left quarter
  }
  const Bitmap quarter = Rotated(src, 90);
  ASSERT_EQ(quarter.Width(), 20);
  ASSERT_EQ(quarter.Height(), 40);
  const int e = kTurnedEdgePixels;
  for (int y = e; y < 40 - e; ++y) {
    for (int x = e; x < 20 - e; ++x) ASSERT_EQ(quarter.RawPixel(x, y) >> 24, 255u) << x << "," << y;
  }
  EXPECT_EQ(quarter.RawPixel(15, 5), 0xFFFF0000u);  // top-left went to top-right
  EXPECT_EQ(quarter.RawPixel(5, 5), 0xFF0000FFu);

  const Bitmap tilted = Rotated(src, 30);
  double sum = 0, sx = 0, sy = 0;
  for (int y = 0; y < tilted.Height(); ++y) {
    for (int x = 0; x < tilted.Width(); ++x) {
      const double a = tilted.RawPixel(x, y) >> 24;
      sum += a;
      sx += a * (x + 0.5);
      sy += a * (y + 0.5);
    }
  }
  ASSERT_GT(sum, 0);
  EXPECT_NEAR(sx / sum, tilted.Width() / 2.0, 0.5);
  EXPECT_NEAR(sy / sum, tilted.Height() / 2.0, 0.5);
  // The whole picture, nothing cut off (but for the outline's rounding).
  EXPECT_NEAR(sum / 255, 800, 8 + kTurnedEdgePixels * 2 * (40 + 20));
}

TEST(DrawGraphics, LinearGradientRunsBetweenItsColours) {
  Bitmap b(256, 2);
  Graphics g(b);
  const RectF area{0, 0, 256, 2};
  g.FillRectangle(Brush::LinearGradient(area, 0xFF000000, 0xFF0000FF, LinearGradientMode::Horizontal), area);
  EXPECT_LE(b.RawPixel(0, 0) & 0xFF, 2u);
  EXPECT_GE(b.RawPixel(255, 0) & 0xFF, 253u);
  for (int x = 1; x < 256; ++x) ASSERT_GE(b.RawPixel(x, 0) & 0xFF, b.RawPixel(x - 1, 0) & 0xFF);
  Bitmap v(2, 100);
  Graphics vg(v);
  vg.FillRectangle(Brush::LinearGradient({0, 0, 2, 100}, 0xFFFFFFFF, 0xFF000000, LinearGradientMode::Vertical),
                   {0, 0, 2, 100});
  EXPECT_GT(v.RawPixel(0, 0) & 0xFF, v.RawPixel(0, 99) & 0xFF);
}

TEST(DrawGraphics, ClampedGradientKeepsItsEndColoursBeyondTheRectangle) {
  Bitmap b(60, 1);
  Graphics g(b);
  const RectF ramp{20, 0, 20, 1};
  g.FillRectangle(Brush::LinearGradient(ramp, 0xFF000000, 0xFF0000FF, LinearGradientMode::Horizontal, WrapMode::Clamp),
                  {0, 0, 60, 1});
  EXPECT_EQ(b.RawPixel(2, 0), 0xFF000000u);   // before the ramp: its first colour, not a repeat
  EXPECT_EQ(b.RawPixel(57, 0), 0xFF0000FFu);  // after it: its last colour
  EXPECT_NEAR(static_cast<int>(b.RawPixel(30, 0) & 0xFF), 128, 16);
}

TEST(DrawGraphics, ClampedStretchExtendsTheSourceAreasEdges) {
  // A red 2 × 2 area inside a blue picture, stretched: no blue and no transparency bleeds in.
  Bitmap src(6, 6);
  src.Clear(0xFF0000FF);
  for (int y = 2; y < 4; ++y) {
    for (int x = 2; x < 4; ++x) src.SetPixel(x, y, 0xFFFF0000);
  }
  Bitmap b(20, 20);
  Graphics g(b);
  g.SetInterpolationMode(InterpolationMode::HighQualityBilinear);
  g.DrawImage(src, RectF{0, 0, 20, 20}, RectF{2, 2, 2, 2}, WrapMode::Clamp);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) ASSERT_EQ(b.RawPixel(x, y), 0xFFFF0000u) << x << "," << y;
  }
}

}  // namespace
}  // namespace quillmar::draw
