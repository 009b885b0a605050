#include "platform/ws/window_system.h"

#include <cstdio>
#include <cstdlib>

namespace quillmar::ws {
namespace {

std::unique_ptr<WindowSystem>& Installed() {
  static std::unique_ptr<WindowSystem> backend;
  return backend;
}

}  // namespace

namespace {

int64_t Area(const Rect& r) { return r.IsEmpty() ? 0 : int64_t{r.width} * r.height; }

// Squared distance from the point to the rectangle (0 inside).
int64_t DistanceSquared(const Rect& r, Point p) {
  const int64_t dx = p.x < r.Left() ? r.Left() - p.x : p.x >= r.Right() ? p.x - r.Right() + 1 : 0;
  const int64_t dy = p.y < r.Top() ? r.Top() - p.y : p.y >= r.Bottom() ? p.y - r.Bottom() + 1 : 0;
  return dx * dx + dy * dy;
}

}  // namespace

TaskbarInfo TaskbarOf(const Rect& b, const Rect& work) {
  TaskbarInfo info;
  if (work == b || work.IsEmpty()) {
    info.autoHide = true;  // no panel reserves space: the work area is the whole monitor
  } else if (work.Top() > b.Top()) {
    info.edge = 1;
    info.rect = Rect::FromLtrb(b.Left(), b.Top(), b.Right(), work.Top());
  } else if (work.Left() > b.Left()) {
    info.edge = 0;
    info.rect = Rect::FromLtrb(b.Left(), b.Top(), work.Left(), b.Bottom());
  } else if (work.Right() < b.Right()) {
    info.edge = 2;
    info.rect = Rect::FromLtrb(work.Right(), b.Top(), b.Right(), b.Bottom());
  } else {
    info.edge = 3;
    info.rect = Rect::FromLtrb(b.Left(), work.Bottom(), b.Right(), b.Bottom());
  }
  return info;
}

MonitorInfo WindowSystem::MonitorOf(WindowHandle hwnd) const {
  const std::vector<MonitorInfo> monitors = Monitors();
  if (monitors.empty()) return {};
  if (!IsWindow(hwnd)) return monitors.front();
  const Rect r = WindowRect(hwnd);
  const MonitorInfo* best = nullptr;
  int64_t bestArea = 0;
  for (const MonitorInfo& m : monitors) {
    const int64_t area = Area(m.bounds.Intersected(r));
    if (area > bestArea) best = &m, bestArea = area;
  }
  return best != nullptr ? *best : MonitorAt({r.x + r.width / 2, r.y + r.height / 2});
}

MonitorInfo WindowSystem::MonitorAt(Point screen) const {
  const std::vector<MonitorInfo> monitors = Monitors();
  if (monitors.empty()) return {};
  const MonitorInfo* best = &monitors.front();
  for (const MonitorInfo& m : monitors) {
    if (DistanceSquared(m.bounds, screen) < DistanceSquared(best->bounds, screen)) best = &m;
  }
  return *best;
}

LResult WindowSystem::CallProc(const WindowProc& proc, WindowHandle hwnd, uint32_t msg, WParam wParam, LParam lParam) {
  if (!proc) return DefaultProc(hwnd, msg, wParam, lParam);
  return proc(hwnd, msg, wParam, lParam);
}

WindowSystem& System() {
  WindowSystem* backend = Installed().get();
  if (backend == nullptr) {
    std::fputs("quillmar: no window system installed\n", stderr);
    std::abort();
  }
  return *backend;
}

WindowSystem* SystemOrNull() { return Installed().get(); }

std::unique_ptr<WindowSystem> InstallSystem(std::unique_ptr<WindowSystem> backend) {
  std::unique_ptr<WindowSystem> previous = std::move(Installed());
  Installed() = std::move(backend);
  return previous;
}

}  // namespace quillmar::ws
