// Still pictures through gdk-pixbuf's loaders.
#include <gdk-pixbuf/gdk-pixbuf.h>

#include "platform/draw/gif_decoder.h"
#include "platform/draw/still_decoder.h"

namespace quillmar::draw::still {

namespace {

constexpr int64_t kMaxPixels = kMaxDecodedPixels;

struct LoaderState {
  bool tooLarge = false;
};

void OnSizePrepared(GdkPixbufLoader* loader, gint width, gint height, gpointer data) {
  if (width <= 0 || height <= 0 || int64_t{width} * height > kMaxPixels) {
    static_cast<LoaderState*>(data)->tooLarge = true;
    // A size of 0 tells the loader to stop before it allocates the pixels.
    gdk_pixbuf_loader_set_size(loader, 0, 0);
  }
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

Bitmap Decode(const char* type, std::span<const uint8_t> bytes) {
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type(type, nullptr);
  if (loader == nullptr) return {};
  LoaderState state;
  g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), &state);
  GError* error = nullptr;
  bool ok = gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size(), &error);
  if (error != nullptr) g_clear_error(&error);
  // Closing is required in every case; it also reports data cut short.
  ok = gdk_pixbuf_loader_close(loader, ok ? &error : nullptr) && ok;
  if (error != nullptr) g_clear_error(&error);
  GdkPixbuf* pixbuf = ok && !state.tooLarge ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  Bitmap frame = pixbuf != nullptr ? FromPixbuf(pixbuf) : Bitmap();
  g_object_unref(loader);
  return frame;
}

}  // namespace quillmar::draw::still
