#pragma once
// EditContextMenu: the edit's context menu (right click, menu key, Shift+F10) —
// its items, which of them are enabled for the edit's state, and the command
// each one runs. Showing it is left to a presenter (the menu control), which
// reports the chosen index.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "base/geometry.h"

namespace quillmar {

struct EditMenuItem {
  std::string_view text;  // program text (GB18030)
  bool disabled = false;
};

class EditContextMenu {
 public:
  static constexpr int32_t kWidth = 120;
  enum Index : int32_t { kCut = 0, kCopy = 1, kPaste = 2, kDelete = 3, kSeparator = 4, kSelectAll = 5 };
  using Items = std::array<EditMenuItem, 6>;
  // Shows the items with their top-left corner at a screen point, or at the mouse
  // without one; the choice comes back through UiEdit::OnMenuChosen.
  using Presenter = std::function<void(const Items&, std::optional<Point> at)>;

  // Cut, copy and delete need a selection; cut, paste and delete need a writable text.
  static Items ItemsFor(bool hasSelection, bool readOnly) {
    return {{{"\xBC\xF4\xC7\xD0", !hasSelection || readOnly},
             {"\xB8\xB4\xD6\xC6", !hasSelection},
             {"\xD5\xB3\xCC\xF9", hasSelection && readOnly},
             {"\xC9\xBE\xB3\xFD", !hasSelection || readOnly},
             {"-", false},
             {"\xC8\xAB\xB2\xBF\xD1\xA1\xD4\xF1", false}}};
  }

  void SetPresenter(Presenter presenter) { presenter_ = std::move(presenter); }
  void Popup(bool hasSelection, bool readOnly, std::optional<Point> at = std::nullopt) {
    shown_ = ItemsFor(hasSelection, readOnly);
    if (presenter_) presenter_(shown_, at);
  }
  const Items& Shown() const { return shown_; }

 private:
  Presenter presenter_;
  Items shown_{};
};

}  // namespace quillmar
