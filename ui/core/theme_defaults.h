#pragma once
// Default look of every control, filled once at start-up and read everywhere.

#include <cstdint>
#include <string>

namespace quillmar {

// An 0xAARRGGBB colour's RGB with a new alpha, clamped to 0..255.
constexpr uint32_t WithAlpha(uint32_t color, int32_t alpha) {
  const uint32_t a = static_cast<uint32_t>(alpha < 0 ? 0 : (alpha > 255 ? 255 : alpha));
  return (a << 24) | (color & 0x00FFFFFF);
}

// Converts a Windows colour 0x00BBGGRR plus an alpha to a 0xAARRGGBB value.
// Without useAlpha the result is opaque; with it only the alpha's low 8 bits count.
constexpr uint32_t makeArgb(uint32_t bgr, uint32_t alpha = 255, bool useAlpha = false) {
  const uint32_t r = bgr & 0xFF;
  const uint32_t g = (bgr >> 8) & 0xFF;
  const uint32_t b = (bgr >> 16) & 0xFF;
  const uint32_t a = useAlpha ? (alpha & 0xFF) : 255u;
  return (a << 24) | (r << 16) | (g << 8) | b;
}

struct ThemeDefaults {
  uint32_t backColor = 0;    // kept for its place in the record; nothing reads it
  uint32_t textColor = 0;    // default text colour of labels, buttons, edits, menus, lists
  uint32_t lineColor = 0;    // default border and line colour
  uint32_t fillColor = 0;    // default fill of buttons, edits, menus and lists
  uint32_t shadowColor = 0;  // default text shadow of labels, buttons and message boxes
  std::string fontName;      // program text (GB18030)
  int32_t fontSize = 0;
  int32_t buttonVariant = 0;  // non-zero: a button's default for its numeric look property is 50, else 200

  // The values start-up puts in place.
  static ThemeDefaults Standard();
};

// The process-wide record. Zeroed until InitProcessValues fills it.
ThemeDefaults& Theme();

}  // namespace quillmar
