#include "platform/draw/image.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/draw/gif_decoder.h"
#include "platform/draw/still_decoder.h"

namespace quillmar::draw {

namespace {

bool StartsWith(std::span<const uint8_t> bytes, std::initializer_list<uint8_t> prefix) {
  return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

uint32_t Le32(std::span<const uint8_t> b, size_t at) {
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

// Only the loaders for the pictures the program uses, told apart by their
// signatures: every other loader stays out of reach of hostile bytes.
const char* LoaderFor(std::span<const uint8_t> bytes) {
  if (StartsWith(bytes, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return "png";
  if (StartsWith(bytes, {0xFF, 0xD8, 0xFF})) return "jpeg";
  if (StartsWith(bytes, {'B', 'M'})) return "bmp";
  if (StartsWith(bytes, {0, 0, 1, 0})) return "ico";
  return nullptr;
}

uint16_t Le16(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

// The BMP loader sizes its header buffer from the palette count and the picture from the
// declared size, before it has seen the pixels: the palette must fit its depth and lie in the
// file, and the pixel rows the header declares must be there, or a tiny file costs gigabytes.
bool BmpHeaderFitsFile(std::span<const uint8_t> b) {
  if (b.size() < 18) return false;
  const uint64_t size = b.size();
  const uint64_t pixelsAt = Le32(b, 10);
  const uint64_t infoSize = Le32(b, 14);
  if (pixelsAt > size || 14 + infoSize > size) return false;
  const bool core = infoSize == 12;  // the oldest header: 16-bit sizes, 3-byte palette entries
  if (!core && infoSize < 40) return false;
  if (14 + infoSize < (core ? 26u : 54u)) return false;
  const int64_t width = core ? int64_t{static_cast<int16_t>(Le16(b, 18))} : int64_t{static_cast<int32_t>(Le32(b, 18))};
  const int64_t rawHeight =
      core ? int64_t{static_cast<int16_t>(Le16(b, 20))} : int64_t{static_cast<int32_t>(Le32(b, 22))};
  const uint64_t height = static_cast<uint64_t>(rawHeight < 0 ? -rawHeight : rawHeight);
  const unsigned depth = Le16(b, core ? 24 : 28);
  const uint32_t compression = core ? 0 : Le32(b, 30);
  if (width <= 0 || height == 0) return false;
  if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32) return false;

  uint64_t paletteCount = core ? 0 : Le32(b, 46);
  if (depth <= 8) {
    if (paletteCount == 0 || core) paletteCount = uint64_t{1} << depth;
    if (paletteCount > (uint64_t{1} << depth)) return false;
  } else if (paletteCount > 256) {
    return false;  // an optional table for true-colour pictures, never larger
  }
  if (14 + infoSize + paletteCount * (core ? 3 : 4) > size) return false;

  const uint64_t dataBytes = size - pixelsAt;
  const uint64_t pixels = static_cast<uint64_t>(width) * height;
  if (compression == 1 || compression == 2) {
    // Run-length data: one two-byte run paints at most 255 pixels.
    return dataBytes > 0 && pixels <= dataBytes * 128;
  }
  const uint64_t rowBytes = (static_cast<uint64_t>(width) * depth + 31) / 32 * 4;
  return rowBytes * height <= dataBytes;
}

// An icon's picture is a PNG or a BMP without its file header; for the latter the loader sizes
// its header buffer from the palette count, which has to fit the depth and lie in the file.
bool IcoImagePaletteFits(std::span<const uint8_t> b, size_t at) {
  if (b[at] == 0x89 && b[at + 1] == 'P') return true;  // an embedded PNG
  const uint64_t infoSize = Le32(b, at);
  const unsigned depth = Le16(b, at + 14);
  uint64_t paletteCount = Le32(b, at + 32);
  if (depth <= 8 && paletteCount > (uint64_t{1} << depth)) return false;
  if (depth > 8 && paletteCount > 256) return false;
  if (depth <= 8 && paletteCount == 0) paletteCount = uint64_t{1} << depth;
  return at + infoSize + paletteCount * 4 <= b.size();
}

// The BMP and ICO loaders size a header buffer from offsets in the file before
// they report the picture's size: offsets and headers must lie inside the bytes.
bool HeadersInsideFile(std::string_view type, std::span<const uint8_t> b) {
  if (type == "bmp") return BmpHeaderFitsFile(b);
  if (type == "ico") {
    if (b.size() < 6) return false;
    const size_t count = b[4] | size_t{b[5]} << 8;
    if (count == 0 || 6 + 16 * count > b.size()) return false;
    for (size_t i = 0; i < count; ++i) {
      const uint64_t at = Le32(b, 6 + 16 * i + 12);
      if (at + 40 > b.size()) return false;  // the image's info header
      if (!IcoImagePaletteFits(b, static_cast<size_t>(at))) return false;
    }
  }
  return true;
}

ImageFormat FormatNamed(const std::string& name) {
  if (name == "png") return ImageFormat::Png;
  if (name == "jpeg") return ImageFormat::Jpeg;
  if (name == "gif") return ImageFormat::Gif;
  if (name == "bmp") return ImageFormat::Bmp;
  if (name == "ico") return ImageFormat::Ico;
  return ImageFormat::Other;
}

}  // namespace

Image Image::Decode(std::span<const uint8_t> bytes) {
  Image image;
  if (bytes.empty()) return image;
  if (gif::LooksLikeGif(bytes)) {
    gif::Frames frames = gif::Decode(bytes);
    if (frames.pictures.empty()) return image;
    image.timeFrames_ = static_cast<int>(frames.pictures.size());
    image.frames_ = std::move(frames.pictures);
    image.delays_ = std::move(frames.delays);
    image.format_ = ImageFormat::Gif;
    return image;
  }
  const char* type = LoaderFor(bytes);
  if (type == nullptr || !HeadersInsideFile(type, bytes)) return image;
  Bitmap frame = still::Decode(type, bytes);
  if (!frame.IsEmpty()) {
    image.frames_.push_back(std::move(frame));
    image.format_ = FormatNamed(type);
  }
  return image;
}

Image Image::FromBitmap(Bitmap bitmap) {
  Image image;
  if (bitmap.IsEmpty()) return image;
  image.frames_.push_back(std::move(bitmap));
  image.format_ = ImageFormat::Other;
  return image;
}

int Image::Width() const { return Frame().Width(); }
int Image::Height() const { return Frame().Height(); }

bool Image::SelectActiveFrame(int index) {
  if (index < 0 || index >= static_cast<int>(frames_.size())) return false;
  active_ = index;
  return true;
}

const Bitmap& Image::Frame() const {
  static const Bitmap empty;
  return frames_.empty() ? empty : frames_[static_cast<size_t>(active_)];
}

Bitmap& Image::MutableFrame() {
  static Bitmap empty;  // stays empty: an empty bitmap cannot be drawn into
  return frames_.empty() ? empty : frames_[static_cast<size_t>(active_)];
}

}  // namespace quillmar::draw
