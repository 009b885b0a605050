#pragma once
// One search against a site: fetch a result page, read its hits, fetch every hit's
// detail page and hand back one row per hit, in page order. Free of UI types: the
// caller decides where the rows go (the window posts them to its own thread).
#include <chrono>
#include <cstddef>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>

#include "net/http_request.h"
#include "net/result_page.h"

namespace quillmar {

// The demo site that ships with the program, on this machine.
inline constexpr std::string_view kDefaultSearchSite = "http://127.0.0.1:8410/s/";

// The site to search: $QUILLMAR_SITE when set and not empty, else the demo site.
std::string SearchSiteFromEnvironment();

struct SearchRow {
  int index = 0;          // 0-based position of the hit on the result page
  std::string title;      // in SearchOptions::text
  std::string magnet;     // in SearchOptions::text; empty when the detail page gave none
  std::string detailUrl;  // the address this row's magnet link was read from
  HttpStatus detailStatus;
  // Why the magnet is empty, one line of ASCII ("timed out", "HTTP status 404", "no magnet
  // on the page", "search time limit", ...); empty when it was read.
  std::string failure;
  bool cutByDeadline = false;  // its page was not read before the search's time ran out
};

// The cause of a row whose page was not read in the search's time.
inline constexpr std::string_view kSearchTimeLimit = "search time limit";

struct SearchOutcome {
  std::string listUrl;
  HttpStatus listStatus;  // of the list request; an HTTP error status still counts as fetched
  int hitCount = 0;       // hits read from the list page
  int rowCount = 0;       // rows delivered
  bool cancelled = false;
  bool scanCutShort = false;    // the page was so hostile that reading it stopped early
  std::size_t scanSkipped = 0;  // places on the page too costly to read, passed over
  bool timedOut = false;        // the search's own time ran out
  int rowsCut = 0;              // rows delivered with an empty magnet because of that
  long connectionsOpened = 0;   // new connections the search opened (the rest were reused)
  bool ListFetched() const { return listStatus.Ok(); }
};

struct SearchOptions {
  // Detail pages fetched at once over HTTP/1.1 (over HTTP/2 all go at once on one
  // connection, unless this is 1); rows still arrive in page order.
  int maxConcurrentDetails = 6;
  // Limits of every request; the search sets its own cancel flag.
  HttpOptions http;
  // The whole search, list page and every detail page: when it runs out, the rows not read
  // yet come at once with an empty magnet and kSearchTimeLimit as the cause.
  std::chrono::milliseconds searchTime{120000};
  // The form of the keyword given and of the rows' texts.
  TextForm text = TextForm::Program;
  // Called on the searching thread once the list page is read and before any row, with the
  // list address, its status and the hit count filled in; a window shows progress with it.
  std::function<void(const SearchOutcome&)> onListRead;
};

// Called on the thread that runs the search, once per row, strictly in page order.
using SearchRowSink = std::function<void(const SearchRow&)>;

// Runs the whole search on the calling thread. A stop request ends it promptly:
// requests in flight are abandoned and no row is delivered after the request is seen.
SearchOutcome RunSiteSearch(std::string_view site, std::string_view keyword, int page, const SearchRowSink& onRow,
                            std::stop_token stop = {}, const SearchOptions& options = {});

}  // namespace quillmar
