#include "net/html_entities.h"

#include <array>
#include <cstdint>
#include <utility>

#include "base/unit_scan.h"

namespace quillmar {

namespace {

constexpr std::array<std::pair<std::string_view, char32_t>, 27> kNamed{{
    {"amp", U'&'},     {"AMP", U'&'},      {"lt", U'<'},      {"LT", U'<'},      {"gt", U'>'},      {"GT", U'>'},
    {"quot", U'"'},    {"QUOT", U'"'},     {"apos", U'\''},   {"nbsp", 0xA0},    {"copy", 0xA9},    {"reg", 0xAE},
    {"trade", 0x2122}, {"hellip", 0x2026}, {"mdash", 0x2014}, {"ndash", 0x2013}, {"middot", 0xB7},  {"laquo", 0xAB},
    {"raquo", 0xBB},   {"lsquo", 0x2018},  {"rsquo", 0x2019}, {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"times", 0xD7},
    {"deg", 0xB0},     {"yen", 0xA5},      {"bull", 0x2022},
}};

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kPastUnicode = 0x110000;

template <typename Char>
bool IsAsciiAlnum(Char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

template <typename Char>
int HexValue(Char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a numeric reference that starts just after "&#"; returns the length it
// used (0 when there are no digits).
template <typename Char>
size_t ReadNumeric(std::basic_string_view<Char> text, size_t at, char32_t& value) {
  bool hex = at < text.size() && (text[at] == 'x' || text[at] == 'X');
  size_t i = hex ? at + 1 : at;
  size_t digitsStart = i;
  uint32_t v = 0;
  for (; i < text.size(); ++i) {
    int d = hex ? HexValue(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (d < 0) break;
    // Saturate so a long run of digits cannot overflow.
    if (v < kPastUnicode) v = v * (hex ? 16 : 10) + static_cast<uint32_t>(d);
  }
  if (i == digitsStart) return 0;
  if (i < text.size() && text[i] == ';') ++i;
  value = (v == 0 || v >= kPastUnicode || (v >= 0xD800 && v <= 0xDFFF)) ? kReplacement : v;
  return i - at;
}

}  // namespace

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

namespace {

void AppendUnits(std::string& out, char32_t c) { AppendUtf8(out, c); }

void AppendUnits(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
  }
}

size_t FindAmpersand(std::string_view text, size_t from) { return text.find('&', from); }
size_t FindAmpersand(std::u16string_view text, size_t from) { return FindUnit(text, u'&', from); }

template <typename Char>
bool NameIs(std::basic_string_view<Char> name, std::string_view known) {
  if (name.size() != known.size()) return false;
  for (size_t k = 0; k < known.size(); ++k) {
    if (name[k] != static_cast<Char>(known[k])) return false;
  }
  return true;
}

template <typename Char>
std::basic_string<Char> Decode(std::basic_string_view<Char> text) {
  std::basic_string<Char> out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    size_t amp = FindAmpersand(text, i);
    if (amp == std::basic_string_view<Char>::npos) break;
    out.append(text, i, amp - i);
    i = amp + 1;
    if (i < text.size() && text[i] == '#') {
      char32_t value = 0;
      size_t used = ReadNumeric(text, i + 1, value);
      if (used > 0) {
        AppendUnits(out, value);
        i += 1 + used;
        continue;
      }
    } else {
      size_t end = i;
      while (end < text.size() && end - i < 8 && IsAsciiAlnum(text[end])) ++end;
      if (end < text.size() && text[end] == ';') {
        std::basic_string_view<Char> name = text.substr(i, end - i);
        bool found = false;
        for (const auto& [known, value] : kNamed) {
          if (NameIs(name, known)) {
            AppendUnits(out, value);
            found = true;
            break;
          }
        }
        if (found) {
          i = end + 1;
          continue;
        }
      }
    }
    out.push_back(Char('&'));
  }
  if (i < text.size()) out.append(text, i, std::basic_string_view<Char>::npos);
  return out;
}

}  // namespace

std::string DecodeHtmlEntities(std::string_view utf8) { return Decode(utf8); }

std::u16string DecodeHtmlEntities(std::u16string_view wide) { return Decode(wide); }

}  // namespace quillmar
