#pragma once
// Where the desktop's text engine puts grapheme-cluster and word boundaries in
// a UTF-16 text, so editing moves the way the rest of the desktop does (a
// combining accent or an emoji sequence is one step; CJK words break as the
// desktop breaks them).

#include <cstdint>
#include <string_view>
#include <vector>

namespace quillmar::draw {

// Bits of one position's flags.
namespace Boundary {
inline constexpr uint8_t Cluster = 1;    // a caret may stand here
inline constexpr uint8_t WordStart = 2;  // a word begins here
inline constexpr uint8_t WordEnd = 4;    // a word ends here
}  // namespace Boundary

// One flag byte per position 0..size (size + 1 entries). A position between the
// two halves of a surrogate pair gets 0; a lone surrogate is a cluster of its own.
std::vector<uint8_t> TextBoundaries(std::u16string_view text);

}  // namespace quillmar::draw
