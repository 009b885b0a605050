// Reading a 1 MiB result page with 1000 hits: the whole scrape beside its parts
// (decoding the page alone, the pattern with and without JIT).
#include <benchmark/benchmark.h>

#include "net/regex_object.h"
#include "net/result_page.h"
#include "base/text_encoding.h"

namespace {

std::string ListPage() {
  std::string page = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body>\n<ul>";
  const std::string filler(900, 'x');
  for (int i = 0; i < 1000; ++i) {
    page += "<li><a href=\"/d/" + std::to_string(i) + ".html\">电影 " + std::to_string(i) + " &amp; " + filler +
            "</a></li>";
  }
  page += "<li></li></ul>\n</body></html>\n";
  return page;
}

const std::string& Page() {
  static const std::string page = ListPage();
  return page;
}

void BM_ScrapeListPage(benchmark::State& state) {
  for (auto _ : state) {
    auto hits = quillmar::ScrapeListPage(Page(), "http://127.0.0.1:8410/s/%61/1/");
    if (hits.size() != 1000) state.SkipWithError("wrong hit count");
    benchmark::DoNotOptimize(hits);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Page().size()));
}
BENCHMARK(BM_ScrapeListPage)->Unit(benchmark::kMillisecond);

void BM_DecodePageOnly(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(quillmar::DecodePageBody(Page()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Page().size()));
}
BENCHMARK(BM_DecodePageOnly)->Unit(benchmark::kMillisecond);

void BM_ResultPattern(benchmark::State& state) {
  const std::u16string subject = quillmar::DecodePageBody(Page());
  const std::u16string pattern = quillmar::MultiByteToWide(quillmar::kResultPattern, quillmar::kCodePageUtf8, true);
  for (auto _ : state) {
    quillmar::RegexObject re;
    re.SetJitEnabled(state.range(0) != 0);
    re.ExecuteWide(pattern, subject);
    if (re.MatchCount() != 1000) state.SkipWithError("wrong match count");
  }
  state.SetLabel(state.range(0) ? "jit" : "interpreter");
}
BENCHMARK(BM_ResultPattern)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
