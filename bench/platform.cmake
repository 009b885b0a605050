# Window system: idle CPU of a GTK window asking for a 1 ms tick against one
# with no timer, side by side under one X server (Xvfb when none is set).
quillmar_add_bench(NAME ws_idle_bench
  SOURCES ws_idle_bench.cpp
  LIBS quillmar_ws_gtk)
