#pragma once
// UiControl: what every windowless control shares on top of UiWindow — the
// creation sequence, element-only placing and visibility, no tick and no
// presentation of its own.

#include <cstdint>
#include <optional>
#include <string_view>

#include "ui/core/window.h"

namespace quillmar {

class UiControl : public UiWindow {
 public:
  // Moves and resizes the element only: a resize raises 10004, a pure move 10003.
  void Place(std::optional<int32_t> x, std::optional<int32_t> y, std::optional<int32_t> width,
             std::optional<int32_t> height, OptKey key = {}) override;
  // Stores visibility with the repaint flags; no operating-system call.
  void SetVisible(int32_t value, OptKey key = {}) override;
  void Tick() override {}
  void Present() override {}

 protected:
  // Registers the element and, when adopt is set, makes it a child of parent.
  // The caller then stores its fields and invalidates (FinishCreate).
  int32_t CreateElement(UiWindow* parent, bool adopt, int32_t x, int32_t y, int32_t width, int32_t height,
                        std::string_view tag);
  void FinishCreate() { InvalidateRect(); }
  // The setters' convention: an equal value changes nothing; a real change is
  // stored and the whole control repaints. Returns whether it changed.
  template <typename T>
  bool Assign(T& field, const T& value) {
    if (field == value) return false;
    field = value;
    InvalidateRect();
    return true;
  }
  // A left press captures the mouse for the control, so it follows a drag outside.
  int32_t MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) override;
  void PaintEntry() override {}
};

}  // namespace quillmar
