// What the edit tells assistive technology: its text (the mask in password
// mode), caret and selection, and edits asked for by a reader.

#include <algorithm>

#include "ui/edit/edit.h"

namespace quillmar {

void UiEdit::DescribeAccessible(ws::AxNode& node) {
  UiControl::DescribeAccessible(node);
  node.role = passwordMode_ ? ws::AxRole::PasswordText : ws::AxRole::Entry;
  node.facets |= ws::AxFacet::Text;
  node.states |= ws::AxState::Focusable | (multiLine_ ? ws::AxState::MultiLine : ws::AxState::SingleLine);
  if (!model_.ReadOnly() && !browseOnly_) {
    node.facets |= ws::AxFacet::EditableText;
    node.states |= ws::AxState::Editable;
  }
  // A reader that has seen the box hears every change from now on.
  if (!announcedValid_ && AccessibilityListening()) {
    announced_ = ExposedText();
    announcedValid_ = true;
  }
}

ws::AxText UiEdit::ExposedText() const {
  ws::AxText text;
  text.text = passwordMode_ ? std::u16string(static_cast<size_t>(model_.Length()), passwordChar_) : model_.Text();
  text.caret = model_.Caret();
  text.selectionStart = model_.SelectionStart();
  text.selectionEnd = model_.SelectionEnd();
  return text;
}

std::optional<ws::AxText> UiEdit::AccessibleText() {
  announced_ = ExposedText();
  announcedValid_ = true;
  return announced_;
}

void UiEdit::AnnounceChanges() {
  if (!announcedValid_) return;
  if (!AccessibilityListening()) {
    // Nobody listens any more: the copy would only go stale.
    announcedValid_ = false;
    announced_ = {};
    return;
  }
  ws::AxText now = ExposedText();
  NotifyAccessibleText(announced_.text, now.text);
  if (now.caret != announced_.caret) {
    NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::CaretMoved, now.caret));
  }
  // A collapsed selection moving with the caret is no selection change.
  const bool selected = now.selectionStart != now.selectionEnd || announced_.selectionStart != announced_.selectionEnd;
  if (selected && (now.selectionStart != announced_.selectionStart || now.selectionEnd != announced_.selectionEnd)) {
    NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::SelectionChanged, now.selectionStart,
                                       now.selectionEnd - now.selectionStart));
  }
  announced_ = std::move(now);
}

bool UiEdit::AccessibleEditText(int32_t start, int32_t end, const std::u16string& text) {
  if (model_.ReadOnly() || browseOnly_ || !Editable()) return false;
  const int32_t length = model_.Length();
  start = std::clamp(start, 0, length);
  end = std::clamp(end < 0 ? length : end, start, length);
  // The model keeps pairs whole; a range inside one is widened the way its own edits are.
  start = model_.Normalise(start);
  end = std::max(start, model_.Normalise(end));
  if (end > start) model_.DeleteText(start, end - start);
  if (!text.empty()) model_.InsertText(start, ForOneLine(text));
  AfterTextChange();
  return true;
}

bool UiEdit::AccessibleSelectText(int32_t anchor, int32_t caret) {
  const int32_t length = model_.Length();
  if (anchor < 0 || caret < 0 || anchor > length || caret > length) return false;
  model_.PlaceCaret(caret, anchor);
  Changed();
  return true;
}

}  // namespace quillmar
