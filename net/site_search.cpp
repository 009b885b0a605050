#include "net/site_search.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <optional>
#include <vector>

#include "net/http_batch.h"
#include "net/result_page.h"

namespace quillmar {

namespace {

using Clock = std::chrono::steady_clock;

// Detail pages in flight at once when the site speaks HTTP/2: streams of one connection.
constexpr std::size_t kMaxStreams = 100;

// Why a detail request gave no magnet, in the words a user of the search reads.
std::string FailureOf(const HttpStatus& status) {
  switch (status.error) {
    case HttpError::None:
      return status.responseCode >= 400 ? "HTTP status " + std::to_string(status.responseCode)
                                        : "no magnet on the page";
    case HttpError::BadUrl:
    case HttpError::RefusedScheme:
      return "refused address";
    case HttpError::Resolve:
    case HttpError::Connect:
    case HttpError::Tls:
      return "could not connect (" + std::string(HttpErrorName(status.error)) + ")";
    case HttpError::ConnectTimeout:
    case HttpError::StallTimeout:
    case HttpError::TotalTimeout:
      return status.error == HttpError::TotalTimeout ? "timed out"
                                                     : "timed out (" + std::string(HttpErrorName(status.error)) + ")";
    default:
      return std::string(HttpErrorName(status.error));
  }
}

Clock::time_point DeadlineAfter(std::chrono::milliseconds time) {
  const Clock::time_point now = Clock::now();
  return time >= std::chrono::duration_cast<std::chrono::milliseconds>(Clock::time_point::max() - now)
             ? Clock::time_point::max()
             : now + std::max(time, std::chrono::milliseconds(0));
}

}  // namespace

SearchOutcome RunSiteSearch(std::string_view site, std::string_view keyword, int page, const SearchRowSink& onRow,
                            std::stop_token stop, const SearchOptions& options) {
  SearchOutcome outcome;
  std::atomic<bool> cancel{false};
  HttpOptions http = options.http;
  http.cancel = &cancel;
  const Clock::time_point deadline = DeadlineAfter(options.searchTime);
  const std::string timeLimit(kSearchTimeLimit);

  outcome.listUrl = BuildListUrl(site, keyword, page, options.text);
  std::stop_callback onStop(stop, [&] { cancel = true; });
  HttpBatch batch(static_cast<std::size_t>(std::max(1, options.maxConcurrentDetails)));
  ByteArray body;
  batch.Add(outcome.listUrl, {.status = &outcome.listStatus, .limits = http},
            [&body](ByteArray b) { body = std::move(b); });
  // Detail pages usually live on the list page's site: their connections are opened while the
  // list page is on its way, so the first of them do not wait for a handshake of their own.
  if (options.maxConcurrentDetails > 1 && http.reuseConnections) {
    batch.WarmUp(outcome.listUrl, http, static_cast<std::size_t>(options.maxConcurrentDetails - 1));
  }
  HttpBatch::End end = batch.Run(&cancel, deadline);
  // What the site offered, when it was free to offer HTTP/2.
  if (http.allowHttp2 && http.reuseConnections)
    HttpBatch::NoteProtocol(outcome.listUrl, outcome.listStatus.httpVersion);
  if (end == HttpBatch::End::Deadline) {
    batch.Abandon(HttpError::TotalTimeout, timeLimit);
    outcome.timedOut = true;
  } else if (end == HttpBatch::End::Cancelled) {
    batch.Abandon(HttpError::Cancelled, {});
  }
  if (cancel || !outcome.listStatus.Ok()) {
    outcome.cancelled = cancel;
    outcome.connectionsOpened = batch.ConnectionsOpened();
    return outcome;
  }
  // Links are relative to where the page came from, which a redirect may have changed.
  const std::string& base = outcome.listStatus.finalUrl.empty() ? outcome.listUrl : outcome.listStatus.finalUrl;
  std::vector<ListHit> hits =
      ScrapeListPage(body, base, &outcome.scanCutShort, options.text, &cancel, &outcome.scanSkipped);
  body.clear();
  outcome.hitCount = static_cast<int>(hits.size());
  if (options.onListRead && !cancel) options.onListRead(outcome);
  if (hits.empty() || cancel) {
    outcome.cancelled = cancel;
    outcome.connectionsOpened = batch.ConnectionsOpened();
    return outcome;
  }
  if (outcome.listStatus.httpVersion == 20 && options.maxConcurrentDetails > 1) {
    batch.SetMaxInFlight(std::min(hits.size(), kMaxStreams));
  }

  // Pages come back in any order; rows go out in page order, as soon as all before are out.
  std::vector<HttpStatus> statuses(hits.size());
  std::vector<std::optional<SearchRow>> ready(hits.size());
  std::size_t next = 0;
  bool cutting = false;
  auto deliver = [&] {
    while (next < hits.size() && ready[next] && !cancel) {
      onRow(*ready[next]);
      ready[next].reset();
      ++outcome.rowCount;
      ++next;
    }
  };
  for (std::size_t i = 0; i < hits.size(); ++i) {
    batch.Add(hits[i].address, {.status = &statuses[i], .limits = http}, [&, i](ByteArray page) {
      SearchRow row{static_cast<int>(i), std::move(hits[i].title), {}, hits[i].address, std::move(statuses[i]), {}};
      if (row.detailStatus.Ok()) row.magnet = CutMagnet(page, options.text);
      if (cutting) {
        row.failure = timeLimit;
        row.cutByDeadline = true;
        ++outcome.rowsCut;
      } else if (row.magnet.empty()) {
        row.failure = FailureOf(row.detailStatus);
      }
      ready[i] = std::move(row);
      deliver();
    });
  }
  end = batch.Run(&cancel, deadline);
  if (end == HttpBatch::End::Deadline) {
    outcome.timedOut = true;
    cutting = true;
    batch.Abandon(HttpError::TotalTimeout, timeLimit);
  }
  outcome.cancelled = cancel;
  outcome.connectionsOpened = batch.ConnectionsOpened();
  return outcome;
}

std::string SearchSiteFromEnvironment() {
  if (const char* env = std::getenv("QUILLMAR_SITE"); env && *env) return env;
  return std::string(kDefaultSearchSite);
}

}  // namespace quillmar
