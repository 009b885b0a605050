#include "platform/draw/font_collection.h"

#include "platform/draw/font_system_gdiplus.h"

namespace quillmar::draw {

struct FontCollection::Impl {
  std::vector<FontFamily> families;
  void Add(const std::vector<std::shared_ptr<const FontFamily::Impl>>& found) {
    for (const auto& family : found) {
      bool seen = false;
      for (const auto& f : families) seen = seen || f.ResolvedName() == family->resolved;
      if (!seen) families.emplace_back(family);
    }
  }
};

FontCollection::FontCollection() : impl_(std::make_unique<Impl>()) {}
FontCollection::~FontCollection() = default;
FontCollection::FontCollection(FontCollection&&) noexcept = default;
FontCollection& FontCollection::operator=(FontCollection&&) noexcept = default;

bool FontCollection::AddFile(const std::string& path) {
  const std::u16string wide = fonts::Utf8ToUtf16(path);
  const auto found = fonts::AddFontFile(gdiplus::Wide(wide));
  impl_->Add(found);
  return !found.empty();
}

bool FontCollection::AddMemory(std::span<const uint8_t> bytes) {
  const auto found = fonts::AddFontMemory(bytes);
  impl_->Add(found);
  return !found.empty();
}

std::vector<FontFamily> FontCollection::Families() const { return impl_->families; }

}  // namespace quillmar::draw
