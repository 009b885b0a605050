#pragma once
// What both backends share: the class table, window records, procedures and
// subclassing, message delivery, the posted-message queue and the loops, show
// states, focus, capture, mouse tracking, timers and the translation of raw
// input into window messages. A backend supplies the native side through the
// protected Native* hooks and feeds input in through the Input* calls.

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <deque>
#include <set>
#include <thread>

#include "platform/ws/frame_report.h"
#include "platform/ws/window_system.h"

namespace quillmar::ws {

class WindowSystemCore : public WindowSystem {
 public:
  WindowSystemCore();
  ~WindowSystemCore() override;

  bool AddWindowClass(const WindowClass& cls) override;
  std::optional<WindowClass> WindowClassOf(std::string_view name) const override;
  CursorHandle ClassCursor(WindowHandle hwnd) const override;
  CursorHandle SetClassCursor(WindowHandle hwnd, CursorHandle cursor) override;

  WindowHandle OpenWindow(const WindowCreateParams& params) override;
  bool DestroyWindow(WindowHandle hwnd) override;
  bool IsWindow(WindowHandle hwnd) const override;
  std::vector<WindowHandle> TopLevelWindows() const override;
  WindowHandle FindWindowByTitle(std::string_view title) const override;
  WindowHandle Owner(WindowHandle hwnd) const override;
  std::string ClassName(WindowHandle hwnd) const override;
  std::string Title(WindowHandle hwnd) const override;
  void SetTitle(WindowHandle hwnd, std::string_view title) override;
  uint32_t GetStyle(WindowHandle hwnd) const override;
  uint32_t SetStyle(WindowHandle hwnd, uint32_t style) override;
  uint32_t GetExStyle(WindowHandle hwnd) const override;
  uint32_t SetExStyle(WindowHandle hwnd, uint32_t exStyle) override;
  bool IsEnabled(WindowHandle hwnd) const override;
  bool Enable(WindowHandle hwnd, bool enable) override;
  bool ShowWindow(WindowHandle hwnd, int cmd) override;
  bool IsVisible(WindowHandle hwnd) const override;
  bool IsIconic(WindowHandle hwnd) const override;
  bool IsZoomed(WindowHandle hwnd) const override;
  WindowPlacement Placement(WindowHandle hwnd) const override;
  Rect WindowRect(WindowHandle hwnd) const override;
  bool MoveWindow(WindowHandle hwnd, const Rect& rect) override;
  bool SetPosition(WindowHandle hwnd, WindowHandle insertAfter, const Rect& rect, uint32_t flags) override;
  void SetMinimumSize(WindowHandle hwnd, Size size) override;

  WindowProc GetWindowProc(WindowHandle hwnd) const override;
  WindowProc ReplaceWindowProc(WindowHandle hwnd, WindowProc proc) override;
  LResult DefaultProc(WindowHandle hwnd, uint32_t msg, WParam wParam, LParam lParam) override;
  LResult Send(WindowHandle hwnd, uint32_t msg, WParam wParam, LParam lParam) override;
  bool Post(WindowHandle hwnd, uint32_t msg, WParam wParam, LParam lParam) override;
  void PostTask(std::function<void()> task) override;
  void PostQuit(int exitCode) override;
  int RunLoop() override;
  bool RunModalLoop(WindowHandle hwnd) override;
  bool OnUiThread() const override;

