#pragma once
// The window-system seam: top-level windows with window procedures, messages
// and the loop, input state, timers, layered presentation, cursors, clipboard,
// screen facts and the desktop's link handler. One backend is installed per
// process (GTK for users, headless for tests); everything except Post,
// PostTask, PostQuit and NowMs belongs to the UI thread.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ws/ax_provider.h"
#include "platform/ws/messages.h"
#include "platform/ws/types.h"

namespace quillmar::ws {

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // --- Window classes ---
  // Registers a class; false (and nothing changes) when the name is taken.
  virtual bool AddWindowClass(const WindowClass& cls) = 0;
  virtual std::optional<WindowClass> WindowClassOf(std::string_view name) const = 0;
  virtual CursorHandle ClassCursor(WindowHandle hwnd) const = 0;
  // Replaces the cursor of the window's class; returns the previous one.
  virtual CursorHandle SetClassCursor(WindowHandle hwnd, CursorHandle cursor) = 0;

  // --- Windows ---
  // Creates a top-level window of a registered class; 0 when the class is
  // unknown or the procedure answers Msg::Create with -1. Sends Msg::Create,
  // Msg::Size and Msg::Move, then shows it when Style::Visible is set.
  virtual WindowHandle OpenWindow(const WindowCreateParams& params) = 0;
  // Destroys the window and the windows it owns (Msg::Destroy, Msg::NcDestroy).
  virtual bool DestroyWindow(WindowHandle hwnd) = 0;
  virtual bool IsWindow(WindowHandle hwnd) const = 0;
  virtual std::vector<WindowHandle> TopLevelWindows() const = 0;  // top of the z-order first
  virtual WindowHandle FindWindowByTitle(std::string_view title) const = 0;
  virtual WindowHandle Owner(WindowHandle hwnd) const = 0;
  virtual std::string ClassName(WindowHandle hwnd) const = 0;
  virtual std::string Title(WindowHandle hwnd) const = 0;
  virtual void SetTitle(WindowHandle hwnd, std::string_view title) = 0;

  // Style words. Writing Style::Disabled disables input; writing Style::Visible
  // changes the flag only, as the classic call does.
  virtual uint32_t GetStyle(WindowHandle hwnd) const = 0;
  virtual uint32_t SetStyle(WindowHandle hwnd, uint32_t style) = 0;  // returns the old word
  virtual uint32_t GetExStyle(WindowHandle hwnd) const = 0;
  virtual uint32_t SetExStyle(WindowHandle hwnd, uint32_t exStyle) = 0;
  virtual bool IsEnabled(WindowHandle hwnd) const = 0;
  virtual bool Enable(WindowHandle hwnd, bool enable) = 0;  // returns whether it was disabled

  // Show commands (Show::*); returns whether the window was visible before.
  virtual bool ShowWindow(WindowHandle hwnd, int cmd) = 0;
  virtual bool IsVisible(WindowHandle hwnd) const = 0;
  virtual bool IsIconic(WindowHandle hwnd) const = 0;
  virtual bool IsZoomed(WindowHandle hwnd) const = 0;
  virtual WindowPlacement Placement(WindowHandle hwnd) const = 0;

  virtual Rect WindowRect(WindowHandle hwnd) const = 0;  // screen coordinates
  // Moves and sizes (screen coordinates; a negative size counts as 0); sends
  // Msg::Move / Msg::Size for what changed.
  virtual bool MoveWindow(WindowHandle hwnd, const Rect& rect) = 0;
  // The smallest size the desktop may give the window (its edges, the window
  // manager, other programs); a smaller size from outside is refused.
  virtual void SetMinimumSize(WindowHandle hwnd, Size size) = 0;
  // The positioning call with Swp flags; Swp::FrameChanged is a frame refresh.
  // Swp::NoMove and Swp::NoSize leave the origin or the size of `rect` unused.
  virtual bool SetPosition(WindowHandle hwnd, WindowHandle insertAfter, const Rect& rect, uint32_t flags) = 0;

