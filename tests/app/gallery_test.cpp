// The gallery: its headless render and its keyboard use.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <set>

#include "app/gallery/gallery_render.h"
#include "app/gallery/gallery_sections.h"
#include "app/gallery/gallery_sheet.h"
#include "app/startup.h"
#include "platform/draw/image.h"
#include "platform/ws/headless_window_system.h"
#include "platform/ws/window_system.h"
#include "ui/controls/button.h"
#include "ui/core/element_record.h"
#include "ui/core/element_registry.h"

namespace quillmar {
namespace {

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The whole gallery shown on a headless backend, its first frames painted.
struct ShownGallery {
  ShownGallery() {
    InitModule();
    sheet = std::make_unique<gallery::GallerySheet>();
    gallery::BuildSheet(*sheet);
    sheet->Show();
    headless->Advance(50);
  }
  ws::ScopedHeadless headless;
  std::unique_ptr<gallery::GallerySheet> sheet;  // goes before the backend
};

TEST(QuillmarGallery, RenderSavesOnePicturePerStateNamedForControlAndState) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quillmar_gallery_test";
  std::filesystem::remove_all(dir);
  const std::vector<std::string> names = gallery::RenderGalleryPngs(dir.string());
  const std::set<std::string> unique(names.begin(), names.end());
  EXPECT_EQ(unique.size(), names.size());
  for (const char* expected :
       {"gallery-sheet.png", "label-bottom-right.png", "button-hover.png", "button-pressed.png", "button-focused.png",
        "button-disabled.png", "picbox-gif-playing.png", "menu-open.png", "menu-open-hover.png"}) {
    EXPECT_TRUE(unique.contains(expected)) << expected;
  }
  const std::regex shape("[a-z]+(-[a-z0-9]+)+\\.png");
  for (const std::string& name : names) {
    EXPECT_TRUE(std::regex_match(name, shape)) << name;
    EXPECT_FALSE(draw::Image::Decode(ReadFile(dir / name)).IsEmpty()) << name;
  }
  // The playing GIF has moved on between its two pictures.
  EXPECT_NE(ReadFile(dir / "picbox-gif-playing.png"), ReadFile(dir / "picbox-gif-playing-later.png"));
  std::filesystem::remove_all(dir);
}

TEST(QuillmarGallery, TabSkipsDisabledButtonsAndSpaceClicksTheFocusedOne) {
  ShownGallery shown;
  ws::ScopedHeadless& headless = shown.headless;
  gallery::GallerySheet& sheet = *shown.sheet;
  auto focused = [&] {
    ElementRecord* rec = Registry().Find(sheet.Window().FocusKey());
    return rec ? dynamic_cast<UiButton*>(rec->owner) : nullptr;
  };
  ASSERT_NE(focused(), nullptr);
  EXPECT_EQ(focused()->GetText(), "Focused");
  headless->PressKey(9);  // Tab: past the disabled button
  ASSERT_NE(focused(), nullptr);
  EXPECT_EQ(focused()->GetText(), "\xB0\xB4\xC5\xA5");
  headless->KeyDown(16);  // Shift+Tab goes back
  headless->PressKey(9);
  headless->KeyUp(16);
  EXPECT_EQ(focused()->GetText(), "Focused");
  headless->KeyDown(32);
  EXPECT_EQ(focused()->GetState(), UiButton::State::Pressed);
  headless->KeyUp(32);
  EXPECT_EQ(focused()->GetState(), UiButton::State::Normal);
  EXPECT_EQ(sheet.GetStatus(), "Clicked \"Focused\"");
}

TEST(QuillmarGallery, RightClickOpensTheMenuAndItsChoiceReachesTheStatus) {
  ShownGallery shown;
  ws::ScopedHeadless& headless = shown.headless;
  gallery::GallerySheet& sheet = *shown.sheet;
  const Point origin = ws::System().WindowRect(sheet.WindowHandle()).Origin();
  headless->Click(origin.Offset(300, 560), ws::MouseButton::Right);
  headless->Advance(10);
  const Hwnd popup = ws::System().Focus();
  ASSERT_NE(popup, sheet.WindowHandle());
  ASSERT_TRUE(ws::System().IsWindow(popup));
  headless->Click(ws::System().WindowRect(popup).Origin().Offset(60, 12));  // the first item
  headless->Advance(10);
  EXPECT_FALSE(ws::System().IsWindow(popup));
  EXPECT_EQ(sheet.GetStatus(), "Chose \"Copy magnet link\"");
}

}  // namespace
}  // namespace quillmar
