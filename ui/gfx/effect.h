#pragma once
// Opening and closing animations of layered top-level windows: fades, slides,
// zooms, springs, wipes, blurs, tilts and spins. An effect holds a snapshot of
// the window's picture, composes one frame per tick of its periodic timer and
// shows it in the window with a constant alpha. Timer ticks arrive on the UI
// thread, so the frame state is never touched from two threads.

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "platform/draw/bitmap.h"
#include "platform/draw/draw_types.h"
#include "platform/ws/types.h"
#include "ui/gfx/effect_motion.h"

namespace quillmar {

class UiEffect {
 public:
  using WindowHandle = ws::WindowHandle;
  using DoneCallback = std::function<void()>;
  // Called after every presented frame with the frame just shown.
  using FrameCallback = std::function<void(const draw::Bitmap& frame)>;

  UiEffect();
  ~UiEffect();
  UiEffect(const UiEffect&) = delete;
  UiEffect& operator=(const UiEffect&) = delete;

  // Configures the effect once: kind, target rectangle on the screen, the source
  // picture (copied into the snapshot), callbacks and the layered window.
  // Refused (false) when already configured or for a kind below 1. With
  // startNow the effect starts at once.
  bool Setup(int kind, const draw::Bitmap* source, int x, int y, int width, int height, std::optional<RectF> sourceRect,
             bool startNow, DoneCallback doneCallback, FrameCallback frameCallback, WindowHandle window = 0);
  // Replaces the given parts of the target rectangle and starts an empty snapshot of the new size.
  void SetTarget(std::optional<int> x, std::optional<int> y, std::optional<int> width, std::optional<int> height);
  // Starts (or replays) the configured kind; the first tick only initialises it.
  void Start();
  // Ends the run: timer stopped, frame freed.
  void Finish();
  // Stops the timer and frees the frame and extra bitmaps.
  void Reset();
  // Releases everything; the effect stays configured and cannot be set up again.
  void Dispose();
  // Changes the kind of an effect that is not configured yet.
  void SetKind(int kind);

  // One animation step; normally run by the effect's own timer.
  void Tick();
  // Lets the owner's display frames drive the effect instead of a timer of
  // its own: `request` asks for the next frame, which then calls Frame.
  void DriveByFrames(std::function<void()> request) { requestFrame_ = std::move(request); }
  // One display frame: takes every step whose time has come, showing only
  // the last, so the effect keeps its length at any frame rate.
  void Frame(int64_t nowMs);
  // Timer entry: ignored unless `id` is the running timer.
  void OnTimer(uint32_t id);

  // Blends `source` into the snapshot; missing sizes mean the target size,
  // a missing source area means the same size from (0, 0).
  void DrawBitmapToSnapshot(const draw::Bitmap& source, std::optional<int> x = {}, std::optional<int> y = {},
                            std::optional<int> width = {}, std::optional<int> height = {},
                            std::optional<int> sourceX = {}, std::optional<int> sourceY = {},
                            std::optional<int> sourceWidth = {}, std::optional<int> sourceHeight = {},
                            std::optional<int> alpha = {});
  // Blends the frame onto the target bitmap (when one is set) at (0, 0).
  void ComposeFrame();
  // Shows the frame in the window at the current rectangle and alpha.
  void Present();

  // Extra bitmaps owned by the effect; returns the new count.
  int AddBitmap(std::optional<int> width = {}, std::optional<int> height = {});
  void ClearBitmaps();
  void CreateFrame(std::optional<int> width = {}, std::optional<int> height = {});
  void FreeFrame();
  void FreeSnapshot();
  void StartTimer(int intervalMs);
  void StopTimer();

  // Alpha-blends an area of `source` onto an area of `target` (stretched when
  // the sizes differ), source-over with a premultiplied source.
  static void BlendBitmap(draw::Bitmap& target, int dx, int dy, int dw, int dh, const draw::Bitmap& source, int sx,
                          int sy, int sw, int sh, int alpha, bool useAlpha);
  static void ClearBitmap(draw::Bitmap& bitmap);

  int Kind() const { return kind_; }
  bool Configured() const { return configured_; }
  bool Running() const { return running_; }
  bool Finished() const { return finished_; }
  WindowHandle Window() const { return window_; }
  void SetWindow(WindowHandle window) { window_ = window; }
  bool HasWindow() const { return hasWindow_; }
  void SetHasWindow(bool hasWindow) { hasWindow_ = hasWindow; }
  const DoneCallback& GetDoneCallback() const { return doneCallback_; }
  void SetDoneCallback(DoneCallback callback) { doneCallback_ = std::move(callback); }
  draw::Bitmap* TargetBitmap() const { return targetBitmap_; }
  void SetTargetBitmap(draw::Bitmap* target) { targetBitmap_ = target; }
  // The frame being composed (empty when none) and the snapshot of the source.
  const draw::Bitmap& Frame() const { return frame_; }
  const draw::Bitmap& Snapshot() const { return snapshot_; }
  // Position, size, progress and alpha of the current frame.
  const EffectMotion& Motion() const { return motion_; }
  Rect TargetRect() const { return {targetX_, targetY_, targetWidth_, targetHeight_}; }
  uint32_t TimerId() const { return timerId_; }

 private:
  bool StepKind();
  void InitKind();
  void Redraw(EffectRedraw redraw, int value);
  void DrawScaled(int amount);
  void DrawGradient(int front);
  void DrawBlurred(int radius);
  void DrawRotated(int angle);

  int kind_ = 0;
  bool configured_ = false;
  bool running_ = false;
  bool finished_ = false;
  uint32_t timerId_ = 0;
  std::vector<draw::Bitmap> bitmaps_;
  draw::Bitmap snapshot_;
  draw::Bitmap frame_;
  draw::Bitmap* targetBitmap_ = nullptr;
  WindowHandle window_ = 0;
  bool hasWindow_ = false;
  int targetX_ = 0;
  int targetY_ = 0;
  int targetWidth_ = 0;
  int targetHeight_ = 0;
  RectF sourceRect_;
  DoneCallback doneCallback_;
  FrameCallback frameCallback_;
  bool firstTick_ = false;
  EffectMotion motion_;
  std::optional<draw::Bitmap> sourceBitmap_;
  // Driven by the owner's frames: the step interval, when the next step is
  // due, and whether the step being taken is shown.
  std::function<void()> requestFrame_;
  int stepMs_ = 0;
  int64_t nextStepMs_ = 0;
  bool quietStep_ = false;
  static constexpr uint32_t kFrameDriven = 0xFFFFFFFFu;  // timerId_ while frames drive it
};

}  // namespace quillmar
