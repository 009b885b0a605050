#include "ui/edit/edit_layout.h"

#include <algorithm>

#include "base/text_encoding.h"

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
  return ascii_ ? ascii_(unit) : 0;
}

float EditLayout::LineTop() const { return textRect_.y + textRect_.height / 2 - static_cast<float>(lineHeight_) / 2; }

void EditLayout::AddLine(int32_t width, int32_t count) {
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
  lineWidths_.clear();

  const int32_t n = static_cast<int32_t>(text.size());
  int32_t width = 0;
  int32_t count = 0;
  int32_t caretLine = 0;
  int32_t caretX = 0;
  for (int32_t i = 0; i < n; ++i) {
    const char16_t c = text[static_cast<size_t>(i)];
    const int32_t advance = Advance(c);
    if (wrap == EditWrap::SingleLine) {
      width += advance;
      ++count;
    } else if (c == kCr) {
      AddLine(width, count);
      width = 0;
      count = 1;
    } else if (c == kLf) {
      width = 0;
      ++count;
    } else if (wrap == EditWrap::Wrap && advance > 0 && width > 0 && width + advance >= textRect.width) {
      // A character that does not fit opens the next line; one wider than the
      // area still sits alone on its line rather than leaving an empty one.
      AddLine(width, count);
      width = advance;
      count = 1;
    } else {
      width += advance;
      ++count;
    }
    if (i == caret - 1) {
      caretLine = static_cast<int32_t>(lineCounts_.size());
      caretX = IsBreak(c) ? 0 : width;
    }
  }
  if (n > 0) AddLine(width, count);

  if (wrap == EditWrap::SingleLine) {
    contentWidth_ = width + 1;
    contentHeight_ = lineHeight_;
    return {static_cast<int32_t>(textRect.x) + caretX, 0};
  }
  contentWidth_ = lineWidths_.empty() ? 0 : *std::max_element(lineWidths_.begin(), lineWidths_.end());
  contentHeight_ = static_cast<int32_t>(lineCounts_.size()) * lineHeight_ + 1;
  return {static_cast<int32_t>(textRect.x) + caretX, static_cast<int32_t>(textRect.y) + caretLine * lineHeight_};
}

void EditLayout::BuildBoxes(std::u16string_view text) {
  charBoxes_.clear();
  const float lh = static_cast<float>(lineHeight_);
  const size_t n = text.size();
  if (wrap_ == EditWrap::SingleLine) {
    firstBoxIndex_ = 0;
    firstBoxLineY_ = LineTop();
    float x = textRect_.x + static_cast<float>(scrollX);
    charBoxes_.reserve(n);
    for (char16_t c : text) {
      const float advance = static_cast<float>(Advance(c));
      charBoxes_.push_back({x, firstBoxLineY_, advance, lh});
      x += advance;
    }
    return;
  }
  const float gapAbove = static_cast<float>(metrics_.lineGapAbove);
  float y = textRect_.y + static_cast<float>(scrollY) + gapAbove;
  size_t pos = 0;
  bool first = true;
  firstBoxIndex_ = 0;
  firstBoxLineY_ = y;
  for (int32_t count : lineCounts_) {
    const float rowTop = y - gapAbove;
    if (rowTop >= textRect_.y + textRect_.height) break;  // below the area: never drawn
    if (rowTop + lh > textRect_.y) {
      if (first) {
        firstBoxIndex_ = static_cast<int32_t>(pos);
        firstBoxLineY_ = y;
        first = false;
      }
      float x = textRect_.x + static_cast<float>(scrollX);
      for (size_t k = pos; k < std::min(pos + static_cast<size_t>(count), n); ++k) {
        const float advance = static_cast<float>(Advance(text[k]));
        charBoxes_.push_back({x, y, advance, lh});
        x += advance;
      }
    } else if (first) {
      firstBoxIndex_ = static_cast<int32_t>(pos) + count;
      firstBoxLineY_ = y + lh;
    }
    pos += static_cast<size_t>(count);
    y += lh;
  }
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
