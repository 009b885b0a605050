// Cursor files are read from program data; malformed ones must be refused
// without reading past the bytes.

#include <gtest/gtest.h>

#include <vector>

#include "platform/ws/cursor_file.h"
#include "platform/ws/headless_window_system.h"

namespace quillmar::ws {
namespace {

// A one-image cursor file: header, one directory entry, then `imageBytes`.
std::vector<uint8_t> CursorBytes(uint16_t type, uint32_t imageSize, uint32_t imageOffset, size_t imageBytes,
                                 uint16_t count = 1) {
  std::vector<uint8_t> b = {0, 0, static_cast<uint8_t>(type), 0, static_cast<uint8_t>(count), 0, 32, 32, 0, 0, 5, 0,
                            7, 0};
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(imageSize >> (8 * i)));
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(imageOffset >> (8 * i)));
  b.resize(b.size() + imageBytes, 0xAB);
  return b;
}

TEST(CursorFile, ReadsTheFirstEntry) {
  const auto info = ParseCursorFile(CursorBytes(2, 40, 22, 40));
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->width, 32);
  EXPECT_EQ(info->hotspot, (Point{5, 7}));
  EXPECT_EQ(info->imageOffset, 22u);
  EXPECT_EQ(info->imageSize, 40u);
}

TEST(CursorFile, RefusesIconsShortHeadersAndEmptyDirectories) {
  EXPECT_FALSE(ParseCursorFile(CursorBytes(1, 40, 22, 40)).has_value()) << "type 1 is an icon file";
  EXPECT_FALSE(ParseCursorFile(CursorBytes(2, 0, 22, 0)).has_value()) << "22 bytes are not enough";
  EXPECT_FALSE(ParseCursorFile(CursorBytes(2, 40, 22, 40, 0)).has_value()) << "no image";
  auto reserved = CursorBytes(2, 40, 22, 40);
  reserved[0] = 1;
  EXPECT_FALSE(ParseCursorFile(reserved).has_value());
}

TEST(CursorFile, RefusesAnImageRunningPastTheEnd) {
  // Each value alone is within the length; together they reach past it.
  const auto bytes = CursorBytes(2, 40, 40, 40);  // 62 bytes, image would end at 80
  ASSERT_LE(40u, bytes.size());
  EXPECT_FALSE(ParseCursorFile(bytes).has_value());
  EXPECT_FALSE(ParseCursorFile(CursorBytes(2, 0xFFFFFFF0u, 0x20, 40)).has_value()) << "no wrap-around";
  EXPECT_FALSE(ParseCursorFile(CursorBytes(2, 8, 0xFFFFFFFFu, 40)).has_value());
  EXPECT_TRUE(ParseCursorFile(CursorBytes(2, 40, 22, 40)).has_value()) << "ending exactly at the end is fine";
}

TEST(CursorFile, HeadlessCursorFromBytesKeepsTheHotspotAndRefusesBadFiles) {
  ScopedHeadless hs;
  const auto good = CursorBytes(2, 40, 22, 40);
  const CursorHandle c = hs->CreateCursorFromFile(good);
  ASSERT_NE(c, 0u);
  EXPECT_EQ(hs->CursorHotspot(c), (Point{5, 7}));
  EXPECT_EQ(hs->CreateCursorFromFile(CursorBytes(1, 40, 22, 40)), 0u);
  hs->SetCursor(c);
  hs->DestroyCursor(c);
  EXPECT_EQ(hs->CurrentCursor(), 0u) << "a destroyed cursor is no longer current";
  EXPECT_FALSE(hs->CursorHotspot(c).has_value());
}

}  // namespace
}  // namespace quillmar::ws
