#pragma once
// Character-aware searching in program text: a find only lands on the start of a character,
// never on the trail byte of a two-byte character, even when that byte looks like ASCII.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillmar {

// 0-based offset of `needle` in `text` at or after `from` (taken to be the start of a
// character), or std::string_view::npos. ignoreCase folds ASCII letters only. An empty needle
// is found at `from`.
std::size_t FindText(std::string_view text, std::string_view needle, std::size_t from = 0, bool ignoreCase = false);

// The text between the first startMarker (searched from the 1-based byte position
// startPosition; 0 means from the beginning) and the next endMarker after it. "#引号" in a
// marker stands for a double quote. Empty when either marker is missing.
std::string TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                        std::size_t startPosition = 0, bool ignoreCase = false);

// The byte length of the character starting at text[pos] (1, 2 or, for a truncated
// character at the end, what is left).
std::size_t CharLengthAt(std::string_view text, std::size_t pos);

// The lines of a text split at CR and LF alike (so "\r\n", "\n" and a lone "\r" all end a
// line), empty lines left out.
std::vector<std::string_view> SplitLines(std::string_view text);

// ASCII letters lower-cased, trail bytes of two-byte characters left alone.
std::string AsciiLower(std::string_view text);

// The text without spaces and tabs at both ends.
std::string_view TrimSpaces(std::string_view text);

}  // namespace quillmar
