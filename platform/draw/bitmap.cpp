#include "platform/draw/bitmap.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quillmar::draw {

namespace {
// Keeps a single picture below 1 GiB and every index inside int arithmetic.
constexpr int64_t kMaxPixels = int64_t{1} << 28;
constexpr int kMaxSide = 1 << 15;
}  // namespace

Bitmap::Bitmap(int width, int height) {
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || int64_t{width} * height > kMaxPixels) {
    return;
  }
  pixels_ = std::make_unique<uint32_t[]>(static_cast<size_t>(width) * height);  // zeroed
  width_ = width;
  height_ = height;
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      pixels_(std::move(other.pixels_)) {}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
  width_ = std::exchange(other.width_, 0);
  height_ = std::exchange(other.height_, 0);
  pixels_ = std::move(other.pixels_);
  return *this;
}

Bitmap Bitmap::FromPremultiplied(const uint32_t* pixels, int width, int height, int strideBytes) {
  Bitmap b(width, height);
  if (b.IsEmpty() || pixels == nullptr) return Bitmap();
  const auto* src = reinterpret_cast<const uint8_t*>(pixels);
  for (int y = 0; y < height; ++y) {
    std::memcpy(b.Row(y), src + static_cast<ptrdiff_t>(y) * strideBytes, static_cast<size_t>(width) * 4);
  }
  return b;
}

Bitmap Bitmap::Clone() const {
  if (IsEmpty()) return Bitmap();
  return FromPremultiplied(Data(), width_, height_, Stride());
}

Bitmap Bitmap::CloneArea(const Rect& area) const {
  Bitmap b(area.width, area.height);
  if (b.IsEmpty()) return b;
  const int x0 = std::max(area.x, 0);
  const int x1 = std::min(area.Right(), width_);
  const int y0 = std::max(area.y, 0);
  const int y1 = std::min(area.Bottom(), height_);
  for (int y = y0; y < y1 && x0 < x1; ++y) {
    std::memcpy(b.Row(y - area.y) + (x0 - area.x), Row(y) + x0, static_cast<size_t>(x1 - x0) * 4);
  }
  return b;
}

Argb Bitmap::GetPixel(int x, int y) const { return Unpremultiply(RawPixel(x, y)); }

uint32_t Bitmap::RawPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return Row(y)[x];
}

void Bitmap::SetPixel(int x, int y, Argb color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  Row(y)[x] = Premultiply(color);
}

void Bitmap::Clear(Argb color) {
  if (IsEmpty()) return;
  std::fill_n(pixels_.get(), static_cast<size_t>(width_) * height_, Premultiply(color));
}

}  // namespace quillmar::draw
