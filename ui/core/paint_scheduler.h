#pragma once
// Painting on demand. Raising an element's repaint flags asks for one paint
// pass; the request is posted to the UI thread once, however many flags go up
// before it runs, and the pass then paints every framed window that has
// something to show. With nothing raised nothing runs: there is no clock.

#include <cstdint>

namespace quillmar {

class UiFrame;

class PaintScheduler {
 public:
  // Asks for a pass soon. Requests made while a pass runs (a control that
  // changes itself while painting) are served one frame later, so content that
  // keeps changing is painted at a frame rate rather than in a busy loop.
  static void Request();
  // Frames the pass serves, from their window's binding until it lets go.
  static void Add(UiFrame* frame);
  static void Remove(UiFrame* frame);
  // Runs a pass now (what the posted request does).
  static void RunPass();
  // A request is waiting to run.
  static bool Pending();

  // The delay of a frame requested during a pass.
  static constexpr uint32_t kFrameMs = 10;
};

}  // namespace quillmar
