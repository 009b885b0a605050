// Draws the message box's four 40 x 40 icons with the program's own drawing
// layer and prints them as the byte arrays of box_icons.cpp. Run it again and
// paste its output there whenever the pictures change.

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/draw/bitmap.h"
#include "platform/draw/brush.h"
#include "platform/draw/graphics.h"
#include "platform/draw/path.h"
#include "platform/draw/pen.h"
#include "platform/draw/png_encoder.h"

namespace draw = quillmar::draw;
using quillmar::PointF;
using quillmar::RectF;

namespace {

constexpr int kSide = 40;

void FillCircle(draw::Graphics& g, float cx, float cy, float r, draw::Argb color) {
  draw::Path path;
  path.AddArc(RectF{cx - r, cy - r, 2 * r, 2 * r}, 0, 360);
  path.CloseFigure();
  g.FillPath(draw::Brush(color), path);
}

// A disc with a darker rim and a lighter upper half, the base of three icons.
void Disc(draw::Graphics& g, draw::Argb rim, draw::Argb body, draw::Argb light) {
  FillCircle(g, 20, 20, 18.5f, rim);
  FillCircle(g, 20, 20, 16.5f, body);
  draw::Path gloss;
  gloss.AddArc(RectF{7, 5, 26, 17}, 180, 180);
  gloss.CloseFigure();
  g.FillPath(draw::Brush(light), gloss);
}

// A bar from a to b of the given width, as a filled quadrilateral.
void Bar(draw::Graphics& g, PointF a, PointF b, float width, draw::Argb color) {
  const float dx = b.x - a.x, dy = b.y - a.y;
  const float len = std::sqrt(dx * dx + dy * dy);
  const float nx = -dy / len * width / 2, ny = dx / len * width / 2;
  const PointF quad[] = {{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}};
  g.FillPolygon(draw::Brush(color), quad);
}

void Information(draw::Graphics& g) {
  Disc(g, 0xFF1F5FA8, 0xFF3C8CE0, 0x3CFFFFFF);
  FillCircle(g, 20, 11.5f, 2.8f, 0xFFFFFFFF);
  g.FillRectangle(draw::Brush(0xFFFFFFFF), RectF{17.5f, 16, 5, 15});
  g.FillRectangle(draw::Brush(0xFFFFFFFF), RectF{15.5f, 16, 4, 2.5f});
  g.FillRectangle(draw::Brush(0xFFFFFFFF), RectF{15.5f, 28.5f, 9, 2.5f});
}

void Warning(draw::Graphics& g) {
  const PointF outer[] = {{20, 2}, {38.5f, 36.5f}, {1.5f, 36.5f}};
  g.FillPolygon(draw::Brush(0xFFB07800), outer);
  const PointF inner[] = {{20, 6.5f}, {35, 34.5f}, {5, 34.5f}};
  g.FillPolygon(draw::Brush(0xFFFFC927), inner);
  const PointF stroke[] = {{18, 14}, {22, 14}, {21.2f, 26}, {18.8f, 26}};
  g.FillPolygon(draw::Brush(0xFF2A2A2A), stroke);
  FillCircle(g, 20, 30, 2.2f, 0xFF2A2A2A);
}

void Error(draw::Graphics& g) {
  Disc(g, 0xFF9C1C1C, 0xFFE04040, 0x30FFFFFF);
  Bar(g, {13, 13}, {27, 27}, 4.5f, 0xFFFFFFFF);
  Bar(g, {27, 13}, {13, 27}, 4.5f, 0xFFFFFFFF);
}

void Question(draw::Graphics& g) {
  Disc(g, 0xFF1E7A5A, 0xFF33B07F, 0x38FFFFFF);
  // The hook of the question mark: a thick arc, then a short stem.
  draw::Path hook;
  hook.AddArc(RectF{13, 8, 14, 13}, 180, 270);
  hook.AddArc(RectF{17.5f, 12.5f, 5, 4}, 90, -270);
  hook.CloseFigure();
  g.FillPath(draw::Brush(0xFFFFFFFF), hook);
  g.FillRectangle(draw::Brush(0xFFFFFFFF), RectF{17.75f, 19, 4.5f, 6});
  FillCircle(g, 20, 29.5f, 2.6f, 0xFFFFFFFF);
}

// A fresh transparent 40 x 40 picture with smooth edges, painted by paint.
draw::Bitmap Icon(void (*paint)(draw::Graphics&)) {
  draw::Bitmap bmp(kSide, kSide);
  {
    draw::Graphics g(bmp);
    g.SetSmoothingMode(draw::SmoothingMode::AntiAlias);
    paint(g);
  }
  return bmp;
}

void Print(const char* name, const draw::Bitmap& bmp) {
  const std::vector<uint8_t> png = draw::EncodePng(bmp);
  std::printf("constexpr uint8_t %s[] = {", name);
  for (size_t i = 0; i < png.size(); ++i) std::printf("%s0x%02X,", i % 16 == 0 ? "\n    " : " ", png[i]);
  std::printf("\n};\n\n");
}

}  // namespace

int main(int argc, char** argv) {
  // With a folder argument the pictures are also written as PNG files to look at.
  const draw::Bitmap icons[] = {Icon(Information), Icon(Warning), Icon(Error), Icon(Question)};
  const char* names[] = {"kInformationPng", "kWarningPng", "kErrorPng", "kQuestionPng"};
  for (int i = 0; i < 4; ++i) {
    Print(names[i], icons[i]);
    if (argc > 1) {
      const std::string path = std::string(argv[1]) + "/" + names[i] + ".png";
      const std::vector<uint8_t> png = draw::EncodePng(icons[i]);
      if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(png.data(), 1, png.size(), f);
        std::fclose(f);
      }
    }
  }
  return 0;
}