  WindowHandle SetCapture(WindowHandle hwnd) override;
  bool ReleaseCapture() override;
  WindowHandle Capture() const override { return capture_; }
  bool TrackMouse(WindowHandle hwnd, uint32_t flags, uint32_t hoverMs) override;
  WindowHandle SetFocus(WindowHandle hwnd) override;
  WindowHandle Focus() const override { return focus_; }
  bool SetForeground(WindowHandle hwnd) override;
  bool IsKeyDown(int vk) const override;
  void SetImePosition(WindowHandle hwnd, Point clientPoint) override;
  std::u16string ImeResult(WindowHandle hwnd) const override;
  void SetImeCursor(WindowHandle hwnd, Rect clientRect) override;
  void ResetIme(WindowHandle hwnd) override;
  ImePreedit ImeComposition(WindowHandle hwnd) const override;
  CaretBlink CaretBlinkSettings() const override { return CaretBlink{}; }
  uint32_t WatchFocus(FocusWatcher watcher) override;
  void UnwatchFocus(uint32_t id) override;
  uint32_t WatchPointer(PointerWatcher watcher) override;
  void UnwatchPointer(uint32_t id) override;

  uint32_t SetWindowTimer(WindowHandle hwnd, uint32_t id, uint32_t intervalMs, TimerCallback callback) override;
  bool KillWindowTimer(WindowHandle hwnd, uint32_t id) override;
  uint32_t StartPeriodicTimer(uint32_t intervalMs, TimerCallback callback) override;
  bool StopPeriodicTimer(uint32_t id) override;

  bool RequestFrame(WindowHandle hwnd, FrameCallback callback) override;

  bool PresentLayered(WindowHandle hwnd, Point pos, Size size, const PixelView& picture, uint8_t constantAlpha,
                      PresentDamage damage = {}) override;
  bool PaintWindow(WindowHandle hwnd, const PixelView& picture) override;

  // The topmost visible, enabled window that hwnd owns (directly or through
  // other owned windows) and that can take the focus; 0 when none.
  WindowHandle EnabledPopupOf(WindowHandle hwnd) const;
  void SetAxProvider(WindowHandle hwnd, AxProvider* provider) override;
  AxProvider* AxProviderOf(WindowHandle hwnd) const override;

  // Where the composition window was last placed (client coordinates).
  Point ImePosition(WindowHandle hwnd) const;
  // The caret rectangle the input method was last given for the window.
  Rect ImeCursor(WindowHandle hwnd) const;
  // How often the program asked to drop a composition.
  int ImeResetCount() const { return imeResets_; }
  // Number of timers of every kind now running (window ticks, periodic, internal).
  size_t RunningTimerCount() const { return timers_.size(); }

  // What the presents of layered windows cost, summed over the process.
  struct PresentStats {
    int64_t presents = 0;
    int64_t frames = 0;         // display frames served (RequestFrame callbacks)
    int64_t copiedPixels = 0;   // pixels the backend took from presented pictures
    int64_t changedPixels = 0;  // of those, pixels that differ (counted only when asked)
    int64_t shapeUpdates = 0;   // times the native input shape was set
  };
  const PresentStats& PresentStatistics() const { return stats_; }
  void ResetPresentStatistics() { stats_ = {}; }
  // Whether a window has shown a presented picture yet (in this process).
  bool FirstFrameShown() const { return frameReport_.FirstFrameShown(); }
  // Comparing each copied pixel with the one it replaces costs a second look,
  // so it runs only while a measurement asks for it.
  void CountChangedPixels(bool on) { countChanged_ = on; }

  // The frame interval where the display's rate is unknown (60 Hz, rounded up
  // so the rate is never exceeded).
  static constexpr uint32_t kFallbackFrameMs = 17;

