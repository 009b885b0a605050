// Scenario driver for the GTK backend: real time through the main loop,
// input from xdotool, read-back from a screenshot of the root window.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "platform/ws/gtk_window_system.h"
#include "tests/platform/ws/scenario_driver.h"
#include "tests/platform/ws/scratch_keys.h"
#include "tests/support/gtk_backend_test.h"

namespace quillmar::ws::testing {
namespace {

std::string KeyName(int vk) {
  switch (vk) {
    case Vk::Return:
      return "Return";
    case Vk::Escape:
      return "Escape";
    case Vk::Back:
      return "BackSpace";
    case Vk::Tab:
      return "Tab";
    case Vk::Left:
      return "Left";
    case Vk::Right:
      return "Right";
    case Vk::Up:
      return "Up";
    case Vk::Down:
      return "Down";
    case Vk::Delete:
      return "Delete";
    case Vk::Home:
      return "Home";
    case Vk::End:
      return "End";
    case Vk::Apps:
      return "Menu";
    case Vk::F10:
      return "F10";
    default:
      break;
  }
  if (vk >= 'A' && vk <= 'Z') return std::string(1, static_cast<char>(vk - 'A' + 'a'));
  if (vk >= '0' && vk <= '9') return std::string(1, static_cast<char>(vk));
  return "space";
}

class GtkDriver final : public ScenarioDriver {
 public:
  static constexpr int kHeardMs = 2000;
  explicit GtkDriver(std::unique_ptr<WindowSystem> backend) {
    system_ = backend.get();
    previous_ = InstallSystem(std::move(backend));
    pointerWatch_ = system_->WatchPointer([this](Point p) { heardPointer_ = p; });
  }
  ~GtkDriver() override {
    Pump(20);
    system_->UnwatchPointer(pointerWatch_);
    InstallSystem(std::move(previous_));
  }
  WindowSystem& System() override { return *system_; }
  void Pump(int ms) override {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      if (!g_main_context_iteration(nullptr, FALSE)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  bool PumpUntil(const std::function<bool()>& done, int maxMs) override {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    while (std::chrono::steady_clock::now() < end) {
      if (done()) return true;
      if (!g_main_context_iteration(nullptr, FALSE)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
  }
  void MoveMouse(Point p) override { Run("mousemove " + std::to_string(p.x) + " " + std::to_string(p.y)); }
  void Press(MouseButton b) override { Run("mousedown " + Button(b)); }
  void Release(MouseButton b) override { Run("mouseup " + Button(b)); }
  void Click(Point p, MouseButton b) override {
    Pump(600);  // well apart from any earlier click
    PointerTo(p);
    Run("click " + Button(b));
  }
  void DoubleClick(Point p) override {
    Pump(600);
    PointerTo(p);
    Run("click --repeat 2 --delay 60 1");
  }
  void Wheel(int notches) override {
    for (int i = 0; i < std::abs(notches); ++i) Run(notches > 0 ? "click 4" : "click 5");
  }
  bool AwaitKeyboard() override {
    // Without a window manager that says which window it activated, the
    // keyboard follows the pointer: nothing to wait for.
    if (!ActivationKnown()) return true;
    // A window manager slower than the program's patience (a second) has the
    // program drop its focus until the window is activated at last; keys sent
    // in between go nowhere.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(quillmar::testing::kDesktopWaitMs);
    for (;;) {
      const WindowHandle focus = system_->Focus();
      if (focus != 0 && quillmar::testing::ActiveOnDesktop(focus)) return true;
      if (std::chrono::steady_clock::now() >= end) return false;
      // Asking the window manager runs another program: every 20 ms is often enough.
      Pump(20);
    }
  }
  void Key(int vk) override { KeysTo("key " + KeyName(vk)); }
  void CtrlKey(int vk) override { KeysTo("key ctrl+" + KeyName(vk)); }
  void Type(const std::string& ascii) override { KeysTo("type --delay 20 '" + ascii + "'"); }
  void TypeUnicode(const std::u16string& /*units*/, const std::string& utf8) override {
    // Bound until the driver goes: a busy program may read the keys well after xdotool sent them.
    scratchKeys_.push_back(std::make_unique<ScratchKeys>(utf8));
    KeysTo("type --delay 40 '" + utf8 + "'");
  }
  std::optional<uint32_t> ReadBack(WindowHandle hwnd, Point client) override {
    const Rect r = system_->WindowRect(hwnd);
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), r.x + client.x, r.y + client.y, 1, 1);
    if (shot == nullptr) return std::nullopt;
    const guchar* p = gdk_pixbuf_get_pixels(shot);
    const uint32_t rgb =
        (0xFFu << 24) | (static_cast<uint32_t>(p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2];
    g_object_unref(shot);
    return rgb;
  }
  bool Exact() const override { return false; }

 private:
  // Moves the pointer to p; over one of the program's windows, waits a while
  // for the program to hear it there. A window the desktop has not shown yet
  // (a busy window manager maps it late) takes no click, and a window shown
  // under a resting pointer hears no move: the pointer twitches by a pixel now
  // and then. Where the window lets clicks through, nothing is heard: the wait
  // ends after kHeardMs.
  void PointerTo(Point p) {
    bool ours = false;
    for (WindowHandle h : system_->TopLevelWindows()) {
      ours = ours || (system_->IsVisible(h) && system_->WindowRect(h).Contains(p));
    }
    heardPointer_.reset();
    MoveMouse(p);
    if (!ours) {
      Pump(50);
      return;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHeardMs);
    auto nudge = std::chrono::steady_clock::now() + std::chrono::milliseconds(quillmar::testing::kNudgeMs);
    while (heardPointer_ != p && std::chrono::steady_clock::now() < end) {
      if (std::chrono::steady_clock::now() >= nudge) {
        nudge += std::chrono::milliseconds(quillmar::testing::kNudgeMs);
        MoveMouse({p.x + 1, p.y});
        MoveMouse(p);
      }
      Pump(10);
    }
  }
  // Whether the window manager names the window it activated (asked once).
  bool ActivationKnown() {
    if (!activationKnown_) {
      activationKnown_ = std::system("xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_ACTIVE_WINDOW") == 0;
    }
    return *activationKnown_;
  }
  // Keys typed before the window manager activated the focused window would go
  // to whichever window it still had active.
  void KeysTo(const std::string& args) {
    if (!AwaitKeyboard()) ADD_FAILURE() << "the window manager never activated the focused window, for: " << args;
    Run(args);
  }
  static std::string Button(MouseButton b) {
    return b == MouseButton::Left ? "1" : (b == MouseButton::Right ? "3" : "2");
  }
  // xdotool runs while our loop keeps reading events: keys it maps for the
  // moment (characters beyond the keyboard) must be read before it unmaps them.
  void Run(const std::string& args) {
    gdk_display_flush(gdk_display_get_default());
    const std::string command = "xdotool " + args + " >/dev/null 2>&1";
    std::atomic<bool> done{false};
    int status = 0;
    std::thread runner([&] {
      status = std::system(command.c_str());
      done = true;
    });
    while (!done) {
      if (!g_main_context_iteration(nullptr, FALSE)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    runner.join();
    if (status != 0) ADD_FAILURE() << "xdotool failed: " << args;
  }
  WindowSystem* system_ = nullptr;
  std::unique_ptr<WindowSystem> previous_;
  std::optional<bool> activationKnown_;
  uint32_t pointerWatch_ = 0;
  std::optional<Point> heardPointer_;
  std::vector<std::unique_ptr<ScratchKeys>> scratchKeys_;
};

}  // namespace

std::unique_ptr<ScenarioDriver> MakeGtkDriver(std::string* why) {
  if (std::getenv("DISPLAY") == nullptr) {
    *why = "no DISPLAY: the GTK scenarios run under Xvfb (scripts/test.sh starts one)";
    return nullptr;
  }
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) {
    *why = "xdotool is not installed";
    return nullptr;
  }
  auto backend = CreateGtkWindowSystem(why);
  if (!backend) return nullptr;
  return std::make_unique<GtkDriver>(std::move(backend));
}

}  // namespace quillmar::ws::testing
