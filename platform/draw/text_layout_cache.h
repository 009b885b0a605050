#pragma once
// Internal to the drawing layer: laid-out text, kept per thread in a small
// most-recently-used cache so repainting the same texts skips shaping.

#include <pango/pango.h>

#include <string_view>
#include <vector>

#include "platform/draw/draw_types.h"
#include "platform/draw/font.h"
#include "platform/draw/string_format.h"

namespace quillmar::draw::text {

struct Laid {
  PangoLayout* layout = nullptr;
  std::vector<int> offsets;  // UTF-16 index -> UTF-8 byte offset, one past the end included
  double originX = 0;        // where the layout's top-left corner goes, relative to the rectangle
  double originY = 0;
  RectF bounds;  // relative to the rectangle's corner
  int fitted = 0;
  int lines = 0;
  bool clip = false;
};

// The text laid out in a rectangle of this size (its position does not matter).
// The result stays valid until the next call on the same thread.
const Laid& Lay(std::u16string_view text, const Font& font, float width, float height, const StringFormat* format,
                TextRenderingHint hint);
// Bytes of text the calling thread's cache keeps in its keys.
size_t CachedKeyBytes();

}  // namespace quillmar::draw::text
