#pragma once
// Cursors the framework hands out: the numbered table of system cursors, and
// cursors made from the bytes of a cursor file held in memory.

#include <cstdint>
#include <span>

#include "platform/ws/types.h"

namespace quillmar {

// The cursor of the file's first image, or 0 when the bytes are not a cursor
// file or its image runs past the end of the bytes.
ws::CursorHandle CursorFromBytes(std::span<const uint8_t> bytes);

// The system cursor of a table index: 1 arrow, 2 cross, 3 I-beam, 4 wait, 5 help,
// 6 app-starting, 7 no, 8 size-all, 9 NE-SW, 10 N-S, 11 NW-SE, 12 W-E,
// 13 up-arrow, 14 hand; 0 for any other index.
ws::CursorHandle CursorFromIndex(int32_t index);

// Makes the system cursor of a table index current; false (and no change) when
// the index names none.
bool ShowCursorOfIndex(int32_t index);

}  // namespace quillmar
