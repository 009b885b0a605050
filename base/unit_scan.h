#pragma once
// Scans of UTF-16 text four units at a time (one 64-bit word), for the loops that
// look at every unit of a whole page or title. Results match the plain loops.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace quillmar {

namespace unit_scan_detail {
inline constexpr uint64_t kLanes = 0x0001000100010001ull;
inline constexpr uint64_t kLow15 = 0x7FFF * kLanes;
// The top bit of each lane of x that is not zero, lane by lane (nothing carries across).
inline uint64_t NonZeroLanes(uint64_t x) { return (((x & kLow15) + kLow15) | x) & ~kLow15; }
inline uint64_t ZeroLanes(uint64_t x) { return ~NonZeroLanes(x) & ~kLow15; }
inline uint64_t Word(const char16_t* units) {
  uint64_t word;
  std::memcpy(&word, units, sizeof word);
  return word;
}
// The unit index (0..3) of the lowest flagged lane, in memory order.
inline size_t FirstLane(uint64_t flags) {
  if constexpr (std::endian::native == std::endian::little) return static_cast<size_t>(std::countr_zero(flags) / 16);
  return static_cast<size_t>(std::countl_zero(flags) / 16);
}
}  // namespace unit_scan_detail

// The first position at or after `from` holding `unit`, or npos.
inline size_t FindUnit(std::u16string_view text, char16_t unit, size_t from = 0) {
  using namespace unit_scan_detail;
  const uint64_t pattern = unit * kLanes;
  size_t i = from;
  // Eight units per step while none matches, then the word that does.
  while (i + 8 <= text.size() &&
         (ZeroLanes(Word(text.data() + i) ^ pattern) | ZeroLanes(Word(text.data() + i + 4) ^ pattern)) == 0) {
    i += 8;
  }
  for (; i + 4 <= text.size(); i += 4) {
    if (const uint64_t flags = ZeroLanes(Word(text.data() + i) ^ pattern)) return i + FirstLane(flags);
  }
  for (; i < text.size(); ++i) {
    if (text[i] == unit) return i;
  }
  return std::u16string_view::npos;
}

// The first position at or after `from` holding half of a surrogate pair (0xD800..0xDFFF),
// or the text's size.
inline size_t FindSurrogate(std::u16string_view text, size_t from = 0) {
  using namespace unit_scan_detail;
  size_t i = from;
  for (; i + 4 <= text.size(); i += 4) {
    const uint64_t flags = ZeroLanes((Word(text.data() + i) & (0xF800 * kLanes)) ^ (0xD800 * kLanes));
    if (flags != 0) return i + FirstLane(flags);
  }
  while (i < text.size() && (text[i] & 0xF800) != 0xD800) ++i;
  return i;
}

// The end of the run of ASCII units (below 0x80) that starts at `from`.
inline size_t AsciiRunEnd(std::u16string_view text, size_t from = 0) {
  using namespace unit_scan_detail;
  constexpr uint64_t kHigh = 0xFF80 * kLanes;  // a unit is ASCII when these bits are zero
  size_t i = from;
  // Eight units per step while all are ASCII, then the word that is not.
  while (i + 8 <= text.size() && ((Word(text.data() + i) | Word(text.data() + i + 4)) & kHigh) == 0) i += 8;
  for (; i + 4 <= text.size(); i += 4) {
    if (const uint64_t flags = NonZeroLanes(Word(text.data() + i) & kHigh)) return i + FirstLane(flags);
  }
  while (i < text.size() && text[i] < 0x80) ++i;
  return i;
}

// How many units are not ASCII.
inline size_t CountNonAscii(std::u16string_view text) {
  using namespace unit_scan_detail;
  size_t count = 0;
  size_t i = 0;
  for (; i + 4 <= text.size(); i += 4) {
    // One flag per lane moved to the lane's low bit; the multiply sums the four lanes into the
    // top one (std::popcount is a library call on baseline x86-64).
    const uint64_t flags = NonZeroLanes(Word(text.data() + i) & (0xFF80 * kLanes)) >> 15;
    count += static_cast<size_t>((flags * kLanes) >> 48);
  }
  for (; i < text.size(); ++i) count += text[i] >= 0x80 ? 1 : 0;
  return count;
}

}  // namespace quillmar
