#include "app/gallery/demo_pictures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/draw/bitmap.h"
#include "platform/draw/png_encoder.h"

namespace quillmar::gallery {
namespace {

constexpr int kDots = 8;

void Put16(std::vector<uint8_t>& out, int v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

// Palette index of a pixel of the spinner in frame `frame`: 0 clear, 1 a dim
// dot, 2 the lit dot, 3 the dot just before it.
uint8_t SpinnerPixel(int size, int frame, int x, int y) {
  const double c = (size - 1) / 2.0;
  const double ring = size * 0.34;
  const double radius = size * 0.1;
  for (int d = 0; d < kDots; ++d) {
    const double angle = 2 * std::numbers::pi * d / kDots;
    const double dx = x - (c + ring * std::sin(angle));
    const double dy = y - (c - ring * std::cos(angle));
    if (dx * dx + dy * dy > radius * radius) continue;
    const int lit = frame % kDots;
    if (d == lit) return 2;
    if (d == (lit + kDots - 1) % kDots) return 3;
    return 1;
  }
  return 0;
}

// LZW data with 8-bit codes only: a clear code every 64 pixels keeps the code
// table far below the point where the code width would grow.
void PutImageData(std::vector<uint8_t>& out, const std::vector<uint8_t>& pixels) {
  constexpr uint8_t kMinCodeSize = 7;
  constexpr uint8_t kClear = 128;
  constexpr uint8_t kEnd = 129;
  std::vector<uint8_t> codes;
  for (size_t i = 0; i < pixels.size(); ++i) {
    if (i % 64 == 0) codes.push_back(kClear);
    codes.push_back(pixels[i]);
  }
  codes.push_back(kEnd);
  out.push_back(kMinCodeSize);
  for (size_t at = 0; at < codes.size(); at += 255) {
    const size_t n = std::min<size_t>(255, codes.size() - at);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), codes.begin() + static_cast<std::ptrdiff_t>(at),
               codes.begin() + static_cast<std::ptrdiff_t>(at + n));
  }
  out.push_back(0);
}

}  // namespace

std::vector<uint8_t> SpinnerGif(int size, const std::vector<int>& delays) {
  std::vector<uint8_t> out{'G', 'I', 'F', '8', '9', 'a'};
  Put16(out, size);
  Put16(out, size);
  out.insert(out.end(), {0xF1, 0, 0});  // global table of 4 colours
  out.insert(out.end(), {0, 0, 0, 0xB8, 0xC4, 0xD0, 0x1F, 0x6F, 0xC8, 0x6A, 0x9C, 0xD8});
  // Loop for ever.
  out.insert(out.end(), {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0});
  for (size_t f = 0; f < delays.size(); ++f) {
    out.insert(out.end(), {0x21, 0xF9, 4, 0x09});  // restore to background, index 0 clear
    Put16(out, delays[f]);
    out.insert(out.end(), {0, 0});
    out.push_back(0x2C);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, size);
    Put16(out, size);
    out.push_back(0);
    std::vector<uint8_t> pixels;
    pixels.reserve(static_cast<size_t>(size) * size);
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) pixels.push_back(SpinnerPixel(size, static_cast<int>(f), x, y));
    }
    PutImageData(out, pixels);
  }
  out.push_back(0x3B);
  return out;
}

std::vector<uint8_t> StillPng(int size) {
  draw::Bitmap picture(size, size);
  const double c = size / 2.0;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const double t = static_cast<double>(x + y) / (2.0 * size);
      auto mix = [t](int a, int b) { return static_cast<uint32_t>(std::lround(a + (b - a) * t)); };
      draw::Argb color = 0xFF000000 | (mix(0x3A, 0x9B) << 16) | (mix(0x6E, 0xC9) << 8) | mix(0xA8, 0xE8);
      const double dx = x + 0.5 - c * 1.25;
      const double dy = y + 0.5 - c * 0.75;
      if (dx * dx + dy * dy < size * size / 25.0) color = 0xFFF4D35E;
      picture.SetPixel(x, y, color);
    }
  }
  return draw::EncodePng(picture);
}

}  // namespace quillmar::gallery
