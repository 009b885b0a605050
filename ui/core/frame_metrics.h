#pragma once
// The fixed measures of a bound window's frame: caption buttons, the sizing
// band, the frame's padding, the maximized margins and the smallest size.

#include <cstdint>

namespace quillmar::FrameMetrics {

inline constexpr int32_t kCloseButtonWidth = 32;
inline constexpr int32_t kCaptionButtonWidth = 30;  // minimize and maximize/restore
inline constexpr int32_t kCaptionButtonHeight = 23;
inline constexpr int32_t kSizingBorder = 6;
inline constexpr int32_t kPadding = 6;     // on all four sides, where the shadow band sits
inline constexpr float kMaxMargin = 6.0f;  // maximized: left/top at -6, right/bottom at +6
inline constexpr int32_t kMinWidth = 10;
inline constexpr int32_t kMinHeight = 10;

}  // namespace quillmar::FrameMetrics
