#include "ui/edit/edit_model.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "ui/edit/edit_breaks.h"

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

std::u16string EditModel::WithCrLf(std::u16string_view units) {
  std::u16string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    if (u == kCr) {
      out += u"\r\n";
      if (i + 1 < units.size() && units[i + 1] == kLf) ++i;
    } else if (u == kLf) {
      out += u"\r\n";
    } else {
      out.push_back(u);
    }
  }
  return out;
}

std::u16string EditModel::SelectedText() const {
  return text_.substr(static_cast<size_t>(SelectionStart()), static_cast<size_t>(SelectionEnd() - SelectionStart()));
}

bool EditModel::SplitsPair(int32_t position) const {
  if (position <= 0 || position >= Length()) return false;
  return !EditBreaks::IsClusterBoundary(text_, position);
}

int32_t EditModel::Normalise(int32_t position) const {
  position = std::clamp(position, 0, Length());
  return SplitsPair(position) ? EditBreaks::NextCluster(text_, position) : position;
}

void EditModel::PlaceCaret(int32_t caret, int32_t anchor) {
  caret_ = Normalise(caret);
  anchor_ = Normalise(anchor);
}

bool EditModel::MoveTo(int32_t position, bool extend) {
  const int32_t caret = caret_, anchor = anchor_;
  caret_ = Normalise(position);
  if (!extend) anchor_ = caret_;
  history_.BreakGroup();
  return caret != caret_ || anchor != anchor_;
}

void EditModel::SetText(std::u16string_view units) {
  if (!ReplaceContent(units)) return;
  caret_ = anchor_ = 0;
  history_.Clear();
}

bool EditModel::ReplaceContent(std::u16string_view units) {
  units = StripTerminator(units);
  if (units.size() > static_cast<size_t>(maxLength_)) return false;
  const int32_t before = Length();
  try {
    text_.assign(units);
  } catch (const std::bad_alloc&) {
    return false;
  }
  ++version_;
  lastChange_ = {0, before, Length()};
  // The steps recorded so far no longer fit this text.
  history_.Clear();
  PlaceCaret(caret_, anchor_);
  return true;
}

void EditModel::Apply(int32_t position, size_t removeCount, std::u16string_view units) {
  text_.replace(static_cast<size_t>(position), removeCount, units);
  ++version_;
  lastChange_ = {position, static_cast<int32_t>(removeCount), static_cast<int32_t>(units.size())};
}

bool EditModel::Splice(int32_t start, int32_t end, std::u16string_view units, int32_t caret, int32_t anchor,
                       bool typing) {
  if (static_cast<int64_t>(Length()) - (end - start) + static_cast<int64_t>(units.size()) > maxLength_) return false;
  EditStep step;
  try {
    step.position = start;
    step.removed.assign(text_, static_cast<size_t>(start), static_cast<size_t>(end - start));
    step.inserted.assign(units);
    step.caretBefore = caret_;
    step.anchorBefore = anchor_;
    Apply(start, static_cast<size_t>(end - start), units);
  } catch (const std::exception&) {
    return false;
  }
  caret_ = std::clamp(caret, 0, Length());
  anchor_ = std::clamp(anchor, 0, Length());
  PlaceCaret(caret_, anchor_);
  step.caretAfter = caret_;
  step.anchorAfter = anchor_;
  step.typing = typing;
  try {
    history_.Record(std::move(step));
  } catch (const std::bad_alloc&) {
    history_.Clear();  // the text changed; only its undo is lost
  }
  return true;
}

bool EditModel::InsertText(int32_t position, std::u16string_view units) {
  if (position < -1) return false;
  units = StripTerminator(units);
  if (units.empty()) return false;
  const int32_t length = Length();
  if (position == -1 || position > length) position = length;
  // A position inside a cluster inserts after it, so the cluster stays whole.
  position = Normalise(position);
  return Splice(position, position, units, caret_, anchor_, false);
}

void EditModel::DeleteText(int32_t position, int32_t count) {
  const int32_t length = Length();
  position = std::max(position, 0);
  if (position >= length || count <= 0) return;
  int32_t end = static_cast<int32_t>(std::min<int64_t>(int64_t{position} + count, length));
  // Widen to whole clusters at both ends.
  if (SplitsPair(position)) position = EditBreaks::PrevCluster(text_, position);
  if (SplitsPair(end)) end = EditBreaks::NextCluster(text_, end);
  Splice(position, end, {}, caret_, anchor_, false);
}

