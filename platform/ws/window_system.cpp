#include "platform/ws/window_system.h"

#include <cstdio>
#include <cstdlib>

namespace quillmar::ws {
namespace {

std::unique_ptr<WindowSystem>& Installed() {
  static std::unique_ptr<WindowSystem> backend;
  return backend;
}

}  // namespace

LResult WindowSystem::CallProc(const WindowProc& proc, WindowHandle hwnd, uint32_t msg, WParam wParam, LParam lParam) {
  if (!proc) return DefaultProc(hwnd, msg, wParam, lParam);
  return proc(hwnd, msg, wParam, lParam);
}

WindowSystem& System() {
  WindowSystem* backend = Installed().get();
  if (backend == nullptr) {
    std::fputs("quillmar: no window system installed\n", stderr);
    std::abort();
  }
  return *backend;
}

WindowSystem* SystemOrNull() { return Installed().get(); }

std::unique_ptr<WindowSystem> InstallSystem(std::unique_ptr<WindowSystem> backend) {
  std::unique_ptr<WindowSystem> previous = std::move(Installed());
  Installed() = std::move(backend);
  return previous;
}

}  // namespace quillmar::ws
