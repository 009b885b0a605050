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

TEST(EditModel, LineBreaksOfEveryKindComeInAsCrLf) {
  EXPECT_EQ(EditModel::WithCrLf(u"a\nb\r\nc\rd\n\n"), u"a\r\nb\r\nc\r\nd\r\n\r\n");
  EXPECT_EQ(EditModel::WithCrLf(u"plain"), u"plain");
}

TEST(EditModel, ClustersAreOneStepForCaretBackspaceAndDelete) {
  // e with a combining acute; a family joined by ZWJ; a flag of two regional indicators.
  const std::u16string accent = u"e\u0301";
  const std::u16string family = u"\U0001F468\u200D\U0001F469\u200D\U0001F467";
  const std::u16string flag = u"\U0001F1E8\U0001F1F3";
  for (const std::u16string& cluster : {accent, family, flag}) {
    const std::u16string text = u"a" + cluster + u"b";
    const int32_t end = 1 + static_cast<int32_t>(cluster.size());
    EditModel m = With(text, 1, 1);
    EXPECT_TRUE(m.MoveRight());
    EXPECT_EQ(m.Caret(), end) << "right over the cluster";
    EXPECT_TRUE(m.MoveLeft());
    EXPECT_EQ(m.Caret(), 1);
    m.PlaceCaret(2, 2);  // inside the cluster: moved past it
    EXPECT_EQ(m.Caret(), end);
    EXPECT_TRUE(m.MoveRight(true));
    EXPECT_EQ(m.Anchor(), end);
    EXPECT_EQ(m.Caret(), end + 1);
    m.PlaceCaret(end, end);
    EXPECT_TRUE(m.Backspace());
    EXPECT_EQ(m.Text(), u"ab");
    EXPECT_EQ(m.Caret(), 1);
    EditModel d = With(text, 1, 1);
    EXPECT_TRUE(d.DeleteForward());
    EXPECT_EQ(d.Text(), u"ab");
    // Inserting inside a cluster lands after it; deleting part of one takes it whole.
    EditModel i = With(text, 0, 0);
    i.InsertText(2, u"x");
    EXPECT_EQ(i.Text(), u"a" + cluster + u"xb");
    i.DeleteText(2, 1);
    EXPECT_EQ(i.Text(), u"axb");
  }
}

TEST(EditModel, WordsForCtrlArrowsAndCtrlDeletes) {
  EditModel m = With(u"magnet link, search", 0, 0);
  m.MoveWordRight(false);
  EXPECT_EQ(m.Caret(), 6);
  m.MoveWordRight(true);
  EXPECT_EQ(m.Caret(), 11);
  EXPECT_EQ(m.Anchor(), 6);
  m.MoveWordLeft(false);
  EXPECT_EQ(m.Caret(), 7);
  m.PlaceCaret(19, 19);
  EXPECT_TRUE(m.DeleteWordBack());
  EXPECT_EQ(m.Text(), u"magnet link, ");
  m.PlaceCaret(6, 6);
  EXPECT_TRUE(m.DeleteWordForward());
  EXPECT_EQ(m.Text(), u"magnet, ");
  EXPECT_EQ(m.Caret(), 6);
}

TEST(EditModel, UndoGroupsOneTypedRunAndRestoresSelections) {
  EditModel m = With(u"", 0, 0);
  for (char16_t c : std::u16string_view(u"abc")) m.TypeChar(c);
  m.MoveLeft();  // the caret moved: the next typing is a step of its own
  m.TypeChar(u'X');
  EXPECT_EQ(m.Text(), u"abXc");
  EXPECT_EQ(m.History().UndoCount(), 2u);
  EXPECT_TRUE(m.Undo());
  EXPECT_EQ(m.Text(), u"abc");
  EXPECT_EQ(m.Caret(), 2);
  EXPECT_TRUE(m.Undo());
  EXPECT_EQ(m.Text(), u"");
  EXPECT_FALSE(m.Undo());
  EXPECT_TRUE(m.Redo());
  EXPECT_TRUE(m.Redo());
  EXPECT_EQ(m.Text(), u"abXc");
  EXPECT_FALSE(m.Redo());
  // Replacing a selection undoes to the selection as it was.
  m.PlaceCaret(3, 1);
  m.InsertAtCaret(u"--");
  EXPECT_EQ(m.Text(), u"a--c");
  m.Undo();
  EXPECT_EQ(m.Text(), u"abXc");
  EXPECT_EQ(m.Anchor(), 1);
  EXPECT_EQ(m.Caret(), 3);
  // A new edit forgets what could be redone; setting the text forgets everything.
  m.Backspace();
  EXPECT_EQ(m.History().RedoCount(), 0u);
  m.SetText(u"new");
  EXPECT_EQ(m.History().UndoCount(), 0u);
  EXPECT_FALSE(m.Undo());
}

TEST(EditHistory, BoundedByStepsAndBytesDroppingTheOldestFirst) {
  EditHistory h(3, 40);
  const auto step = [](int32_t pos, std::u16string inserted) {
    EditStep s;
    s.position = pos;
    s.inserted = std::move(inserted);
    return s;
  };
  for (int i = 0; i < 5; ++i) h.Record(step(i, u"x"));
  EXPECT_EQ(h.UndoCount(), 3u);
  EXPECT_EQ(h.TakeUndo()->position, 4);
  h.Record(step(9, std::u16string(20, u'y')));  // 40 bytes: the older steps make room
  EXPECT_EQ(h.UndoCount(), 1u);
  EXPECT_LE(h.Bytes(), 40u);
  h.Record(step(0, std::u16string(25, u'z')));  // larger than the whole bound: nothing kept
  EXPECT_EQ(h.UndoCount(), 0u);
  EXPECT_EQ(h.Bytes(), 0u);
}

}  // namespace
}  // namespace quillmar
