// The program on the real desktop: typed and clicked through the real pointer and keyboard,
// with the magnet handed to a recording handler registered in a private desktop-settings
// folder. A screenshot of the filled window is kept next to the test binary.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "base/text_encoding.h"
#include "app/startup.h"
#include "tests/app/search_site.h"
#include "tests/support/gtk_backend_test.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;
using testing::MouseTo;
using testing::Xdo;

// A desktop whose handler for magnet links appends each link to a file; only its own
// folders are searched for handlers, so without that handler none is found.
struct RecordingDesktop {
  fs::path dir = fs::temp_directory_path() / ("quillmar-desktop-" + std::to_string(::getpid()));
  fs::path record = dir / "opened";
  RecordingDesktop() {
    fs::create_directories(dir / "data/applications");
    fs::create_directories(dir / "config");
    fs::create_directories(dir / "system");
    ::setenv("XDG_DATA_DIRS", (dir / "system").c_str(), 1);
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
  // Before anything asks the desktop: no program opens magnet links.
  void RemoveHandler() {
    fs::remove(dir / "data/applications/quillmar-record.desktop");
    fs::remove(dir / "config/mimeapps.list");
  }
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

  // Steps that each act once and then wait (up to 15 s) for what they caused; the
  // loop ends with 0 when the last one is done, else with the number of the stuck one.
  struct Stage {
    std::function<void()> act;
    std::function<bool()> done;
  };
  int RunStages(std::vector<Stage> stages) {
    size_t at = 0;
    int waited = 0;
    bool acted = false;
    int result = 0;
    ws::System().SetWindowTimer(0, 0, 100, [&](uint32_t) {
      if (result != 0 || at == stages.size()) return;
      if (!acted) {
        acted = true;
        waited = 0;
        if (stages[at].act) stages[at].act();
        return;
      }
      if (stages[at].done && !stages[at].done()) {
        if (++waited > 150) result = static_cast<int>(at) + 1, ws::System().PostQuit(result);
        return;
      }
      acted = false;
      if (++at == stages.size()) ws::System().PostQuit(0);
    });
    return ws::System().RunLoop();
  }
  // Waits that many 100 ms steps.
  static Stage Pause(int steps) {
    auto left = std::make_shared<int>(steps);
    return {nullptr, [left] { return --*left <= 0; }};
  }
  // The screen over the window's rectangle, also kept as a PNG (next to the test binary, and in
  // $QUILLMAR_SHOTS when set). The caller unrefs it.
  GdkPixbuf* Shot(const std::string& name) {
    const Rect r = ws::System().WindowRect(window_->Handle());
    gdk_display_sync(gdk_display_get_default());
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), r.x, r.y, r.width, r.height);
    if (shot == nullptr) return nullptr;
    gdk_pixbuf_save(shot, (name + ".png").c_str(), "png", nullptr, nullptr);
    if (const char* dir = std::getenv("QUILLMAR_SHOTS")) {
      gdk_pixbuf_save(shot, (std::string(dir) + "/" + name + ".png").c_str(), "png", nullptr, nullptr);
    }
    return shot;
  }
  // Pixels of the screen shot, inside the window's shadow band, that show the backdrop
  // unchanged: where the window lets everything through.
  static int SeeThrough(GdkPixbuf* shot) {
    const int w = gdk_pixbuf_get_width(shot);
    const int h = gdk_pixbuf_get_height(shot);
    const int stride = gdk_pixbuf_get_rowstride(shot);
    const int channels = gdk_pixbuf_get_n_channels(shot);
    const guchar* px = gdk_pixbuf_get_pixels(shot);
    int count = 0;
    for (int y = 8; y < h - 8; ++y) {
      for (int x = 8; x < w - 8; ++x) {
        const guchar* p = px + y * stride + x * channels;
        count += p[0] <= 4 && p[1] >= 251 && p[2] <= 4 ? 1 : 0;
      }
    }
    return count;
  }
  // A pure green window under where the program opens: what shows through it shows green.
  void OpenBackdrop() {
    backdrop_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(backdrop_), "backdrop");
    gtk_window_set_decorated(GTK_WINDOW(backdrop_), FALSE);
    gtk_window_set_accept_focus(GTK_WINDOW(backdrop_), FALSE);
    gtk_widget_set_app_paintable(backdrop_, TRUE);
    g_signal_connect(backdrop_, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, gpointer) -> gboolean {
                       cairo_set_source_rgb(cr, 0, 1, 0);
                       cairo_paint(cr);
                       return TRUE;
                     }),
                     nullptr);
    const Size screen = ws::System().ScreenSize();
    gtk_window_set_default_size(GTK_WINDOW(backdrop_), screen.width, screen.height);
    gtk_window_move(GTK_WINDOW(backdrop_), 0, 0);
    gtk_widget_show_all(backdrop_);
  }
  // The size the X server gives the active window.
  static Size ActiveWindowSize() {
    const std::string file = "active-geometry-" + std::to_string(::getpid());
    if (std::system(("xdotool getactivewindow getwindowgeometry --shell > " + file).c_str()) != 0) return {};
    std::ifstream in(file);
    Size size;
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("WIDTH=", 0) == 0) size.width = std::stoi(line.substr(6));
      if (line.rfind("HEIGHT=", 0) == 0) size.height = std::stoi(line.substr(7));
    }
    fs::remove(file);
    return size;
  }
  std::string Cell(int row, int column) { return GbkToUtf8(window_->ResultList().GetCellText(row, column)); }
  // Opens the program on the loopback site, active and its open effect over.
  MainWindow& Open() {
    InitModule();
    OpenBackdrop();
    MainWindowOptions options;
    options.site = site_.Prefix();
    window_ = std::make_unique<MainWindow>(options);
    EXPECT_TRUE(window_->Create());
    return *window_;
  }
  Stage Activated() {
    return {nullptr, [this] { return ws::System().Focus() == window_->Handle() && !window_->Session().Busy(); }};
  }

  RecordingDesktop desktop_;  // before the backend: the desktop settings are read once
  test::SearchSite site_;
  std::unique_ptr<MainWindow> window_;
  GtkWidget* backdrop_ = nullptr;

  ~MainWindowGtk() override {
    if (backdrop_ != nullptr) gtk_widget_destroy(backdrop_);
  }
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

