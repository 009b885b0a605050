#include "platform/ws/input_shape.h"

#include <algorithm>

namespace quillmar::ws {

void InputShape::Reset(Size size) {
  size_ = Size{std::max(0, size.width), std::max(0, size.height)};
  ink_.assign(static_cast<size_t>(size_.width) * static_cast<size_t>(size_.height), 0);
}

bool InputShape::Update(const PixelView& picture, std::span<const Rect> rects) {
  bool changed = false;
  const Rect bounds{0, 0, size_.width, size_.height};
  for (const Rect& damaged : rects) {
    const Rect r = damaged.Intersected(bounds);
    for (int32_t y = r.y; y < r.Bottom(); ++y) {
      uint8_t* mask = ink_.data() + static_cast<size_t>(y) * size_.width;
      const uint32_t* row = y < picture.height ? picture.Row(y) : nullptr;
      for (int32_t x = r.x; x < r.Right(); ++x) {
        const uint8_t ink = (row != nullptr && x < picture.width && (row[x] >> 24) != 0) ? 1 : 0;
        changed = changed || mask[x] != ink;
        mask[x] = ink;
      }
    }
  }
  return changed;
}

bool InputShape::Contains(Point p) const {
  if (p.x < 0 || p.y < 0 || p.x >= size_.width || p.y >= size_.height) return false;
  return ink_[static_cast<size_t>(p.y) * size_.width + p.x] != 0;
}

std::vector<Rect> InputShape::Runs() const {
  std::vector<Rect> runs;
  for (int32_t y = 0; y < size_.height; ++y) {
    const uint8_t* mask = ink_.data() + static_cast<size_t>(y) * size_.width;
    int32_t start = -1;
    for (int32_t x = 0; x <= size_.width; ++x) {
      const bool ink = x < size_.width && mask[x] != 0;
      if (ink && start < 0) start = x;
      if (!ink && start >= 0) {
        runs.push_back(Rect{start, y, x - start, 1});
        start = -1;
      }
    }
  }
  return runs;
}

}  // namespace quillmar::ws
