#include "platform/ws/cursor_file.h"

namespace quillmar::ws {
namespace {

uint32_t Read16(std::span<const uint8_t> b, size_t at) { return b[at] | (b[at + 1] << 8); }

uint32_t Read32(std::span<const uint8_t> b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

}  // namespace

std::optional<CursorFileInfo> ParseCursorFile(std::span<const uint8_t> bytes) {
  constexpr size_t kHeader = 6;
  constexpr size_t kEntry = 16;
  if (bytes.size() <= kHeader + kEntry) return std::nullopt;
  if (Read16(bytes, 0) != 0 || Read16(bytes, 2) != 2 || Read16(bytes, 4) == 0) return std::nullopt;
  CursorFileInfo info;
  info.width = bytes[6] == 0 ? 256 : bytes[6];
  info.height = bytes[7] == 0 ? 256 : bytes[7];
  info.hotspot = Point{static_cast<int32_t>(Read16(bytes, 10)), static_cast<int32_t>(Read16(bytes, 12))};
  info.imageSize = Read32(bytes, 14);
  info.imageOffset = Read32(bytes, 18);
  // The image must lie wholly inside the bytes: offset and size are checked
  // together, so a large offset with a small size cannot reach past the end.
  if (info.imageSize == 0 || info.imageOffset > bytes.size() || info.imageSize > bytes.size() - info.imageOffset) {
    return std::nullopt;
  }
  return info;
}

}  // namespace quillmar::ws
