// The program on the real desktop: typed and clicked through the real pointer and keyboard,
// with the magnet handed to a recording handler registered in a private desktop-settings
// folder. A screenshot of the filled window is kept next to the test binary.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
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
  static Point CentreOf(UiWindow& control) {
    return control.PointToScreen({control.GetWidth() / 2, control.GetHeight() / 2});
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
  // The window active on the desktop, so that typed keys reach it, and no search running.
  ::testing::AssertionResult Activated() {
    return WaitUntil(
        [this] {
          return ws::System().Focus() == window_->Handle() && !window_->Session().Busy() &&
                 testing::ActiveOnDesktop(window_->Handle());
        },
        "the window to be active on the desktop", testing::kDesktopWaitMs, 100);
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
  ASSERT_TRUE(PointerTo(CentreOf(mw.KeywordBox()), "the window to take the pointer over the keyword box"));
  Xdo("click 1");
  ASSERT_TRUE(Activated());
  ASSERT_TRUE(WaitUntil([&] { return mw.Window().FocusKey() == mw.KeywordBox().Key(); }, "the focus on the box"));
  Xdo("type abc");
  EXPECT_TRUE(WaitUntil([&] { return mw.KeywordBox().GetTextWide() == u"abc"; }, "the keyword typed"));
  ASSERT_TRUE(PointerTo(CentreOf(mw.Button(1)), "the pointer over the search button"));
  Xdo("click 1");
  EXPECT_TRUE(WaitUntil([&] { return !mw.Session().Busy() && mw.ResultList().GetRowCount() == 3; },
                        "the search to fill the list"))
      << "rows " << mw.ResultList().GetRowCount();
  const std::string shot = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  // The window has to keep painting while it is taken: the shot runs in the
  // background while the loop runs, and is over before the double click, whose
  // two clicks a busy machine could otherwise hold too far apart.
  const fs::path shotDone = desktop_.dir / "shot-done";
  std::system(("(import -window root " + shot + ".png >/dev/null 2>&1; touch '" + shotDone.string() + "') &").c_str());
  EXPECT_TRUE(WaitUntil([&] { return fs::exists(shotDone); }, "the screen shot", 3 * testing::kDesktopWaitMs, 100));
  ASSERT_TRUE(PointerTo(mw.ResultList().PointToScreen({100, 1 + 20 + 80 + 40}), "the pointer over the second row"));
  Xdo("click --repeat 2 --delay 80 1");
  EXPECT_TRUE(WaitUntil([&] { return !desktop_.Opened().empty(); }, "the desktop to be handed a magnet"))
      << "selected row " << mw.ResultList().GetSelection().row;
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
  const auto state = [&] {
    return "rows " + std::to_string(mw.ResultList().GetRowCount()) + ", page " + std::to_string(mw.PageNumber()) +
           ", opened '" + desktop_.Opened() + "'";
  };
  ASSERT_TRUE(Activated());
  // Typed, Enter, Down to the first row, Enter opens it: no pointer.
  Xdo("type --delay 30 abc");
  ASSERT_TRUE(WaitUntil([&] { return mw.KeywordBox().GetTextWide() == u"abc"; }, "the keyword typed"));
  Xdo("key Return");
  ASSERT_TRUE(WaitUntil(rowsOf("abc-1"), "page 1 of abc")) << state();
  Xdo("key Down");
  ASSERT_TRUE(WaitUntil([&] { return mw.ResultList().GetSelection().row == 0; }, "the first row selected"));
  Xdo("key Return");
  ASSERT_TRUE(WaitUntil([&] { return desktop_.Opened() == "magnet:?xt=abc-1-1\n"; }, "the magnet opened")) << state();
  // Tab to "下一页", Space: page 2.
  Xdo("key Tab Tab");
  ASSERT_TRUE(WaitUntil([&] { return mw.Window().FocusKey() == mw.Button(3).Key(); }, "the focus on the next page"));
  Pause(600);  // only for the picture below, which is looked at, not checked
  g_object_unref(Shot("focus_mark_next_page"));
  Xdo("key space");
  ASSERT_TRUE(WaitUntil(rowsOf("abc-2"), "page 2 of abc")) << state();
  // Back to the box, a new keyword: page 1 of it.
  Xdo("key Tab");
  ASSERT_TRUE(WaitUntil([&] { return mw.Window().FocusKey() == mw.KeywordBox().Key(); }, "the focus on the box"));
  Xdo("key ctrl+a");
  Xdo("type --delay 30 xyz");
  ASSERT_TRUE(WaitUntil([&] { return mw.KeywordBox().GetTextWide() == u"xyz"; }, "the new keyword typed"));
  Xdo("key Return");
  ASSERT_TRUE(WaitUntil(rowsOf("xyz-1"), "page 1 of xyz")) << state();
  Xdo("key Tab Tab");
  ASSERT_TRUE(WaitUntil([&] { return mw.Window().FocusKey() == mw.ResultList().Key(); }, "the focus on the list"));
  Xdo("key Down");
  ASSERT_TRUE(WaitUntil([&] { return mw.ResultList().GetSelection().row == 0; }, "the first row selected"));
  Pause(600);  // only for the picture below, which is looked at, not checked
  g_object_unref(Shot("window_544x445_list_focused"));

  // A size from outside is followed; one below the design size is not.
  Xdo("getactivewindow windowsize 800 600");
  ASSERT_TRUE(WaitUntil([&] { return mw.Window().GetWidth() == 800 && mw.Window().GetHeight() == 600; },
                        "the window to follow the size from outside"));
  // The picture of the new size reaches the screen after the size: read the screen until it shows.
  GdkPixbuf* grown = nullptr;
  EXPECT_TRUE(WaitUntil(
      [&] {
        if (grown != nullptr) g_object_unref(grown);
        grown = Shot("window_800x600");
        return grown != nullptr && gdk_pixbuf_get_width(grown) == 800 && SeeThrough(grown) == 0;
      },
      "the grown window's picture on the screen", testing::kDesktopWaitMs, 200));
  const Rect grownList = mw.ResultList().GetBounds();
  const Rect grownNext = mw.Button(3).GetBounds();
  Xdo("getactivewindow windowsize 300 200");
  // A refused size changes nothing, so there is no event to wait for: time for
  // the window manager to have answered.
  Pause(2000);
  const std::optional<Rect> refused = testing::ActiveWindowRect();
  g_object_unref(Shot("window_after_shrink_refused"));

  EXPECT_EQ(mw.PageNumber(), 1);
  EXPECT_EQ(grownList, Rect::FromXywh(4, 114, 780, 435));
  EXPECT_EQ(grownNext, Rect::FromXywh(788 - 112, 588 - 33, 100, 24));
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(gdk_pixbuf_get_width(grown), 800);
  EXPECT_EQ(SeeThrough(grown), 0);
  g_object_unref(grown);
  ASSERT_TRUE(refused.has_value());
  EXPECT_GE(refused->width, MainWindow::kWidth);
  EXPECT_GE(refused->height, MainWindow::kHeight);
  EXPECT_GE(mw.Window().GetWidth(), MainWindow::kWidth);
  EXPECT_GE(mw.Window().GetHeight(), MainWindow::kHeight);

  // A place from outside is followed too: a click where the desktop shows the
  // button reaches it (a stale place would aim the click 40 px off).
  const Rect before = ws::System().WindowRect(mw.Handle());
  Xdo("getactivewindow windowmove " + std::to_string(before.x + 40) + " " + std::to_string(before.y + 30));
  ASSERT_TRUE(WaitUntil(
      [&] {
        const std::optional<Rect> shown = testing::ActiveWindowRect();
        return shown.has_value() && shown->x != before.x;
      },
      "the window manager to move the window"));
  const Rect shown = testing::ActiveWindowRect().value_or(Rect{});
  const Rect next = mw.Button(3).GetBounds();
  Xdo(testing::MouseTo(shown.x + next.x + next.width / 2, shown.y + next.y + next.height / 2) + " click 1");
  EXPECT_TRUE(WaitUntil(rowsOf("xyz-2"), "page 2 of xyz from a click where the button shows")) << state();
  EXPECT_EQ(ws::System().WindowRect(mw.Handle()), shown);
}

class MainWindowGtkWithoutHandler : public MainWindowGtk {
 protected:
  MainWindowGtkWithoutHandler() { desktop_.RemoveHandler(); }
};

TEST_F(MainWindowGtkWithoutHandler, ADoubleClickTellsThatNothingOpensTheLinkAndPutsItOnTheClipboard) {
  MainWindow& mw = Open();
  const auto box = [] {
    for (ws::WindowHandle h : ws::System().TopLevelWindows()) {
      if (ws::System().ClassName(h) == "OrvexMessageBox") return h;
    }
    return ws::WindowHandle{0};
  };
  const auto boxOpen = [&] { return box() != 0; };
  ASSERT_TRUE(Activated());
  Xdo("type --delay 30 abc");
  Xdo("key Return");
  ASSERT_TRUE(WaitUntil([&] { return !mw.Session().Busy() && mw.ResultList().GetRowCount() == 3; },
                        "the search to fill the list"));
  ASSERT_TRUE(PointerTo(mw.ResultList().PointToScreen({100, 1 + 20 + 80 + 40}), "the pointer over the second row"));
  Xdo("click --repeat 2 --delay 80 1");
  // The notice runs a loop of its own until it closes, and a wait that ended
  // inside it would end that loop too: what the test does with the notice is
  // done from inside, and the wait ends when the notice has gone.
  enum class Notice { Awaited, Open, Shown, Escaped } notice = Notice::Awaited;
  int64_t openedMs = 0;
  std::string clipboard;
  EXPECT_TRUE(WaitUntil(
      [&] {
        switch (notice) {
          case Notice::Awaited:
            if (boxOpen()) notice = Notice::Open, openedMs = ws::System().NowMs();
            return false;
          case Notice::Open:
            // Time only for the picture, which is looked at, not checked.
            if (ws::System().NowMs() - openedMs < 800) return false;
            g_object_unref(Shot("no_magnet_handler_notice"));
            if (const auto text = ws::System().ClipboardText()) clipboard = GbkToUtf8(WideToGbk(*text));
            notice = Notice::Shown;
            return false;
          case Notice::Shown:
            if (!testing::ActiveOnDesktop(box())) return false;
            Xdo("key Escape");
            notice = Notice::Escaped;
            return false;
          case Notice::Escaped:
            return !boxOpen();
        }
        return false;
      },
      "the notice to open, take the keys and close with Escape", testing::kDesktopWaitMs, 50))
      << "stuck at step " << static_cast<int>(notice);
  EXPECT_EQ(clipboard, "magnet:?xt=abc-1-2");
  EXPECT_TRUE(desktop_.Opened().empty());
}

}  // namespace
}  // namespace quillmar
