#pragma once
// EditHistory: the undo and redo steps of an edit. A step is one replacement
// of a stretch of text with the caret and anchor before and after it; typing
// at the end of the previous typed run grows that step instead of adding one.
// The history is bounded by its number of steps and by the text it keeps; the
// oldest steps go first, and a step larger than the whole bound empties it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace quillmar {

struct EditStep {
  int32_t position = 0;
  std::u16string removed;
  std::u16string inserted;
  int32_t caretBefore = 0, anchorBefore = 0;
  int32_t caretAfter = 0, anchorAfter = 0;
  bool typing = false;  // one typed character: the next one may join it
  size_t Bytes() const { return (removed.size() + inserted.size()) * sizeof(char16_t); }
};

class EditHistory {
 public:
  static constexpr size_t kDefaultMaxSteps = 200;
  static constexpr size_t kDefaultMaxBytes = size_t{8} << 20;

  explicit EditHistory(size_t maxSteps = kDefaultMaxSteps, size_t maxBytes = kDefaultMaxBytes)
      : maxSteps_(maxSteps), maxBytes_(maxBytes) {}

  // Adds a step done now; redo steps are gone after it.
  void Record(EditStep step);
  // The next typed character starts a step of its own (the caret moved).
  void BreakGroup() { grouping_ = false; }
  void Clear();
  // The step to undo (it moves to the redo side), or nothing.
  std::optional<EditStep> TakeUndo();
  std::optional<EditStep> TakeRedo();
  size_t UndoCount() const { return undo_.size(); }
  size_t RedoCount() const { return redo_.size(); }
  size_t Bytes() const { return bytes_; }

 private:
  void Trim();

  std::deque<EditStep> undo_;
  std::vector<EditStep> redo_;
  size_t bytes_ = 0;  // of both sides
  bool grouping_ = false;
  size_t maxSteps_;
  size_t maxBytes_;
};

}  // namespace quillmar
