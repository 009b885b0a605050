#include "platform/draw/region.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/draw/region_impl.h"

namespace quillmar::draw {

namespace {
cairo_rectangle_int_t ToCairo(const Rect& r) { return {r.x, r.y, r.width, r.height}; }
}  // namespace

Region::Region() : impl_(std::make_unique<Impl>(cairo_region_create())) {}

Region::Region(const Region& other) : impl_(std::make_unique<Impl>(cairo_region_copy(other.impl_->region))) {}

Region& Region::operator=(const Region& other) {
  if (this != &other) impl_ = std::make_unique<Impl>(cairo_region_copy(other.impl_->region));
  return *this;
}

// A moved-from region is left empty rather than hollow, so it stays usable.
Region::Region(Region&& other) noexcept : impl_(std::move(other.impl_)) {
  other.impl_ = std::make_unique<Impl>(cairo_region_create());
}

Region& Region::operator=(Region&& other) noexcept {
  std::swap(impl_, other.impl_);
  return *this;
}

Region::~Region() = default;

void Region::Union(const Rect& rect) {
  if (rect.IsEmpty()) return;
  const auto r = ToCairo(rect);
  cairo_region_union_rectangle(impl_->region, &r);
}

void Region::Union(const Region& other) { cairo_region_union(impl_->region, other.impl_->region); }

void Region::Intersect(const Rect& rect) {
  if (rect.IsEmpty()) {
    *this = Region();
    return;
  }
  const auto r = ToCairo(rect);
  cairo_region_intersect_rectangle(impl_->region, &r);
}

void Region::Intersect(const Region& other) { cairo_region_intersect(impl_->region, other.impl_->region); }

void Region::Exclude(const Rect& rect) {
  if (rect.IsEmpty()) return;
  const auto r = ToCairo(rect);
  cairo_region_subtract_rectangle(impl_->region, &r);
}

void Region::Exclude(const Region& other) { cairo_region_subtract(impl_->region, other.impl_->region); }

void Region::Xor(const Region& other) { cairo_region_xor(impl_->region, other.impl_->region); }

void Region::Offset(int dx, int dy) { cairo_region_translate(impl_->region, dx, dy); }

bool Region::IsEmpty() const { return cairo_region_is_empty(impl_->region); }

bool Region::Contains(int x, int y) const { return cairo_region_contains_point(impl_->region, x, y); }

Rect Region::Bounds() const {
  if (IsEmpty()) return {};
  cairo_rectangle_int_t r;
  cairo_region_get_extents(impl_->region, &r);
  return {r.x, r.y, r.width, r.height};
}

std::vector<Rect> Region::Rects() const {
  std::vector<Rect> out;
  const int n = cairo_region_num_rectangles(impl_->region);
  out.reserve(n);
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t r;
    cairo_region_get_rectangle(impl_->region, i, &r);
    out.push_back({r.x, r.y, r.width, r.height});
  }
  return out;
}

bool Region::operator==(const Region& other) const { return cairo_region_equal(impl_->region, other.impl_->region); }

}  // namespace quillmar::draw
