#include "net/site_search.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "net/result_page.h"
#include "base/text_encoding.h"
#include "tests/net/scripted_site.h"

namespace quillmar {
namespace {

using test::ScriptedSite;

// A result list the way the client reads it: all items on one line.
std::string ListPage(const std::vector<std::pair<std::string, std::string>>& items) {
  std::string html = "<html><body>\n<ul>";
  for (const auto& [href, title] : items) html += "<li><a href=\"" + href + "\">" + title + "</a></li>";
  return html + "<li></li></ul>\n</body></html>";
}

std::string DetailPage(const std::string& magnet) {
  return "<html><body><textarea class=\"magnet_copy\">" + magnet + "</textarea></body></html>";
}

struct Collected {
  std::vector<SearchRow> rows;
  SearchOutcome outcome;
};

Collected Search(const std::string& site, const std::string& keywordUtf8, int page = 1, std::stop_token stop = {},
                 const SearchOptions& options = {}) {
  Collected c;
  c.outcome = RunSiteSearch(
      site, Utf8ToGbk(keywordUtf8), page, [&](const SearchRow& row) { c.rows.push_back(row); }, stop, options);
  return c;
}

// Serves /s/<keyword>/<page>/ lists whose hits point at /d/<keyword>-<page>-<n>,
// each detail page carrying its own magnet.
void KeywordRoutes(httplib::Server& s) {
  s.Get(R"(/s/(\w+)/(\d+)/)", [](const httplib::Request& req, httplib::Response& res) {
    std::string stem = std::string(req.matches[1]) + "-" + std::string(req.matches[2]);
    res.set_content(ListPage({{"/d/" + stem + "-1", "first " + stem},
                              {"/d/" + stem + "-2", "second " + stem},
                              {"/d/" + stem + "-3", "third " + stem}}),
                    "text/html");
  });
  s.Get(R"(/d/([\w-]+))", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(DetailPage("magnet:?xt=" + std::string(req.matches[1])), "text/html");
  });
}

TEST(BuildListUrl, EveryByteOfTheUtf8KeywordIsEscaped) {
  EXPECT_EQ(BuildListUrl("http://h/s/", "abc", 1), "http://h/s/%61%62%63/1/");
  EXPECT_EQ(BuildListUrl("http://h/s/", "a b-.9", 12), "http://h/s/%61%20%62%2D%2E%39/12/");
  EXPECT_EQ(BuildListUrl("http://h/s/", "", 1), "http://h/s//1/");
  EXPECT_EQ(BuildListUrl("http://h/s/", Utf8ToGbk("电影"), 2), "http://h/s/%E7%94%B5%E5%BD%B1/2/");
}

TEST(RunSiteSearch, ThreeHitsGiveThreeRowsInPageOrderEachWithItsOwnLink) {
  ScriptedSite site(KeywordRoutes);
  Collected c = Search(site.Base() + "/s/", "abc", 1);
  EXPECT_EQ(c.outcome.listUrl, site.Base() + "/s/%61%62%63/1/");
  ASSERT_TRUE(c.outcome.ListFetched());
  ASSERT_EQ(c.rows.size(), 3u);
  const char* names[] = {"first", "second", "third"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(c.rows[i].index, i);
    EXPECT_EQ(c.rows[i].title, std::string(names[i]) + " abc-1");
    EXPECT_EQ(c.rows[i].magnet, "magnet:?xt=abc-1-" + std::to_string(i + 1));
    EXPECT_EQ(c.rows[i].detailUrl, site.Base() + "/d/abc-1-" + std::to_string(i + 1));
  }
  EXPECT_EQ(c.outcome.rowCount, 3);
  EXPECT_FALSE(c.outcome.cancelled);
}

TEST(RunSiteSearch, SecondSearchShowsEachRowsOwnLink) {
  ScriptedSite site(KeywordRoutes);
  Search(site.Base() + "/s/", "abc", 1);
  Collected again = Search(site.Base() + "/s/", "xyz", 4);
  ASSERT_EQ(again.rows.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(again.rows[i].magnet, "magnet:?xt=xyz-4-" + std::to_string(i + 1));
}

TEST(RunSiteSearch, EveryRowWithoutAMagnetStillComesAndSaysWhy) {
  const int closed = test::ClosedPort();
  test::RawTestServer silent("", /*holdOpen=*/true);
  struct Case {
    std::string href;
    std::string magnet;
    std::string failure;
  };
  const std::vector<Case> cases = {
      {"/plain", "", "no magnet on the page"},
      {"http://127.0.0.1:" + std::to_string(closed) + "/gone", "", "could not connect (cannot connect)"},
      {"/error", "magnet:?xt=from-500", ""},  // an error status still has a body
      {"/missing", "", "HTTP status 404"},
      {"/unclosed", "", "no magnet on the page"},
      {silent.Url("/d"), "", "timed out"},
      {"ftp://127.0.0.1/d", "", "refused address"},
  };
  ScriptedSite site([&](httplib::Server& s) {
    s.Get(R"(/s/.*)", [&](const httplib::Request&, httplib::Response& res) {
      std::vector<std::pair<std::string, std::string>> items;
      for (const Case& c : cases) items.emplace_back(c.href, "t");
      res.set_content(ListPage(items), "text/html");
    });
    s.Get("/plain", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<textarea>magnet:?xt=1</textarea>", "text/html");
    });
    s.Get("/error", [](const httplib::Request&, httplib::Response& res) {
      res.status = 500;
      res.set_content(DetailPage("magnet:?xt=from-500"), "text/html");
    });
    s.Get("/unclosed", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<textarea class=\"magnet_copy\">magnet:?xt=4", "text/html");
    });
  });
  SearchOptions options;
  options.http.totalTimeout = std::chrono::milliseconds(500);
  Collected c = Search(site.Base() + "/s/", "k", 1, {}, options);
  ASSERT_EQ(c.rows.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].href);
    EXPECT_EQ(c.rows[i].title, "t");
    EXPECT_EQ(c.rows[i].magnet, cases[i].magnet);
    EXPECT_EQ(c.rows[i].failure, cases[i].failure);
  }
}

