#include "ui/core/skin_image.h"

#include <algorithm>
#include <cmath>

#include "platform/draw/bitmap.h"
#include "platform/draw/graphics.h"
#include "platform/draw/image.h"

namespace quillmar {
namespace {

// Scales every premultiplied channel, which is what a constant opacity does.
void ApplyOpacity(draw::Bitmap& bitmap, float opacity) {
  const float factor = std::clamp(opacity, 0.0f, 1.0f);
  if (factor >= 1.0f) return;
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::uint32_t* row = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      std::uint32_t scaled = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        const float channel = static_cast<float>((row[x] >> shift) & 0xFF) * factor;
        scaled |= static_cast<std::uint32_t>(std::lround(channel)) << shift;
      }
      row[x] = scaled;
    }
  }
}

// Each slice is copied out of the skin first, so neither filtering at a
// fractional position nor tiling can pull in pixels of a neighbouring slice
// or of a marker line.
void DrawSlice(draw::Graphics& graphics, const draw::Bitmap& skin, const SkinSlice& slice,
               const SkinAttributes* attributes) {
  const bool wholeSkin = slice.source == Rect{0, 0, skin.Width(), skin.Height()};
  if (wholeSkin && !slice.tiled && !attributes) {
    graphics.DrawImage(skin, slice.dest);
    return;
  }
  draw::Bitmap piece = skin.CloneArea(slice.source);
  if (piece.IsEmpty()) return;
  if (attributes) ApplyOpacity(piece, attributes->opacity);
  if (slice.tiled) {
    graphics.DrawImage(piece, slice.dest, {0, 0, slice.dest.width, slice.dest.height}, draw::WrapMode::Tile);
  } else if (slice.source.width == slice.dest.width && slice.source.height == slice.dest.height) {
    graphics.DrawImage(piece, slice.dest.x, slice.dest.y);
  } else {
    graphics.DrawImage(piece, slice.dest);
  }
}

}  // namespace

int DrawSkinImage(draw::Graphics& graphics, const draw::Image& image, const RectF& rect, int mode, int fitWidth,
                  int fitHeight) {
  if (image.IsEmpty() || image.Width() <= 0 || image.Height() <= 0) return 0;
  switch (mode) {
    case SkinModeStretch:
      graphics.DrawImage(image, rect);
      return 1;
    case SkinModeMarked:
      return DrawMarkedImage(graphics, image, rect);
    case SkinModeNatural:
      graphics.DrawImage(image, 0.0f, 0.0f);
      return 1;
    case SkinModeFit:
      graphics.DrawImage(image, FitRect(static_cast<float>(image.Width()), static_cast<float>(image.Height()),
                                        static_cast<float>(fitWidth), static_cast<float>(fitHeight)));
      return 1;
    default:
      return 0;
  }
}

int DrawMarkedImage(draw::Graphics& graphics, const draw::Image& image, const RectF& rect,
                    const SkinAttributes* attributes) {
  if (image.IsEmpty()) return 0;
  const draw::Bitmap& frame = image.Frame();
  const std::optional<SkinCuts> cuts =
      SkinLayout::ScanMarkers(frame.Width(), frame.Height(), [&frame](int x, int y) { return frame.GetPixel(x, y); });
  if (!cuts) return 0;
  return DrawSlicedImage(graphics, image, rect, cuts->cutLeft, cuts->cutRight, cuts->cutTop, cuts->cutBottom,
                         attributes);
}

int DrawSlicedImage(draw::Graphics& graphics, const draw::Image& image, const RectF& rect, std::optional<int> cutLeft,
                    std::optional<int> cutRight, std::optional<int> cutTop, std::optional<int> cutBottom,
                    const SkinAttributes* attributes) {
  if (image.IsEmpty()) return 0;
  const draw::Bitmap& frame = image.Frame();
  const auto slices =
      SkinLayout::PlanSlices(frame.Width(), frame.Height(), rect, {cutLeft, cutRight, cutTop, cutBottom});
  if (!slices || slices->empty()) return 0;
  for (const SkinSlice& slice : *slices) DrawSlice(graphics, frame, slice, attributes);
  return 1;
}

}  // namespace quillmar
