#pragma once
// The built-in pictures of the caption buttons, drawn once in code: close
// (sizes in frame_metrics.h), maximize, restore and minimize, each normal, hover and pressed.

#include <array>

#include "ui/gfx/image.h"

namespace quillmar {

struct CaptionImages {
  std::array<ImageHandle, 3> close;  // normal, hover, pressed
  std::array<ImageHandle, 3> maximize;
  std::array<ImageHandle, 3> restore;
  std::array<ImageHandle, 3> minimize;
};

// The process-wide set, made on first use.
const CaptionImages& BuiltInCaptionImages();

}  // namespace quillmar
