#pragma once
// A tooltip: a small top-level tip window that appears over a rectangle of an
// owner window once the pointer has rested there for the tip delay, and goes
// when the pointer leaves, the owner disappears or the tip is destroyed. It
// follows the pointer through the desktop's pointer reports; its only timer
// is the delay, while the pointer rests on a rectangle. Assistive technology
// finds the tip window as a tooltip whose name is the text it shows.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ws/ax_provider.h"
#include "platform/ws/window_system.h"

namespace quillmar {

class UiToolTip final : private ws::AxProvider {
 public:
  UiToolTip() = default;
  ~UiToolTip() override;
  UiToolTip(const UiToolTip&) = delete;
  UiToolTip& operator=(const UiToolTip&) = delete;

  // Shows `text` (program text) for the rectangle (x, y, width, height) in the
  // owner's client coordinates; replaces any earlier tip. maxWidth > 0 wraps.
  void Create(ws::WindowHandle owner, std::string_view text, int32_t x, int32_t y, int32_t width, int32_t height,
              int32_t maxWidth = 0);
  // Adds another rectangle with its own text to the current tip's owner.
  void AddRegion(std::string_view text, int32_t x, int32_t y, int32_t width, int32_t height);
  // The width at which tip text wraps.
  void SetMaxWidth(int32_t pixels);
  void Destroy();
  // Looks again at the owner and the pointer (the owner was minimised or lost
  // the focus, which the pointer reports do not tell).
  void Recheck() { Follow(); }

  // How long the pointer must rest before the tip appears (default 500 ms).
  void SetDelay(int32_t ms);
  ws::WindowHandle Window() const { return window_; }
  bool TipShown() const { return shownTool_ >= 0; }
  int32_t MaxWidth() const { return maxWidth_; }  // -1: no wrapping width set

 private:
  // ws::AxProvider: the tip window is one node.
  ws::AxNodeId RootNode() const override { return kTipNode; }
  std::optional<ws::AxNode> Node(ws::AxNodeId id) const override;
  static constexpr ws::AxNodeId kTipNode = 1;

  struct Tool {
    std::u16string text;
    Rect rect;
  };
  // Looks where the pointer is now and shows, hides or waits accordingly.
  void Follow();
  void ShowTool(int index);
  void HideTip();
  void AnnounceShowing(bool on) const;
  void StopDelay();

  ws::WindowHandle window_ = 0;
  ws::WindowHandle owner_ = 0;
  std::vector<Tool> tools_;
  int32_t maxWidth_ = -1;
  int32_t delayMs_ = 500;
  int restingTool_ = -1;
  int64_t restingSince_ = 0;
  int shownTool_ = -1;
  uint32_t watcher_ = 0;
  uint32_t delayTimer_ = 0;
  std::vector<uint32_t> picture_;
};

}  // namespace quillmar
