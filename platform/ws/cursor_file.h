#pragma once
// Reading the header of a cursor file (.cur): a 6-byte header (reserved 0,
// type 2, image count) and 16-byte directory entries.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/ws/types.h"

namespace quillmar::ws {

struct CursorFileInfo {
  int32_t width = 0;  // 0 in the file means 256
  int32_t height = 0;
  Point hotspot;
  size_t imageOffset = 0;
  size_t imageSize = 0;
};

// The first image's entry, or nothing when the bytes are not a cursor file
// (too short, wrong type, no image) or the image lies outside the bytes.
std::optional<CursorFileInfo> ParseCursorFile(std::span<const uint8_t> bytes);

}  // namespace quillmar::ws