TEST(RunSiteSearch, ErrorStatusListPageIsReadLikeAnyOther) {
  ScriptedSite site([](httplib::Server& s) {
    s.Get(R"(/s/.*)", [](const httplib::Request&, httplib::Response& res) {
      res.status = 500;
      res.set_content(ListPage({{"/d", "still here"}}), "text/html");
    });
    s.Get("/d", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(DetailPage("magnet:?xt=d"), "text/html");
    });
  });
  Collected c = Search(site.Base() + "/s/", "k");
  EXPECT_TRUE(c.outcome.ListFetched());
  EXPECT_EQ(c.outcome.listStatus.responseCode, 500);
  ASSERT_EQ(c.rows.size(), 1u);
  EXPECT_EQ(c.rows[0].magnet, "magnet:?xt=d");
}

TEST(RunSiteSearch, UnreachableListPageIsReportedAndGivesNoRows) {
  Collected refused = Search("http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/s/", "k");
  EXPECT_FALSE(refused.outcome.ListFetched());
  EXPECT_EQ(refused.outcome.listStatus.error, HttpError::Connect);
  EXPECT_TRUE(refused.rows.empty());
  Collected badScheme = Search("ftp://127.0.0.1/s/", "k");
  EXPECT_FALSE(badScheme.outcome.ListFetched());
  EXPECT_TRUE(badScheme.rows.empty());
}

TEST(RunSiteSearch, RequestLimitsApplyToTheListAndToEveryDetailPage) {
  test::RawTestServer silent("", /*holdOpen=*/true);
  SearchOptions quick;
  quick.http.stallTimeout = std::chrono::milliseconds(200);
  Collected stalled = Search(silent.Url("/s/"), "k", 1, {}, quick);
  EXPECT_EQ(stalled.outcome.listStatus.error, HttpError::StallTimeout);
  EXPECT_TRUE(stalled.rows.empty());

  ScriptedSite site([&](httplib::Server& s) {
    s.Get(R"(/s/.*)", [&](const httplib::Request&, httplib::Response& res) {
      res.set_content(ListPage({{silent.Url("/d"), "silent"}, {"/d", "answers"}}), "text/html");
    });
    s.Get("/d", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(DetailPage("magnet:?xt=d"), "text/html");
    });
  });
  Collected c = Search(site.Base() + "/s/", "k", 1, {}, quick);
  ASSERT_EQ(c.rows.size(), 2u);
  EXPECT_EQ(c.rows[0].magnet, "");
  EXPECT_EQ(c.rows[1].magnet, "magnet:?xt=d");
}

