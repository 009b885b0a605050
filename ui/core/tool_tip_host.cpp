#include "ui/core/tool_tip_host.h"

#include "ui/core/element_record.h"
#include "ui/core/element_registry.h"
#include "ui/core/window.h"

namespace quillmar {
namespace {

UiWindow* TopLevelObject(UiWindow& element) {
  const ElementRecord* top = Registry().Find(element.TopLevelKey());
  return (top && top->IsTopLevelWindow()) ? top->owner : nullptr;
}

}  // namespace

void ShowElementTip(UiWindow& element, std::string_view text) {
  if (UiWindow* window = TopLevelObject(element)) window->ShowTip(element, text);
}

void HideElementTip(UiWindow& element) {
  if (UiWindow* window = TopLevelObject(element)) window->ShowTip(element, {});
}

}  // namespace quillmar
