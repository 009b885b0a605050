#include "ui/edit/edit_layout.h"

#include <algorithm>

#include "base/text_encoding.h"
#include "ui/edit/edit_breaks.h"

namespace quillmar {
namespace {

constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';

bool IsBreak(char16_t u) { return u == kCr || u == kLf; }

}  // namespace

int32_t EditLayout::Advance(char16_t unit) const {
  if (IsBreak(unit) || IsLowSurrogate(unit)) return 0;
  if (password_) return metrics_.maskCharWidth;
  if (unit > 128) return metrics_.wideCharWidth;
  return ascii_ ? ascii_(std::u16string_view(&unit, 1)) : 0;
}

int32_t EditLayout::ClusterAdvance(std::u16string_view text, int32_t start, int32_t end) const {
  const char16_t first = text[static_cast<size_t>(start)];
  if (end - start == 1) return Advance(first);
  if (IsBreak(first)) return 0;
  if (password_) return metrics_.maskCharWidth;
  // One character beyond the basic plane keeps the one width of every wide character.
  if (end - start == 2 && IsHighSurrogate(first)) return metrics_.wideCharWidth;
  return ascii_ ? ascii_(text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start))) : 0;
}

float EditLayout::LineTop() const { return textRect_.y + textRect_.height / 2 - static_cast<float>(lineHeight_) / 2; }

void EditLayout::AddLine(int32_t width, int32_t count) {
  lineStarts_.push_back(lineCounts_.empty() ? 0 : lineStarts_.back() + lineCounts_.back());
  lineWidths_.push_back(width);
  lineCounts_.push_back(count);
}

Point EditLayout::Walk(std::u16string_view text, int32_t caret, EditWrap wrap, bool password,
                       const EditMetrics& metrics, const RectF& textRect, const AsciiAdvance& ascii) {
  wrap_ = wrap;
  password_ = password;
  metrics_ = metrics;
  if (wrap == EditWrap::SingleLine) metrics_.lineGapAbove = metrics_.lineGapBelow = 0;
  lineHeight_ = metrics_.LineHeight();
  textRect_ = textRect;
  ascii_ = ascii;
  lineCounts_.clear();
  lineStarts_.clear();
  lineWidths_.clear();

  const int32_t n = static_cast<int32_t>(text.size());
  int32_t width = 0;
  int32_t count = 0;
  int32_t caretLine = 0;
  int32_t caretX = 0;
  EditBreaks::Cursor clusters(text);
  for (int32_t i = 0; i < n;) {
    const int32_t end = clusters.EndOf(i);
    const char16_t c = text[static_cast<size_t>(i)];
    const int32_t units = end - i;
    const int32_t advance = ClusterAdvance(text, i, end);
    if (wrap == EditWrap::SingleLine) {
      width += advance;
      count += units;
    } else if (IsBreak(c)) {
      // The break opens the next line and belongs to it.
      AddLine(width, count);
      width = 0;
      count = units;
    } else if (wrap == EditWrap::Wrap && advance > 0 && width > 0 && width + advance >= textRect.width) {
      // A cluster that does not fit opens the next line; one wider than the
      // area still sits alone on its line rather than leaving an empty one.
      AddLine(width, count);
      width = advance;
      count = units;
    } else {
      width += advance;
      count += units;
    }
    if (i < caret && caret <= end) {
      caretLine = static_cast<int32_t>(lineCounts_.size());
      caretX = IsBreak(c) ? 0 : width;
    }
    i = end;
  }
  if (n > 0) AddLine(width, count);

  if (wrap == EditWrap::SingleLine) {
    contentWidth_ = width + 1;
    contentHeight_ = lineHeight_;
    return {static_cast<int32_t>(textRect.x) + caretX, 0};
  }
  // Room after the widest line for the caret, as scrolling it into view needs.
  const int32_t widest = lineWidths_.empty() ? 0 : *std::max_element(lineWidths_.begin(), lineWidths_.end());
  contentWidth_ = wrap == EditWrap::NoWrap && widest > 0 ? widest + metrics_.wideCharWidth + 1 : widest;
  contentHeight_ = static_cast<int32_t>(lineCounts_.size()) * lineHeight_ + 1;
  return {static_cast<int32_t>(textRect.x) + caretX, static_cast<int32_t>(textRect.y) + caretLine * lineHeight_};
}

