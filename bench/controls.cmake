# Controls: list box frames for a wheel notch and a hover move at 100 and 10 000
# rows, and appending 1 000 rows one by one against one frame of the built list.
quillmar_add_bench(NAME controls_bench
  SOURCES controls_bench.cpp
  LIBS quillmar_ui_controls)
