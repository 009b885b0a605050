#pragma once
// UiFrame: what only a bound top-level window needs — the caption buttons, the
// open and close effects, the sizing band's settings, blur-behind, the
// tooltip, and the window's place in on-demand painting. `Bind` makes it and
// the window owns it; a control never has one.

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "base/geometry.h"
#include "platform/ws/types.h"
#include "platform/draw/region.h"
#include "ui/core/frame_clock.h"
#include "ui/core/frame_metrics.h"
#include "ui/core/sizing_rules.h"

namespace quillmar {

class UiAccessibleTree;
class UiEffect;
class UiPicButton;
class UiToolTip;
class UiWindow;

// Settings of the sizing band and the maximized placement.
struct FrameSizing {
  int32_t border = FrameMetrics::kSizingBorder;
  int32_t cursorSet = 0;  // the sizing logic set the cursor during the current mouse message
  InsetsF maxMargins{-FrameMetrics::kMaxMargin, -FrameMetrics::kMaxMargin, FrameMetrics::kMaxMargin,
                     FrameMetrics::kMaxMargin};
  Size minSize{FrameMetrics::kMinWidth, FrameMetrics::kMinHeight};
  int32_t fullScreenMax = 0;
  int32_t resizable = 1;
  int32_t dragAnywhere = 1;
};

// The layered output's settings.
struct FrameOutput {
  int32_t windowAlpha = 255;
  int32_t blurBehind = 0;
  bool blurApplied = false;  // the blur region has been given to the desktop
  // What composition changed since the window last put its picture on the
  // screen; whole when something else (an effect) showed in between.
  draw::Region unpresented;
  bool presentWhole = true;
};

// The keyboard's way around the window: the elements Tab visits in order, and
// whether focus marks show (they do once the keyboard has moved the focus).
struct FrameFocus {
  std::vector<int32_t> tabOrder;
  bool marksShown = false;
  // Shown over every element while set (a window at work); 0: each element's own.
  ws::CursorHandle busyCursor = 0;
};

// Caption-button slots.
enum class CaptionButtonId { Close = 0, Minimize = 1, Maximize = 2 };

class UiFrame {
 public:
  explicit UiFrame(UiWindow& window);
  ~UiFrame();
  UiFrame(const UiFrame&) = delete;
  UiFrame& operator=(const UiFrame&) = delete;

  UiWindow& Window() const { return window_; }

  // --- Caption buttons ---
  // Makes the buttons asked for by flags (1 close, 2 minimize, 4 maximize/restore).
  void CreateCaptionButtons(int32_t flags);
  void PlaceCaptionButtons();
  // x or y of "Button1" (close), "Button2" (minimize) or "Button3" (maximize); -1 otherwise.
  int32_t CaptionButtonPosition(std::string_view name, std::string_view axis) const;
  UiPicButton* CaptionButton(CaptionButtonId id) const;
  UiPicButton* CaptionButton(int32_t index) const;
  // The maximize button shows the restore pictures while the window is maximized.
  void ShowMaximizeState(bool maximized);
  // Carries out a click on a caption button; false when the key is none of them.
  bool CaptionClick(int32_t key);
  void SetCaptionOffset(Point offset);
  Point CaptionOffset() const { return captionOffset_; }

  // --- Effects ---
  UiEffect& OpenEffect() { return *openEffect_; }
  UiEffect& CloseEffect() { return *closeEffect_; }
  bool EffectBusy() const;
  // True once per finished run of the open effect, when the window takes over again.
  bool SettleOpenEffect();
  void RearmOpenEffect() { openSettled_ = false; }
  // One display frame of the effects that run.
  void AdvanceEffects(int64_t nowMs);

  // --- Tooltip ---
  // Shows an element's tip over its rectangle; empty text hides it.
  void ShowTip(UiWindow& element, std::string_view text);
  const UiToolTip* Tip() const { return tip_.get(); }
  // The window was minimised or lost the focus: the tip looks again.
  void RecheckTip();

  // --- Output ---
  FrameSizing& Sizing() { return sizing_; }
  const FrameSizing& Sizing() const { return sizing_; }
  FrameOutput& Output() { return output_; }
  const FrameOutput& Output() const { return output_; }
  FrameFocus& Focus() { return focus_; }
  const FrameFocus& Focus() const { return focus_; }

  // Stops everything that runs on its own (effects, tip, on-demand painting)
  // once the window lets go of its operating-system window.
  void Quiesce();
  // Whether on-demand painting still serves this window.
  bool Painted() const { return painted_; }
  // The window's display frames: every repaint and transition goes through them.
  FrameClock& Clock() { return clock_; }
  const FrameClock& Clock() const { return clock_; }

  // What assistive technology reads of the window.
  UiAccessibleTree& Accessible() const { return *accessible_; }

 private:
  int32_t CaptionInset() const;

  UiWindow& window_;
  FrameSizing sizing_;
  FrameOutput output_;
  FrameFocus focus_;
  Point captionOffset_;
  // Close, minimize, maximize; null where the button was not asked for.
  std::array<std::unique_ptr<UiPicButton>, 3> captionButtons_;
  std::unique_ptr<UiEffect> openEffect_;
  std::unique_ptr<UiEffect> closeEffect_;
  bool openSettled_ = false;
  std::unique_ptr<UiToolTip> tip_;
  int32_t tipKey_ = 0;  // the element whose tip tip_ shows
  bool painted_ = false;
  FrameClock clock_;
  std::unique_ptr<UiAccessibleTree> accessible_;
};

}  // namespace quillmar
