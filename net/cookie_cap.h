#pragma once
// Keeps a cookie store within limits per host and in all, like browsers do: when a limit is
// passed, the cookies seen first go first. Works on the store's lines, so it can be checked
// without a transport.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace quillmar {

struct CookieLimits {
  std::size_t perHost = 180;
  std::size_t total = 3000;
};

class CookieCap {
 public:
  explicit CookieCap(CookieLimits limits = {}) : limits_(limits) {}

  // Takes every cookie of the store, one tab-separated line each (domain, subdomains flag,
  // path, secure, expiry, name, value; the domain may carry an "#HttpOnly_" mark). Lines not
  // seen before count as the newest, in the order given. Returns the lines to keep, oldest
  // first, when a limit is passed; nothing when the store may stay as it is.
  std::optional<std::vector<std::string>> Trim(const std::vector<std::string>& lines);

  // Forgets the order of everything seen (the store was emptied).
  void Clear();

 private:
  CookieLimits limits_;
  std::unordered_map<std::string, std::uint64_t> firstSeen_;  // by domain, path and name
  std::uint64_t nextSeen_ = 0;
};

}  // namespace quillmar
