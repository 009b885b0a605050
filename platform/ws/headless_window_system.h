#pragma once
// The headless backend: windows are records, time is a virtual clock the test
// advances, input is injected as the desktop would deliver it, and everything
// the program shows or hands to the desktop is recorded for inspection.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ws/input_shape.h"
#include "platform/ws/window_core.h"

namespace quillmar::ws {

enum class MouseButton { Left, Right, Middle };

class HeadlessWindowSystem final : public WindowSystemCore {
 public:
  HeadlessWindowSystem();
  ~HeadlessWindowSystem() override;

  // --- Clock and queue ---
  // Moves the virtual clock forward, firing every timer when it falls due (in
  // time order) and running posted messages before each firing and at the end.
  void Advance(int64_t ms);
  // Runs the posted messages and tasks queued now (and those they post).
  void RunPending();
  // Runs posted work, waiting in real time for other threads' posts, until
  // done() holds or the real-time limit passes. The virtual clock stands still.
  bool RunUntil(const std::function<bool()>& done, int64_t realTimeoutMs = 5000);
  // Called by a running loop (RunLoop, RunModalLoop) whenever nothing is
  // queued; a step returns false when it has nothing left to do. Without a
  // script, or once it is exhausted, the loop advances the clock to the next
  // timer; with no timer left, or after `loopLimitMs` of virtual time, the
  // loop gives up and returns (LoopGaveUp() then reports true).
  void SetIdleScript(std::function<bool()> step);
  void SetLoopLimit(int64_t virtualMs);
  bool LoopGaveUp() const { return loopGaveUp_; }

  // --- Input, in screen coordinates ---
  void MoveMouse(Point screen);
  void PressButton(MouseButton button);
  void ReleaseButton(MouseButton button);
  void Click(Point screen, MouseButton button = MouseButton::Left);
  // Two clicks within the double-click time: the second press arrives as a
  // double-click message when the class has ClassStyle::DblClks.
  void DoubleClick(Point screen, MouseButton button = MouseButton::Left);
  // One or more notches: +120 away from the user, -120 towards.
  void Wheel(int32_t delta, bool horizontal = false);
  void KeyDown(int vk);
  void KeyUp(int vk);
  // Down, the typed character where the key makes one, up.
  void PressKey(int vk);
  // Types ASCII text key by key (Shift where needed); other bytes are skipped.
  void TypeText(std::string_view ascii);
  // The input method commits a text: Msg::ImeComposition with Ime::ResultStr.
  void CommitIme(std::u16string_view text);
  // The input method's composition changes (an empty text ends it).
  void ComposeIme(std::u16string_view text, int32_t cursor);
  // The desktop's caret blink settings the program reads.
  void SetCaretBlink(CaretBlink blink) { caretBlink_ = blink; }

  // --- Screen set-up (default 1366 x 768, a 40-pixel panel at the bottom) ---
  // One monitor at the origin.
  void SetScreen(Size screen, Rect workArea, TaskbarInfo taskbar);
  // Several monitors, the primary one first.
  void SetMonitors(std::vector<MonitorInfo> monitors) { monitors_ = std::move(monitors); }
  void SetOsVersion(std::string text) { osVersion_ = std::move(text); }
  void SetOpenHandlerResult(bool ok) { openResult_ = ok; }
  // The desktop sizes or moves the window from outside (the window manager, another program).
  void DesktopGeometry(WindowHandle hwnd, Rect rect) { InputGeometry(hwnd, rect); }

