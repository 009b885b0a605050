#pragma once
// The framework's rounded-rectangle outline, shared by the window frame's
// shadow and the controls that draw rounded borders.

#include "base/geometry.h"

namespace quillmar {

namespace draw {
class Path;
}  // namespace draw

// Adds a closed figure: four arcs of radius `radius` in the corners of r, or the
// plain rectangle when the radius is 0 or less.
void AddRoundedRect(draw::Path& path, const RectF& r, float radius);

}  // namespace quillmar
