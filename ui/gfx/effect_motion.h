#pragma once

#include <optional>

#include "platform/draw/draw_types.h"

namespace quillmar {

// How a frame is redrawn after a step.
enum class EffectRedraw { None, Scaled, Gradient, Blurred, Rotated };

// What the first tick of a kind sets up.
struct EffectInitPlan {
  int intervalMs = 0;
  bool createFrame = false;  // a frame of frameWidth x frameHeight
  int frameWidth = 0;
  int frameHeight = 0;
  bool blendSnapshot = false;     // the snapshot is copied onto the new frame once
  bool makeSourceBitmap = false;  // blur and rotation kinds draw from a bitmap copy
};

// What one later tick asks the renderer to do.
struct EffectStepResult {
  bool proceed = false;  // false: the effect has ended, nothing is drawn
  EffectRedraw redraw = EffectRedraw::None;
  int value = 0;               // scale amount, wipe front, blur radius or angle
  bool disposeSource = false;  // the blur kinds drop their source bitmap at the end
};

// The step tables of the effect kinds as pure state: position, size, progress,
// step and constant alpha of the current frame. The renderer (UiEffect) acts
// on the plans and results; nothing here draws.
class EffectMotion {
 public:
  // Kinds 1 to 26 have step routines; every other kind has none.
  static bool HasSteps(int kind) { return kind >= 1 && kind <= 26; }

  // First tick of a kind: resets the state for the target and says what to set up.
  EffectInitPlan Init(int kind, const Rect& target);
  // A later tick: tests the end condition, then advances the state.
  EffectStepResult Advance(int kind, const Rect& target);

  // Where the snapshot lands in the frame for the zoom (11, 12) and spring (13, 14) kinds.
  static Rect ScaledPlacement(int kind, int width, int height, int amount);
  // Alpha of 1-based row `row` of a wipe with front `front`; nullopt stops the wipe.
  static std::optional<int> GradientRowAlpha(int front, int row, int height);
  // Size of the box that holds a width x height picture turned by `degrees`.
  static Rect RotatedBounds(int width, int height, double degrees);

  int curX = 0;
  int curY = 0;
  int curWidth = 0;
  int curHeight = 0;
  int progress = 0;
  int step = 0;
  int alpha = 255;

 private:
  EffectStepResult FadeIn();
  EffectStepResult FadeOut();
  EffectStepResult Rotate(int kind, const Rect& target);
  void AdoptTarget(const Rect& target);
};

}  // namespace quillmar
