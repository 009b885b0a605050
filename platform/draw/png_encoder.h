#pragma once
// Writes a picture as PNG bytes (for saving presented pictures and test snapshots).

#include <cstdint>
#include <vector>

#include "platform/draw/bitmap.h"

namespace quillmar::draw {

// PNG of the premultiplied picture; empty for an empty picture or a failure.
std::vector<uint8_t> EncodePng(const Bitmap& picture);

}  // namespace quillmar::draw
