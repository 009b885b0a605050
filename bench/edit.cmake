# Text edit: layout of long texts, a one-line scroll against a full repaint, typing at the end of short and long
# texts, undoing one step, and a 1 MiB paste into the keyword box with a keystroke after it.
quillmar_add_bench(NAME edit_bench
  SOURCES edit_bench.cpp
  LIBS quillmar_ui_edit quillmar_ws)
