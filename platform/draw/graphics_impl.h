#pragma once
// Internal to the drawing layer: the Cairo state behind a Graphics.

#include <cairo.h>

#include "platform/draw/cairo_util.h"
#include "platform/draw/graphics.h"

namespace quillmar::draw {

struct Graphics::Impl {
  cairo::SurfacePtr surface;
  cairo_t* cr = nullptr;
  ~Impl() {
    if (cr != nullptr) cairo_destroy(cr);
  }
};

// Makes the brush the source of the next fill or text.
void ApplyBrush(cairo_t* cr, const Brush& brush);

}  // namespace quillmar::draw
