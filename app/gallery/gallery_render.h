#pragma once
// The gallery rendered without a display: every cell of the sheet saved as a
// PNG named for control and state, plus the whole sheet.

#include <string>
#include <vector>

namespace quillmar::gallery {

// Renders on a headless backend installed for the call and writes the pictures
// into dir (created when missing). Returns the file names written, in order;
// empty when the folder cannot be written.
std::vector<std::string> RenderGalleryPngs(const std::string& dir);

}  // namespace quillmar::gallery
