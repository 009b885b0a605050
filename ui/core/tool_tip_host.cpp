#include "ui/core/tool_tip_host.h"

#include <utility>

#include "ui/core/window.h"

namespace quillmar {
namespace {

ElementTipHandler& Handler() {
  static ElementTipHandler handler;
  return handler;
}

}  // namespace

ElementTipHandler SetElementTipHandler(ElementTipHandler handler) { return std::exchange(Handler(), std::move(handler)); }

void ShowElementTip(UiWindow& element, std::string_view text) {
  if (Handler()) Handler()(element, text, element.GetTipTime());
}

void HideElementTip(UiWindow& element) {
  if (Handler()) Handler()(element, {}, element.GetTipTime());
}

}  // namespace quillmar
