#pragma once
// The set-up of tests that run on the GTK backend under a display and drive it
// with a real pointer: the backend installed for the test, xdotool, and waits
// that run the loop until the program has seen what the test caused.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ws/gtk_window_system.h"
#include "platform/ws/window_system.h"

namespace quillmar::testing {

inline void Xdo(const std::string& args) {
  ASSERT_EQ(std::system(("xdotool " + args + " >/dev/null").c_str()), 0) << args;
}

inline std::string MouseTo(int x, int y) { return "mousemove " + std::to_string(x) + " " + std::to_string(y); }

// A window's place as the X server has it, from the --shell output of
// xdotool getwindowgeometry that the command prints; empty without one.
inline std::optional<Rect> DesktopRect(const std::string& command) {
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string text;
  std::array<char, 256> buffer{};
  while (fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) text += buffer.data();
  if (pclose(pipe) != 0) return std::nullopt;
  const auto field = [&text](const std::string& name) {
    const size_t at = text.find("\n" + name + "=");
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + name.size() + 2);
  };
  const Rect r = Rect::FromXywh(field("X"), field("Y"), field("WIDTH"), field("HEIGHT"));
  if (r.width <= 0 || r.height <= 0) return std::nullopt;
  return r;
}

// The window the window manager has made active.
inline std::optional<Rect> ActiveWindowRect() {
  return DesktopRect("xdotool getactivewindow getwindowgeometry --shell");
}

// The window under the pointer (also while the window manager drags it).
inline std::optional<Rect> WindowRectUnderPointer() {
  return DesktopRect(
      "xdotool getwindowgeometry --shell \"$(xdotool getmouselocation --shell | sed -n 's/^WINDOW=//p')\"");
}

// Whether the window manager has activated the window, where the program has it
// (keys typed before that go elsewhere).
inline bool ActiveOnDesktop(ws::WindowHandle hwnd) { return ActiveWindowRect() == ws::System().WindowRect(hwnd); }

// How long a wait for the desktop may take: generous, because on a busy machine
// the X server, the window manager and the test share a couple of cores.
inline constexpr int kDesktopWaitMs = 10000;
inline constexpr int kNudgeMs = 500;

// Installs a GTK backend for each test and puts the previous one back after;
// skips the test without a display or without xdotool.
class GtkBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
    std::string why;
    auto backend = ws::CreateGtkWindowSystem(&why);
    if (!backend) GTEST_SKIP() << why;
    previous_ = ws::InstallSystem(std::move(backend));
    installed_ = true;
    pointerWatch_ = ws::System().WatchPointer([this](Point p) { heardPointer_ = p; });
  }
  void TearDown() override {
    if (installed_) ws::System().UnwatchPointer(pointerWatch_);
    ReleaseWindows();
    if (installed_) ws::InstallSystem(std::move(previous_));
  }
  // Drops what the test made on the backend, before the backend goes.
  virtual void ReleaseWindows() {}

  // Runs the loop until done() holds, looking every everyMs (more for checks
  // that ask another program); fails after timeoutMs naming what it waited for.
  // The wait ends with a quit, which would also end a modal loop (a message
  // box's) running inside it: such a wait ends only after the box has closed.
  ::testing::AssertionResult WaitUntil(const std::function<bool()>& done, const std::string& what,
                                       int timeoutMs = kDesktopWaitMs, uint32_t everyMs = 10) {
    if (Loop(done, timeoutMs, nullptr, everyMs)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "gave up after " << timeoutMs << " ms waiting for " << what;
  }

  // Runs the loop for a fixed time: only where the test must see that nothing
  // happens, or must keep two clicks apart.
  void Pause(int ms) {
    Loop([] { return false; }, ms, nullptr, 10);
  }

  // Moves the real pointer to p and waits until seen() holds (looking every
  // everyMs); by default until the program has heard the pointer at p. A
  // window mapped under a resting pointer hears no move, and a window manager
  // that takes over a drag reads only moves made after its grab: so while
  // waiting the pointer is nudged by a pixel and back now and then, as a hand
  // would.
  ::testing::AssertionResult PointerTo(Point p, const std::string& what, std::function<bool()> seen = nullptr,
                                       uint32_t everyMs = 10) {
    if (!seen) seen = [this, p] { return heardPointer_ == p; };
    heardPointer_.reset();
    Xdo(MouseTo(p.x, p.y));
    int64_t nudgeAt = ws::System().NowMs() + kNudgeMs;
    const bool ok = Loop(
        seen, kDesktopWaitMs,
        [&] {
          if (ws::System().NowMs() < nudgeAt) return;
          nudgeAt = ws::System().NowMs() + kNudgeMs;
          Xdo(MouseTo(p.x + 1, p.y) + " " + MouseTo(p.x, p.y));
        },
        everyMs);
    if (ok) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "gave up after " << kDesktopWaitMs << " ms waiting for " << what
                                                 << " with the pointer at " << p.x << "," << p.y;
    if (heardPointer_)
      failure << " (the program last heard it at " << heardPointer_->x << "," << heardPointer_->y << ")";
    return failure;
  }

  // Waits until the program has read all the input the X server sent it so
  // far (a click, a focus change): the pointer goes a pixel aside and back,
  // and the program hears it back after everything before.
  ::testing::AssertionResult HeardAllInput(const std::string& what) {
    const Point p = ws::System().CursorPos();
    Xdo(MouseTo(p.x + 1, p.y));
    return PointerTo(p, what);
  }

 private:
  // The loop with a check of done() (and tick(), when given) every everyMs;
  // true when done() held before the time ran out.
  bool Loop(const std::function<bool()>& done, int timeoutMs, const std::function<void()>& tick, uint32_t everyMs) {
    ws::WindowSystem& sys = ws::System();
    if (done()) return true;
    const int64_t end = sys.NowMs() + timeoutMs;
    bool held = false;
    bool quitPosted = false;
    const uint32_t timer = sys.SetWindowTimer(0, 0, everyMs, [&](uint32_t) {
      if (quitPosted) return;
      if (tick) tick();
      held = done();
      if (held || sys.NowMs() >= end) {
        quitPosted = true;  // one quit only: a second would end the next wait at once
        sys.PostQuit(0);
      }
    });
    // A quit from elsewhere ends one run of the loop, not the wait.
    while (!quitPosted) sys.RunLoop();
    sys.KillWindowTimer(0, timer);
    return held;
  }

  std::unique_ptr<ws::WindowSystem> previous_;
  bool installed_ = false;
  uint32_t pointerWatch_ = 0;
  std::optional<Point> heardPointer_;
};

}  // namespace quillmar::testing
