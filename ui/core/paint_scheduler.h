#pragma once
// Painting on demand. Raising an element's repaint flags asks the frame clock
// of the element's window for its next frame, which runs one paint pass for
// everything raised before it. With nothing raised nothing runs: no clock
// ticks while the windows are idle.

#include <cstdint>

namespace quillmar {

class UiFrame;

class PaintScheduler {
 public:
  // Asks every framed window for a frame.
  static void Request();
  // Asks the window holding the element for a frame; an element outside any
  // bound window waits until it is placed in one.
  static void Request(int32_t key);
  // Runs the element's transition on its window's frames until it ends.
  static void Animate(int32_t key);
  // Frames the scheduler serves, from their window's binding until it lets go.
  static void Add(UiFrame* frame);
  static void Remove(UiFrame* frame);
  // A window waits for a frame.
  static bool Pending();
};

}  // namespace quillmar
