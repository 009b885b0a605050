#pragma once
// EditModel: the text of an edit box with its caret and selection, and every
// operation that changes them. Text is UTF-16; a position counts code units
// from 0 to the length. CR LF is one line break. No layout, no window.
//
// Two things are never split by an operation: a CR LF pair and a surrogate
// pair. A position between the two units of either is moved past the pair.

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmar {

class EditModel {
 public:
  // A text longer than this is refused whole by the inserting operations.
  static constexpr int32_t kDefaultMaxLength = 0x3FFFFFFF;

  explicit EditModel(int32_t maxLength = kDefaultMaxLength) : maxLength_(maxLength) {}

  // Units before the first NUL of the input, and at most one trailing NUL
  // removed; callers may pass text with or without its terminator.
  static std::u16string_view StripTerminator(std::u16string_view units);

  const std::u16string& Text() const { return text_; }
  int32_t Length() const { return static_cast<int32_t>(text_.size()); }
  int32_t Caret() const { return caret_; }
  int32_t Anchor() const { return anchor_; }
  bool HasSelection() const { return caret_ != anchor_; }
  int32_t SelectionStart() const { return caret_ < anchor_ ? caret_ : anchor_; }
  int32_t SelectionEnd() const { return caret_ < anchor_ ? anchor_ : caret_; }
  std::u16string SelectedText() const;
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }

  // Replaces the text and puts caret and anchor at 0.
  void SetText(std::u16string_view units);
  // Replaces the text and keeps caret and anchor (clamped to the new length).
  // False when the text would pass the length limit or memory runs out; the
  // model is then unchanged.
  bool ReplaceContent(std::u16string_view units);
  // Inserts at position (-1: at the end; below -1: nothing). The caret stays.
  bool InsertText(int32_t position, std::u16string_view units);
  // Removes count units from position (clamped to the text).
  void DeleteText(int32_t position, int32_t count);
  // Cuts the text before its first CR (what one line can show).
  void CutAtFirstBreak();

  // -1 or past the end means the end; below -1 nothing. Returns whether
  // anything changed (the caller repaints).
  bool SetCaret(int32_t position);
  bool SetSelection(int32_t start, int32_t end);
  void SelectAll();
  void CollapseSelection() { anchor_ = caret_; }
  // Places caret and anchor directly (the mouse and the keys do), normalised.
  void PlaceCaret(int32_t caret, int32_t anchor);

  // Editing as the keys do it. Each returns whether the text changed.
  bool DeleteSelection();
  bool Backspace();
  bool DeleteForward();
  bool TypeChar(char16_t code);
  // Replaces the selection by units and puts the caret after them.
  bool InsertAtCaret(std::u16string_view units);
  // Left and Right step over a CR LF or a surrogate pair at once and collapse
  // the selection. Return whether the caret moved.
  bool MoveLeft();
  bool MoveRight();

  // Positions as the model keeps them: clamped, and never inside a pair.
  int32_t Normalise(int32_t position) const;
  // Whether the units at position - 1 and position form a pair that is one step.
  bool SplitsPair(int32_t position) const;

 private:
  std::u16string text_;
  int32_t caret_ = 0;
  int32_t anchor_ = 0;
  bool readOnly_ = false;
  int32_t maxLength_;
};

}  // namespace quillmar
