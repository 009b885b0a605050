#include "ui/core/tool_tip_host.h"

#include "ui/core/element_record.h"
#include "ui/core/element_registry.h"
#include "ui/core/frame.h"
#include "ui/core/window.h"

namespace quillmar {
namespace {

// The frame of the element's top-level window, which owns the tip.
UiFrame* TopLevelFrame(UiWindow& element) {
  const ElementRecord* top = Registry().Find(element.TopLevelKey());
  return (top && top->IsTopLevelWindow() && top->owner) ? top->owner->Frame() : nullptr;
}

}  // namespace

void ShowElementTip(UiWindow& element, std::string_view text) {
  if (UiFrame* frame = TopLevelFrame(element)) frame->ShowTip(element, text);
}

void HideElementTip(UiWindow& element) {
  if (UiFrame* frame = TopLevelFrame(element)) frame->ShowTip(element, {});
}

}  // namespace quillmar