 protected:
  // --- Native side, all on the UI thread ---
  virtual void NativeCreate(WindowHandle hwnd) = 0;   // the record exists, hidden
  virtual void NativeDestroy(WindowHandle hwnd) = 0;  // the record is about to go
  virtual void NativeShow(WindowHandle hwnd, bool visible) = 0;
  virtual void NativeGeometry(WindowHandle hwnd, Rect rect) = 0;
  // `damage` is whole, or rectangles inside the size when the size stayed.
  virtual bool NativePresent(WindowHandle hwnd, Point pos, Size size, const PixelView& picture, uint8_t alpha,
                             PresentDamage damage) = 0;
  virtual void NativeCapture(WindowHandle hwnd) = 0;  // 0 releases
  virtual void NativeBeginMoveDrag(WindowHandle hwnd) = 0;
  virtual void NativeIconify(WindowHandle /*hwnd*/, bool /*iconic*/) {}
  virtual void NativeMinimumSize(WindowHandle /*hwnd*/, Size /*size*/) {}
  virtual void NativeTitle(WindowHandle /*hwnd*/) {}
  virtual void NativeZOrder(WindowHandle /*hwnd*/) {}
  virtual void NativeFocus(WindowHandle /*hwnd*/) {}
  // Asks for a frame of the window; the default paces every window on one
  // timer of kFallbackFrameMs. A backend with a display clock overrides it
  // and calls ServeFrame at the display's frame.
  virtual void NativeRequestFrame(WindowHandle hwnd);
  virtual void NativeImeCursor(WindowHandle /*hwnd*/, Rect /*clientRect*/) {}
  virtual void NativeImeReset(WindowHandle /*hwnd*/) {}
  // Arranges FireTimer(timerKey) every intervalMs until NativeTimerStop.
  virtual void NativeTimerStart(uint32_t timerKey, uint32_t intervalMs) = 0;
  virtual void NativeTimerStop(uint32_t timerKey) = 0;
  // Serves every window that asked for a frame, at the frame time `nowMs`.
  // The paced fallback calls it; a backend with its own display clock calls
  // it per window through ServeFrame.
  void ServeFrames(int64_t nowMs);
  void ServeFrame(WindowHandle hwnd, int64_t nowMs);
  // The frame callback the window is waiting for, taken out; empty when none.
  FrameCallback TakeFrameCallback(WindowHandle hwnd);
  // Adds a present's copy to the statistics: `changed` from ChangedPixels when
  // counting is on.
  void NotePresent(int64_t copied, int64_t changed, bool shapeSet);
  bool CountingChangedPixels() const { return countChanged_; }
  // Pixels inside `rects` where `now` differs from `before` (both of one size).
  static int64_t ChangedPixels(const PixelView& now, const PixelView& before, std::span<const Rect> rects);
  // Called from any thread when the posted queue turns non-empty.
  virtual void WakeLoop() = 0;
  // Blocks until something may have happened (events, timers, posts); returns
  // false when the loop should give up.
  virtual bool WaitForWork(const std::function<bool()>& keepRunning) = 0;

  // --- Input from the backend (screen coordinates) ---
  // `under` is the window below the pointer (0 for none of ours).
  void InputMouseMove(Point screen, WindowHandle under, uint32_t keyFlags);
  void InputButton(Point screen, WindowHandle under, int button, bool down, bool doubleClick, uint32_t keyFlags);
  // Whether a press of button (0 left, 1 right, 2 middle) is the second of a
  // double click, and notes it for the next: the same button on the same window
  // (the capture's, while one holds it), within the double-click time (the
  // desktop's, never under 500 ms) and 2 pixels each way of the press before,
  // which was not itself a second. timeMs is the backend's press time in ms.
  bool PairPress(Point screen, WindowHandle under, int button, uint32_t timeMs, uint32_t desktopDoubleClickMs = 0);
  // The next press pairs with none before it.
  void ForgetPress() { lastPress_.reset(); }
  void InputWheel(Point screen, WindowHandle under, int32_t delta, bool horizontal, uint32_t keyFlags);
  // stateVk names the physical key for the key state (left/right), 0: vk itself.
  void InputKey(int vk, bool down, uint32_t scanCode, int stateVk = 0);
  void InputChar(uint32_t code, LParam lParam);
  void InputImeCommit(std::u16string_view text);
  // The composition changed (an empty text: it ended without a result).
  void InputImePreedit(std::u16string_view text, int32_t cursor);
  // The desktop moved or sized the window (a move drag, the window manager);
  // a size below the window's minimum is put back to it.
  void InputGeometry(WindowHandle hwnd, Rect rect);
  // The button that ended the desktop's move drag was released at `screen`.
  void InputMoveDragEnded(WindowHandle hwnd, Point screen);
  void InputFocus(WindowHandle hwnd);
  void InputCloseRequest(WindowHandle hwnd);
  // The desktop minimised or restored the window itself.
  void InputIconic(WindowHandle hwnd, bool iconic);
  void FireTimer(uint32_t timerKey);
  // Runs one batch of posted work; returns whether anything ran.
  bool DrainPosted();
  bool QueueEmpty();
  void SetKeyState(int vk, bool down);
  // The current modifier bits for mouse messages (Mk::*).
  uint32_t MouseKeyFlags() const;

