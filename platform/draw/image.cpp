#include "platform/draw/image.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstring>
#include <string>

#include "platform/draw/gif_decoder.h"

namespace quillmar::draw {

namespace {

constexpr int64_t kMaxPixels = int64_t{64} << 20;

struct LoaderState {
  bool tooLarge = false;
};

void OnSizePrepared(GdkPixbufLoader* loader, gint width, gint height, gpointer data) {
  if (width <= 0 || height <= 0 || int64_t{width} * height > kMaxPixels) {
    static_cast<LoaderState*>(data)->tooLarge = true;
    gdk_pixbuf_loader_set_size(loader, 1, 1);  // decode nothing worth keeping
  }
}

ImageFormat FormatNamed(const std::string& name) {
  if (name == "png") return ImageFormat::Png;
  if (name == "jpeg") return ImageFormat::Jpeg;
  if (name == "gif") return ImageFormat::Gif;
  if (name == "bmp") return ImageFormat::Bmp;
  if (name == "ico") return ImageFormat::Ico;
  return ImageFormat::Other;
}

// Decoded rows are straight RGB(A) bytes: premultiply into the picture.
Bitmap FromPixbuf(GdkPixbuf* pixbuf) {
  if (gdk_pixbuf_get_colorspace(pixbuf) != GDK_COLORSPACE_RGB || gdk_pixbuf_get_bits_per_sample(pixbuf) != 8) {
    return {};
  }
  const int width = gdk_pixbuf_get_width(pixbuf);
  const int height = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
  if (channels < (alpha ? 4 : 3)) return {};
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guint8* pixels = gdk_pixbuf_read_pixels(pixbuf);
  Bitmap out(width, height);
  if (out.IsEmpty() || pixels == nullptr) return {};
  for (int y = 0; y < height; ++y) {
    const guint8* row = pixels + static_cast<ptrdiff_t>(y) * stride;
    uint32_t* dst = out.Row(y);
    for (int x = 0; x < width; ++x, row += channels) {
      const uint32_t a = alpha ? row[3] : 255u;
      dst[x] = Premultiply((a << 24) | (uint32_t{row[0]} << 16) | (uint32_t{row[1]} << 8) | row[2]);
    }
  }
  return out;
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
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  LoaderState state;
  g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), &state);
  GError* error = nullptr;
  bool ok = gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size(), &error);
  if (error != nullptr) g_clear_error(&error);
  // Closing is required in every case; it also reports data cut short.
  ok = gdk_pixbuf_loader_close(loader, ok ? &error : nullptr) && ok;
  if (error != nullptr) g_clear_error(&error);
  GdkPixbuf* pixbuf = ok && !state.tooLarge ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  if (pixbuf != nullptr) {
    Bitmap frame = FromPixbuf(pixbuf);
    if (!frame.IsEmpty()) {
      image.frames_.push_back(std::move(frame));
      GdkPixbufFormat* format = gdk_pixbuf_loader_get_format(loader);
      gchar* name = format != nullptr ? gdk_pixbuf_format_get_name(format) : nullptr;
      image.format_ = FormatNamed(name != nullptr ? name : "");
      g_free(name);
    }
  }
  g_object_unref(loader);
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
