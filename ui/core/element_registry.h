#pragma once
// The process-wide table of element records, sorted by key because keys only grow.

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

  // Appends a record; its key must be above every key already in the table.
  ElementRecord& Add(std::unique_ptr<ElementRecord> record);
  // Removes the record of a key; the others keep their order.
  void Remove(int32_t key);

  int32_t Count() const { return static_cast<int32_t>(records_.size()); }

 private:
  std::vector<std::unique_ptr<ElementRecord>> records_;
};

// The one registry of the process; it belongs to the UI thread.
ElementRegistry& Registry();

}  // namespace quillmar
