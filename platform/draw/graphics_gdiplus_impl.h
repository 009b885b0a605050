#pragma once
// Internal to the drawing layer on Windows: the GDI+ state behind a Graphics.

#include <memory>

#include "platform/draw/gdiplus_session.h"
#include "platform/draw/graphics.h"

namespace quillmar::draw {

struct Graphics::Impl {
  Bitmap scratch;  // stands in for an empty target, so measuring still works
  std::unique_ptr<Gdiplus::Bitmap> surface;
  std::unique_ptr<Gdiplus::Graphics> g;  // declared after the surface it draws on
};

// A GDI+ brush of the same colours and geometry.
std::unique_ptr<Gdiplus::Brush> MakeBrush(const Brush& brush);

}  // namespace quillmar::draw
