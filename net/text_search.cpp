#include "net/text_search.h"

#include <algorithm>

namespace quillmar {
namespace {

// Bytes from 0x80 up start a two-byte character (the four-byte ones of GB18030 are two such
// pairs, so stepping by two stays in step with them).
bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Compares needle with text at pos, folding only the needle's single-byte characters: a
// trail byte that happens to be a letter is part of its character and compares exactly.
bool MatchesFolded(std::string_view text, std::size_t pos, std::string_view needle) {
  for (std::size_t j = 0; j < needle.size();) {
    std::size_t len = CharLengthAt(needle, j);
    if (len == 1) {
      if (FoldAscii(text[pos + j]) != FoldAscii(needle[j])) return false;
    } else if (text.compare(pos + j, len, needle, j, len) != 0) {
      return false;
    }
    j += len;
  }
  return true;
}

const std::string_view kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";  // "#引号"

std::string ExpandQuotes(std::string_view marker) {
  std::string out;
  std::size_t pos = 0;
  for (;;) {
    std::size_t hit = FindText(marker, kQuotePlaceholder, pos);
    if (hit == std::string_view::npos) break;
    out.append(marker.substr(pos, hit - pos));
    out.push_back('"');
    pos = hit + kQuotePlaceholder.size();
  }
  out.append(marker.substr(pos));
  return out;
}

}  // namespace

std::size_t CharLengthAt(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return 0;
  return IsLeadByte(text[pos]) ? std::min<std::size_t>(2, text.size() - pos) : 1;
}

std::size_t FindText(std::string_view text, std::string_view needle, std::size_t from, bool ignoreCase) {
  if (from > text.size()) return std::string_view::npos;
  if (needle.empty()) return from;
  if (needle.size() > text.size() - from) return std::string_view::npos;
  const std::size_t last = text.size() - needle.size();
  std::size_t pos = from;  // always the start of a character
  if (!ignoreCase) {
    for (;;) {
      std::size_t hit = text.find(needle, pos);
      if (hit == std::string_view::npos) return hit;
      while (pos < hit) pos += CharLengthAt(text, pos);
      if (pos == hit) return hit;
      // The hit began on a trail byte; look again from the next character.
    }
  }
  for (; pos <= last; pos += CharLengthAt(text, pos)) {
    if (MatchesFolded(text, pos, needle)) return pos;
  }
  return std::string_view::npos;
}

std::string TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                        std::size_t startPosition, bool ignoreCase) {
  const std::string start = ExpandQuotes(startMarker);
  const std::string end = ExpandQuotes(endMarker);
  std::size_t from = startPosition == 0 ? 0 : startPosition - 1;
  std::size_t a = FindText(text, start, from, ignoreCase);
  if (a == std::string_view::npos) return {};
  a += start.size();
  std::size_t b = FindText(text, end, a, ignoreCase);
  if (b == std::string_view::npos) return {};
  return std::string(text.substr(a, b - a));
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    if (end > pos) lines.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return lines;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size(); i += CharLengthAt(out, i)) out[i] = FoldAscii(out[i]);
  return out;
}

std::string_view TrimSpaces(std::string_view text) {
  std::size_t b = text.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  std::size_t e = text.find_last_not_of(" \t");
  return text.substr(b, e - b + 1);
}

}  // namespace quillmar
