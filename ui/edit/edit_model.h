#pragma once
// EditModel: the text of an edit box with its caret and selection, every
// operation that changes them, and their undo history. Text is UTF-16; a
// position counts code units from 0 to the length. CR LF is one line break.
// No layout, no window.
//
// A grapheme cluster (a CR LF pair, a surrogate pair, a letter with its
// combining marks, an emoji sequence) is never split by an operation: a
// position inside one is moved past it.

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/edit/edit_history.h"

namespace quillmar {

class EditModel {
 public:
  // A text longer than this is refused whole by the inserting operations.
  static constexpr int32_t kDefaultMaxLength = 0x3FFFFFFF;

  explicit EditModel(int32_t maxLength = kDefaultMaxLength) : maxLength_(maxLength) {}

  // Units before the first NUL of the input, and at most one trailing NUL
  // removed; callers may pass text with or without its terminator.
  static std::u16string_view StripTerminator(std::u16string_view units);
  // Every line break (CR LF, a lone LF, a lone CR) made CR LF, the one break
  // the model, the layout and the caret know.
  static std::u16string WithCrLf(std::u16string_view units);

  const std::u16string& Text() const { return text_; }
  // Grows with every change of the text.
  uint64_t Version() const { return version_; }
  // The last change: units [start, start + removed) became inserted units.
  struct Change {
    int32_t start = 0, removed = 0, inserted = 0;
  };
  const Change& LastChange() const { return lastChange_; }
  int32_t Length() const { return static_cast<int32_t>(text_.size()); }
  int32_t Caret() const { return caret_; }
  int32_t Anchor() const { return anchor_; }
  bool HasSelection() const { return caret_ != anchor_; }
  int32_t SelectionStart() const { return caret_ < anchor_ ? caret_ : anchor_; }
  int32_t SelectionEnd() const { return caret_ < anchor_ ? anchor_ : caret_; }
  std::u16string SelectedText() const;
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }

  // Replaces the text, puts caret and anchor at 0 and forgets the history.
  void SetText(std::u16string_view units);
  // Replaces the text and keeps caret and anchor (clamped to the new length).
  // False when the text would pass the length limit or memory runs out; the
  // model is then unchanged.
  bool ReplaceContent(std::u16string_view units);
  // Inserts at position (-1: at the end; below -1: nothing). The caret stays.
  bool InsertText(int32_t position, std::u16string_view units);
  // Removes count units from position (clamped to the text).
  void DeleteText(int32_t position, int32_t count);

  // -1 or past the end means the end; below -1 nothing. Returns whether
  // anything changed (the caller repaints).
  bool SetCaret(int32_t position);
  bool SetSelection(int32_t start, int32_t end);
  void SelectAll();
  void CollapseSelection() { anchor_ = caret_; }
  // Places caret and anchor directly (the mouse and the keys do), normalised.
  void PlaceCaret(int32_t caret, int32_t anchor);
  // Moves the caret; with extend the anchor stays, else it follows.
  bool MoveTo(int32_t position, bool extend);

  // Editing as the keys do it. Each returns whether the text changed.
  bool DeleteSelection();
  bool Backspace();
  bool DeleteForward();
  // Ctrl+Backspace and Ctrl+Delete: to the start of this word, to the end of the next.
  bool DeleteWordBack();
  bool DeleteWordForward();
  bool TypeChar(char16_t code);
  // Replaces the selection by units and puts the caret after them; one undo
  // step (typing joins the run typed just before). True when the text changed.
  bool InsertAtCaret(std::u16string_view units, bool typing = false);
  // Left and Right step over a whole cluster; without extend they collapse
  // the selection at the caret's new place. Return whether anything moved.
  bool MoveLeft(bool extend = false);
  bool MoveRight(bool extend = false);
  bool MoveWordLeft(bool extend);
  bool MoveWordRight(bool extend);

  // Undo and redo one step; false when there is none (or the model is read-only).
  bool Undo();
  bool Redo();
  const EditHistory& History() const { return history_; }
  // The caret was moved by the user: the next typing starts a new step.
  void BreakTypingRun() { history_.BreakGroup(); }

  // Positions as the model keeps them: clamped, and never inside a cluster.
  int32_t Normalise(int32_t position) const;
  // Whether position lies inside a cluster (a pair or a combining sequence).
  bool SplitsPair(int32_t position) const;

 private:
  // Replaces [start, end) by units and records the step; caret and anchor
  // become the given ones. False when refused (limit or memory).
  bool Splice(int32_t start, int32_t end, std::u16string_view units, int32_t caret, int32_t anchor, bool typing);
  void Apply(int32_t position, size_t removeCount, std::u16string_view units);

  std::u16string text_;
  int32_t caret_ = 0;
  int32_t anchor_ = 0;
  bool readOnly_ = false;
  int32_t maxLength_;
  EditHistory history_;
  uint64_t version_ = 0;
  Change lastChange_;
};

}  // namespace quillmar
