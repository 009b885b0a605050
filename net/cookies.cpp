#include "net/cookies.h"

#include <algorithm>
#include <vector>

#include "net/text_search.h"

namespace quillmar {
namespace {

// The text without ASCII spaces and without the full-width space (a whole character, never
// two bytes that straddle characters).
std::string WithoutSpaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = CharLengthAt(text, i);
    std::string_view ch = text.substr(i, len);
    if (ch != " " && ch != "\xA1\xA1") out.append(ch);
    i += len;
  }
  return out;
}

// Splits at `separator`, leaving out empty items.
std::vector<std::string> SplitItems(std::string_view text, std::string_view separator) {
  std::vector<std::string> items;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t hit = text.find(separator, pos);
    if (hit == std::string_view::npos) hit = text.size();
    if (hit > pos) items.emplace_back(text.substr(pos, hit - pos));
    pos = hit + separator.size();
  }
  return items;
}

std::string_view CookieName(std::string_view item) { return TrimSpaces(item.substr(0, item.find('='))); }

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string Join(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) {
    if (!out.empty()) out += "; ";
    out += item;
  }
  return out;
}

}  // namespace

std::string MergeCookies(std::string_view oldCookies, std::string_view newCookies) {
  std::vector<std::string> merged = SplitItems(WithoutSpaces(newCookies), ";");
  const std::size_t newCount = merged.size();
  for (std::string& item : SplitItems(WithoutSpaces(oldCookies), ";")) {
    bool replaced = std::any_of(merged.begin(), merged.begin() + static_cast<long>(newCount),
                                [&](const std::string& n) { return CookieName(n) == CookieName(item); });
    if (!replaced) merged.push_back(std::move(item));
  }
  // A server removes a cookie by setting it to "deleted"; exact repeats are kept once.
  std::vector<std::string> kept;
  for (std::string& item : merged) {
    if (EndsWith(item, "=deleted")) continue;
    if (std::find(kept.begin(), kept.end(), item) != kept.end()) continue;
    kept.push_back(std::move(item));
  }
  return Join(kept);
}

std::string CookiesFromHeaders(std::string_view rawHeaders) {
  std::vector<std::string> cookies;
  for (std::string_view line : SplitLines(rawHeaders)) {
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    if (AsciiLower(TrimSpaces(line.substr(0, colon))) != "set-cookie") continue;
    std::string_view value = line.substr(colon + 1);
    std::string_view cookie = TrimSpaces(value.substr(0, value.find(';')));
    if (!cookie.empty()) cookies.emplace_back(cookie);
  }
  return Join(cookies);
}

}  // namespace quillmar