TEST_F(MainWindowGtk, KeyboardAloneSearchesPagesAndOpensAndTheWindowGrowsFromOutsideButNotBelowItsSize) {
  MainWindow& mw = Open();
  const auto rowsOf = [&](const std::string& stem) {
    return [&mw, this, stem] {
      return !mw.Session().Busy() && mw.ResultList().GetRowCount() == 3 && Cell(0, 0) == stem + " 1";
    };
  };
  GdkPixbuf* grown = nullptr;
  Rect grownList;
  Rect grownNext;
  Size refused;
  const int result = RunStages({
      Pause(10),
      Activated(),
      // Typed, Enter, Down to the first row, Enter opens it: no pointer.
      {[] { Xdo("type --delay 30 abc"); }, nullptr},
      {[] { Xdo("key Return"); }, rowsOf("abc-1")},
      {[] { Xdo("key Down"); }, [&] { return mw.ResultList().GetSelection().row == 0; }},
      {[] { Xdo("key Return"); }, [&] { return desktop_.Opened() == "magnet:?xt=abc-1-1\n"; }},
      // Tab to "下一页", Space: page 2.
      {[] { Xdo("key Tab Tab"); }, [&] { return mw.Window().FocusKey() == mw.Button(3).Key(); }},
      Pause(6),
      {[&] { g_object_unref(Shot("focus_mark_next_page")); }, nullptr},
      {[] { Xdo("key space"); }, rowsOf("abc-2")},
      // Back to the box, a new keyword: page 1 of it.
      {[] { Xdo("key Tab"); }, [&] { return mw.Window().FocusKey() == mw.KeywordBox().Key(); }},
      {[] { Xdo("key ctrl+a"); }, nullptr},
      {[] { Xdo("type --delay 30 xyz"); }, nullptr},
      {[] { Xdo("key Return"); }, rowsOf("xyz-1")},
      {[] { Xdo("key Tab Tab"); }, [&] { return mw.Window().FocusKey() == mw.ResultList().Key(); }},
      {[] { Xdo("key Down"); }, [&] { return mw.ResultList().GetSelection().row == 0; }},
      Pause(6),
      {[&] { g_object_unref(Shot("window_544x445_list_focused")); }, nullptr},
      // A size from outside is followed; one below the design size is not.
      {[] { Xdo("getactivewindow windowsize 800 600"); },
       [&] { return mw.Window().GetWidth() == 800 && mw.Window().GetHeight() == 600; }},
      Pause(10),
      {[&] {
         grown = Shot("window_800x600");
         grownList = mw.ResultList().GetBounds();
         grownNext = mw.Button(3).GetBounds();
       },
       nullptr},
      {[] { Xdo("getactivewindow windowsize 300 200"); }, nullptr},
      Pause(15),
      {[&] { refused = ActiveWindowSize(); }, nullptr},
      Pause(5),
      {[&] { g_object_unref(Shot("window_after_shrink_refused")); }, nullptr},
  });
  EXPECT_EQ(result, 0) << "rows " << mw.ResultList().GetRowCount() << ", page " << mw.PageNumber() << ", opened '"
                       << desktop_.Opened() << "'";
  EXPECT_EQ(mw.PageNumber(), 1);
  EXPECT_EQ(grownList, Rect::FromXywh(4, 114, 780, 435));
  EXPECT_EQ(grownNext, Rect::FromXywh(788 - 112, 588 - 33, 100, 24));
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(gdk_pixbuf_get_width(grown), 800);
  EXPECT_EQ(SeeThrough(grown), 0);
  g_object_unref(grown);
  EXPECT_GE(refused.width, MainWindow::kWidth);
  EXPECT_GE(refused.height, MainWindow::kHeight);
  EXPECT_GE(mw.Window().GetWidth(), MainWindow::kWidth);
  EXPECT_GE(mw.Window().GetHeight(), MainWindow::kHeight);
}

