#pragma once
// Arithmetic of a frameless window's sizing band, drag clamping, work area and
// maximized placement, kept apart from the window so it is testable alone.

#include <array>
#include <cstdint>

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

struct EdgeRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const EdgeRect&) const = default;
};

struct SizingZone {
  int32_t edge = 0;     // 1 left, 2 right, 3 top, 4 bottom, 5 top-left, 6 bottom-left, 7 top-right, 8 bottom-right
  int32_t command = 0;  // SizeCommand of the zone
  int32_t cursor = 0;   // SizeCursor of the zone; 0 outside every zone
};

// Zone under a cursor at (x, y) for a window rectangle and sizing band width.
SizingZone DetectSizingZone(const EdgeRect& window, int32_t x, int32_t y, int32_t border);

// Distance from the dragged edge to the cursor when a drag on that edge starts.
std::array<int32_t, 2> GrabOffsets(int32_t edge, const EdgeRect& window, int32_t x, int32_t y);

// Moves the dragged edges to (cx, cy), clamped so the window keeps minW x minH.
EdgeRect MoveDraggedEdges(EdgeRect window, int32_t edge, int32_t cx, int32_t cy, int32_t minW, int32_t minH);

struct WorkArea {
  float x = 0;
  float y = 0;
  float width = 0;
  float height = 0;
  bool operator==(const WorkArea&) const = default;
};

namespace TaskbarEdge {
inline constexpr int32_t Left = 0;
inline constexpr int32_t Top = 1;
inline constexpr int32_t Right = 2;
inline constexpr int32_t Bottom = 3;
}  // namespace TaskbarEdge

struct TaskbarState {
  bool autoHide = false;
  int32_t edge = TaskbarEdge::Bottom;
  EdgeRect rect;
};

// The work area after a taskbar query; previous supplies the values a rule keeps.
WorkArea ComputeWorkArea(const WorkArea& previous, const TaskbarState& taskbar, int32_t screenWidth,
                         int32_t screenHeight);

struct MaxPlacement {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool valid = false;  // false: leave the system's values alone
};

// Size and position of a maximized window; margins are left, top, right, bottom.
MaxPlacement MaximizedPlacement(bool fullScreen, const std::array<float, 4>& margins, const WorkArea& work,
                                int32_t screenWidth, int32_t screenHeight);

struct CaptionWidths {
  int32_t close = 0;  // 0 when the button does not exist
  int32_t maximize = 0;
  int32_t minimize = 0;
};

// Left edges of the close, maximize and minimize buttons in a window of that width.
std::array<int32_t, 3> CaptionButtonXs(int32_t windowWidth, const CaptionWidths& widths, int32_t inset,
                                       int32_t offsetX);

}  // namespace quillmar
