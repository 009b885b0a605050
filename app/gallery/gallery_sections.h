#pragma once
// The gallery's sections: one function per control adds its cells to the
// sheet. A new control joins the gallery with one function and one line in
// AllSections.

#include <vector>

namespace quillmar::gallery {

class GallerySheet;

using SectionFunction = void (*)(GallerySheet& sheet);

void AddLabelSection(GallerySheet& sheet);
void AddButtonSection(GallerySheet& sheet);
void AddPicBoxSection(GallerySheet& sheet);
void AddListSection(GallerySheet& sheet);
void AddScrollBarSection(GallerySheet& sheet);
void AddMenuSection(GallerySheet& sheet);

// Every section in the order the sheet shows them.
const std::vector<SectionFunction>& AllSections();

// Builds every section into the sheet.
void BuildSheet(GallerySheet& sheet);

}  // namespace quillmar::gallery
