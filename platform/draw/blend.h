#pragma once
// Composition of whole pictures: source-over with a premultiplied source and a
// constant alpha, the way layered windows and element pictures are combined.

#include <cstdint>

#include "platform/draw/bitmap.h"
#include "platform/draw/region.h"

namespace quillmar::draw {

// Blends the source rectangle of src onto the destination rectangle of dst
// (stretched when the sizes differ), each pixel as
//   s' = s · alpha / 255,  d = s' + d · (255 − alpha(s')) / 255   (rounded),
// limited to clip when given. Nothing happens for alpha 0 or empty rectangles.
void BlendBitmap(Bitmap& dst, const Rect& dstRect, const Bitmap& src, const Rect& srcRect, uint8_t alpha,
                 const Region* clip = nullptr);

// The whole of src at (x, y) at its natural size.
void BlendBitmap(Bitmap& dst, int x, int y, const Bitmap& src, uint8_t alpha, const Region* clip = nullptr);

// Sets the pixels of the region (or all) to transparent 0x00000000.
void ClearBitmap(Bitmap& dst, const Region* region = nullptr);

}  // namespace quillmar::draw
