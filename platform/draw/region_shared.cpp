// The backend-neutral part of Region, in terms of the operations each backend provides.
#include "platform/draw/region.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace quillmar::draw {

Region::Region(const Rect& rect) : Region() { Union(rect); }

Region Region::FromRectF(const RectF& rect) {
  // Far beyond any picture, and small enough that the differences below stay in int.
  auto edge = [](double v) { return std::isnan(v) ? 0 : static_cast<int>(std::lround(std::clamp(v, -1e8, 1e8))); };
  const int x0 = edge(rect.x);
  const int y0 = edge(rect.y);
  const int x1 = edge(static_cast<double>(rect.x) + rect.width);
  const int y1 = edge(static_cast<double>(rect.y) + rect.height);
  return Region(Rect{x0, y0, x1 - x0, y1 - y0});
}

void Region::Combine(const Region& other, CombineMode mode) {
  switch (mode) {
    case CombineMode::Replace:
      *this = other;
      break;
    case CombineMode::Intersect:
      Intersect(other);
      break;
    case CombineMode::Union:
      Union(other);
      break;
    case CombineMode::Xor:
      Xor(other);
      break;
    case CombineMode::Exclude:
      Exclude(other);
      break;
    case CombineMode::Complement: {
      Region r = other;
      r.Exclude(*this);
      *this = std::move(r);
      break;
    }
  }
}

}  // namespace quillmar::draw
