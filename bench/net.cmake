# Network benchmarks: page scraping and the search against a slow loopback site.
quillmar_add_bench(NAME scrape_bench
  SOURCES scrape_bench.cpp
  LIBS quillmar_net)
quillmar_add_bench(NAME search_bench
  SOURCES search_bench.cpp
  LIBS quillmar_net quillmar_demo_site_lib)
quillmar_add_bench(NAME https_search_bench
  SOURCES https_search_bench.cpp
  LIBS quillmar_net quillmar_demo_site_lib quillmar_latency_proxy_lib)
pkg_check_modules(BENCH_HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
quillmar_add_bench(NAME cookie_store_bench
  SOURCES cookie_store_bench.cpp
  LIBS quillmar_net PkgConfig::BENCH_HTTPLIB)
