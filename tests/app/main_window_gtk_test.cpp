// The program on the real desktop: typed and clicked through the real pointer and keyboard,
// with the magnet handed to a recording handler registered in a private desktop-settings
// folder. A screenshot of the filled window is kept next to the test binary.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/main_window.h"
#include "app/startup.h"
#include "tests/app/search_site.h"
#include "tests/support/gtk_backend_test.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;
using testing::MouseTo;
using testing::Xdo;

// A desktop whose handler for magnet links appends each link to a file.
struct RecordingDesktop {
  fs::path dir = fs::temp_directory_path() / ("quillmar-desktop-" + std::to_string(::getpid()));
  fs::path record = dir / "opened";
  RecordingDesktop() {
    fs::create_directories(dir / "data/applications");
    fs::create_directories(dir / "config");
    const fs::path script = dir / "record.sh";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << record.string() << "'\n";
    fs::permissions(script, fs::perms::owner_all);
    std::ofstream(dir / "data/applications/quillmar-record.desktop")
        << "[Desktop Entry]\nType=Application\nName=Record\nExec=" << script.string()
        << " %u\nMimeType=x-scheme-handler/magnet;\nNoDisplay=true\n";
    std::ofstream(dir / "config/mimeapps.list")
        << "[Default Applications]\nx-scheme-handler/magnet=quillmar-record.desktop\n";
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  }
  ~RecordingDesktop() { fs::remove_all(dir); }
  std::string Opened() const {
    std::ifstream in(record);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

class MainWindowGtk : public testing::GtkBackendTest {
 protected:
  void ReleaseWindows() override { window_.reset(); }
  static std::string At(UiWindow& control, int x, int y) {
    const Point p = control.PointToScreen({x, y});
    return MouseTo(p.x, p.y);
  }
  static std::string Centre(UiWindow& control) { return At(control, control.GetWidth() / 2, control.GetHeight() / 2); }

  RecordingDesktop desktop_;  // before the backend: the desktop settings are read once
  test::SearchSite site_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowGtk, TypedSearchFillsTheListAndADoubleClickHandsTheMagnetToTheDesktop) {
  InitModule();
  MainWindowOptions options;
  options.site = site_.Prefix();
  window_ = std::make_unique<MainWindow>(options);
  ASSERT_TRUE(window_->Create());
  MainWindow& mw = *window_;
  int searchedAt = 0;
  int clickedAt = 0;
  const int result = RunSteps([&](int n) {
    if (n == 8) Xdo(Centre(mw.KeywordBox()) + " click 1 sleep 0.2 type abc");
    if (n == 10) Xdo(Centre(mw.Button(1)) + " click 1");
    if (n > 10 && !searchedAt && !mw.Session().Busy() && mw.ResultList().GetRowCount() == 3) searchedAt = n;
    if (searchedAt && n == searchedAt + 3) {
      const std::string shot = ::testing::UnitTest::GetInstance()->current_test_info()->name();
      // In the background: the window has to keep painting while it is taken.
      std::system(("import -window root " + shot + ".png >/dev/null 2>&1 &").c_str());
      Xdo(At(mw.ResultList(), 100, 1 + 20 + 80 + 40) + " click --repeat 2 --delay 80 1");
      clickedAt = n;
    }
    if (clickedAt && n > clickedAt + 5 && !desktop_.Opened().empty()) ws::System().PostQuit(0);
  });
  EXPECT_EQ(result, 0) << "rows " << mw.ResultList().GetRowCount() << ", opened '" << desktop_.Opened() << "'";
  EXPECT_EQ(mw.ResultList().GetCellText(0, 1), "magnet:?xt=abc-1-1");
  EXPECT_EQ(desktop_.Opened(), "magnet:?xt=abc-1-2\n");
}

}  // namespace
}  // namespace quillmar
