// Moving and sizing elements, the frameless window's sizing band and its
// settings, and the work area.

#include <algorithm>

#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/core/element_record.h"
#include "ui/core/element_ref.h"
#include "ui/core/element_registry.h"
#include "ui/core/element_surfaces.h"
#include "ui/core/frame.h"
#include "ui/core/paint_scheduler.h"
#include "ui/core/window.h"

namespace quillmar {
namespace {

// One mouse, so one sizing drag at a time for the whole process.
struct SizingState {
  bool active = false;
  int32_t edge = 0;
  Point grab;
  int32_t command = 0;
  bool pressOutside = false;
};

SizingState& Sizing() {
  static SizingState state;
  return state;
}

// The work area and the monitor it was computed for.
struct WorkAreaState {
  Rect monitor;
  RectF area;
};

WorkAreaState& StoredWorkArea() {
  static WorkAreaState state;
  return state;
}

// What an element without a frame reads.
const FrameSizing kNoFrame{};

}  // namespace

void UiWindow::Place(std::optional<int32_t> x, std::optional<int32_t> y, std::optional<int32_t> width,
                     std::optional<int32_t> height, OptKey key) {
  // Routines run in between: the references tell whether the element and this object are still there.
  const ElementRef rec(ResolveKey(key));
  const ElementRef self(key_);
  if (!rec) return;
  const int32_t k = rec.Key();
  const auto [nx, ny, nw, nh] = rec->Resolve(x, y, width, height);
  ws::WindowSystem& sys = ws::System();
  const bool bound = k == key_ && hwnd_ != 0 && rec->IsTopLevelWindow() && sys.IsWindow(hwnd_);
  const Hwnd hwnd = bound ? hwnd_ : 0;
  const bool resized = Size{nw, nh} != rec->bounds.GetSize();
  if (resized) {
    SetGeometry(std::nullopt, std::nullopt, nw, nh, k);
    RecreateCanvas(k);
    InvalidateRect(k);
    if (EventRoutine routine = GetUserHandler(k)) {
      routine(hwnd, k, Msg::Size, 0,
              static_cast<LParam>(MakeLong(static_cast<uint32_t>(nw), static_cast<uint32_t>(nh))));
      routine(hwnd, k, Event::Resized, static_cast<WParam>(nw), static_cast<LParam>(nh));
      if (self.Lost() || !rec) return;
    }
    if (k == key_ && frame_) frame_->PlaceCaptionButtons();
  }
  if (!bound) {
    if (resized) SendEvent(k, Event::Resized, static_cast<WParam>(nw), static_cast<LParam>(nh));
    if (rec && Point{nx, ny} != rec->bounds.Origin()) {
      rec->bounds.x = nx;
      rec->bounds.y = ny;
      rec->MarkChanged();
      SendEvent(k, Event::Moved, static_cast<WParam>(nx), static_cast<LParam>(ny));
    }
    return;
  }
  if (resized) {
    Repaint();
    if (self.Lost() || !rec) return;
    sys.SetPosition(hwnd, 0, Rect{}, ws::Swp::NoSize | ws::Swp::NoMove | ws::Swp::NoZOrder | ws::Swp::FrameChanged);
  }
  sys.MoveWindow(hwnd, Rect{nx, ny, nw, nh});
  if (self.Lost() || !rec) return;
  SetGeometry(nx, ny, std::nullopt, std::nullopt, k);
  if (EventRoutine routine = GetUserHandler(k)) {
    routine(hwnd, k, Msg::Move, 0, static_cast<LParam>(MakeLong(static_cast<uint32_t>(nx), static_cast<uint32_t>(ny))));
    routine(hwnd, k, Event::Moved, static_cast<WParam>(nx), static_cast<LParam>(ny));
  }
}

void UiWindow::SetVisible(int32_t value, OptKey key) {
  ElementRecord* rec = Rec(key);
  if (!rec || rec->visible == value) return;
  rec->visible = value;
  rec->needsCompose = 1;
  PaintScheduler::Request(rec->key);
  if (rec->IsTopLevelWindow() && rec->windowHandle != 0 && ws::System().IsWindow(rec->windowHandle)) {
    ws::System().ShowWindow(rec->windowHandle, value != 0 ? Show::Normal : Show::Hide);
  }
}

void UiWindow::SetPadding(const Insets& padding, OptKey key) {
  if (ElementRecord* rec = Rec(key)) {
    if (rec->padding == padding) return;
    rec->padding = padding;
    rec->MarkChanged();
  }
}

Insets UiWindow::GetPadding(OptKey key) {
  ElementRecord* rec = Rec(key);
  return rec ? rec->padding : Insets{-1, -1, -1, -1};
}

Point UiWindow::PointToScreen(Point p, OptKey key) { return OffsetByAncestors(p, key, true); }

Point UiWindow::PointToWindow(Point p, OptKey key) { return OffsetByAncestors(p, key, false); }

Point UiWindow::OffsetByAncestors(Point p, OptKey key, bool throughWindow) {
  // Each level adds the element's position and its parent's padding; the
  // top-level window's own position is its place on the screen.
  for (ElementRecord* rec = Rec(key); rec && (throughWindow || rec->parentKey != 0);) {
    p = p + rec->bounds.Origin();
    rec = Registry().Find(rec->parentKey);
    if (rec) {
      p.x += rec->padding.left;
      p.y += rec->padding.top;
    }
  }
  return p;
}

int32_t UiWindow::SizingHitTest(Hwnd hwnd, uint32_t msg) {
  if (!frame_) return -1;
  ws::WindowSystem& sys = ws::System();
  SizingState& s = Sizing();
  FrameSizing& f = frame_->Sizing();
  if (sys.IsZoomed(hwnd) || !sys.IsEnabled(hwnd)) return -1;
  // The pause lasts while the button that began it is held; whichever way its
  // release arrives (or does not, when a desktop drag swallowed it), it ends.
  if (msg == Msg::NcHitTest || msg == Msg::NcMouseMove || msg == Msg::NcLButtonUp || msg == Msg::LButtonUp ||
      !sys.IsKeyDown(Vk::LButton)) {
    s.pressOutside = false;
  }
  if (s.pressOutside) return -1;
  // A control pressed by the user holds the capture: no sizing then.
  if (sys.Capture() == hwnd && !s.active) return -1;
  const Rect r = sys.WindowRect(hwnd);
  const Point cursor = sys.CursorPos();
  const Rect moved = MoveDraggedEdges(r, s.edge, cursor - s.grab,
                                      Size{2 * f.border + f.minSize.width, 2 * f.border + f.minSize.height});
  if ((msg == Msg::LButtonUp || msg == Msg::NcLButtonUp) && s.active) {
    sys.ReleaseCapture();
    s.active = false;
    s.edge = 0;
  }
  if (msg == Msg::MouseMove && s.active) {
    if (moved.width != GetWidth() || moved.height != GetHeight()) Place(moved.x, moved.y, moved.width, moved.height);
  }
  if (!s.active) {
    f.cursorSet = 0;
    s.edge = 0;
    s.grab = {};
    s.command = 0;
    const bool press = msg == Msg::LButtonDown || msg == Msg::NcLButtonDown;
    const SizingZone zone = DetectSizingZone(r, cursor, f.border);
    if (zone.cursor != 0) {
      sys.SetCursor(sys.LoadSystemCursor(static_cast<ws::SystemCursor>(zone.cursor)));
      f.cursorSet = 1;
      if (press) {
        s.edge = zone.edge;
        s.command = zone.command;
        s.grab = GrabOffsets(zone.edge, r, cursor);
      }
    }
    if (s.edge != 0) {
      sys.SetCapture(hwnd);
      s.active = true;
    } else if (press) {
      s.pressOutside = true;
    }
  }
  // Controls under the band lose their hover while the sizing cursor shows.
  SetHoverSuspended(f.cursorSet);
  return s.command;
}

void UiWindow::ShowState(int32_t state) {
  if (hwnd_ == 0) return;
  if (state == Show::Minimized) {
    ws::System().Send(hwnd_, Msg::SysCommand, SysCmd::Minimize, 0);
  } else {
    ws::System().ShowWindow(hwnd_, state);
  }
}

void UiWindow::NotifyResize() {
  ElementRecord* rec = Rec({});
  if (!rec) return;
  const int32_t w = rec->bounds.width;
  const int32_t h = rec->bounds.height;
  if (EventRoutine routine = rec->userHandler) {
    routine(hwnd_, key_, Msg::Size, 0,
            static_cast<LParam>(MakeLong(static_cast<uint32_t>(w), static_cast<uint32_t>(h))));
    routine(hwnd_, key_, Event::Resized, static_cast<WParam>(w), static_cast<LParam>(h));
  }
}

void UiWindow::UpdateWorkArea(Hwnd hwnd) {
  const ws::MonitorInfo m = ws::System().MonitorOf(hwnd);
  WorkAreaState& stored = StoredWorkArea();
  // The taskbar rule works in the monitor's own coordinates, its corner at (0, 0).
  const Point o = m.bounds.Origin();
  RectF previous = stored.monitor == m.bounds ? stored.area : RectF::FromRect(m.bounds);
  previous.x -= static_cast<float>(o.x);
  previous.y -= static_cast<float>(o.y);
  const TaskbarState bar{m.taskbar.autoHide, m.taskbar.edge, m.taskbar.rect.Translated(-o.x, -o.y)};
  RectF area = ComputeWorkArea(previous, bar, m.bounds.GetSize());
  area.x += static_cast<float>(o.x);
  area.y += static_cast<float>(o.y);
  stored = {m.bounds, area};
}

RectF UiWindow::CurrentWorkArea() { return StoredWorkArea().area; }

std::optional<Rect> UiWindow::MaximizedRect() const {
  // The monitor the window is on now: after a move to another one its work area is new.
  const ws::MonitorInfo m = ws::System().MonitorOf(hwnd_);
  if (StoredWorkArea().monitor != m.bounds) UpdateWorkArea(hwnd_);
  return MaximizedPlacement(GetFullScreenMax() != 0, GetMaxMargins(), CurrentWorkArea(), m.bounds);
}

void UiWindow::SetCaptionOffset(Point offset) {
  if (frame_) frame_->SetCaptionOffset(offset);
}

Point UiWindow::GetCaptionOffset() const { return frame_ ? frame_->CaptionOffset() : Point{}; }

int32_t UiWindow::CaptionButtonPosition(std::string_view name, std::string_view axis) {
  return frame_ ? frame_->CaptionButtonPosition(name, axis) : -1;
}

void UiWindow::PlaceCaptionButtons() {
  if (frame_) frame_->PlaceCaptionButtons();
}

void UiWindow::SetSizingBorder(int32_t value) {
  if (frame_) frame_->Sizing().border = value;
}
int32_t UiWindow::GetSizingBorder() const { return (frame_ ? frame_->Sizing() : kNoFrame).border; }
void UiWindow::SetMaxMargins(const InsetsF& m) {
  if (frame_) frame_->Sizing().maxMargins = m;
}
InsetsF UiWindow::GetMaxMargins() const { return (frame_ ? frame_->Sizing() : kNoFrame).maxMargins; }
void UiWindow::SetMinSize(Size size) {
  if (!frame_) return;
  FrameSizing& f = frame_->Sizing();
  f.minSize = size;
  // The desktop keeps to it too: its own edges, maximizing, other programs.
  if (hwnd_ != 0 && ws::System().IsWindow(hwnd_)) {
    ws::System().SetMinimumSize(hwnd_, {2 * f.border + size.width, 2 * f.border + size.height});
  }
}
Size UiWindow::GetMinSize() const { return (frame_ ? frame_->Sizing() : kNoFrame).minSize; }
void UiWindow::SetFullScreenMax(int32_t v) {
  if (frame_) frame_->Sizing().fullScreenMax = v;
}
int32_t UiWindow::GetFullScreenMax() const { return (frame_ ? frame_->Sizing() : kNoFrame).fullScreenMax; }
void UiWindow::SetResizable(int32_t v) {
  if (frame_) frame_->Sizing().resizable = v;
}
int32_t UiWindow::GetResizable() const { return (frame_ ? frame_->Sizing() : kNoFrame).resizable; }
void UiWindow::SetDragAnywhere(int32_t v) {
  if (frame_) frame_->Sizing().dragAnywhere = v;
}
int32_t UiWindow::GetDragAnywhere() const { return (frame_ ? frame_->Sizing() : kNoFrame).dragAnywhere; }
int32_t UiWindow::GetSizingCursorSet() const { return (frame_ ? frame_->Sizing() : kNoFrame).cursorSet; }

}  // namespace quillmar
