#include "net/text_search.h"

#include <gtest/gtest.h>

namespace quillmar {
namespace {

constexpr auto npos = std::string_view::npos;

TEST(TextBetween, CutsBetweenTheMarkers) {
  const std::string page = "<textarea id=\"magnet_copy\">magnet:?xt=urn:btih:AB</textarea>";
  EXPECT_EQ(TextBetween(page, "\"magnet_copy\">", "</textarea>"), "magnet:?xt=urn:btih:AB");
  EXPECT_EQ(TextBetween("[x][y]", "[", "]"), "x");
  EXPECT_EQ(TextBetween("ab", "a", "b"), "");
  EXPECT_EQ(TextBetween("abab", "a", "a"), "b");  // the end marker is looked for after the start
}

TEST(TextBetween, MissingMarkersGiveEmptyText) {
  EXPECT_EQ(TextBetween("only </textarea> here", "\"magnet_copy\">", "</textarea>"), "");
  EXPECT_EQ(TextBetween("\"magnet_copy\">no end", "\"magnet_copy\">", "</textarea>"), "");
  EXPECT_EQ(TextBetween("", "a", "b"), "");
  // An end marker only before the start marker does not count.
  EXPECT_EQ(TextBetween("]x[", "[", "]"), "");
}

TEST(TextBetween, StartPositionIsOneBasedAndZeroMeansTheBeginning) {
  EXPECT_EQ(TextBetween("[a][b]", "[", "]", 0), "a");
  EXPECT_EQ(TextBetween("[a][b]", "[", "]", 1), "a");
  EXPECT_EQ(TextBetween("[a][b]", "[", "]", 2), "b");
  EXPECT_EQ(TextBetween("[a][b]", "[", "]", 100), "");
}

TEST(TextBetween, IgnoreCaseAndQuotePlaceholder) {
  EXPECT_EQ(TextBetween("<A HREF=x>t</A>", "<a href=", ">", 0, true), "x");
  EXPECT_EQ(TextBetween("<A HREF=x>t</A>", "<a href=", ">", 0, false), "");
  // "#引号" in a marker stands for a double quote.
  EXPECT_EQ(TextBetween("id=\"v\"", "id=#\xD2\xFD\xBA\xC5", "#\xD2\xFD\xBA\xC5"), "v");
}

TEST(FindText, NeverLandsOnATrailByte) {
  // 乤 is 0x81 0x61: its second byte looks like "a".
  const std::string text =
      "\x81\x61"
      "a";
  EXPECT_EQ(FindText(text, "a"), 2u);
  EXPECT_EQ(FindText("\x81\x61", "a"), npos);
  EXPECT_EQ(FindText("\x81\x61", "A", 0, true), npos);
  // 癧 is 0xB0 0x5B: its second byte looks like "[".
  EXPECT_EQ(TextBetween("\xB0\x5B"
                        "x]"
                        "[y]",
                        "[", "]"),
            "y");
  EXPECT_EQ(FindText("x\xD6\xD0y", "\xD6\xD0"), 1u);
}

TEST(FindText, CaseFoldingTouchesOnlyAsciiLetters) {
  EXPECT_EQ(FindText("xxMAGNET", "magnet", 0, true), 2u);
  EXPECT_EQ(FindText("\xD6\xD0z", "\xD6\xD0Z", 0, true), 0u);
  EXPECT_EQ(FindText("abc", "", 1), 1u);
  EXPECT_EQ(FindText("abc", "abcd"), npos);
  EXPECT_EQ(FindText("abc", "c", 5), npos);
  EXPECT_EQ(AsciiLower("AB\x81\x41Z"), "ab\x81\x41z");  // the trail byte "A" stays
}

TEST(FindText, CopesWithALeadByteAtTheEnd) {
  EXPECT_EQ(CharLengthAt("a\xD6", 1), 1u);
  EXPECT_EQ(FindText("a\xD6", "\xD6"), 1u);
  EXPECT_EQ(TextBetween(std::string((3 << 20) + 1, '\xD6') + "[x]", "[", "]"), "");  // the last lead byte swallows "["
  EXPECT_EQ(TextBetween(std::string(3 << 20, 'a') + "[x]", "[", "]"), "x");
}

TEST(TrimSpaces, TrimsSpacesAndTabsAtBothEnds) {
  EXPECT_EQ(TrimSpaces(" \t a b \t"), "a b");
  EXPECT_EQ(TrimSpaces("   "), "");
}

}  // namespace
}  // namespace quillmar
