#include "net/result_page.h"

#include <gtest/gtest.h>

#include "base/text_encoding.h"

namespace quillmar {
namespace {

const std::string kList = "http://h/s/%61/1/";

std::string Item(int n) {
  return "<li><a href=\"/d/" + std::to_string(n) + "\">title " + std::to_string(n) + "</a></li>";
}

TEST(ScrapeListPage, SeveralMebibytePageGivesEveryHitInOrder) {
  std::string page = "<html><ul>";
  constexpr int kHits = 3000;
  const std::string padding(1100, 'x');
  for (int i = 0; i < kHits; ++i) {
    page += "<li><a href=\"/d/" + std::to_string(i) + "\">" + padding + " title " + std::to_string(i) + "</a></li>";
  }
  page += "<li></ul></html>";
  ASSERT_GT(page.size(), 3u << 20);
  bool cutShort = true;
  std::vector<ListHit> hits = ScrapeListPage(page, kList, &cutShort);
  EXPECT_FALSE(cutShort);
  ASSERT_EQ(hits.size(), static_cast<size_t>(kHits));
  EXPECT_EQ(hits.front().address, "http://h/d/0");
  EXPECT_EQ(hits.back().title, padding + " title " + std::to_string(kHits - 1));
}

TEST(ScrapeListPage, HostilePageEndsWithTheHitsFoundBeforeIt) {
  // One endless line of anchors that never close makes the lazy groups scan the
  // rest of the line from every anchor.
  std::string page = Item(1) + Item(2) + "<li>";
  for (int i = 0; i < 200'000; ++i) page += "<a href=\"x\">y</a></li>";
  bool cutShort = false;
  std::vector<ListHit> hits = ScrapeListPage(page, kList, &cutShort);
  EXPECT_TRUE(cutShort);
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(hits[1].title, "title 2");
}

TEST(ScrapeListPage, StrayAnchorOnALongLineLosesNoHitAfterIt) {
  // An opening that never closes, then 2 MB on the same line: reading from it costs more than
  // one match may, and only that start is given up.
  std::string page = "<li><a href=\"" + std::string(2 << 20, 'x') + "\n" + Item(1) + Item(2) + Item(3) + "<li>";
  bool cutShort = true;
  size_t skipped = 0;
  std::vector<ListHit> hits = ScrapeListPage(page, kList, &cutShort, TextForm::Program, nullptr, &skipped);
  EXPECT_FALSE(cutShort);
  EXPECT_EQ(skipped, 1u);
  ASSERT_EQ(hits.size(), 3u);
  EXPECT_EQ(hits[2].title, "title 3");
}

TEST(ScrapeListPage, InvalidUtf8LosesOnlyTheBadBytes) {
  std::string page = "\xFF\xFE" + Item(1) + "<li><a href=\"/d/2\">bad\x80\xE4\xB8 tail\xC3</a></li><li>";
  std::vector<ListHit> hits = ScrapeListPage(page, kList);
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(hits[0].title, "title 1");
  const std::string title = GbkToUtf8(hits[1].title);
  EXPECT_TRUE(title.starts_with("bad")) << title;
  EXPECT_NE(title.find(" tail"), std::string::npos) << title;
  EXPECT_NE(title.find("\xEF\xBF\xBD"), std::string::npos) << title;
}

TEST(ScrapeListPage, PageIsPercentDecodedAndEndsAtItsFirstZeroByte) {
  std::string page = "<li><a href=\"/d/%E4%B8%AD\">%E4%B8%AD%e6%96%87 50%</a></li><li>";
  page += std::string(1, '\0') + Item(9) + "<li>";
  std::vector<ListHit> hits = ScrapeListPage(page, kList);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(GbkToUtf8(hits[0].title), "中文 50%");
  EXPECT_EQ(hits[0].address, "http://h/d/%E4%B8%AD");
}

TEST(ScrapeListPage, TitlesComeBackAsProgramText) {
  std::vector<ListHit> hits =
      ScrapeListPage("<li><a href=\"/d\">电影 \xEC\x84\x9C\xEC\x9A\xB8 \xF0\x9F\x8E\xAC</a></li><li>", kList);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].title, Utf8ToGbk("电影 서울 🎬"));
  EXPECT_EQ(GbkToUtf8(hits[0].title), "电影 서울 🎬");  // nothing outside GBK turned into "?"
}

// The magnet is taken as the page serves it: its own escapes are part of it. Only a page
// that shows the markers nowhere but escaped is read decoded.
TEST(CutMagnet, MagnetComesOutAsServedWithOnlyCharacterReferencesDecoded) {
  const std::string open = "<textarea id=\"m\" class=\"magnet_copy\">";
  struct Case {
    std::string page;
    std::string magnet;  // UTF-8
  };
  const Case cases[] = {
      {open + "magnet:?xt=1&amp;dn=a</textarea>", "magnet:?xt=1&dn=a"},
      {open + "magnet:?xt=1&amp;dn=Tom%26Jerry</textarea>", "magnet:?xt=1&dn=Tom%26Jerry"},
      {open + "magnet:?dn=a%20b%23c%25d%2F&amp;tr=udp%3A%2F%2Ft</textarea>",
       "magnet:?dn=a%20b%23c%25d%2F&tr=udp%3A%2F%2Ft"},
      {open + "magnet:?dn=%E4%B8%AD 电影</textarea>", "magnet:?dn=%E4%B8%AD 电影"},
      {"%3Ctextarea%20class%3D%22magnet_copy%22%3Emagnet%3A%3Fxt%3D1%26amp%3Bdn%3D%E7%94%B5%3C%2Ftextarea%3E",
       "magnet:?xt=1&dn=电"},
      {"<textarea>magnet:?xt=1</textarea>", ""},
      {"\"magnet_copy\">magnet:?xt=1", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    EXPECT_EQ(CutMagnet(c.page, TextForm::Utf8), c.magnet);
    EXPECT_EQ(CutMagnet(c.page), Utf8ToGbk(c.magnet));
  }
}

}  // namespace
}  // namespace quillmar
