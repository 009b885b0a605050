#pragma once
// The soft-shadowed text drawing that labels and buttons share: the text is
// drawn one pixel right of and below where it lays out, over a shadow blurred
// by shrinking its picture to a third and stretching it back.

#include <string_view>

#include "base/geometry.h"
#include "platform/draw/draw_types.h"

namespace quillmar {

namespace draw {
class Font;
class Graphics;
class StringFormat;
}  // namespace draw

// Where the text lands: its measured rectangle in `layout`, moved by (1, 1).
RectF ShadowedTextRect(draw::Graphics& graphics, std::u16string_view text, const RectF& layout, const draw::Font& font,
                       const draw::StringFormat& format);

// Draws the text laid out in `layout`; shadowColor 0 draws no shadow.
void DrawShadowedText(draw::Graphics& graphics, std::u16string_view text, const RectF& layout, const draw::Font& font,
                      const draw::StringFormat& format, draw::Argb textColor, draw::Argb shadowColor);

}  // namespace quillmar
