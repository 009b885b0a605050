// WindowSystemCore: text input — the input method's results, compositions and
// caret place — and the watchers of the keyboard focus.
#include <algorithm>
#include <vector>

#include "platform/ws/window_core.h"
#include "platform/ws/window_core_internal.h"

namespace quillmar::ws {

void WindowSystemCore::SetImePosition(WindowHandle hwnd, Point clientPoint) {
  SetImeCursor(hwnd, Rect::FromXywh(clientPoint.x, clientPoint.y, 1, 16));
}

Point WindowSystemCore::ImePosition(WindowHandle hwnd) const { return ImeCursor(hwnd).Origin(); }

void WindowSystemCore::SetImeCursor(WindowHandle hwnd, Rect clientRect) {
  Record* r = Find(hwnd);
  if (r == nullptr) return;
  r->imeCursor = clientRect;
  NativeImeCursor(hwnd, clientRect);
}

Rect WindowSystemCore::ImeCursor(WindowHandle hwnd) const {
  const Record* r = Find(hwnd);
  return r == nullptr ? Rect{} : r->imeCursor;
}

void WindowSystemCore::ResetIme(WindowHandle hwnd) {
  if (Find(hwnd) == nullptr) return;
  ++imeResets_;
  NativeImeReset(hwnd);
}

std::u16string WindowSystemCore::ImeResult(WindowHandle /*hwnd*/) const { return imeResult_; }

ImePreedit WindowSystemCore::ImeComposition(WindowHandle /*hwnd*/) const { return imePreedit_; }

void WindowSystemCore::InputImeCommit(std::u16string_view text) {
  if (focus_ == 0 || !IsEnabled(focus_) || text.empty()) return;
  const WindowHandle target = focus_;
  imeResult_ = std::u16string(text);
  imePreedit_ = {};
  Deliver(target, Msg::ImeStartComposition, 0, 0);
  Deliver(target, Msg::ImeComposition, text.back(), Ime::ResultStr);
  Deliver(target, Msg::ImeEndComposition, 0, 0);
  imeResult_.clear();
}

void WindowSystemCore::InputImePreedit(std::u16string_view text, int32_t cursor) {
  if (focus_ == 0 || !IsEnabled(focus_)) return;
  const WindowHandle target = focus_;
  imePreedit_.text = std::u16string(text);
  imePreedit_.cursor = std::clamp<int32_t>(cursor, 0, static_cast<int32_t>(text.size()));
  Deliver(target, Msg::ImeComposition, text.empty() ? 0 : text.back(), Ime::CompStr);
  imePreedit_ = {};
}

uint32_t WindowSystemCore::WatchFocus(FocusWatcher watcher) {
  if (!watcher) return 0;
  const uint32_t id = nextFocusWatcher_++;
  focusWatchers_.emplace(id, std::make_shared<FocusWatcher>(std::move(watcher)));
  return id;
}

void WindowSystemCore::UnwatchFocus(uint32_t id) { focusWatchers_.erase(id); }

void WindowSystemCore::NotifyFocusWatchers() {
  // A watcher may add or remove watchers (its own too) while it runs.
  std::vector<uint32_t> ids;
  for (const auto& [id, w] : focusWatchers_) ids.push_back(id);
  for (uint32_t id : ids) {
    auto it = focusWatchers_.find(id);
    if (it == focusWatchers_.end()) continue;
    const std::shared_ptr<FocusWatcher> watcher = it->second;
    (*watcher)(focus_);
  }
}

}  // namespace quillmar::ws
