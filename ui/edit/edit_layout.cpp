#include "ui/edit/edit_layout.h"

#include <algorithm>

#include "base/text_encoding.h"
#include "ui/edit/edit_breaks.h"

namespace quillmar {
namespace {

constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';

bool IsBreak(char16_t u) { return u == kCr || u == kLf; }

// Units between the checkpoints of a single line.
constexpr int32_t kCheckpointUnits = 2048;

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

int32_t EditLayout::Step(std::u16string_view text, int32_t i, EditBreaks::Cursor& clusters, int32_t* end) const {
  const char16_t c = text[static_cast<size_t>(i)];
  // Plain units (nearly every unit of real text) need neither the engine nor the measuring function.
  if (c != kCr && EditBreaks::Plain(text, i + 1)) {
    *end = i + 1;
    if (IsBreak(c)) return 0;
    if (password_) return metrics_.maskCharWidth;
    if (c > 128) return metrics_.wideCharWidth;
    if (asciiWidths_ != nullptr && asciiWidths_[c] >= 0) return asciiWidths_[c];
  } else {
    *end = clusters.EndOf(i);
  }
  return ClusterAdvance(text, i, *end);
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
  checkpoints_.clear();

  const int32_t n = static_cast<int32_t>(text.size());
  int32_t width = 0;
  int32_t count = 0;
  int32_t caretLine = 0;
  int32_t caretX = 0;
  EditBreaks::Cursor clusters(text);
  if (wrap == EditWrap::SingleLine) {
    for (int32_t i = 0, next = 0; i < n;) {
      if (i >= next) {
        checkpoints_.push_back({i, width});
        next = i + kCheckpointUnits;
      }
      int32_t end = i;
      width += Step(text, i, clusters, &end);
      if (i < caret && caret <= end) caretX = width;
      i = end;
    }
    if (n > 0) AddLine(width, n);
    contentWidth_ = width + 1;
    contentHeight_ = lineHeight_;
    return {static_cast<int32_t>(textRect.x) + caretX, 0};
  }
  for (int32_t i = 0; i < n;) {
    int32_t end = i;
    const int32_t advance = Step(text, i, clusters, &end);
    const char16_t c = text[static_cast<size_t>(i)];
    const int32_t units = end - i;
    if (IsBreak(c)) {
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

  // Room after the widest line for the caret, as scrolling it into view needs.
  const int32_t widest = lineWidths_.empty() ? 0 : *std::max_element(lineWidths_.begin(), lineWidths_.end());
  contentWidth_ = wrap == EditWrap::NoWrap && widest > 0 ? widest + metrics_.wideCharWidth + 1 : widest;
  contentHeight_ = static_cast<int32_t>(lineCounts_.size()) * lineHeight_ + 1;
  return {static_cast<int32_t>(textRect.x) + caretX, static_cast<int32_t>(textRect.y) + caretLine * lineHeight_};
}

int32_t EditLayout::SingleLineX(std::u16string_view text, int32_t position) const {
  auto cp = std::upper_bound(checkpoints_.begin(), checkpoints_.end(), position,
                             [](int32_t p, const Checkpoint& c) { return p < c.position; });
  if (cp == checkpoints_.begin()) return 0;
  --cp;
  EditBreaks::Cursor clusters(text);
  int32_t x = cp->x;
  for (int32_t i = cp->position; i < position;) {
    int32_t end = i;
    x += Step(text, i, clusters, &end);
    i = end;
  }
  return x;
}

bool EditLayout::WalkChange(std::u16string_view text, int32_t caret, int32_t start, int32_t removed, int32_t inserted,
                            Point* caretPoint) {
  // Units past the change whose cluster boundaries it cannot move.
  constexpr int32_t kSettled = 16;
  if (wrap_ != EditWrap::SingleLine || checkpoints_.empty()) return false;
  const int32_t n = static_cast<int32_t>(text.size());
  const int32_t shift = inserted - removed;
  const int32_t oldWidth = contentWidth_ - 1;
  // The last checkpoint before the change, and the first one the change cannot reach.
  size_t k = 0;
  while (k + 1 < checkpoints_.size() && checkpoints_[k + 1].position < start) ++k;
  size_t e = k + 1;
  while (e < checkpoints_.size() && checkpoints_[e].position < start + removed + kSettled) ++e;
  const int32_t oldEnd = e < checkpoints_.size() ? checkpoints_[e].position : n - shift;
  const int32_t oldEndX = e < checkpoints_.size() ? checkpoints_[e].x : oldWidth;
  const int32_t newEnd = oldEnd + shift;
  std::vector<Checkpoint> fresh(checkpoints_.begin(), checkpoints_.begin() + static_cast<std::ptrdiff_t>(k));
  EditBreaks::Cursor clusters(text);
  int32_t x = checkpoints_[k].x;
  int32_t i = checkpoints_[k].position;
  for (int32_t next = i; i < newEnd;) {
    if (i >= next) {
      fresh.push_back({i, x});
      next = i + kCheckpointUnits;
    }
    int32_t end = i;
    x += Step(text, i, clusters, &end);
    i = end;
  }
  if (i != newEnd) return false;  // the change moved a boundary past it
  const int32_t dx = x - oldEndX;
  for (size_t j = e; j < checkpoints_.size(); ++j) {
    fresh.push_back({checkpoints_[j].position + shift, checkpoints_[j].x + dx});
  }
  checkpoints_ = std::move(fresh);
  const int32_t width = oldWidth + dx;
  lineCounts_.clear();
  lineStarts_.clear();
  lineWidths_.clear();
  if (n > 0) AddLine(width, n);
  if (checkpoints_.empty()) checkpoints_.push_back({0, 0});
  contentWidth_ = width + 1;
  contentHeight_ = lineHeight_;
  *caretPoint = {static_cast<int32_t>(textRect_.x) + SingleLineX(text, caret), 0};
  return true;
}

void EditLayout::BuildBoxes(std::u16string_view text) {
  charBoxes_.clear();
  const float lh = static_cast<float>(lineHeight_);
  const int32_t n = static_cast<int32_t>(text.size());
  EditBreaks::Cursor clusters(text);
  // Boxes of text[from, to) from x on row y.
  const auto addRow = [&](int32_t from, int32_t to, float x, float y) {
    for (int32_t i = from; i < to;) {
      int32_t end = i;
      const float advance = static_cast<float>(Step(text, i, clusters, &end));
      end = std::min(end, to);
      charBoxes_.push_back({x, y, advance, lh});
      x += advance;
      for (int32_t k = i + 1; k < end; ++k) charBoxes_.push_back({x, y, 0, lh});
      i = end;
    }
  };
  if (wrap_ == EditWrap::SingleLine) {
    // Only the part in view (and a wide character either side) gets boxes.
    firstBoxLineY_ = LineTop();
    const int32_t margin = 2 * std::max(metrics_.wideCharWidth, 1);
    const int32_t left = -scrollX - margin;
    const int32_t right = -scrollX + static_cast<int32_t>(textRect_.width) + margin;
    auto cp = std::upper_bound(checkpoints_.begin(), checkpoints_.end(), left,
                               [](int32_t x, const Checkpoint& c) { return x < c.x; });
    int32_t i = 0;
    int32_t x = 0;
    if (cp != checkpoints_.begin()) {
      --cp;
      i = std::min(cp->position, n);
      x = cp->x;
    }
    while (i < n) {
      int32_t end = i;
      const int32_t advance = Step(text, i, clusters, &end);
      if (x + advance >= left) break;
      x += advance;
      i = end;
    }
    firstBoxIndex_ = i;
    int32_t to = i;
    for (int32_t at = x; to < n && at <= right;) {
      int32_t end = to;
      at += Step(text, to, clusters, &end);
      to = end;
    }
    addRow(i, to, textRect_.x + static_cast<float>(scrollX + x), firstBoxLineY_);
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
  } else if (rel == 0 && boxes > 0) {
    x = charBoxes_.front().x;
  } else if (rel != 0) {
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