  struct Record;
  Record* Find(WindowHandle hwnd);
  const Record* Find(WindowHandle hwnd) const;

 private:
  struct TimerEntry;
  struct Posted;
  LResult Deliver(WindowHandle hwnd, uint32_t msg, WParam wParam, LParam lParam);
  void ApplyGeometry(WindowHandle hwnd, Rect rect, bool sendMessages);
  void SetVisibleFlag(WindowHandle hwnd, bool visible);
  void Maximize(WindowHandle hwnd);
  void Restore(WindowHandle hwnd);
  void RaiseInZOrder(WindowHandle hwnd);
  void PointerEntered(WindowHandle hwnd, Point screen);
  void RestartHover(WindowHandle hwnd);
  void StopHover(WindowHandle hwnd);
  void SendLeave(WindowHandle hwnd);
  bool LoopWhile(const std::function<bool()>& keepRunning);
  uint32_t AddTimer(TimerEntry entry);
  void NotifyPointerWatchers();
  void RemoveTimer(uint32_t key);
  // A present reached the system; tells the frame report, and notes the first shown frame.
  void NotePresented(WindowHandle hwnd);

  std::map<std::string, WindowClass, std::less<>> classes_;
  std::map<WindowHandle, std::unique_ptr<Record>> windows_;
  std::vector<WindowHandle> zOrder_;  // top first
  WindowHandle nextHandle_ = 0x100;
  WindowHandle capture_ = 0;
  WindowHandle focus_ = 0;
  // The window the key now held down went to (0 after a release): its characters belong there.
  WindowHandle keyWindow_ = 0;
  WindowHandle pointerWindow_ = 0;
  std::map<uint32_t, std::unique_ptr<TimerEntry>> timers_;
  uint32_t nextTimerKey_ = 1;
  std::set<int> keysDown_;
  std::thread::id uiThread_;
  bool quitPending_ = false;
  int quitCode_ = 0;
  int loopDepth_ = 0;
  std::u16string imeResult_;
  // The paced fallback of RequestFrame: one timer for every window, running
  // while frames are asked for and stopped after one quiet frame.
  std::map<WindowHandle, FrameCallback> frameRequests_;
  std::set<WindowHandle> fallbackWaiting_;
  uint32_t frameTimer_ = 0;
  bool frameTaskPosted_ = false;
  PresentStats stats_;
  FrameReport frameReport_ = FrameReport::FromEnvironment();
  bool countChanged_ = false;
  ImePreedit imePreedit_;
  struct PressRecord {
    uint32_t timeMs = 0;
    Point at;
    int button = 0;
    WindowHandle hwnd = 0;
    bool second = false;  // it ended a double click
  };
  std::optional<PressRecord> lastPress_;
  int imeResets_ = 0;
  std::map<uint32_t, std::shared_ptr<FocusWatcher>> focusWatchers_;
  uint32_t nextFocusWatcher_ = 1;
  void NotifyFocusWatchers();
  std::map<uint32_t, std::shared_ptr<PointerWatcher>> pointerWatchers_;
  std::map<WindowHandle, AxProvider*> axProviders_;
  uint32_t nextWatcher_ = 1;

  // Posted work from any thread; guarded by queueMutex_.
  std::mutex queueMutex_;
  std::deque<Posted> queue_;
};

}  // namespace quillmar::ws
