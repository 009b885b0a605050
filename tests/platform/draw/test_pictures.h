#pragma once
// Encoders for test pictures, so tests make their PNG, JPEG and GIF bytes instead
// of keeping binary files.

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gif_lib.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/draw/bitmap.h"
#include "platform/draw/png_encoder.h"

namespace quillmar::test {

using Bytes = std::vector<uint8_t>;

// PNG of a premultiplied picture.
inline Bytes EncodePng(const draw::Bitmap& picture) { return draw::EncodePng(picture); }

// A picture of one colour (0xRRGGBBAA as the pixbuf fill takes it) in a format the
// pixbuf savers write ("jpeg", "bmp", "ico", "png").
inline Bytes EncodeWithPixbuf(const char* type, int width, int height, uint32_t rgba, bool alpha = false) {
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, width, height);
  gdk_pixbuf_fill(pixbuf, rgba);
  gchar* buffer = nullptr;
  gsize size = 0;
  if (std::strcmp(type, "jpeg") == 0) {
    gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, type, nullptr, "quality", "100", nullptr);
  } else {
    gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, type, nullptr, nullptr);
  }
  Bytes out(reinterpret_cast<uint8_t*>(buffer), reinterpret_cast<uint8_t*>(buffer) + size);
  g_free(buffer);
  g_object_unref(pixbuf);
  return out;
}

inline int AppendGifBytes(GifFileType* file, const GifByteType* data, int length) {
  auto* out = static_cast<Bytes*>(file->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

// A GIF of size × size with one frame per delay; frame i fills column i % size with
// palette index i % 3 + 1 (red, green, blue) and leaves the rest at index 0, which
// is transparent when transparentZero is set (else black).
inline Bytes EncodeGif(int size, const std::vector<int>& delays, bool transparentZero = true) {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, AppendGifBytes, &error);
  GifColorType colors[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  ColorMapObject* map = GifMakeMapObject(4, colors);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, size, size, 2, 0, map);
  std::vector<GifPixelType> line(static_cast<size_t>(size));
  for (size_t i = 0; i < delays.size(); ++i) {
    GraphicsControlBlock gcb{DISPOSE_DO_NOT, false, delays[i], transparentZero ? 0 : NO_TRANSPARENT_COLOR};
    GifByteType ext[4];
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(EGifGCBToExtension(&gcb, ext)), ext);
    EGifPutImageDesc(gif, 0, 0, size, size, false, nullptr);
    for (int y = 0; y < size; ++y) {
      std::fill(line.begin(), line.end(), GifPixelType{0});
      line[i % static_cast<size_t>(size)] = static_cast<GifPixelType>(i % 3 + 1);
      EGifPutLine(gif, line.data(), size);
    }
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

}  // namespace quillmar::test
