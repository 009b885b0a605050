#pragma once
// The GTK3 backend's class, shared by its two source files (windows and input;
// cursors, clipboard and desktop facts). Include only from platform/ws.

#include <gtk/gtk.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/ws/input_shape.h"
#include "platform/ws/window_core.h"

namespace quillmar::ws {

class GtkWindowSystem final : public WindowSystemCore {
 public:
  GtkWindowSystem();
  ~GtkWindowSystem() override;

  Point CursorPos() const override;
  int64_t NowMs() const override;
  bool SetBlurBehind(WindowHandle, std::optional<Insets>) override { return false; }
  CursorHandle LoadSystemCursor(SystemCursor which) override;
  CursorHandle CreateCursorFromFile(std::span<const uint8_t> bytes) override;
  void DestroyCursor(CursorHandle cursor) override;
  CursorHandle SetCursor(CursorHandle cursor) override;
  CursorHandle CurrentCursor() const override { return currentCursor_; }
  bool SetClipboardText(std::u16string_view unicode, std::string_view multibyte) override;
  std::optional<std::u16string> ClipboardText() override;
  void Beep(uint32_t kind) override;
  Size ScreenSize() const override;
  Rect WorkArea() const override;
  TaskbarInfo Taskbar() const override;
  std::vector<MonitorInfo> Monitors() const override;
  MonitorInfo MonitorOf(WindowHandle hwnd) const override;
  bool OpenWithHandler(std::string_view address) override;
  std::string OsVersionText() const override { return {}; }
  bool AxActive() const override;
  void AxNotify(WindowHandle hwnd, const AxEvent& event) override;
  CaretBlink CaretBlinkSettings() const override;

  // One native window; the signal handlers receive a pointer to it.
  struct Native {
    GtkWindowSystem* system = nullptr;
    WindowHandle hwnd = 0;
    GtkWidget* widget = nullptr;
    GtkIMContext* im = nullptr;
    cairo_surface_t* picture = nullptr;  // what "draw" shows
    uint8_t alpha = 255;
    InputShape shape;               // the ink the native input shape was made from
    bool shapeTransparent = false;  // the shape was set empty for constant alpha 0
    GdkFrameClock* clock = nullptr;
    gulong clockHandler = 0;
    bool frameWanted = false;  // a frame was asked for on the display's clock
    Size shownSize;            // the size the desktop last reported
    Size askedSize;            // a size we asked for that the desktop has not reported yet
    int64_t askedMs = 0;
    std::optional<Point> askedOrigin;  // a place we asked for that the desktop has not reported yet
    int64_t askedOriginMs = 0;
    guint placeCheck = 0;  // a look at where the desktop put the window, once our request is overdue
  };

 protected:
  void NativeCreate(WindowHandle hwnd) override;
  void NativeDestroy(WindowHandle hwnd) override;
  void NativeShow(WindowHandle hwnd, bool visible) override;
  void NativeGeometry(WindowHandle hwnd, Rect rect) override;
  bool NativePresent(WindowHandle hwnd, Point pos, Size size, const PixelView& picture, uint8_t alpha,
                     PresentDamage damage) override;
  void NativeRequestFrame(WindowHandle hwnd) override;
  void NativeCapture(WindowHandle hwnd) override;
  void NativeBeginMoveDrag(WindowHandle hwnd) override;
  void NativeIconify(WindowHandle hwnd, bool iconic) override;
  void NativeMinimumSize(WindowHandle hwnd, Size size) override;
  void NativeTitle(WindowHandle hwnd) override;
  void NativeZOrder(WindowHandle hwnd) override;
  void NativeFocus(WindowHandle hwnd) override;
  void NativeImeCursor(WindowHandle hwnd, Rect clientRect) override;
  void NativeImeReset(WindowHandle hwnd) override;
  void NativeTimerStart(uint32_t timerKey, uint32_t intervalMs) override;
  void NativeTimerStop(uint32_t timerKey) override;
  void WakeLoop() override;
  bool WaitForWork(const std::function<bool()>& keepRunning) override;

