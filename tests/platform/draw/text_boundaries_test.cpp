#include "platform/draw/text_boundaries.h"

#include <gtest/gtest.h>

#include <string>

namespace quillmar::draw {
namespace {

// Positions carrying a flag, as a string of '|' (flag set) and '.' for positions 0..n.
std::string Marks(std::u16string_view text, uint8_t flag) {
  std::string out;
  for (uint8_t f : TextBoundaries(text)) out += (f & flag) ? '|' : '.';
  return out;
}

TEST(DrawTextBoundaries, ClustersKeepPairsAndCombiningMarksWhole) {
  EXPECT_EQ(Marks(u"", Boundary::Cluster), "|");
  EXPECT_EQ(Marks(u"ab", Boundary::Cluster), "|||");
  EXPECT_EQ(Marks(u"a\U0001F600b", Boundary::Cluster), "||.||");  // no stop inside the pair
  EXPECT_EQ(Marks(u"e\u0301x", Boundary::Cluster), "|.||");       // the accent joins its letter
  // Emoji sequences: a family joined by ZWJ, a flag, a skin tone; two flags are two steps.
  EXPECT_EQ(Marks(u"a\U0001F468\u200D\U0001F469\u200D\U0001F467b", Boundary::Cluster), "||.......||");
  EXPECT_EQ(Marks(u"\U0001F1E8\U0001F1F3\U0001F1EF\U0001F1F5", Boundary::Cluster), "|...|...|");
  EXPECT_EQ(Marks(u"\U0001F44D\U0001F3FDx", Boundary::Cluster), "|...||");
  // A lone half is a cluster of its own, on both sides.
  const std::u16string lone = {u'a', static_cast<char16_t>(0xD800), u'b'};
  EXPECT_EQ(Marks(lone, Boundary::Cluster), "||||");
  const std::u16string withNul = {u'a', u'\0', u'b'};
  EXPECT_EQ(TextBoundaries(withNul).size(), 4u);  // a NUL does not end the analysis
}

TEST(DrawTextBoundaries, WordsStartAndEndAroundSpacesAndPunctuation) {
  EXPECT_EQ(Marks(u"hello world", Boundary::WordStart), "|.....|.....");
  EXPECT_EQ(Marks(u"hello world", Boundary::WordEnd), ".....|.....|");
  EXPECT_EQ(Marks(u"a, b", Boundary::WordStart), "|..|.");
  EXPECT_EQ(Marks(u"a, b", Boundary::WordEnd), ".|..|");
  // Chinese text has word boundaries inside it, and the run ends at its last character.
  const std::string han = Marks(u"撸一管", Boundary::WordStart);
  EXPECT_EQ(han.front(), '|');
  EXPECT_EQ(Marks(u"撸一管", Boundary::WordEnd).back(), '|');
}

}  // namespace
}  // namespace quillmar::draw
