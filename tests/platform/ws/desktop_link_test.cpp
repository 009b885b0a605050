// Addresses handed to the desktop's link handler keep their punctuation and
// arrive as escaped UTF-8 whatever the program's encoding.

#include <gtest/gtest.h>

#include "platform/ws/gtk_window_system.h"

namespace quillmar::ws {
namespace {

TEST(DesktopLinkText, KeepsMagnetPunctuationAndEscapesTheRest) {
  EXPECT_EQ(DesktopLinkText("magnet:?xt=urn:btih:0123ABCD&dn=a%20b&tr=udp://t.example:80/announce"),
            "magnet:?xt=urn:btih:0123ABCD&dn=a%20b&tr=udp://t.example:80/announce");
  EXPECT_EQ(DesktopLinkText("http://example.com/a b"), "http://example.com/a%20b");
}

TEST(DesktopLinkText, ProgramTextInEitherEncodingGivesTheSameUtf8) {
  const std::string utf8 = DesktopLinkText("magnet:?dn=\xE7\x94\xB5\xE5\xBD\xB1");  // 电影 in UTF-8
  const std::string gb = DesktopLinkText("magnet:?dn=\xB5\xE7\xD3\xB0");            // 电影 in GB18030
  EXPECT_EQ(utf8, "magnet:?dn=%E7%94%B5%E5%BD%B1");
  EXPECT_EQ(gb, utf8);
  EXPECT_EQ(DesktopLinkText(""), "");
}

}  // namespace
}  // namespace quillmar::ws
