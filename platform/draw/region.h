#pragma once
// A set of whole pixels made of rectangles: invalid and dirty areas, clip areas.

#include <memory>
#include <vector>

#include "platform/draw/draw_types.h"

namespace quillmar::draw {

class Region {
 public:
  Region();  // empty
  explicit Region(const Rect& rect);
  // Pixels whose area a float rectangle covers, edges rounded to the nearest whole pixel.
  static Region FromRectF(const RectF& rect);
  Region(const Region& other);
  Region& operator=(const Region& other);
  Region(Region&&) noexcept;
  Region& operator=(Region&&) noexcept;
  ~Region();

  void Union(const Rect& rect);
  void Union(const Region& other);
  void Intersect(const Rect& rect);
  void Intersect(const Region& other);
  void Exclude(const Rect& rect);
  void Exclude(const Region& other);
  void Xor(const Region& other);
  // Applies a combine mode: Replace copies other, Complement keeps other minus this.
  void Combine(const Region& other, CombineMode mode);
  void Offset(int dx, int dy);

  bool IsEmpty() const;
  bool Contains(int x, int y) const;
  Rect Bounds() const;  // empty rectangle for an empty region
  std::vector<Rect> Rects() const;
  bool operator==(const Region& other) const;

  struct Impl;
  const Impl* impl() const { return impl_.get(); }

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace quillmar::draw
