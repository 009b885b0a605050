#include "platform/draw/image.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "tests/platform/draw/fuzz/image_decode_fuzz.h"
#include "tests/platform/draw/test_pictures.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLMAR_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QUILLMAR_ASAN 1
#endif
#ifdef QUILLMAR_ASAN
// From the sanitizer runtime (its header is not always installed).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, size_t),
                                                         void (*onFree)(const volatile void*));
#endif

namespace quillmar::draw {
namespace {

using test::Bytes;

// A 3 × 2 PNG: opaque red, half-transparent green, transparent, then a blue row.
Bytes MakePng() {
  Bitmap b(3, 2);
  b.SetPixel(0, 0, 0xFFFF0000);
  b.SetPixel(1, 0, 0x8000FF00);
  for (int x = 0; x < 3; ++x) b.SetPixel(x, 1, 0xFF0000FF);
  return test::EncodePng(b);
}

Bytes MakeJpeg() { return test::EncodeSolid("jpeg", 16, 8, 0x3366CCFF); }

Bytes MakeGif(const std::vector<int>& delays) { return test::EncodeGif(4, delays); }

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

TEST(DrawImage, EncodedPngDecodesToTheSamePixels) {
  Bitmap picture(7, 5);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) picture.SetPixel(x, y, (255u - x * 30) << 24 | (y * 40u) << 16 | 0x80FF);
  }
  const Image back = Image::Decode(EncodePng(picture));
  ASSERT_EQ(back.Width(), 7);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) ASSERT_EQ(back.Frame().RawPixel(x, y), picture.RawPixel(x, y)) << x << "," << y;
  }
  EXPECT_TRUE(EncodePng(Bitmap()).empty());
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

