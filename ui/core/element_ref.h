#pragma once
// ElementRef: the one way dispatch code holds an element across a call into a
// handler. The record's memory stays valid while a reference holds it, and
// the reference reads as empty once the element is unregistered, so code that
// called out checks the reference instead of keeping a pointer or looking the
// key up again. A record that is gone also means its object may be gone: code
// running in that object returns without touching its members.

#include <cstdint>
#include <memory>

#include "ui/core/element_record.h"
#include "ui/core/element_registry.h"

namespace quillmar {

class ElementRef {
 public:
  ElementRef() = default;
  // Looks the key up once; empty when it is not registered.
  explicit ElementRef(int32_t key) : record_(Registry().Share(key)) {}

  ElementRecord* get() const { return record_ && record_->registered ? record_.get() : nullptr; }
  explicit operator bool() const { return get() != nullptr; }
  ElementRecord* operator->() const { return get(); }
  ElementRecord& operator*() const { return *get(); }
  // Registered when it was made and not any more: the element (and perhaps its object) is gone.
  bool Lost() const { return record_ && !record_->registered; }
  // The key it was made for (0 when it was made empty), whether or not it is still registered.
  int32_t Key() const { return record_ ? record_->key : 0; }

 private:
  std::shared_ptr<ElementRecord> record_;
};

}  // namespace quillmar
