#include "ui/edit/edit_model.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "base/text_encoding.h"

namespace quillmar {
namespace {

constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';
constexpr char16_t kEscape = 27;

}  // namespace

std::u16string_view EditModel::StripTerminator(std::u16string_view units) {
  const size_t nul = units.find(u'\0');
  return nul == std::u16string_view::npos ? units : units.substr(0, nul);
}

std::u16string EditModel::SelectedText() const {
  return text_.substr(static_cast<size_t>(SelectionStart()), static_cast<size_t>(SelectionEnd() - SelectionStart()));
}

bool EditModel::SplitsPair(int32_t position) const {
  if (position <= 0 || position >= Length()) return false;
  const char16_t before = text_[static_cast<size_t>(position - 1)];
  const char16_t at = text_[static_cast<size_t>(position)];
  return (before == kCr && at == kLf) || (IsHighSurrogate(before) && IsLowSurrogate(at));
}

int32_t EditModel::Normalise(int32_t position) const {
  position = std::clamp(position, 0, Length());
  return SplitsPair(position) ? position + 1 : position;
}

void EditModel::PlaceCaret(int32_t caret, int32_t anchor) {
  caret_ = Normalise(caret);
  anchor_ = Normalise(anchor);
}

void EditModel::SetText(std::u16string_view units) {
  if (!ReplaceContent(units)) return;
  caret_ = anchor_ = 0;
}

bool EditModel::ReplaceContent(std::u16string_view units) {
  units = StripTerminator(units);
  if (units.size() > static_cast<size_t>(maxLength_)) return false;
  try {
    text_.assign(units);
  } catch (const std::bad_alloc&) {
    return false;
  }
  PlaceCaret(caret_, anchor_);
  return true;
}

bool EditModel::InsertText(int32_t position, std::u16string_view units) {
  if (position < -1) return false;
  units = StripTerminator(units);
  if (units.empty()) return false;
  const int32_t length = Length();
  if (units.size() > static_cast<size_t>(maxLength_ - length)) return false;
  if (position == -1 || position > length) position = length;
  // A position inside a pair inserts after it, so the pair stays whole.
  position = Normalise(position);
  std::u16string next;
  try {
    next.reserve(text_.size() + units.size());
    next.append(text_, 0, static_cast<size_t>(position));
    next.append(units);
    next.append(text_, static_cast<size_t>(position));
  } catch (const std::exception&) {
    return false;
  }
  return ReplaceContent(next);
}

void EditModel::DeleteText(int32_t position, int32_t count) {
  const int32_t length = Length();
  position = std::max(position, 0);
  if (position >= length || count <= 0) return;
  int32_t end = static_cast<int32_t>(std::min<int64_t>(int64_t{position} + count, length));
  // Widen to whole pairs at both ends.
  if (SplitsPair(position)) --position;
  if (SplitsPair(end)) ++end;
  std::u16string next(text_, 0, static_cast<size_t>(position));
  next.append(text_, static_cast<size_t>(end));
  ReplaceContent(next);
}

void EditModel::CutAtFirstBreak() {
  const size_t cr = text_.find(kCr);
  if (cr != std::u16string::npos) ReplaceContent(std::u16string_view(text_).substr(0, cr));
}

bool EditModel::SetCaret(int32_t position) {
  if (position < -1) return false;
  if (position == -1 || position > Length()) position = Length();
  position = Normalise(position);
  if (position == caret_) return false;
  caret_ = anchor_ = position;
  return true;
}

bool EditModel::SetSelection(int32_t start, int32_t end) {
  if (start < -1 || end < -1) return false;
  if (start == -1 || start > Length()) start = Length();
  if (end == -1 || end > Length()) end = Length();
  if (start == end) return false;
  PlaceCaret(end, start);
  return true;
}

void EditModel::SelectAll() {
  anchor_ = 0;
  caret_ = Length();
}

bool EditModel::DeleteSelection() {
  if (!HasSelection()) return false;
  const int32_t start = SelectionStart();
  const int32_t count = SelectionEnd() - start;
  caret_ = anchor_ = start;
  DeleteText(start, count);
  return true;
}

bool EditModel::Backspace() {
  if (readOnly_) return false;
  if (HasSelection()) return DeleteSelection();
  if (caret_ == 0) return false;
  const int32_t g = caret_ - 1;
  // A line break and a surrogate pair go as one.
  const bool pair = SplitsPair(g);
  caret_ = anchor_ = pair ? g - 1 : g;
  DeleteText(caret_, pair ? 2 : 1);
  return true;
}

bool EditModel::DeleteForward() {
  if (readOnly_) return false;
  if (HasSelection()) return DeleteSelection();
  if (caret_ + 1 > Length()) return false;
  // Step over the whole unit at the caret, so Delete before a line break joins the lines.
  caret_ = anchor_ = Normalise(caret_ + 1);
  return Backspace();
}

bool EditModel::TypeChar(char16_t code) {
  if (readOnly_ || code == kEscape) return false;
  return InsertAtCaret(std::u16string_view(&code, 1));
}

bool EditModel::InsertAtCaret(std::u16string_view units) {
  units = StripTerminator(units);
  // A text that cannot go in leaves the selection where it is.
  const int64_t after = int64_t{Length()} - (SelectionEnd() - SelectionStart()) + static_cast<int64_t>(units.size());
  if (after > maxLength_) return false;
  DeleteSelection();
  const int32_t at = caret_;
  if (!InsertText(at, units)) return false;
  caret_ = anchor_ = Normalise(at + static_cast<int32_t>(units.size()));
  return true;
}

bool EditModel::MoveLeft() {
  if (caret_ < 1) return false;
  caret_ = SplitsPair(caret_ - 1) ? caret_ - 2 : caret_ - 1;
  anchor_ = caret_;
  return true;
}

bool EditModel::MoveRight() {
  if (caret_ >= Length()) return false;
  caret_ = SplitsPair(caret_ + 1) ? caret_ + 2 : caret_ + 1;
  anchor_ = caret_;
  return true;
}

}  // namespace quillmar
