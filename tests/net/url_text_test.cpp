#include "net/url_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

namespace quillmar {
namespace {

TEST(UrlEncode, EscapesEveryByteUnlessKeepSafe) {
  EXPECT_EQ(UrlEncode("abc", false, true), "%61%62%63");
  EXPECT_EQ(UrlEncode("abc", true, true), "abc");
  EXPECT_EQ(UrlEncode("\n", false, false), "%0A");
  EXPECT_EQ(UrlEncode("a b", false, true), "%61%20%62");
  EXPECT_EQ(UrlEncode("-.09AZaz/_~ ", true, false), "-.09AZaz%2F%5F%7E%20");
  EXPECT_EQ(UrlEncode("", false, true), "");
}

TEST(UrlEncode, Utf8FlagChoosesTheBytesThatAreEscaped) {
  EXPECT_EQ(UrlEncode("\xD6\xD0", false, true), "%E4%B8%AD");  // 中 as UTF-8
  EXPECT_EQ(UrlEncode("\xD6\xD0", true, true), "%E4%B8%AD");
  EXPECT_EQ(UrlEncode("\xD6\xD0", false, false), "%D6%D0");
}

TEST(UrlDecode, TurnsEscapesOfEitherCaseIntoBytes) {
  EXPECT_EQ(UrlDecode("%e4%b8%ad", true), "\xD6\xD0");
  EXPECT_EQ(UrlDecode("%E4%B8%AD", false), "\xE4\xB8\xAD");
  EXPECT_EQ(UrlDecode("a+b%2Fc", false), "a+b/c");
  EXPECT_EQ(UrlDecode("%00x", false), std::string("\0x", 2));
}

TEST(UrlDecode, MalformedEscapesKeepEveryByte) {
  EXPECT_EQ(UrlDecode("%", false), "%");
  EXPECT_EQ(UrlDecode("100%", false), "100%");
  EXPECT_EQ(UrlDecode("%4", false), "%4");
  EXPECT_EQ(UrlDecode("%zz%41", false), "%zzA");
  EXPECT_EQ(UrlDecode("%%41", false), "%A");
  EXPECT_EQ(UrlDecode("%4g", false), "%4g");
  EXPECT_EQ(UrlDecode("%\xD6\xD0", false), "%\xD6\xD0");
  // Invalid UTF-8 after decoding turns into U+FFFD, the text around it stays.
  EXPECT_EQ(UrlDecode("a%FFb", true),
            "a\x84\x31\xA4\x37"
            "b");
}

TEST(UrlDecode, RoundTripsAnyTextAndHugeInput) {
  const std::string text = "abc \xD6\xD0 \x83\x36\x84\x33 %";
  EXPECT_EQ(UrlDecode(UrlEncode(text, false, true), true), text);
  EXPECT_EQ(UrlDecode(UrlEncode(text, true, false), false), text);
  std::mt19937 rng(3);
  std::string noise(3 << 20, '\0');
  for (char& c : noise) c = "%0aF9z\xD6"[rng() % 7];
  std::string decoded = UrlDecode(noise, false);
  EXPECT_LE(decoded.size(), noise.size());
  std::string bytes(2 << 20, '\0');
  for (char& c : bytes) c = static_cast<char>(rng());
  EXPECT_EQ(UrlDecode(UrlEncode(bytes, false, false), false), bytes);
}

TEST(UrlParts, HostPortAndPathOfAFullAddress) {
  const std::string url = "HTTP://Example.COM:8080/a";
  EXPECT_EQ(UrlHost(url, false), "example.com");
  EXPECT_EQ(UrlHost(url, true), "example.com:8080");
  EXPECT_EQ(UrlPort(url), 8080);
  EXPECT_EQ(UrlPath(url), "/a");
  EXPECT_EQ(UrlPath("http://h/s/%61/1/?q=1#f"), "/s/%61/1/?q=1#f");
}

TEST(UrlParts, AddressWithoutSchemeIsHttp) {
  EXPECT_EQ(UrlHost("example.com/x", false), "example.com");
  EXPECT_EQ(UrlPort("example.com/x"), 80);
  EXPECT_EQ(UrlPath("example.com/x"), "/x");
  EXPECT_EQ(UrlPath("http://h"), "/");
  EXPECT_EQ(UrlHost("http://h", false), "h");
}

TEST(UrlParts, DefaultPortsFollowTheScheme) {
  EXPECT_EQ(UrlPort("https://h/"), 443);
  EXPECT_EQ(UrlPort("HTTPS://h"), 443);
  EXPECT_EQ(UrlPort("https://h:8443/"), 8443);
  EXPECT_EQ(UrlPort("http://h/"), 80);
  EXPECT_EQ(UrlPort("httpsfoo.com/"), 80);  // a host name that begins with "https" is not https
}

TEST(UrlParts, HostEndsAtPathQueryOrFragment) {
  EXPECT_EQ(UrlHost("http://h?q=/x", false), "h");
  EXPECT_EQ(UrlPath("http://h?q=/x"), "/?q=/x");
  EXPECT_EQ(UrlHost("http://h#top", false), "h");
  // An address inside the query does not decide the host.
  EXPECT_EQ(UrlHost("example.com/go?to=http://other.org/", false), "example.com");
  EXPECT_EQ(UrlPath("example.com/go?to=http://other.org/"), "/go?to=http://other.org/");
}

TEST(UrlParts, OddPortsAndIpv6Literals) {
  EXPECT_EQ(UrlPort("http://h:/"), 0);
  EXPECT_EQ(UrlPort("http://h:12ab/"), 12);
  EXPECT_EQ(UrlPort("http://h:99999999999999/"), INT_MAX);
  EXPECT_EQ(UrlHost("http://[::1]:8080/x", false), "[::1]");
  EXPECT_EQ(UrlPort("http://[::1]:8080/x"), 8080);
  EXPECT_EQ(UrlPort("http://[::1]/x"), 80);
}

}  // namespace
}  // namespace quillmar
