#pragma once
// Skin images: a picture placed into a rectangle in one of four modes, the
// characteristic one sliced by magenta marker pixels painted into the picture
// itself (columns on the top row, rows on the left column).

#include <optional>

#include "platform/draw/draw_types.h"
#include "ui/core/skin_layout.h"

namespace quillmar {

namespace draw {
class Graphics;
class Image;
}  // namespace draw

// Ways of drawing a skin image (backImageMode and the picture box's mode).
enum SkinMode : int {
  SkinModeStretch = 0,  // the whole image stretched into the rectangle
  SkinModeMarked = 1,   // marker-guided three-slice or nine-grid
  SkinModeNatural = 2,  // natural size at the graphics origin; the rectangle is unused
  SkinModeFit = 3,      // shrunk to the fit area (origin at the graphics origin), centred
};

// What image attributes carry for skin drawing: a constant opacity for the slices.
struct SkinAttributes {
  float opacity = 1.0f;
};

// Draws `image` into `rect` in `mode`; `fitWidth` x `fitHeight` is the area of mode 3.
// Returns 1 when something was drawn.
int DrawSkinImage(draw::Graphics& graphics, const draw::Image& image, const RectF& rect, int mode, int fitWidth = 0,
                  int fitHeight = 0);

// Mode 1: scans the markers, then draws the slices they describe. 0 when the
// image is empty or a direction has exactly one marker.
int DrawMarkedImage(draw::Graphics& graphics, const draw::Image& image, const RectF& rect,
                    const SkinAttributes* attributes = nullptr);

// Draws a horizontal three-slice (left and right cuts), a vertical one (top and
// bottom cuts) or a nine-grid (all four; all four 0 stretches the whole image).
// Fixed pieces keep their size, middles are tiled. 1 when something was drawn.
int DrawSlicedImage(draw::Graphics& graphics, const draw::Image& image, const RectF& rect, std::optional<int> cutLeft,
                    std::optional<int> cutRight, std::optional<int> cutTop, std::optional<int> cutBottom,
                    const SkinAttributes* attributes = nullptr);

// An image of the given size shrunk to fit the area and centred in it.
inline RectF FitRect(float imageWidth, float imageHeight, float areaWidth, float areaHeight) {
  return SkinLayout::FitRect(imageWidth, imageHeight, areaWidth, areaHeight);
}

}  // namespace quillmar
