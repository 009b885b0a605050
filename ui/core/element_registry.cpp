#include "ui/core/element_registry.h"

#include <cassert>
#include <cstdlib>

namespace quillmar {

int32_t ElementRegistry::FindElement(int32_t key) const {
  if (key == 0 || records_.empty()) return -1;
  int32_t lo = 1;
  int32_t hi = Count();
  while (lo <= hi) {
    // The midpoint rounds to nearest, so it may land one past the end.
    const int32_t mid = (lo + hi + 1) / 2;
    if (mid > Count()) return -1;
    const int32_t found = records_[static_cast<size_t>(mid - 1)]->key;
    if (found == key) return mid;
    if (key < found) {
      hi = mid - 1;
    } else {
      lo = mid + 1;
    }
  }
  return -1;
}

ElementRecord& ElementRegistry::RecordAt(int32_t index) const {
  if (index < 1 || index > Count()) std::abort();
  return *records_[static_cast<size_t>(index - 1)];
}

ElementRecord* ElementRegistry::Find(int32_t key) const {
  const int32_t index = FindElement(key);
  return index < 0 ? nullptr : records_[static_cast<size_t>(index - 1)].get();
}

ElementRecord& ElementRegistry::Add(std::unique_ptr<ElementRecord> record) {
  assert(records_.empty() || records_.back()->key < record->key);
  records_.push_back(std::move(record));
  return *records_.back();
}

void ElementRegistry::Remove(int32_t key) {
  const int32_t index = FindElement(key);
  if (index < 0) return;
  records_.erase(records_.begin() + (index - 1));
}

ElementRegistry& Registry() {
  static ElementRegistry registry;
  return registry;
}

}  // namespace quillmar
