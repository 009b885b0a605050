// The system half of the conversions (iconv on Linux, the Windows code-page calls there):
// both must give the same bytes for the same text.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "base/text_encoding.h"

namespace quillmar {
namespace {

// Characters a single-byte code page lacks become one "?" each, never a look-alike letter, and
// a character beyond U+FFFF is one character, not two.
TEST(CodePageCodec, SingleByteTargetsWriteQuestionMarksForWhatTheyLack) {
  EXPECT_EQ(WideToMultiByte(u"caf\u00E9", 1252, true), "caf\xE9");
  EXPECT_EQ(WideToMultiByte(u"\u0101b", 1252, true), "?b");  // ā has no place in 1252
  EXPECT_EQ(WideToMultiByte(u"x\U0001F600y", 1252, true), "x?y");
  EXPECT_EQ(WideToMultiByte(u"x\xD800y", 28591, true), "x?y");  // a lone surrogate, no U+FFFD there
  EXPECT_EQ(MultiByteToWide("caf\xE9", 28591, true), u"caf\u00E9");
}

TEST(CodePageCodec, Utf16CodePagesInBothByteOrders) {
  const std::u16string text = u"a\u4F60\U0001F600";
  const std::string le = WideToMultiByte(text, 1200, true);
  const std::string be = WideToMultiByte(text, 1201, true);
  EXPECT_EQ(le, std::string("a\0\x60\x4F\x3D\xD8\x00\xDE", 8));
  EXPECT_EQ(be, std::string("\0a\x4F\x60\xD8\x3D\xDE\x00", 8));
  EXPECT_EQ(MultiByteToWide(le, 1200, true), text);
  EXPECT_EQ(MultiByteToWide(be, 1201, true), text);
  EXPECT_EQ(MultiByteToWide(std::string("a\0b", 3), 1200, true), u"a\uFFFD");  // a byte left over
}

TEST(CodePageCodec, UnknownCodePagesGiveNothing) {
  EXPECT_FALSE(IsCodePageSupported(12345));
  EXPECT_EQ(MultiByteToWide("abc", 12345, true), u"");
  EXPECT_EQ(WideToMultiByte(u"abc", 12345, true), "");
  EXPECT_TRUE(IsCodePageSupported(kCodePageGb18030));
  EXPECT_TRUE(IsCodePageSupported(1252));
}

// A long GBK text with bad bytes all through it: only they are lost, however the conversion
// cuts the text into pieces.
TEST(CodePageCodec, BadBytesAllThroughALongTextLoseOnlyThemselves) {
  std::string bytes;
  std::u16string expected;
  for (int i = 0; i < 2000; ++i) {
    bytes +=
        "\xC4\xE3\xFF"
        "a\x81 ";  // 你, a stray FF, "a", a lead byte whose trail is a space
    expected += u"\u4F60\uFFFDa\uFFFD ";
  }
  const std::u16string got = MultiByteToWide(bytes, kCodePageGbk, true);
  ASSERT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected) << "first difference at unit "
                               << std::distance(got.begin(),
                                                std::mismatch(got.begin(), got.end(), expected.begin()).first);
}

}  // namespace
}  // namespace quillmar
