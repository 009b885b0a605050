#pragma once
// A bound window on the headless backend with probe controls that log the
// messages and events they receive.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/draw/brush.h"
#include "platform/draw/graphics.h"
#include "platform/ws/headless_window_system.h"
#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/core/control.h"
#include "tests/support/bound_window.h"
#include "ui/core/window.h"

namespace quillmar::testing {

struct Logged {
  int32_t key;
  uint32_t msg;
  bool operator==(const Logged&) const = default;
};

class Probe : public UiControl {
 public:
  Probe(std::vector<Logged>* log, draw::Argb color) : log_(log), color_(color) {}
  int32_t Create(UiWindow* parent, int32_t x, int32_t y, int32_t w, int32_t h) {
    const int32_t key = CreateElement(parent, true, x, y, w, h, "OVCL_PROBE");
    FinishCreate();
    return key;
  }
  void SetColor(draw::Argb color) { Assign(color_, color); }
  int paints = 0;

 protected:
  int32_t MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) override {
    if (msg != Event::Paint) log_->push_back({key, msg});
    return UiControl::MessageHook(hwnd, key, msg, wParam, lParam);
  }
  void PaintEntry() override {
    ++paints;
    if (draw::Graphics* g = CanvasGraphics()) {
      g->FillRectangle(draw::Brush(color_),
                       RectF{0, 0, static_cast<float>(GetWidth()), static_cast<float>(GetHeight())});
    }
  }

 private:
  std::vector<Logged>* log_;
  draw::Argb color_;
};

// Screen origin of the window and the padding its children sit in.
inline constexpr int kWinX = 100;
inline constexpr int kWinY = 100;
inline constexpr int kPad = 6;
// The fixture's back colour, unless the test sets its own.
inline constexpr draw::Argb kBackColor = 0xFF336699;

class WindowFixture {
 public:
  explicit WindowFixture(int width = 300, int height = 200, BindOptions options = {})
      : bound(WindowSpec{kWinX, kWinY, width, height}, WithBackColor(std::move(options))),
        hwnd(bound.hwnd),
        window(bound.window) {}
  ~WindowFixture() { probes.clear(); }

  Probe& AddProbe(int x, int y, int w, int h, draw::Argb color = 0xFFCC3333) {
    probes.push_back(std::make_unique<Probe>(&log, color));
    probes.back()->Create(window.get(), x, y, w, h);
    return *probes.back();
  }
  // Screen point of a child-relative position.
  static Point At(int x, int y) { return {kWinX + kPad + x, kWinY + kPad + y}; }
  // Presented pixel of a child-relative position; 0 while nothing is presented.
  uint32_t Pixel(int x, int y) const {
    const auto* picture = headless->Presented(hwnd);
    return picture ? picture->At(kPad + x, kPad + y) : 0;
  }
  // One display frame: what changed before it is on the screen after it.
  void Frame() { headless->Advance(ws::WindowSystemCore::kFallbackFrameMs); }
  std::vector<Logged> Take() { return std::exchange(log, {}); }

  static BindOptions WithBackColor(BindOptions options) {
    if (!options.backColor) options.backColor = kBackColor;
    return options;
  }

  ws::ScopedHeadless headless;
  BoundWindow bound;
  Hwnd hwnd = 0;
  std::unique_ptr<UiWindow>& window;
  std::vector<std::unique_ptr<Probe>> probes;
  std::vector<Logged> log;
};

}  // namespace quillmar::testing
