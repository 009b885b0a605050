#include "platform/draw/blend.h"

#include <algorithm>
#include <cstring>

namespace quillmar::draw {

namespace {

// Each 8-bit channel of x times a / 255, rounded (two channels per multiply).
inline uint32_t MulChannels(uint32_t x, uint32_t a) {
  uint32_t rb = (x & 0xFF00FF) * a + 0x800080;
  rb = ((rb + ((rb >> 8) & 0xFF00FF)) >> 8) & 0xFF00FF;
  uint32_t ag = ((x >> 8) & 0xFF00FF) * a + 0x800080;
  ag = (ag + ((ag >> 8) & 0xFF00FF)) & 0xFF00FF00;
  return rb | ag;
}

// Channel-wise sum clamped at 255 (only reached by pixels that break the premultiplied rule).
inline uint32_t AddChannels(uint32_t x, uint32_t y) {
  uint32_t rb = (x & 0xFF00FF) + (y & 0xFF00FF);
  uint32_t ag = ((x >> 8) & 0xFF00FF) + ((y >> 8) & 0xFF00FF);
  rb |= 0x1000100 - ((rb >> 8) & 0xFF00FF);
  ag |= 0x1000100 - ((ag >> 8) & 0xFF00FF);
  return (rb & 0xFF00FF) | ((ag & 0xFF00FF) << 8);
}

inline uint32_t Over(uint32_t s, uint32_t d) {
  const uint32_t sa = s >> 24;
  if (sa == 255) return s;
  if (s == 0) return d;
  return AddChannels(s, MulChannels(d, 255 - sa));
}

// Blends one span of destination rows [x0, x1) × [y0, y1).
void BlendArea(Bitmap& dst, const Rect& dstRect, const Bitmap& src, const Rect& srcRect, uint32_t alpha,
               int x0, int x1, int y0, int y1) {
  const bool sameSize = dstRect.width == srcRect.width && dstRect.height == srcRect.height;
  for (int y = y0; y < y1; ++y) {
    const int sy = sameSize ? srcRect.y + (y - dstRect.y)
                            : srcRect.y + static_cast<int>(int64_t{y - dstRect.y} * srcRect.height / dstRect.height);
    if (sy < 0 || sy >= src.Height()) continue;
    const uint32_t* srow = src.Row(sy);
    uint32_t* drow = dst.Row(y);
    for (int x = x0; x < x1; ++x) {
      const int sx = sameSize ? srcRect.x + (x - dstRect.x)
                              : srcRect.x + static_cast<int>(int64_t{x - dstRect.x} * srcRect.width / dstRect.width);
      if (sx < 0 || sx >= src.Width()) continue;
      uint32_t s = srow[sx];
      if (alpha != 255) s = MulChannels(s, alpha);
      drow[x] = Over(s, drow[x]);
    }
  }
}

}  // namespace

void BlendBitmap(Bitmap& dst, const Rect& dstRect, const Bitmap& src, const Rect& srcRect, uint8_t alpha,
                 const Region* clip) {
  if (alpha == 0 || dstRect.IsEmpty() || srcRect.IsEmpty() || dst.IsEmpty() || src.IsEmpty()) return;
  Rect area{std::max(dstRect.x, 0), std::max(dstRect.y, 0), 0, 0};
  area.width = std::min(dstRect.Right(), dst.Width()) - area.x;
  area.height = std::min(dstRect.Bottom(), dst.Height()) - area.y;
  if (area.IsEmpty()) return;
  if (clip == nullptr) {
    BlendArea(dst, dstRect, src, srcRect, alpha, area.x, area.Right(), area.y, area.Bottom());
    return;
  }
  Region limited(area);
  limited.Intersect(*clip);
  for (const Rect& r : limited.Rects()) {
    BlendArea(dst, dstRect, src, srcRect, alpha, r.x, r.Right(), r.y, r.Bottom());
  }
}

void BlendBitmap(Bitmap& dst, int x, int y, const Bitmap& src, uint8_t alpha, const Region* clip) {
  BlendBitmap(dst, Rect{x, y, src.Width(), src.Height()}, src, Rect{0, 0, src.Width(), src.Height()}, alpha,
              clip);
}

void ClearBitmap(Bitmap& dst, const Region* region) {
  if (dst.IsEmpty()) return;
  if (region == nullptr) {
    dst.Clear(0);
    return;
  }
  Region limited(Rect{0, 0, dst.Width(), dst.Height()});
  limited.Intersect(*region);
  for (const Rect& r : limited.Rects()) {
    for (int y = r.y; y < r.Bottom(); ++y) std::fill_n(dst.Row(y) + r.x, r.width, 0u);
  }
}

}  // namespace quillmar::draw
