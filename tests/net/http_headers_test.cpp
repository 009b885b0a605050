#include "net/http_headers.h"

#include <gtest/gtest.h>

namespace quillmar {
namespace {

TEST(HttpMethodName, OutOfRangeMethodsAreGet) {
  EXPECT_EQ(HttpMethodName(HttpMethodFromCode(0)), "GET");
  EXPECT_EQ(HttpMethodName(HttpMethodFromCode(1)), "POST");
  EXPECT_EQ(HttpMethodName(HttpMethodFromCode(2)), "HEAD");
  EXPECT_EQ(HttpMethodName(HttpMethodFromCode(5)), "GET");
  EXPECT_EQ(HttpMethodName(HttpMethodFromCode(-1)), "GET");
}

TEST(ComposeRequestHeaders, EmptyHeadersGetTheFourDefaultsInOrder) {
  EXPECT_EQ(ComposeRequestHeaders("", "http://h/x", ""),
            "Accept: */*\r\nReferer: http://h/x\r\nAccept-Language: zh-cn\r\n"
            "Content-Type: application/x-www-form-urlencoded");
  EXPECT_EQ(ComposeRequestHeaders("", "http://h/", "a=1; b=2"),
            "Accept: */*\r\nReferer: http://h/\r\nAccept-Language: zh-cn\r\n"
            "Content-Type: application/x-www-form-urlencoded\r\nCookie: a=1; b=2");
}

TEST(ComposeRequestHeaders, LinesTheCallerGaveAreNotRepeated) {
  EXPECT_EQ(ComposeRequestHeaders("Accept-Language: en", "u", ""),
            "Accept-Language: en\r\nAccept: */*\r\nReferer: u\r\n"
            "Content-Type: application/x-www-form-urlencoded");
  EXPECT_EQ(ComposeRequestHeaders("Accept: a\r\nReferer: r\r\nAccept-Language: l\r\n"
                                  "Content-Type: c\r\nUser-Agent: X",
                                  "u", ""),
            "Accept: a\r\nReferer: r\r\nAccept-Language: l\r\nContent-Type: c\r\nUser-Agent: X");
  // The checks are case-sensitive.
  EXPECT_EQ(ComposeRequestHeaders("accept: a", "u", "").substr(0, 24), "accept: a\r\nAccept: */*\r\n");
}

TEST(UserAgentFromHeaders, NamedAgentOrTheDefault) {
  EXPECT_EQ(UserAgentFromHeaders(""), kDefaultUserAgent);
  EXPECT_EQ(UserAgentFromHeaders("Accept: x"), kDefaultUserAgent);
  EXPECT_EQ(UserAgentFromHeaders("user-agent: X"), "X");
  EXPECT_EQ(UserAgentFromHeaders("User-Agent:  Foo/1.0 \r\nAccept: y"), "Foo/1.0");
  // A lower-case line in the middle gives its own value, never the following lines.
  EXPECT_EQ(UserAgentFromHeaders("Accept: y\r\nuser-agent: Bar\r\nX: z"), "Bar");
  EXPECT_EQ(UserAgentFromHeaders("User-Agent:\r\nX: z"), "");
}

TEST(RequestHeaderLines, SplitsAtAnyLineBreakAndDropsNonHeaders) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(RequestHeaderLines("A: 1\r\nB: 2"), (Lines{"A: 1", "B: 2"}));
  // A lone CR or LF cannot smuggle a second request line through.
  EXPECT_EQ(RequestHeaderLines("A: 1\nGET /evil HTTP/1.1\rB: 2\r\n\r\n"), (Lines{"A: 1", "B: 2"}));
  EXPECT_EQ(RequestHeaderLines("garbage\r\n: novalue\r\nC;"), Lines{});
}

TEST(RawHeaderText, KeepsTheLastResponseWithCrlfLineEnds) {
  RawHeaderText raw;
  raw.AddLine("HTTP/1.1 302 Found\r\n");
  raw.AddLine("Location: /b\r\n");
  raw.AddLine("\r\n");
  raw.AddLine("HTTP/1.1 200 OK\n");
  raw.AddLine("SET-COOKIE: a=set-cookie\n");
  raw.AddLine("X: y\r\n");
  raw.AddLine("\n");
  EXPECT_EQ(raw.Text(), "HTTP/1.1 200 OK\r\nSet-Cookie: a=set-cookie\r\nX: y\r\n\r\n");
}

}  // namespace
}  // namespace quillmar
