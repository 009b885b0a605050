# Window core: frame cost of a hover change against a full recomposition, and an idle tick.
quillmar_add_bench(NAME core_bench
  SOURCES core_bench.cpp
  LIBS quillmar_ui_core)
