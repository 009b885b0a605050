#include "tools/demo_site.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "net/site_search.h"
#include "base/text_encoding.h"
#include "tools/demo_catalogue.h"

namespace quillmar {
namespace {

std::vector<SearchRow> SearchDemo(const DemoSite& site, const std::string& keywordUtf8, int page) {
  std::vector<SearchRow> rows;
  SearchOutcome outcome = RunSiteSearch(site.SearchPrefix(), Utf8ToGbk(keywordUtf8), page,
                                        [&](const SearchRow& row) { rows.push_back(row); });
  EXPECT_TRUE(outcome.ListFetched());
  return rows;
}

TEST(DemoSite, MoviePagesStepThroughTheCatalogueTenAtATime) {
  DemoSite site;
  ASSERT_GT(site.Start(0), 0);
  std::vector<const DemoEntry*> expected = FindDemoEntries("电影");
  ASSERT_EQ(expected.size(), 24u);
  size_t seen = 0;
  for (int page = 1; page <= 4; ++page) {
    std::vector<SearchRow> rows = SearchDemo(site, "电影", page);
    EXPECT_EQ(rows.size(), page < 3 ? 10u : page == 3 ? 4u : 0u) << "page " << page;
    for (const SearchRow& row : rows) {
      ASSERT_LT(seen, expected.size());
      EXPECT_EQ(GbkToUtf8(row.title), expected[seen]->title);
      EXPECT_EQ(row.magnet, DemoMagnet(*expected[seen]));
      ++seen;
    }
  }
  EXPECT_EQ(seen, expected.size());
}

TEST(DemoSite, EveryTitleAndLinkSurvivesTheTripThroughHtml) {
  DemoSite site(DemoSite::Options{.pageSize = 100});
  ASSERT_GT(site.Start(0), 0);
  std::vector<SearchRow> rows = SearchDemo(site, "", 1);
  const std::vector<DemoEntry>& all = DemoCatalogue();
  ASSERT_EQ(rows.size(), all.size());
  for (size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(GbkToUtf8(rows[i].title), all[i].title);
    EXPECT_EQ(rows[i].magnet, DemoMagnet(all[i]));
    EXPECT_TRUE(rows[i].magnet.starts_with("magnet:?xt=urn:btih:"));
  }
}

TEST(DemoSite, KeywordsMatchTitlesAndTagsIgnoringCase) {
  EXPECT_EQ(FindDemoEntries("SINTEL").size(), 1u);
  EXPECT_EQ(FindDemoEntries("Movie"), FindDemoEntries("movie"));
  EXPECT_TRUE(FindDemoEntries("no such thing").empty());
  EXPECT_EQ(FindDemoEntries("").size(), DemoCatalogue().size());
  // Every entry has a link of its own.
  std::vector<std::string> magnets;
  for (const DemoEntry& e : DemoCatalogue()) magnets.push_back(DemoMagnet(e));
  std::sort(magnets.begin(), magnets.end());
  EXPECT_EQ(std::unique(magnets.begin(), magnets.end()), magnets.end());
}

TEST(DemoSite, UnknownDetailPageIsNotFoundAndStopFreesThePort) {
  DemoSite site;
  const int port = site.Start(0);
  ASSERT_GT(port, 0);
  HttpStatus status;
  HttpRequest("http://127.0.0.1:" + std::to_string(port) + "/d/1.html", 0, {}, nullptr, nullptr, nullptr, nullptr,
              false, {}, {}, &status);
  EXPECT_EQ(status.responseCode, 404);
  site.Stop();
  HttpRequest("http://127.0.0.1:" + std::to_string(port) + "/", 0, {}, nullptr, nullptr, nullptr, nullptr, false, {},
              {}, &status);
  EXPECT_EQ(status.error, HttpError::Connect);
  EXPECT_EQ(site.Start(port), port);
}

// The demo site's certificate in a file of its own, for the client to trust.
std::string WriteCertificate(const DemoSite& site) {
  const std::string path = ::testing::TempDir() + "quillmar_demo_" + std::to_string(::getpid()) + ".pem";
  std::ofstream(path, std::ios::binary | std::ios::trunc) << site.CertificatePem();
  return path;
}

TEST(DemoSite, HttpsWithHttp2GivesTheSameRowsAsHttp11) {
  DemoSite site;
  ASSERT_GT(site.Start(0), 0);
  if (!DemoSite::HttpsBuiltIn()) {
    // Without TLS the port stays shut rather than serving something no client can trust.
    EXPECT_EQ(site.StartSecure(0), -1);
    EXPECT_TRUE(site.CertificatePem().empty());
    EXPECT_EQ(site.SecurePort(), -1);
    GTEST_SKIP() << "this build serves plain HTTP only";
  }
  ASSERT_GT(site.StartSecure(0), 0);
  const std::string caFile = WriteCertificate(site);
  struct Run {
    std::vector<SearchRow> rows;
    SearchOutcome outcome;
  };
  auto search = [&](bool http2, const std::string& trust) {
    Run run;
    SearchOptions options;
    options.http.allowHttp2 = http2;
    options.http.caFile = trust;
    run.outcome = RunSiteSearch(
        site.SecureSearchPrefix(), Utf8ToGbk("电影"), 1, [&](const SearchRow& row) { run.rows.push_back(row); }, {},
        options);
    return run;
  };
  const Run h2 = search(true, caFile);
  const Run h1 = search(false, caFile);
  ASSERT_TRUE(h2.outcome.ListFetched()) << h2.outcome.listStatus.reason;
  ASSERT_TRUE(h1.outcome.ListFetched()) << h1.outcome.listStatus.reason;
  EXPECT_EQ(h2.outcome.listStatus.httpVersion, 20);
  EXPECT_EQ(h1.outcome.listStatus.httpVersion, 11);
  ASSERT_EQ(h2.rows.size(), 10u);
  ASSERT_EQ(h1.rows.size(), h2.rows.size());
  for (size_t i = 0; i < h2.rows.size(); ++i) {
    EXPECT_EQ(h2.rows[i].index, static_cast<int>(i));
    EXPECT_EQ(h2.rows[i].detailStatus.httpVersion, 20);
    EXPECT_EQ(h2.rows[i].title, h1.rows[i].title);
    EXPECT_EQ(h2.rows[i].magnet, h1.rows[i].magnet);
    EXPECT_FALSE(h2.rows[i].magnet.empty());
  }
  // All the detail pages went over the list page's one connection.
  EXPECT_LE(h2.outcome.connectionsOpened, 1);
  // Without the certificate trusted, nothing is fetched.
  DropIdleConnections();
  const Run untrusted = search(true, {});
  EXPECT_EQ(untrusted.outcome.listStatus.error, HttpError::Tls) << untrusted.outcome.listStatus.reason;
  std::remove(caFile.c_str());
}

}  // namespace
}  // namespace quillmar
