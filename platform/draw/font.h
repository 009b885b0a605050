#pragma once
// A font: a family at a size in a unit, with style bits. Copies share the font.

#include <memory>

#include "platform/draw/draw_types.h"
#include "platform/draw/font_family.h"

namespace quillmar::draw {

class Font {
 public:
  Font() = default;  // empty
  // An empty family gives an empty font. Unit World and Display count as pixels;
  // Point, Inch, Document and Millimeter convert at 96 pixels per inch.
  Font(const FontFamily& family, float size, int style = FontStyleRegular, Unit unit = Unit::World);
  // The desktop's default user-interface font.
  static Font StockGui();

  bool IsEmpty() const { return !impl_; }
  const FontFamily& Family() const;
  float Size() const;
  int Style() const;
  Unit GetUnit() const;
  float PixelSize() const;   // em size in pixels
  float LineHeight() const;  // distance between baselines in pixels

  struct Impl;
  const Impl* impl() const { return impl_.get(); }

 private:
  std::shared_ptr<const Impl> impl_;
};

}  // namespace quillmar::draw
