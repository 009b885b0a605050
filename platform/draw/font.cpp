#include "platform/draw/font.h"

#include <pango/pangocairo.h>

#include <cmath>

#include "platform/draw/font_impl.h"
#include "platform/draw/font_units.h"
#include "platform/draw/font_system.h"

namespace quillmar::draw {

Font::Impl::Impl(const FontFamily& family, float size, int style, Unit unit)
    : family(family),
      size(size),
      style(style),
      unit(unit),
      pixels(FontSizeInPixels(size, unit)),
      description(pango_font_description_new()),
      attributes(nullptr) {
  pango_font_description_set_family(description, family.ResolvedName().c_str());
  pango_font_description_set_absolute_size(description, static_cast<double>(pixels) * PANGO_SCALE);
  pango_font_description_set_weight(description, (style & FontStyleBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(description, (style & FontStyleItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  if (style & (FontStyleUnderline | FontStyleStrikeout)) {
    attributes = pango_attr_list_new();
    if (style & FontStyleUnderline)
      pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (style & FontStyleStrikeout) pango_attr_list_insert(attributes, pango_attr_strikethrough_new(TRUE));
  }
}

Font::Impl::~Impl() {
  pango_font_description_free(description);
  if (attributes != nullptr) pango_attr_list_unref(attributes);
}

Font::Font(const FontFamily& family, float size, int style, Unit unit) {
  // Sizes that cannot be drawn make no font, as a failed creation would.
  if (family.IsEmpty() || !(size > 0) || !std::isfinite(size) || FontSizeInPixels(size, unit) > 10000.0f) return;
  impl_ = std::make_shared<const Impl>(family, size, style, unit);
}

Font Font::StockGui() {
  const fonts::UiFontSpec spec = fonts::DesktopUiFont();
  return Font(FontFamily::FromUtf8Name(spec.family), static_cast<float>(spec.points), FontStyleRegular, Unit::Point);
}

const FontFamily& Font::Family() const {
  static const FontFamily empty;
  return impl_ ? impl_->family : empty;
}

float Font::Size() const { return impl_ ? impl_->size : 0; }
int Font::Style() const { return impl_ ? impl_->style : 0; }
Unit Font::GetUnit() const { return impl_ ? impl_->unit : Unit::World; }
float Font::PixelSize() const { return impl_ ? impl_->pixels : 0; }

float Font::LineHeight() const {
  if (!impl_) return 0;
  std::lock_guard lock(fonts::TextMutex());
  if (impl_->lineHeight < 0) {
    PangoFontMetrics* metrics = pango_context_get_metrics(fonts::ThreadContext(), impl_->description, nullptr);
    impl_->lineHeight = static_cast<float>(pango_font_metrics_get_height(metrics)) / PANGO_SCALE;
    pango_font_metrics_unref(metrics);
  }
  return impl_->lineHeight;
}

}  // namespace quillmar::draw
