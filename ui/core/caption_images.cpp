#include "ui/core/caption_images.h"

#include <algorithm>
#include <cmath>

#include "platform/draw/bitmap.h"
#include "platform/draw/image.h"
#include "ui/core/frame_metrics.h"

namespace quillmar {
namespace {

enum class Glyph { Close, Maximize, Restore, Minimize };
enum class Look { Normal, Hover, Pressed };

// Source-over of a straight colour at a coverage onto a premultiplied pixel.
void Plot(draw::Bitmap& bmp, int x, int y, draw::Argb color, double coverage) {
  if (x < 0 || y < 0 || x >= bmp.Width() || y >= bmp.Height() || coverage <= 0) return;
  const double a = (color >> 24) / 255.0 * std::min(coverage, 1.0);
  uint32_t& px = bmp.Row(y)[x];
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const double src = (shift == 24) ? 255.0 : static_cast<double>((color >> shift) & 0xFF);
    const double dst = static_cast<double>((px >> shift) & 0xFF);
    const double v = src * a + dst * (1.0 - a);
    out |= static_cast<uint32_t>(std::lround(std::clamp(v, 0.0, 255.0))) << shift;
  }
  px = out;
}

void FillRect(draw::Bitmap& bmp, int x, int y, int w, int h, draw::Argb color) {
  for (int j = y; j < y + h; ++j) {
    for (int i = x; i < x + w; ++i) Plot(bmp, i, j, color, 1.0);
  }
}

void Frame(draw::Bitmap& bmp, int x, int y, int w, int h, int top, draw::Argb color) {
  FillRect(bmp, x, y, w, top, color);
  FillRect(bmp, x, y + h - 1, w, 1, color);
  FillRect(bmp, x, y + top, 1, h - top - 1, color);
  FillRect(bmp, x + w - 1, y + top, 1, h - top - 1, color);
}

// An antialiased stroke between pixel centres, coverage from the distance to the segment.
void Stroke(draw::Bitmap& bmp, double x0, double y0, double x1, double y1, double width, draw::Argb color) {
  const double dx = x1 - x0;
  const double dy = y1 - y0;
  const double len2 = dx * dx + dy * dy;
  for (int y = 0; y < bmp.Height(); ++y) {
    for (int x = 0; x < bmp.Width(); ++x) {
      const double t = std::clamp(((x - x0) * dx + (y - y0) * dy) / len2, 0.0, 1.0);
      const double d = std::hypot(x - (x0 + t * dx), y - (y0 + t * dy));
      Plot(bmp, x, y, color, width / 2 + 0.5 - d);
    }
  }
}

void DrawGlyph(draw::Bitmap& bmp, Glyph glyph, int dx, int dy, draw::Argb color) {
  const int cx = bmp.Width() / 2 + dx;
  const int cy = bmp.Height() / 2 + dy;
  switch (glyph) {
    case Glyph::Close:
      Stroke(bmp, cx - 4.5, cy - 4.5, cx + 4.5, cy + 4.5, 1.3, color);
      Stroke(bmp, cx + 4.5, cy - 4.5, cx - 4.5, cy + 4.5, 1.3, color);
      break;
    case Glyph::Maximize:
      Frame(bmp, cx - 5, cy - 5, 10, 10, 2, color);
      break;
    case Glyph::Restore:
      Frame(bmp, cx - 5, cy - 2, 8, 8, 2, color);
      FillRect(bmp, cx - 2, cy - 5, 8, 1, color);
      FillRect(bmp, cx - 2, cy - 4, 8, 1, color);
      FillRect(bmp, cx + 5, cy - 3, 1, 6, color);
      FillRect(bmp, cx + 3, cy + 2, 2, 1, color);
      FillRect(bmp, cx - 2, cy - 3, 1, 1, color);
      break;
    case Glyph::Minimize:
      FillRect(bmp, cx - 5, cy + 3, 10, 2, color);
      break;
  }
}

ImageHandle Make(Glyph glyph, Look look) {
  const int width = glyph == Glyph::Close ? FrameMetrics::kCloseButtonWidth : FrameMetrics::kCaptionButtonWidth;
  const int height = FrameMetrics::kCaptionButtonHeight;
  draw::Bitmap bmp(width, height);
  const bool close = glyph == Glyph::Close;
  if (look == Look::Hover) FillRect(bmp, 0, 0, width, height, close ? 0xFFE04343u : 0x40FFFFFFu);
  if (look == Look::Pressed) FillRect(bmp, 0, 0, width, height, close ? 0xFFB22A2Au : 0x30000000u);
  if (close && look == Look::Normal) {
    // With nothing behind it, the white cross needs a dark edge to show on a
    // light window (a message box is near white).
    const double cx = width / 2;
    const double cy = height / 2;
    Stroke(bmp, cx - 4.5, cy - 4.5, cx + 4.5, cy + 4.5, 3.4, 0x90383838u);
    Stroke(bmp, cx + 4.5, cy - 4.5, cx - 4.5, cy + 4.5, 3.4, 0x90383838u);
  }
  // A soft dark offset under a white glyph keeps it readable on light and dark skins.
  DrawGlyph(bmp, glyph, 1, 1, 0x50000000u);
  DrawGlyph(bmp, glyph, 0, 0, 0xFFFFFFFFu);
  return std::make_shared<draw::Image>(draw::Image::FromBitmap(std::move(bmp)));
}

std::array<ImageHandle, 3> MakeSet(Glyph glyph) {
  return {Make(glyph, Look::Normal), Make(glyph, Look::Hover), Make(glyph, Look::Pressed)};
}

}  // namespace

const CaptionImages& BuiltInCaptionImages() {
  static const CaptionImages images{MakeSet(Glyph::Close), MakeSet(Glyph::Maximize), MakeSet(Glyph::Restore),
                                    MakeSet(Glyph::Minimize)};
  return images;
}

}  // namespace quillmar