TEST(DrawImage, DecodesBmpAndIco) {
  const Image bmp = Image::Decode(test::EncodeSolid("bmp", 5, 3, 0x10203040));
  ASSERT_FALSE(bmp.IsEmpty());
  EXPECT_EQ(bmp.Format(), ImageFormat::Bmp);
  EXPECT_EQ(bmp.GetPixel(4, 2), 0xFF102030u);
  const Image ico = Image::Decode(test::EncodeSolid("ico", 16, 16, 0xFF000080, true));
  ASSERT_FALSE(ico.IsEmpty());
  EXPECT_EQ(ico.Format(), ImageFormat::Ico);
  EXPECT_EQ(ico.Frame().RawPixel(8, 8), 0x80800000u);  // half-transparent red, premultiplied
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

TEST(DrawImage, GifFrameCountIsCappedAndAStillGifHasOneTimedFrame) {
  const Image many = Image::Decode(test::EncodeGif(1, std::vector<int>(5000, 1)));
  EXPECT_EQ(many.FrameCount(), 4096);
  EXPECT_EQ(many.FrameDelays().size(), 4096u);
  const Image still = Image::Decode(MakeGif({7}));
  EXPECT_EQ(still.FrameCount(), 1);
  EXPECT_EQ(still.FrameDelays(), std::vector<int>{7});
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

Bytes ReadFuzzFind(const std::string& name) {
  std::ifstream in(std::string(QUILLMAR_FUZZ_FINDS_DIR) + "/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The largest single allocation seen while the probe is armed (sanitized builds only).
std::atomic<size_t> largestAllocation{0};
std::atomic<bool> watchingAllocations{false};
#ifdef QUILLMAR_ASAN
void OnMalloc(const volatile void*, size_t size) {
  if (!watchingAllocations.load(std::memory_order_relaxed)) return;
  size_t seen = largestAllocation.load(std::memory_order_relaxed);
  while (size > seen && !largestAllocation.compare_exchange_weak(seen, size)) {
  }
}
void OnFree(const volatile void*) {}
const bool hooksInstalled = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
#endif

size_t LargestAllocationWhileDecoding(const Bytes& bytes, bool* empty) {
  largestAllocation = 0;
  watchingAllocations = true;
  *empty = Image::Decode(bytes).IsEmpty();
  watchingAllocations = false;
  return largestAllocation;
}

TEST(DrawImage, PicturesDeclaringHugeSizesAreRefusedBeforeTheirPixelsAreAllocated) {
  // A 30-byte GIF whose screen claims 16384 × 16384 (a 1 GiB canvas).
  Bytes gif = MakeGif({5});
  gif[6] = gif[8] = 0x00;
  gif[7] = gif[9] = 0x40;
  gif.resize(30);
  // Found by fuzzing: a screen of 4098 × 12546 (under the pixel cap, but 200 MB per frame)
  // declared by a file that has no data to fill it.
  Bytes sparse = MakeGif({5});
  sparse[6] = 0x02, sparse[7] = 0x10, sparse[8] = 0x02, sparse[9] = 0x31;
  // A well-formed 24-bit BMP header claiming 20000 × 20000 pixels.
  Bytes bmp(58, 0);
  const auto put32 = [&bmp](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  bmp[0] = 'B', bmp[1] = 'M';
  put32(2, 58), put32(10, 54), put32(14, 40), put32(18, 20000), put32(22, 20000);
  bmp[26] = 1, bmp[28] = 24;
  // Found by fuzzing: BMP and ICO headers that ask the loaders for gigabytes.
  const std::pair<const char*, Bytes> inputs[] = {{"gif", gif},
                                                  {"gif screen without data", sparse},
                                                  {"large bmp", bmp},
                                                  {"bmp", ReadFuzzFind("bmp-declares-4gb.bmp")},
                                                  {"ico", ReadFuzzFind("ico-declares-huge.ico")},
                                                  {"ico palette", ReadFuzzFind("ico-palette-count-huge.ico")}};
  for (const auto& [name, bytes] : inputs) {
    ASSERT_GE(bytes.size(), 30u) << name;
    bool empty = false;
    const size_t largest = LargestAllocationWhileDecoding(bytes, &empty);
    EXPECT_TRUE(empty) << name;
    EXPECT_LT(largest, size_t{16} << 20) << name << ": nothing near the declared size is allocated";
  }
}

TEST(DrawImage, GifScreensLargerThanTheirFramesStillDecodeWithinTheFreeAllowance) {
  // A small frame on a 2048 × 2048 screen is legal GIF: the rest stays transparent.
  Bytes gif = MakeGif({5});
  gif[6] = gif[8] = 0x00;
  gif[7] = gif[9] = 0x08;
  const Image image = Image::Decode(gif);
  ASSERT_FALSE(image.IsEmpty());
  EXPECT_EQ(image.Width(), 2048);
  EXPECT_EQ(image.GetPixel(2047, 2047) >> 24, 0u);
}

// A BMP with a 40-byte info header: depth bits per pixel, `colours` palette entries
// (written as the palette count too), and `rows` rows of pixel data actually present.
Bytes MakeBmp(int width, int height, int depth, uint32_t colours, int rows) {
  const size_t rowBytes = (static_cast<size_t>(width) * depth + 31) / 32 * 4;
  const size_t pixelsAt = 54 + 4 * size_t{colours};
  Bytes bmp(pixelsAt + rowBytes * static_cast<size_t>(rows), 0);
  const auto put32 = [&bmp](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  bmp[0] = 'B', bmp[1] = 'M';
  put32(2, static_cast<uint32_t>(bmp.size())), put32(10, static_cast<uint32_t>(pixelsAt)), put32(14, 40);
  put32(18, static_cast<uint32_t>(width)), put32(22, static_cast<uint32_t>(height));
  bmp[26] = 1, bmp[28] = static_cast<uint8_t>(depth);
  put32(46, colours);
  for (uint32_t i = 0; i < colours; ++i) put32(54 + 4 * i, 0x00102030u * (i + 1));
  return bmp;
}

TEST(DrawImage, BmpPaletteAndPixelDataMustMatchTheHeader) {
  // Sound pictures still decode: paletted with a short palette, and true colour.
  const Image paletted = Image::Decode(MakeBmp(3, 2, 8, 2, 2));
  ASSERT_FALSE(paletted.IsEmpty());
  EXPECT_EQ(paletted.Width(), 3);
  EXPECT_EQ(paletted.GetPixel(0, 0), 0xFF102030u);  // palette entry 0, stored blue first
  EXPECT_FALSE(Image::Decode(MakeBmp(5, 4, 24, 0, 4)).IsEmpty());

  Bytes hugePalette = MakeBmp(2, 2, 8, 4, 2);
  hugePalette[46 + 3] = 0x40;                    // 2^30 colours in an 8-bit picture
  Bytes oneBitPalette = MakeBmp(2, 2, 1, 3, 2);  // one bit tells two colours apart, not three
  Bytes paletteOutside = MakeBmp(2, 2, 8, 2, 2);
  paletteOutside[46] = 200;  // the palette would run past the end of the file
  const std::pair<const char*, Bytes> refused[] = {
      {"no pixel data for 8192 x 8192", MakeBmp(8192, 8192, 24, 0, 0)},
      {"one row short", MakeBmp(5, 4, 24, 0, 3)},
      {"palette count over its depth", hugePalette},
      {"three colours at one bit", oneBitPalette},
      {"palette outside the file", paletteOutside},
      {"zero width", MakeBmp(0, 4, 24, 0, 4)},
  };
  for (const auto& [name, bytes] : refused) {
    bool empty = false;
    EXPECT_LT(LargestAllocationWhileDecoding(bytes, &empty), size_t{1} << 20) << name;
    EXPECT_TRUE(empty) << name;
  }
}

TEST(DrawImage, OnlyThePictureFormatsTheProgramUsesAreDecoded) {
  // A valid picture in a format the program never ships (portable anymap).
  const std::string pnm = "P6\n2 1\n255\n\xFF\x00\x00\x00\xFF\x00";
  EXPECT_TRUE(Image::Decode(Bytes(pnm.begin(), pnm.end())).IsEmpty());
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
