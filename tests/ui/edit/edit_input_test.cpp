// The edit under the mouse and the clipboard: word and line selection, Shift
// and drags, capture loss, text with LF line breaks, the no-wrap scroll range.
#include <gtest/gtest.h>

#include "tests/ui/edit/edit_fixture.h"

namespace quillmar {
namespace {

// The point inside the box at the middle of the character at position.
Point CharMiddle(EditFixture& e, int32_t position) {
  const Point before = e.edit.PointFromPosition(position);
  const Point after = e.edit.PointFromPosition(position + 1);
  return e.Screen((before.x + after.x) / 2, before.y + 4);
}

TEST(UiEditMouse, DoubleClickWordTripleClickLineShiftClickAndWordDrag) {
  {
    EditFixture e("magnet link\r\nsearch result page", MultiLine(2), 300, 90);
    e.f.headless->DoubleClick(CharMiddle(e, 8));  // in "link"
    EXPECT_EQ(e.Ends(), (std::pair{7, 11}));
    // A third click soon after selects the line.
    e.f.headless->Click(CharMiddle(e, 8));
    EXPECT_EQ(e.Ends(), (std::pair{0, 11}));
    // Shift+click extends from the anchor to the click.
    e.f.headless->Advance(1000);
    e.f.headless->Click(CharMiddle(e, 2));
    e.f.headless->KeyDown(Vk::Shift);
    e.f.headless->Click(CharMiddle(e, 16));
    e.f.headless->KeyUp(Vk::Shift);
    EXPECT_EQ(e.Ends().first, 2);
    EXPECT_EQ(e.Ends().second, 16);
    // A drag after a double click extends by whole words.
    e.f.headless->Advance(1000);
    e.f.headless->Click(CharMiddle(e, 15));
    e.f.headless->MoveMouse(CharMiddle(e, 15));
    e.f.headless->PressButton(ws::MouseButton::Left);  // the second press of a double click
    EXPECT_EQ(e.Ends(), (std::pair{13, 19}));          // "search"
    e.f.headless->MoveMouse(CharMiddle(e, 21));        // into "result"
    EXPECT_EQ(e.Ends(), (std::pair{13, 26}));
    e.f.headless->ReleaseButton(ws::MouseButton::Left);
  }
  EditFixture one("magnet link");
  one.f.headless->DoubleClick(CharMiddle(one, 1));
  EXPECT_EQ(one.Ends(), (std::pair{0, 6}));
  one.f.headless->Click(CharMiddle(one, 1));  // one line: the triple click takes everything
  EXPECT_EQ(one.Ends(), (std::pair{0, 11}));
}

TEST(UiEditMouse, DragBelowTheLastLineSelectsToTheEndAndCaptureLossEndsTheDrag) {
  {
    // Scrolled text: the drag below the area scrolls to the end and selects it.
    EditFixture tall(Lines(30), MultiLine(1), 200, 80);
    tall.f.headless->MoveMouse(tall.Screen(20, 10));
    tall.f.headless->PressButton(ws::MouseButton::Left);
    for (int i = 0; i < 60; ++i) tall.f.headless->MoveMouse(tall.Screen(20, 100 + 20 * i));
    EXPECT_EQ(tall.Ends().second, tall.edit.GetLength());
    tall.f.headless->ReleaseButton(ws::MouseButton::Left);
  }
  EditFixture e("abc\r\ndef\r\ngh", MultiLine(1), 200, 120);  // the text ends well above the bottom
  e.f.headless->MoveMouse(CharMiddle(e, 1));
  e.f.headless->PressButton(ws::MouseButton::Left);
  e.f.headless->MoveMouse(e.Screen(20, 110));
  EXPECT_EQ(e.Ends(), (std::pair{1, 12}));
  e.f.headless->ReleaseButton(ws::MouseButton::Left);
  e.f.headless->Advance(1000);

  // Another window takes the capture in the middle of a drag: the drag is over.
  e.f.headless->MoveMouse(CharMiddle(e, 0));
  e.f.headless->PressButton(ws::MouseButton::Left);
  e.f.headless->MoveMouse(CharMiddle(e, 2));
  EXPECT_EQ(e.Ends(), (std::pair{0, 2}));
  ws::System().ReleaseCapture();
  e.f.headless->MoveMouse(CharMiddle(e, 5));
  EXPECT_EQ(e.Ends(), (std::pair{0, 2}));
  e.f.headless->ReleaseButton(ws::MouseButton::Left);
}

TEST(UiEditMouse, TextWithLfLineBreaksComesInAsLinesAndGoesOutWhole) {
  {
    EditFixture e("", MultiLine(1), 200, 90);
    e.Focus();
    ws::System().SetClipboardText(u"a\nb\nc", "a\nb\nc");
    e.Ctrl('V');
    EXPECT_EQ(e.edit.GetTextWide(), u"a\r\nb\r\nc");
    EXPECT_EQ(e.edit.GetLayout().LineCounts().size(), 3u);
    EXPECT_EQ(e.edit.GetCaret(), 7);
    e.edit.InsertTextWide(0, u"x\ny");
    EXPECT_EQ(e.edit.GetTextWide(), u"x\r\nya\r\nb\r\nc");
    e.edit.SetTextWide(u"p\rq");
    EXPECT_EQ(e.edit.GetTextWide(), u"p\r\nq");
    e.edit.SelectAll();
    e.Ctrl('C');
    EXPECT_EQ(ws::System().ClipboardText(), u"p\r\nq");  // the backend gives the desktop's own break
  }
  // One line keeps its first line, whatever the break.
  EditFixture one("");
  ws::System().SetClipboardText(u"a\nb", "a\nb");
  one.edit.SetTextWide(u"first\nsecond");
  EXPECT_EQ(one.edit.GetTextWide(), u"first");
  one.Focus();
  one.Ctrl('V');
  EXPECT_EQ(one.edit.GetTextWide(), u"afirst");
}

TEST(UiEditMouse, WithoutWrappingTheTextNeverScrollsPastTheBar) {
  EditFixture e(std::string(120, 'w') + "\r\nshort", MultiLine(2), 200, 80);
  e.edit.SetCaret(120);
  e.edit.Layout();
  const EditBar& bar = e.edit.GetHScroll();
  ASSERT_GT(bar.maximum, 0);
  EXPECT_GE(e.edit.GetLayout().scrollX, -bar.maximum);
  EXPECT_EQ(bar.position, -e.edit.GetLayout().scrollX);
  // The caret at the end of the longest line still shows inside the area.
  e.f.Frame();
  const Point caret = e.edit.GetCaretPoint();
  EXPECT_GT(caret.x, 0);
  EXPECT_LE(caret.x, static_cast<int32_t>(e.edit.GetLayout().TextRect().Right()));
  // Touching the bar does not move the text.
  e.edit.GetHScrollBar()->SetPosition(bar.position);
  EXPECT_EQ(e.edit.GetLayout().scrollX, -bar.position);
}

}  // namespace
}  // namespace quillmar
