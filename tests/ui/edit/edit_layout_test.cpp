#include "ui/edit/edit_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace quillmar {
namespace {

// Every ASCII character 6 pixels wide, wide ones 12, lines 14 + 2 + 2.
EditMetrics Metrics() {
  EditMetrics m;
  m.wideCharWidth = 12;
  m.maskCharWidth = 7;
  m.glyphHeight = 14;
  m.glyphLead = 1;
  return m;
}

constexpr RectF kArea{1, 1, 100, 54};  // three lines of 18

EditLayout Laid(std::u16string_view text, EditWrap wrap, int32_t caret = 0, bool password = false, RectF area = kArea) {
  EditLayout l;
  const Point c = l.Walk(text, caret, wrap, password, Metrics(), area, [](std::u16string_view) { return 6; });
  l.ScrollCaretIntoView(c);
  l.BuildBoxes(text);
  return l;
}

TEST(EditLayout, LinesBreakAtCrLfAndWrapAtTheAreaWidth) {
  const EditLayout l = Laid(u"ab\r\ncd", EditWrap::NoWrap);
  EXPECT_EQ(l.LineCounts(), (std::vector<int32_t>{2, 4}));
  EXPECT_EQ(l.LineWidths(), (std::vector<int32_t>{12, 12}));
  EXPECT_EQ(l.ContentHeight(), 2 * 18 + 1);
  // CR and LF open the second line with zero-width boxes at its start.
  ASSERT_EQ(l.Boxes().size(), 6u);
  EXPECT_EQ(l.Boxes()[2].x, 1);
  EXPECT_EQ(l.Boxes()[2].width, 0);
  EXPECT_EQ(l.Boxes()[4].x, 1);
  EXPECT_EQ(l.Boxes()[4].y, 1 + 18 + 2);

  // 17 characters of 6 pixels: 16 fit in 100 (96 + 6 >= 100 wraps the 17th).
  const EditLayout w = Laid(std::u16string(17, u'x'), EditWrap::Wrap);
  EXPECT_EQ(w.LineCounts(), (std::vector<int32_t>{16, 1}));
  // A character wider than the area sits alone on its line, never after an empty one.
  const EditLayout narrow = Laid(u"\u6211\u6211", EditWrap::Wrap, 0, false, {1, 1, 10, 54});
  EXPECT_EQ(narrow.LineCounts(), (std::vector<int32_t>{1, 1}));
  const EditLayout nowrap = Laid(std::u16string(17, u'x'), EditWrap::NoWrap);
  EXPECT_EQ(nowrap.LineCounts(), (std::vector<int32_t>{17}));
  EXPECT_EQ(nowrap.ContentWidth(), 102 + 12 + 1);  // room for the caret after the widest line
}

TEST(EditLayout, AdvancesOfWideMaskedAndPairedCharacters) {
  const std::u16string text = u"a\u6211\U0001F600\r\nb";
  const EditLayout plain = Laid(text, EditWrap::NoWrap);
  ASSERT_EQ(plain.Boxes().size(), 7u);
  EXPECT_EQ(plain.Boxes()[0].width, 6);
  EXPECT_EQ(plain.Boxes()[1].width, 12);
  EXPECT_EQ(plain.Boxes()[2].width, 12);  // the pair's first half carries its advance
  EXPECT_EQ(plain.Boxes()[3].width, 0);
  const EditLayout masked = Laid(text, EditWrap::NoWrap, 0, true);
  EXPECT_EQ(masked.LineWidths(), (std::vector<int32_t>{21, 7}));
  EXPECT_EQ(masked.Boxes()[4].width, 0);  // CR and LF are not masked
  EXPECT_EQ(masked.Boxes()[5].width, 0);
}

TEST(EditLayout, ClicksLandBeforeOrAfterTheNearestCharacterOfTheirRow) {
  const EditLayout l = Laid(u"abc\r\nde\r\n\r\nf", EditWrap::NoWrap);
  Point at;
  // Exactly on the middle of "b" (x 7..13): before it.
  EXPECT_EQ(l.PositionFromPoint(10, 5, &at), 1);
  EXPECT_EQ(at, (Point{7, 3}));
  EXPECT_EQ(l.PositionFromPoint(11, 5, &at), 2);
  // Right of a row's last character: after it, not on the next row.
  EXPECT_EQ(l.PositionFromPoint(90, 5, &at), 3);
  EXPECT_EQ(l.PositionFromPoint(90, 25, &at), 7);
  // Left of the text on the second row: its start, not the start of the text.
  EXPECT_EQ(l.PositionFromPoint(0, 25, &at), 5);
  // An empty row: after its line break.
  EXPECT_EQ(l.PositionFromPoint(50, 40, &at), 9);
  EXPECT_EQ(at.y, 1 + 36 + 2);
  // The last pixel row of the first line belongs to it, the next one to the second.
  EXPECT_EQ(l.PositionFromPoint(90, 18, &at), 3);
  EXPECT_EQ(l.PositionFromPoint(90, 19, &at), 7);

  const EditLayout one = Laid(u"abc", EditWrap::SingleLine);
  EXPECT_EQ(one.PositionFromPoint(17, one.LineTop() + 3, &at), 3);
  EXPECT_EQ(one.PositionFromPoint(17, one.LineTop() - 1, &at), 0);  // outside the row band
}

TEST(EditLayout, CaretPointFollowsBoxesAndIsOffWhenScrolledOut) {
  std::u16string text;
  for (int i = 0; i < 6; ++i) text += u"line\r\n";
  EditLayout l = Laid(text, EditWrap::NoWrap, static_cast<int32_t>(text.size()));
  // The caret on the seventh line scrolled the view down so that line shows.
  EXPECT_LT(l.scrollY, 0);
  const Point end = l.PointFromPosition(static_cast<int32_t>(text.size()));
  EXPECT_GE(end.y, kArea.y);
  EXPECT_LT(end.y + 14, kArea.Bottom());
  EXPECT_EQ(l.PointFromPosition(2), EditLayout::kNoPoint);  // first line is above the area
  EXPECT_GT(l.FirstBoxIndex(), 0);

  const EditLayout top = Laid(text, EditWrap::NoWrap, 0);
  EXPECT_EQ(top.PointFromPosition(0), (Point{1, 3}));
  EXPECT_EQ(top.PointFromPosition(2), (Point{13, 3}));  // right edge of "i" (1 + 12)
  EXPECT_EQ(top.PointFromPosition(static_cast<int32_t>(text.size())), EditLayout::kNoPoint);  // below
}

TEST(EditLayout, HorizontalScrollKeepsTheCaretInViewAndNeverHidesAFittingText) {
  const std::u16string longText(40, u'x');  // 240 pixels in a 100-pixel area
  EditLayout l = Laid(longText, EditWrap::SingleLine, 40);
  EXPECT_EQ(l.scrollX, static_cast<int32_t>(100 - (1 + 240) - 12));
  const Point end = l.PointFromPosition(40);
  EXPECT_LE(end.x, 101);
  EXPECT_GE(end.x, 1);
  // Back to the start: the caret at 0 scrolls fully left.
  const Point start =
      l.Walk(longText, 0, EditWrap::SingleLine, false, Metrics(), kArea, [](std::u16string_view) { return 6; });
  l.ScrollCaretIntoView(start);
  EXPECT_EQ(l.scrollX, 0);
  // A scrolled view whose text now fits returns to 0.
  l.scrollX = -30;
  l.ScrollCaretIntoView(
      l.Walk(u"abc", 3, EditWrap::SingleLine, false, Metrics(), kArea, [](std::u16string_view) { return 6; }));
  EXPECT_EQ(l.scrollX, 0);
}

TEST(EditLayout, AChangeInALongLineWalkedAloneMatchesAWalkOfTheWholeLine) {
  // Widths differ by character, so a wrong shift shows.
  const auto width = [](std::u16string_view c) { return c.size() == 1 ? 3 + c[0] % 5 : 9; };
  std::u16string base;
  for (int i = 0; i < 9000; ++i) base += static_cast<char16_t>(u'a' + i % 26);
  struct Change {
    int32_t start, removed;
    std::u16string inserted;
  };
  const Change changes[] = {
      {4500, 0, u"x"},                         // one typed key in the middle
      {9000, 0, u"yz"},                        // at the end
      {10, 3, u""},                            // a delete near the start
      {2040, 20, std::u16string(5000, u'q')},  // a paste across checkpoints
      {6000, 0, u"\u0301"},                    // a combining mark joins the letter before it
      {0, 9000, u"short"},                     // everything replaced
  };
  for (const Change& c : changes) {
    EditLayout incremental;
    incremental.Walk(base, 0, EditWrap::SingleLine, false, Metrics(), kArea, width);
    std::u16string text = base;
    text.replace(static_cast<size_t>(c.start), static_cast<size_t>(c.removed), c.inserted);
    const int32_t caret = c.start + static_cast<int32_t>(c.inserted.size());
    Point walked;
    ASSERT_TRUE(
        incremental.WalkChange(text, caret, c.start, c.removed, static_cast<int32_t>(c.inserted.size()), &walked));
    EditLayout whole;
    const Point expected = whole.Walk(text, caret, EditWrap::SingleLine, false, Metrics(), kArea, width);
    EXPECT_EQ(incremental.ContentWidth(), whole.ContentWidth()) << c.start;
    EXPECT_EQ(walked, expected) << c.start;
    EXPECT_EQ(incremental.LineCounts(), whole.LineCounts()) << c.start;
    // The boxes of the part in view, scrolled to the caret, match too.
    incremental.ScrollCaretIntoView(walked);
    whole.ScrollCaretIntoView(expected);
    incremental.BuildBoxes(text);
    whole.BuildBoxes(text);
    EXPECT_EQ(incremental.FirstBoxIndex(), whole.FirstBoxIndex()) << c.start;
    ASSERT_EQ(incremental.Boxes().size(), whole.Boxes().size()) << c.start;
    for (size_t k = 0; k < whole.Boxes().size(); ++k) EXPECT_EQ(incremental.Boxes()[k].x, whole.Boxes()[k].x);
  }
}

}  // namespace
}  // namespace quillmar
