#include "ui/gfx/font.h"

#include "base/text_encoding.h"

namespace quillmar {

const draw::Font& UiFont::FromStockFont() {
  Release();
  font_ = draw::Font::StockGui();
  family_ = font_.Family();
  return font_;
}

const draw::Font& UiFont::FromName(std::string_view name, int size, int style, int unit) {
  Release();
  family_ = draw::FontFamily::FromName(GbkToWide(name));
  font_ = MakeFont(family_, size, style, unit);
  return font_;
}

draw::Font UiFont::MakeFont(const draw::FontFamily& family, int size, int style, int unit) {
  if (unit < 0 || unit > 6) return {};
  return draw::Font(family, static_cast<float>(size), style, static_cast<draw::Unit>(unit));
}

const draw::Font& UiFont::FromFile(std::string_view path, int size) {
  Release();
  collection_ = std::make_shared<draw::FontCollection>();
  collection_->AddFile(GbkToUtf8(path));
  return FromCollection(size);
}

const draw::Font& UiFont::FromMemory(std::span<const uint8_t> bytes, int size) {
  Release();
  collection_ = std::make_shared<draw::FontCollection>();
  collection_->AddMemory(bytes);
  return FromCollection(size);
}

const draw::Font& UiFont::FromCollection(int size) {
  const auto families = collection_->Families();
  if (families.empty()) return font_;  // the empty collection stays until Release
  family_ = families.front();
  font_ = MakeFont(family_, size, 0, 0);
  return font_;
}

void UiFont::Release() {
  font_ = {};
  collection_.reset();
  family_ = {};
}

}  // namespace quillmar