void EditLayout::BuildBoxes(std::u16string_view text) {
  charBoxes_.clear();
  const float lh = static_cast<float>(lineHeight_);
  const int32_t n = static_cast<int32_t>(text.size());
  EditBreaks::Cursor clusters(text);
  // Boxes of text[from, to) from x on row y.
  const auto addRow = [&](int32_t from, int32_t to, float x, float y) {
    for (int32_t i = from; i < to;) {
      const int32_t end = std::min(clusters.EndOf(i), to);
      const float advance = static_cast<float>(ClusterAdvance(text, i, end));
      charBoxes_.push_back({x, y, advance, lh});
      x += advance;
      for (int32_t k = i + 1; k < end; ++k) charBoxes_.push_back({x, y, 0, lh});
      i = end;
    }
  };
  if (wrap_ == EditWrap::SingleLine) {
    firstBoxIndex_ = 0;
    firstBoxLineY_ = LineTop();
    charBoxes_.reserve(text.size());
    addRow(0, n, textRect_.x + static_cast<float>(scrollX), firstBoxLineY_);
    return;
  }
  const float gapAbove = static_cast<float>(metrics_.lineGapAbove);
  float y = textRect_.y + static_cast<float>(scrollY) + gapAbove;
  int32_t pos = 0;
  bool first = true;
  firstBoxIndex_ = 0;
  firstBoxLineY_ = y;
  for (int32_t count : lineCounts_) {
    const float rowTop = y - gapAbove;
    if (rowTop >= textRect_.y + textRect_.height) break;  // below the area: never drawn
    if (rowTop + lh > textRect_.y) {
      if (first) {
        firstBoxIndex_ = pos;
        firstBoxLineY_ = y;
        first = false;
      }
      addRow(pos, std::min(pos + count, n), textRect_.x + static_cast<float>(scrollX), y);
    } else if (first) {
      firstBoxIndex_ = pos + count;
      firstBoxLineY_ = y + lh;
    }
    pos += count;
    y += lh;
  }
}

int32_t EditLayout::LineOf(int32_t position) const {
  if (position <= 0 || lineStarts_.empty()) return 0;
  // The unit before the position decides: a line's break belongs to the line it opens.
  const auto it = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), position - 1);
  return static_cast<int32_t>(it - lineStarts_.begin()) - 1;
}

int32_t EditLayout::LineStart(std::u16string_view text, int32_t line) const {
  if (line < 0 || line >= static_cast<int32_t>(lineStarts_.size())) return 0;
  size_t s = static_cast<size_t>(lineStarts_[static_cast<size_t>(line)]);
  if (s < text.size() && text[s] == kCr) ++s;
  if (s < text.size() && text[s] == kLf) ++s;
  return static_cast<int32_t>(s);
}

int32_t EditLayout::LineEnd(std::u16string_view text, int32_t line) const {
  const size_t next = static_cast<size_t>(line) + 1;
  return next < lineStarts_.size() ? lineStarts_[next] : static_cast<int32_t>(text.size());
}

int32_t EditLayout::XInLine(std::u16string_view text, int32_t position) const {
  const int32_t line = LineOf(position);
  EditBreaks::Cursor clusters(text);
  int32_t x = 0;
  for (int32_t i = LineStart(text, line); i < position;) {
    const int32_t end = clusters.EndOf(i);
    x += ClusterAdvance(text, i, end);
    i = end;
  }
  return x;
}

int32_t EditLayout::PositionInLine(std::u16string_view text, int32_t line, int32_t x) const {
  const int32_t last = LineEnd(text, line);
  EditBreaks::Cursor clusters(text);
  int32_t at = 0;
  for (int32_t i = LineStart(text, line); i < last;) {
    const int32_t end = clusters.EndOf(i);
    const int32_t advance = ClusterAdvance(text, i, end);
    if (x <= at + advance / 2) return i;
    at += advance;
    i = end;
  }
  return last;
}

