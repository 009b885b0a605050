#include "platform/draw/font_family.h"

#include "platform/draw/font_system_gdiplus.h"

namespace quillmar::draw {

FontFamily FontFamily::FromName(std::u16string_view name) {
  if (name.empty()) return {};
  return FontFamily(fonts::ResolveFamily(name));
}

FontFamily FontFamily::FromUtf8Name(std::string_view name) { return FromName(fonts::Utf8ToUtf16(name)); }

FontFamily FontFamily::GenericSansSerif() {
  gdiplus::EnsureStarted();
  WCHAR face[LF_FACESIZE] = {};
  {
    std::lock_guard lock(fonts::TextMutex());
    if (const Gdiplus::FontFamily* generic = Gdiplus::FontFamily::GenericSansSerif()) generic->GetFamilyName(face);
  }
  return FromName(face[0] != 0 ? std::u16string(face, face + wcsnlen(face, LF_FACESIZE)) : u"Arial");
}

std::u16string FontFamily::Name() const { return impl_ ? impl_->name : std::u16string(); }

std::string FontFamily::ResolvedName() const { return impl_ ? impl_->resolved : std::string(); }

}  // namespace quillmar::draw
