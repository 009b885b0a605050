#include "ui/edit/edit_model.h"

#include <gtest/gtest.h>

#include <string>

namespace quillmar {
namespace {

EditModel With(std::u16string_view text, int32_t caret, int32_t anchor) {
  EditModel m;
  m.SetText(text);
  m.PlaceCaret(caret, anchor);
  return m;
}

TEST(EditModel, BackspaceAndDeleteTakeWholeLineBreaksSelectionsOrNothing) {
  struct Case {
    std::u16string_view text;
    int32_t caret, anchor;
    bool forward;
    std::u16string_view after;
    int32_t caretAfter;
  };
  const Case cases[] = {
      {u"ab\r\ncd", 4, 4, false, u"abcd", 2},  // Backspace after CR LF removes both
      {u"ab", 0, 0, false, u"ab", 0},          // Backspace at 0: nothing
      {u"abcdef", 4, 1, false, u"aef", 1},     // Backspace with a selection removes only it
      {u"abc", 3, 3, true, u"abc", 3},         // Delete at the end: nothing
      {u"abcdef", 2, 4, true, u"abef", 2},     // Delete with a selection removes only it
      {u"abc", 1, 1, true, u"ac", 1},
      {u"ab\r\ncd", 2, 2, true, u"abcd", 2},  // Delete before a line break joins the lines
  };
  for (const Case& c : cases) {
    EditModel m = With(c.text, c.caret, c.anchor);
    c.forward ? m.DeleteForward() : m.Backspace();
    EXPECT_EQ(m.Text(), c.after) << (c.forward ? "Delete" : "Backspace") << " at " << c.caret;
    EXPECT_EQ(m.Caret(), c.caretAfter);
    EXPECT_EQ(m.Anchor(), c.caretAfter);
  }
  EditModel locked = With(u"ab", 2, 2);
  locked.SetReadOnly(true);
  EXPECT_FALSE(locked.Backspace() || locked.DeleteForward() || locked.TypeChar(u'x'));
  EXPECT_EQ(locked.Text(), u"ab");
}

TEST(EditModel, CaretAndSelectionClampOrIgnoreOutOfRangePositions) {
  EditModel m = With(u"hello", 1, 1);
  EXPECT_TRUE(m.SetCaret(-1));
  EXPECT_EQ(m.Caret(), 5);
  EXPECT_FALSE(m.SetCaret(-2));
  EXPECT_EQ(m.Caret(), 5);
  EXPECT_FALSE(m.SetCaret(99));  // past the end is the end, where it already is
  m.SetCaret(2);
  EXPECT_TRUE(m.SetCaret(99));
  EXPECT_EQ(m.Caret(), 5);

  EXPECT_FALSE(m.SetSelection(3, 3));
  EXPECT_FALSE(m.HasSelection());
  EXPECT_FALSE(m.SetSelection(-2, 3));
  EXPECT_TRUE(m.SetSelection(4, 1));
  EXPECT_EQ(m.Anchor(), 4);
  EXPECT_EQ(m.Caret(), 1);
  EXPECT_EQ(m.SelectedText(), u"ell");
  EXPECT_TRUE(m.SetSelection(2, -1));
  EXPECT_EQ(m.Caret(), 5);

  // Replacing the text clamps a caret that now lies past the end.
  m.ReplaceContent(u"hi");
  EXPECT_EQ(m.Caret(), 2);
  EXPECT_EQ(m.Anchor(), 2);
}

TEST(EditModel, InsertTextWithOrWithoutTerminatorAndAtEveryPosition) {
  EditModel m = With(u"ad", 0, 0);
  m.InsertText(1, std::u16string_view(u"bc\0", 3));
  EXPECT_EQ(m.Text(), u"abcd");
  m.InsertText(-1, u"ef");
  EXPECT_EQ(m.Text(), u"abcdef");
  m.InsertText(-1, std::u16string_view(u"g\0", 2));
  EXPECT_EQ(m.Text(), u"abcdefg");
  m.InsertText(100, u"h");
  EXPECT_EQ(m.Text(), u"abcdefgh");
  EXPECT_FALSE(m.InsertText(-2, u"x"));
  EXPECT_EQ(m.Caret(), 0);  // inserting never moves the caret by itself
  // A NUL inside the inserted units ends them; the text after the insertion point survives.
  m.SetText(u"abc");
  m.InsertText(1, std::u16string_view(u"x\0y", 3));
  EXPECT_EQ(m.Text(), u"axbc");
}

TEST(EditModel, DeleteTextClampsAndIgnoresEmptyRanges) {
  EditModel m = With(u"abcdef", 0, 0);
  m.DeleteText(-5, 2);
  EXPECT_EQ(m.Text(), u"cdef");
  m.DeleteText(2, 100);
  EXPECT_EQ(m.Text(), u"cd");
  m.DeleteText(1, -1);  // a negative count would duplicate text
  EXPECT_EQ(m.Text(), u"cd");
  m.DeleteText(2, 1);
  EXPECT_EQ(m.Text(), u"cd");
  m.DeleteText(0, 0x7FFFFFFF);  // no overflow of position + count
  EXPECT_EQ(m.Text(), u"");
}

TEST(EditModel, SurrogatePairsCountTwoPositionsAndAreNeverSplit) {
  const std::u16string emoji = u"\U0001F600";  // two units
  EditModel m = With(u"a" + emoji + u"b", 0, 0);
  EXPECT_EQ(m.Length(), 4);
  m.SetCaret(2);  // between the halves: moved past the pair
  EXPECT_EQ(m.Caret(), 3);
  EXPECT_TRUE(m.Backspace());
  EXPECT_EQ(m.Text(), u"ab");
  EXPECT_EQ(m.Caret(), 1);

  m.SetText(u"a" + emoji + u"b");
  m.SetCaret(1);
  m.MoveRight();
  EXPECT_EQ(m.Caret(), 3);
  m.MoveLeft();
  EXPECT_EQ(m.Caret(), 1);
  m.DeleteForward();
  EXPECT_EQ(m.Text(), u"ab");
  m.SetText(u"a" + emoji + u"b");
  m.DeleteText(2, 1);  // a range ending inside the pair takes the whole pair
  EXPECT_EQ(m.Text(), u"ab");
}

TEST(EditModel, ArrowsStepOverLineBreakAndCollapseSelection) {
  EditModel m = With(u"ab\r\ncd", 4, 4);
  m.MoveLeft();
  EXPECT_EQ(m.Caret(), 2);
  m.MoveRight();
  EXPECT_EQ(m.Caret(), 4);
  // A lone LF or CR is one step.
  EditModel lone = With(u"a\nb\rc", 2, 2);
  lone.MoveLeft();
  EXPECT_EQ(lone.Caret(), 1);
  lone.PlaceCaret(3, 3);
  lone.MoveRight();
  EXPECT_EQ(lone.Caret(), 4);
  EditModel sel = With(u"abcd", 3, 1);
  sel.MoveLeft();
  EXPECT_EQ(sel.Caret(), 2);
  EXPECT_FALSE(sel.HasSelection());
  EXPECT_FALSE(With(u"ab", 0, 0).MoveLeft() || With(u"ab", 2, 2).MoveRight());
}

TEST(EditModel, SelectAllThenTypingReplacesEverything) {
  EditModel m = With(u"hello", 2, 2);
  m.SelectAll();
  EXPECT_EQ(m.Anchor(), 0);
  EXPECT_EQ(m.Caret(), 5);
  m.TypeChar(u'x');
  EXPECT_EQ(m.Text(), u"x");
  EXPECT_EQ(m.Caret(), 1);
  EXPECT_FALSE(m.TypeChar(27));  // Escape types nothing
  m.InsertAtCaret(u"\r\n");
  EXPECT_EQ(m.Text(), u"x\r\n");
  EXPECT_EQ(m.Caret(), 3);
}

TEST(EditModel, TextPastTheLimitIsRefusedWholeAndLeavesTheModelUnchanged) {
  EditModel m(8);
  m.SetText(u"abcd");
  m.SetCaret(2);
  EXPECT_FALSE(m.InsertAtCaret(u"123456"));
  EXPECT_EQ(m.Text(), u"abcd");
  EXPECT_EQ(m.Caret(), 2);
  EXPECT_TRUE(m.InsertAtCaret(u"1234"));
  EXPECT_EQ(m.Text(), u"ab1234cd");
  m.SetText(u"far too long a text");
  EXPECT_EQ(m.Text(), u"ab1234cd");
}

}  // namespace
}  // namespace quillmar
