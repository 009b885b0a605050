#include "platform/draw/text_layout_cache.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/draw/font_impl.h"
#include "platform/draw/font_system.h"

namespace quillmar::draw::text {

namespace {

constexpr size_t kCapacity = 512;
// Each key holds a copy of its whole text: long texts must not pile up.
constexpr size_t kMaxKeyBytes = size_t{256} << 10;
constexpr int kHints = 6;

double AlignShift(StringAlignment a) {
  return a == StringAlignment::Center ? 0.5 : a == StringAlignment::Far ? 1.0 : 0.0;
}

int Utf16IndexOf(const std::vector<int>& offsets, int byte) {
  const auto it = std::lower_bound(offsets.begin(), offsets.end(), byte);
  return static_cast<int>(it - offsets.begin());
}

// One Pango context per rendering hint, so switching hints does not invalidate
// the layouts made under the other hints.
PangoContext* ContextFor(int hint) {
  struct Contexts {
    PangoContext* byHint[kHints] = {};
    ~Contexts() {
      // Released at thread exit, while other threads may be laying out text.
      std::lock_guard lock(fonts::TextMutex());
      for (PangoContext* c : byHint) {
        if (c != nullptr) g_object_unref(c);
      }
    }
  };
  thread_local Contexts contexts;
  PangoContext*& context = contexts.byHint[hint];
  if (context == nullptr) {
    context = pango_font_map_create_context(fonts::FontMap());
    const auto h = static_cast<TextRenderingHint>(hint);
    const bool mono = h == TextRenderingHint::SingleBitPerPixel || h == TextRenderingHint::SingleBitPerPixelGridFit;
    const bool gridFit = h != TextRenderingHint::AntiAlias && h != TextRenderingHint::SingleBitPerPixel;
    cairo_font_options_t* options = cairo_font_options_create();
    // Grey antialiasing only: coloured subpixels break premultiplied pictures.
    cairo_font_options_set_antialias(options, mono ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, gridFit ? CAIRO_HINT_STYLE_SLIGHT : CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, gridFit ? CAIRO_HINT_METRICS_ON : CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
  }
  return context;
}

struct Entry {
  std::string key;
  Laid laid;  // its layout holds its own copies of the font's description and attributes
  explicit Entry(std::string k) : key(std::move(k)) {}
  ~Entry() {
    if (laid.layout != nullptr) g_object_unref(laid.layout);
  }
  Entry(const Entry&) = delete;
  Entry& operator=(const Entry&) = delete;
};

struct Cache {
  std::list<Entry> entries;  // most recently used first; nodes never move, so the index can
                             // view their keys
  std::unordered_map<std::string_view, std::list<Entry>::iterator> index;
  size_t keyBytes = 0;
  ~Cache() {
    // Released at thread exit, while other threads may be laying out text.
    std::lock_guard lock(fonts::TextMutex());
    index.clear();
    entries.clear();
  }
  void DropOldest() {
    keyBytes -= entries.back().key.size();
    index.erase(entries.back().key);
    entries.pop_back();
  }
};

Cache& ThreadCache() {
  thread_local Cache cache;
  return cache;
}

template <typename T>
void Put(std::string& key, const T& value) {
  key.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void Build(Laid& laid, std::u16string_view text, const Font& font, float width, float height, const StringFormat& f,
           int hint) {
  const std::string utf8 = fonts::Utf16ToUtf8(text, &laid.offsets);
  const bool wrap = (f.Flags() & StringFormat::kNoWrap) == 0;
  const StringTrimming trim = f.Trimming();
  PangoEllipsizeMode ellipsize = PANGO_ELLIPSIZE_NONE;
  if (trim == StringTrimming::EllipsisCharacter || trim == StringTrimming::EllipsisWord)
    ellipsize = PANGO_ELLIPSIZE_END;
  if (trim == StringTrimming::EllipsisPath) ellipsize = PANGO_ELLIPSIZE_MIDDLE;
  const bool boundedWidth = width > 0;
  const bool boundedHeight = height > 0;
  const bool pangoWidth = boundedWidth && (wrap || ellipsize != PANGO_ELLIPSIZE_NONE);

  PangoLayout* layout = pango_layout_new(ContextFor(hint));
  laid.layout = layout;
  pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
  pango_layout_set_font_description(layout, font.impl()->description);
  pango_layout_set_attributes(layout, font.impl()->attributes);
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  pango_layout_set_width(layout, pangoWidth ? static_cast<int>(width * PANGO_SCALE) : -1);
  pango_layout_set_ellipsize(layout, pangoWidth ? ellipsize : PANGO_ELLIPSIZE_NONE);
  // With wrapping, an ellipsis goes on the last line that fits the height.
  pango_layout_set_height(layout, pangoWidth && wrap && boundedHeight && ellipsize != PANGO_ELLIPSIZE_NONE
                                      ? static_cast<int>(height * PANGO_SCALE)
                                      : -1);
  PangoAlignment align = PANGO_ALIGN_LEFT;
  if (f.Align() == StringAlignment::Center) align = PANGO_ALIGN_CENTER;
  if (f.Align() == StringAlignment::Far) align = PANGO_ALIGN_RIGHT;
  pango_layout_set_alignment(layout, pangoWidth ? align : PANGO_ALIGN_LEFT);

  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout, nullptr, &logical);
  laid.lines = utf8.empty() ? 0 : pango_layout_get_line_count(layout);
  // Trailing spaces count only when asked for (Pango always measures them).
  double measured = logical.width;
  if ((f.Flags() & StringFormat::kMeasureTrailingSpaces) == 0 && laid.lines == 1) {
    size_t end = utf8.size();
    while (end > 0 && utf8[end - 1] == ' ') --end;
    if (end < utf8.size()) {
      PangoRectangle pos;
      pango_layout_index_to_pos(layout, static_cast<int>(end), &pos);
      measured = std::clamp(static_cast<double>(pos.x) / PANGO_SCALE - logical.x, 0.0, measured);
    }
  }
  if (!pangoWidth) {
    // Pango aligns only inside a width: place an unwrapped block ourselves.
    const double room = boundedWidth ? width - measured : -measured;
    laid.originX = room * AlignShift(f.Align()) - logical.x;
  }
  const double vroom = boundedHeight ? height - logical.height : -logical.height;
  laid.originY = vroom * AlignShift(f.LineAlign());

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
    laid.bounds = {};
  } else {
    float w = static_cast<float>(measured);
    float h = static_cast<float>(logical.height);
    if (boundedWidth) w = std::min(w, width);
    if (boundedHeight) h = std::min(h, height);
    const auto x = static_cast<float>(laid.originX + logical.x);
    laid.bounds = {boundedWidth ? std::max(x, 0.0f) : x, static_cast<float>(laid.originY + logical.y), w, h};
  }
  laid.clip = boundedWidth && boundedHeight && (f.Flags() & StringFormat::kNoClip) == 0;
}

}  // namespace

const Laid& Lay(std::u16string_view text, const Font& font, float width, float height, const StringFormat* format,
                TextRenderingHint hint) {
  Cache& cache = ThreadCache();
  // Pango sizes are ints of 1/1024 pixel: keep rectangles far inside that range.
  constexpr float kMaxExtent = 1e6f;
  width = std::isfinite(width) ? std::min(width, kMaxExtent) : 0;
  height = std::isfinite(height) ? std::min(height, kMaxExtent) : 0;
  text = text.substr(0, text.find(u'\0'));
  const StringFormat defaults;
  const StringFormat& f = format != nullptr ? *format : defaults;
  const int h = std::clamp(static_cast<int>(hint), 0, kHints - 1);
  std::string key;
  key.reserve(text.size() * 2 + 48);
  // Fonts are keyed by what shapes the text, not by object: controls that make their font
  // afresh for each paint still find their layouts.
  static const std::string kNoFamily;
  const Font::Impl* fi = font.impl();
  key += fi != nullptr ? '\1' : '\0';
  if (fi != nullptr) {
    const std::string& family = fi->family.IsEmpty() ? kNoFamily : fi->family.impl()->resolved;
    Put(key, fi->pixels);
    Put(key, fi->style);
    Put(key, family.size());
    key += family;
  }
  Put(key, f.Flags());
  Put(key, f.Align());
  Put(key, f.LineAlign());
  Put(key, f.Trimming());
  Put(key, width);
  Put(key, height);
  Put(key, h);
  key.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
  if (auto found = cache.index.find(key); found != cache.index.end()) {
    cache.entries.splice(cache.entries.begin(), cache.entries, found->second);
    return found->second->laid;
  }
  while (!cache.entries.empty() && (cache.entries.size() >= kCapacity || cache.keyBytes + key.size() > kMaxKeyBytes)) {
    cache.DropOldest();
  }
  cache.keyBytes += key.size();
  Entry& entry = cache.entries.emplace_front(std::move(key));
  Build(entry.laid, text, font, width, height, f, h);
  cache.index.emplace(entry.key, cache.entries.begin());
  return cache.entries.front().laid;
}

size_t CachedKeyBytes() { return ThreadCache().keyBytes; }

}  // namespace quillmar::draw::text
