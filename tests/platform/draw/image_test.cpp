#include "platform/draw/image.h"

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/platform/draw/fuzz/image_decode_fuzz.h"

namespace quillmar::draw {
namespace {

using Bytes = std::vector<uint8_t>;

cairo_status_t AppendPng(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<Bytes*>(closure);
  out->insert(out->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

// A 3 × 2 PNG: opaque red, half-transparent green, transparent, then blue row.
Bytes MakePng() {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 3, 2);
  cairo_surface_flush(s);
  auto* px = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s));
  const int stride = cairo_image_surface_get_stride(s) / 4;
  px[0] = 0xFFFF0000;
  px[1] = 0x80008000;  // premultiplied half green
  px[2] = 0;
  for (int x = 0; x < 3; ++x) px[stride + x] = 0xFF0000FF;
  cairo_surface_mark_dirty(s);
  Bytes out;
  cairo_surface_write_to_png_stream(s, AppendPng, &out);
  cairo_surface_destroy(s);
  return out;
}

Bytes MakeJpeg() {
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 16, 8);
  gdk_pixbuf_fill(pixbuf, 0x3366CCFF);
  gchar* buffer = nullptr;
  gsize size = 0;
  gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "jpeg", nullptr, "quality", "100", nullptr);
  Bytes out(reinterpret_cast<uint8_t*>(buffer), reinterpret_cast<uint8_t*>(buffer) + size);
  g_free(buffer);
  g_object_unref(pixbuf);
  return out;
}

int AppendGif(GifFileType* file, const GifByteType* data, int length) {
  auto* out = static_cast<Bytes*>(file->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

// A 4 × 4 GIF of three frames with the given delays; frame i paints column i
// (palette index i + 1) over the earlier frames; index 0 is transparent.
Bytes MakeGif(const std::vector<int>& delays) {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, AppendGif, &error);
  GifColorType colors[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  ColorMapObject* map = GifMakeMapObject(4, colors);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, 4, 4, 2, 0, map);
  for (size_t i = 0; i < delays.size(); ++i) {
    GraphicsControlBlock gcb{DISPOSE_DO_NOT, false, delays[i], 0};
    GifByteType ext[4];
    const size_t n = EGifGCBToExtension(&gcb, ext);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext);
    EGifPutImageDesc(gif, 0, 0, 4, 4, false, nullptr);
    for (int y = 0; y < 4; ++y) {
      GifPixelType line[4] = {0, 0, 0, 0};
      line[i % 4] = static_cast<GifPixelType>(i % 3 + 1);
      EGifPutLine(gif, line, 4);
    }
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

TEST(DrawImage, DecodesPngWithPremultipliedPixels) {
  const Image image = Image::Decode(MakePng());
  ASSERT_FALSE(image.IsEmpty());
  EXPECT_EQ(image.Format(), ImageFormat::Png);
  EXPECT_EQ(image.Width(), 3);
  EXPECT_EQ(image.Height(), 2);
  EXPECT_EQ(image.Frame().RawPixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(image.Frame().RawPixel(1, 0), 0x80008000u);
  EXPECT_EQ(image.GetPixel(1, 0), 0x8000FF00u);
  EXPECT_EQ(image.Frame().RawPixel(2, 0), 0u);
  EXPECT_EQ(image.GetPixel(2, 1), 0xFF0000FFu);
  EXPECT_EQ(image.FrameCount(), 0);  // a still picture has no time axis
  EXPECT_TRUE(image.FrameDelays().empty());
}

TEST(DrawImage, DecodesJpegAsOpaque) {
  const Image image = Image::Decode(MakeJpeg());
  ASSERT_FALSE(image.IsEmpty());
  EXPECT_EQ(image.Format(), ImageFormat::Jpeg);
  EXPECT_EQ(image.Width(), 16);
  const Argb p = image.GetPixel(5, 5);
  EXPECT_EQ(p >> 24, 255u);
  EXPECT_NEAR(static_cast<int>((p >> 16) & 0xFF), 0x33, 3);
  EXPECT_NEAR(static_cast<int>(p & 0xFF), 0xCC, 3);
}

TEST(DrawImage, GifFramesKeepTheirExactDelaysAndCompose) {
  Image image = Image::Decode(MakeGif({10, 20, 0}));
  ASSERT_FALSE(image.IsEmpty());
  EXPECT_EQ(image.Format(), ImageFormat::Gif);
  EXPECT_EQ(image.FrameCount(), 3);
  EXPECT_EQ(image.FrameDelays(), (std::vector<int>{10, 20, 0}));
  EXPECT_EQ(image.ActiveFrame(), 0);
  EXPECT_EQ(image.GetPixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(image.GetPixel(1, 0), 0u);  // transparent index
  ASSERT_TRUE(image.SelectActiveFrame(2));
  EXPECT_EQ(image.GetPixel(0, 0), 0xFFFF0000u);  // earlier frames stay (no disposal)
  EXPECT_EQ(image.GetPixel(1, 3), 0xFF00FF00u);
  EXPECT_EQ(image.GetPixel(2, 3), 0xFF0000FFu);
  EXPECT_FALSE(image.SelectActiveFrame(3));
  EXPECT_FALSE(image.SelectActiveFrame(-1));
  EXPECT_EQ(image.ActiveFrame(), 2);
}

TEST(DrawImage, CorruptOrTruncatedBytesGiveAnEmptyImageOrWholeFramesOnly) {
  EXPECT_TRUE(Image::Decode({}).IsEmpty());
  const Bytes junk = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 1, 2, 3};
  EXPECT_TRUE(Image::Decode(junk).IsEmpty());
  Bytes png = MakePng();
  png.resize(png.size() / 2);
  EXPECT_TRUE(Image::Decode(png).IsEmpty());
  Bytes badPng = MakePng();
  for (size_t i = 40; i < badPng.size(); i += 3) badPng[i] ^= 0x5A;
  (void)Image::Decode(badPng);  // must not crash; whatever comes out is fine
  const Bytes gif = MakeGif({10, 20, 0});
  for (size_t cut = 0; cut < gif.size(); ++cut) {
    const Image partial = Image::Decode(std::span(gif.data(), cut));
    ASSERT_LE(partial.FrameCount(), 3) << cut;
    ASSERT_EQ(partial.FrameDelays().size(), static_cast<size_t>(partial.FrameCount()));
  }
  Bytes huge = MakeGif({5});
  huge[6] = huge[7] = huge[8] = huge[9] = 0xFF;  // claims 65535 × 65535
  EXPECT_TRUE(Image::Decode(huge).IsEmpty());
}

TEST(DrawImage, RandomlyDamagedPicturesNeverCrashTheDecoders) {
  std::mt19937 random(20261208);
  for (const Bytes& seed : {MakePng(), MakeJpeg(), MakeGif({10, 20, 0})}) {
    for (int round = 0; round < 150; ++round) {
      Bytes damaged = seed;
      const int flips = 1 + static_cast<int>(random() % 8);
      for (int i = 0; i < flips; ++i) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
      if (random() % 4 == 0) damaged.resize(random() % damaged.size());
      fuzz::FuzzImageDecode(damaged);
    }
  }
}

}  // namespace
}  // namespace quillmar::draw
