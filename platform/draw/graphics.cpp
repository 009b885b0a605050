#include "platform/draw/graphics.h"

#include <algorithm>
#include <cmath>

#include "platform/draw/graphics_impl.h"
#include "platform/draw/region_impl.h"
#include "platform/draw/source_area.h"

namespace quillmar::draw {

namespace {

constexpr double kPi = 3.14159265358979323846;

bool Smooth(SmoothingMode mode) { return mode == SmoothingMode::AntiAlias || mode == SmoothingMode::HighQuality; }

}  // namespace

void ApplyBrush(cairo_t* cr, const Brush& brush) {
  if (brush.IsSolid()) {
    cairo_set_source(cr, cairo::SolidPattern(brush.Color()).get());
    return;
  }
  const RectF& r = brush.GradientRect();
  double x0 = r.x, y0 = r.y, x1 = r.Right(), y1 = r.y;
  switch (brush.GradientMode()) {
    case LinearGradientMode::Horizontal:
      break;
    case LinearGradientMode::Vertical:
      x1 = r.x;
      y1 = r.Bottom();
      break;
    case LinearGradientMode::ForwardDiagonal:
      y1 = r.Bottom();
      break;
    case LinearGradientMode::BackwardDiagonal:
      x0 = r.Right();
      x1 = r.x;
      y1 = r.Bottom();
      break;
  }
  cairo::PatternPtr p(cairo_pattern_create_linear(x0, y0, x1, y1));
  auto stop = [&](double at, Argb c) {
    cairo_pattern_add_color_stop_rgba(p.get(), at, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                                      (c & 0xFF) / 255.0, (c >> 24) / 255.0);
  };
  stop(0, brush.Color());
  stop(1, brush.Color2());
  cairo_pattern_set_extend(p.get(), brush.GetWrapMode() == WrapMode::Clamp ? CAIRO_EXTEND_PAD : CAIRO_EXTEND_REPEAT);
  cairo_set_source(cr, p.get());
}

namespace {

void SetPen(cairo_t* cr, const Pen& pen) {
  cairo_set_source(cr, cairo::SolidPattern(pen.Color()).get());
  const double w = std::max(pen.Width(), 0.0f) > 0 ? pen.Width() : 1.0;
  cairo_set_line_width(cr, w);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  static const double kDash[] = {3, 1};
  static const double kDot[] = {1, 1};
  static const double kDashDot[] = {3, 1, 1, 1};
  static const double kDashDotDot[] = {3, 1, 1, 1, 1, 1};
  const double* pattern = nullptr;
  int count = 0;
  switch (pen.GetDashStyle()) {
    case DashStyle::Solid:
      break;
    case DashStyle::Dash:
      pattern = kDash;
      count = 2;
      break;
    case DashStyle::Dot:
      pattern = kDot;
      count = 2;
      break;
    case DashStyle::DashDot:
      pattern = kDashDot;
      count = 4;
      break;
    case DashStyle::DashDotDot:
      pattern = kDashDotDot;
      count = 6;
      break;
  }
  double scaled[6];
  for (int i = 0; i < count; ++i) scaled[i] = pattern[i] * w;
  cairo_set_dash(cr, count > 0 ? scaled : nullptr, count, 0);
}

// An arc of the ellipse in box, angles measured on the ellipse itself (not on the
// unit circle it is scaled from), as callers give them.
void AddArc(cairo_t* cr, const Path::Op& op) {
  const double rx = op.box.width / 2.0;
  const double ry = op.box.height / 2.0;
  const double cx = op.box.x + rx;
  const double cy = op.box.y + ry;
  const double sweep = std::clamp<double>(op.sweep, -360.0, 360.0);
  auto param = [&](double degrees) {
    const double a = degrees * kPi / 180.0;
    // atan2 keeps the quadrant; add whole turns so the parameter follows the angle.
    const double turns = std::floor((a + kPi) / (2 * kPi));
    return std::atan2(rx * std::sin(a), ry * std::cos(a)) + turns * 2 * kPi;
  };
  if (op.newFigure) cairo_new_sub_path(cr);
  if (rx <= 0 || ry <= 0) {
    cairo_line_to(cr, cx, cy);
    return;
  }
  double t0 = param(op.start);
  double t1 = param(op.start + sweep);
  if (sweep >= 0 && t1 < t0) t1 += 2 * kPi;
  if (sweep < 0 && t1 > t0) t1 -= 2 * kPi;
  if (t1 - t0 > 2 * kPi) t1 -= 2 * kPi;  // never more than one turn
  if (t0 - t1 > 2 * kPi) t1 += 2 * kPi;
  if (std::abs(sweep) >= 360.0) t1 = t0 + (sweep > 0 ? 2 * kPi : -2 * kPi);
  cairo_matrix_t saved;
  cairo_get_matrix(cr, &saved);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  if (sweep >= 0) {
    cairo_arc(cr, 0, 0, 1, t0, t1);
  } else {
    cairo_arc_negative(cr, 0, 0, 1, t0, t1);
  }
  cairo_set_matrix(cr, &saved);
}

void BuildPath(cairo_t* cr, const Path& path) {
  cairo_new_path(cr);
  for (const Path::Op& op : path.Ops()) {
    switch (op.kind) {
      case Path::OpKind::MoveTo:
        cairo_move_to(cr, op.p.x, op.p.y);
        break;
      case Path::OpKind::LineTo:
        cairo_line_to(cr, op.p.x, op.p.y);
        break;
      case Path::OpKind::Arc:
        AddArc(cr, op);
        break;
      case Path::OpKind::Close:
        cairo_close_path(cr);
        break;
    }
  }
}

cairo_filter_t Filter(InterpolationMode mode) {
  switch (mode) {
    case InterpolationMode::NearestNeighbor:
      return CAIRO_FILTER_NEAREST;
    case InterpolationMode::HighQuality:
    case InterpolationMode::HighQualityBilinear:
    case InterpolationMode::HighQualityBicubic:
    case InterpolationMode::Bicubic:
      return CAIRO_FILTER_GOOD;
    default:
      return CAIRO_FILTER_BILINEAR;
  }
}

}  // namespace

Graphics::Graphics(Bitmap& target) : target_(&target), impl_(std::make_unique<Impl>()) {
  impl_->surface = cairo::Wrap(target);
  impl_->cr = cairo_create(impl_->surface.get());
}

Graphics::~Graphics() { cairo_surface_flush(impl_->surface.get()); }

// Shapes use pixel centres on whole coordinates unless the offset mode says half.
void Graphics::UseShapeSpace() {
  cairo_matrix_t m = cairo::ToCairo(transform_);
  if (pixelOffset_ != PixelOffsetMode::Half && pixelOffset_ != PixelOffsetMode::HighQuality) {
    m.x0 += 0.5;
    m.y0 += 0.5;
  }
  cairo_set_matrix(impl_->cr, &m);
  cairo_set_antialias(impl_->cr, Smooth(smoothing_) ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  cairo_set_operator(impl_->cr, CAIRO_OPERATOR_OVER);
}

void Graphics::UseImageSpace() {
  const cairo_matrix_t m = cairo::ToCairo(transform_);
  cairo_set_matrix(impl_->cr, &m);
  cairo_set_antialias(impl_->cr, Smooth(smoothing_) ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  cairo_set_operator(impl_->cr, CAIRO_OPERATOR_OVER);
}

void Graphics::Clear(Argb color) {
  cairo_t* cr = impl_->cr;
  cairo_identity_matrix(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source(cr, cairo::SolidPattern(color).get());
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
}

void Graphics::FillRectangle(const Brush& brush, const RectF& rect) {
  if (rect.IsEmpty()) return;
  UseShapeSpace();
  cairo_new_path(impl_->cr);
  cairo_rectangle(impl_->cr, rect.x, rect.y, rect.width, rect.height);
  ApplyBrush(impl_->cr, brush);
  cairo_fill(impl_->cr);
}

void Graphics::DrawRectangle(const Pen& pen, const RectF& rect) {
  if (rect.width < 0 || rect.height < 0) return;
  RectF r = rect;
  // An inset pen stays inside the rectangle; a 1-wide pen already covers the edge pixels.
  if (pen.Alignment() == PenAlignment::Inset && pen.Width() > 1) {
    const float half = (pen.Width() - 1) / 2;
    r = {r.x + half, r.y + half, std::max(0.0f, r.width - 2 * half), std::max(0.0f, r.height - 2 * half)};
  }
  UseShapeSpace();
  cairo_new_path(impl_->cr);
  cairo_rectangle(impl_->cr, r.x, r.y, r.width, r.height);
  SetPen(impl_->cr, pen);
  cairo_stroke(impl_->cr);
}

void Graphics::DrawLine(const Pen& pen, PointF from, PointF to) {
  UseShapeSpace();
  cairo_new_path(impl_->cr);
  cairo_move_to(impl_->cr, from.x, from.y);
  cairo_line_to(impl_->cr, to.x, to.y);
  SetPen(impl_->cr, pen);
  cairo_stroke(impl_->cr);
}

void Graphics::FillPath(const Brush& brush, const Path& path) {
  UseShapeSpace();
  BuildPath(impl_->cr, path);
  cairo_set_fill_rule(impl_->cr,
                      path.GetFillMode() == FillMode::Alternate ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
  ApplyBrush(impl_->cr, brush);
  cairo_fill(impl_->cr);
}

void Graphics::DrawPath(const Pen& pen, const Path& path) {
  UseShapeSpace();
  BuildPath(impl_->cr, path);
  SetPen(impl_->cr, pen);
  cairo_stroke(impl_->cr);
}

void Graphics::DrawImage(const Bitmap& image, const RectF& dest, const RectF& source, WrapMode wrap) {
  if (image.IsEmpty() || dest.width == 0 || dest.height == 0 || source.IsEmpty() ||
      !std::isfinite(source.x + source.y + source.width + source.height)) {
    return;
  }
  // Drawing a picture onto itself reads pixels that are being written: draw a copy.
  if (&image == target_) {
    const Bitmap copy = image.Clone();
    DrawImage(copy, dest, source, wrap);
    return;
  }
  cairo::SurfacePtr whole = cairo::Wrap(image);
  cairo::SurfacePtr surface;
  double originX = 0, originY = 0;
  const bool tile = wrap != WrapMode::Clamp;
  if (tile) {
    surface = std::move(whole);
  } else {
    // Only the source area feeds the picture, its edges extended outward.
    const Rect pixels = SourcePixels(source, image.Width(), image.Height());
    surface.reset(cairo_surface_create_for_rectangle(whole.get(), pixels.x, pixels.y, pixels.width, pixels.height));
    originX = pixels.x;
    originY = pixels.y;
  }
  cairo::PatternPtr pattern(cairo_pattern_create_for_surface(surface.get()));
  cairo_matrix_t m;
  cairo_matrix_init_translate(&m, source.x - originX, source.y - originY);
  cairo_matrix_scale(&m, source.width / dest.width, source.height / dest.height);
  cairo_matrix_translate(&m, -dest.x, -dest.y);
  cairo_pattern_set_matrix(pattern.get(), &m);
  cairo_pattern_set_extend(pattern.get(), tile ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(pattern.get(), Filter(interpolation_));
  UseImageSpace();
  cairo_new_path(impl_->cr);
  cairo_rectangle(impl_->cr, dest.x, dest.y, dest.width, dest.height);
  cairo_set_source(impl_->cr, pattern.get());
  cairo_fill(impl_->cr);
  cairo_set_source_rgb(impl_->cr, 0, 0, 0);  // lets go of the picture's memory
}

Region Graphics::PathToRegion(const Path& path) {
  const int w = target_->Width();
  const int h = target_->Height();
  Region region;
  if (w <= 0 || h <= 0) return region;
  cairo::SurfacePtr mask(cairo_image_surface_create(CAIRO_FORMAT_A8, w, h));
  cairo_t* cr = cairo_create(mask.get());
  cairo_matrix_t m = cairo::ToCairo(transform_);
  m.x0 += 0.5;
  m.y0 += 0.5;
  cairo_set_matrix(cr, &m);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  BuildPath(cr, path);
  cairo_set_fill_rule(cr,
                      path.GetFillMode() == FillMode::Alternate ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(mask.get());
  const unsigned char* data = cairo_image_surface_get_data(mask.get());
  const int stride = cairo_image_surface_get_stride(mask.get());
  for (int y = 0; y < h; ++y) {
    const unsigned char* row = data + static_cast<ptrdiff_t>(y) * stride;
    for (int x = 0; x < w;) {
      if (row[x] < 128) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < w && row[x] >= 128) ++x;
      region.Union(Rect{start, y, x - start, 1});
    }
  }
  return region;
}

void Graphics::ApplyClip() {
  cairo_t* cr = impl_->cr;
  cairo_reset_clip(cr);
  if (!clip_ && !bound_) return;
  const Region effective = GetClip();
  cairo_identity_matrix(cr);
  cairo_new_path(cr);
  const int n = cairo_region_num_rectangles(effective.impl()->region);
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t r;
    cairo_region_get_rectangle(effective.impl()->region, i, &r);
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
  }
  cairo_clip(cr);  // an empty path clips everything away
}

}  // namespace quillmar::draw
