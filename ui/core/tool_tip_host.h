#pragma once
// Elements ask for their tip through these; the tip shows over the element's
// rectangle in its top-level window, which owns the tip window.

#include <string_view>

namespace quillmar {

class UiWindow;

// Shows text as the tip of the element (after its tip time); empty text hides it.
void ShowElementTip(UiWindow& element, std::string_view text);
void HideElementTip(UiWindow& element);

}  // namespace quillmar
