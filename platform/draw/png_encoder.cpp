#include "platform/draw/png_encoder.h"

#include <cairo.h>

#include "platform/draw/cairo_util.h"

namespace quillmar::draw {

namespace {

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(closure);
  out->insert(out->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::vector<uint8_t> EncodePng(const Bitmap& picture) {
  std::vector<uint8_t> out;
  if (picture.IsEmpty()) return out;
  cairo::SurfacePtr surface = cairo::Wrap(picture);
  if (cairo_surface_write_to_png_stream(surface.get(), Append, &out) != CAIRO_STATUS_SUCCESS) out.clear();
  return out;
}

}  // namespace quillmar::draw
