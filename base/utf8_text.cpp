#include "base/utf8_text.h"

#include <cstdint>
#include <cstring>

#include "base/text_encoding.h"
#include "base/unit_scan.h"

namespace quillmar {
namespace {
constexpr char16_t kReplacement = 0xFFFD;
}  // namespace

std::u16string DecodeUtf8(std::string_view text) {
  std::u16string out(text.size(), u'\0');  // never more units than bytes
  char16_t* o = out.data();
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* const end = p + text.size();
  auto trail = [](unsigned char b) { return (b & 0xC0) == 0x80; };
  while (p < end) {
    // Plain ASCII eight bytes at a time.
    while (end - p >= 8) {
      uint64_t word;
      std::memcpy(&word, p, sizeof word);
      if ((word & 0x8080808080808080ull) != 0) break;
      for (int k = 0; k < 8; ++k) o[k] = p[k];
      o += 8;
      p += 8;
    }
    if (p == end) break;
    const unsigned c = *p;
    const std::ptrdiff_t left = end - p;
    if (c < 0x80) {
      *o++ = static_cast<char16_t>(c);
      ++p;
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF && left >= 2 && trail(p[1])) {
      *o++ = static_cast<char16_t>(((c & 0x1F) << 6) | (p[1] & 0x3F));
      p += 2;
      continue;
    }
    if (c >= 0xE0 && c <= 0xEF && left >= 3 && trail(p[1]) && trail(p[2])) {
      const unsigned v = ((c & 0x0F) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
      if (v >= 0x800 && (v < 0xD800 || v > 0xDFFF)) {
        *o++ = static_cast<char16_t>(v);
        p += 3;
        continue;
      }
    }
    if (c >= 0xF0 && c <= 0xF4 && left >= 4 && trail(p[1]) && trail(p[2]) && trail(p[3])) {
      const unsigned v = ((c & 0x07) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
      if (v >= 0x10000 && v <= 0x10FFFF) {
        *o++ = static_cast<char16_t>(0xD800 + ((v - 0x10000) >> 10));
        *o++ = static_cast<char16_t>(0xDC00 + ((v - 0x10000) & 0x3FF));
        p += 4;
        continue;
      }
    }
    *o++ = kReplacement;
    ++p;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

// A lone surrogate becomes U+FFFD, as the iconv path writes it for targets that have it.
std::string EncodeUtf8(std::u16string_view wide) {
  std::size_t length = 0;
  for (std::size_t i = AsciiRunEnd(wide); i < wide.size(); i = AsciiRunEnd(wide, i + 1)) {
    length += wide[i] < 0x800 ? 1 : 2;  // beyond its first byte; a pair: 2 + 2 > 3
  }
  std::string out(wide.size() + length, '\0');
  char* o = out.data();
  auto put = [&](unsigned v) { *o++ = static_cast<char>(v); };
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const std::size_t asciiEnd = AsciiRunEnd(wide, i);
    for (; i < asciiEnd; ++i) *o++ = static_cast<char>(wide[i]);
    if (i == wide.size()) break;
    unsigned c = wide[i];
    if (c < 0x800) {
      put(0xC0 | (c >> 6));
      put(0x80 | (c & 0x3F));
    } else if (IsHighSurrogate(static_cast<char16_t>(c)) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) {
      const unsigned v = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00u);
      put(0xF0 | (v >> 18));
      put(0x80 | ((v >> 12) & 0x3F));
      put(0x80 | ((v >> 6) & 0x3F));
      put(0x80 | (v & 0x3F));
    } else {
      if (c >= 0xD800 && c <= 0xDFFF) c = kReplacement;
      put(0xE0 | (c >> 12));
      put(0x80 | ((c >> 6) & 0x3F));
      put(0x80 | (c & 0x3F));
    }
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

}  // namespace quillmar
