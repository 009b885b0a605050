// The keyboard's way around a window: Tab and Shift+Tab through the window's
// tab order, the focus marks that show once the keyboard moved the focus, and
// the busy cursor that covers every element.

#include <algorithm>

#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/core/element_record.h"
#include "ui/core/element_ref.h"
#include "ui/core/element_registry.h"
#include "ui/core/frame.h"
#include "ui/core/window.h"

namespace quillmar {
namespace {

// An element the user can see and use: registered, and neither it nor an
// element above it hidden, transparent or disabled.
bool CanTakeFocus(int32_t key) {
  ElementRecord* rec = Registry().Find(key);
  if (!rec) return false;
  for (; rec != nullptr; rec = Registry().Find(rec->parentKey)) {
    if (rec->visible == 0 || rec->shown == 0 || rec->alpha < 1 || (rec->disabled & 1) != 0) return false;
    if (rec->parentKey == 0) break;
  }
  return true;
}

// The element after `from` in the order (before it, backwards) that can take
// the focus, going round; 0 when none can. An element outside the order
// starts at the first (backwards: the last).
int32_t StepThrough(const std::vector<int32_t>& order, int32_t from, bool backwards) {
  const auto n = static_cast<std::ptrdiff_t>(order.size());
  const auto at = std::find(order.begin(), order.end(), from);
  std::ptrdiff_t i = at == order.end() ? (backwards ? 0 : -1) : at - order.begin();
  for (std::ptrdiff_t step = 0; step < n; ++step) {
    i = ((backwards ? i - 1 : i + 1) % n + n) % n;
    if (CanTakeFocus(order[static_cast<size_t>(i)])) return order[static_cast<size_t>(i)];
  }
  return 0;
}

}  // namespace

void UiWindow::SetTabOrder(std::vector<int32_t> keys) {
  if (frame_) frame_->Focus().tabOrder = std::move(keys);
}

bool UiWindow::ShowsFocusMark(OptKey key) {
  ElementRecord* rec = Rec(key);
  if (!rec || rec->focused == 0) return false;
  ElementRecord* top = Registry().Find(TopOf(rec->key));
  const UiFrame* frame = top && top->owner ? top->owner->Frame() : nullptr;
  return frame && frame->Focus().marksShown;
}

bool UiWindow::TabKey(Hwnd hwnd, uint32_t msg, WParam wParam) {
  if (!frame_ || frame_->Focus().tabOrder.empty() || wParam != static_cast<WParam>(Vk::Tab)) return false;
  if (msg != Msg::KeyDown && msg != Msg::Char) return false;
  const ws::WindowSystem& sys = ws::System();
  if (sys.IsKeyDown(Vk::Control) || sys.IsKeyDown(Vk::Menu)) return false;
  // The character the key also makes is the same keystroke: nobody types it.
  if (msg == Msg::Char) return true;
  FrameFocus& focus = frame_->Focus();
  const int32_t next = StepThrough(focus.tabOrder, focusKey_, sys.IsKeyDown(Vk::Shift));
  if (next == 0) return true;
  const bool marksWereShown = focus.marksShown;
  focus.marksShown = true;
  if (next == focusKey_) {
    // The only element that can take the focus keeps it, and shows its mark now.
    if (!marksWereShown) InvalidateRect(next);
    return true;
  }
  // Handlers hear the focus move and may end this window: nothing here after it.
  SetFocusElement(hwnd, next);
  return true;
}

void UiWindow::SetBusyCursor(ws::CursorHandle cursor) {
  if (!frame_ || frame_->Focus().busyCursor == cursor) return;
  frame_->Focus().busyCursor = cursor;
  ws::WindowSystem& sys = ws::System();
  if (hwnd_ == 0 || !sys.IsWindow(hwnd_) || sys.Capture() != 0) return;
  // The pointer over the window shows the change now, not at its next move.
  if (sys.WindowRect(hwnd_).Contains(sys.CursorPos())) {
    sys.Send(hwnd_, Msg::SetCursor, static_cast<WParam>(hwnd_),
             static_cast<LParam>(MakeLong(ToWire(HitTest::Client), Msg::MouseMove)));
  }
}

bool UiWindow::BusyCursorShown(uint32_t msg) {
  if (msg != Msg::SetCursor || !frame_ || frame_->Focus().busyCursor == 0 || GetSizingCursorSet() != 0) return false;
  ws::System().SetCursor(frame_->Focus().busyCursor);
  return true;
}

}  // namespace quillmar
