#include "base/gb18030_four_byte.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/text_encoding.h"

namespace quillmar {
namespace {

std::u16string Utf16Of(char32_t cp) {
  if (cp < 0x10000) return std::u16string(1, static_cast<char16_t>(cp));
  return {static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)),
          static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF))};
}

// Every character of the Basic Multilingual Plane and samples beyond it: the table gives four
// bytes exactly where the program's code-page conversion writes four bytes (on Linux that is
// the C library's GB18030, so the table is checked against it), and both read them back.
// Characters the code page cannot write at all come out as "?".
TEST(Gb18030FourByte, AgreesWithTheProgramCodePageOnEveryCharacter) {
  int fourByte = 0;
  auto check = [&](char32_t cp) {
    unsigned char four[4];
    const std::u16string wide = Utf16Of(cp);
    const std::string bytes = WideToMultiByte(wide, kCodePageGb18030, true);
    if (CodePointToGb18030FourByte(cp, four)) {
      ++fourByte;
      ASSERT_EQ(bytes, std::string(reinterpret_cast<const char*>(four), 4))
          << std::hex << "U+" << static_cast<uint32_t>(cp);
      ASSERT_EQ(Gb18030FourByteToCodePoint(four), cp) << std::hex << "U+" << static_cast<uint32_t>(cp);
    } else {
      ASSERT_LE(bytes.size(), 2u) << std::hex << "U+" << static_cast<uint32_t>(cp);
      if (bytes == "?") return;
    }
    ASSERT_EQ(MultiByteToWide(bytes, kCodePageGb18030, true), wide) << std::hex << "U+" << static_cast<uint32_t>(cp);
  };
  for (char32_t cp = 1; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    check(cp);
  }
  for (char32_t cp : {0x10000u, 0x1F3ACu, 0x20000u, 0x2A6D6u, 0xE0001u, 0x10FFFFu}) check(cp);
  EXPECT_EQ(fourByte, 39402 + 6);  // every BMP character in four bytes, and the samples
}

TEST(Gb18030FourByte, WrongShapesAndUnassignedCodesAreNoCharacter) {
  auto decode = [](const char* bytes) {
    return Gb18030FourByteToCodePoint(reinterpret_cast<const unsigned char*>(bytes));
  };
  EXPECT_EQ(decode("\x81\x30\x81\x30"), U'\u0080');
  EXPECT_EQ(decode("\x81\x35\xF4\x37"), U'\uE7C7');  // the one code out of order
  EXPECT_EQ(decode("\x82\x35\x90\x37"), 0u);         // U+9FB4 before it had two bytes
  EXPECT_EQ(decode("\x84\x31\x82\x36"), 0u);         // U+FE10 likewise
  EXPECT_EQ(decode("\x84\x31\xA4\x39"), U'\uFFFF');  // the last BMP code
  EXPECT_EQ(decode("\x84\x31\xA5\x30"), 0u);         // after it, before the supplementary planes
  EXPECT_EQ(decode("\x8F\x39\xFE\x39"), 0u);
  EXPECT_EQ(decode("\x90\x30\x81\x30"), U'\U00010000');
  EXPECT_EQ(decode("\xE3\x32\x9A\x35"), U'\U0010FFFF');
  EXPECT_EQ(decode("\xE3\x32\x9A\x36"), 0u);  // past U+10FFFF
  EXPECT_EQ(decode("\x81\x2F\x81\x30"), 0u);
  EXPECT_EQ(decode("\x81\x30\x80\x30"), 0u);
  EXPECT_EQ(decode("\x81\x30\x81\x3A"), 0u);
  unsigned char four[4];
  EXPECT_FALSE(CodePointToGb18030FourByte(U'A', four));
  EXPECT_FALSE(CodePointToGb18030FourByte(U'\u4F60', four));  // 你, two bytes
  EXPECT_FALSE(CodePointToGb18030FourByte(0x110000, four));
}

// Four-byte characters between GBK text, a euro sign (GBK's byte 80, GB18030's A2 E3) and
// broken four-byte shapes: each bad byte becomes U+FFFD and the rest is kept.
TEST(Gb18030FourByte, MixedTextKeepsEveryCharacterAndLosesOnlyBadBytes) {
  const std::u16string text = u"a\u4F60\u00B5\u0080\U0001F3AC\u20AC\uFFFDz";
  const std::string bytes = WideToMultiByte(text, kCodePageGb18030, true);
  EXPECT_EQ(bytes, "a\xC4\xE3\x81\x30\x85\x38\x81\x30\x81\x30\x94\x39\xC1\x30\xA2\xE3\x84\x31\xA4\x37z");
  EXPECT_EQ(MultiByteToWide(bytes, kCodePageGb18030, true), text);
  EXPECT_EQ(MultiByteToWide("x\x81\x30\x81", kCodePageGb18030, true), u"x\uFFFD0\uFFFD");
  EXPECT_EQ(MultiByteToWide("x\x81\x30\x81\x79", kCodePageGb18030, true), u"x\uFFFD0\u4E82");
  EXPECT_EQ(MultiByteToWide("\x80\xC4\xE3\xFF", kCodePageGbk, true), u"\uFFFD\u4F60\uFFFD");
  EXPECT_EQ(MultiByteToWide("\xC4", kCodePageGbk, true), u"\uFFFD");
}

}  // namespace
}  // namespace quillmar
