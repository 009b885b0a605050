// Gallery section of the popup menu: a right click opens it; the headless
// render pictures it open, and with the mouse over its first item.

#include <array>
#include <string>
#include <string_view>

#include "app/gallery/gallery_sections.h"
#include "app/gallery/gallery_sheet.h"
#include "platform/ws/headless_window_system.h"
#include "platform/ws/window_system.h"
#include "ui/controls/label.h"
#include "ui/controls/menu.h"
#include "ui/core/events.h"

namespace quillmar::gallery {
namespace {

// What a result's menu offers; the last item is greyed while nothing is selected.
constexpr std::array<std::string_view, 6> kItems = {"Copy magnet link", "Open in browser", "Search again", "-",
                                                    "Properties",       "Export selection"};
constexpr size_t kDisabledItem = kItems.size() - 1;

}  // namespace

void AddMenuSection(GallerySheet& sheet) {
  const Rect area = sheet.BeginSection("Menu", 24);
  auto& hint = sheet.Make<UiLabel>();
  hint.Create(&sheet.Window(), true, area.x, area.y, area.width, area.height,
              "Right-click anywhere in the window to open the menu.", {}, 12, 0xFF30343Au, 0u, 0x30FFFFFF,
              UiLabel::kAlignMiddle);

  auto& menu = sheet.Make<UiMenu>();
  for (size_t i = 0; i < kItems.size(); ++i) menu.InsertItem({}, kItems[i], {}, i == kDisabledItem ? 1 : 0);
  menu.SetUserHandler([&sheet](Hwnd, int32_t, uint32_t msg, WParam wParam, LParam) {
    const auto index = static_cast<size_t>(wParam);
    if (msg == Event::MenuItemChosen && index < kItems.size()) {
      sheet.SetStatus("Chose \"" + std::string(kItems[index]) + "\"");
    }
    return 1;
  });
  sheet.SetContextMenu([&menu] { menu.Popup(); });

  // Opened next to the section, as a right click there would.
  auto open = [&sheet, &menu, area](ws::HeadlessWindowSystem& headless) -> Hwnd {
    const Point at = ws::System().WindowRect(sheet.WindowHandle()).Origin().Offset(area.x + 40, area.y + 12);
    menu.Popup(at.x, at.y);
    headless.Advance(10);
    return menu.PopupWindow();
  };
  sheet.AddPopupShot("menu-open", open);
  sheet.AddPopupShot("menu-open-hover", [&menu, open](ws::HeadlessWindowSystem& headless) -> Hwnd {
    const Hwnd popup = open(headless);
    if (popup == 0) return 0;
    const Rect item = menu.ItemRect(0);
    headless.MoveMouse(ws::System().WindowRect(popup).Origin().Offset(60, item.y + item.height / 2));
    headless.Advance(10);
    return menu.PopupWindow();
  });
}

}  // namespace quillmar::gallery
