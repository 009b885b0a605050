#include "net/cookies.h"

#include "net/cookie_cap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// A store line as the transport lists it.
std::string StoreLine(const std::string& domain, const std::string& name) {
  return domain + "\tFALSE\t/\tFALSE\t0\t" + name + "\tv";
}

TEST(CookieCap, DropsTheOldestOverTheHostAndTheTotalLimit) {
  CookieCap cap(CookieLimits{.perHost = 3, .total = 5});
  std::vector<std::string> store = {StoreLine("a", "1"), StoreLine("a", "2"), StoreLine("b", "1")};
  EXPECT_FALSE(cap.Trim(store));  // within both limits: nothing to do
  // Listed in any order, the new ones are newer than everything seen before.
  store.insert(store.begin(), {StoreLine("#HttpOnly_.a", "3"), StoreLine("a", "4")});
  auto keep = cap.Trim(store);
  ASSERT_TRUE(keep);
  EXPECT_EQ(*keep, (std::vector<std::string>{StoreLine("a", "2"), StoreLine("b", "1"), StoreLine("#HttpOnly_.a", "3"),
                                             StoreLine("a", "4")}));
  // Over the total: the oldest of any host go first.
  store = *keep;
  store.push_back(StoreLine("c", "1"));
  store.push_back(StoreLine("c", "2"));
  keep = cap.Trim(store);
  ASSERT_TRUE(keep);
  EXPECT_EQ(*keep, (std::vector<std::string>{StoreLine("b", "1"), StoreLine("#HttpOnly_.a", "3"), StoreLine("a", "4"),
                                             StoreLine("c", "1"), StoreLine("c", "2")}));
}

TEST(CookieCap, ACookieSetAgainKeepsItsAgeAndOneRemovedIsForgotten) {
  CookieCap cap(CookieLimits{.perHost = 2, .total = 10});
  EXPECT_FALSE(cap.Trim({StoreLine("h", "old"), StoreLine("h", "mid")}));
  // "old" got a new value (same domain, path and name): still the oldest.
  auto keep = cap.Trim({StoreLine("h", "mid"), StoreLine("h", "old") + "2", StoreLine("h", "new")});
  ASSERT_TRUE(keep);
  EXPECT_EQ(*keep, (std::vector<std::string>{StoreLine("h", "mid"), StoreLine("h", "new")}));
  // "mid" expired; when it comes back it is the newest.
  EXPECT_FALSE(cap.Trim({StoreLine("h", "new")}));
  keep = cap.Trim({StoreLine("h", "mid"), StoreLine("h", "new"), StoreLine("h", "x")});
  ASSERT_TRUE(keep);
  EXPECT_EQ(*keep, (std::vector<std::string>{StoreLine("h", "mid"), StoreLine("h", "x")}));
}

}  // namespace
}  // namespace quillmar
