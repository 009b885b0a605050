// Text measuring and drawing of Graphics, on GDI+. The program's format flags, alignments
// and trimmings carry GDI+'s own values, so they pass through unchanged.
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "platform/draw/font_system_gdiplus.h"
#include "platform/draw/graphics.h"
#include "platform/draw/graphics_gdiplus_impl.h"

namespace quillmar::draw {

namespace {

// GDI+ measures at most this many character ranges in one call.
constexpr size_t kRangesPerCall = 32;
// Far beyond any window, and inside what GDI+ lays out reliably.
constexpr float kMaxExtent = 1e6f;

std::u16string_view UpToNul(std::u16string_view text) { return text.substr(0, text.find(u'\0')); }

// Sizes that are not finite or below 0 count as 0: unbounded.
float Extent(float v) { return std::isfinite(v) ? std::clamp(v, 0.0f, kMaxExtent) : 0.0f; }

float Shift(StringAlignment align) {
  if (align == StringAlignment::Center) return 0.5f;
  return align == StringAlignment::Far ? 1.0f : 0.0f;
}

// Sets the format up and gives the rectangle GDI+ lays out in. A side of 0 means unbounded,
// the text placed by its alignment about that edge. Not every GDI+ measures in a 0-wide
// rectangle, or aligns what it measures in a far wider one: such a side is laid out near-
// aligned in a far wider rectangle, moved back by the share of the text's own size its
// alignment asks for.
Gdiplus::RectF Place(Gdiplus::Graphics& g, const std::wstring& text, const Gdiplus::Font* font, const RectF& layout,
                     const StringFormat* format, Gdiplus::StringFormat& out) {
  const StringFormat defaults;
  const StringFormat& f = format != nullptr ? *format : defaults;
  const bool openX = Extent(layout.width) == 0;
  const bool openY = Extent(layout.height) == 0;
  out.SetFormatFlags(f.Flags());
  out.SetAlignment(static_cast<Gdiplus::StringAlignment>(openX ? StringAlignment::Near : f.Align()));
  out.SetLineAlignment(static_cast<Gdiplus::StringAlignment>(openY ? StringAlignment::Near : f.LineAlign()));
  out.SetTrimming(static_cast<Gdiplus::StringTrimming>(f.Trimming()));
  Gdiplus::RectF rect(layout.x, layout.y, openX ? kMaxExtent : Extent(layout.width),
                      openY ? kMaxExtent : Extent(layout.height));
  const float shiftX = openX ? Shift(f.Align()) : 0;
  const float shiftY = openY ? Shift(f.LineAlign()) : 0;
  if (shiftX > 0 || shiftY > 0) {
    Gdiplus::RectF box;
    if (g.MeasureString(text.c_str(), static_cast<INT>(text.size()), font, rect, &out, &box) == Gdiplus::Ok) {
      rect.X -= box.Width * shiftX;
      rect.Y -= box.Height * shiftY;
    }
  }
  return rect;
}

// Where the text sits in a bounded side is ours to say: not every GDI+ moves the measured
// box by the alignment it draws with (Wine's reports it at the rectangle's corner), and a
// caller that draws the text into a picture of the measured box must find it there.
void AlignBox(Gdiplus::RectF& box, const Gdiplus::RectF& area, const RectF& layout, const StringFormat* format) {
  if (format == nullptr) return;
  if (Extent(layout.width) > 0 && format->Align() != StringAlignment::Near) {
    box.X = area.X + (area.Width - box.Width) * Shift(format->Align());
  }
  if (Extent(layout.height) > 0 && format->LineAlign() != StringAlignment::Near) {
    box.Y = area.Y + (area.Height - box.Height) * Shift(format->LineAlign());
  }
}

// Whether this GDI+ draws the ellipsis of a line it trims (Wine's cuts the line short without
// one): a line far too long for its rectangle drawn with and without ellipsis trimming, once,
// in the first font that draws it. Called under the text lock.
bool DrawsEllipsis(const Gdiplus::Font* font) {
  static std::optional<bool> draws;
  if (draws) return *draws;
  auto draw = [&](Gdiplus::StringTrimming trimming) {
    Bitmap picture(64, 32);
    const auto surface = gdiplus::Wrap(picture);
    Gdiplus::Graphics g(surface.get());
    Gdiplus::StringFormat format(Gdiplus::StringFormatFlagsNoWrap);
    format.SetTrimming(trimming);
    const Gdiplus::SolidBrush ink(Gdiplus::Color(255, 0, 0, 0));
    g.DrawString(L"llllllllllllllllllllllllllllllllllllllll", -1, font, Gdiplus::RectF(0, 0, 64, 32), &format, &ink);
    g.Flush(Gdiplus::FlushIntentionSync);
    return std::vector<uint32_t>(picture.Row(0), picture.Row(0) + 64 * 32);
  };
  const std::vector<uint32_t> cut = draw(Gdiplus::StringTrimmingCharacter);
  if (std::all_of(cut.begin(), cut.end(), [](uint32_t p) { return p == 0; })) return true;  // nothing to tell by
  draws = draw(Gdiplus::StringTrimmingEllipsisCharacter) != cut;
  return *draws;
}

// A one-line text too wide for its rectangle, with the ellipsis this GDI+ would leave out.
struct Trimmed {
  std::wstring text;  // the characters that fit before the ellipsis, and the ellipsis
  int kept = 0;       // how many of the text's units those are
};

// Empty unless the text is one trimmed line that does not fit and GDI+ would not draw its
// ellipsis. Keeps whole words for word trimming; a path is trimmed like characters.
std::optional<Trimmed> TrimWithEllipsis(Gdiplus::Graphics& g, const std::wstring& text, const Gdiplus::Font* font,
                                        const RectF& layout, const StringFormat* format) {
  if (format == nullptr || (format->Flags() & StringFormat::kNoWrap) == 0 || Extent(layout.width) == 0) return {};
  const StringTrimming trimming = format->Trimming();
  if (trimming != StringTrimming::EllipsisCharacter && trimming != StringTrimming::EllipsisWord &&
      trimming != StringTrimming::EllipsisPath) {
    return {};
  }
  if (text.find_first_of(L"\r\n") != std::wstring::npos || DrawsEllipsis(font)) return {};
  Gdiplus::StringFormat line(format->Flags());
  line.SetTrimming(Gdiplus::StringTrimmingNone);
  const Gdiplus::RectF open(0, 0, kMaxExtent, kMaxExtent);
  auto fits = [&](const std::wstring& s) {
    Gdiplus::RectF box;
    return g.MeasureString(s.c_str(), static_cast<INT>(s.size()), font, open, &line, &box) == Gdiplus::Ok &&
           box.Width <= Extent(layout.width);
  };
  if (fits(text)) return {};
  // The longest start that fits with the ellipsis after it.
  size_t low = 0, high = text.size() - 1;
  while (low < high) {
    const size_t mid = (low + high + 1) / 2;
    if (fits(text.substr(0, mid) + L"\u2026")) {
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  size_t kept = low;
  if (kept > 0 && IS_HIGH_SURROGATE(text[kept - 1])) --kept;  // never half a character
  if (trimming == StringTrimming::EllipsisWord) {
    const size_t space = text.find_last_of(L' ', kept);
    if (space != std::wstring::npos && space > 0 && space < kept) kept = space;
  }
  return Trimmed{text.substr(0, kept) + L"\u2026", static_cast<int>(kept)};
}

// Grey antialiasing only: subpixel colour fringes do not survive composing the
// premultiplied pictures onto other backgrounds.
Gdiplus::TextRenderingHint Hint(TextRenderingHint hint) {
  switch (hint) {
    case TextRenderingHint::SingleBitPerPixelGridFit:
      return Gdiplus::TextRenderingHintSingleBitPerPixelGridFit;
    case TextRenderingHint::SingleBitPerPixel:
      return Gdiplus::TextRenderingHintSingleBitPerPixel;
    case TextRenderingHint::AntiAlias:
      return Gdiplus::TextRenderingHintAntiAlias;
    default:
      return Gdiplus::TextRenderingHintAntiAliasGridFit;
  }
}

RectF FromGdiplus(const Gdiplus::RectF& r) { return {r.X, r.Y, r.Width, r.Height}; }

}  // namespace

TextMeasure Graphics::MeasureString(std::u16string_view text, const Font& font, const RectF& layout,
                                    const StringFormat* format) {
  if (font.IsEmpty() || !impl_->g) return {};
  text = UpToNul(text);
  if (text.empty()) return {{layout.x, layout.y, 0, 0}, 0, 0};
  std::lock_guard lock(fonts::TextMutex());
  const std::wstring wide = gdiplus::Wide(text);
  UseImageSpace();
  impl_->g->SetTextRenderingHint(Hint(textHint_));
  Gdiplus::StringFormat gf;
  const Gdiplus::RectF area = Place(*impl_->g, wide, font.impl()->font.get(), layout, format, gf);
  Gdiplus::RectF box;
  INT fitted = 0, lines = 0;
  if (const auto trimmed = TrimWithEllipsis(*impl_->g, wide, font.impl()->font.get(), layout, format)) {
    // Measured as it is drawn, ellipsis included.
    gf.SetTrimming(Gdiplus::StringTrimmingNone);
    if (impl_->g->MeasureString(trimmed->text.c_str(), static_cast<INT>(trimmed->text.size()), font.impl()->font.get(),
                                area, &gf, &box) != Gdiplus::Ok) {
      return {{layout.x, layout.y, 0, 0}, 0, 0};
    }
    AlignBox(box, area, layout, format);
    return {FromGdiplus(box), trimmed->kept, 1};
  }
  if (impl_->g->MeasureString(wide.c_str(), static_cast<INT>(wide.size()), font.impl()->font.get(), area, &gf, &box,
                              &fitted, &lines) != Gdiplus::Ok) {
    return {{layout.x, layout.y, 0, 0}, 0, 0};
  }
  // Spaces ending the text count only when asked for; not every GDI+ leaves them out.
  const int flags = format != nullptr ? format->Flags() : 0;
  const size_t kept = wide.find_last_not_of(L' ');
  if ((flags & StringFormat::kMeasureTrailingSpaces) == 0 && kept != std::wstring::npos && kept + 1 < wide.size()) {
    Gdiplus::RectF bare;
    if (impl_->g->MeasureString(wide.c_str(), static_cast<INT>(kept + 1), font.impl()->font.get(), area, &gf, &bare) ==
        Gdiplus::Ok) {
      box = bare;
    }
  }
  AlignBox(box, area, layout, format);
  return {FromGdiplus(box), fitted, lines};
}

std::vector<RectF> Graphics::MeasureCharacterRanges(std::u16string_view text, const Font& font, const RectF& layout,
                                                    const StringFormat& format) {
  const std::vector<CharacterRange>& ranges = format.MeasurableCharacterRanges();
  std::vector<RectF> out(ranges.size());
  if (font.IsEmpty() || !impl_->g) return out;
  text = UpToNul(text);
  const int n = static_cast<int>(text.size());
  std::lock_guard lock(fonts::TextMutex());
  const std::wstring wide = gdiplus::Wide(text);
  UseImageSpace();
  impl_->g->SetTextRenderingHint(Hint(textHint_));
  // Lines are placed in a bounded height as MeasureString places them: not every GDI+ moves
  // the ranges by the line alignment it draws with.
  StringFormat laid = format;
  float down = 0;
  if (Extent(layout.height) > 0 && format.LineAlign() != StringAlignment::Near) {
    laid.SetLineAlign(StringAlignment::Near);
    laid.SetMeasurableCharacterRanges({});
    const RectF whole = MeasureString(text, font, layout, &laid).bounds;
    down = (Extent(layout.height) - whole.height) * Shift(format.LineAlign());
  }
  // Ranges outside the text stay empty rectangles; the others go in batches GDI+ accepts.
  std::vector<size_t> valid;
  for (size_t i = 0; i < ranges.size(); ++i) {
    const CharacterRange& r = ranges[i];
    if (r.first >= 0 && r.length > 0 && r.first + r.length <= n) valid.push_back(i);
  }
  for (size_t start = 0; start < valid.size(); start += kRangesPerCall) {
    const size_t count = std::min(kRangesPerCall, valid.size() - start);
    std::vector<Gdiplus::CharacterRange> batch;
    for (size_t k = 0; k < count; ++k) {
      const CharacterRange& r = ranges[valid[start + k]];
      batch.emplace_back(r.first, r.length);
    }
    Gdiplus::StringFormat gf;
    const Gdiplus::RectF area = Place(*impl_->g, wide, font.impl()->font.get(), layout, &laid, gf);
    gf.SetMeasurableCharacterRanges(static_cast<INT>(count), batch.data());
    std::vector<Gdiplus::Region> regions(count);
    if (impl_->g->MeasureCharacterRanges(wide.c_str(), static_cast<INT>(wide.size()), font.impl()->font.get(), area,
                                         &gf, static_cast<INT>(count), regions.data()) != Gdiplus::Ok) {
      continue;
    }
    for (size_t k = 0; k < count; ++k) {
      Gdiplus::RectF bounds;
      if (regions[k].GetBounds(&bounds, impl_->g.get()) != Gdiplus::Ok) continue;
      if (bounds.Width > 0 || bounds.Height > 0) bounds.Y += down;
      out[valid[start + k]] = FromGdiplus(bounds);
    }
  }
  return out;
}

void Graphics::DrawString(std::u16string_view text, const Font& font, const RectF& layout, const StringFormat* format,
                          const Brush& brush) {
  text = UpToNul(text);
  if (font.IsEmpty() || text.empty() || !impl_->g) return;
  std::lock_guard lock(fonts::TextMutex());
  const std::wstring wide = gdiplus::Wide(text);
  UseImageSpace();
  impl_->g->SetTextRenderingHint(Hint(textHint_));
  Gdiplus::StringFormat gf;
  const Gdiplus::RectF area = Place(*impl_->g, wide, font.impl()->font.get(), layout, format, gf);
  if (const auto trimmed = TrimWithEllipsis(*impl_->g, wide, font.impl()->font.get(), layout, format)) {
    gf.SetTrimming(Gdiplus::StringTrimmingNone);
    impl_->g->DrawString(trimmed->text.c_str(), static_cast<INT>(trimmed->text.size()), font.impl()->font.get(), area,
                         &gf, MakeBrush(brush).get());
    return;
  }
  impl_->g->DrawString(wide.c_str(), static_cast<INT>(wide.size()), font.impl()->font.get(), area, &gf,
                       MakeBrush(brush).get());
}

}  // namespace quillmar::draw
