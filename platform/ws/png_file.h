#pragma once
// Writing a picture to a PNG file, for the headless backend's records: Cairo
// on Linux, the Windows imaging component on Windows.

#include <cstdint>
#include <string>

#include "base/geometry.h"

namespace quillmar::ws {

// Writes `size` premultiplied 0xAARRGGBB pixels (rows packed) as an RGBA PNG.
// False, with the reason in *error when given, when the file cannot be written.
bool WritePremultipliedPng(const std::string& path, Size size, const uint32_t* pixels, std::string* error = nullptr);

}  // namespace quillmar::ws
