#include "ui/edit/edit_history.h"

namespace quillmar {

void EditHistory::Record(EditStep step) {
  for (const EditStep& s : redo_) bytes_ -= s.Bytes();
  redo_.clear();
  if (step.Bytes() > maxBytes_) {
    Clear();  // nothing before it could be undone in order any more
    return;
  }
  if (step.typing && grouping_ && !undo_.empty()) {
    EditStep& last = undo_.back();
    if (last.typing && step.removed.empty() &&
        step.position == last.position + static_cast<int32_t>(last.inserted.size())) {
      bytes_ += step.Bytes();
      last.inserted += step.inserted;
      last.caretAfter = step.caretAfter;
      last.anchorAfter = step.anchorAfter;
      Trim();
      return;
    }
  }
  grouping_ = step.typing;
  bytes_ += step.Bytes();
  undo_.push_back(std::move(step));
  Trim();
}

void EditHistory::Trim() {
  while (!undo_.empty() && (undo_.size() > maxSteps_ || bytes_ > maxBytes_)) {
    bytes_ -= undo_.front().Bytes();
    undo_.pop_front();
  }
}

void EditHistory::Clear() {
  undo_.clear();
  redo_.clear();
  bytes_ = 0;
  grouping_ = false;
}

std::optional<EditStep> EditHistory::TakeUndo() {
  grouping_ = false;
  if (undo_.empty()) return std::nullopt;
  EditStep step = std::move(undo_.back());
  undo_.pop_back();
  redo_.push_back(step);
  return step;
}

std::optional<EditStep> EditHistory::TakeRedo() {
  grouping_ = false;
  if (redo_.empty()) return std::nullopt;
  EditStep step = std::move(redo_.back());
  redo_.pop_back();
  undo_.push_back(step);
  return step;
}

}  // namespace quillmar
