// Regions as y-x bands: rectangles sorted by row then column, the rectangles of one band
// sharing top and height, touching bands with equal spans merged. The form is unique for a
// set of pixels, so equality is a comparison of the lists and Rects() lists the same
// rectangles as other banded region engines.
#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/draw/region.h"

namespace quillmar::draw {

struct Region::Impl {
  std::vector<Rect> rects;
};

namespace {

using Spans = std::vector<std::pair<int, int>>;  // [left, right) per span, sorted, apart

// Which pixels of a span survive an operation on (in first, in second).
enum class Op { Union, Intersect, Subtract, Xor };

bool Keep(Op op, bool a, bool b) {
  switch (op) {
    case Op::Union:
      return a || b;
    case Op::Intersect:
      return a && b;
    case Op::Subtract:
      return a && !b;
    case Op::Xor:
      return a != b;
  }
  return false;
}

Spans CombineSpans(const Spans& a, const Spans& b, Op op) {
  std::vector<int> edges;
  edges.reserve(2 * (a.size() + b.size()));
  for (const auto& [l, r] : a) edges.insert(edges.end(), {l, r});
  for (const auto& [l, r] : b) edges.insert(edges.end(), {l, r});
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  Spans out;
  size_t ia = 0, ib = 0;
  for (size_t k = 0; k + 1 < edges.size(); ++k) {
    const int x = edges[k];
    while (ia < a.size() && a[ia].second <= x) ++ia;
    while (ib < b.size() && b[ib].second <= x) ++ib;
    const bool inA = ia < a.size() && a[ia].first <= x;
    const bool inB = ib < b.size() && b[ib].first <= x;
    if (!Keep(op, inA, inB)) continue;
    if (!out.empty() && out.back().second == x) {
      out.back().second = edges[k + 1];
    } else {
      out.emplace_back(x, edges[k + 1]);
    }
  }
  return out;
}

struct Band {
  int top;
  int bottom;
  Spans spans;
};

std::vector<Band> ToBands(const std::vector<Rect>& rects) {
  std::vector<Band> bands;
  for (const Rect& r : rects) {
    if (bands.empty() || bands.back().top != r.y) bands.push_back({r.y, r.Bottom(), {}});
    bands.back().spans.emplace_back(r.x, r.Right());
  }
  return bands;
}

std::vector<Rect> ApplyOp(const std::vector<Rect>& first, const std::vector<Rect>& second, Op op) {
  const std::vector<Band> a = ToBands(first);
  const std::vector<Band> b = ToBands(second);
  std::vector<int> rows;
  rows.reserve(2 * (a.size() + b.size()));
  for (const Band& band : a) rows.insert(rows.end(), {band.top, band.bottom});
  for (const Band& band : b) rows.insert(rows.end(), {band.top, band.bottom});
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  static const Spans kNone;
  std::vector<Band> out;
  size_t ia = 0, ib = 0;
  for (size_t k = 0; k + 1 < rows.size(); ++k) {
    const int y = rows[k];
    while (ia < a.size() && a[ia].bottom <= y) ++ia;
    while (ib < b.size() && b[ib].bottom <= y) ++ib;
    const Spans& sa = ia < a.size() && a[ia].top <= y ? a[ia].spans : kNone;
    const Spans& sb = ib < b.size() && b[ib].top <= y ? b[ib].spans : kNone;
    Spans spans = CombineSpans(sa, sb, op);
    if (spans.empty()) continue;
    if (!out.empty() && out.back().bottom == y && out.back().spans == spans) {
      out.back().bottom = rows[k + 1];
    } else {
      out.push_back({y, rows[k + 1], std::move(spans)});
    }
  }
  std::vector<Rect> rects;
  for (const Band& band : out) {
    for (const auto& [l, r] : band.spans) rects.push_back({l, band.top, r - l, band.bottom - band.top});
  }
  return rects;
}

}  // namespace

Region::Region() : impl_(std::make_unique<Impl>()) {}

Region::Region(const Region& other) : impl_(std::make_unique<Impl>(*other.impl_)) {}

Region& Region::operator=(const Region& other) {
  if (this != &other) impl_ = std::make_unique<Impl>(*other.impl_);
  return *this;
}

// A moved-from region is left empty rather than hollow, so it stays usable.
Region::Region(Region&& other) noexcept : impl_(std::move(other.impl_)) { other.impl_ = std::make_unique<Impl>(); }

Region& Region::operator=(Region&& other) noexcept {
  std::swap(impl_, other.impl_);
  return *this;
}

Region::~Region() = default;

void Region::Union(const Rect& rect) {
  if (rect.IsEmpty()) return;
  impl_->rects = ApplyOp(impl_->rects, {rect}, Op::Union);
}

void Region::Union(const Region& other) { impl_->rects = ApplyOp(impl_->rects, other.impl_->rects, Op::Union); }

void Region::Intersect(const Rect& rect) {
  if (rect.IsEmpty()) {
    impl_->rects.clear();
    return;
  }
  impl_->rects = ApplyOp(impl_->rects, {rect}, Op::Intersect);
}

void Region::Intersect(const Region& other) { impl_->rects = ApplyOp(impl_->rects, other.impl_->rects, Op::Intersect); }

void Region::Exclude(const Rect& rect) {
  if (rect.IsEmpty()) return;
  impl_->rects = ApplyOp(impl_->rects, {rect}, Op::Subtract);
}

void Region::Exclude(const Region& other) { impl_->rects = ApplyOp(impl_->rects, other.impl_->rects, Op::Subtract); }

void Region::Xor(const Region& other) { impl_->rects = ApplyOp(impl_->rects, other.impl_->rects, Op::Xor); }

void Region::Offset(int dx, int dy) {
  for (Rect& r : impl_->rects) {
    r.x += dx;
    r.y += dy;
  }
}

bool Region::IsEmpty() const { return impl_->rects.empty(); }

bool Region::Contains(int x, int y) const {
  return std::any_of(impl_->rects.begin(), impl_->rects.end(), [&](const Rect& r) { return r.Contains({x, y}); });
}

Rect Region::Bounds() const {
  if (IsEmpty()) return {};
  int x0 = impl_->rects.front().x, x1 = impl_->rects.front().Right();
  for (const Rect& r : impl_->rects) {
    x0 = std::min(x0, r.x);
    x1 = std::max(x1, r.Right());
  }
  return Rect::FromLtrb(x0, impl_->rects.front().y, x1, impl_->rects.back().Bottom());
}

std::vector<Rect> Region::Rects() const { return impl_->rects; }

bool Region::operator==(const Region& other) const { return impl_->rects == other.impl_->rects; }

}  // namespace quillmar::draw
