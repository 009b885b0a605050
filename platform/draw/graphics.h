#pragma once
// Draws into a Bitmap: shapes, paths, pictures and text, with a clip and a world
// transform. Coordinates follow the program's convention: with the default pixel
// offset mode, pixel centres lie on whole coordinates, so a 1-wide line along
// y = 0 covers row 0 and a filled rectangle (2, 2, 5, 5) covers pixels 2 to 6.
// The clip is a set of whole pixels (edges are not antialiased).

#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/draw/bitmap.h"
#include "platform/draw/brush.h"
#include "platform/draw/draw_types.h"
#include "platform/draw/font.h"
#include "platform/draw/image.h"
#include "platform/draw/matrix.h"
#include "platform/draw/path.h"
#include "platform/draw/pen.h"
#include "platform/draw/region.h"
#include "platform/draw/string_format.h"

namespace quillmar::draw {

// Result of measuring a string in a layout rectangle.
struct TextMeasure {
  RectF bounds;              // where the shown text lies
  int codepointsFitted = 0;  // UTF-16 units shown (before an ellipsis)
  int linesFilled = 0;
};

class Graphics {
 public:
  // The bitmap must outlive the graphics.
  explicit Graphics(Bitmap& target);
  ~Graphics();
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  Bitmap& Target() { return *target_; }

  // Sets every pixel inside the clip to the colour, ignoring the transform.
  void Clear(Argb color);

  void FillRectangle(const Brush& brush, const RectF& rect);
  void DrawRectangle(const Pen& pen, const RectF& rect);
  void DrawLine(const Pen& pen, PointF from, PointF to);
  void FillPolygon(const Brush& brush, std::span<const PointF> points, FillMode mode = FillMode::Alternate);
  void FillPath(const Brush& brush, const Path& path);
  void DrawPath(const Pen& pen, const Path& path);

  // Pictures. Natural size at a point; stretched into a rectangle; or the source
  // rectangle (pixels) mapped onto the destination. With WrapMode::Tile the source
  // repeats beyond the picture, so a source larger than the picture tiles it from
  // the destination's top-left corner; with Clamp the edges are extended.
  void DrawImage(const Bitmap& image, float x, float y);
  void DrawImage(const Bitmap& image, const RectF& dest);
  void DrawImage(const Bitmap& image, const RectF& dest, const RectF& source, WrapMode wrap = WrapMode::Clamp);
  void DrawImage(const Image& image, float x, float y) { DrawImage(image.Frame(), x, y); }
  void DrawImage(const Image& image, const RectF& dest) { DrawImage(image.Frame(), dest); }
  void DrawImage(const Image& image, const RectF& dest, const RectF& source, WrapMode wrap = WrapMode::Clamp) {
    DrawImage(image.Frame(), dest, source, wrap);
  }

  // Text (UTF-16; a NUL ends it). A layout rectangle of width or height 0 is
  // unbounded in that direction. Without a format the text wraps in the width.
  void DrawString(std::u16string_view text, const Font& font, const RectF& layout, const StringFormat* format,
                  const Brush& brush);
  TextMeasure MeasureString(std::u16string_view text, const Font& font, const RectF& layout,
                            const StringFormat* format = nullptr);
  // Bounds of each of the format's measurable character ranges, in order.
  std::vector<RectF> MeasureCharacterRanges(std::u16string_view text, const Font& font, const RectF& layout,
                                            const StringFormat& format);

  // Clip (in device pixels once set; rectangles and paths go through the transform).
  void SetClip(const RectF& rect, CombineMode mode = CombineMode::Replace);
  void SetClip(const Region& region, CombineMode mode = CombineMode::Replace);
  void SetClip(const Path& path, CombineMode mode = CombineMode::Replace);
  void ResetClip();
  // A bound (device pixels) that every later clip is intersected with, and
  // that ResetClip returns to: whoever draws next can narrow it, never leave
  // it. nullopt removes the bound.
  void SetClipBound(std::optional<Region> bound);
  bool IsClipInfinite() const { return !clip_.has_value() && !bound_.has_value(); }
  Region GetClip() const;  // the whole bitmap when infinite
  RectF ClipBounds() const;

  // World transform.
  void SetTransform(const Matrix& matrix);
  const Matrix& Transform() const { return transform_; }
  void ResetTransform();
  void TranslateTransform(float dx, float dy, MatrixOrder order = MatrixOrder::Prepend);
  void RotateTransform(float degrees, MatrixOrder order = MatrixOrder::Prepend);
  void ScaleTransform(float sx, float sy, MatrixOrder order = MatrixOrder::Prepend);

  // Rendering modes; each changes pixels only where said.
  void SetSmoothingMode(SmoothingMode mode) { smoothing_ = mode; }  // AntiAlias/HighQuality smooth edges
  SmoothingMode GetSmoothingMode() const { return smoothing_; }
  void SetCompositingQuality(CompositingQuality q) { compositing_ = q; }  // kept, no effect
  CompositingQuality GetCompositingQuality() const { return compositing_; }
  void SetInterpolationMode(InterpolationMode mode) { interpolation_ = mode; }
  InterpolationMode GetInterpolationMode() const { return interpolation_; }
  void SetPixelOffsetMode(PixelOffsetMode mode) { pixelOffset_ = mode; }
  PixelOffsetMode GetPixelOffsetMode() const { return pixelOffset_; }
  void SetTextRenderingHint(TextRenderingHint hint) { textHint_ = hint; }
  TextRenderingHint GetTextRenderingHint() const { return textHint_; }

  struct Impl;

 private:
  void ApplyClip();
  void CombineClip(const Region& region, CombineMode mode);
  Region PathToRegion(const Path& path);
  void UseShapeSpace();
  void UseImageSpace();

  Bitmap* target_;
  std::unique_ptr<Impl> impl_;
  std::optional<Region> clip_;
  std::optional<Region> bound_;
  Matrix transform_;
  SmoothingMode smoothing_ = SmoothingMode::Default;
  CompositingQuality compositing_ = CompositingQuality::Default;
  InterpolationMode interpolation_ = InterpolationMode::Default;
  PixelOffsetMode pixelOffset_ = PixelOffsetMode::Default;
  TextRenderingHint textHint_ = TextRenderingHint::SystemDefault;
};

}  // namespace quillmar::draw
