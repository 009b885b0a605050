# Window system and core: idle CPU of a bound GTK window against a plain one, the
# hover-fade frame rate, and a raw 1 ms tick against none
# (side by side under one X server; Xvfb when none is set).
quillmar_add_bench(NAME ws_idle_bench
  SOURCES ws_idle_bench.cpp
  LIBS quillmar_ui_core quillmar_ws_gtk)
