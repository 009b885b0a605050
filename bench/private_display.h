#pragma once
// For benchmarks that need a real display: a private Xvfb when the environment
// has none, the process's CPU time, and the idle cost of a plain layered GTK
// window to measure a program's window against, side by side in one run.
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"

extern char** environ;

namespace quillmar::bench {

inline double ProcessCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec * 1000.0 + usage.ru_utime.tv_usec / 1000.0 + usage.ru_stime.tv_sec * 1000.0 +
         usage.ru_stime.tv_usec / 1000.0;
}

// A private X server for the run, when the environment has none; with
// `desktop` also a window manager and a compositor on it, as the GTK tests
// and a user's desktop have.
class PrivateDisplay {
 public:
  explicit PrivateDisplay(bool desktop = false) {
    if (std::getenv("DISPLAY") != nullptr) return;
    for (int n = 300; n < 400; ++n) {
      // Appended, not "literal" + string: GCC 12 warns falsely on that form at -O2.
      const std::string number = std::to_string(n);
      std::string lock = "/tmp/.X";
      lock.append(number).append("-lock");
      if (access(lock.c_str(), F_OK) == 0) continue;
      std::string display = ":";
      display.append(number);
      std::vector<std::string> args = {"Xvfb", display, "-screen", "0", "1366x768x24", "-nolisten", "tcp"};
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      if (posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, argv.data(), environ) != 0) return;
      std::string socket = "/tmp/.X11-unix/X";
      socket.append(number);
      for (int i = 0; i < 100 && access(socket.c_str(), F_OK) != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      setenv("DISPLAY", display.c_str(), 1);
      if (desktop) {
        for (const char* program : {"openbox", "xcompmgr"}) {
          std::string name = program;
          char* helperArgv[] = {name.data(), nullptr};
          pid_t helper = 0;
          if (posix_spawnp(&helper, program, nullptr, nullptr, helperArgv, environ) == 0) helpers_.push_back(helper);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));  // both settle on the display
      }
      return;
    }
  }
  ~PrivateDisplay() {
    for (pid_t helper : helpers_) {
      kill(helper, SIGTERM);
      waitpid(helper, nullptr, 0);
    }
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  PrivateDisplay(const PrivateDisplay&) = delete;
  PrivateDisplay& operator=(const PrivateDisplay&) = delete;

 private:
  pid_t pid_ = 0;
  std::vector<pid_t> helpers_;
};

// One server for the whole run: the toolkit stays connected to the display it
// first opened, so a server per benchmark would leave the second one talking
// to a server that is gone.
inline void UseDisplay() { static PrivateDisplay display; }
inline void UseDesktop() { static PrivateDisplay display(true); }

// Runs the loop for `ms` and returns the CPU milliseconds it used.
inline double RunFor(ws::WindowSystem& ws, int ms) {
  const uint32_t stop = ws.SetWindowTimer(0, 0, static_cast<uint32_t>(ms), [&](uint32_t) { ws.PostQuit(0); });
  const double start = ProcessCpuMs();
  ws.RunLoop();
  ws.KillWindowTimer(0, stop);
  return ProcessCpuMs() - start;
}

// A shown 544 x 445 popup window at (200, 150).
inline ws::WindowHandle OpenBenchWindow(ws::WindowSystem& ws, uint32_t exStyle) {
  ws::WindowClass cls;
  cls.name = "IdleBench";
  ws.AddWindowClass(cls);
  ws::WindowCreateParams p;
  p.className = cls.name;
  p.x = 200;
  p.y = 150;
  p.width = 544;
  p.height = 445;
  p.style = Style::Popup | Style::Visible;
  p.exStyle = exStyle;
  return ws.OpenWindow(p);
}

// A plain layered 544 x 445 window with one picture: after it settles, the CPU milliseconds
// the loop uses over `ms`, with no timer or, given `ticks`, a 1 ms window timer counting there.
inline double PlainWindowIdleCpuMs(ws::WindowSystem& ws, int ms, int* ticks = nullptr) {
  const ws::WindowHandle hwnd = OpenBenchWindow(ws, ExStyle::Layered);
  std::vector<uint32_t> pixels(544 * 445, 0xC8FFFFFF);
  ws.PresentLayered(hwnd, {200, 150}, {544, 445}, ws::PixelView{pixels.data(), 544, 445, 544 * 4}, 255);
  RunFor(ws, 300);
  if (ticks != nullptr) {
    *ticks = 0;
    ws.SetWindowTimer(hwnd, 1, 1, [ticks](uint32_t) { ++*ticks; });
  }
  const double used = RunFor(ws, ms);
  ws.DestroyWindow(hwnd);
  return used;
}

}  // namespace quillmar::bench
