#pragma once
// The records behind WindowSystemCore, shared by its source files.

#include <memory>
#include <string>

#include "platform/ws/window_core.h"

namespace quillmar::ws {

struct WindowSystemCore::Record {
  std::string className;
  std::string title;
  Rect rect;
  Rect normalRect;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  WindowHandle owner = 0;
  // Shared so that a procedure replacing itself while it runs stays alive.
  std::shared_ptr<const WindowProc> proc;
  int showState = Show::Normal;   // Normal, Minimized or Maximized
  bool restoreMaximized = false;  // minimised from maximised
  bool destroying = false;
  uint32_t trackFlags = 0;
  uint32_t hoverMs = 0;
  uint32_t hoverTimer = 0;
  Rect imeCursor;
  Size minSize;            // the smallest size the desktop may give it
  bool presented = false;  // a picture has reached the system
};

struct WindowSystemCore::TimerEntry {
  enum class Kind { Window, Periodic, Hover };
  Kind kind = Kind::Window;
  WindowHandle hwnd = 0;
  uint32_t id = 0;
  uint32_t intervalMs = 0;
  std::shared_ptr<const TimerCallback> callback;
};

struct WindowSystemCore::Posted {
  WindowHandle hwnd = 0;
  uint32_t msg = 0;
  WParam wParam = 0;
  LParam lParam = 0;
  std::function<void()> task;
};

inline LParam PackPoint(int32_t x, int32_t y) {
  return static_cast<LParam>(MakeLong(static_cast<uint32_t>(x), static_cast<uint32_t>(y)));
}

}  // namespace quillmar::ws