  // --- Window procedures and messages ---
  virtual WindowProc GetWindowProc(WindowHandle hwnd) const = 0;
  // Installs a new procedure and returns the previous one (subclassing).
  virtual WindowProc ReplaceWindowProc(WindowHandle hwnd, WindowProc proc) = 0;
  // The default procedure: Close destroys, NcLButtonDown on HitTest::Caption starts
  // a move drag, SysCommand minimises/maximises/restores/closes, SetCursor shows
  // the class cursor, GetMinMaxInfo keeps the defaults, the rest returns 0.
  virtual LResult DefaultProc(WindowHandle hwnd, uint32_t msg, WParam wParam, LParam lParam) = 0;
  // Calls a procedure obtained from ReplaceWindowProc (the default one when empty).
  LResult CallProc(const WindowProc& proc, WindowHandle hwnd, uint32_t msg, WParam wParam, LParam lParam);

  // Synchronous delivery. From another thread the call is carried to the UI
  // thread and waits for the result.
  virtual LResult Send(WindowHandle hwnd, uint32_t msg, WParam wParam, LParam lParam) = 0;
  // Queues a message from any thread; hwnd 0 is a message for the loop itself.
  // Messages for windows destroyed meanwhile are dropped.
  virtual bool Post(WindowHandle hwnd, uint32_t msg, WParam wParam, LParam lParam) = 0;
  // Runs a function on the UI thread, in order with posted messages.
  virtual void PostTask(std::function<void()> task) = 0;
  virtual void PostQuit(int exitCode) = 0;
  // Runs the loop until a quit arrives; returns its exit code.
  virtual int RunLoop() = 0;
  // Nested loop that runs while hwnd exists. Returns false when a quit ended
  // it; the quit is then re-posted so the outer loop ends as well.
  virtual bool RunModalLoop(WindowHandle hwnd) = 0;
  virtual bool OnUiThread() const = 0;

  // --- Input state ---
  virtual Point CursorPos() const = 0;                     // screen coordinates
  virtual WindowHandle SetCapture(WindowHandle hwnd) = 0;  // returns the previous holder
  virtual bool ReleaseCapture() = 0;
  virtual WindowHandle Capture() const = 0;
  // Requests Msg::MouseHover after the pointer rests hoverMs in the window
  // and/or Msg::MouseLeave when it leaves (Track flags); each fires once.
  virtual bool TrackMouse(WindowHandle hwnd, uint32_t flags, uint32_t hoverMs) = 0;
  virtual WindowHandle SetFocus(WindowHandle hwnd) = 0;  // returns the previous focus
  virtual WindowHandle Focus() const = 0;
  virtual bool SetForeground(WindowHandle hwnd) = 0;
  // Whether the key (Vk code; mouse buttons too) is held down now.
  virtual bool IsKeyDown(int vk) const = 0;
  // Places the input method's composition window at a point in client coordinates.
  virtual void SetImePosition(WindowHandle hwnd, Point clientPoint) = 0;
  // The committed text of the Msg::ImeComposition being handled (UTF-16).
  virtual std::u16string ImeResult(WindowHandle hwnd) const = 0;
  // Tells the input method where the caret is (client coordinates, the line's
  // height), so its candidate window opens beside it. The backend keeps it
  // when the window moves.
  virtual void SetImeCursor(WindowHandle hwnd, Rect clientRect) = 0;
  // Drops a half-typed composition: the caret moved away from it.
  virtual void ResetIme(WindowHandle hwnd) = 0;
  // The composition of the Msg::ImeComposition (Ime::CompStr) being handled;
  // an empty text ends it.
  virtual ImePreedit ImeComposition(WindowHandle hwnd) const = 0;
  // The desktop's caret blink settings.
  virtual CaretBlink CaretBlinkSettings() const = 0;
  // Calls the watcher whenever the keyboard focus moves from one window to
  // another or away from the program. Returns a non-zero id for UnwatchFocus.
  virtual uint32_t WatchFocus(FocusWatcher watcher) = 0;
  virtual void UnwatchFocus(uint32_t id) = 0;
  // Calls the watcher with the pointer's screen position whenever the desktop
  // reports it moving over (or leaving) one of the program's windows, and
  // whenever a window is hidden or destroyed, since what lies under the
  // pointer may have changed. Lets a helper such as a tip follow the pointer
  // without a timer. Returns a non-zero id for UnwatchPointer.
  virtual uint32_t WatchPointer(PointerWatcher watcher) = 0;
  virtual void UnwatchPointer(uint32_t id) = 0;

