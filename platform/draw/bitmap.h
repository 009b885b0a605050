#pragma once
// A 32-bit premultiplied ARGB picture held in memory, top row first. Every canvas,
// composition target and effect frame is one. The pixel memory is exposed so the
// window system can present it without copying: each pixel is a native-endian
// uint32_t 0xAARRGGBB with the colour channels already multiplied by alpha.

#include <cstdint>
#include <memory>

#include "platform/draw/draw_types.h"

namespace quillmar::draw {

class Bitmap {
 public:
  Bitmap() = default;
  // A fully transparent (0x00000000) picture; sizes below 1 or too large give an empty one.
  Bitmap(int width, int height);
  // Copies premultiplied rows from memory (strideBytes between rows).
  static Bitmap FromPremultiplied(const uint32_t* pixels, int width, int height, int strideBytes);

  // A moved-from bitmap is empty.
  Bitmap(Bitmap&& other) noexcept;
  Bitmap& operator=(Bitmap&& other) noexcept;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  Bitmap Clone() const;
  // Copy of an area; parts outside the picture are transparent.
  Bitmap CloneArea(const Rect& area) const;

  bool IsEmpty() const { return width_ <= 0 || height_ <= 0; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Stride() const { return width_ * 4; }  // bytes from one row to the next
  uint32_t* Data() { return pixels_.get(); }
  const uint32_t* Data() const { return pixels_.get(); }
  uint32_t* Row(int y) { return pixels_.get() + static_cast<size_t>(y) * width_; }
  const uint32_t* Row(int y) const { return pixels_.get() + static_cast<size_t>(y) * width_; }

  // Straight ARGB of a pixel (0 outside the picture), as a decoder would report it.
  Argb GetPixel(int x, int y) const;
  void SetPixel(int x, int y, Argb color);
  // The stored premultiplied value (0 outside the picture).
  uint32_t RawPixel(int x, int y) const;
  // Sets every pixel to the colour (0x00FFFFFF stores 0x00000000: transparent).
  void Clear(Argb color);

 private:
  int width_ = 0;
  int height_ = 0;
  std::unique_ptr<uint32_t[]> pixels_;
};

}  // namespace quillmar::draw
