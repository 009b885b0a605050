// The accessibility defaults every element has, and the notification path.

#include "base/text_encoding.h"
#include "platform/ws/window_system.h"
#include "ui/core/element_record.h"
#include "ui/core/events.h"
#include "ui/core/window.h"

namespace quillmar {

void UiWindow::DescribeAccessible(ws::AxNode& node) {
  ElementRecord* rec = Rec({});
  if (rec && rec->IsTopLevelWindow() && hwnd_ != 0) {
    node.role = ws::AxRole::Frame;
    node.name = GbkToUtf8(ws::System().Title(hwnd_));
  } else {
    node.role = ws::AxRole::Panel;
  }
  if (rec && !rec->tipText.empty()) node.description = GbkToUtf8(rec->tipText);
}

bool UiWindow::AccessibleAction(int32_t index) {
  if (index != 0 || Rec({}) == nullptr) return false;
  const DispatchScope scope;
  SendEvent(key_, Event::Click);
  return true;
}

bool UiWindow::AccessibilityListening() {
  ws::WindowSystem* sys = ws::SystemOrNull();
  return sys != nullptr && sys->AxActive();
}

void UiWindow::NotifyAccessible(ws::AxEvent event, OptKey key) {
  // A focus move goes to the desktop even before a reader listens (it is rare and cheap):
  // the first reader to come must learn where the keyboard is.
  if (!AccessibilityListening() && event.kind != ws::AxEventKind::Focus) return;
  const int32_t k = ResolveKey(key);
  const Hwnd hwnd = WindowOf(k);
  if (hwnd == 0) return;
  if (event.node == 0) event.node = k;
  ws::System().AxNotify(hwnd, event);
}

void UiWindow::NotifyAccessibleText(std::u16string_view before, std::u16string_view after, OptKey key) {
  if (!AccessibilityListening()) return;
  size_t head = 0;
  while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
  size_t tail = 0;
  while (tail < before.size() - head && tail < after.size() - head &&
         before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
    ++tail;
  }
  // Never split a surrogate pair: a reader converting the pieces would see half a character.
  if (head > 0 && IsHighSurrogate(before[head - 1])) --head;
  if (tail > 0 && IsLowSurrogate(before[before.size() - tail])) --tail;
  const std::u16string_view removed = before.substr(head, before.size() - head - tail);
  const std::u16string_view added = after.substr(head, after.size() - head - tail);
  const auto position = static_cast<int32_t>(head);
  if (!removed.empty()) {
    NotifyAccessible(ws::AxEvent::Text(ws::AxEventKind::TextDeleted, position, std::u16string(removed)), key);
  }
  if (!added.empty()) {
    NotifyAccessible(ws::AxEvent::Text(ws::AxEventKind::TextInserted, position, std::u16string(added)), key);
  }
}

}  // namespace quillmar
