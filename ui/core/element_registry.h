#pragma once
// The process-wide table of element records, sorted by key.

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/core/element_record.h"

namespace quillmar {

class ElementRegistry {
 public:
  // 1-based position of the record with that key, or -1 (key 0 and an empty table too).
  int32_t FindElement(int32_t key) const;
  // The record at a position returned by FindElement; outside 1..Count() is a caller fault.
  ElementRecord& RecordAt(int32_t index) const;
  // The record of a key, or nullptr when the key is not registered.
  ElementRecord* Find(int32_t key) const;
  // The record of a key shared with the caller (see ElementRef), or null.
  std::shared_ptr<ElementRecord> Share(int32_t key) const;

  // Adds a record at its key's place, so lookups stay right even when the key
  // counter was seeded again below keys in use. A key 0 or one already in the
  // table is refused: returns null and the record is not added.
  ElementRecord* Add(std::unique_ptr<ElementRecord> record);
  // Removes the record of a key; the others keep their order.
  void Remove(int32_t key);

  int32_t Count() const { return static_cast<int32_t>(records_.size()); }

 private:
  std::vector<std::shared_ptr<ElementRecord>> records_;
};

// The one registry of the process; it belongs to the UI thread.
ElementRegistry& Registry();

}  // namespace quillmar
