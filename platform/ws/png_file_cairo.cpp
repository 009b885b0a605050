#include <cairo.h>

#include <cstddef>
#include <cstring>

#include "platform/ws/png_file.h"

namespace quillmar::ws {

bool WritePremultipliedPng(const std::string& path, Size size, const uint32_t* pixels, std::string* error) {
  if (size.width <= 0 || size.height <= 0 || pixels == nullptr) {
    if (error != nullptr) *error = "empty picture";
    return false;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.width, size.height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    if (error != nullptr) *error = "no memory for the picture";
    return false;
  }
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int32_t y = 0; y < size.height; ++y) {
    std::memcpy(data + static_cast<std::ptrdiff_t>(y) * stride, pixels + static_cast<size_t>(y) * size.width,
                static_cast<size_t>(size.width) * sizeof(uint32_t));
  }
  cairo_surface_mark_dirty(surface);
  const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    if (error != nullptr) *error = cairo_status_to_string(status);
    return false;
  }
  return true;
}

}  // namespace quillmar::ws