TEST(RunSiteSearch, RelativeAndEscapedAddressesAreResolvedAgainstTheListPage) {
  int port = 0;
  std::mutex mutex;
  std::map<std::string, std::string> seen;  // detail path -> query
  auto routes = [&](httplib::Server& s) {
    s.Get(R"(/s/k/1/)", [&](const httplib::Request&, httplib::Response& res) {
      res.set_content(ListPage({{"d/rel", "relative"},
                                {"../../d/up", "parent"},
                                {"/d/root", "root"},
                                {"//127.0.0.1:" + std::to_string(port) + "/d/net", "network path"},
                                {"/d/q?a=1&amp;b=2", "query"}}),
                      "text/html");
    });
    s.Get(R"(/.*d/(\w+))", [&](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard lock(mutex);
      seen[req.path] = req.get_param_value("b");
      res.set_content(DetailPage("magnet:?xt=" + std::string(req.matches[1])), "text/html");
    });
  };
  ScriptedSite site(routes);
  port = site.Port();
  Collected c = Search(site.Base() + "/s/", "k");
  ASSERT_EQ(c.rows.size(), 5u);
  EXPECT_EQ(c.rows[0].detailUrl, site.Base() + "/s/%6B/1/d/rel");
  EXPECT_EQ(c.rows[0].magnet, "magnet:?xt=rel");
  EXPECT_EQ(c.rows[1].detailUrl, site.Base() + "/s/d/up");
  EXPECT_EQ(c.rows[1].magnet, "magnet:?xt=up");
  EXPECT_EQ(c.rows[2].magnet, "magnet:?xt=root");
  EXPECT_EQ(c.rows[3].magnet, "magnet:?xt=net");
  EXPECT_EQ(c.rows[4].detailUrl, site.Base() + "/d/q?a=1&b=2");
  EXPECT_EQ(c.rows[4].magnet, "magnet:?xt=q");
  EXPECT_EQ(seen["/d/q"], "2");
}

TEST(RunSiteSearch, LinksOfARedirectedListPageAreResolvedAgainstWhereItCameFrom) {
  ScriptedSite site([](httplib::Server& s) {
    s.Get(R"(/s/.*)", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/moved/list/"); });
    s.Get("/moved/list/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(ListPage({{"d/rel", "relative"}}), "text/html");
    });
    s.Get("/moved/list/d/rel", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(DetailPage("magnet:?xt=rel"), "text/html");
    });
  });
  Collected c = Search(site.Base() + "/s/", "k");
  ASSERT_EQ(c.rows.size(), 1u);
  EXPECT_EQ(c.rows[0].detailUrl, site.Base() + "/moved/list/d/rel");
  EXPECT_EQ(c.rows[0].magnet, "magnet:?xt=rel");
}

TEST(RunSiteSearch, CharacterReferencesInTitlesAndLinksAreDecoded) {
  ScriptedSite site([](httplib::Server& s) {
    s.Get(R"(/s/.*)", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(ListPage({{"/d", "Tom &amp; Jerry&#39;s &#x4E2D;&#25991; &lt;HD&gt; 100&#37;"}}), "text/html");
    });
    s.Get("/d", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(DetailPage("magnet:?xt=urn:btih:ab&amp;dn=x"), "text/html");
    });
  });
  Collected c = Search(site.Base() + "/s/", "k");
  ASSERT_EQ(c.rows.size(), 1u);
  EXPECT_EQ(GbkToUtf8(c.rows[0].title), "Tom & Jerry's 中文 <HD> 100%");
  EXPECT_EQ(c.rows[0].magnet, "magnet:?xt=urn:btih:ab&dn=x");
}

TEST(RunSiteSearch, DetailPagesAreFetchedSixAtATimeAndRowsStayInOrder) {
  constexpr int kHits = 14;
  std::mutex mutex;
  std::condition_variable changed;
  int inFlight = 0;
  int maxInFlight = 0;
  int arrived = 0;
  auto routes = [&](httplib::Server& s) {
    s.Get(R"(/s/.*)", [](const httplib::Request&, httplib::Response& res) {
      std::vector<std::pair<std::string, std::string>> items;
      for (int i = 0; i < kHits; ++i) items.push_back({"/d/" + std::to_string(i), "hit " + std::to_string(i)});
      res.set_content(ListPage(items), "text/html");
    });
    s.Get(R"(/d/(\d+))", [&](const httplib::Request& req, httplib::Response& res) {
      const int n = std::stoi(req.matches[1]);
      std::unique_lock lock(mutex);
      ++inFlight;
      ++arrived;
      maxInFlight = std::max(maxInFlight, inFlight);
      changed.notify_all();
      // The first six pages answer only once all six have been asked for (so a
      // loaded machine cannot finish one before the sixth arrives), and then in
      // reverse order, so answers come out of order.
      if (n < 6) changed.wait_for(lock, std::chrono::seconds(10), [&] { return arrived >= 6; });
      lock.unlock();
      std::this_thread::sleep_for(std::chrono::milliseconds(2 * (kHits - n)));
      lock.lock();
      --inFlight;
      res.set_content(DetailPage("magnet:?n=" + std::to_string(n)), "text/html");
    });
  };
  ScriptedSite site(routes);
  Collected c = Search(site.Base() + "/s/", "k");
  ASSERT_EQ(c.rows.size(), static_cast<size_t>(kHits));
  for (int i = 0; i < kHits; ++i) {
    EXPECT_EQ(c.rows[i].index, i);
    EXPECT_EQ(c.rows[i].magnet, "magnet:?n=" + std::to_string(i));
  }
  EXPECT_EQ(maxInFlight, 6);
}

