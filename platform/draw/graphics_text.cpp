// Text measuring and drawing of Graphics, on Pango.
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

#include "platform/draw/font_system.h"
#include "platform/draw/graphics.h"
#include "platform/draw/graphics_impl.h"
#include "platform/draw/text_layout_cache.h"

namespace quillmar::draw {

TextMeasure Graphics::MeasureString(std::u16string_view text, const Font& font, const RectF& layout,
                                    const StringFormat* format) {
  if (font.IsEmpty()) return {};
  std::lock_guard lock(fonts::TextMutex());
  const text::Laid& laid = text::Lay(text, font, layout.width, layout.height, format, textHint_);
  return {{laid.bounds.x + layout.x, laid.bounds.y + layout.y, laid.bounds.width, laid.bounds.height},
          laid.fitted,
          laid.lines};
}

std::vector<RectF> Graphics::MeasureCharacterRanges(std::u16string_view text, const Font& font, const RectF& layout,
                                                    const StringFormat& format) {
  std::vector<RectF> out;
  if (font.IsEmpty()) return std::vector<RectF>(format.MeasurableCharacterRanges().size());
  std::lock_guard lock(fonts::TextMutex());
  const text::Laid& laid = text::Lay(text, font, layout.width, layout.height, &format, textHint_);
  const int n = static_cast<int>(laid.offsets.size()) - 1;
  for (const CharacterRange& range : format.MeasurableCharacterRanges()) {
    if (range.first < 0 || range.length <= 0 || range.first + range.length > n) {
      out.push_back({});
      continue;
    }
    double x0 = 1e30, y0 = 1e30, x1 = -1e30, y1 = -1e30;
    for (int i = range.first; i < range.first + range.length; ++i) {
      if (i > 0 && laid.offsets[i] == laid.offsets[i - 1]) continue;  // second half of a surrogate pair
      PangoRectangle pos;
      pango_layout_index_to_pos(laid.layout, laid.offsets[i], &pos);
      const double a = pos.x, b = pos.x + pos.width;
      x0 = std::min({x0, a, b});
      x1 = std::max({x1, a, b});
      y0 = std::min<double>(y0, pos.y);
      y1 = std::max<double>(y1, pos.y + pos.height);
    }
    out.push_back({static_cast<float>(layout.x + laid.originX + x0 / PANGO_SCALE),
                   static_cast<float>(layout.y + laid.originY + y0 / PANGO_SCALE),
                   static_cast<float>((x1 - x0) / PANGO_SCALE), static_cast<float>((y1 - y0) / PANGO_SCALE)});
  }
  return out;
}

void Graphics::DrawString(std::u16string_view text, const Font& font, const RectF& layout, const StringFormat* format,
                          const Brush& brush) {
  if (font.IsEmpty() || text.empty() || text.front() == u'\0') return;
  std::lock_guard lock(fonts::TextMutex());
  const text::Laid& laid = text::Lay(text, font, layout.width, layout.height, format, textHint_);
  cairo_t* cr = impl_->cr;
  cairo_save(cr);
  UseImageSpace();
  if (laid.clip) {
    cairo_new_path(cr);
    cairo_rectangle(cr, layout.x, layout.y, layout.width, layout.height);
    cairo_clip(cr);
  }
  ApplyBrush(cr, brush);
  cairo_move_to(cr, layout.x + laid.originX, layout.y + laid.originY);
  pango_cairo_show_layout(cr, laid.layout);
  cairo_restore(cr);
}

}  // namespace quillmar::draw
