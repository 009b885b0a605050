#pragma once
// One scenario suite, two backends: a driver lets time pass, injects input the
// way the desktop delivers it and reads back what the screen shows.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/ws/headless_window_system.h"
#include "platform/ws/window_system.h"

namespace quillmar::ws::testing {

class ScenarioDriver {
 public:
  virtual ~ScenarioDriver() = default;
  virtual WindowSystem& System() = 0;
  // Lets the loop run for about ms (virtual time headless, real time on GTK).
  virtual void Pump(int ms) = 0;
  // Runs the loop until done() holds; false when maxMs passed first.
  virtual bool PumpUntil(const std::function<bool()>& done, int maxMs) = 0;
  virtual void MoveMouse(Point screen) = 0;
  virtual void Press(MouseButton button) = 0;
  virtual void Release(MouseButton button) = 0;
  virtual void Click(Point screen, MouseButton button) = 0;
  virtual void DoubleClick(Point screen) = 0;
  virtual void Wheel(int notches) = 0;  // positive: away from the user
  // Waits until keys sent now reach the window the program has focused (a
  // desktop hands them to the window its window manager activated, which may
  // lag behind the program on a busy machine); false when that never came.
  virtual bool AwaitKeyboard() { return true; }
  // The keys and typing below await the keyboard first.
  virtual void Key(int vk) = 0;      // press and release
  virtual void CtrlKey(int vk) = 0;  // the key with Ctrl held
  virtual void Type(const std::string& ascii) = 0;
  // Text beyond ASCII, as the desktop's input method commits it.
  virtual void TypeUnicode(const std::u16string& units, const std::string& utf8) = 0;
  // The colour the screen shows at a point of the window (0xFFRRGGBB), or
  // nothing when it cannot be read.
  virtual std::optional<uint32_t> ReadBack(WindowHandle hwnd, Point client) = 0;
  // Whether mouse-move paths are exact (injected) or may be coalesced.
  virtual bool Exact() const = 0;
};

std::unique_ptr<ScenarioDriver> MakeHeadlessDriver();
// Null when there is no display; *why says so.
std::unique_ptr<ScenarioDriver> MakeGtkDriver(std::string* why);
// The driver a suite instantiation names; each test binary defines it.
std::unique_ptr<ScenarioDriver> MakeDriver(const std::string& backend, std::string* why);

// Records the messages a window receives and lets a test react to them.
class MessageLog {
 public:
  struct Entry {
    WindowHandle hwnd;
    uint32_t msg;
    WParam wParam;
    LParam lParam;
    bool onUiThread;
  };
  // A window procedure that records, runs the hook (when it returns a value,
  // that is the result) and falls back to the default procedure.
  WindowProc Proc(WindowSystem& ws,
                  std::function<std::optional<LResult>(WindowHandle, uint32_t, WParam, LParam)> hook = {});
  std::vector<Entry> Of(uint32_t msg) const;
  size_t Count(uint32_t msg) const { return Of(msg).size(); }
  std::vector<uint32_t> Messages() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
};

}  // namespace quillmar::ws::testing
