#pragma once
// A picture decoded from encoded bytes held in memory (PNG, JPEG, GIF, BMP, ICO and
// whatever else the decoders know), with its frames along the time axis for
// animated GIFs. Frames are stored as whole premultiplied pictures.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/draw/bitmap.h"

namespace quillmar::draw {

enum class ImageFormat { None, Png, Jpeg, Gif, Bmp, Ico, Other };

class Image {
 public:
  Image() = default;  // empty
  // Decodes the bytes; anything unreadable, truncated or absurdly large gives an
  // empty image, never a crash.
  static Image Decode(std::span<const uint8_t> bytes);
  // A picture made from an existing bitmap (one frame, no time axis).
  static Image FromBitmap(Bitmap bitmap);

  bool IsEmpty() const { return frames_.empty(); }
  int Width() const;
  int Height() const;
  ImageFormat Format() const { return format_; }

  // Frames along the time axis: the GIF frame count, 0 for a still picture.
  int FrameCount() const { return timeFrames_; }
  // One delay per frame in hundredths of a second, in frame order (empty when still).
  const std::vector<int>& FrameDelays() const { return delays_; }
  // Makes a frame the one drawn; false (and no change) for an index out of range.
  bool SelectActiveFrame(int index);
  int ActiveFrame() const { return active_; }
  // Pixels of the active frame (an empty bitmap for an empty image).
  const Bitmap& Frame() const;
  Bitmap& MutableFrame();
  // Straight ARGB of a pixel of the active frame.
  Argb GetPixel(int x, int y) const { return Frame().GetPixel(x, y); }

 private:
  std::vector<Bitmap> frames_;
  std::vector<int> delays_;
  int timeFrames_ = 0;
  int active_ = 0;
  ImageFormat format_ = ImageFormat::None;
};

}  // namespace quillmar::draw
