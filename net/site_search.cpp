#include "net/site_search.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "net/result_page.h"

namespace quillmar {

namespace {

struct Detail {
  std::string magnet;
  HttpStatus status;
  std::string failure;
};

// Magnet links of the detail pages, filled by the fetching threads in any order and
// read by the search thread in page order.
class DetailSlots {
 public:
  explicit DetailSlots(size_t count) : details(count) {}

  void Put(size_t index, Detail detail) {
    {
      std::lock_guard lock(mutex);
      details[index] = std::move(detail);
    }
    filled.notify_all();
  }

  // Waits until slot index is filled; empty when a stop was requested first.
  std::optional<Detail> Take(size_t index, std::stop_token stop) {
    std::unique_lock lock(mutex);
    if (!filled.wait(lock, stop, [&] { return details[index].has_value(); })) return std::nullopt;
    return std::move(details[index]);
  }

 private:
  std::mutex mutex;  // guards details
  std::condition_variable_any filled;
  std::vector<std::optional<Detail>> details;
};

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

Detail FetchDetail(const std::string& address, const HttpOptions& http, TextForm form) {
  Detail detail;
  ByteArray body = HttpRequest(address, {.status = &detail.status, .limits = http});
  if (detail.status.Ok()) detail.magnet = CutMagnet(body, form);
  if (detail.magnet.empty()) detail.failure = FailureOf(detail.status);
  return detail;
}

}  // namespace

SearchOutcome RunSiteSearch(std::string_view site, std::string_view keyword, int page, const SearchRowSink& onRow,
                            std::stop_token stop, const SearchOptions& options) {
  SearchOutcome outcome;
  std::atomic<bool> cancel{false};
  HttpOptions http = options.http;
  http.cancel = &cancel;

  outcome.listUrl = BuildListUrl(site, keyword, page, options.text);
  std::stop_callback onStop(stop, [&] { cancel = true; });
  ByteArray body = HttpRequest(outcome.listUrl, {.status = &outcome.listStatus, .limits = http});
  if (cancel || !outcome.listStatus.Ok()) {
    outcome.cancelled = cancel;
    return outcome;
  }
  // Links are relative to where the page came from, which a redirect may have changed.
  const std::string& base = outcome.listStatus.finalUrl.empty() ? outcome.listUrl : outcome.listStatus.finalUrl;
  std::vector<ListHit> hits = ScrapeListPage(body, base, &outcome.scanCutShort, options.text, &cancel);
  outcome.hitCount = static_cast<int>(hits.size());
  if (options.onListRead && !cancel) options.onListRead(outcome);
  if (hits.empty() || cancel) {
    outcome.cancelled = cancel;
    return outcome;
  }

  DetailSlots slots(hits.size());
  std::atomic<size_t> nextHit{0};
  auto fetchLoop = [&] {
    for (size_t i = nextHit++; i < hits.size() && !cancel; i = nextHit++) {
      slots.Put(i, FetchDetail(hits[i].address, http, options.text));
    }
  };
  const size_t threadCount =
      std::clamp<size_t>(static_cast<size_t>(std::max(1, options.maxConcurrentDetails)), 1, hits.size());
  {
    std::vector<std::jthread> fetchers;
    fetchers.reserve(threadCount);
    for (size_t t = 0; t < threadCount; ++t) fetchers.emplace_back(fetchLoop);

    try {
      for (size_t i = 0; i < hits.size(); ++i) {
        std::optional<Detail> detail = slots.Take(i, stop);
        if (!detail || cancel) break;
        SearchRow row{static_cast<int>(i), std::move(hits[i].title),  std::move(detail->magnet),
                      hits[i].address,     std::move(detail->status), std::move(detail->failure)};
        onRow(row);
        ++outcome.rowCount;
      }
    } catch (...) {
      cancel = true;
      throw;
    }
    // Fetchers still running after a cancel see the flag and their requests end.
  }
  outcome.cancelled = cancel;
  return outcome;
}

std::string SearchSiteFromEnvironment() {
  if (const char* env = std::getenv("QUILLMAR_SITE"); env && *env) return env;
  return std::string(kDefaultSearchSite);
}

}  // namespace quillmar
