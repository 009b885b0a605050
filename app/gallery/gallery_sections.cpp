#include "app/gallery/gallery_sections.h"

#include "app/gallery/gallery_sheet.h"

namespace quillmar::gallery {

const std::vector<SectionFunction>& AllSections() {
  static const std::vector<SectionFunction> sections{AddLabelSection, AddButtonSection,    AddPicBoxSection,
                                                     AddListSection,  AddScrollBarSection, AddMenuSection};
  return sections;
}

void BuildSheet(GallerySheet& sheet) {
  for (SectionFunction section : AllSections()) section(sheet);
}

}  // namespace quillmar::gallery