// Routes of a keep-alive site with `hits` hits whose detail pages answer after `slowFrom`
// hits only after `delay`.
void ManyHitRoutes(httplib::Server& s, int hits, int slowFrom = 1 << 30,
                   std::chrono::milliseconds delay = std::chrono::milliseconds(0)) {
  s.set_keep_alive_max_count(1000);
  s.Get(R"(/s/.*)", [hits](const httplib::Request&, httplib::Response& res) {
    std::vector<std::pair<std::string, std::string>> items;
    for (int i = 0; i < hits; ++i) items.push_back({"/d/" + std::to_string(i), "hit " + std::to_string(i)});
    res.set_content(ListPage(items), "text/html");
  });
  s.Get(R"(/d/(\d+))", [slowFrom, delay](const httplib::Request& req, httplib::Response& res) {
    const int n = std::stoi(req.matches[1]);
    if (n >= slowFrom) std::this_thread::sleep_for(delay);
    res.set_content(DetailPage("magnet:?n=" + std::to_string(n)), "text/html");
  });
}

TEST(RunSiteSearch, ConnectionsAreKeptForTheNextRequestAndTheNextSearch) {
#ifdef _WIN32
  constexpr bool kCounted = false;  // WinHTTP keeps its connections out of sight: rows only
#else
  constexpr bool kCounted = true;
#endif
  DropIdleConnections();
  ScriptedSite site([](httplib::Server& s) { ManyHitRoutes(s, 20); });
  Collected first = Search(site.Base() + "/s/", "k");
  ASSERT_EQ(first.rows.size(), 20u);
  EXPECT_EQ(first.rows[19].magnet, "magnet:?n=19");
  if (kCounted) {
    EXPECT_GE(first.outcome.connectionsOpened, 1);
    EXPECT_LE(first.outcome.connectionsOpened, 6);
  }
  Collected second = Search(site.Base() + "/s/", "k");
  ASSERT_EQ(second.rows.size(), 20u);
  if (kCounted) {
    EXPECT_EQ(second.outcome.connectionsOpened, 0);
  }
  // The client of old: one connection per request.
  SearchOptions fresh;
  fresh.http.reuseConnections = false;
  Collected third = Search(site.Base() + "/s/", "k", 1, {}, fresh);
  ASSERT_EQ(third.rows.size(), 20u);
  if (kCounted) {
    EXPECT_EQ(third.outcome.connectionsOpened, 21);
  }
}

TEST(RunSiteSearch, SearchTimeLimitCutsTheRowsNotYetReadAndKeepsTheirLines) {
  ScriptedSite site([](httplib::Server& s) { ManyHitRoutes(s, 9, 3, std::chrono::milliseconds(3000)); });
  SearchOptions options;
  options.searchTime = std::chrono::milliseconds(700);
  const auto started = std::chrono::steady_clock::now();
  Collected c = Search(site.Base() + "/s/", "k", 1, {}, options);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(2000));
  EXPECT_TRUE(c.outcome.timedOut);
  EXPECT_FALSE(c.outcome.cancelled);
  EXPECT_EQ(c.outcome.rowsCut, 6);
  ASSERT_EQ(c.rows.size(), 9u);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(c.rows[i].index, i);
    EXPECT_EQ(c.rows[i].magnet, i < 3 ? "magnet:?n=" + std::to_string(i) : "") << i;
    EXPECT_EQ(c.rows[i].failure, i < 3 ? "" : "search time limit") << i;
    EXPECT_EQ(c.rows[i].cutByDeadline, i >= 3) << i;
  }
  // Without time left for the list page, it is the list that fails.
  options.searchTime = std::chrono::milliseconds(0);
  c = Search(site.Base() + "/s/", "k", 1, {}, options);
  EXPECT_TRUE(c.outcome.timedOut);
  EXPECT_FALSE(c.outcome.ListFetched());
  EXPECT_NE(c.outcome.listStatus.reason.find("search time limit"), std::string::npos);
  EXPECT_TRUE(c.rows.empty());
}

