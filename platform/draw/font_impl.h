#pragma once
// Internal to the drawing layer: what stands behind FontFamily and Font.

#include <pango/pango.h>

#include <string>

#include "platform/draw/font.h"
#include "platform/draw/font_family.h"

namespace quillmar::draw {

struct FontFamily::Impl {
  std::u16string name;   // as asked for
  std::string resolved;  // installed family used for drawing (UTF-8)
};

struct Font::Impl {
  Impl(const FontFamily& family, float size, int style, Unit unit);
  ~Impl();
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  FontFamily family;
  float size;
  int style;
  Unit unit;
  float pixels;
  PangoFontDescription* description;
  PangoAttrList* attributes;      // underline and strike-out, null without them
  mutable float lineHeight = -1;  // measured once
};

}  // namespace quillmar::draw
