// Reading a 1 MiB result page with 1000 hits: the whole scrape beside its parts (decoding
// the page alone, one pass of the result pattern with and without JIT), and the pattern's
// scan of the worst 1 MiB pages found for it beside its scan of the ordinary page.
#include <benchmark/benchmark.h>

#include "base/text_encoding.h"
#include "net/regex_object.h"
#include "net/result_page.h"

namespace {

constexpr size_t kMiB = size_t{1} << 20;

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

// Pages made to cost the pattern the most: every piece it looks for, in orders that never
// complete a hit, so each start position runs on to the end of its line.
std::string HostilePage(int kind) {
  std::string unit;
  std::string lineEnd;
  switch (kind) {
    case 1:  // anchor openings only
      unit = "<a href=\"";
      break;
    case 2:  // whole anchors whose item never ends in the next one
      unit = "<a href=\"\">\"></a></li> ";
      break;
    case 3:  // many places for the address to end, one line of 4 KiB at a time
      unit = "<a href=\"\">\">\">\">";
      lineEnd = "</a></li>\n";
      break;
    default:  // almost the tail: "<li" without its ">"
      unit = "<a href=\"x\">y</a></li><li";
      break;
  }
  std::string page;
  std::string line;
  while (page.size() < kMiB) {
    if (lineEnd.empty()) {
      page += unit;
      continue;
    }
    line += unit;
    if (line.size() >= 4096) {
      page += line + lineEnd;
      line.clear();
    }
  }
  page.resize(kMiB);
  return page;
}

void BM_ScrapeListPage(benchmark::State& state) {
  const auto form = state.range(0) ? quillmar::TextForm::Utf8 : quillmar::TextForm::Program;
  // A search has already converted its keyword before the list page comes: the converters
  // are open when the scrape starts.
  benchmark::DoNotOptimize(quillmar::BuildListUrl("http://127.0.0.1:8410/s/", "电影", 1, form));
  for (auto _ : state) {
    auto hits = quillmar::ScrapeListPage(Page(), "http://127.0.0.1:8410/s/%61/1/", nullptr, form);
    if (hits.size() != 1000) state.SkipWithError("wrong hit count");
    benchmark::DoNotOptimize(hits);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Page().size()));
  state.SetLabel(state.range(0) ? "utf-8 rows" : "program-text rows");
}
BENCHMARK(BM_ScrapeListPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same page with a percent escape in every title, so that it goes through percent-decoding.
const std::string& EscapedPage() {
  static const std::string page = [] {
    std::string escaped;
    for (char c : Page()) escaped += c == '&' ? std::string("%20&") : std::string(1, c);
    return escaped;
  }();
  return page;
}

// Percent-decoding plus conversion to UTF-16: the page as the pattern sees it, without
// escapes (conversion only) and with them.
void BM_DecodePageOnly(benchmark::State& state) {
  const std::string& page = state.range(0) ? EscapedPage() : Page();
  for (auto _ : state) benchmark::DoNotOptimize(quillmar::DecodePageBody(page));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
  state.SetLabel(state.range(0) ? "percent escapes" : "no escapes");
}
BENCHMARK(BM_DecodePageOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void RunPattern(benchmark::State& state, const std::string& page, bool jit, int expected) {
  const std::u16string subject = quillmar::DecodePageBody(page);
  const std::u16string pattern = quillmar::MultiByteToWide(quillmar::kResultPattern, quillmar::kCodePageUtf8, true);
  bool cutShort = false;
  for (auto _ : state) {
    quillmar::RegexObject re;
    re.SetJitEnabled(jit);
    re.ExecuteWide(pattern, subject);
    if (expected >= 0 && re.MatchCount() != expected) state.SkipWithError("wrong match count");
    cutShort = cutShort || re.MatchLimitHit();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
  state.SetLabel(std::string(jit ? "jit" : "interpreter") + (cutShort ? ", cut short" : ""));
}

void BM_ResultPattern(benchmark::State& state) { RunPattern(state, Page(), state.range(0) != 0, 1000); }
BENCHMARK(BM_ResultPattern)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_ResultPatternWorstPage(benchmark::State& state) {
  static const std::string pages[] = {HostilePage(0), HostilePage(1), HostilePage(2), HostilePage(3)};
  RunPattern(state, pages[state.range(0)], state.range(1) != 0, -1);
}
BENCHMARK(BM_ResultPatternWorstPage)->ArgsProduct({{0, 1, 2, 3}, {1}})->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
