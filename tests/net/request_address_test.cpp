// The address checks both HTTP transports share.

#include <gtest/gtest.h>

#include "net/request_address.h"

namespace quillmar {
namespace {

TEST(RequestAddress, SchemeIsNamedOnlyBeforeAColonThatDoesNotStartAPort) {
  EXPECT_EQ(SchemeOf("HTTPS://example.org/"), "https");
  EXPECT_EQ(SchemeOf("file:/etc/passwd"), "file");
  EXPECT_EQ(SchemeOf("svn+ssh://h/x"), "svn+ssh");
  EXPECT_EQ(SchemeOf("host:8080/x"), "") << "a port, not a scheme";
  EXPECT_EQ(SchemeOf("/path:with/colon"), "");
  EXPECT_EQ(SchemeOf(":x"), "");
  EXPECT_EQ(SchemeOf("1http://x"), "") << "a scheme starts with a letter";
  EXPECT_EQ(SchemeOf("no colon"), "");
}

TEST(RequestAddress, ControlBytesAreFoundAnywhere) {
  EXPECT_FALSE(HasControlBytes("http://h/a b\xE4"));
  EXPECT_TRUE(HasControlBytes("http://h/\r\nHost: x"));
  EXPECT_TRUE(HasControlBytes(std::string_view("a\0b", 3)));
  EXPECT_TRUE(HasControlBytes("x\x7F"));
}

TEST(RequestAddress, TargetDropsTheFragmentAndEscapesSpacesAndHighBytes) {
  EXPECT_EQ(RequestTarget("/s/a b?q=\xC4\xE3#top"), "/s/a%20b?q=%C4%E3");
  EXPECT_EQ(RequestTarget("/keep%20as/given?x=1&y=2"), "/keep%20as/given?x=1&y=2");
  EXPECT_EQ(RequestTarget(""), "");
  EXPECT_EQ(RequestTarget("#only"), "");
}

}  // namespace
}  // namespace quillmar
