#include "net/cookies.h"

#include <gtest/gtest.h>

namespace quillmar {
namespace {

TEST(MergeCookies, NewValuesFirstOldOnesCarriedOverDeletedDropped) {
  EXPECT_EQ(MergeCookies("a=1; b=2", "b=3; c=deleted"), "b=3; a=1");
  EXPECT_EQ(MergeCookies("a=1; b=2", ""), "a=1; b=2");
  EXPECT_EQ(MergeCookies("", "x=1"), "x=1");
  EXPECT_EQ(MergeCookies("", ""), "");
  // A deleted value also removes the old cookie of that name.
  EXPECT_EQ(MergeCookies("a=1; b=2", "a=deleted"), "b=2");
}

TEST(MergeCookies, SpacesAreRemovedEvenInsideValues) {
  EXPECT_EQ(MergeCookies("", "a=x y"), "a=xy");
  EXPECT_EQ(MergeCookies("a=1",
                         "b=\xA1\xA1"
                         "2"),
            "b=2; a=1");  // full-width space
  // Bytes A1 A1 that straddle two characters are not a full-width space.
  EXPECT_EQ(MergeCookies("", "b=\xB0\xA1\xA1\xB0"), "b=\xB0\xA1\xA1\xB0");
}

TEST(MergeCookies, SplittingAndNames) {
  EXPECT_EQ(MergeCookies("a=1;", "b=2;"), "b=2; a=1");
  EXPECT_EQ(MergeCookies("a=1;;b=2", ""), "a=1; b=2");          // no empty items
  EXPECT_EQ(MergeCookies("flag; a=1", "flag"), "flag; a=1");    // an item without "=" is its name
  EXPECT_EQ(MergeCookies("A=1", "a=2"), "a=2; A=1");            // names are case-sensitive
  EXPECT_EQ(MergeCookies("a=1; a=1", "b=2; b=2"), "b=2; a=1");  // exact repeats kept once
  EXPECT_EQ(MergeCookies("x=deleted", ""), "");
}

TEST(CookiesFromHeaders, CollectsNameValuePairsOfSetCookieLines) {
  const std::string raw =
      "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/\r\nset-cookie: b=2\r\n"
      "Content-Type: text/html\r\n\r\n";
  EXPECT_EQ(CookiesFromHeaders(raw), "a=1; b=2");
  EXPECT_EQ(CookiesFromHeaders("HTTP/1.1 200 OK\r\nServer: x\r\n\r\n"), "");
  EXPECT_EQ(CookiesFromHeaders(""), "");
}

TEST(CookiesFromHeaders, OnlyTheHeaderNameCounts) {
  EXPECT_EQ(CookiesFromHeaders("X-Note: Set-Cookie: z=9\r\nSet-Cookie:  k=v  ;x\r\n"), "k=v");
  EXPECT_EQ(CookiesFromHeaders("Set-Cookie: ; Path=/\r\nSet-Cookie2: q=1\r\n"), "");
  EXPECT_EQ(CookiesFromHeaders("Set-Cookie: a=1\nSet-Cookie: b=2"), "a=1; b=2");
}

}  // namespace
}  // namespace quillmar
