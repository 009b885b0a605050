// Character references and link resolution, the two hand-written readers of page text.
#include <gtest/gtest.h>

#include <random>

#include "net/html_entities.h"
#include "net/result_page.h"
#include "net/url_resolve.h"

namespace quillmar {
namespace {

TEST(DecodeHtmlEntities, NamedAndNumericReferences) {
  EXPECT_EQ(DecodeHtmlEntities("Tom &amp; Jerry"), "Tom & Jerry");
  EXPECT_EQ(DecodeHtmlEntities("O&#39;Brien &quot;Q&quot; &lt;b&gt;"), "O'Brien \"Q\" <b>");
  EXPECT_EQ(DecodeHtmlEntities("&#x4E2D;&#X6587;&#25991;"), "中文文");
  EXPECT_EQ(DecodeHtmlEntities("&#x1F600;"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(DecodeHtmlEntities("a&nbsp;b&hellip;"),
            "a\xC2\xA0"
            "b\xE2\x80\xA6");
  EXPECT_EQ(DecodeHtmlEntities("&AMP;&#38"), "&&");  // numeric without ";" is still read
}

TEST(DecodeHtmlEntities, UnknownOrBrokenReferencesStayAsWritten) {
  EXPECT_EQ(DecodeHtmlEntities("AT&T & co &unknown; &amp &#; &#x; &"), "AT&T & co &unknown; &amp &#; &#x; &");
  EXPECT_EQ(DecodeHtmlEntities("&&amp;&"), "&&&");
  EXPECT_EQ(DecodeHtmlEntities(""), "");
}

TEST(DecodeHtmlEntities, NumbersThatNameNoCharacterBecomeReplacementCharacter) {
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(DecodeHtmlEntities("&#0;"), replacement);
  EXPECT_EQ(DecodeHtmlEntities("&#xD800;"), replacement);
  EXPECT_EQ(DecodeHtmlEntities("&#x110000;"), replacement);
  EXPECT_EQ(DecodeHtmlEntities("&#99999999999999999999999;x"), replacement + "x");
}

TEST(ResolveUrl, ReferenceResolutionExamples) {
  const std::string base = "http://a/b/c/d;p?q";
  EXPECT_EQ(ResolveUrl(base, "g"), "http://a/b/c/g");
  EXPECT_EQ(ResolveUrl(base, "./g"), "http://a/b/c/g");
  EXPECT_EQ(ResolveUrl(base, "g/"), "http://a/b/c/g/");
  EXPECT_EQ(ResolveUrl(base, "/g"), "http://a/g");
  EXPECT_EQ(ResolveUrl(base, "//g"), "http://g/");
  EXPECT_EQ(ResolveUrl(base, "?y"), "http://a/b/c/d;p?y");
  EXPECT_EQ(ResolveUrl(base, "g?y#s"), "http://a/b/c/g?y#s");
  EXPECT_EQ(ResolveUrl(base, "#s"), "http://a/b/c/d;p?q#s");
  EXPECT_EQ(ResolveUrl(base, ""), "http://a/b/c/d;p?q");
  EXPECT_EQ(ResolveUrl(base, "."), "http://a/b/c/");
  EXPECT_EQ(ResolveUrl(base, ".."), "http://a/b/");
  EXPECT_EQ(ResolveUrl(base, "../g"), "http://a/b/g");
  EXPECT_EQ(ResolveUrl(base, "../../../g"), "http://a/g");
  EXPECT_EQ(ResolveUrl(base, "/./g"), "http://a/g");
  EXPECT_EQ(ResolveUrl(base, "g/../h"), "http://a/b/c/h");
  EXPECT_EQ(ResolveUrl(base, "https://other:8443/x/../y"), "https://other:8443/y");
}

TEST(ResolveUrl, ListPageLinksBecomeFetchableAddresses) {
  const std::string list = "http://127.0.0.1:8410/s/%61/1/";
  EXPECT_EQ(ResolveUrl(list, "/d/1.html"), "http://127.0.0.1:8410/d/1.html");
  EXPECT_EQ(ResolveUrl(list, "d/1.html"), "http://127.0.0.1:8410/s/%61/1/d/1.html");
  EXPECT_EQ(ResolveUrl(list, "  /d/1.html\n"), "http://127.0.0.1:8410/d/1.html");
  EXPECT_EQ(ResolveUrl(list, "/d/中 1"), "http://127.0.0.1:8410/d/%E4%B8%AD%201");
  EXPECT_EQ(ResolveUrl("example.com/s/a/1/", "/d/2"), "http://example.com/d/2");
  EXPECT_EQ(ResolveUrl("http://h", "x"), "http://h/x");
  EXPECT_EQ(ResolveUrl(list, "javascript:void(0)"), "javascript:void(0)");
}

TEST(PageReaders, ArbitraryBytesNeverBreakThem) {
  // Pieces of the syntax they look for, shuffled with stray bytes.
  const std::vector<std::string> pieces = {"&",          "#",          "x",    ";",
                                           "amp",        "&#x",        "&#",   "9",
                                           "F",          "<a href=\"", "\">",  "</a></li><li>",
                                           "/",          "..",         "./",   "//",
                                           "?",          "#",          ":",    "%",
                                           "%4",         "%E4",        "\xFF", "\xC3",
                                           "\xE4\xB8",   "\n",         " ",    "\"magnet_copy\">",
                                           "</textarea>"};
  std::mt19937 random(20240601);
  for (int round = 0; round < 3000; ++round) {
    std::string input;
    const int count = static_cast<int>(random() % 24);
    for (int i = 0; i < count; ++i) {
      if (random() % 4 == 0) {
        input.push_back(static_cast<char>(random() % 256));
      } else {
        input += pieces[random() % pieces.size()];
      }
    }
    const std::string link = input.substr(0, input.size() / 2);
    DecodeHtmlEntities(input);
    ResolveUrl(input, link);
    ResolveUrl("http://h/a/b", input);
    ScrapeListPage(input, "http://h/s/");
    CutMagnet(input);
  }
}

}  // namespace
}  // namespace quillmar
