#pragma once
// Fonts loaded from a file or from bytes held in memory, usable as families.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/draw/font_family.h"

namespace quillmar::draw {

class FontCollection {
 public:
  FontCollection();
  ~FontCollection();
  FontCollection(FontCollection&&) noexcept;
  FontCollection& operator=(FontCollection&&) noexcept;
  FontCollection(const FontCollection&) = delete;
  FontCollection& operator=(const FontCollection&) = delete;

  // Adds the fonts of a file (UTF-8 path); false when it holds none.
  bool AddFile(const std::string& path);
  // Adds the fonts held in the bytes; false when they hold none.
  bool AddMemory(std::span<const uint8_t> bytes);
  // Families in the order they were added (each once).
  std::vector<FontFamily> Families() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quillmar::draw
