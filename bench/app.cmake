# The program's window on the headless backend: start-up to the first presented frame,
# a hover frame on the search button, and the UI-thread cost of rows streaming in.
find_package(PkgConfig REQUIRED)
pkg_check_modules(BENCH_HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
quillmar_add_bench(NAME app_bench
  SOURCES app_bench.cpp
  LIBS quillmar_app PkgConfig::BENCH_HTTPLIB)
# The program's window idle on a real display against a plain GTK window (Xvfb when none is set).
quillmar_add_bench(NAME app_idle_bench
  SOURCES app_idle_bench.cpp
  LIBS quillmar_app)
# The window with its keyword box focused but another window active, against a plain GTK
# window with a focused entry left the same way.
pkg_check_modules(BENCH_GTK REQUIRED IMPORTED_TARGET gtk+-3.0)
quillmar_add_bench(NAME app_focus_idle_bench
  SOURCES app_focus_idle_bench.cpp
  LIBS quillmar_app PkgConfig::BENCH_GTK)
# The pointer sweeping over the program's buttons against a plain GTK window with
# three buttons, on a real display with a window manager and a compositor.
quillmar_add_bench(NAME app_hover_bench
  SOURCES app_hover_bench.cpp
  LIBS quillmar_app quillmar_ws_gtk)
# A screen reader's walk of the window's accessible tree with 300 rows against one frame.
quillmar_add_bench(NAME accessibility_bench
  SOURCES accessibility_bench.cpp
  LIBS quillmar_app)
