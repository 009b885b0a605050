#include "platform/draw/blend.h"

#include <algorithm>

namespace quillmar::draw {

void BlendBitmap(Bitmap& dst, int x, int y, const Bitmap& src, uint8_t alpha, const Region* clip) {
  BlendBitmap(dst, Rect{x, y, src.Width(), src.Height()}, src, Rect{0, 0, src.Width(), src.Height()}, alpha, clip);
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
