#pragma once
// Internal to the drawing layer: Cairo views of bitmaps and owners of Cairo objects.

#include <cairo.h>

#include <memory>

#include "platform/draw/bitmap.h"
#include "platform/draw/draw_types.h"
#include "platform/draw/matrix.h"

namespace quillmar::draw::cairo {

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct PatternDeleter {
  void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using PatternPtr = std::unique_ptr<cairo_pattern_t, PatternDeleter>;

// A Cairo image surface over the bitmap's own memory (no copy). The surface must not
// outlive the bitmap. An empty bitmap gives a 0 × 0 surface.
inline SurfacePtr Wrap(const Bitmap& bitmap) {
  if (bitmap.IsEmpty()) return SurfacePtr(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 0, 0));
  // Cairo only reads a source surface; the const is restored by never drawing into it here.
  auto* data = reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(bitmap.Data()));
  return SurfacePtr(
      cairo_image_surface_create_for_data(data, CAIRO_FORMAT_ARGB32, bitmap.Width(), bitmap.Height(), bitmap.Stride()));
}

// A pattern of exactly this colour, premultiplied with the same rounding as Bitmap,
// so fills give predictable ARGB values.
inline PatternPtr SolidPattern(Argb color) {
  SurfacePtr pixel(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
  cairo_surface_flush(pixel.get());
  *reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(pixel.get())) = Premultiply(color);
  cairo_surface_mark_dirty(pixel.get());
  PatternPtr pattern(cairo_pattern_create_for_surface(pixel.get()));
  cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_NEAREST);
  return pattern;
}

inline cairo_matrix_t ToCairo(const Matrix& m) {
  cairo_matrix_t c;
  cairo_matrix_init(&c, m.m11, m.m12, m.m21, m.m22, m.dx, m.dy);
  return c;
}

}  // namespace quillmar::draw::cairo
