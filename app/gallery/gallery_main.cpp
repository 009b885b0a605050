// quillmar-gallery: every control in its states, in a real window to try with
// the mouse and the keyboard, or with --png DIR rendered headless into one
// picture per state.

#include <cstdio>
#include <string>

#include "app/gallery/gallery_render.h"
#include "app/gallery/gallery_sections.h"
#include "app/gallery/gallery_sheet.h"
#include "app/startup.h"
#include "platform/ws/window_system.h"

int main(int argc, char** argv) {
  using namespace quillmar;
  if (argc == 3 && std::string(argv[1]) == "--png") {
    const auto written = gallery::RenderGalleryPngs(argv[2]);
    for (const std::string& name : written) std::printf("%s\n", name.c_str());
    return written.empty() ? 1 : 0;
  }
  if (argc != 1) {
    std::fprintf(stderr, "usage: quillmar-gallery [--png DIR]\n");
    return 2;
  }
  std::string error;
  if (!InstallDesktopWindowSystem(&error)) {
    std::fprintf(stderr, "quillmar-gallery needs a graphical desktop (X11), or use --png DIR: %s\n", error.c_str());
    return 1;
  }
  InitModule();
  gallery::GallerySheet sheet;
  gallery::BuildSheet(sheet);
  sheet.Show();
  return ws::System().RunLoop();
}
