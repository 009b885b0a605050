// Text measuring and drawing of Graphics, on Pango.
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

#include "platform/draw/font_impl.h"
#include "platform/draw/font_system.h"
#include "platform/draw/graphics.h"
#include "platform/draw/graphics_impl.h"

namespace quillmar::draw {

namespace {

// One reusable layout per thread: Pango keeps its shaping work when the same text
// is measured and then drawn, and no layout is allocated per call.
struct ThreadLayout {
  PangoLayout* layout = nullptr;
  int hint = -1;  // rendering hint the context's font options were made for
  ~ThreadLayout() {
    if (layout != nullptr) g_object_unref(layout);
  }
};

struct Laid {
  PangoLayout* layout = nullptr;
  std::vector<int> offsets;  // UTF-16 index -> UTF-8 byte offset
  double originX = 0;        // where the layout's top-left corner goes
  double originY = 0;
  RectF bounds;
  int fitted = 0;
  int lines = 0;
  bool clip = false;
};

void SetHint(ThreadLayout& t, TextRenderingHint hint) {
  const int h = static_cast<int>(hint);
  if (t.hint == h) return;
  t.hint = h;
  cairo_font_options_t* options = cairo_font_options_create();
  const bool mono = hint == TextRenderingHint::SingleBitPerPixel || hint == TextRenderingHint::SingleBitPerPixelGridFit;
  const bool gridFit = hint != TextRenderingHint::AntiAlias && hint != TextRenderingHint::SingleBitPerPixel;
  // Grey antialiasing only: coloured subpixels break premultiplied pictures.
  cairo_font_options_set_antialias(options, mono ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, gridFit ? CAIRO_HINT_STYLE_SLIGHT : CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, gridFit ? CAIRO_HINT_METRICS_ON : CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(fonts::ThreadContext(), options);
  cairo_font_options_destroy(options);
  pango_layout_context_changed(t.layout);
}

double AlignShift(StringAlignment a) {
  return a == StringAlignment::Center ? 0.5 : a == StringAlignment::Far ? 1.0 : 0.0;
}

int Utf16IndexOf(const std::vector<int>& offsets, int byte) {
  const auto it = std::lower_bound(offsets.begin(), offsets.end(), byte);
  return static_cast<int>(it - offsets.begin());
}

Laid Lay(std::u16string_view text, const Font& font, const RectF& rect, const StringFormat* format,
         TextRenderingHint hint) {
  thread_local ThreadLayout t;
  if (t.layout == nullptr) t.layout = pango_layout_new(fonts::ThreadContext());
  SetHint(t, hint);
  Laid laid;
  laid.layout = t.layout;
  text = text.substr(0, text.find(u'\0'));
  const std::string utf8 = fonts::Utf16ToUtf8(text, &laid.offsets);

  const StringFormat defaults;
  const StringFormat& f = format != nullptr ? *format : defaults;
  const bool wrap = (f.Flags() & StringFormat::kNoWrap) == 0;
  const StringTrimming trim = f.Trimming();
  PangoEllipsizeMode ellipsize = PANGO_ELLIPSIZE_NONE;
  if (trim == StringTrimming::EllipsisCharacter || trim == StringTrimming::EllipsisWord) ellipsize = PANGO_ELLIPSIZE_END;
  if (trim == StringTrimming::EllipsisPath) ellipsize = PANGO_ELLIPSIZE_MIDDLE;
  const bool boundedWidth = rect.width > 0;
  const bool boundedHeight = rect.height > 0;
  const bool pangoWidth = boundedWidth && (wrap || ellipsize != PANGO_ELLIPSIZE_NONE);

  PangoLayout* layout = t.layout;
  pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
  pango_layout_set_font_description(layout, font.impl()->description);
  pango_layout_set_attributes(layout, font.impl()->attributes);
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  pango_layout_set_width(layout, pangoWidth ? static_cast<int>(rect.width * PANGO_SCALE) : -1);
  pango_layout_set_ellipsize(layout, pangoWidth ? ellipsize : PANGO_ELLIPSIZE_NONE);
  // With wrapping, an ellipsis goes on the last line that fits the height.
  pango_layout_set_height(layout, pangoWidth && wrap && boundedHeight && ellipsize != PANGO_ELLIPSIZE_NONE
                                      ? static_cast<int>(rect.height * PANGO_SCALE)
                                      : -1);
  PangoAlignment align = PANGO_ALIGN_LEFT;
  if (f.Align() == StringAlignment::Center) align = PANGO_ALIGN_CENTER;
  if (f.Align() == StringAlignment::Far) align = PANGO_ALIGN_RIGHT;
  pango_layout_set_alignment(layout, pangoWidth ? align : PANGO_ALIGN_LEFT);

  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout, nullptr, &logical);
  laid.lines = utf8.empty() ? 0 : pango_layout_get_line_count(layout);
  laid.originX = rect.x;
  laid.originY = rect.y;
  if (!pangoWidth) {
    // Pango aligns only inside a width: place an unwrapped block ourselves.
    const double room = boundedWidth ? rect.width - logical.width : -logical.width;
    laid.originX += room * AlignShift(f.Align()) - logical.x;
  }
  const double height = logical.height;
  const double vroom = boundedHeight ? rect.height - height : -height;
  laid.originY += vroom * AlignShift(f.LineAlign());

  laid.fitted = static_cast<int>(text.size());
  if (pango_layout_is_ellipsized(layout)) {
    PangoLayoutIter* it = pango_layout_get_iter(layout);
    do {
      PangoLayoutRun* run = pango_layout_iter_get_run_readonly(it);
      if (run != nullptr && (run->item->analysis.flags & PANGO_ANALYSIS_FLAG_IS_ELLIPSIS) != 0) {
        laid.fitted = Utf16IndexOf(laid.offsets, run->item->offset);
        break;
      }
    } while (pango_layout_iter_next_run(it));
    pango_layout_iter_free(it);
  }
  if (utf8.empty()) {
    laid.bounds = {rect.x, rect.y, 0, 0};
  } else {
    float w = static_cast<float>(logical.width);
    float h = static_cast<float>(height);
    if (boundedWidth) w = std::min(w, rect.width);
    if (boundedHeight) h = std::min(h, rect.height);
    const float x = static_cast<float>(laid.originX + logical.x);
    laid.bounds = {boundedWidth ? std::max(x, rect.x) : x, static_cast<float>(laid.originY + logical.y), w, h};
  }
  laid.clip = boundedWidth && boundedHeight && (f.Flags() & StringFormat::kNoClip) == 0;
  return laid;
}

}  // namespace

TextMeasure Graphics::MeasureString(std::u16string_view text, const Font& font, const RectF& layout,
                                    const StringFormat* format) {
  if (font.IsEmpty()) return {};
  const Laid laid = Lay(text, font, layout, format, textHint_);
  return {laid.bounds, laid.fitted, laid.lines};
}

std::vector<RectF> Graphics::MeasureCharacterRanges(std::u16string_view text, const Font& font,
                                                    const RectF& layout, const StringFormat& format) {
  std::vector<RectF> out;
  if (font.IsEmpty()) return std::vector<RectF>(format.MeasurableCharacterRanges().size());
  const Laid laid = Lay(text, font, layout, &format, textHint_);
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
    out.push_back({static_cast<float>(laid.originX + x0 / PANGO_SCALE), static_cast<float>(laid.originY + y0 / PANGO_SCALE),
                   static_cast<float>((x1 - x0) / PANGO_SCALE), static_cast<float>((y1 - y0) / PANGO_SCALE)});
  }
  return out;
}

void Graphics::DrawString(std::u16string_view text, const Font& font, const RectF& layout, const StringFormat* format,
                          const Brush& brush) {
  if (font.IsEmpty() || text.empty() || text.front() == u'\0') return;
  const Laid laid = Lay(text, font, layout, format, textHint_);
  cairo_t* cr = impl_->cr;
  cairo_save(cr);
  UseImageSpace();
  if (laid.clip) {
    cairo_new_path(cr);
    cairo_rectangle(cr, layout.x, layout.y, layout.width, layout.height);
    cairo_clip(cr);
  }
  ApplyBrush(cr, brush);
  cairo_move_to(cr, laid.originX, laid.originY);
  pango_cairo_show_layout(cr, laid.layout);
  cairo_restore(cr);
}

}  // namespace quillmar::draw
