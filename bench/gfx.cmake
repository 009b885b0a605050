# Graphics benchmarks: drawing layer, skins and effects.
quillmar_add_bench(NAME skin_effect_bench
  SOURCES skin_effect_bench.cpp
  LIBS quillmar_ui_core quillmar_ui_gfx)
