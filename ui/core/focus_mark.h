#pragma once
// The mark a control draws around itself (or its chosen part) while it has the
// keyboard focus and its window shows focus marks.

#include "base/geometry.h"

namespace quillmar {

namespace draw {
class Graphics;
}  // namespace draw

// A dotted light line over a dark one through the edge pixels of r, so the mark
// reads over light and dark pictures alike.
void DrawFocusMark(draw::Graphics& g, const Rect& r);

}  // namespace quillmar
