// Gallery sections of the list box and the scroll bar.

#include <string>

#include "app/gallery/gallery_sections.h"
#include "app/gallery/gallery_sheet.h"
#include "ui/controls/list_box.h"
#include "ui/controls/scroll_bar.h"

namespace quillmar::gallery {
namespace {

// A list of search results, as the program shows them.
UiListBox& AddResultList(GallerySheet& sheet, const Rect& r, int rows, int32_t rowSelect) {
  auto& list = sheet.Make<UiListBox>();
  ListBoxOptions options;
  options.rowSelect = rowSelect;
  options.gridLines = 1;
  list.Create(&sheet.Window(), true, r.x, r.y, r.width, r.height, 0, options);
  list.InsertColumn({}, "Title", {.width = 110, .align = 0});
  list.InsertColumn({}, "Magnet", {.width = 120, .align = 0});
  for (int i = 0; i < rows; ++i) {
    list.InsertRow({}, "Result " + std::to_string(i + 1), {.align = 0, .height = 20});
    list.SetCellText(i, 1, "magnet:?xt=urn:btih:" + std::to_string(1000 + i * 37));
  }
  list.Layout();
  sheet.AddFocusable(list);
  return list;
}

}  // namespace

void AddListSection(GallerySheet& sheet) {
  constexpr Size cell{184, 112};
  const Rect area = sheet.BeginSection("List box", 2 * (cell.height + 20));
  AddResultList(sheet, GallerySheet::Cell(area, 0, cell), 3, 0);
  sheet.AddShot("listbox-normal", GallerySheet::Cell(area, 0, cell), "normal");
  AddResultList(sheet, GallerySheet::Cell(area, 1, cell), 4, 1).SetHoverCell(0, 1);
  sheet.AddShot("listbox-hover", GallerySheet::Cell(area, 1, cell), "row under the mouse");
  AddResultList(sheet, GallerySheet::Cell(area, 2, cell), 4, 1).SetSelection(0, 2);
  sheet.AddShot("listbox-selected", GallerySheet::Cell(area, 2, cell), "row selected");
  UiListBox& scrolled = AddResultList(sheet, GallerySheet::Cell(area, 3, cell), 30, 1);
  if (UiScrollBar* bar = scrolled.GetVScroll()) bar->SetPosition(200);
  sheet.AddShot("listbox-scrolled", GallerySheet::Cell(area, 3, cell), "scrolled");
}

void AddScrollBarSection(GallerySheet& sheet) {
  constexpr Size cell{56, 100};
  const Rect area = sheet.BeginSection("Scroll bar", cell.height + 20);
  auto add = [&](int index, int32_t position, int32_t hotPart) -> UiScrollBar& {
    const Rect r = GallerySheet::Cell(area, index, cell);
    auto& bar = sheet.Make<UiScrollBar>();
    bar.Create(&sheet.Window(), true, r.x + (r.width - UiListBox::kBarThickness) / 2, r.y, UiListBox::kBarThickness,
               r.height, 0, 100, position, 1, 10, {}, false, {}, {});
    if (hotPart != UiScrollBar::kNone) bar.SetHotPart(hotPart);
    return bar;
  };
  add(0, 0, UiScrollBar::kNone);
  sheet.AddShot("scrollbar-normal", GallerySheet::Cell(area, 0, cell), "normal");
  add(1, 50, UiScrollBar::kThumb);
  sheet.AddShot("scrollbar-thumb-hot", GallerySheet::Cell(area, 1, cell), "thumb hot");
  add(2, 100, UiScrollBar::kSecondArrow);
  sheet.AddShot("scrollbar-arrow-hot", GallerySheet::Cell(area, 2, cell), "arrow hot");
  const Rect wide = Rect::FromXywh(area.x + 3 * (cell.width + 8), area.y, 150, cell.height);
  auto& horizontal = sheet.Make<UiScrollBar>();
  horizontal.Create(&sheet.Window(), true, wide.x, wide.y + 44, wide.width, UiListBox::kBarThickness, 0, 100, 30, 1, 10,
                    {}, true, {}, {});
  sheet.AddShot("scrollbar-horizontal", wide, "horizontal");
}

}  // namespace quillmar::gallery
