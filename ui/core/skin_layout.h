#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/draw/draw_types.h"

namespace quillmar {

// Marker lines of a skin: columns cutLeft/cutRight and rows cutTop/cutBottom.
// They belong to no slice and are never drawn.
struct SkinCuts {
  std::optional<int> cutLeft;
  std::optional<int> cutRight;
  std::optional<int> cutTop;
  std::optional<int> cutBottom;
};

// One piece of a sliced skin: fixed pieces keep their size, tiled ones repeat
// their source from the destination's top-left corner without scaling.
struct SkinSlice {
  Rect source;
  RectF dest;
  bool tiled = false;
};

// The arithmetic of skin drawing, kept apart from any graphics so it can be
// checked on its own: marker scanning, slice placement and fitting.
class SkinLayout {
 public:
  static constexpr std::uint32_t kMarkerColor = 0xFFFF00FF;  // opaque magenta, compared exactly

  // Reads the top row and the left column for markers. Two markers in a
  // direction give its cuts; none in either direction gives all four cuts 0
  // (the whole image stretched); exactly one marker in a direction is nullopt.
  static std::optional<SkinCuts> ScanMarkers(int width, int height,
                                             const std::function<std::uint32_t(int x, int y)>& pixelAt);

  // The slices that cover `rect` for an image of width x height; nullopt when
  // the image is empty or the cuts form no valid three-slice or nine-grid.
  // Slices with nothing to draw are left out.
  static std::optional<std::vector<SkinSlice>> PlanSlices(int width, int height, RectF rect, const SkinCuts& cuts);

  // The image shrunk (never enlarged) to the area with its aspect ratio, centred in it.
  static RectF FitRect(float imageWidth, float imageHeight, float areaWidth, float areaHeight);
};

}  // namespace quillmar
