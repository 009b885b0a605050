#pragma once
// The main window's background: a 544 x 445 JPEG drawn for the program and kept in it.
#include <cstdint>
#include <span>

namespace quillmar {

std::span<const uint8_t> BackgroundJpeg();

}  // namespace quillmar