  // --- Timers (all callbacks on the UI thread) ---
  // The window tick: intervals below 10 ms run at 10 ms. With a callback it is
  // called; without one Msg::Timer (id, 0) goes to hwnd. id 0 picks a new id.
  virtual uint32_t SetWindowTimer(WindowHandle hwnd, uint32_t id, uint32_t intervalMs, TimerCallback callback) = 0;
  virtual bool KillWindowTimer(WindowHandle hwnd, uint32_t id) = 0;
  // Periodic element timers with their own interval (1 ms and up); ids are non-zero.
  virtual uint32_t StartPeriodicTimer(uint32_t intervalMs, TimerCallback callback) = 0;
  virtual bool StopPeriodicTimer(uint32_t id) = 0;
  // Milliseconds of a monotonic clock (virtual in the headless backend).
  virtual int64_t NowMs() const = 0;
  // Calls `callback` once at the window's next display frame: paced to the
  // display (at most its rate; 60 Hz where the rate is unknown), at once when
  // the window has been quiet for a frame. Requests made before that frame
  // share it (the last callback is kept). False for an unknown window.
  virtual bool RequestFrame(WindowHandle hwnd, FrameCallback callback) = 0;

  // --- Layered output ---
  // Shows `size` pixels of the picture (from its top-left) at pos with a
  // constant alpha, moving and sizing the window to match. Requires
  // ExStyle::Layered. The pixels are copied: only those inside `damage` when
  // the size stays, since the rest is what the window shows already.
  virtual bool PresentLayered(WindowHandle hwnd, Point pos, Size size, const PixelView& picture, uint8_t constantAlpha,
                              PresentDamage damage = {}) = 0;
  // Content of an ordinary (not layered) window at its current rectangle;
  // the window is opaque, so colours show as premultiplied over black.
  virtual bool PaintWindow(WindowHandle hwnd, const PixelView& picture) = 0;
  // Blur behind the window is not available here: always false.
  virtual bool SetBlurBehind(WindowHandle hwnd, std::optional<Insets> inset) = 0;

  // --- Cursors ---
  virtual CursorHandle LoadSystemCursor(SystemCursor which) = 0;
  // A cursor from the bytes of a cursor file; 0 when they are refused.
  virtual CursorHandle CreateCursorFromFile(std::span<const uint8_t> bytes) = 0;
  virtual void DestroyCursor(CursorHandle cursor) = 0;
  virtual CursorHandle SetCursor(CursorHandle cursor) = 0;  // returns the previous one
  virtual CursorHandle CurrentCursor() const = 0;

  // --- Clipboard (text) ---
  // Places the text; `multibyte` is the program's own encoding of it, kept
  // where the platform has a slot for it.
  virtual bool SetClipboardText(std::u16string_view unicode, std::string_view multibyte) = 0;
  virtual std::optional<std::u16string> ClipboardText() = 0;

  // --- Desktop ---
  virtual void Beep(uint32_t kind) = 0;
  // The primary monitor's size, work area and panel.
  virtual Size ScreenSize() const = 0;
  virtual Rect WorkArea() const = 0;
  virtual TaskbarInfo Taskbar() const = 0;
  // Every monitor, the primary one first.
  virtual std::vector<MonitorInfo> Monitors() const = 0;
  // The monitor holding most of the window (the nearest one when it is off
  // every monitor); the primary one for an unknown window.
  virtual MonitorInfo MonitorOf(WindowHandle hwnd) const;
  // The monitor holding the point, else the nearest one.
  virtual MonitorInfo MonitorAt(Point screen) const;
  // Opens an address or a magnet link with the desktop's registered handler.
  virtual bool OpenWithHandler(std::string_view address) = 0;
  // The OS version text ("6.1" style); empty where there is none.
  virtual std::string OsVersionText() const = 0;

  // --- Accessibility ---
  // Lets assistive technology read the window's nodes from provider (null
  // takes it away). The provider must outlive the window or be taken away first.
  virtual void SetAxProvider(WindowHandle hwnd, AxProvider* provider) = 0;
  virtual AxProvider* AxProviderOf(WindowHandle hwnd) const = 0;
  // Whether assistive technology has read any node yet. Until it has, nobody
  // can care about a change, so callers skip building notifications.
  virtual bool AxActive() const { return false; }
  // A change of a node of the window, for whoever listens.
  virtual void AxNotify(WindowHandle /*hwnd*/, const AxEvent& /*event*/) {}
};

// The installed backend. Aborts when none is installed.
WindowSystem& System();
WindowSystem* SystemOrNull();
// Installs a backend (replacing any other) and returns the previous one.
std::unique_ptr<WindowSystem> InstallSystem(std::unique_ptr<WindowSystem> backend);

}  // namespace quillmar::ws
