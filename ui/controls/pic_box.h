#pragma once
// UiPicBox: shows one picture in a skin drawing mode and plays animated GIFs,
// each frame for its own delay, on an element timer that runs only while playing.

#include <cstdint>
#include <vector>

#include "ui/core/control.h"
#include "ui/gfx/image.h"

namespace quillmar {

class UiPicBox : public UiControl {
 public:
  static constexpr const char* kTag = "OVCL_PICBOX";
  // A frame delay of 0 shows the frame this long.
  static constexpr int32_t kZeroDelayMs = 100;

  // drawMode outside 0..3 becomes 0. The box is always adopted by parent.
  int32_t Create(UiWindow* parent, bool visible, int32_t x, int32_t y, int32_t width, int32_t height, ImageHandle image,
                 int32_t drawMode = 0);
  // Stops playback, shows frame 0 of the new picture; playback is not restarted.
  void SetImage(ImageHandle image);
  const ImageHandle& GetImage() const { return image_; }
  int32_t GetFrame() const { return frameIndex_; }
  // Below -1 is ignored; -1 or past the delay count means the delay count.
  void SetFrame(int32_t index);
  // The number of frame delays plus one.
  int32_t GetFrameCount() const { return static_cast<int32_t>(frameDelays_.size()) + 1; }
  // Starts the frame timer; returns its id (0 when there is nothing to play or
  // it already plays).
  int32_t Play();
  // Stops the timer and keeps the frame.
  void Pause();
  // Stops the timer and goes back to frame 0.
  void Stop();
  void SetDrawMode(int32_t mode);
  int32_t GetDrawMode() const { return drawMode_; }
  // Reads the picture's frame delays.
  void LoadFrameInfo();
  // Stops the timer and goes back to frame 0, without a repaint.
  void Reset();
  // Stops, forgets the picture and removes the element.
  void Dispose();

  bool IsPlaying() const { return timerId_ != 0; }
  int32_t FrameInterval() const { return frameInterval_; }
  const std::vector<int>& FrameDelays() const { return frameDelays_; }

 protected:
  void OnTimer(int32_t id, uint32_t msg) override;
  void OnPaint(draw::Graphics& g, Size size) override;
  bool TracksDrag() const override { return false; }

 private:
  int32_t DelayMs(size_t index) const;

  ImageHandle image_;
  std::vector<int> frameDelays_;  // hundredths of a second, one per frame
  int32_t timerId_ = 0;
  int32_t frameIndex_ = 0;
  int32_t frameInterval_ = 0;
  int32_t drawMode_ = 0;
};

}  // namespace quillmar
