#include "ui/msgbox/box_layout.h"

#include <algorithm>
#include <cmath>

namespace quillmar {
namespace {

constexpr int32_t kButtonHeight = 25;
constexpr int32_t kButtonBottom = 45;  // from the box's bottom edge to the buttons' top
constexpr int32_t kButtonRight = 20;   // from the box's right edge to the last button
constexpr int32_t kButtonGap = 10;
// The box is centred a little above the middle: the chrome below the text
// counts only this much of its height.
constexpr float kCentringChrome = 95.0f;

}  // namespace

SizeF TextMeasureArea(Size screen) {
  return {static_cast<float>(screen.width) - 260.0f, static_cast<float>(screen.height) - 260.0f};
}

BoxFrame BoxFrameFor(SizeF measuredText, Size screen, int32_t openBoxes) {
  const SizeF text{std::max(measuredText.width, kMinBoxText.width), std::max(measuredText.height, kMinBoxText.height)};
  const float width = text.width + static_cast<float>(kBoxChrome.left + kBoxChrome.right);
  const float height = text.height + static_cast<float>(kBoxChrome.top + kBoxChrome.bottom);
  const float nest = static_cast<float>(kNestOffset * openBoxes);
  const float x = static_cast<float>(screen.width) / 2.0f - width / 2.0f + nest;
  const float y = static_cast<float>(screen.height) / 2.0f - (text.height + kCentringChrome) / 2.0f + nest;
  return {text, Rect::FromXywh(static_cast<int32_t>(std::trunc(x)), static_cast<int32_t>(std::trunc(y)),
                               static_cast<int32_t>(width), static_cast<int32_t>(height))};
}

int32_t CaptionHeightFor(float measuredHeight) { return std::clamp(static_cast<int32_t>(measuredHeight), 14, 60); }

int32_t ButtonWidthFor(float measuredWidth) { return std::clamp(static_cast<int32_t>(measuredWidth + 2.0f), 70, 200); }

BoxButtons BoxButtonRects(Size box, int32_t firstWidth, int32_t secondWidth, bool two) {
  const int32_t top = box.height - kButtonBottom;
  if (!two) return {Rect::FromXywh(box.width - kButtonRight - firstWidth, top, firstWidth, kButtonHeight), {}};
  const int32_t secondX = box.width - kButtonRight - secondWidth;
  return {Rect::FromXywh(secondX - kButtonGap - firstWidth, top, firstWidth, kButtonHeight),
          Rect::FromXywh(secondX, top, secondWidth, kButtonHeight)};
}

}  // namespace quillmar
