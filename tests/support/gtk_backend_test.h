#pragma once
// The set-up of tests that run on the GTK backend under a display and drive it
// with a real pointer: the backend installed for the test, xdotool, and a loop
// that calls a step function at a steady pace.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "platform/ws/gtk_window_system.h"
#include "platform/ws/window_system.h"

namespace quillmar::testing {

inline void Xdo(const std::string& args) {
  ASSERT_EQ(std::system(("xdotool " + args + " >/dev/null").c_str()), 0) << args;
}

inline std::string MouseTo(int x, int y) { return "mousemove " + std::to_string(x) + " " + std::to_string(y); }

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
  }
  void TearDown() override {
    ReleaseWindows();
    if (installed_) ws::InstallSystem(std::move(previous_));
  }
  // Drops what the test made on the backend, before the backend goes.
  virtual void ReleaseWindows() {}

  // Runs the loop, calling step(n) every 100 ms with n = 1, 2, ... until it
  // quits; after 60 steps it quits with 1.
  int RunSteps(const std::function<void(int)>& step) {
    int n = 0;
    ws::System().SetWindowTimer(0, 0, 100, [&](uint32_t) {
      step(++n);
      if (n > 60) ws::System().PostQuit(1);
    });
    return ws::System().RunLoop();
  }

 private:
  std::unique_ptr<ws::WindowSystem> previous_;
  bool installed_ = false;
};

}  // namespace quillmar::testing
