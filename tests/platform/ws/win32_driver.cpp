// Scenario driver for the Win32 backend: real time through the message loop,
// input through SendInput, read-back from the screen's device context.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/ws/key_codes.h"
#include "platform/ws/win32_window_system.h"
#include "tests/platform/ws/scenario_driver.h"

namespace quillmar::ws::testing {
namespace {

INPUT KeyInput(WORD vk, bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  // The arrows and their block are extended keys.
  if (vk >= VK_PRIOR && vk <= VK_DOWN) in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
  if (vk == VK_INSERT || vk == VK_DELETE) in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
  return in;
}

INPUT MouseInput(DWORD flags, LONG x = 0, LONG y = 0, DWORD data = 0) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = x;
  in.mi.dy = y;
  in.mi.mouseData = data;
  in.mi.dwFlags = flags;
  return in;
}

class Win32Driver final : public ScenarioDriver {
 public:
  explicit Win32Driver(std::unique_ptr<WindowSystem> backend) {
    system_ = backend.get();
    previous_ = InstallSystem(std::move(backend));
  }
  ~Win32Driver() override {
    Pump(20);
    InstallSystem(std::move(previous_));
  }
  WindowSystem& System() override { return *system_; }
  void Pump(int ms) override {
    PumpUntil([] { return false; }, ms);
  }
  bool PumpUntil(const std::function<bool()>& done, int maxMs) override {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    for (;;) {
      if (done()) return true;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return done();
      MSG msg;
      if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        continue;
      }
      MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<int64_t>(left.count(), 10)),
                                QS_ALLINPUT);
    }
  }
  void MoveMouse(Point p) override {
    // Absolute positions are in 65536ths of the primary screen, rounded up so
    // that the system's truncating conversion lands on the pixel itself.
    const int64_t w = GetSystemMetrics(SM_CXSCREEN);
    const int64_t h = GetSystemMetrics(SM_CYSCREEN);
    Send({MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, static_cast<LONG>((p.x * 65536 + w - 1) / w),
                     static_cast<LONG>((p.y * 65536 + h - 1) / h))});
    PumpUntil([&] { return system_->CursorPos() == p; }, 500);
  }
  void Press(MouseButton b) override { Button(b, true); }
  void Release(MouseButton b) override { Button(b, false); }
  void Click(Point p, MouseButton b) override {
    Pump(600);  // well apart from any earlier click
    MoveMouse(p);
    Pump(50);
    Button(b, true);
    Button(b, false);
  }
  void DoubleClick(Point p) override {
    Pump(600);
    MoveMouse(p);
    Pump(50);
    for (int i = 0; i < 2; ++i) {
      Button(MouseButton::Left, true);
      Button(MouseButton::Left, false);
    }
  }
  void Wheel(int notches) override {
    Send({MouseInput(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(notches * WHEEL_DELTA))});
  }
  void Key(int vk) override {
    Send({KeyInput(static_cast<WORD>(vk), true), KeyInput(static_cast<WORD>(vk), false)});
    Pump(20);
  }
  void CtrlKey(int vk) override {
    Send({KeyInput(VK_CONTROL, true), KeyInput(static_cast<WORD>(vk), true), KeyInput(static_cast<WORD>(vk), false),
          KeyInput(VK_CONTROL, false)});
    Pump(20);
  }
  void Type(const std::string& ascii) override {
    for (char c : ascii) {
      const auto stroke = StrokeForAscii(c);
      if (!stroke) continue;
      std::vector<INPUT> keys;
      if (stroke->shift) keys.push_back(KeyInput(VK_SHIFT, true));
      keys.push_back(KeyInput(static_cast<WORD>(stroke->vk), true));
      keys.push_back(KeyInput(static_cast<WORD>(stroke->vk), false));
      if (stroke->shift) keys.push_back(KeyInput(VK_SHIFT, false));
      Send(keys);
      Pump(20);
    }
  }
  void TypeUnicode(const std::u16string& units, const std::string& /*utf8*/) override {
    for (char16_t u : units) {
      INPUT in{};
      in.type = INPUT_KEYBOARD;
      in.ki.wScan = u;
      in.ki.dwFlags = KEYEVENTF_UNICODE;
      INPUT up = in;
      up.ki.dwFlags |= KEYEVENTF_KEYUP;
      Send({in, up});
      Pump(20);
    }
  }
  std::optional<uint32_t> ReadBack(WindowHandle hwnd, Point client) override {
    const Rect r = system_->WindowRect(hwnd);
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return std::nullopt;
    const COLORREF c = GetPixel(screen, r.x + client.x, r.y + client.y);
    ReleaseDC(nullptr, screen);
    if (c == CLR_INVALID) return std::nullopt;
    return 0xFF000000u | (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) |
           GetBValue(c);
  }
  bool Exact() const override { return false; }

 private:
  static DWORD ButtonFlag(MouseButton b, bool down) {
    switch (b) {
      case MouseButton::Left:
        return down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
      case MouseButton::Right:
        return down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
      case MouseButton::Middle:
        return down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP;
    }
    return 0;
  }
  // One button change, then the loop runs until this thread has taken it from
  // its queue (the key state follows what was taken): a later step must not
  // overtake it. A press that falls through to another program never arrives.
  void Button(MouseButton b, bool down) {
    Send({MouseInput(ButtonFlag(b, down))});
    const int vk = b == MouseButton::Left ? VK_LBUTTON : (b == MouseButton::Right ? VK_RBUTTON : VK_MBUTTON);
    PumpUntil([&] { return ((GetKeyState(vk) & 0x8000) != 0) == down; }, 500);
  }
  void Send(std::vector<INPUT> inputs) {
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size()) ADD_FAILURE() << "SendInput sent " << sent << " of " << inputs.size();
  }
  WindowSystem* system_ = nullptr;
  std::unique_ptr<WindowSystem> previous_;
};

}  // namespace

std::unique_ptr<ScenarioDriver> MakeDriver(const std::string& /*backend*/, std::string* why) {
  // Wine draws its windows on an X display; without one there is no screen to test on.
  if (GetSystemMetrics(SM_CXSCREEN) <= 0) {
    *why = "no screen (under Wine: no X display; scripts/test.sh starts one)";
    return nullptr;
  }
  auto backend = CreateWin32WindowSystem(why);
  if (!backend) return nullptr;
  return std::make_unique<Win32Driver>(std::move(backend));
}

}  // namespace quillmar::ws::testing
