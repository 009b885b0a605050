#include "net/site_search.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "net/result_page.h"

namespace quillmar {

namespace {

// Magnet links of the detail pages, filled by the fetching threads in any order and
// read by the search thread in page order.
class DetailSlots {
 public:
  explicit DetailSlots(size_t count) : magnets(count) {}

  void Put(size_t index, std::string magnet) {
    {
      std::lock_guard lock(mutex);
      magnets[index] = std::move(magnet);
    }
    filled.notify_all();
  }

  // Waits until slot index is filled; empty when a stop was requested first.
  std::optional<std::string> Take(size_t index, std::stop_token stop) {
    std::unique_lock lock(mutex);
    if (!filled.wait(lock, stop, [&] { return magnets[index].has_value(); })) return std::nullopt;
    return std::move(magnets[index]);
  }

 private:
  std::mutex mutex;  // guards magnets
  std::condition_variable_any filled;
  std::vector<std::optional<std::string>> magnets;
};

std::string FetchMagnet(const std::string& address, const HttpOptions& http) {
  HttpStatus status;
  ByteArray body = HttpRequest(address, 0, {}, nullptr, nullptr, nullptr, nullptr, false, {}, {}, &status, http);
  return status.Ok() ? CutMagnet(body) : std::string();
}

}  // namespace

SearchOutcome RunSiteSearch(std::string_view site, std::string_view keyword, int page, const SearchRowSink& onRow,
                            std::stop_token stop, const SearchOptions& options) {
  SearchOutcome outcome;
  std::atomic<bool> cancel{false};
  HttpOptions http = options.http;
  http.cancel = &cancel;

  outcome.listUrl = BuildListUrl(site, keyword, page);
  std::stop_callback onStop(stop, [&] { cancel = true; });
  ByteArray body =
      HttpRequest(outcome.listUrl, 0, {}, nullptr, nullptr, nullptr, nullptr, false, {}, {}, &outcome.listStatus, http);
  if (cancel || !outcome.listStatus.Ok()) {
    outcome.cancelled = cancel;
    return outcome;
  }
  std::vector<ListHit> hits = ScrapeListPage(body, outcome.listUrl, &outcome.scanCutShort);
  outcome.hitCount = static_cast<int>(hits.size());
  if (hits.empty() || cancel) {
    outcome.cancelled = cancel;
    return outcome;
  }

  DetailSlots slots(hits.size());
  std::atomic<size_t> nextHit{0};
  auto fetchLoop = [&] {
    for (size_t i = nextHit++; i < hits.size() && !cancel; i = nextHit++) {
      slots.Put(i, FetchMagnet(hits[i].address, http));
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
        std::optional<std::string> magnet = slots.Take(i, stop);
        if (!magnet || cancel) break;
        SearchRow row{static_cast<int>(i), std::move(hits[i].title), std::move(*magnet), hits[i].address};
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

}  // namespace quillmar
