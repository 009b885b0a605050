#pragma once
// EditBar: what the edit knows of one of its scroll bars — whether it has one,
// whether it shows, where it sits, its range and position. The edit decides
// all of that; a bar control only has to mirror it and report the user's drags
// back through UiEdit::OnBarScrolled.

#include <algorithm>
#include <cstdint>

#include "base/geometry.h"

namespace quillmar {

struct EditBar {
  static constexpr int32_t kThickness = 11;

  bool exists = false;
  bool visible = false;
  bool hovered = false;
  Rect rect;  // control coordinates
  int32_t maximum = 0;
  int32_t position = 0;

  bool Shown() const { return exists && visible; }
  // Clamps to the range as the bar does; returns whether the position changed.
  bool SetPosition(int32_t value) {
    value = std::clamp(value, 0, std::max(maximum, 0));
    if (value == position) return false;
    position = value;
    return true;
  }
  void SetMaximum(int32_t value) {
    maximum = std::max(value, 0);
    position = std::min(position, maximum);
  }
};

}  // namespace quillmar
