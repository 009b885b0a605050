#include "app/gallery/gallery_render.h"

#include <filesystem>
#include <fstream>

#include "app/gallery/gallery_sections.h"
#include "app/gallery/gallery_sheet.h"
#include "app/startup.h"
#include "platform/draw/bitmap.h"
#include "platform/draw/png_encoder.h"
#include "platform/ws/headless_window_system.h"

namespace quillmar::gallery {
namespace {

// Long enough for every state transition to finish.
constexpr int64_t kSettleMs = 600;

bool WritePng(const ws::HeadlessWindowSystem::Picture& picture, const Rect& area, const std::filesystem::path& path) {
  const Rect whole = Rect::FromXywh(0, 0, picture.size.width, picture.size.height);
  const Rect r = area.Intersected(whole);
  if (r.IsEmpty()) return false;
  const draw::Bitmap crop =
      draw::Bitmap::FromPremultiplied(picture.pixels.data() + static_cast<size_t>(r.y) * picture.size.width + r.x,
                                      r.width, r.height, picture.size.width * 4);
  const std::vector<uint8_t> png = draw::EncodePng(crop);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  return !png.empty() && out.good();
}

}  // namespace

std::vector<std::string> RenderGalleryPngs(const std::string& dir) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  ws::ScopedHeadless headless;
  InitModule();
  GallerySheet sheet;
  BuildSheet(sheet);
  sheet.Show();
  headless->Advance(kSettleMs);
  std::vector<std::string> written;
  auto save = [&](const std::string& name, const Rect& area) {
    const auto* picture = headless->Presented(sheet.WindowHandle());
    const std::string file = name + ".png";
    if (picture && WritePng(*picture, area, std::filesystem::path(dir) / file)) written.push_back(file);
  };
  save("gallery-sheet", Rect::FromXywh(0, 0, GallerySheet::kWidth, GallerySheet::kHeight));
  for (const GalleryShot& shot : sheet.Shots()) {
    // A frame's time after the wait, so what the wait changed is painted.
    headless->Advance(shot.waitMs + 20);
    save(shot.name, shot.area);
  }
  for (const GalleryPopupShot& shot : sheet.PopupShots()) {
    const Hwnd popup = shot.stage(*headless);
    const std::string file = shot.name + ".png";
    if (popup != 0 && headless->SavePresentedPng(popup, (std::filesystem::path(dir) / file).string())) {
      written.push_back(file);
    }
  }
  return written;
}

}  // namespace quillmar::gallery
