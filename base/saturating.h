#pragma once
// Pixel and position arithmetic that clamps to the 32-bit range instead of
// overflowing: sizes and positions come from callers and may sit at the ends
// of the range, where a plain sum is undefined.

#include <algorithm>
#include <cstdint>
#include <limits>

namespace quillmar {

// A wide value clamped into the 32-bit range.
constexpr int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// a + b, stopping at the ends of the 32-bit range.
constexpr int32_t SaturatingAdd(int32_t a, int64_t b) { return ClampToInt32(static_cast<int64_t>(a) + b); }

}  // namespace quillmar
