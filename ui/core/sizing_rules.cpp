#include "ui/core/sizing_rules.h"

namespace quillmar {

SizingZone DetectSizingZone(const Rect& window, Point cursor, int32_t b) {
  const int32_t dl = cursor.x - window.Left();
  const int32_t dr = window.Right() - cursor.x;
  const int32_t dt = cursor.y - window.Top();
  const int32_t db = window.Bottom() - cursor.y;
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

Point GrabOffsets(int32_t edge, const Rect& r, Point cursor) {
  const int32_t dl = cursor.x - r.Left();
  const int32_t dt = cursor.y - r.Top();
  switch (edge) {
    case 1:
    case 3:
    case 5:
      return {dl, dt};
    case 2:
    case 4:
    case 8:
      return {cursor.x - r.Right(), cursor.y - r.Bottom()};
    case 6:
      return {dl, cursor.y - r.Bottom()};
    case 7:
      return {cursor.x - r.Right(), dt};
    default:
      return {0, 0};
  }
}

Rect MoveDraggedEdges(const Rect& window, int32_t edge, Point to, Size minimum) {
  int32_t left = window.Left(), top = window.Top(), right = window.Right(), bottom = window.Bottom();
  const int32_t minW = minimum.width, minH = minimum.height;
  if (edge == 1 || edge == 5 || edge == 6) left = (right - to.x < minW) ? right - minW : to.x;
  if (edge == 2 || edge == 7 || edge == 8) right = (to.x - left < minW) ? left + minW : to.x;
  if (edge == 3 || edge == 5 || edge == 7) top = (bottom - to.y < minH) ? bottom - minH : to.y;
  if (edge == 4 || edge == 6 || edge == 8) bottom = (to.y - top < minH) ? top + minH : to.y;
  return Rect::FromLtrb(left, top, right, bottom);
}

RectF ComputeWorkArea(const RectF& previous, const TaskbarState& bar, Size screen) {
  const int32_t screenW = screen.width, screenH = screen.height;
  RectF area = previous;
  const Rect& r = bar.rect;
  if (bar.autoHide) {
    area.width = static_cast<float>(screenW);
    area.height = static_cast<float>(screenH);
    return area;
  }
  switch (bar.edge) {
    case TaskbarEdge::Top:
      area.y = static_cast<float>(r.Bottom());
      area.width = static_cast<float>(r.Right());
      area.height = static_cast<float>(screenH - r.Bottom());
      break;
    case TaskbarEdge::Left:
      area.x = static_cast<float>(r.Right());
      area.width = static_cast<float>(screenW - r.Right());
      area.height = static_cast<float>(r.Bottom());
      break;
    case TaskbarEdge::Bottom:
      area.width = static_cast<float>(r.Right());
      area.height = static_cast<float>(r.Top());
      break;
    case TaskbarEdge::Right:
      // The screen left of the taskbar, from the screen's own corner.
      area.x = 0;
      area.y = 0;
      area.width = static_cast<float>(r.Left());
      area.height = static_cast<float>(r.Bottom());
      break;
    default:
      break;
  }
  return area;
}

std::optional<Rect> MaximizedPlacement(bool fullScreen, const InsetsF& m, const RectF& work, const Rect& screen) {
  const RectF area = fullScreen ? RectF::FromRect(screen) : work;
  const RectF placed =
      RectF::FromXywh(area.x + m.left, area.y + m.top, area.width + m.right - m.left, area.height + m.bottom - m.top);
  const Rect p = placed.Truncated();
  if (p.width < 1 || p.height < 1) return std::nullopt;
  return p;
}

}  // namespace quillmar
