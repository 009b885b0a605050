// Still pictures through GDI+'s decoders, which read the size first and the pixels only
// when they are asked for: a declared size over the limit never allocates them.
#include "platform/draw/com_stream.h"
#include "platform/draw/gdiplus_session.h"
#include "platform/draw/gif_decoder.h"
#include "platform/draw/still_decoder.h"

namespace quillmar::draw::still {

Bitmap Decode(const char* /*type*/, std::span<const uint8_t> bytes) {
  gdiplus::EnsureStarted();
  gdiplus::StreamPtr stream = gdiplus::ReadStream(bytes.data(), bytes.size());
  if (!stream) return {};
  Gdiplus::Bitmap decoded(stream.get());  // reads from the stream, which outlives it
  if (decoded.GetLastStatus() != Gdiplus::Ok) return {};
  const auto width = static_cast<int64_t>(decoded.GetWidth());
  const auto height = static_cast<int64_t>(decoded.GetHeight());
  if (width <= 0 || height <= 0 || width * height > kMaxDecodedPixels) return {};
  Bitmap out(static_cast<int>(width), static_cast<int>(height));
  if (out.IsEmpty()) return {};
  Gdiplus::Rect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
  Gdiplus::BitmapData data{};
  // Straight colours out of the decoder, premultiplied with the program's own rounding.
  if (decoded.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok) return {};
  for (int y = 0; y < out.Height(); ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(data.Scan0) +
                                                        static_cast<ptrdiff_t>(y) * data.Stride);
    uint32_t* dst = out.Row(y);
    for (int x = 0; x < out.Width(); ++x) dst[x] = Premultiply(row[x]);
  }
  decoded.UnlockBits(&data);
  return out;
}

}  // namespace quillmar::draw::still
