#pragma once
// Which pixels of a layered window catch the mouse: those whose alpha is above
// 0, as through a layered window. The mask is brought up to date only inside
// the rectangles a present damaged, so a present that changes colours but no
// alpha costs one look per damaged pixel and leaves the native shape alone.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/ws/types.h"

namespace quillmar::ws {

class InputShape {
 public:
  // A new size: nothing catches the mouse until the next Update.
  void Reset(Size size);
  // Takes the ink inside `rects` (clipped to the size) from the picture;
  // pixels the picture does not cover are transparent. True when any pixel's
  // ink changed.
  bool Update(const PixelView& picture, std::span<const Rect> rects);
  bool Contains(Point p) const;
  Size GetSize() const { return size_; }
  // The ink as runs of whole rows, the form native shapes take.
  std::vector<Rect> Runs() const;

 private:
  Size size_;
  std::vector<uint8_t> ink_;  // one byte per pixel, row by row
};

}  // namespace quillmar::ws
