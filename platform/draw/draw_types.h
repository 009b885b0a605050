#pragma once
// Plain value types shared by the drawing classes. Numeric values of the enums are
// the ones the program passes around as integers, so a cast is all a caller needs.

#include <cstdint>

#include "base/geometry.h"

namespace quillmar::draw {

// Straight (not premultiplied) 0xAARRGGBB colour, as every colour of the program.
using Argb = uint32_t;

enum class CombineMode { Replace = 0, Intersect = 1, Union = 2, Xor = 3, Exclude = 4, Complement = 5 };
enum class SmoothingMode { Default = 0, HighSpeed = 1, HighQuality = 2, None = 3, AntiAlias = 4 };
enum class CompositingQuality { Default = 0, HighSpeed = 1, HighQuality = 2, GammaCorrected = 3, AssumeLinear = 4 };
enum class InterpolationMode {
  Default = 0,
  LowQuality = 1,
  HighQuality = 2,
  Bilinear = 3,
  Bicubic = 4,
  NearestNeighbor = 5,
  HighQualityBilinear = 6,
  HighQualityBicubic = 7
};
// Default, HighSpeed and None put pixel centres on whole coordinates (a 1-wide line
// at y = 0 covers row 0); Half and HighQuality put them on .5.
enum class PixelOffsetMode { Default = 0, HighSpeed = 1, HighQuality = 2, None = 3, Half = 4 };
enum class TextRenderingHint {
  SystemDefault = 0,
  SingleBitPerPixelGridFit = 1,
  SingleBitPerPixel = 2,
  AntiAliasGridFit = 3,
  AntiAlias = 4,
  ClearTypeGridFit = 5
};
enum class WrapMode { Tile = 0, TileFlipX = 1, TileFlipY = 2, TileFlipXY = 3, Clamp = 4 };
enum class FillMode { Alternate = 0, Winding = 1 };
enum class Unit { World = 0, Display = 1, Pixel = 2, Point = 3, Inch = 4, Document = 5, Millimeter = 6 };
enum class MatrixOrder { Prepend = 0, Append = 1 };

// Font style bits.
enum FontStyleBits : int {
  FontStyleRegular = 0,
  FontStyleBold = 1,
  FontStyleItalic = 2,
  FontStyleUnderline = 4,
  FontStyleStrikeout = 8
};

// Alpha of a colour, and the colour with its channels multiplied by alpha (rounded).
constexpr uint32_t AlphaOf(Argb c) { return c >> 24; }
constexpr uint32_t Premultiply(Argb c) {
  const uint32_t a = c >> 24;
  auto mul = [a](uint32_t v) {
    const uint32_t t = v * a + 128;
    return (t + (t >> 8)) >> 8;
  };
  return (a << 24) | (mul((c >> 16) & 0xFF) << 16) | (mul((c >> 8) & 0xFF) << 8) | mul(c & 0xFF);
}
// Inverse of Premultiply (rounded); alpha 0 gives 0.
constexpr Argb Unpremultiply(uint32_t p) {
  const uint32_t a = p >> 24;
  if (a == 0) return 0;
  if (a == 255) return p;
  auto div = [a](uint32_t v) {
    const uint32_t r = (v * 255 + a / 2) / a;
    return r > 255 ? 255u : r;
  };
  return (a << 24) | (div((p >> 16) & 0xFF) << 16) | (div((p >> 8) & 0xFF) << 8) | div(p & 0xFF);
}

}  // namespace quillmar::draw
