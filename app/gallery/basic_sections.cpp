// Gallery sections of the label, the button and the picture box.

#include <memory>
#include <span>

#include "app/gallery/demo_pictures.h"
#include "app/gallery/gallery_sections.h"
#include "app/gallery/gallery_sheet.h"
#include "platform/draw/image.h"
#include "ui/controls/button.h"
#include "ui/controls/label.h"
#include "ui/controls/pic_box.h"

namespace quillmar::gallery {
namespace {

// Program text (GB18030): "标签" (label) and "按钮" (button).
constexpr std::string_view kLabelWord = "\xB1\xEA\xC7\xA9";
constexpr std::string_view kButtonWord = "\xB0\xB4\xC5\xA5";

ImageHandle Decoded(std::span<const uint8_t> bytes) {
  return std::make_shared<draw::Image>(draw::Image::Decode(bytes));
}

}  // namespace

void AddLabelSection(GallerySheet& sheet) {
  constexpr Size cell{86, 40};
  const Rect area = sheet.BeginSection("Label", 2 * (cell.height + 20));
  constexpr draw::Argb kBox = 0x55FFFFFF;
  struct Sample {
    const char* name;
    const char* caption;
    std::string text;
    int32_t align;
    draw::Argb shadow;
    int32_t style;
    int32_t singleLine;
  };
  const Sample samples[] = {
      {"label-normal", "normal", std::string(kLabelWord) + " Label", 3, 0x78000000, 0, 1},
      {"label-top-left", "align 0", "Top left", 0, 0x78000000, 0, 1},
      {"label-bottom-right", "align 12", "Bottom right", 12, 0x78000000, 0, 1},
      {"label-no-shadow", "no shadow", "Plain", 3, 0, 0, 1},
      {"label-bold", "bold", "Bold text", 3, 0x78000000, 1, 1},
      {"label-ellipsis", "cut", "A label far too long for its box", 2, 0x78000000, 0, 1},
      {"label-wrapped", "wrapped", "Two lines of wrapped text", 3, 0x78000000, 0, 0},
  };
  int index = 0;
  for (const Sample& s : samples) {
    const Rect r = GallerySheet::Cell(area, index++, cell);
    auto& label = sheet.Make<UiLabel>();
    label.Create(&sheet.Window(), true, r.x, r.y, r.width, r.height, s.text, {}, {}, {}, s.shadow, kBox, s.align);
    label.SetFontStyle(s.style);
    label.SetSingleLine(s.singleLine);
    sheet.AddShot(s.name, r, s.caption);
  }
}

void AddButtonSection(GallerySheet& sheet) {
  constexpr Size cell{86, 28};
  const Rect area = sheet.BeginSection("Button", 2 * (cell.height + 20));
  auto add = [&](int index, std::string_view text) -> UiButton& {
    const Rect r = GallerySheet::Cell(area, index, cell);
    auto& button = sheet.Make<UiButton>();
    button.Create(&sheet.Window(), true, r.x, r.y, r.width, r.height, text);
    sheet.AddKeyButton(button);
    return button;
  };
  auto shot = [&](int index, std::string name, std::string_view caption) {
    sheet.AddShot(std::move(name), GallerySheet::Cell(area, index, cell), caption);
  };
  add(0, "Normal");
  shot(0, "button-normal", "normal");
  add(1, "Hover").SetState(UiButton::State::Hover);
  shot(1, "button-hover", "hover");
  add(2, "Pressed").SetState(UiButton::State::Pressed);
  shot(2, "button-pressed", "pressed");
  UiButton& focused = add(3, "Focused");
  shot(3, "button-focused", "focused");
  add(4, "Disabled").SetDisabled(1);
  shot(4, "button-disabled", "disabled");
  {
    const Rect r = GallerySheet::Cell(area, 5, cell);
    auto& rounded = sheet.Make<UiButton>();
    rounded.Create(&sheet.Window(), true, r.x, r.y, r.width, r.height, kButtonWord, {}, {}, {}, 0xFF2F6FC8u,
                   0xFF2F6FC8u, {}, {}, UiButton::kShapeRounded);
    rounded.SetState(UiButton::State::Hover);
    sheet.AddKeyButton(rounded);
    shot(5, "button-accent-hover", "accent, hover");
  }
  add(6, "A caption far too long").SetTextFlags(0);
  shot(6, "button-ellipsis", "cut");
  focused.Focus();
}

void AddPicBoxSection(GallerySheet& sheet) {
  constexpr Size cell{64, 64};
  const Rect area = sheet.BeginSection("Picture box", cell.height + 20);
  // Delays of 0 and 7 show for 100 and 70 ms, the long one for 300 ms.
  const ImageHandle spinner = Decoded(SpinnerGif(48, {7, 7, 0, 7, 7, 30, 7, 0}));
  const ImageHandle still = Decoded(StillPng(48));
  auto add = [&](int index, const ImageHandle& image, int32_t mode) -> UiPicBox& {
    const Rect r = GallerySheet::Cell(area, index, cell);
    auto& box = sheet.Make<UiPicBox>();
    box.Create(&sheet.Window(), true, r.x, r.y, r.width, r.height, image, mode);
    return box;
  };
  add(0, still, 0);
  sheet.AddShot("picbox-still", GallerySheet::Cell(area, 0, cell), "still");
  add(1, still, 2);
  sheet.AddShot("picbox-natural", GallerySheet::Cell(area, 1, cell), "natural size");
  UiPicBox& playing = add(2, spinner, 3);
  playing.Play();
  sheet.AddShot("picbox-gif-playing", GallerySheet::Cell(area, 2, cell), "GIF playing");
  // A picture of its own: the shown frame is a property of the picture.
  UiPicBox& paused = add(3, Decoded(SpinnerGif(48, {7, 7, 0, 7, 7, 30, 7, 0})), 3);
  paused.SetFrame(4);
  sheet.AddShot("picbox-gif-paused", GallerySheet::Cell(area, 3, cell), "paused");
  // The same playing box a moment later, on another frame.
  sheet.AddShot("picbox-gif-playing-later", GallerySheet::Cell(area, 2, cell), "", 250);
  // A button under the playing box pauses and resumes it.
  const Rect r = GallerySheet::Cell(area, 4, cell);
  auto& toggle = sheet.Make<UiButton>();
  toggle.Create(&sheet.Window(), true, r.x, r.y + 18, 70, 28, "Pause");
  toggle.SetUserHandler([&playing, &toggle](Hwnd, int32_t, uint32_t msg, WParam, LParam) {
    if (msg != Event::Click) return 1;
    if (playing.IsPlaying()) {
      playing.Pause();
      toggle.SetText("Play");
    } else {
      playing.Play();
      toggle.SetText("Pause");
    }
    return 1;
  });
  sheet.AddKeyButton(toggle);
}

}  // namespace quillmar::gallery
