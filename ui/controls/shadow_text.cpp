#include "ui/controls/shadow_text.h"

#include <algorithm>
#include <cmath>

#include "platform/draw/bitmap.h"
#include "platform/draw/brush.h"
#include "platform/draw/font.h"
#include "platform/draw/graphics.h"

namespace quillmar {
namespace {

// The text drawn alone into a picture whose top-left corner is `origin` on the
// surface: laid out exactly as in `layout`, so wrapping and trimming match.
draw::Bitmap TextPicture(std::u16string_view text, const RectF& layout, Point origin, Size size, const draw::Font& font,
                         const draw::StringFormat& format, draw::Argb color) {
  draw::Bitmap picture(size.width, size.height);
  if (picture.IsEmpty()) return picture;
  draw::Graphics g(picture);
  g.SetTextRenderingHint(draw::TextRenderingHint::AntiAliasGridFit);
  const RectF shifted{layout.x - static_cast<float>(origin.x), layout.y - static_cast<float>(origin.y), layout.width,
                      layout.height};
  g.DrawString(text, font, shifted, &format, draw::Brush(color));
  return picture;
}

}  // namespace

RectF ShadowedTextRect(draw::Graphics& graphics, std::u16string_view text, const RectF& layout, const draw::Font& font,
                       const draw::StringFormat& format) {
  const RectF m = graphics.MeasureString(text, font, layout, &format).bounds;
  return RectF::FromXywh(m.x + 1.0f, m.y + 1.0f, m.width, m.height);
}

void DrawShadowedText(draw::Graphics& graphics, std::u16string_view text, const RectF& layout, const draw::Font& font,
                      const draw::StringFormat& format, draw::Argb textColor, draw::Argb shadowColor) {
  const RectF at = ShadowedTextRect(graphics, text, layout, font, format);
  // The pictures sit on whole pixels and keep the text's fractional position
  // inside, so the text stays as crisp as if drawn on the surface directly.
  const Point origin{static_cast<int32_t>(std::floor(at.x)), static_cast<int32_t>(std::floor(at.y))};
  const Size size{static_cast<int32_t>(std::ceil(at.Right())) - origin.x,
                  static_cast<int32_t>(std::ceil(at.Bottom())) - origin.y};
  if (size.width <= 0 || size.height <= 0) return;
  const RectF moved = RectF::FromXywh(layout.x + 1.0f, layout.y + 1.0f, layout.width, layout.height);
  const RectF dest{static_cast<float>(origin.x), static_cast<float>(origin.y), static_cast<float>(size.width),
                   static_cast<float>(size.height)};
  if (shadowColor != 0) {
    // The shadow's picture keeps a clear margin around the text, as wide as the
    // side bearing a measured string usually carries, so the blur fades out
    // inside it instead of being cut off square at the text's edges.
    const int32_t m = std::max(2, static_cast<int32_t>(std::ceil(font.PixelSize() / 6.0f)));
    const Point shadowOrigin{origin.x - m, origin.y - m};
    const Size shadowSize{size.width + 2 * m, size.height + 2 * m};
    const draw::Bitmap sharp = TextPicture(text, moved, shadowOrigin, shadowSize, font, format, shadowColor);
    draw::Bitmap small(shadowSize.width / 3, shadowSize.height / 3);
    if (!small.IsEmpty()) {
      draw::Graphics sg(small);
      sg.SetInterpolationMode(draw::InterpolationMode::HighQualityBilinear);
      sg.SetCompositingQuality(draw::CompositingQuality::HighQuality);
      sg.SetSmoothingMode(draw::SmoothingMode::HighQuality);
      sg.DrawImage(sharp, RectF{0, 0, static_cast<float>(small.Width()), static_cast<float>(small.Height())});
      graphics.DrawImage(small, RectF{static_cast<float>(shadowOrigin.x), static_cast<float>(shadowOrigin.y),
                                      static_cast<float>(shadowSize.width), static_cast<float>(shadowSize.height)});
    }
  }
  graphics.DrawImage(TextPicture(text, moved, origin, size, font, format, textColor), dest);
}

}  // namespace quillmar
