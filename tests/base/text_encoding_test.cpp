#include "base/text_encoding.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>

namespace quillmar {
namespace {

// Program text (GB18030) and UTF-8 of the same characters.
const std::string kZhongGbk = "\xD6\xD0";  // 中
const std::string kZhongUtf8 = "\xE4\xB8\xAD";
const std::string kHangulEmojiGb = "\x83\x36\x84\x33\x94\x39\xFC\x36";  // 한😀
const std::string kHangulEmojiUtf8 = "\xED\x95\x9C\xF0\x9F\x98\x80";
const std::string kReplacementGb = "\x84\x31\xA4\x37";  // U+FFFD

TEST(TextEncoding, GbkAndUtf8ConvertBothWays) {
  EXPECT_EQ(GbkToUtf8(kZhongGbk), kZhongUtf8);
  EXPECT_EQ(Utf8ToGbk(kZhongUtf8), kZhongGbk);
  EXPECT_EQ(GbkToUtf8("abc"), "abc");
  EXPECT_EQ(GbkToUtf8(""), "");
  EXPECT_EQ(Utf8ToGbk(""), "");
}

TEST(TextEncoding, CharactersOutsideGbkSurviveTheRoundTrip) {
  // Korean and emoji have no GBK code; they must not come back as "?".
  EXPECT_EQ(Utf8ToGbk(kHangulEmojiUtf8), kHangulEmojiGb);
  EXPECT_EQ(GbkToUtf8(kHangulEmojiGb), kHangulEmojiUtf8);
  std::u16string wide = GbkToWide(kHangulEmojiGb);
  EXPECT_EQ(wide, (std::u16string{0xD55C, 0xD83D, 0xDE00}));
  EXPECT_EQ(WideToGbk(wide), kHangulEmojiGb);
}

TEST(TextEncoding, InvalidBytesBecomeReplacementAndTheRestIsKept) {
  EXPECT_EQ(Utf8ToGbk("a\xFF"
                      "b"),
            "a" + kReplacementGb + "b");
  EXPECT_EQ(Utf8ToGbk("a\xE4\xB8"), "a" + kReplacementGb + kReplacementGb);  // cut short
  EXPECT_EQ(Utf8ToGbk("\xC0\xAF"
                      "x"),
            kReplacementGb + kReplacementGb + "x");  // overlong "/"
  EXPECT_EQ(GbkToWide("x\xFF"
                      "y"),
            (std::u16string{u'x', 0xFFFD, u'y'}));
  EXPECT_EQ(GbkToWide("x\xD6"), (std::u16string{u'x', 0xFFFD}));  // lead byte at the end
}

TEST(TextEncoding, ZeroBytesInsideTheTextAreConverted) {
  const std::string text("a\0b", 3);
  EXPECT_EQ(GbkToUtf8(text), text);
  EXPECT_EQ(GbkToWide(text), (std::u16string{u'a', 0, u'b'}));
}

TEST(TextEncoding, LoneSurrogatesAndUnencodableCharacters) {
  EXPECT_EQ(WideToGbk(std::u16string{u'a', 0xD800, u'b'}), "a" + kReplacementGb + "b");
  EXPECT_EQ(WideToGbk(std::u16string{u'a', 0xDC00}), "a" + kReplacementGb);
  EXPECT_EQ(WideToGbk(std::u16string{0xD83D}), kReplacementGb);  // high surrogate at the end
  // Windows-1252 has no 中 and no U+FFFD: both become "?".
  EXPECT_EQ(WideToMultiByte(u"a中b", 1252, true), "a?b");
  EXPECT_EQ(WideToMultiByte(std::u16string{u'a', 0xD800}, 1252, true), "a?");
  EXPECT_EQ(WideToMultiByte(std::u16string{0xD83D, 0xDE00, u'z'}, 1252, true), "?z");
}

TEST(TextEncoding, CodePageFlagsPickUtf8AndTheProgramCodePage) {
  EXPECT_EQ(MultiByteToWide(kZhongUtf8, 936, false), u"中");  // flag off: UTF-8
  EXPECT_EQ(MultiByteToWide(kZhongGbk, 936, true), u"中");
  EXPECT_EQ(WideToMultiByte(u"中", 65001, false), kZhongGbk);  // flag off: program code page
  EXPECT_EQ(WideToMultiByte(u"中", 65001, true), kZhongUtf8);
  EXPECT_EQ(MultiByteToWide("\xE9", 28591, true), u"é");
  EXPECT_TRUE(IsCodePageSupported(936));
  EXPECT_TRUE(IsCodePageSupported(65001));
  EXPECT_FALSE(IsCodePageSupported(-7));
  EXPECT_EQ(MultiByteToWide("abc", -7, true), u"");
  EXPECT_EQ(WideToMultiByte(u"abc", 123456, true), "");
}

TEST(TextEncoding, WideBytesCarryAnExplicitTerminatorUnlessDropped) {
  EXPECT_EQ(GbkToWideBytes(kZhongGbk, false), (std::u16string{0x4E2D, 0}));
  EXPECT_EQ(GbkToWideBytes(kZhongGbk, true), (std::u16string{0x4E2D}));
  EXPECT_EQ(GbkToWideBytes("", false), u"");
}

TEST(TextEncoding, SeveralMebibytesOfAnyBytesConvertWithoutLoss) {
  std::mt19937 rng(7);
  std::string noise(4 << 20, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  // Every output unit is accounted for: valid characters or one U+FFFD per bad byte.
  std::u16string wide = MultiByteToWide(noise, 65001, true);
  EXPECT_FALSE(wide.empty());
  EXPECT_LE(wide.size(), noise.size());
  std::string ascii(3 << 20, 'q');
  ascii += kZhongGbk;
  EXPECT_EQ(Utf8ToGbk(GbkToUtf8(ascii)), ascii);
}

// Texts are sized from their ASCII and non-ASCII counts before they are written: a text
// of one-, two-, three- and four-byte characters in every mix must come out as the
// characters converted one by one.
TEST(TextEncoding, MixedTextsConvertAsTheirCharactersDo) {
  const std::u16string pieces[] = {u"a", u"中", u"\u00E4", u"한", u"\U0001F600", std::u16string(1, char16_t{0xD800})};
  std::mt19937 rng(11);
  for (int round = 0; round < 300; ++round) {
    std::u16string text;
    std::string gb;
    std::string utf8;
    for (size_t n = rng() % 40; n > 0; --n) {
      const std::u16string& piece = pieces[rng() % std::size(pieces)];
      text += piece;
      gb += WideToGbk(piece);
      utf8 += WideToMultiByte(piece, kCodePageUtf8, true);
    }
    ASSERT_EQ(WideToGbk(text), gb);
    ASSERT_EQ(WideToMultiByte(text, kCodePageUtf8, true), utf8);
  }
}

}  // namespace
}  // namespace quillmar
