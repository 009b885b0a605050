#pragma once
// The Win32 backend's class, shared by its source files (windows, presents,
// timers and the loop; input; desktop services). Include only from platform/ws.

#include <windows.h>

#include <map>
#include <memory>

#include "platform/ws/input_shape.h"
#include "platform/ws/window_core.h"

namespace quillmar::ws {

class Win32WindowSystem final : public WindowSystemCore {
 public:
  explicit Win32WindowSystem(HINSTANCE instance);
  ~Win32WindowSystem() override;
  // Registers the classes and makes the message-only window; false when it cannot.
  bool Start(std::string* error);

  Point CursorPos() const override;
  int64_t NowMs() const override;
  bool PresentLayered(WindowHandle hwnd, Point pos, Size size, const PixelView& picture, uint8_t constantAlpha,
                      PresentDamage damage = {}) override;
  bool SetBlurBehind(WindowHandle hwnd, std::optional<Insets> inset) override;
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
  std::string OsVersionText() const override;
  CaretBlink CaretBlinkSettings() const override;

  // The native window and cursor behind a handle (null when none), for tests and tools.
  HWND NativeWindow(WindowHandle hwnd) const;
  HCURSOR NativeCursor(CursorHandle cursor) const;

  // One native window. It owns its HWND and the picture it shows.
  struct Native {
    Native() = default;
    ~Native();
    Native(const Native&) = delete;
    Native& operator=(const Native&) = delete;
    Win32WindowSystem* system = nullptr;
    WindowHandle handle = 0;
    HWND hwnd = nullptr;
    HDC memDc = nullptr;  // holds dib while it exists
    HBITMAP dib = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    uint32_t* bits = nullptr;  // top-down premultiplied BGRA, dibSize.width per row
    Size dibSize;
    bool presented = false;
    bool tracking = false;   // a native leave notice is asked for
    bool composing = false;  // the input method shows a composition
    bool destroying = false;
    char16_t highSurrogate = 0;  // the first half of a typed pair
    Size minSize;
    InputShape shape;               // the ink the window region was made from
    bool shapeTransparent = false;  // the region was set empty for constant alpha 0
  };

 protected:
  void NativeCreate(WindowHandle hwnd) override;
  void NativeDestroy(WindowHandle hwnd) override;
  void NativeShow(WindowHandle hwnd, bool visible) override;
  void NativeGeometry(WindowHandle hwnd, Rect rect) override;
  bool NativePresent(WindowHandle hwnd, Point pos, Size size, const PixelView& picture, uint8_t alpha,
                     PresentDamage damage) override;
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
  static LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK MessageProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleWindowMessage(Native& native, UINT msg, WPARAM wParam, LPARAM lParam);
  // Input messages (win32_window_input.cpp); false when the message is not one.
  bool HandleInput(Native& native, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
  void HandleMouse(Native& native, UINT msg, WPARAM wParam, LPARAM lParam);
  void HandleKey(Native& native, UINT msg, WPARAM wParam, LPARAM lParam);
  void HandleChar(Native& native, WPARAM wParam, LPARAM lParam);
  void HandleComposition(Native& native, LPARAM lParam);
  // Our visible window under a screen point (its transparent pixels let it through).
  WindowHandle WindowUnder(Point screen) const;
  WindowHandle HandleOf(HWND hwnd) const;
  Native* NativeOf(WindowHandle hwnd) const;
  // The modifier keys as the system's key state has them for the message being handled.
  void SyncModifiers();
  void ApplyCursor();
  bool EnsurePicture(Native& native, Size size);
  // Sets the window region to the picture's ink when it changed inside `rects`; true when it did.
  bool UpdateInputShape(Native& native, const PixelView& picture, std::span<const Rect> rects, bool reset,
                        uint8_t alpha);

  HINSTANCE instance_ = nullptr;
  ATOM windowClass_ = 0;
  ATOM messageClass_ = 0;
  HWND messageWindow_ = nullptr;
  std::map<WindowHandle, std::unique_ptr<Native>> natives_;
  // Native notices caused by our own calls (show, hide, focus, move) are echoes, not input.
  int quiet_ = 0;
  // The window we last asked the system to focus, and when: a late notice for
  // another window is stale.
  WindowHandle focusRequest_ = 0;
  int64_t focusRequestMs_ = -1000;
  WindowHandle presenting_ = 0;  // the window whose present is under way
  // Cursors: system ones are shared and never destroyed; created ones are owned.
  std::map<CursorHandle, HCURSOR> cursors_;
  std::map<CursorHandle, HCURSOR> ownedCursors_;
  std::map<SystemCursor, CursorHandle> systemCursors_;
  CursorHandle nextCursor_ = 0x1000;
  CursorHandle currentCursor_ = 0;
  // The last pointer position handed on, so that the system's repeated moves are dropped.
  Point lastMove_{INT32_MIN, INT32_MIN};
  WindowHandle lastMoveUnder_ = -1;
  // Our own move drag: the window follows the pointer until the left button is up.
  struct MoveDrag {
    bool active = false;
    WindowHandle hwnd = 0;
    Point grab;
  } moveDrag_;
};

}  // namespace quillmar::ws
