// Whole-picture composition on Cairo (pixman's exact combiners).
#include <cairo.h>

#include "platform/draw/blend.h"
#include "platform/draw/cairo_util.h"
#include "platform/draw/region_impl.h"

namespace quillmar::draw {

// Pixman's combiners compute exactly s·a/255 and s + d·(255 − sa)/255 with rounding,
// in vector code; a constant alpha given as a/255 reaches them as exactly a.
void BlendBitmap(Bitmap& dst, const Rect& dstRect, const Bitmap& src, const Rect& srcRect, uint8_t alpha,
                 const Region* clip) {
  if (alpha == 0 || dstRect.IsEmpty() || srcRect.IsEmpty() || dst.IsEmpty() || src.IsEmpty()) return;
  if (&dst == &src) {
    const Bitmap copy = src.Clone();
    BlendBitmap(dst, dstRect, copy, srcRect, alpha, clip);
    return;
  }
  cairo::SurfacePtr target = cairo::Wrap(dst);
  cairo::SurfacePtr source = cairo::Wrap(src);
  cairo_t* cr = cairo_create(target.get());
  if (clip != nullptr) {
    const int n = cairo_region_num_rectangles(clip->impl()->region);
    for (int i = 0; i < n; ++i) {
      cairo_rectangle_int_t r;
      cairo_region_get_rectangle(clip->impl()->region, i, &r);
      cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    }
    cairo_clip(cr);
  }
  cairo_rectangle(cr, dstRect.x, dstRect.y, dstRect.width, dstRect.height);
  cairo_clip(cr);
  cairo::PatternPtr pattern(cairo_pattern_create_for_surface(source.get()));
  cairo_matrix_t m;
  cairo_matrix_init_translate(&m, srcRect.x, srcRect.y);
  cairo_matrix_scale(&m, static_cast<double>(srcRect.width) / dstRect.width,
                     static_cast<double>(srcRect.height) / dstRect.height);
  cairo_matrix_translate(&m, -dstRect.x, -dstRect.y);
  cairo_pattern_set_matrix(pattern.get(), &m);
  cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_NEAREST);
  cairo_set_source(cr, pattern.get());
  if (alpha == 255) {
    cairo_paint(cr);
  } else {
    cairo_paint_with_alpha(cr, alpha / 255.0);
  }
  cairo_destroy(cr);
  cairo_surface_flush(target.get());
}

}  // namespace quillmar::draw
