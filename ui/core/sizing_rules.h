#pragma once
// Arithmetic of a frameless window's sizing band, drag clamping, work area and
// maximized placement, kept apart from the window so it is testable alone.

#include <array>
#include <cstdint>
#include <optional>

#include "base/geometry.h"

#include "platform/ws/messages.h"

namespace quillmar {

namespace SizeCommand {  // the size commands of Msg::SysCommand, one per edge and corner
inline constexpr int32_t Left = SysCmd::SizeLeft;
inline constexpr int32_t Right = SysCmd::SizeRight;
inline constexpr int32_t Top = SysCmd::SizeTop;
inline constexpr int32_t TopLeft = SysCmd::SizeTopLeft;
inline constexpr int32_t TopRight = SysCmd::SizeTopRight;
inline constexpr int32_t Bottom = SysCmd::SizeBottom;
inline constexpr int32_t BottomLeft = SysCmd::SizeBottomLeft;
inline constexpr int32_t BottomRight = SysCmd::SizeBottomRight;
}  // namespace SizeCommand

// Sizing cursors by their system numbers.
namespace SizeCursor {
inline constexpr int32_t NwSe = 32642;
inline constexpr int32_t NeSw = 32643;
inline constexpr int32_t WestEast = 32644;
inline constexpr int32_t NorthSouth = 32645;
}  // namespace SizeCursor

struct SizingZone {
  int32_t edge = 0;     // 1 left, 2 right, 3 top, 4 bottom, 5 top-left, 6 bottom-left, 7 top-right, 8 bottom-right
  int32_t command = 0;  // SizeCommand of the zone
  int32_t cursor = 0;   // SizeCursor of the zone; 0 outside every zone
};

// Zone under the cursor for a window rectangle and sizing band width.
SizingZone DetectSizingZone(const Rect& window, Point cursor, int32_t border);

// Distance from the dragged edge to the cursor when a drag on that edge starts.
Point GrabOffsets(int32_t edge, const Rect& window, Point cursor);

// Moves the dragged edges to the point, clamped so the window keeps the minimum size.
Rect MoveDraggedEdges(const Rect& window, int32_t edge, Point to, Size minimum);

namespace TaskbarEdge {
inline constexpr int32_t Left = 0;
inline constexpr int32_t Top = 1;
inline constexpr int32_t Right = 2;
inline constexpr int32_t Bottom = 3;
}  // namespace TaskbarEdge

struct TaskbarState {
  bool autoHide = false;
  int32_t edge = TaskbarEdge::Bottom;
  Rect rect;
};

// The work area after a taskbar query, in the coordinates of a screen of that
// size whose corner is (0, 0); previous supplies the values a rule keeps.
RectF ComputeWorkArea(const RectF& previous, const TaskbarState& taskbar, Size screen);

// Rectangle of a maximized window on a screen (or a monitor) with that work
// area; margins push the edges out. Values are truncated toward zero; none when
// the size comes out below 1 (the system's values then stay).
std::optional<Rect> MaximizedPlacement(bool fullScreen, const InsetsF& margins, const RectF& work, const Rect& screen);

struct CaptionWidths {
  int32_t close = 0;  // 0 when the button does not exist
  int32_t maximize = 0;
  int32_t minimize = 0;
};

// Left edges of the close, maximize and minimize buttons in a window of that width.
std::array<int32_t, 3> CaptionButtonXs(int32_t windowWidth, const CaptionWidths& widths, int32_t inset,
                                       int32_t offsetX);

}  // namespace quillmar
