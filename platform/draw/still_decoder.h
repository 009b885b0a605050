#pragma once
// Internal to the drawing layer: the system decoder of still pictures (PNG, JPEG, BMP,
// ICO). The caller has told the format apart by its signature and checked the headers.

#include <cstdint>
#include <span>

#include "platform/draw/bitmap.h"

namespace quillmar::draw::still {

// The picture in bytes of the named type ("png", "jpeg", "bmp", "ico"), premultiplied;
// empty when unreadable, cut short, or larger than kMaxDecodedPixels.
Bitmap Decode(const char* type, std::span<const uint8_t> bytes);

}  // namespace quillmar::draw::still
