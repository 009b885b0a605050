#pragma once
// Where elements ask for their tip to be shown. The tooltip window lives above
// the core, so it installs itself here; without one, tips are simply not shown.

#include <cstdint>
#include <functional>
#include <string_view>

namespace quillmar {

class UiWindow;

// Called with the element, its tip text and tip time; text empty means hide.
using ElementTipHandler = std::function<void(UiWindow& element, std::string_view text, int32_t tipTime)>;

// Installs the handler (an empty one removes it) and returns the previous one.
ElementTipHandler SetElementTipHandler(ElementTipHandler handler);

void ShowElementTip(UiWindow& element, std::string_view text);
void HideElementTip(UiWindow& element);

}  // namespace quillmar
