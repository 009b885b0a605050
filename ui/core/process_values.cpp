#include "ui/core/process_values.h"

#include <atomic>
#include <random>
#include <utility>

#include "ui/core/theme_defaults.h"

namespace quillmar {
namespace {

std::atomic<uint32_t> osVersionCode{0};
// Keys are handed out on the UI thread, but an atomic keeps a stray read from
// another thread well-defined.
std::atomic<int32_t> nextObjectId{0};

}  // namespace

uint32_t OsVersionCodeFromText(std::string_view text) {
  static constexpr std::pair<std::string_view, uint32_t> kTable[] = {
      {"3.5", 1}, {"4.1", 2}, {"5.0", 5}, {"5.1", 6}, {"5.2", 7}, {"6.0", 8}, {"6.1", 9}, {"6.2", 10}, {"6.3", 11},
  };
  for (const auto& [version, code] : kTable) {
    if (text == version) return code;
  }
  return 0;
}

uint32_t OsVersionCode() { return osVersionCode.load(std::memory_order_relaxed); }

int32_t NextObjectId() { return nextObjectId.fetch_add(1, std::memory_order_relaxed) + 1; }

int32_t CurrentObjectId() { return nextObjectId.load(std::memory_order_relaxed); }

void SeedObjectId(uint32_t seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int32_t> dist(100000, 400000);
  nextObjectId.store(dist(gen), std::memory_order_relaxed);
}

void InitProcessValues(std::string_view versionText, uint32_t seed) {
  osVersionCode.store(OsVersionCodeFromText(versionText), std::memory_order_relaxed);
  SeedObjectId(seed);
  Theme() = ThemeDefaults::Standard();
}

}  // namespace quillmar
