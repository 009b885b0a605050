#include "platform/draw/font.h"
#include "platform/draw/font_collection.h"
#include "platform/draw/font_family.h"
#include "platform/draw/image.h"

namespace quillmar::draw {

struct FontFamily::Impl {
  std::u16string name;
};
FontFamily FontFamily::FromName(std::u16string_view name) {
  if (name.empty()) return {};
  return FontFamily(std::make_shared<const Impl>(Impl{std::u16string(name)}));
}
FontFamily FontFamily::FromUtf8Name(std::string_view) { return FromName(u"Sans"); }
FontFamily FontFamily::GenericSansSerif() { return FromName(u"Sans"); }
std::u16string FontFamily::Name() const { return impl_ ? impl_->name : std::u16string(); }
std::string FontFamily::ResolvedName() const { return {}; }

struct FontCollection::Impl {};
FontCollection::FontCollection() : impl_(std::make_unique<Impl>()) {}
FontCollection::~FontCollection() = default;
FontCollection::FontCollection(FontCollection&&) noexcept = default;
FontCollection& FontCollection::operator=(FontCollection&&) noexcept = default;
bool FontCollection::AddFile(const std::string&) { return false; }
bool FontCollection::AddMemory(std::span<const uint8_t>) { return false; }
std::vector<FontFamily> FontCollection::Families() const { return {}; }

struct Font::Impl {
  FontFamily family;
  float size;
  int style;
  Unit unit;
};
Font::Font(const FontFamily& family, float size, int style, Unit unit) {
  if (!family.IsEmpty()) impl_ = std::make_shared<const Impl>(Impl{family, size, style, unit});
}
Font Font::StockGui() { return Font(FontFamily::GenericSansSerif(), 13); }
const FontFamily& Font::Family() const {
  static const FontFamily empty;
  return impl_ ? impl_->family : empty;
}
float Font::Size() const { return impl_ ? impl_->size : 0; }
int Font::Style() const { return impl_ ? impl_->style : 0; }
Unit Font::GetUnit() const { return impl_ ? impl_->unit : Unit::World; }
float Font::PixelSize() const { return Size(); }
float Font::LineHeight() const { return Size() * 1.2f; }

Image Image::Decode(std::span<const uint8_t>) { return {}; }
Image Image::FromBitmap(Bitmap bitmap) {
  Image img;
  if (bitmap.IsEmpty()) return img;
  img.frames_.push_back(std::move(bitmap));
  img.format_ = ImageFormat::Other;
  return img;
}
int Image::Width() const { return Frame().Width(); }
int Image::Height() const { return Frame().Height(); }
bool Image::SelectActiveFrame(int index) {
  if (index < 0 || index >= static_cast<int>(frames_.size())) return false;
  active_ = index;
  return true;
}
const Bitmap& Image::Frame() const {
  static const Bitmap empty;
  return frames_.empty() ? empty : frames_[active_];
}
Bitmap& Image::MutableFrame() {
  static Bitmap empty;
  return frames_.empty() ? empty : frames_[active_];
}

}  // namespace quillmar::draw
