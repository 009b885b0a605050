#pragma once
// Internal: the Cairo region behind a Region.

#include <cairo.h>

#include "platform/draw/region.h"

namespace quillmar::draw {

struct Region::Impl {
  explicit Impl(cairo_region_t* r) : region(r) {}
  ~Impl() { cairo_region_destroy(region); }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
  cairo_region_t* region;
};

}  // namespace quillmar::draw