bool EditModel::SetCaret(int32_t position) {
  if (position < -1) return false;
  if (position == -1 || position > Length()) position = Length();
  position = Normalise(position);
  if (position == caret_ && anchor_ == caret_) return false;
  caret_ = anchor_ = position;
  history_.BreakGroup();
  return true;
}

bool EditModel::SetSelection(int32_t start, int32_t end) {
  if (start < -1 || end < -1) return false;
  if (start == -1 || start > Length()) start = Length();
  if (end == -1 || end > Length()) end = Length();
  if (start == end) return false;
  PlaceCaret(end, start);
  history_.BreakGroup();
  return true;
}

void EditModel::SelectAll() {
  anchor_ = 0;
  caret_ = Length();
  history_.BreakGroup();
}

bool EditModel::DeleteSelection() {
  if (!HasSelection()) return false;
  const int32_t start = SelectionStart();
  return Splice(start, SelectionEnd(), {}, start, start, false);
}

bool EditModel::Backspace() {
  if (readOnly_) return false;
  if (HasSelection()) return DeleteSelection();
  if (caret_ == 0) return false;
  // A line break, a surrogate pair and a cluster go as one.
  const int32_t from = EditBreaks::PrevCluster(text_, caret_);
  return Splice(from, caret_, {}, from, from, false);
}

bool EditModel::DeleteForward() {
  if (readOnly_) return false;
  if (HasSelection()) return DeleteSelection();
  if (caret_ >= Length()) return false;
  // The whole cluster at the caret, so Delete before a line break joins the lines.
  return Splice(caret_, EditBreaks::NextCluster(text_, caret_), {}, caret_, caret_, false);
}

bool EditModel::DeleteWordBack() {
  if (readOnly_) return false;
  if (HasSelection()) return DeleteSelection();
  if (caret_ == 0) return false;
  const int32_t from = Normalise(EditBreaks::PrevWordStart(text_, caret_));
  return Splice(from, caret_, {}, from, from, false);
}

bool EditModel::DeleteWordForward() {
  if (readOnly_) return false;
  if (HasSelection()) return DeleteSelection();
  if (caret_ >= Length()) return false;
  return Splice(caret_, Normalise(EditBreaks::NextWordEnd(text_, caret_)), {}, caret_, caret_, false);
}

bool EditModel::TypeChar(char16_t code) {
  if (readOnly_ || code == kEscape) return false;
  return InsertAtCaret(std::u16string_view(&code, 1), true);
}

bool EditModel::InsertAtCaret(std::u16string_view units, bool typing) {
  units = StripTerminator(units);
  const int32_t start = SelectionStart();
  const int32_t end = SelectionEnd();
  if (units.empty() && start == end) return false;
  const int32_t after = start + static_cast<int32_t>(units.size());
  return Splice(start, end, units, after, after, typing);
}

bool EditModel::MoveLeft(bool extend) {
  if (caret_ < 1) {
    if (extend || !HasSelection()) return false;
    anchor_ = caret_;
    return true;
  }
  return MoveTo(EditBreaks::PrevCluster(text_, caret_), extend);
}

bool EditModel::MoveRight(bool extend) {
  if (caret_ >= Length()) {
    if (extend || !HasSelection()) return false;
    anchor_ = caret_;
    return true;
  }
  return MoveTo(EditBreaks::NextCluster(text_, caret_), extend);
}

bool EditModel::MoveWordLeft(bool extend) { return MoveTo(EditBreaks::PrevWordStart(text_, caret_), extend); }

bool EditModel::MoveWordRight(bool extend) { return MoveTo(EditBreaks::NextWordEnd(text_, caret_), extend); }

bool EditModel::Undo() {
  if (readOnly_) return false;
  std::optional<EditStep> step = history_.TakeUndo();
  if (!step) return false;
  Apply(step->position, step->inserted.size(), step->removed);
  caret_ = step->caretBefore;
  anchor_ = step->anchorBefore;
  return true;
}

bool EditModel::Redo() {
  if (readOnly_) return false;
  std::optional<EditStep> step = history_.TakeRedo();
  if (!step) return false;
  Apply(step->position, step->removed.size(), step->inserted);
  caret_ = step->caretAfter;
  anchor_ = step->anchorAfter;
  return true;
}

}  // namespace quillmar
