#pragma once
// Internal to the drawing layer: a font size in pixels, the same on every backend
// (96 dots per inch, as the screen the skins were drawn for).

#include "platform/draw/draw_types.h"

namespace quillmar::draw {

inline float FontSizeInPixels(float size, Unit unit) {
  switch (unit) {
    case Unit::World:
    case Unit::Display:
    case Unit::Pixel:
      return size;
    case Unit::Point:
      return size * 96.0f / 72.0f;
    case Unit::Inch:
      return size * 96.0f;
    case Unit::Document:
      return size * 96.0f / 300.0f;
    case Unit::Millimeter:
      return size * 96.0f / 25.4f;
  }
  return size;
}

}  // namespace quillmar::draw
