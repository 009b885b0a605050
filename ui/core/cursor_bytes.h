#pragma once
// A cursor made from the bytes of a cursor file held in memory.

#include <cstdint>
#include <span>

#include "platform/ws/types.h"

namespace quillmar {

// The cursor of the file's first image, or 0 when the bytes are not a cursor
// file or its image runs past the end of the bytes.
ws::CursorHandle CursorFromBytes(std::span<const uint8_t> bytes);

}  // namespace quillmar
