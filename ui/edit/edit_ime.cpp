// The input method's side of UiEdit: the composition shown at the caret and
// the caret rectangle the input method places its candidate window by.
#include "platform/ws/window_system.h"
#include "ui/edit/edit.h"

namespace quillmar {

int32_t UiEdit::ToShown(int32_t position) const {
  if (preedit_.empty() || position <= model_.Caret()) return position;
  return position + static_cast<int32_t>(preedit_.size());
}

int32_t UiEdit::FromShown(int32_t position) const {
  const int32_t caret = model_.Caret();
  if (preedit_.empty() || position <= caret) return position;
  const int32_t length = static_cast<int32_t>(preedit_.size());
  return position < caret + length ? caret : position - length;
}

void UiEdit::SetPreedit(std::u16string text, int32_t cursor) {
  // A read-only box takes no input, so it shows no composition either.
  if (model_.ReadOnly() || !Editable()) text.clear();
  if (text.empty() && preedit_.empty()) return;
  preedit_ = std::move(text);
  preeditCursor_ = std::clamp<int32_t>(cursor, 0, static_cast<int32_t>(preedit_.size()));
  shown_.clear();
  if (!preedit_.empty()) {
    // Never part of the text: only what the layout shows until it is committed.
    const std::u16string& t = model_.Text();
    const size_t at = static_cast<size_t>(model_.Caret());
    shown_.reserve(t.size() + preedit_.size());
    shown_.append(t, 0, at).append(preedit_).append(t, at);
  }
  Layout();
  caretShown_ = true;
}

void UiEdit::DropPreedit(bool reset) {
  if (preedit_.empty()) return;
  if (reset) ResetIme();
  preedit_.clear();
  shown_.clear();
  preeditCursor_ = 0;
  Layout();
}

void UiEdit::ResetIme() {
  const Hwnd hwnd = WindowOf(Key());
  if (hwnd != 0 && focused_) ws::System().ResetIme(hwnd);
}

void UiEdit::UpdateImeCursor() {
  const Hwnd hwnd = WindowOf(Key());
  if (hwnd == 0 || !WindowFocused() || caretPoint_ == EditLayout::kNoPoint) return;
  // The caret's line, in the window's coordinates: the candidate window opens just below it.
  const Point at = PointToWindow(caretPoint_);
  const int32_t height = std::max(metrics_.glyphHeight, 1);
  const Rect rect = Rect::FromXywh(at.x, at.y, 1, height);
  if (hwnd == imeWindow_ && rect == imeCursor_) return;
  imeWindow_ = hwnd;
  imeCursor_ = rect;
  ws::System().SetImeCursor(hwnd, rect);
}

}  // namespace quillmar
