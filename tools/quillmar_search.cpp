// quillmar-search: one search from the command line, one line per hit,
// "title<TAB>magnet" in UTF-8, printed as the rows arrive.
#include <chrono>
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
      "usage: quillmar-search [--site URL] [--page N] [--max-time SECONDS] KEYWORD...\n"
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
      "  --help              this text\n"
      "\n"
      "Exit status: 0 when the search ran (with or without hits; an HTTP error page\n"
      "counts as a page), 2 when the list page could not be fetched or the\n"
      "arguments are wrong (the reason goes to stderr).\n",
      std::string(quillmar::kDefaultSearchSite).c_str());
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
    if (!optionsDone && (arg == "--site" || arg == "--page" || arg == "--max-time" || arg.starts_with("--site=") ||
                         arg.starts_with("--page=") || arg.starts_with("--max-time="))) {
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
      } else if (arg == "--max-time") {
        std::string text(value);
        char* end = nullptr;
        double seconds = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || !std::isfinite(seconds) || seconds < 0.001 || seconds > 86400) {
          return Fail("bad time: " + text + " (seconds, from 0.001 to 86400)");
        }
        options.http.totalTimeout = std::chrono::milliseconds(std::llround(seconds * 1000));
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
    std::string line = title + '\t' + quillmar::TerminalSafe(row.magnet);
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
    if (!row.failure.empty()) {
      std::fprintf(stderr, "quillmar-search: no magnet for \"%s\": %s\n", title.c_str(),
                   quillmar::TerminalSafe(row.failure).c_str());
    }
  };
  quillmar::SearchOutcome outcome = quillmar::RunSiteSearch(site, keyword, page, printRow, {}, options);
  if (!outcome.ListFetched()) {
    const quillmar::HttpStatus& status = outcome.listStatus;
    std::string why = status.reason.empty() ? std::string(quillmar::HttpErrorName(status.error)) : status.reason;
    return Fail("cannot fetch " + quillmar::TerminalSafe(outcome.listUrl) + ": " + quillmar::TerminalSafe(why));
  }
  if (outcome.scanCutShort) {
    std::fprintf(stderr, "quillmar-search: the result page took too long to read; only its first %d hit(s) shown\n",
                 outcome.hitCount);
  }
  return 0;
}
