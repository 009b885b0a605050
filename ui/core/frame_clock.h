#pragma once
// FrameClock: the display frames of one bound window. Repaint requests,
// transitions and anything else that changes the window's picture ask it for
// the next frame; each frame advances every running transition of the window
// and then runs one paint pass, so changes made between two frames share one
// pass and one present. With nothing to do it asks for no frame at all.

#include <cstdint>
#include <vector>

namespace quillmar {

class UiWindow;

class FrameClock {
 public:
  explicit FrameClock(UiWindow& window) : window_(window) {}
  FrameClock(const FrameClock&) = delete;
  FrameClock& operator=(const FrameClock&) = delete;

  // Asks for the window's next frame, once however often it is called. A
  // request made while the window's own pass runs is served a frame later.
  void Request();
  // Adds an element whose transition the frames advance until it ends.
  void Animate(int32_t key);
  // The window's open or close effect wants the next frame.
  void RequestForEffect();
  // Frames are no longer served (the window let go of its system window).
  void Stop();
  bool Waiting() const { return requested_; }
  // Frames served so far, for measurements.
  int64_t FramesServed() const { return served_; }

 private:
  void OnFrame(int64_t nowMs);
  // Moves each running transition to where its time says; true while any runs.
  bool AdvanceTransitions(int64_t nowMs);

  UiWindow& window_;
  bool requested_ = false;
  bool inPass_ = false;
  bool raisedInPass_ = false;
  bool effectWanted_ = false;
  bool stopped_ = false;
  int64_t served_ = 0;
  std::vector<int32_t> animating_;
};

}  // namespace quillmar
