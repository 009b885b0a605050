// Character references and link resolution, the two hand-written readers of page text.
#include <gtest/gtest.h>

#include "net/html_entities.h"
#include "net/url_resolve.h"

namespace quillmar {
namespace {

TEST(DecodeHtmlEntities, NamedAndNumericReferences) {
    EXPECT_EQ(DecodeHtmlEntities("Tom &amp; Jerry"), "Tom & Jerry");
    EXPECT_EQ(DecodeHtmlEntities("O&#39;Brien &quot;Q&quot; &lt;b&gt;"), "O'Brien \"Q\" <b>");
    EXPECT_EQ(DecodeHtmlEntities("&#x4E2D;&#X6587;&#25991;"), "中文文");
    EXPECT_EQ(DecodeHtmlEntities("&#x1F600;"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(DecodeHtmlEntities("a&nbsp;b&hellip;"), "a\xC2\xA0" "b\xE2\x80\xA6");
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

}  // namespace
}  // namespace quillmar
