#include "platform/draw/font_family.h"

#include "platform/draw/font_impl.h"
#include "platform/draw/font_system.h"

namespace quillmar::draw {

FontFamily FontFamily::FromName(std::u16string_view name) {
  if (name.empty()) return {};
  const std::string utf8 = fonts::Utf16ToUtf8(name);
  return FontFamily(std::make_shared<const Impl>(Impl{std::u16string(name), fonts::ResolveFamily(utf8)}));
}

FontFamily FontFamily::FromUtf8Name(std::string_view name) { return FromName(fonts::Utf8ToUtf16(name)); }

FontFamily FontFamily::GenericSansSerif() { return FromName(u"Sans"); }

std::u16string FontFamily::Name() const { return impl_ ? impl_->name : std::u16string(); }

std::string FontFamily::ResolvedName() const { return impl_ ? impl_->resolved : std::string(); }

}  // namespace quillmar::draw
