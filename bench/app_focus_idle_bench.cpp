// Idle CPU over 10 s of the program's window whose keyword box holds the keyboard
// focus while another window is the active one (the user went elsewhere), side by
// side in one run with a plain GTK window whose focused text entry is left the same
// way. Neither should use the processor: nothing in an inactive window moves.
// Starts a private Xvfb when no display is set.

#include <gtk/gtk.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "app/main_window.h"
#include "app/startup.h"
#include "bench/private_display.h"
#include "platform/ws/window_system.h"

namespace quillmar {
namespace {

constexpr int kSeconds = 10;

GtkWidget* ShownWindow(int x, int y, int width, int height) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), width, height);
  gtk_window_move(GTK_WINDOW(window), x, y);
  gtk_widget_show_all(window);
  return window;
}

void Activate(GtkWidget* window) { gtk_window_present_with_time(GTK_WINDOW(window), GDK_CURRENT_TIME); }

void BM_FocusedBoxInAnInactiveWindowAgainstAPlainEntry(benchmark::State& state) {
  bench::UseDisplay();
  std::string error;
  if (!InstallDesktopWindowSystem(&error)) {
    state.SkipWithError(("no display: " + error).c_str());
    return;
  }
  InitModule();
  ws::WindowSystem& sys = ws::System();
  GtkWidget* other = ShownWindow(900, 100, 300, 200);
  for (auto _ : state) {
    // The plain window: an entry with the focus, then the other window active.
    GtkWidget* plain = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(plain), 544, 445);
    gtk_window_move(GTK_WINDOW(plain), 200, 150);
    GtkWidget* entry = gtk_entry_new();
    gtk_container_add(GTK_CONTAINER(plain), entry);
    gtk_widget_show_all(plain);
    Activate(plain);
    bench::RunFor(sys, 500);
    gtk_widget_grab_focus(entry);
    const bool entryFocused = gtk_widget_has_focus(entry) != 0;
    Activate(other);
    bench::RunFor(sys, 1000);
    const bool plainLeft = gtk_window_is_active(GTK_WINDOW(other)) != 0;
    const double plainMs = bench::RunFor(sys, kSeconds * 1000);
    gtk_widget_destroy(plain);

    MainWindowOptions options;
    options.site = "http://127.0.0.1:9/s/";  // never asked: no search runs
    options.messageBox = [](std::string_view, int32_t, std::string_view) { return 0; };
    double programMs = 0;
    bool boxFocused = false;
    bool programLeft = false;
    bool caretBlinking = true;
    {
      MainWindow window(std::move(options));
      if (!window.Create()) {
        state.SkipWithError("Create failed");
        break;
      }
      window.JoinColumnThread();
      bench::RunFor(sys, 1000);  // the open effect, the columns and the window settling on screen
      boxFocused = window.KeywordBox().GetFocused() != 0;
      Activate(other);
      bench::RunFor(sys, 1000);
      programLeft = gtk_window_is_active(GTK_WINDOW(other)) != 0 && sys.Focus() == 0;
      caretBlinking = window.KeywordBox().BlinkTimerRunning();
      programMs = bench::RunFor(sys, kSeconds * 1000);
    }
    state.counters["plain_entry_cpu_pct"] = plainMs / (kSeconds * 10.0);
    state.counters["main_window_cpu_pct"] = programMs / (kSeconds * 10.0);
    state.counters["cpu_ratio_main_vs_plain"] = programMs / std::max(plainMs, 0.1);
    state.counters["entry_was_focused"] = entryFocused ? 1 : 0;
    state.counters["keyword_box_focused"] = boxFocused ? 1 : 0;
    state.counters["other_window_active"] = plainLeft && programLeft ? 1 : 0;
    state.counters["caret_blinking"] = caretBlinking ? 1 : 0;
  }
  gtk_widget_destroy(other);
}
BENCHMARK(BM_FocusedBoxInAnInactiveWindowAgainstAPlainEntry)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace quillmar

BENCHMARK_MAIN();
