#pragma once
// The pictures and regions an element owns for painting and composition.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/draw/bitmap.h"
#include "platform/draw/graphics.h"
#include "platform/draw/region.h"

namespace quillmar {

// Extra layers of a picture transition; the window's frames animate them.
struct ExtraLayers {
  std::vector<draw::Bitmap> layers;
  int32_t currentLayer = 0;  // 1-based; 0 = nothing to draw
  int32_t progress = 0;      // 0 .. 255: how far the new picture has faded in
  int32_t step = 0;          // progress per interval
  int32_t intervalMs = 10;
  int64_t startMs = 0;            // when it started, on the window system's clock
  const void* starter = nullptr;  // the object that started it (compared, never followed)
  std::optional<Rect> area;       // the part that fades; elsewhere the new picture shows at once
};

struct ElementSurfaces {
  // Pictures are one pixel larger than the element so right and bottom edges drawn
  // at x = width or y = height stay inside.
  void Recreate(int32_t width, int32_t height) {
    graphics.reset();
    canvas = draw::Bitmap(width + 1, height + 1);
    graphics = std::make_unique<draw::Graphics>(canvas);
    dib = draw::Bitmap(width + 1, height + 1);
  }
  void Release() {
    graphics.reset();
    canvas = draw::Bitmap();
    dib = draw::Bitmap();
  }

  draw::Bitmap canvas;                        // the element's own content
  std::unique_ptr<draw::Graphics> graphics;   // draws into canvas
  draw::Bitmap dib;                           // canvas plus children, composed
  std::optional<draw::Region> dirtyRegion;    // part of dib the last composition changed
  std::optional<draw::Region> invalidRegion;  // empty: the whole element
  std::optional<draw::Region> repainted;      // what the last paint redrew, until composed (empty: all)
  ExtraLayers extra;
  bool leftOut = false;  // the last composition skipped the element (hidden, alpha 0, not shown)
};

}  // namespace quillmar
