// quillmar-search: one search from the command line, one line per hit,
// "title<TAB>magnet" in UTF-8, printed as the rows arrive.
#include <algorithm>
#include <chrono>
#include <iterator>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/program_arguments.h"
#include "net/site_search.h"
#include "tools/terminal_text.h"

namespace {

constexpr int kExitFailure = 2;

void PrintHelp() {
  std::printf(
      "usage: quillmar-search [--site URL] [--page N] [--max-time SECONDS] [--search-time SECONDS]\n"
      "                       [--cacert FILE] KEYWORD...\n"
      "Searches one result page of a site and prints one line per hit,\n"
      "\"title<TAB>magnet\" in UTF-8, in page order (the magnet is empty when the\n"
      "hit's detail page gave none; a line on stderr then says why). The keywords\n"
      "are joined by one space. Control characters in page text are not printed.\n"
      "\n"
      "  --site URL          address prefix of the list pages, e.g. http://127.0.0.1:8410/s/\n"
      "                      (default: $QUILLMAR_SITE, else %s)\n"
      "  --page N            result page, from 1 (default 1)\n"
      "  --max-time SECONDS  longest time one request (the list page or a detail page)\n"
      "                      may take, e.g. 2.5 (default 30)\n"
      "  --search-time SECONDS longest time the whole search may take (default 120); hits\n"
      "                      not read by then keep their line with the magnet empty\n"
      "  --cacert FILE       also trust the certificate authorities in this PEM file\n"
      "                      (default: $QUILLMAR_CA_FILE; certificates are always verified)\n"
      "  --help              this text\n"
      "\n"
      "Exit status: 0 when the search ran (with or without hits; an HTTP error page\n"
      "counts as a page), 2 when the list page could not be fetched or the\n"
      "arguments are wrong (the reason goes to stderr).\n",
      std::string(quillmar::kDefaultSearchSite).c_str());
}

bool IsMagnetLink(std::string_view text) {
  constexpr std::string_view kScheme = "magnet:";
  if (text.size() <= kScheme.size()) return false;
  for (size_t i = 0; i < kScheme.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != kScheme[i]) return false;
  }
  return true;
}

int Fail(const std::string& reason) {
  std::fprintf(stderr, "quillmar-search: %s\n", reason.c_str());
  return kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  quillmar::UseUtf8Console();
  const std::vector<std::string> args = quillmar::Utf8ProgramArguments(argc, argv);
  std::string site = quillmar::SearchSiteFromEnvironment();
  int page = 1;
  quillmar::SearchOptions options;
  options.text = quillmar::TextForm::Utf8;
  std::string keyword;
  bool anyKeyword = false;
  bool optionsDone = false;
  const std::size_t argCount = args.size();
  for (std::size_t i = 1; i < argCount; ++i) {
    std::string_view arg = args[i];
    std::string_view value;
    if (!optionsDone && (arg == "--help" || arg == "-h")) {
      PrintHelp();
      return 0;
    }
    if (!optionsDone && arg == "--") {
      optionsDone = true;
      continue;
    }
    constexpr std::string_view kValued[] = {"--site", "--page", "--max-time", "--search-time", "--cacert"};
    const std::string_view name = arg.substr(0, arg.find('='));
    if (!optionsDone && std::find(std::begin(kValued), std::end(kValued), name) != std::end(kValued)) {
      size_t eq = arg.find('=');
      if (eq != std::string_view::npos) {
        value = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
      } else if (i + 1 < argCount) {
        value = args[++i];
      } else {
        return Fail(std::string(arg) + " needs a value (see --help)");
      }
      if (arg == "--site") {
        site = value;
      } else if (arg == "--max-time" || arg == "--search-time") {
        std::string text(value);
        char* end = nullptr;
        double seconds = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || !std::isfinite(seconds) || seconds < 0.001 || seconds > 86400) {
          return Fail("bad time: " + text + " (seconds, from 0.001 to 86400)");
        }
        const std::chrono::milliseconds time(std::llround(seconds * 1000));
        (arg == "--max-time" ? options.http.totalTimeout : options.searchTime) = time;
      } else if (arg == "--cacert") {
        if (value.empty()) return Fail("--cacert needs a file");
        options.http.caFile = value;
      } else {
        std::string text(value);
        char* end = nullptr;
        long n = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || n < 1 || n > 1'000'000'000) {
          return Fail("bad page number: " + text);
        }
        page = static_cast<int>(n);
      }
      continue;
    }
    if (!optionsDone && arg.size() > 1 && arg.starts_with("-") && !anyKeyword) {
      return Fail("unknown option: " + std::string(arg) + " (see --help)");
    }
    if (anyKeyword) keyword += ' ';
    keyword += arg;
    anyKeyword = true;
  }

  auto printRow = [](const quillmar::SearchRow& row) {
    const std::string title = quillmar::TerminalSafe(row.title);
    std::string failure = row.failure;
    // Scripts hand this column to a desktop opener: only what the window would open goes there.
    const bool magnet = IsMagnetLink(row.magnet);
    if (!row.magnet.empty() && !magnet) failure = "not a magnet link";
    std::string line = title + '\t' + (magnet ? quillmar::TerminalSafe(row.magnet) : std::string());
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
    if (!failure.empty()) {
      std::fprintf(stderr, "quillmar-search: no magnet for \"%s\": %s\n", title.c_str(),
                   quillmar::TerminalSafe(failure).c_str());
    }
  };
  quillmar::SearchOutcome outcome = quillmar::RunSiteSearch(site, keyword, page, printRow, {}, options);
  if (!outcome.ListFetched()) {
    const quillmar::HttpStatus& status = outcome.listStatus;
    std::string why = status.reason.empty() ? std::string(quillmar::HttpErrorName(status.error)) : status.reason;
    return Fail("cannot fetch " + quillmar::TerminalSafe(outcome.listUrl) + ": " + quillmar::TerminalSafe(why));
  }
  if (outcome.rowsCut > 0) {
    std::fprintf(stderr, "quillmar-search: search time limit: %d of %d hit(s) not read in time\n", outcome.rowsCut,
                 outcome.hitCount);
  }
  if (outcome.scanSkipped > 0) {
    std::fprintf(stderr, "quillmar-search: %zu place(s) on the result page too costly to read were skipped\n",
                 outcome.scanSkipped);
  }
  if (outcome.scanCutShort) {
    std::fprintf(stderr, "quillmar-search: the result page took too long to read; only its first %d hit(s) shown\n",
                 outcome.hitCount);
  }
  return 0;
}
