#include "ui/core/element_registry.h"

#include <algorithm>
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

std::shared_ptr<ElementRecord> ElementRegistry::Share(int32_t key) const {
  const int32_t index = FindElement(key);
  return index < 0 ? nullptr : records_[static_cast<size_t>(index - 1)];
}

ElementRecord* ElementRegistry::Add(std::unique_ptr<ElementRecord> record) {
  if (!record || record->key == 0) return nullptr;
  // Keys normally only grow and this is an append; a reseeded counter must
  // not leave the table unsorted, which would make lookups miss silently.
  const auto at = std::lower_bound(records_.begin(), records_.end(), record->key,
                                   [](const std::shared_ptr<ElementRecord>& r, int32_t key) { return r->key < key; });
  if (at != records_.end() && (*at)->key == record->key) return nullptr;
  record->registered = true;
  return records_.insert(at, std::move(record))->get();
}

void ElementRegistry::Remove(int32_t key) {
  const int32_t index = FindElement(key);
  if (index < 0) return;
  const auto it = records_.begin() + (index - 1);
  (*it)->registered = false;
  records_.erase(it);
}

ElementRegistry& Registry() {
  static ElementRegistry registry;
  return registry;
}

}  // namespace quillmar
