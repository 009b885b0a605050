# Graphics benchmarks: drawing layer, skins and effects.
quillmar_add_bench(NAME skin_effect_bench
  SOURCES skin_effect_bench.cpp
  LIBS quillmar_ui_core quillmar_ui_gfx)
# Drawing layer: constant-alpha blend of a 545 x 446 picture, 1000 short strings.
quillmar_add_bench(NAME draw_bench
  SOURCES draw_bench.cpp
  LIBS quillmar_draw)
