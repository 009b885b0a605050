#include "platform/draw/graphics.h"

namespace quillmar::draw {

struct Graphics::Impl {};

Graphics::Graphics(Bitmap& target) : target_(&target), impl_(std::make_unique<Impl>()) {}
Graphics::~Graphics() = default;
void Graphics::Clear(Argb) {}
void Graphics::FillRectangle(const Brush&, const RectF&) {}
void Graphics::DrawRectangle(const Pen&, const RectF&) {}
void Graphics::DrawLine(const Pen&, PointF, PointF) {}
void Graphics::FillPolygon(const Brush&, std::span<const PointF>, FillMode) {}
void Graphics::FillPath(const Brush&, const Path&) {}
void Graphics::DrawPath(const Pen&, const Path&) {}
void Graphics::DrawImage(const Bitmap&, float, float) {}
void Graphics::DrawImage(const Bitmap&, const RectF&) {}
void Graphics::DrawImage(const Bitmap&, const RectF&, const RectF&, WrapMode) {}
void Graphics::DrawString(std::u16string_view, const Font&, const RectF&, const StringFormat*, const Brush&) {}
TextMeasure Graphics::MeasureString(std::u16string_view, const Font&, const RectF&, const StringFormat*) {
  return {};
}
std::vector<RectF> Graphics::MeasureCharacterRanges(std::u16string_view, const Font&, const RectF&,
                                                    const StringFormat&) {
  return {};
}
void Graphics::SetClip(const RectF&, CombineMode) {}
void Graphics::SetClip(const Region&, CombineMode) {}
void Graphics::SetClip(const Path&, CombineMode) {}
void Graphics::ResetClip() { clip_.reset(); }
Region Graphics::GetClip() const { return clip_ ? *clip_ : Region(Rect{0, 0, target_->Width(), target_->Height()}); }
RectF Graphics::ClipBounds() const {
  const Rect r = GetClip().Bounds();
  return {float(r.x), float(r.y), float(r.width), float(r.height)};
}
void Graphics::SetTransform(const Matrix& m) { transform_ = m; }
void Graphics::ResetTransform() { transform_ = Matrix(); }
void Graphics::TranslateTransform(float dx, float dy, MatrixOrder o) { transform_.Translate(dx, dy, o); }
void Graphics::RotateTransform(float d, MatrixOrder o) { transform_.Rotate(d, o); }
void Graphics::ScaleTransform(float sx, float sy, MatrixOrder o) { transform_.Scale(sx, sy, o); }
void Graphics::ApplyClip() {}

}  // namespace quillmar::draw
