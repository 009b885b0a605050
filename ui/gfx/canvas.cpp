#include "ui/gfx/canvas.h"

namespace quillmar {

draw::Bitmap* UiCanvas::Create() {
  Release();
  dc_ = std::make_unique<draw::Bitmap>(1, 1);
  selected_ = dc_.get();
  return selected_;
}

draw::Bitmap* UiCanvas::CreateWithBitmap(draw::Bitmap& bitmap) {
  Create();
  return SelectBitmap(bitmap);
}

draw::Bitmap* UiCanvas::SelectBitmap(draw::Bitmap& bitmap) {
  if (!dc_) return nullptr;
  // A graphics made on the previous surface must not outlive its selection.
  if (graphics_ && selected_ != &bitmap) graphics_.reset();
  selected_ = &bitmap;
  saved_ = true;
  return selected_;
}

draw::Graphics* UiCanvas::SelectBitmapGraphics(draw::Bitmap& bitmap) {
  SelectBitmap(bitmap);
  return GetGraphics();
}

draw::Graphics* UiCanvas::CreateWithBitmapGraphics(draw::Bitmap& bitmap) {
  CreateWithBitmap(bitmap);
  return GetGraphics();
}

void UiCanvas::ClearSelected(const draw::Region* region, draw::CombineMode mode) {
  draw::Graphics g(*selected_);
  if (region != nullptr) g.SetClip(*region, mode);
  g.Clear(0x00FFFFFF);
}

void UiCanvas::ClearBitmap(draw::Bitmap& bitmap, const draw::Region* region, draw::CombineMode mode) {
  CreateWithBitmap(bitmap);
  if (dc_) ClearSelected(region, mode);
  Release();
}

void UiCanvas::Clear(const draw::Region* region, draw::CombineMode mode) {
  if (dc_ && saved_) ClearSelected(region, mode);
}

draw::Graphics* UiCanvas::GetGraphics() {
  ReleaseGraphics();
  if (dc_) graphics_ = std::make_unique<draw::Graphics>(*selected_);
  return graphics_.get();
}

void UiCanvas::Release() {
  ReleaseGraphics();
  dc_.reset();
  selected_ = nullptr;
  saved_ = false;
}

}  // namespace quillmar
