#pragma once
// Pictures the gallery shows, made in code so the program carries no files: an
// animated GIF (a spinner whose frame delays mix 0, short and long ones) and a
// still picture.

#include <cstdint>
#include <vector>

namespace quillmar::gallery {

// GIF bytes of a size × size spinner with one frame per delay (hundredths of a second).
std::vector<uint8_t> SpinnerGif(int size, const std::vector<int>& delays);

// PNG bytes of a size × size still picture (a soft diagonal gradient with a disc).
std::vector<uint8_t> StillPng(int size);

}  // namespace quillmar::gallery
