#include "ui/core/cursor_bytes.h"

#include <array>

#include "platform/ws/cursor_file.h"
#include "platform/ws/window_system.h"

namespace quillmar {

ws::CursorHandle CursorFromBytes(std::span<const uint8_t> bytes) {
  // Header (6) plus one directory entry (16) must be there before anything is read.
  if (bytes.size() <= 22) return 0;
  const std::optional<ws::CursorFileInfo> info = ws::ParseCursorFile(bytes);
  if (!info) return 0;
  // Offset and size are checked together: each alone may fit while their sum does not.
  if (info->imageOffset > bytes.size() || info->imageSize > bytes.size() - info->imageOffset) return 0;
  return ws::System().CreateCursorFromFile(bytes);
}

ws::CursorHandle CursorFromIndex(int32_t index) {
  static constexpr std::array<ws::SystemCursor, 14> kTable{
      ws::SystemCursor::Arrow,    ws::SystemCursor::Cross,       ws::SystemCursor::IBeam,    ws::SystemCursor::Wait,
      ws::SystemCursor::Help,     ws::SystemCursor::AppStarting, ws::SystemCursor::No,       ws::SystemCursor::SizeAll,
      ws::SystemCursor::SizeNesw, ws::SystemCursor::SizeNs,      ws::SystemCursor::SizeNwse, ws::SystemCursor::SizeWe,
      ws::SystemCursor::UpArrow,  ws::SystemCursor::Hand};
  if (index < 1 || index > 14) return 0;
  return ws::System().LoadSystemCursor(kTable[static_cast<size_t>(index - 1)]);
}

bool ShowCursorOfIndex(int32_t index) {
  const ws::CursorHandle cursor = CursorFromIndex(index);
  if (cursor == 0) return false;
  ws::System().SetCursor(cursor);
  return true;
}

}  // namespace quillmar
