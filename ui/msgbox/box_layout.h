#pragma once
// Where a message box and its parts go, from the measured texts: pure
// arithmetic, kept apart from the window so it can be checked on its own.

#include <cstdint>
#include <optional>

#include "base/geometry.h"

namespace quillmar {

// The smallest text area, so a short message still gets a usable box.
inline constexpr SizeF kMinBoxText{260.0f, 40.0f};
// Room around the text: the icon column, the caption line and the buttons.
inline constexpr Insets kBoxChrome{70, 42, 20, 68};
// Each box opened while others are open moves this far right and down.
inline constexpr int32_t kNestOffset = 10;

struct BoxFrame {
  SizeF text;   // the text area (measured, at least kMinBoxText)
  Rect window;  // screen position and size of the box
};

// The box for a measured text on a screen of that size, with `openBoxes` boxes
// already open.
BoxFrame BoxFrameFor(SizeF measuredText, Size screen, int32_t openBoxes);

// The layout rectangle the text is measured in (the screen less a margin).
SizeF TextMeasureArea(Size screen);

// Caption line height from the caption's measured height.
int32_t CaptionHeightFor(float measuredHeight);
// Button width from its text's measured width.
int32_t ButtonWidthFor(float measuredWidth);

struct BoxButtons {
  Rect first;
  std::optional<Rect> second;
};
// The buttons along the bottom right of a box of that size; the second only
// when two are asked for.
BoxButtons BoxButtonRects(Size box, int32_t firstWidth, int32_t secondWidth, bool two);

}  // namespace quillmar
