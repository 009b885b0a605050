#include "net/cookie_cap.h"

#include <algorithm>
#include <string_view>

#include "net/text_search.h"

namespace quillmar {
namespace {

struct Line {
  const std::string* text;
  std::string key;
  std::string host;
  std::uint64_t seen = 0;
};

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t pos = 0;
  for (;;) {
    std::size_t tab = line.find('\t', pos);
    fields.push_back(line.substr(pos, tab == std::string_view::npos ? std::string_view::npos : tab - pos));
    if (tab == std::string_view::npos) return fields;
    pos = tab + 1;
  }
}

}  // namespace

std::optional<std::vector<std::string>> CookieCap::Trim(const std::vector<std::string>& lines) {
  std::vector<Line> items;
  items.reserve(lines.size());
  std::unordered_map<std::string, std::uint64_t> stillThere;
  for (const std::string& text : lines) {
    std::vector<std::string_view> f = Fields(text);
    if (f.size() < 7) continue;
    std::string_view domain = f[0];
    if (domain.starts_with("#HttpOnly_")) domain.remove_prefix(10);
    if (domain.starts_with('.')) domain.remove_prefix(1);
    Line item{&text, std::string(domain) + '\t' + std::string(f[2]) + '\t' + std::string(f[5]), AsciiLower(domain)};
    auto known = firstSeen_.find(item.key);
    item.seen = known != firstSeen_.end() ? known->second : nextSeen_++;
    stillThere.emplace(item.key, item.seen);
    items.push_back(std::move(item));
  }
  firstSeen_ = std::move(stillThere);  // cookies that expired or were removed are forgotten

  std::unordered_map<std::string, std::size_t> perHost;
  bool over = items.size() > limits_.total;
  for (const Line& item : items) over = ++perHost[item.host] > limits_.perHost || over;
  if (!over) return std::nullopt;

  std::sort(items.begin(), items.end(), [](const Line& a, const Line& b) { return a.seen < b.seen; });
  // Oldest first: drop what each host has over its limit, then what is over the total.
  std::vector<bool> dropped(items.size(), false);
  std::size_t kept = items.size();
  for (std::size_t i = 0; i < items.size(); ++i) {
    std::size_t& count = perHost[items[i].host];
    if (count > limits_.perHost) {
      dropped[i] = true;
      --count;
      --kept;
    }
  }
  std::vector<std::string> keep;
  keep.reserve(std::min(kept, limits_.total));
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (dropped[i]) continue;
    if (kept > limits_.total) {
      --kept;
      firstSeen_.erase(items[i].key);
      continue;
    }
    keep.push_back(*items[i].text);
  }
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (dropped[i]) firstSeen_.erase(items[i].key);
  }
  return keep;
}

void CookieCap::Clear() {
  firstSeen_.clear();
  nextSeen_ = 0;
}

}  // namespace quillmar
