#pragma once
// Framework events and the shape of event routines. Events travel like window
// messages, as (hwnd, key, msg, wParam, lParam).

#include <cstdint>
#include <functional>
#include <optional>

#include "ui/core/core_types.h"

namespace quillmar {

namespace Event {
inline constexpr uint32_t FocusGained = 7;   // WM_SETFOCUS
inline constexpr uint32_t FocusLost = 8;     // WM_KILLFOCUS
inline constexpr uint32_t MouseEnter = 673;  // WM_MOUSEHOVER
inline constexpr uint32_t MouseLeave = 675;  // WM_MOUSELEAVE
inline constexpr uint32_t RepaintRequest = 10001;
inline constexpr uint32_t DeferredRepaint = 10002;
inline constexpr uint32_t Moved = 10003;
inline constexpr uint32_t Resized = 10004;
inline constexpr uint32_t FocusRequest = 10005;
inline constexpr uint32_t UnfocusRequest = 10006;
inline constexpr uint32_t DisabledChanged = 10007;
inline constexpr uint32_t Paint = 10008;
inline constexpr uint32_t Click = 10010;
// Controls' own events, above the click.
inline constexpr uint32_t ScrollChanged = 10011;   // scroll bar: position changed
inline constexpr uint32_t CellClicked = 10013;     // list box: selected cell changed by a click
inline constexpr uint32_t MenuItemChosen = 10017;  // menu: an item was chosen
}  // namespace Event

// wParam of Event::RepaintRequest: which of the window's paint operations runs.
enum class RepaintKind : uint32_t {
  Repaint = 0,  // UiWindow::Repaint
  Paint = 1,    // UiWindow::Paint of the whole window
};

// An application's event routine; 0 means consumed, anything else lets processing go on.
using EventRoutine = std::function<int32_t(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam)>;

// The element key an operation acts on; empty means the object's own element.
using OptKey = std::optional<int32_t>;

}  // namespace quillmar
