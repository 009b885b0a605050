#pragma once
// A UiWindow bound to a fresh operating-system window of the installed backend
// (headless in most tests, GTK under a display): the one set-up shared by the
// tests and benchmarks that need a live, framed window.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/core/window.h"

namespace quillmar::testing {

struct WindowSpec {
  int32_t x = 100;
  int32_t y = 100;
  int32_t width = 300;
  int32_t height = 200;
  uint32_t style = Style::Visible | Style::Popup;
  std::string className = "QuillmarTestFrame";
};

// Registers the class (once per backend; again is harmless) and opens the window.
inline Hwnd OpenTestWindow(const WindowSpec& spec = {}) {
  ws::WindowSystem& sys = ws::System();
  ws::WindowClass cls;
  cls.name = spec.className;
  cls.cursor = sys.LoadSystemCursor(ws::SystemCursor::Arrow);
  sys.AddWindowClass(cls);
  ws::WindowCreateParams params;
  params.className = cls.name;
  params.x = spec.x;
  params.y = spec.y;
  params.width = spec.width;
  params.height = spec.height;
  params.style = spec.style;
  return sys.OpenWindow(params);
}

// Owns the window object and its operating-system window; the object goes first.
class BoundWindow {
 public:
  explicit BoundWindow(const WindowSpec& spec = {}, const BindOptions& options = {})
      : hwnd(OpenTestWindow(spec)), window(std::make_unique<UiWindow>()) {
    window->Bind(hwnd, options);
  }
  ~BoundWindow() {
    window.reset();
    if (ws::System().IsWindow(hwnd)) ws::System().DestroyWindow(hwnd);
  }
  BoundWindow(const BoundWindow&) = delete;
  BoundWindow& operator=(const BoundWindow&) = delete;

  Hwnd hwnd = 0;
  std::unique_ptr<UiWindow> window;
};

}  // namespace quillmar::testing
