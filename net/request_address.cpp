#include "net/request_address.h"

#include <algorithm>

#include "net/text_search.h"
#include "net/url_text.h"

namespace quillmar {

bool HasControlBytes(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F;
  });
}

std::string SchemeOf(std::string_view url) {
  std::size_t colon = url.find(':');
  if (colon == std::string_view::npos || colon == 0) return {};
  std::string_view name = url.substr(0, colon);
  auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!isAlpha(name[0])) return {};
  for (char c : name) {
    if (!isAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return {};
  }
  if (colon + 1 < url.size() && url[colon + 1] >= '0' && url[colon + 1] <= '9') return {};
  return AsciiLower(name);
}

std::string RequestTarget(std::string_view path) {
  path = path.substr(0, path.find('#'));
  std::string out;
  for (char c : path) {
    auto b = static_cast<unsigned char>(c);
    if (b == ' ' || b >= 0x80) {
      AppendPercentEscape(out, b);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace quillmar
