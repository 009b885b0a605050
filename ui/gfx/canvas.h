#pragma once
// A drawing context for pictures: selects a caller's bitmap (remembering the
// context's own surface so it can be put back) and makes a graphics on it on
// demand. The selected bitmap belongs to the caller and must outlive its selection.
// Where a context is returned, it is the surface drawing lands on (the selected
// bitmap, or the context's own 1 × 1 surface before any selection).

#include <memory>

#include "platform/draw/bitmap.h"
#include "platform/draw/graphics.h"
#include "platform/draw/region.h"

namespace quillmar {

class UiCanvas {
 public:
  UiCanvas() = default;
  ~UiCanvas() { Release(); }
  UiCanvas(UiCanvas&&) noexcept = default;
  UiCanvas& operator=(UiCanvas&&) noexcept = default;
  UiCanvas(const UiCanvas&) = delete;
  UiCanvas& operator=(const UiCanvas&) = delete;

  // Makes a fresh context (releasing the old one).
  draw::Bitmap* Create();
  draw::Bitmap* CreateWithBitmap(draw::Bitmap& bitmap);
  // Selects the bitmap into the context; null without a context.
  draw::Bitmap* SelectBitmap(draw::Bitmap& bitmap);
  draw::Graphics* SelectBitmapGraphics(draw::Bitmap& bitmap);
  draw::Graphics* CreateWithBitmapGraphics(draw::Bitmap& bitmap);
  // One-shot: clears the bitmap (within the region combined with the mode) to
  // transparent and leaves the canvas empty.
  void ClearBitmap(draw::Bitmap& bitmap, const draw::Region* region = nullptr,
                   draw::CombineMode mode = draw::CombineMode::Replace);
  // Clears the selected bitmap to transparent; nothing without a selected bitmap.
  void Clear(const draw::Region* region = nullptr, draw::CombineMode mode = draw::CombineMode::Replace);
  // A new graphics on the selected surface (the context's own 1 × 1 surface when
  // none is selected, enough for measuring text).
  draw::Graphics* GetGraphics();
  void ReleaseGraphics() { graphics_.reset(); }
  draw::Graphics* GraphicsHandle() const { return graphics_.get(); }
  // The surface currently selected, null without a context.
  draw::Bitmap* DcHandle() const { return dc_ ? selected_ : nullptr; }
  // Deselects the caller's bitmap (never deleting it) and drops the context.
  void Release();

 private:
  void ClearSelected(const draw::Region* region, draw::CombineMode mode);

  std::unique_ptr<draw::Bitmap> dc_;  // the context's own surface
  draw::Bitmap* selected_ = nullptr;
  bool saved_ = false;  // a caller's bitmap was selected since Create
  std::unique_ptr<draw::Graphics> graphics_;
};

}  // namespace quillmar
