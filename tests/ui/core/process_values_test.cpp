#include "ui/core/process_values.h"

#include <gtest/gtest.h>

#include "ui/core/theme_defaults.h"

namespace quillmar {
namespace {

TEST(ProcessValues, VersionTableMatchesWholeTextOnly) {
  EXPECT_EQ(OsVersionCodeFromText("6.1"), 9u);
  EXPECT_EQ(OsVersionCodeFromText("6.0"), 8u);
  EXPECT_EQ(OsVersionCodeFromText("3.5"), 1u);
  EXPECT_EQ(OsVersionCodeFromText("6.3"), 11u);
  EXPECT_EQ(OsVersionCodeFromText("6.4"), 0u);
  EXPECT_EQ(OsVersionCodeFromText("10.0"), 0u);
  EXPECT_EQ(OsVersionCodeFromText(""), 0u);
  EXPECT_EQ(OsVersionCodeFromText("6.1 "), 0u);
}

TEST(ProcessValues, MakeArgbTakesAlphaOnlyWhenAsked) {
  EXPECT_EQ(makeArgb(0x808080, 0, false), 0xFF808080u);
  EXPECT_EQ(makeArgb(0x000000, 120, true), 0x78000000u);
  EXPECT_EQ(makeArgb(0xFFFFFF, 200, true), 0xC8FFFFFFu);
  EXPECT_EQ(makeArgb(0x0000FF, 7, false), 0xFFFF0000u);   // red byte first in memory
  EXPECT_EQ(makeArgb(0x000000, 300, true), 0x2C000000u);  // 300 mod 256 = 44
}

TEST(ProcessValues, SeedStaysInRangeAndKeysGrow) {
  for (uint32_t seed : {0u, 1u, 42u, 0xFFFFFFFFu, 123456789u}) {
    SeedObjectId(seed);
    const int32_t start = CurrentObjectId();
    EXPECT_GE(start, 100000);
    EXPECT_LE(start, 400000);
    EXPECT_EQ(NextObjectId(), start + 1);
    EXPECT_EQ(NextObjectId(), start + 2);
  }
}

TEST(ProcessValues, StartUpFillsTheTheme) {
  Theme() = ThemeDefaults{};
  EXPECT_EQ(Theme().fontSize, 0);
  InitProcessValues("6.1", 7);
  EXPECT_EQ(OsVersionCode(), 9u);
  const ThemeDefaults& t = Theme();
  EXPECT_EQ(t.backColor, 0xFF808080u);
  EXPECT_EQ(t.textColor, 0xFF000000u);
  EXPECT_EQ(t.lineColor, 0xFF808080u);
  EXPECT_EQ(t.fillColor, 0xC8FFFFFFu);
  EXPECT_EQ(t.shadowColor, 0x78000000u);
  EXPECT_EQ(t.fontName, "\xCB\xCE\xCC\xE5");
  EXPECT_EQ(t.fontSize, 12);
  EXPECT_EQ(t.buttonVariant, 0);
  InitProcessValues("", 7);
  EXPECT_EQ(OsVersionCode(), 0u);
}

}  // namespace
}  // namespace quillmar
