#pragma once
// One element's geometry, flags, children and handlers; the registry owns it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/geometry.h"
#include "ui/core/events.h"
#include "ui/core/paint_scheduler.h"

namespace quillmar {

class UiWindow;
struct ElementSurfaces;

struct ElementRecord {
  ElementRecord();
  ~ElementRecord();
  ElementRecord(const ElementRecord&) = delete;
  ElementRecord& operator=(const ElementRecord&) = delete;

  Hwnd windowHandle{};  // top-level windows only
  // Where the element sits inside its parent's padding (a top-level window:
  // on the screen) and its size.
  Rect bounds;
  RectF boundsF;  // the rectangle as the parent last composed it
  std::string tag;
  int32_t key = 0;
  int32_t parentKey = 0;
  std::vector<int32_t> children;  // z-order: first is bottom-most
  int32_t alpha = 255;
  // Canvas, composition picture, dirty and invalid regions, extra layers.
  std::unique_ptr<ElementSurfaces> surfaces;
  int32_t needsCompose = 0;
  int32_t recomposed = 0;
  int32_t changed = 0;
  int32_t redrawEnabled = 1;
  int32_t needsRepaint = 0;
  int32_t hoverSuspended = 0;
  Insets padding;  // where the children sit inside the element
  EventRoutine handler;
  int32_t hovered = 0;
  int32_t visible = 1;
  int32_t disabled = 0;
  int32_t shown = 1;
  int32_t focused = 0;
  int32_t pressed = 0;
  int32_t keepsFocus = 0;
  int32_t auxValue = -1;
  EventRoutine userHandler;
  int32_t forwardToWindow = 1;
  std::string tipText;
  int32_t tipTime = 500;
  // The object that registered the element; the registry does not own it.
  UiWindow* owner = nullptr;
  // Cleared when the registry lets go of the record; references held across a
  // call into a handler see the element gone.
  bool registered = false;

  bool IsTopLevelWindow() const { return tag == kWindowTag && parentKey == 0; }
  // A rectangle whose omitted parts keep the record's values.
  Rect Resolve(std::optional<int32_t> x, std::optional<int32_t> y, std::optional<int32_t> w,
               std::optional<int32_t> h) const {
    return {x.value_or(bounds.x), y.value_or(bounds.y), w.value_or(bounds.width), h.value_or(bounds.height)};
  }
  // Marks the record for recomposition after a visible property change; the
  // next paint pass is asked for at once.
  void MarkChanged() {
    needsCompose = 1;
    changed = 1;
    PaintScheduler::Request(key);
  }

  static constexpr const char* kWindowTag = "OVCl_WINDOW";
};

}  // namespace quillmar