void EditLayout::ScrollCaretIntoView(Point caret) {
  const double tx = textRect_.x, ty = textRect_.y, tw = textRect_.width, th = textRect_.height;
  const double cw = metrics_.wideCharWidth;
  const double lh = lineHeight_;
  const double contentW = contentWidth_, contentH = contentHeight_;
  const auto below = [](double a, double b) { return a < b && !NearlyEqual(a, b); };
  const auto atLeast = [&below](double a, double b) { return !below(a, b); };

  const double ex = caret.x + scrollX;
  if (below(ex, tx)) {
    scrollX = std::min(static_cast<int32_t>(cw - caret.x), 0);
  } else if (atLeast(ex, tx + tw)) {
    scrollX = static_cast<int32_t>(tw - caret.x - cw);
  } else if (below(scrollX + contentW, tw) && atLeast(contentW, tw)) {
    scrollX = static_cast<int32_t>(tw - contentW - 1);
  }
  // A text that fits is never left partly scrolled out.
  if (below(contentW, tw)) scrollX = 0;
  // Without wrapping the horizontal bar shows the scroll: never past its end.
  if (wrap_ == EditWrap::NoWrap) scrollX = std::max(scrollX, -std::max(contentWidth_ - static_cast<int32_t>(tw), 0));

  const double ey = caret.y + scrollY;
  if (below(ey, ty)) {
    scrollY = std::min(static_cast<int32_t>(lh - caret.y), 0);
  } else if (atLeast(ey + lh, ty + th)) {
    scrollY = static_cast<int32_t>(th - caret.y - lh);
  } else if (below(scrollY + contentH, th) && atLeast(contentH, th)) {
    scrollY = static_cast<int32_t>(th - contentH);
  }
  if (below(contentH, th)) scrollY = 0;
}

Point EditLayout::PointFromPosition(int32_t position) const {
  const int32_t rel = position - firstBoxIndex_;
  const int32_t boxes = static_cast<int32_t>(charBoxes_.size());
  float x = textRect_.x + static_cast<float>(scrollX);
  float y = firstBoxLineY_;
  if (rel >= 1 && rel <= boxes) {
    const RectF& b = charBoxes_[static_cast<size_t>(rel - 1)];
    x = b.Right();
    y = b.y;
  } else if (rel != 0 && MultiLine()) {
    return kNoPoint;
  }
  Point p{static_cast<int32_t>(x), static_cast<int32_t>(y)};
  if (p.x != static_cast<int32_t>(textRect_.x)) p.x += metrics_.glyphLead / 2;
  return p;
}

int32_t EditLayout::PositionFromPoint(float x, float y, Point* outPoint) const {
  const float gapAbove = static_cast<float>(metrics_.lineGapAbove);
  const float lh = static_cast<float>(lineHeight_);
  const bool multi = MultiLine();
  float outX = textRect_.x + static_cast<float>(scrollX);
  float outY = firstBoxLineY_;
  int32_t result = firstBoxIndex_;
  for (size_t i = 0; i < charBoxes_.size(); ++i) {
    const RectF& b = charBoxes_[i];
    const float rowTop = b.y - gapAbove;
    if (rowTop > y) break;
    // Rows do not overlap: a point belongs to the one row whose band holds it.
    if (y >= rowTop + lh) continue;
    const int32_t index = firstBoxIndex_ + static_cast<int32_t>(i);
    if (multi) outY = b.y;
    if (b.width == 0) {
      result = index + 1;
      outX = b.x;
      continue;
    }
    if (x <= b.x + b.width / 2) {
      result = index;
      outX = b.x;
      break;
    }
    result = index + 1;
    outX = b.Right();
  }
  Point p{static_cast<int32_t>(outX), static_cast<int32_t>(outY)};
  if (p.x != static_cast<int32_t>(textRect_.x)) p.x += metrics_.glyphLead / 2;
  if (outPoint) *outPoint = p;
  return result;
}

}  // namespace quillmar
