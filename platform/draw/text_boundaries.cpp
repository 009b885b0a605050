#include "platform/draw/text_boundaries.h"

#include <pango/pango.h>

#include <string>

namespace quillmar::draw {
namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

std::vector<uint8_t> TextBoundaries(std::u16string_view text) {
  const size_t n = text.size();
  std::vector<uint8_t> flags(n + 1, 0);
  // UTF-8 for the engine, with the UTF-16 index where each character starts.
  std::string utf8;
  utf8.reserve(n * 3);
  std::vector<size_t> starts;  // per character: its first UTF-16 unit
  starts.reserve(n + 1);
  for (size_t i = 0; i < n; ++i) {
    starts.push_back(i);
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone half stands for itself
    } else if (c == 0) {
      c = 0xFFFD;  // the engine stops at a NUL
    }
    AppendUtf8(utf8, c);
  }
  starts.push_back(n);
  std::vector<PangoLogAttr> attrs(starts.size());
  pango_get_log_attrs(utf8.data(), static_cast<int>(utf8.size()), -1, pango_language_get_default(), attrs.data(),
                      static_cast<int>(attrs.size()));
  for (size_t k = 0; k < starts.size(); ++k) {
    const PangoLogAttr& a = attrs[k];
    uint8_t f = 0;
    if (a.is_cursor_position) f |= Boundary::Cluster;
    if (a.is_word_start) f |= Boundary::WordStart;
    if (a.is_word_end) f |= Boundary::WordEnd;
    flags[starts[k]] = f;
  }
  flags[0] |= Boundary::Cluster;
  flags[n] |= Boundary::Cluster;
  return flags;
}

}  // namespace quillmar::draw