 private:
  // A timer is one GLib source for its whole life, woken by its ready time;
  // stopped timers park their source for the next one, so a blink or a
  // repeat restarted on every paint creates no new source.
  struct TimerSource {
    GSource base;  // first: the source is allocated as this struct
    GtkWindowSystem* system;
    uint32_t key;  // 0 while parked
    gint64 intervalUs;
    gint64 due;   // monotonic microseconds of the next tick
    bool firing;  // its callback runs: GLib holds the source back until it returns
  };
  static gboolean DispatchTimer(GSource* source, GSourceFunc callback, gpointer data);
  static constexpr size_t kParkedTimers = 8;
  static gboolean OnIdle(gpointer data);
  static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer data);
  static void OnFrameUpdate(GdkFrameClock* clock, gpointer data);
  static gboolean OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer data);
  static gboolean OnButton(GtkWidget* widget, GdkEventButton* event, gpointer data);
  static gboolean OnScroll(GtkWidget* widget, GdkEventScroll* event, gpointer data);
  static gboolean OnKey(GtkWidget* widget, GdkEventKey* event, gpointer data);
  static gboolean OnCrossing(GtkWidget* widget, GdkEventCrossing* event, gpointer data);
  static gboolean OnFocus(GtkWidget* widget, GdkEventFocus* event, gpointer data);
  // Drops the program's focus once none of its windows is active, a moment after a focus-out.
  void ArmFocusCheck();
  static gboolean OnConfigure(GtkWidget* widget, GdkEventConfigure* event, gpointer data);
  static gboolean OnPlaceOverdue(gpointer data);
  static gboolean OnDelete(GtkWidget* widget, GdkEvent* event, gpointer data);
  static gboolean OnWindowState(GtkWidget* widget, GdkEventWindowState* event, gpointer data);
  static void OnCommit(GtkIMContext* context, const char* text, gpointer data);
  static void OnPreeditChanged(GtkIMContext* context, gpointer data);

  Native* NativeOf(WindowHandle hwnd) const;
  // Our visible window whose rectangle holds the point, preferring `hint`.
  WindowHandle WindowUnder(Point screen, WindowHandle hint) const;
  uint32_t KeyFlagsFromState(guint state) const;
  // Sets the native input shape when the ink inside `rects` changed; true when it did.
  bool UpdateInputShape(Native& native, const PixelView& picture, std::span<const Rect> rects, bool reset);
  void HandleButton(Native& native, GdkEventButton* event);
  void HandleKey(Native& native, GdkEventKey* event);
  void ApplyCursor();
  void EndMoveDrag();
  void SyncModifiers(guint state);
  void TakeDesktopPosition(WindowHandle hwnd);

  std::map<WindowHandle, std::unique_ptr<Native>> natives_;
  std::map<uint32_t, TimerSource*> timerSources_;  // attached sources, owned
  std::vector<TimerSource*> parkedTimers_;         // stopped, kept for reuse
  std::map<CursorHandle, GdkCursor*> cursors_;     // owned references
  std::map<SystemCursor, CursorHandle> systemCursors_;
  CursorHandle nextCursor_ = 0x1000;
  CursorHandle currentCursor_ = 0;
  Point cursor_;
  bool pointerInside_ = false;  // cursor_ follows every move (the pointer is over our window)
  bool moveDrag_ = false;
  WindowHandle moveDragWindow_ = 0;
  // The press that may start a move drag.
  Point lastPressRoot_;
  guint32 lastEventTime_ = 0;
  int lastButton_ = 1;
  // The window we last asked the desktop to focus, and when.
  WindowHandle focusRequest_ = 0;
  int64_t focusRequestMs_ = -1000;
  uint32_t focusCheckTimer_ = 0;
  // Commits seen while a key press is being filtered by the input method.
  bool inFilter_ = false;
  std::vector<std::string> filterCommits_;

  std::mutex idleMutex_;  // guards idleSource_
  guint idleSource_ = 0;
};

}  // namespace quillmar::ws
