#pragma once
// Internal to the drawing layer: GIF frames and their delays, read with giflib.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/draw/bitmap.h"

namespace quillmar::draw {

// The largest picture any decoder accepts, checked against the size the file
// declares before the pixels are allocated.
inline constexpr int64_t kMaxDecodedPixels = int64_t{64} << 20;

}  // namespace quillmar::draw

namespace quillmar::draw::gif {

struct Frames {
  std::vector<Bitmap> pictures;  // whole pictures, each frame composed over the earlier ones
  std::vector<int> delays;       // hundredths of a second, as stored in the file
};

bool LooksLikeGif(std::span<const uint8_t> bytes);
// Frames of a GIF; none for unreadable data. A file cut short keeps the frames read whole.
Frames Decode(std::span<const uint8_t> bytes);

}  // namespace quillmar::draw::gif
