// The edit's keys as a person presses them: moving, extending, word steps,
// the column kept across lines, word deletes and undo.
#include <gtest/gtest.h>

#include "tests/ui/edit/edit_fixture.h"

namespace quillmar {
namespace {

// "one two" / "three four five" / "six": line starts 0, 9 and 26; the length is 29.
constexpr std::string_view kText = "one two\r\nthree four five\r\nsix";

TEST(UiEditKeys, MovingAndExtendingByClusterWordLineAndText) {
  struct Press {
    int vk;
    bool ctrl = false, shift = false;
  };
  struct Case {
    const char* what;
    int32_t anchor, caret;  // before
    std::vector<Press> keys;
    int32_t anchorAfter, caretAfter;
  };
  const Case cases[] = {
      {"Home", 12, 12, {{Vk::Home}}, 9, 9},
      {"End", 12, 12, {{Vk::End}}, 24, 24},
      {"Shift+End", 12, 12, {{Vk::End, false, true}}, 12, 24},
      {"Shift+Home", 12, 12, {{Vk::Home, false, true}}, 12, 9},
      {"Ctrl+Home", 12, 12, {{Vk::Home, true}}, 0, 0},
      {"Ctrl+End", 12, 12, {{Vk::End, true}}, 29, 29},
      {"Ctrl+Shift+End", 12, 12, {{Vk::End, true, true}}, 12, 29},
      {"Shift+Right twice", 3, 3, {{Vk::Right, false, true}, {Vk::Right, false, true}}, 3, 5},
      {"Shift+Left", 3, 3, {{Vk::Left, false, true}}, 3, 2},
      {"Shift+Right over a line break", 7, 7, {{Vk::Right, false, true}}, 7, 9},
      {"Right collapses at the caret", 3, 5, {{Vk::Right}}, 6, 6},
      {"Ctrl+Right to the end of the word", 0, 0, {{Vk::Right, true}}, 3, 3},
      {"Ctrl+Right to the next line's word", 7, 7, {{Vk::Right, true}}, 14, 14},
      {"Ctrl+Left to the start of the word", 7, 7, {{Vk::Left, true}}, 4, 4},
      {"Ctrl+Shift+Left", 7, 7, {{Vk::Left, true, true}}, 7, 4},
      {"Down then Up keeps the column", 23, 23, {{Vk::Down}, {Vk::Up}}, 23, 23},
      {"Down to a shorter line", 23, 23, {{Vk::Down}}, 29, 29},
      {"Shift+Down", 1, 1, {{Vk::Down, false, true}}, 1, 10},
      {"Up on the first line", 2, 2, {{Vk::Up}}, 0, 0},
      {"Shift+PageDown", 0, 0, {{Vk::Next, false, true}}, 0, 26},
      {"PageUp", 26, 26, {{Vk::Prior}}, 0, 0},
  };
  {
    EditFixture e(kText, MultiLine(2), 300, 90);
    e.Focus();
    for (const Case& c : cases) {
      c.anchor == c.caret ? e.edit.SetCaret(c.caret) : e.edit.SetSelection(c.anchor, c.caret);
      for (const Press& p : c.keys) e.Key(p.vk, p.ctrl, p.shift);
      EXPECT_EQ(e.Ends(), (std::pair{c.anchorAfter, c.caretAfter})) << c.what;
    }
    EXPECT_EQ(e.edit.GetTextWide(), u"one two\r\nthree four five\r\nsix");
  }
  // One line: Home and End go to its ends, Up and Down too.
  EditFixture one("magnet link");
  one.Focus();
  one.edit.SetCaret(3);
  one.Key(Vk::End, false, true);
  EXPECT_EQ(one.Ends(), (std::pair{3, 11}));
  one.Key(Vk::Home, false, false);
  EXPECT_EQ(one.Ends(), (std::pair{0, 0}));
  one.Key(Vk::Down, false, false);
  EXPECT_EQ(one.edit.GetCaret(), 11);
}

TEST(UiEditKeys, CtrlBackspaceAndDeleteTakeWordsAndCtrlZYUndoAndRedo) {
  EditFixture e("magnet link search");
  e.Focus();
  e.edit.SetCaret(11);
  e.Key(Vk::Back, true, false);
  EXPECT_EQ(e.edit.GetTextWide(), u"magnet  search");
  e.Key(Vk::Delete, true, false);
  EXPECT_EQ(e.edit.GetTextWide(), u"magnet ");
  e.Ctrl('Z');
  e.Ctrl('Z');
  EXPECT_EQ(e.edit.GetTextWide(), u"magnet link search");
  EXPECT_EQ(e.edit.GetCaret(), 11);

  // Typing of one run is one step; a caret move starts the next.
  e.edit.SetText("x");
  e.Ctrl('Z');  // the program's text has no history
  EXPECT_EQ(e.edit.GetTextWide(), u"x");
  e.f.headless->PressKey(Vk::End);
  e.f.headless->TypeText("abc");
  e.f.headless->PressKey(Vk::Left);
  e.f.headless->TypeText("Z");
  EXPECT_EQ(e.edit.GetTextWide(), u"xabZc");
  e.Ctrl('Z');
  EXPECT_EQ(e.edit.GetTextWide(), u"xabc");
  e.Ctrl('Z');
  EXPECT_EQ(e.edit.GetTextWide(), u"x");
  e.Ctrl('Y');
  EXPECT_EQ(e.edit.GetTextWide(), u"xabc");
  e.Key('Z', true, true);
  EXPECT_EQ(e.edit.GetTextWide(), u"xabZc");
  EXPECT_EQ(e.edit.GetCaret(), 4);
  // A paste is one step, and its undo brings back the selection it replaced.
  ws::System().SetClipboardText(u"PASTE", "PASTE");
  e.edit.SetSelection(1, 3);
  e.Ctrl('V');
  EXPECT_EQ(e.edit.GetTextWide(), u"xPASTEZc");
  e.Ctrl('Z');
  EXPECT_EQ(e.edit.GetTextWide(), u"xabZc");
  EXPECT_EQ(e.Ends(), (std::pair{1, 3}));
  // Read-only: nothing to undo.
  e.edit.SetReadOnly(true);
  e.Ctrl('Z');
  EXPECT_EQ(e.edit.GetTextWide(), u"xabZc");
}

}  // namespace
}  // namespace quillmar
