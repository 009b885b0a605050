#pragma once
// EditLayout: lines, character boxes, scroll offsets and hit-testing of an
// edit's text, computed from measured advances. No drawing and no window, so
// every rule of where a character, the caret or a click lands is plain data.
//
// Text is laid out by grapheme cluster: the first unit of a cluster carries
// the cluster's whole advance and is where the cluster is drawn; its other
// units (a surrogate's second half, combining marks, the rest of an emoji
// sequence) get zero-width boxes after it. CR and LF advance by 0 and get
// zero-width boxes at the start of the line they open. Boxes are built only for
// the lines that reach into the text area; positions on lines above or below it
// have no caret point.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "base/geometry.h"
#include "ui/edit/edit_breaks.h"

namespace quillmar {

enum class EditWrap : int32_t { SingleLine = 0, Wrap = 1, NoWrap = 2 };

// What measuring the font gave, in whole pixels.
struct EditMetrics {
  int32_t wideCharWidth = 0;  // every character above code 128
  int32_t maskCharWidth = 0;  // the password mask
  int32_t glyphHeight = 0;
  int32_t glyphLead = 0;  // x of a measured glyph in the text area
  int32_t lineGapAbove = 2;
  int32_t lineGapBelow = 2;
  int32_t LineHeight() const { return glyphHeight + lineGapAbove + lineGapBelow; }
};

class EditLayout {
 public:
  // Width of a character up to code 128, or of a cluster of several characters
  // (only those are measured; every other character is as wide as "wide").
  using AsciiAdvance = std::function<int32_t(std::u16string_view)>;
  static constexpr Point kNoPoint{-10, -10};

  // Walks the text into lines and returns the caret's point at zero scroll
  // (y is 0 in single-line mode). In single-line mode the text must already
  // end before its first CR.
  Point Walk(std::u16string_view text, int32_t caret, EditWrap wrap, bool password, const EditMetrics& metrics,
             const RectF& textRect, const AsciiAdvance& ascii);
  // One line changed by one replacement of [start, start + removed) by inserted
  // units since the last walk, with nothing else changed: walks only the
  // stretch around the change and shifts what follows. False when it cannot
  // (the caller then walks the whole text).
  bool WalkChange(std::u16string_view text, int32_t caret, int32_t start, int32_t removed, int32_t inserted,
                  Point* caretPoint);
  // The area measuring and the next walk use.
  void SetTextRect(const RectF& rect) { textRect_ = rect; }
  // Widths of the codes up to 128 already measured (-1: not yet), read
  // directly on long lines instead of asking the measuring function.
  void SetAsciiWidths(const int32_t* widths) { asciiWidths_ = widths; }
  // Rebuilds the boxes of the lines that reach into the text area at the current scroll.
  void BuildBoxes(std::u16string_view text);
  // Moves the scroll offsets so the caret point (at zero scroll) is visible.
  void ScrollCaretIntoView(Point caret);
  // The caret point of a position (kNoPoint when it has no box in view).
  Point PointFromPosition(int32_t position) const;
  // The position a point lands on, and the caret point there.
  int32_t PositionFromPoint(float x, float y, Point* outPoint) const;

  int32_t Advance(char16_t unit) const;
  // Advance of the cluster text[start, end).
  int32_t ClusterAdvance(std::u16string_view text, int32_t start, int32_t end) const;
  // Lines as the walk made them: the line that shows the caret at position,
  // where a line's text starts (after its line break) and ends.
  int32_t LineOf(int32_t position) const;
  int32_t LineStart(std::u16string_view text, int32_t line) const;
  int32_t LineEnd(std::u16string_view text, int32_t line) const;
  // Pixels from the start of the position's line to the position, at zero scroll.
  int32_t XInLine(std::u16string_view text, int32_t position) const;
  // The position of the line nearest x pixels from its start.
  int32_t PositionInLine(std::u16string_view text, int32_t line, int32_t x) const;
  int32_t LineHeight() const { return lineHeight_; }
  float LineTop() const;  // y of the single line's band
  int32_t ContentWidth() const { return contentWidth_; }
  int32_t ContentHeight() const { return contentHeight_; }
  const std::vector<int32_t>& LineCounts() const { return lineCounts_; }
  const std::vector<int32_t>& LineWidths() const { return lineWidths_; }
  const std::vector<RectF>& Boxes() const { return charBoxes_; }
  int32_t FirstBoxIndex() const { return firstBoxIndex_; }
  const RectF& TextRect() const { return textRect_; }
  const EditMetrics& Metrics() const { return metrics_; }
  bool MultiLine() const { return wrap_ != EditWrap::SingleLine; }

  int32_t scrollX = 0;  // 0 or negative
  int32_t scrollY = 0;

 private:
  void AddLine(int32_t width, int32_t count);

  EditWrap wrap_ = EditWrap::SingleLine;
  bool password_ = false;
  EditMetrics metrics_;
  int32_t lineHeight_ = 0;
  RectF textRect_;
  AsciiAdvance ascii_;
  std::vector<int32_t> lineCounts_;
  std::vector<int32_t> lineStarts_;
  std::vector<int32_t> lineWidths_;
  int32_t contentWidth_ = 0;
  int32_t contentHeight_ = 0;
  std::vector<RectF> charBoxes_;
  int32_t firstBoxIndex_ = 0;
  float firstBoxLineY_ = 0;  // y of the boxes of the first line built
  const int32_t* asciiWidths_ = nullptr;
  // One line: where every so many units the line has come at zero scroll, so
  // the boxes of the part in view are built without walking from the start.
  struct Checkpoint {
    int32_t position;
    int32_t x;
  };
  std::vector<Checkpoint> checkpoints_;
  // x of a position of one line at zero scroll, walked from the checkpoint before it.
  int32_t SingleLineX(std::u16string_view text, int32_t position) const;
  // Advance of the cluster at i, its end in *end.
  int32_t Step(std::u16string_view text, int32_t i, EditBreaks::Cursor& clusters, int32_t* end) const;
};

}  // namespace quillmar
