// Whole-picture composition in plain code: the exact per-channel arithmetic of the
// header, nearest-pixel stretching, limited to the clip's rectangles.
#include <cmath>

#include "platform/draw/blend.h"

namespace quillmar::draw {

namespace {

// v · a / 255, rounded, for one 8-bit channel.
inline uint32_t Mul(uint32_t v, uint32_t a) {
  const uint32_t t = v * a + 128;
  return (t + (t >> 8)) >> 8;
}

inline uint32_t ScalePixel(uint32_t p, uint32_t a) {
  return Mul(p >> 24, a) << 24 | Mul((p >> 16) & 0xFF, a) << 16 | Mul((p >> 8) & 0xFF, a) << 8 | Mul(p & 0xFF, a);
}

// s + d · (255 − alpha(s)) / 255 per channel, saturated.
inline uint32_t Over(uint32_t s, uint32_t d) {
  const uint32_t keep = 255 - (s >> 24);
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t c = ((s >> shift) & 0xFF) + Mul((d >> shift) & 0xFF, keep);
    out |= (c > 255 ? 255u : c) << shift;
  }
  return out;
}

// The source index sampled for a destination pixel: its centre mapped into the source,
// a centre on an exact edge taking the pixel before it.
inline int Sample(int d, int dstOrigin, int dstSize, int srcOrigin, int srcSize) {
  const double at = srcOrigin + (d + 0.5 - dstOrigin) * srcSize / dstSize;
  return static_cast<int>(std::ceil(at)) - 1;
}

}  // namespace

void BlendBitmap(Bitmap& dst, const Rect& dstRect, const Bitmap& src, const Rect& srcRect, uint8_t alpha,
                 const Region* clip) {
  if (alpha == 0 || dstRect.IsEmpty() || srcRect.IsEmpty() || dst.IsEmpty() || src.IsEmpty()) return;
  if (&dst == &src) {
    const Bitmap copy = src.Clone();
    BlendBitmap(dst, dstRect, copy, srcRect, alpha, clip);
    return;
  }
  Region area(Rect{0, 0, dst.Width(), dst.Height()});
  area.Intersect(dstRect);
  if (clip != nullptr) area.Intersect(*clip);
  for (const Rect& r : area.Rects()) {
    for (int y = r.y; y < r.Bottom(); ++y) {
      const int sy = Sample(y, dstRect.y, dstRect.height, srcRect.y, srcRect.height);
      if (sy < 0 || sy >= src.Height()) continue;  // outside the source is transparent
      const uint32_t* from = src.Row(sy);
      uint32_t* to = dst.Row(y);
      for (int x = r.x; x < r.Right(); ++x) {
        const int sx = Sample(x, dstRect.x, dstRect.width, srcRect.x, srcRect.width);
        if (sx < 0 || sx >= src.Width()) continue;
        const uint32_t s = alpha == 255 ? from[sx] : ScalePixel(from[sx], alpha);
        if (s == 0) continue;
        to[x] = (s >> 24) == 255 ? s : Over(s, to[x]);
      }
    }
  }
}

}  // namespace quillmar::draw
