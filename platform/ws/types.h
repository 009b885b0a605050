#pragma once
// Plain value types of the window-system layer: handles, window procedures,
// pixel views and the records passed with some messages. Geometry is the
// program's own (base/geometry.h).

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "base/geometry.h"

namespace quillmar::ws {

// A top-level window; 0 means none. Handles are never reused in one process.
using WindowHandle = int32_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// A cursor; 0 means none. System cursors are shared and never destroyed.
using CursorHandle = uint32_t;

// A window procedure: (window, message, wParam, lParam) -> result.
using WindowProc = std::function<LResult(WindowHandle, uint32_t, WParam, LParam)>;

// Called on the UI thread with the timer's id.
using TimerCallback = std::function<void(uint32_t)>;

// Called on the UI thread with the pointer's screen position.
using PointerWatcher = std::function<void(Point)>;

// Called on the UI thread with the window that now has the keyboard focus (0: none of ours).
using FocusWatcher = std::function<void(int32_t)>;

// The desktop's caret blink.
struct CaretBlink {
  bool enabled = true;
  int32_t cycleMs = 1000;     // one shown and one hidden phase
  int32_t timeoutMs = 10000;  // without input the caret stops blinking (shown) after this
};

// What the input method is composing: shown by the program, not yet its text.
struct ImePreedit {
  std::u16string text;
  int32_t cursor = 0;  // UTF-16 units into text
};

// The fourteen system cursors, numbered as their classic resource ids.
enum class SystemCursor : uint32_t {
  Arrow = 32512,
  IBeam = 32513,
  Wait = 32514,
  Cross = 32515,
  UpArrow = 32516,
  SizeNwse = 32642,
  SizeNesw = 32643,
  SizeWe = 32644,
  SizeNs = 32645,
  SizeAll = 32646,
  No = 32648,
  Hand = 32649,
  AppStarting = 32650,
  Help = 32651,
};

// A borrowed premultiplied ARGB picture: 0xAARRGGBB words in native byte
// order, rows `stride` bytes apart (the memory of a 32-bit ARGB image surface).
struct PixelView {
  const void* data = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;
  const uint32_t* Row(int32_t y) const {
    return static_cast<const uint32_t*>(
        static_cast<const void*>(static_cast<const unsigned char*>(data) + static_cast<std::ptrdiff_t>(y) * stride));
  }
  uint32_t At(int32_t x, int32_t y) const { return Row(y)[x]; }
};

// The part of a presented picture that differs from the window's previous
// picture: whole, or only the listed rectangles (none when only the position
// or the constant alpha changed).
struct PresentDamage {
  bool whole = true;
  std::span<const Rect> rects;
  static PresentDamage Of(std::span<const Rect> rects) { return {false, rects}; }
};

// Called on the UI thread at a window's display frame, with the frame's time
// in milliseconds of the backend's clock (NowMs).
using FrameCallback = std::function<void(int64_t)>;

// Registration record of a window class.
struct WindowClass {
  std::string name;         // compared byte for byte
  WindowProc proc;          // empty: the default procedure
  uint32_t style = 0;       // ClassStyle bits; DblClks enables double-click messages
  CursorHandle cursor = 0;  // shown over the client area by the default procedure
  int32_t icon = 0;         // kept for the record
  int32_t background = 0;   // kept for the record
};

// Arguments of WindowSystem::OpenWindow; the Msg::Create lParam points to it.
struct WindowCreateParams {
  std::string className;
  std::string title;  // program text (UTF-8 or GB18030; shown converted where needed)
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  WindowHandle owner = 0;
  LParam param = 0;
};

// The record Msg::GetMinMaxInfo's lParam points to.
struct MinMaxInfo {
  Point reserved;
  Point maxSize;
  Point maxPosition;
  Point minTrackSize;
  Point maxTrackSize;
};

struct WindowPlacement {
  int showCmd = 0;  // Show::Normal, Show::Minimized or Show::Maximized
  Rect normal;      // the rectangle the window has when restored
};

// Where the desktop's panel sits, for the maximize work-area rule.
struct TaskbarInfo {
  bool autoHide = false;
  int edge = 3;  // 0 left, 1 top, 2 right, 3 bottom
  Rect rect;
};

// One monitor of the desktop, in screen coordinates (a monitor left of or
// above the primary one has negative coordinates).
struct MonitorInfo {
  Rect bounds;
  Rect workArea;        // what the desktop's panels leave free
  TaskbarInfo taskbar;  // the monitor's panel; autoHide when none takes space
};

// The panel a work area implies: the side where the monitor and its work area part.
TaskbarInfo TaskbarOf(const Rect& bounds, const Rect& workArea);

// insertAfter values and flags of WindowSystem::SetPosition (SWP_*).
inline constexpr WindowHandle kInsertTop = 0;         // HWND_TOP
inline constexpr WindowHandle kInsertTopmost = -1;    // HWND_TOPMOST
inline constexpr WindowHandle kInsertNoTopmost = -2;  // HWND_NOTOPMOST
namespace Swp {
inline constexpr uint32_t NoSize = 0x0001;         // SWP_NOSIZE
inline constexpr uint32_t NoMove = 0x0002;         // SWP_NOMOVE
inline constexpr uint32_t NoZOrder = 0x0004;       // SWP_NOZORDER
inline constexpr uint32_t NoActivate = 0x0010;     // SWP_NOACTIVATE
inline constexpr uint32_t FrameChanged = 0x0020;   // SWP_FRAMECHANGED
inline constexpr uint32_t ShowWindow = 0x0040;     // SWP_SHOWWINDOW
inline constexpr uint32_t HideWindow = 0x0080;     // SWP_HIDEWINDOW
inline constexpr uint32_t NoOwnerZOrder = 0x0200;  // SWP_NOOWNERZORDER
}  // namespace Swp

}  // namespace quillmar::ws
