// Region::Combine in terms of the region operations each backend provides.
#include "platform/draw/region.h"

#include <utility>

namespace quillmar::draw {

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
