#pragma once
// The program's own modal message box: a layered, skinned window with a
// caption line, an optional icon, the message and one or two buttons. The
// call blocks in a loop of its own until the box closes; meanwhile every other
// top-level window of the process is disabled. Boxes opened from an open box
// stack 10 pixels further right and down.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/geometry.h"
#include "platform/draw/draw_types.h"
#include "ui/gfx/image.h"

namespace quillmar {

// Every value left empty takes the box's default.
struct MessageBoxOptions {
  std::optional<std::string> caption;     // "信息:"
  std::optional<std::string> okText;      // "确定"
  std::optional<std::string> cancelText;  // "取消"
  std::optional<draw::Argb> textColor;    // opaque black
  std::optional<draw::Argb> shadowColor;  // the theme's
  ImageHandle backgroundPicture;
  // Light blue when the theme's button variant is set, else translucent white.
  std::optional<draw::Argb> backgroundColor;
  std::optional<RectF> iconRect;       // (18, 36, 40, 40)
  std::optional<int32_t> blurBehind;   // on for the OS versions that blur behind windows
  std::optional<int32_t> openEffect;   // 11; 0 shows the box at once
  std::optional<int32_t> closeEffect;  // 12; 0 closes it at once
};

// Result of a box: the first button, or anything else (the second button,
// Escape, the caption's close button, a box that could not open).
inline constexpr int32_t kBoxFirstButton = 0;
inline constexpr int32_t kBoxDismissed = 1;

// Shows the box and returns which way it was closed. Program text (GB18030).
// The type word picks one or two buttons (bit 0) and the icon and beep.
int32_t ShowMessageBox(std::string_view text, int32_t type, const MessageBoxOptions& options = {});

// How many boxes are open now (the nesting depth).
int32_t OpenMessageBoxCount();

}  // namespace quillmar