  // --- Records ---
  struct Picture {
    Point position;
    Size size;
    uint8_t alpha = 255;
    std::vector<uint32_t> pixels;  // premultiplied 0xAARRGGBB, width * height
    int presentCount = 0;
    // The rectangles the last present copied (the whole picture when it
    // copied everything) and the pixels all presents copied.
    std::vector<Rect> damage;
    int64_t copiedPixels = 0;
    // Where clicks land: kept from the damaged rectangles alone, as the
    // desktop backend keeps its native shape.
    InputShape shape;
    uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * size.width + x]; }
  };
  // The last picture presented for the window, or null.
  const Picture* Presented(WindowHandle hwnd) const;
  // Writes the last picture as a PNG (per-pixel alpha kept, constant alpha applied).
  bool SavePresentedPng(WindowHandle hwnd, const std::string& path) const;
  const std::vector<uint32_t>& Beeps() const { return beeps_; }
  const std::vector<std::string>& OpenedLinks() const { return opened_; }
  // Every cursor the program made current, in order.
  const std::vector<CursorHandle>& CursorHistory() const { return cursorHistory_; }
  std::optional<SystemCursor> SystemCursorOf(CursorHandle cursor) const;
  std::optional<Point> CursorHotspot(CursorHandle cursor) const;  // created cursors
  const std::string& ClipboardMultibyte() const { return clipboardMultibyte_; }
  // The window that would receive a click at the point (pixels with alpha 0
  // of a layered window let it through), or 0.
  WindowHandle WindowAt(Point screen) const;
  bool MoveDragActive() const { return moveDrag_.active; }
  // Plays a listening screen reader: once on, notifications are recorded.
  void SetAxListening(bool on) { axListening_ = on; }
  struct AxNotice {
    WindowHandle hwnd = 0;
    AxEvent event;
  };
  const std::vector<AxNotice>& AxNotices() const { return axNotices_; }
  void ClearAxNotices() { axNotices_.clear(); }

  // WindowSystem
  Point CursorPos() const override { return cursor_; }
  int64_t NowMs() const override;
  bool SetBlurBehind(WindowHandle, std::optional<Insets>) override { return false; }
  CursorHandle LoadSystemCursor(SystemCursor which) override;
  CursorHandle CreateCursorFromFile(std::span<const uint8_t> bytes) override;
  void DestroyCursor(CursorHandle cursor) override;
  CursorHandle SetCursor(CursorHandle cursor) override;
  CursorHandle CurrentCursor() const override { return currentCursor_; }
  bool SetClipboardText(std::u16string_view unicode, std::string_view multibyte) override;
  std::optional<std::u16string> ClipboardText() override;
  void Beep(uint32_t kind) override { beeps_.push_back(kind); }
  bool AxActive() const override { return axListening_; }
  void AxNotify(WindowHandle hwnd, const AxEvent& event) override {
    if (axListening_) axNotices_.push_back({hwnd, event});
  }
  Size ScreenSize() const override { return monitors_.front().bounds.GetSize(); }
  Rect WorkArea() const override { return monitors_.front().workArea; }
  TaskbarInfo Taskbar() const override { return monitors_.front().taskbar; }
  std::vector<MonitorInfo> Monitors() const override { return monitors_; }
  bool OpenWithHandler(std::string_view address) override;
  std::string OsVersionText() const override { return osVersion_; }
  CaretBlink CaretBlinkSettings() const override { return caretBlink_; }

 protected:
  // WindowSystemCore
  void NativeCreate(WindowHandle hwnd) override;
  void NativeDestroy(WindowHandle hwnd) override;
  void NativeShow(WindowHandle hwnd, bool visible) override;
  void NativeGeometry(WindowHandle hwnd, Rect rect) override;
  bool NativePresent(WindowHandle hwnd, Point pos, Size size, const PixelView& picture, uint8_t alpha,
                     PresentDamage damage) override;
  void NativeCapture(WindowHandle hwnd) override;
  void NativeBeginMoveDrag(WindowHandle hwnd) override;
  void NativeTimerStart(uint32_t timerKey, uint32_t intervalMs) override;
  void NativeTimerStop(uint32_t timerKey) override;
  void WakeLoop() override;
  bool WaitForWork(const std::function<bool()>& keepRunning) override;

 private:
  struct State;
  void ButtonEvent(MouseButton button, bool down, bool doubleClick);
  void FireDueTimers(int64_t until);
  std::unique_ptr<State> state_;
  Point cursor_;
  std::vector<MonitorInfo> monitors_{
      {Rect{0, 0, 1366, 768}, Rect{0, 0, 1366, 728}, TaskbarInfo{false, 3, Rect::FromLtrb(0, 728, 1366, 768)}}};
  std::string osVersion_;
  bool openResult_ = true;
  CaretBlink caretBlink_;
  bool loopGaveUp_ = false;
  std::vector<uint32_t> beeps_;
  bool axListening_ = false;
  std::vector<AxNotice> axNotices_;
  std::vector<std::string> opened_;
  std::vector<CursorHandle> cursorHistory_;
  CursorHandle currentCursor_ = 0;
  std::string clipboardMultibyte_;
  struct MoveDrag {
    bool active = false;
    WindowHandle hwnd = 0;
    Point grab;
  } moveDrag_;
};

// Installs a fresh headless backend for a scope (a test) and restores the
// previous backend afterwards.
class ScopedHeadless {
 public:
  ScopedHeadless();
  ~ScopedHeadless();
  ScopedHeadless(const ScopedHeadless&) = delete;
  ScopedHeadless& operator=(const ScopedHeadless&) = delete;
  HeadlessWindowSystem& operator*() const { return *system_; }
  HeadlessWindowSystem* operator->() const { return system_; }

 private:
  HeadlessWindowSystem* system_ = nullptr;
  std::unique_ptr<WindowSystem> previous_;
};

}  // namespace quillmar::ws
