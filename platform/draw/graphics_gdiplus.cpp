// Shapes, pictures and the clip of Graphics, drawn by GDI+. The program's pixel model is
// GDI+'s own: shapes take the caller's offset mode as it is; pictures are always drawn
// with centres on .5, where stretching samples each source pixel at its middle.
#include <algorithm>
#include <cmath>

#include "platform/draw/graphics.h"
#include "platform/draw/graphics_gdiplus_impl.h"
#include "platform/draw/source_area.h"

namespace quillmar::draw {

namespace {

bool Smooth(SmoothingMode mode) { return mode == SmoothingMode::AntiAlias || mode == SmoothingMode::HighQuality; }

Gdiplus::Color ToColor(Argb c) { return Gdiplus::Color(static_cast<Gdiplus::ARGB>(c)); }

void SetMatrix(Gdiplus::Graphics& g, const Matrix& m) {
  Gdiplus::Matrix gm(m.m11, m.m12, m.m21, m.m22, m.dx, m.dy);
  g.SetTransform(&gm);
}

Gdiplus::InterpolationMode Filter(InterpolationMode mode) {
  switch (mode) {
    case InterpolationMode::NearestNeighbor:
      return Gdiplus::InterpolationModeNearestNeighbor;
    case InterpolationMode::HighQuality:
    case InterpolationMode::HighQualityBilinear:
      return Gdiplus::InterpolationModeHighQualityBilinear;
    case InterpolationMode::Bicubic:
    case InterpolationMode::HighQualityBicubic:
      return Gdiplus::InterpolationModeHighQualityBicubic;
    default:
      return Gdiplus::InterpolationModeBilinear;
  }
}

// Dash lengths in pen widths: dash 3, gap 1, dot 1.
void SetDashes(Gdiplus::Pen& pen, DashStyle dash) {
  static const Gdiplus::REAL kDash[] = {3, 1};
  static const Gdiplus::REAL kDot[] = {1, 1};
  static const Gdiplus::REAL kDashDot[] = {3, 1, 1, 1};
  static const Gdiplus::REAL kDashDotDot[] = {3, 1, 1, 1, 1, 1};
  switch (dash) {
    case DashStyle::Solid:
      return;
    case DashStyle::Dash:
      pen.SetDashPattern(kDash, 2);
      return;
    case DashStyle::Dot:
      pen.SetDashPattern(kDot, 2);
      return;
    case DashStyle::DashDot:
      pen.SetDashPattern(kDashDot, 4);
      return;
    case DashStyle::DashDotDot:
      pen.SetDashPattern(kDashDotDot, 6);
      return;
  }
}

std::unique_ptr<Gdiplus::Pen> MakePen(const Pen& pen) {
  const float width = pen.Width() > 0 ? pen.Width() : 1.0f;
  auto out = std::make_unique<Gdiplus::Pen>(ToColor(pen.Color()), width);
  out->SetLineJoin(Gdiplus::LineJoinMiter);
  SetDashes(*out, pen.GetDashStyle());
  return out;
}

// Builds the path's figures; arcs take angles on the ellipse itself, as GDI+ does.
void BuildPath(Gdiplus::GraphicsPath& out, const Path& path) {
  out.SetFillMode(path.GetFillMode() == FillMode::Alternate ? Gdiplus::FillModeAlternate : Gdiplus::FillModeWinding);
  Gdiplus::PointF current;
  bool haveCurrent = false;
  bool figureEmpty = true;
  for (const Path::Op& op : path.Ops()) {
    switch (op.kind) {
      case Path::OpKind::MoveTo:
        out.StartFigure();
        current = {op.p.x, op.p.y};
        haveCurrent = true;
        figureEmpty = true;
        break;
      case Path::OpKind::LineTo:
        if (haveCurrent) {
          out.AddLine(current, Gdiplus::PointF(op.p.x, op.p.y));
          figureEmpty = false;
        }
        current = {op.p.x, op.p.y};
        haveCurrent = true;
        break;
      case Path::OpKind::Arc: {
        if (op.newFigure) {
          out.StartFigure();
          haveCurrent = false;
          figureEmpty = true;
        }
        const float rx = op.box.width / 2, ry = op.box.height / 2;
        if (rx <= 0 || ry <= 0) {
          const Gdiplus::PointF centre(op.box.x + rx, op.box.y + ry);
          if (haveCurrent) out.AddLine(current, centre);
          current = centre;
          haveCurrent = true;
          break;
        }
        // A point moved to but not yet drawn from must still be joined to the arc.
        if (haveCurrent && figureEmpty) out.AddLine(current, current);
        const float sweep = std::clamp(op.sweep, -360.0f, 360.0f);
        out.AddArc(Gdiplus::RectF(op.box.x, op.box.y, op.box.width, op.box.height), op.start, sweep);
        out.GetLastPoint(&current);
        haveCurrent = true;
        figureEmpty = false;
        break;
      }
      case Path::OpKind::Close:
        out.CloseFigure();
        haveCurrent = false;
        figureEmpty = true;
        break;
    }
  }
}

}  // namespace

std::unique_ptr<Gdiplus::Brush> MakeBrush(const Brush& brush) {
  if (brush.IsSolid()) return std::make_unique<Gdiplus::SolidBrush>(ToColor(brush.Color()));
  const RectF& r = brush.GradientRect();
  const auto mode = static_cast<Gdiplus::LinearGradientMode>(brush.GradientMode());
  const bool clamp = brush.GetWrapMode() == WrapMode::Clamp;
  const bool axis =
      brush.GradientMode() == LinearGradientMode::Horizontal || brush.GradientMode() == LinearGradientMode::Vertical;
  if (clamp && axis && r.width > 0 && r.height > 0) {
    // GDI+ gradients only repeat: a far longer one whose colours change only inside the
    // rectangle keeps the end colours beyond it.
    const bool horizontal = brush.GradientMode() == LinearGradientMode::Horizontal;
    const float length = horizontal ? r.width : r.height;
    const float beyond = length * 1000;
    const Gdiplus::RectF wide = horizontal ? Gdiplus::RectF(r.x - beyond, r.y, length + 2 * beyond, r.height)
                                           : Gdiplus::RectF(r.x, r.y - beyond, r.width, length + 2 * beyond);
    auto out =
        std::make_unique<Gdiplus::LinearGradientBrush>(wide, ToColor(brush.Color()), ToColor(brush.Color2()), mode);
    const Gdiplus::Color colors[4] = {ToColor(brush.Color()), ToColor(brush.Color()), ToColor(brush.Color2()),
                                      ToColor(brush.Color2())};
    const float total = length + 2 * beyond;
    const Gdiplus::REAL positions[4] = {0, beyond / total, (beyond + length) / total, 1};
    out->SetInterpolationColors(colors, positions, 4);
    return out;
  }
  auto out = std::make_unique<Gdiplus::LinearGradientBrush>(Gdiplus::RectF(r.x, r.y, r.width, r.height),
                                                            ToColor(brush.Color()), ToColor(brush.Color2()), mode);
  out->SetWrapMode(brush.GetWrapMode() == WrapMode::Clamp ? Gdiplus::WrapModeTile
                                                          : static_cast<Gdiplus::WrapMode>(brush.GetWrapMode()));
  return out;
}

Graphics::Graphics(Bitmap& target) : target_(&target), impl_(std::make_unique<Impl>()) {
  gdiplus::EnsureStarted();
  if (target.IsEmpty()) impl_->scratch = Bitmap(1, 1);
  impl_->surface = gdiplus::Wrap(target.IsEmpty() ? impl_->scratch : target);
  if (impl_->surface) impl_->g = std::make_unique<Gdiplus::Graphics>(impl_->surface.get());
  if (impl_->g) impl_->g->SetCompositingMode(Gdiplus::CompositingModeSourceOver);
}

Graphics::~Graphics() {
  if (impl_->g) impl_->g->Flush(Gdiplus::FlushIntentionSync);
}

void Graphics::UseShapeSpace() {
  Gdiplus::Graphics& g = *impl_->g;
  const bool half = pixelOffset_ == PixelOffsetMode::Half || pixelOffset_ == PixelOffsetMode::HighQuality;
  SetMatrix(g, transform_);
  g.SetPixelOffsetMode(half ? Gdiplus::PixelOffsetModeHalf : Gdiplus::PixelOffsetModeNone);
  g.SetSmoothingMode(Smooth(smoothing_) ? Gdiplus::SmoothingModeAntiAlias : Gdiplus::SmoothingModeNone);
}

void Graphics::UseImageSpace() {
  Gdiplus::Graphics& g = *impl_->g;
  SetMatrix(g, transform_);
  g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  g.SetSmoothingMode(Smooth(smoothing_) ? Gdiplus::SmoothingModeAntiAlias : Gdiplus::SmoothingModeNone);
}

// Whole pixels of the clip take the colour exactly, so no GDI+ rounding is involved.
void Graphics::Clear(Argb color) {
  if (target_->IsEmpty() || !impl_->g) return;
  impl_->g->Flush(Gdiplus::FlushIntentionSync);
  const uint32_t value = Premultiply(color);
  Region area = GetClip();
  area.Intersect(Rect{0, 0, target_->Width(), target_->Height()});
  for (const Rect& r : area.Rects()) {
    for (int y = r.y; y < r.Bottom(); ++y) std::fill_n(target_->Row(y) + r.x, r.width, value);
  }
}

void Graphics::FillRectangle(const Brush& brush, const RectF& rect) {
  if (rect.IsEmpty() || !impl_->g) return;
  UseShapeSpace();
  impl_->g->FillRectangle(MakeBrush(brush).get(), Gdiplus::RectF(rect.x, rect.y, rect.width, rect.height));
}

void Graphics::DrawRectangle(const Pen& pen, const RectF& rect) {
  if (rect.width < 0 || rect.height < 0 || !impl_->g) return;
  RectF r = rect;
  // An inset pen stays inside the rectangle; a 1-wide pen already covers the edge pixels.
  if (pen.Alignment() == PenAlignment::Inset && pen.Width() > 1) {
    const float half = (pen.Width() - 1) / 2;
    r = {r.x + half, r.y + half, std::max(0.0f, r.width - 2 * half), std::max(0.0f, r.height - 2 * half)};
  }
  UseShapeSpace();
  // As a closed path, so every corner is joined the same way.
  Gdiplus::GraphicsPath path;
  path.AddRectangle(Gdiplus::RectF(r.x, r.y, r.width, r.height));
  impl_->g->DrawPath(MakePen(pen).get(), &path);
}

void Graphics::DrawLine(const Pen& pen, PointF from, PointF to) {
  if (!impl_->g) return;
  UseShapeSpace();
  impl_->g->DrawLine(MakePen(pen).get(), Gdiplus::PointF(from.x, from.y), Gdiplus::PointF(to.x, to.y));
}

void Graphics::FillPath(const Brush& brush, const Path& path) {
  if (!impl_->g || path.IsEmpty()) return;
  UseShapeSpace();
  Gdiplus::GraphicsPath built;
  BuildPath(built, path);
  impl_->g->FillPath(MakeBrush(brush).get(), &built);
}

void Graphics::DrawPath(const Pen& pen, const Path& path) {
  if (!impl_->g || path.IsEmpty()) return;
  UseShapeSpace();
  Gdiplus::GraphicsPath built;
  BuildPath(built, path);
  impl_->g->DrawPath(MakePen(pen).get(), &built);
}

void Graphics::DrawImage(const Bitmap& image, const RectF& dest, const RectF& source, WrapMode wrap) {
  if (image.IsEmpty() || dest.width == 0 || dest.height == 0 || source.IsEmpty() ||
      !std::isfinite(source.x + source.y + source.width + source.height) || !impl_->g) {
    return;
  }
  // Drawing a picture onto itself reads pixels that are being written: draw a copy.
  if (&image == target_) {
    const Bitmap copy = image.Clone();
    DrawImage(copy, dest, source, wrap);
    return;
  }
  const bool tile = wrap != WrapMode::Clamp;
  Bitmap area;
  const Bitmap* from = &image;
  RectF src = source;
  if (!tile) {
    // Only the source area feeds the picture; mirroring it at its edges repeats the edge
    // pixels for the filter, as extending them would.
    const Rect pixels = SourcePixels(source, image.Width(), image.Height());
    if (pixels != Rect{0, 0, image.Width(), image.Height()}) {
      area = image.CloneArea(pixels);
      from = &area;
    }
    src.x -= static_cast<float>(pixels.x);
    src.y -= static_cast<float>(pixels.y);
  }
  const auto picture = gdiplus::Wrap(*from);
  if (!picture) return;
  Gdiplus::ImageAttributes attributes;
  attributes.SetWrapMode(tile ? Gdiplus::WrapModeTile : Gdiplus::WrapModeTileFlipXY);
  UseImageSpace();
  impl_->g->SetInterpolationMode(Filter(interpolation_));
  impl_->g->DrawImage(picture.get(), Gdiplus::RectF(dest.x, dest.y, dest.width, dest.height), src.x, src.y, src.width,
                      src.height, Gdiplus::UnitPixel, &attributes);
}

Region Graphics::PathToRegion(const Path& path) {
  const int w = target_->Width();
  const int h = target_->Height();
  Region region;
  if (w <= 0 || h <= 0) return region;
  Bitmap mask(w, h);
  const auto surface = gdiplus::Wrap(mask);
  if (!surface) return region;
  {
    Gdiplus::Graphics g(surface.get());
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeNone);
    g.SetSmoothingMode(Gdiplus::SmoothingModeNone);
    SetMatrix(g, transform_);
    Gdiplus::GraphicsPath built;
    BuildPath(built, path);
    Gdiplus::SolidBrush opaque(Gdiplus::Color(255, 0, 0, 0));
    g.FillPath(&opaque, &built);
    g.Flush(Gdiplus::FlushIntentionSync);
  }
  for (int y = 0; y < h; ++y) {
    const uint32_t* row = mask.Row(y);
    for (int x = 0; x < w;) {
      if ((row[x] >> 24) < 128) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < w && (row[x] >> 24) >= 128) ++x;
      region.Union(Rect{start, y, x - start, 1});
    }
  }
  return region;
}

void Graphics::ApplyClip() {
  if (!impl_->g) return;
  Gdiplus::Graphics& g = *impl_->g;
  g.ResetClip();
  if (!clip_ && !bound_) return;
  const Region effective = GetClip();
  // In device pixels: the clip is set with no world transform.
  g.ResetTransform();
  Gdiplus::GraphicsPath rects;
  for (const Rect& r : effective.Rects()) rects.AddRectangle(Gdiplus::Rect(r.x, r.y, r.width, r.height));
  Gdiplus::Region clip(&rects);
  if (effective.IsEmpty()) clip.MakeEmpty();
  g.SetClip(&clip, Gdiplus::CombineModeReplace);
}

}  // namespace quillmar::draw
