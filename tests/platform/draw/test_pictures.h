#pragma once
// Encoders for test pictures, so tests make their PNG, JPEG and GIF bytes instead
// of keeping binary files.

#ifdef _WIN32
#include "platform/draw/com_stream.h"
#include "platform/draw/gdiplus_session.h"
#else
#include <gdk-pixbuf/gdk-pixbuf.h>
#endif
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

#ifdef _WIN32
// The system's encoders know no icons and write BMPs their own way: these two are written
// here as the Linux savers write them (24-bit rows bottom up; a 32-bit BGRA icon).
inline void PutLe(Bytes& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline Bytes EncodeSolidBmp(int width, int height, uint32_t rgba) {
  const uint32_t row = (static_cast<uint32_t>(width) * 3 + 3) / 4 * 4;
  Bytes out{'B', 'M'};
  PutLe(out, 54 + row * height, 4);
  PutLe(out, 0, 4);
  PutLe(out, 54, 4);
  for (uint32_t v : {40u, static_cast<uint32_t>(width), static_cast<uint32_t>(height)}) PutLe(out, v, 4);
  PutLe(out, 1, 2);
  PutLe(out, 24, 2);
  for (int i = 0; i < 6; ++i) PutLe(out, 0, 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      out.insert(out.end(), {uint8_t(rgba >> 8), uint8_t(rgba >> 16), uint8_t(rgba >> 24)});
    out.resize(out.size() + (row - width * 3), 0);
  }
  return out;
}

inline Bytes EncodeSolidIco(int size, uint32_t rgba) {
  const uint32_t mask = (static_cast<uint32_t>(size) + 31) / 32 * 4;
  const uint32_t image = 40 + size * size * 4 + mask * size;
  Bytes out;
  PutLe(out, 0, 2);
  PutLe(out, 1, 2);
  PutLe(out, 1, 2);
  out.insert(out.end(), {uint8_t(size), uint8_t(size), 0, 0});
  PutLe(out, 1, 2);
  PutLe(out, 32, 2);
  PutLe(out, image, 4);
  PutLe(out, 22, 4);
  for (uint32_t v : {40u, static_cast<uint32_t>(size), static_cast<uint32_t>(size * 2)}) PutLe(out, v, 4);
  PutLe(out, 1, 2);
  PutLe(out, 32, 2);
  for (int i = 0; i < 6; ++i) PutLe(out, 0, 4);
  for (int i = 0; i < size * size; ++i) {
    out.insert(out.end(), {uint8_t(rgba >> 8), uint8_t(rgba >> 16), uint8_t(rgba >> 24), uint8_t(rgba)});
  }
  out.resize(out.size() + mask * size, 0);
  return out;
}

// A JPEG at full quality through GDI+.
inline Bytes EncodeSolidJpeg(int width, int height, uint32_t rgba) {
  namespace gp = Gdiplus;
  draw::gdiplus::EnsureStarted();
  gp::Bitmap bitmap(width, height, PixelFormat24bppRGB);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      bitmap.SetPixel(x, y, gp::Color(uint8_t(rgba >> 24), uint8_t(rgba >> 16), uint8_t(rgba >> 8)));
  }
  UINT count = 0, size = 0;
  gp::GetImageEncodersSize(&count, &size);
  std::vector<uint64_t> block((size + 7) / 8);
  auto* codecs = reinterpret_cast<gp::ImageCodecInfo*>(block.data());
  gp::GetImageEncoders(count, size, codecs);
  for (UINT i = 0; i < count; ++i) {
    if (std::wcscmp(codecs[i].MimeType, L"image/jpeg") != 0) continue;
    ULONG quality = 100;
    gp::EncoderParameters params{};
    params.Count = 1;
    params.Parameter[0] = {gp::EncoderQuality, 1, gp::EncoderParameterValueTypeLong, &quality};
    draw::gdiplus::StreamPtr stream = draw::gdiplus::WriteStream();
    if (bitmap.Save(stream.get(), &codecs[i].Clsid, &params) != gp::Ok) return {};
    return draw::gdiplus::StreamBytes(stream.get());
  }
  return {};
}

// A picture of one colour (0xRRGGBBAA) in "jpeg", "bmp" or "ico" (square, with alpha).
inline Bytes EncodeSolid(const char* type, int width, int height, uint32_t rgba, bool /*alpha*/ = false) {
  if (std::strcmp(type, "bmp") == 0) return EncodeSolidBmp(width, height, rgba);
  if (std::strcmp(type, "ico") == 0) return EncodeSolidIco(width, rgba);
  return EncodeSolidJpeg(width, height, rgba);
}
#else
// A picture of one colour (0xRRGGBBAA as the pixbuf fill takes it) in a format the
// pixbuf savers write ("jpeg", "bmp", "ico", "png").
inline Bytes EncodeSolid(const char* type, int width, int height, uint32_t rgba, bool alpha = false) {
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
#endif

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
