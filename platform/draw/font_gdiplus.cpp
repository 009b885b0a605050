#include "platform/draw/font.h"

#include <cmath>

#include "platform/draw/font_system_gdiplus.h"
#include "platform/draw/font_units.h"

namespace quillmar::draw {

Font::Font(const FontFamily& family, float size, int style, Unit unit) {
  // Sizes that cannot be drawn make no font, as a failed creation would.
  if (family.IsEmpty() || !(size > 0) || !std::isfinite(size) || FontSizeInPixels(size, unit) > 10000.0f) return;
  auto impl = std::make_shared<Impl>();
  impl->family = family;
  impl->size = size;
  impl->style = style;
  impl->unit = unit;
  impl->pixels = FontSizeInPixels(size, unit);
  const Gdiplus::FontFamily* face = family.impl()->family.get();
  if (face == nullptr) return;
  std::lock_guard lock(fonts::TextMutex());
  const int bits = style & (FontStyleBold | FontStyleItalic | FontStyleUnderline | FontStyleStrikeout);
  impl->font = std::make_unique<Gdiplus::Font>(face, impl->pixels, bits, Gdiplus::UnitPixel);
  if (impl->font->GetLastStatus() != Gdiplus::Ok) {
    // A loaded face without that weight or slant: the lines still show on the regular one.
    impl->font = std::make_unique<Gdiplus::Font>(face, impl->pixels, bits & (FontStyleUnderline | FontStyleStrikeout),
                                                 Gdiplus::UnitPixel);
    if (impl->font->GetLastStatus() != Gdiplus::Ok) return;
  }
  const int metricStyle = bits & (FontStyleBold | FontStyleItalic);
  const UINT16 em = face->GetEmHeight(metricStyle);
  const UINT16 spacing = face->GetLineSpacing(metricStyle);
  impl->lineHeight = em > 0 ? impl->pixels * spacing / em : impl->pixels;
  impl_ = std::move(impl);
}

Font Font::StockGui() {
  const fonts::UiFontSpec spec = fonts::DesktopUiFont();
  return Font(FontFamily::FromName(spec.family), static_cast<float>(spec.points), FontStyleRegular, Unit::Point);
}

const FontFamily& Font::Family() const {
  static const FontFamily empty;
  return impl_ ? impl_->family : empty;
}

float Font::Size() const { return impl_ ? impl_->size : 0; }
int Font::Style() const { return impl_ ? impl_->style : 0; }
Unit Font::GetUnit() const { return impl_ ? impl_->unit : Unit::World; }
float Font::PixelSize() const { return impl_ ? impl_->pixels : 0; }
float Font::LineHeight() const { return impl_ ? impl_->lineHeight : 0; }

}  // namespace quillmar::draw