class MainWindowGtkWithoutHandler : public MainWindowGtk {
 protected:
  MainWindowGtkWithoutHandler() { desktop_.RemoveHandler(); }
};

TEST_F(MainWindowGtkWithoutHandler, ADoubleClickTellsThatNothingOpensTheLinkAndPutsItOnTheClipboard) {
  MainWindow& mw = Open();
  const auto boxOpen = [] {
    for (ws::WindowHandle h : ws::System().TopLevelWindows()) {
      if (ws::System().ClassName(h) == "OrvexMessageBox") return true;
    }
    return false;
  };
  std::string clipboard;
  const int result = RunStages({
      Pause(10),
      Activated(),
      {[] {
         Xdo("type --delay 30 abc");
         Xdo("key Return");
       },
       [&] { return !mw.Session().Busy() && mw.ResultList().GetRowCount() == 3; }},
      {[&] { Xdo(At(mw.ResultList(), 100, 1 + 20 + 80 + 40) + " click --repeat 2 --delay 80 1"); }, boxOpen},
      Pause(8),
      {[&] {
         g_object_unref(Shot("no_magnet_handler_notice"));
         const auto text = ws::System().ClipboardText();
         clipboard = text ? GbkToUtf8(WideToGbk(*text)) : "";
         Xdo("key Escape");
       },
       [&] { return !boxOpen(); }},
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(clipboard, "magnet:?xt=abc-1-2");
  EXPECT_TRUE(desktop_.Opened().empty());
}

}  // namespace
}  // namespace quillmar
