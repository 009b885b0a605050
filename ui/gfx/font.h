#pragma once
// Holder of one font and what it was made from: a family, and for fonts loaded from
// a file or from memory, the private collection. Copies share all three.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/draw/font.h"
#include "platform/draw/font_collection.h"
#include "platform/draw/font_family.h"

namespace quillmar {

class UiFont {
 public:
  // "宋体" in program text (GB18030).
  static constexpr std::string_view kDefaultName = "\xCB\xCE\xCC\xE5";

  // Every From operation releases the previous font first and returns the new
  // font, empty on failure.
  const draw::Font& FromStockFont();
  // A font of an installed family; names not installed resolve to a CJK family.
  const draw::Font& FromName(std::string_view name = kDefaultName, int size = 12, int style = 0, int unit = 0);
  static draw::Font MakeFont(const draw::FontFamily& family, int size, int style, int unit);
  // The first family of a font file (path in program text).
  const draw::Font& FromFile(std::string_view path, int size = 12);
  // The first family of font data held in memory.
  const draw::Font& FromMemory(std::span<const uint8_t> bytes, int size = 12);
  const draw::Font& GetFont() const { return font_; }
  const draw::FontFamily& GetFamily() const { return family_; }
  bool HasCollection() const { return collection_ != nullptr; }
  void Release();

 private:
  const draw::Font& FromCollection(int size);

  draw::FontFamily family_;
  draw::Font font_;
  std::shared_ptr<draw::FontCollection> collection_;
};

}  // namespace quillmar