TEST(RunSiteSearch, SerialFetchingStillWorks) {
  ScriptedSite site(KeywordRoutes);
  SearchOptions serial;
  serial.maxConcurrentDetails = 1;
  Collected c = Search(site.Base() + "/s/", "abc", 1, {}, serial);
  ASSERT_EQ(c.rows.size(), 3u);
  EXPECT_EQ(c.rows[2].magnet, "magnet:?xt=abc-1-3");
}

// Detail pages that hang until the test lets them go, to see a stop end the search.
class HangingSite {
 public:
  HangingSite()
      : site([this](httplib::Server& s) {
          s.Get(R"(/s/hang-list/.*)", [this](const httplib::Request&, httplib::Response& res) {
            Hang();
            res.set_content(ListPage({{"/d/0", "t"}}), "text/html");
          });
          s.Get(R"(/s/.*)", [](const httplib::Request&, httplib::Response& res) {
            std::vector<std::pair<std::string, std::string>> items;
            for (int i = 0; i < 10; ++i) items.push_back({"/d/" + std::to_string(i), "t"});
            res.set_content(ListPage(items), "text/html");
          });
          s.Get(R"(/d/(\d+))", [this](const httplib::Request& req, httplib::Response& res) {
            if (req.matches[1] != "0") Hang();
            res.set_content(DetailPage("m"), "text/html");
          });
        }) {}
  ~HangingSite() { Release(); }

  void WaitForHangingRequest() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return hanging > 0; });
  }
  void Release() {
    std::lock_guard lock(mutex);
    released = true;
    changed.notify_all();
  }
  // Requests the site is holding right now.
  int Holding() {
    std::lock_guard lock(mutex);
    return holding;
  }
  std::string Prefix() const { return site.Base() + "/s/"; }

 private:
  void Hang() {
    std::unique_lock lock(mutex);
    ++hanging;
    ++holding;
    changed.notify_all();
    changed.wait_for(lock, std::chrono::seconds(20), [&] { return released; });
    --holding;
  }

  std::mutex mutex;
  std::condition_variable changed;
  int hanging = 0;
  int holding = 0;
  bool released = false;
  ScriptedSite site;
};

// Starts a search on a worker, requests a stop once the site holds a request, and
// tells whether the search returned while the site still held a request.
struct StoppedSearch {
  Collected c;
  bool returnedBeforeRelease = false;
};

StoppedSearch StopWhileHanging(HangingSite& site, const std::string& keyword) {
  StoppedSearch result;
  std::stop_source stop;
  std::thread worker([&] {
    result.c = Search(site.Prefix(), keyword, 1, stop.get_token());
    result.returnedBeforeRelease = site.Holding() > 0;
  });
  site.WaitForHangingRequest();
  stop.request_stop();
  worker.join();
  return result;
}

TEST(RunSiteSearch, StopEndsTheSearchWhileDetailRequestsHang) {
  HangingSite site;
  StoppedSearch s = StopWhileHanging(site, "k");
  EXPECT_TRUE(s.returnedBeforeRelease);
  EXPECT_TRUE(s.c.outcome.cancelled);
  // Hit 0 answers at once, so at most that row got out before the stop.
  EXPECT_LE(s.c.rows.size(), 1u);
}

TEST(RunSiteSearch, StopEndsTheSearchWhileTheListRequestHangs) {
  HangingSite site;
  StoppedSearch s = StopWhileHanging(site, "hang-list");
  EXPECT_TRUE(s.returnedBeforeRelease);
  EXPECT_TRUE(s.c.outcome.cancelled);
  EXPECT_FALSE(s.c.outcome.ListFetched());
  EXPECT_TRUE(s.c.rows.empty());
}

TEST(RunSiteSearch, StopBeforeTheStartDeliversNothing) {
  ScriptedSite site(KeywordRoutes);
  std::stop_source stop;
  stop.request_stop();
  Collected c = Search(site.Base() + "/s/", "abc", 1, stop.get_token());
  EXPECT_TRUE(c.outcome.cancelled);
  EXPECT_TRUE(c.rows.empty());
}

}  // namespace
}  // namespace quillmar
