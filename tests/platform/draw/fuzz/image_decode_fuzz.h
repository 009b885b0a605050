#pragma once
// One fuzz input for the picture decoders: decode, then touch every frame as a
// picture box would (select it, read pixels, draw it).

#include <cstdint>
#include <span>

#include "platform/draw/graphics.h"
#include "platform/draw/image.h"

namespace quillmar::fuzz {

inline void FuzzImageDecode(std::span<const uint8_t> bytes) {
  draw::Image image = draw::Image::Decode(bytes);
  if (image.IsEmpty()) return;
  draw::Bitmap target(32, 32);
  draw::Graphics g(target);
  const int frames = image.FrameCount() > 0 ? image.FrameCount() : 1;
  for (int i = 0; i < frames && i < 64; ++i) {
    image.SelectActiveFrame(i);
    (void)image.GetPixel(image.Width() - 1, image.Height() - 1);
    g.DrawImage(image, RectF{0, 0, 32, 32});
  }
}

}  // namespace quillmar::fuzz
