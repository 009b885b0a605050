#include "ui/core/sizing_rules.h"

namespace quillmar {

SizingZone DetectSizingZone(const EdgeRect& window, int32_t x, int32_t y, int32_t b) {
  const int32_t dl = x - window.left;
  const int32_t dr = window.right - x;
  const int32_t dt = y - window.top;
  const int32_t db = window.bottom - y;
  const int32_t corner = b + 3;
  SizingZone zone;
  // Later matches override earlier ones, so corners win over edges.
  if (dt > corner && db > corner && dl >= 0 && dl <= b) zone = {1, SizeCommand::Left, SizeCursor::WestEast};
  if (dt > corner && db > corner && dr >= 0 && dr <= b) zone = {2, SizeCommand::Right, SizeCursor::WestEast};
  if (dl > corner && dr > corner && dt >= 0 && dt <= b) zone = {3, SizeCommand::Top, SizeCursor::NorthSouth};
  // The bottom band is one pixel narrower than the top band.
  if (dl > corner && dr > corner && db >= 0 && db < b) zone = {4, SizeCommand::Bottom, SizeCursor::NorthSouth};
  if (dl >= 0 && dl <= corner && dt >= 0 && dt <= corner) zone = {5, SizeCommand::TopLeft, SizeCursor::NwSe};
  if (dl >= 0 && dl <= corner && db >= 0 && db <= corner) zone = {6, SizeCommand::BottomLeft, SizeCursor::NeSw};
  if (dr >= 0 && dr <= corner && dt >= 0 && dt <= corner) zone = {7, SizeCommand::TopRight, SizeCursor::NeSw};
  if (dr >= 0 && dr <= corner && db >= 0 && db <= corner) zone = {8, SizeCommand::BottomRight, SizeCursor::NwSe};
  return zone;
}

std::array<int32_t, 3> CaptionButtonXs(int32_t width, const CaptionWidths& w, int32_t inset, int32_t ox) {
  return {width - w.close - 2 * inset + ox, width - w.close - 2 * inset - w.maximize + ox,
          width - w.close - w.maximize - 2 * inset - w.minimize + ox};
}

std::array<int32_t, 2> GrabOffsets(int32_t edge, const EdgeRect& r, int32_t x, int32_t y) {
  const int32_t dl = x - r.left;
  const int32_t dt = y - r.top;
  switch (edge) {
    case 1:
    case 3:
    case 5:
      return {dl, dt};
    case 2:
    case 4:
    case 8:
      return {x - r.right, y - r.bottom};
    case 6:
      return {dl, y - r.bottom};
    case 7:
      return {x - r.right, dt};
    default:
      return {0, 0};
  }
}

EdgeRect MoveDraggedEdges(EdgeRect r, int32_t edge, int32_t cx, int32_t cy, int32_t minW, int32_t minH) {
  if (edge == 1 || edge == 5 || edge == 6) r.left = (r.right - cx < minW) ? r.right - minW : cx;
  if (edge == 2 || edge == 7 || edge == 8) r.right = (cx - r.left < minW) ? r.left + minW : cx;
  if (edge == 3 || edge == 5 || edge == 7) r.top = (r.bottom - cy < minH) ? r.bottom - minH : cy;
  if (edge == 4 || edge == 6 || edge == 8) r.bottom = (cy - r.top < minH) ? r.top + minH : cy;
  return r;
}

WorkArea ComputeWorkArea(const WorkArea& previous, const TaskbarState& bar, int32_t screenW, int32_t screenH) {
  WorkArea area = previous;
  const EdgeRect& r = bar.rect;
  if (bar.autoHide) {
    area.width = static_cast<float>(screenW);
    area.height = static_cast<float>(screenH);
    return area;
  }
  switch (bar.edge) {
    case TaskbarEdge::Top:
      area.y = static_cast<float>(r.bottom);
      area.width = static_cast<float>(r.right);
      area.height = static_cast<float>(screenH - r.bottom);
      break;
    case TaskbarEdge::Left:
      area.x = static_cast<float>(r.right);
      area.width = static_cast<float>(screenW - r.right);
      area.height = static_cast<float>(r.bottom);
      break;
    case TaskbarEdge::Bottom:
      area.width = static_cast<float>(r.right);
      area.height = static_cast<float>(r.top);
      break;
    case TaskbarEdge::Right:
      // The screen left of the taskbar, from the screen's own corner.
      area.x = 0;
      area.y = 0;
      area.width = static_cast<float>(r.left);
      area.height = static_cast<float>(r.bottom);
      break;
    default:
      break;
  }
  return area;
}

MaxPlacement MaximizedPlacement(bool fullScreen, const std::array<float, 4>& m, const WorkArea& work, int32_t screenW,
                                int32_t screenH) {
  float w = 0;
  float h = 0;
  float x = 0;
  float y = 0;
  if (fullScreen) {
    w = static_cast<float>(screenW) + m[2] - m[0];
    h = static_cast<float>(screenH) + m[3] - m[1];
    x = m[0];
    y = m[1];
  } else {
    w = work.width + m[2] - m[0];
    h = work.height + m[3] - m[1];
    x = work.x + m[0];
    y = work.y + m[1];
  }
  MaxPlacement p{static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(w), static_cast<int32_t>(h),
                 false};
  p.valid = p.width >= 1 && p.height >= 1;
  return p;
}

}  // namespace quillmar
