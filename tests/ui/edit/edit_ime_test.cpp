// The edit and the input method, the caret's blink, and clusters on screen:
// compositions shown but never in the text, commits that reduce to nothing,
// the caret rectangle the input method is given, the window's focus.
#include <gtest/gtest.h>

#include "tests/ui/edit/edit_fixture.h"
#include "ui/edit/edit_breaks.h"

namespace quillmar {
namespace {

TEST(UiEditIme, CompositionShowsUnderlinedAtTheCaretButNeverEntersTheText) {
  EditFixture e("ab");
  e.Focus();
  e.f.headless->PressKey(Vk::Right);
  const int32_t width = e.edit.GetLayout().LineWidths().at(0);
  e.f.headless->ComposeIme(u"ni", 2);
  EXPECT_EQ(e.edit.GetTextWide(), u"ab");
  EXPECT_EQ(e.edit.GetPreedit(), u"ni");
  EXPECT_GT(e.edit.GetLayout().LineWidths().at(0), width);  // shown inside the box
  e.f.Frame();
  const Point underCaret = e.edit.GetCaretPoint();
  EXPECT_GT(underCaret.x, e.edit.PointFromPosition(3).x - 1);  // the caret sits after the composition
  // Committing replaces the composition with the result.
  e.f.headless->CommitIme(u"\u4F60");
  EXPECT_EQ(e.edit.GetTextWide(), u"a\u4F60b");
  EXPECT_TRUE(e.edit.GetPreedit().empty());
  // Escape and the loss of the focus drop a composition and tell the input method.
  const int resets = e.f.headless->ImeResetCount();
  e.f.headless->ComposeIme(u"hao", 3);
  e.f.headless->PressKey(Vk::Escape);
  EXPECT_TRUE(e.edit.GetPreedit().empty());
  EXPECT_GT(e.f.headless->ImeResetCount(), resets);
  e.f.headless->ComposeIme(u"hao", 3);
  ws::System().SetFocus(0);
  EXPECT_TRUE(e.edit.GetPreedit().empty());
  EXPECT_EQ(e.edit.GetTextWide(), u"a\u4F60b");
  // A read-only box shows no composition and takes no result.
  e.Focus();
  e.edit.SetReadOnly(true);
  e.f.headless->ComposeIme(u"x", 1);
  e.f.headless->CommitIme(u"x");
  EXPECT_TRUE(e.edit.GetPreedit().empty());
  EXPECT_EQ(e.edit.GetTextWide(), u"a\u4F60b");
}

TEST(UiEditIme, ACommitThatReducesToNothingLeavesTheDisplayMatchingTheText) {
  EditFixture e("hello");
  e.Focus();
  e.edit.SetSelection(1, 4);
  e.f.Frame();
  e.f.headless->CommitIme(u"\r\nzz");  // one line: nothing before the break
  EXPECT_EQ(e.edit.GetTextWide(), u"ho");
  EXPECT_EQ(e.edit.GetLayout().Boxes().size(), 2u);
  EXPECT_EQ(e.edit.GetLayout().LineCounts(), (std::vector<int32_t>{2}));
  e.f.Frame();
  const std::vector<uint32_t> shown = e.f.headless->Presented(e.f.hwnd)->pixels;
  e.edit.RequestFullRedraw();
  e.f.Frame();
  EXPECT_EQ(e.f.headless->Presented(e.f.hwnd)->pixels, shown);
}

TEST(UiEditIme, TheInputMethodHearsWhereTheCaretIsWithTheLinesHeight) {
  EditFixture e("abc\r\ndef", MultiLine(1), 200, 80);
  e.Focus();
  e.Key(Vk::Home, true, false);
  e.f.Frame();
  const auto expected = [&] {
    const Point at = e.edit.PointToWindow(e.edit.GetCaretPoint());
    return Rect::FromXywh(at.x, at.y, 1, e.edit.GetLayout().Metrics().glyphHeight);
  };
  EXPECT_EQ(e.f.headless->ImeCursor(e.f.hwnd), expected()) << "placed when the box takes the focus";
  EXPECT_GT(e.f.headless->ImeCursor(e.f.hwnd).height, 16 - 8);
  for (int vk : {Vk::Right, Vk::Down, Vk::End, Vk::Home}) {  // 1, 6, 8, 5
    const Rect before = e.f.headless->ImeCursor(e.f.hwnd);
    e.f.headless->PressKey(vk);
    e.f.Frame();
    EXPECT_EQ(e.f.headless->ImeCursor(e.f.hwnd), expected()) << vk;
    EXPECT_NE(e.f.headless->ImeCursor(e.f.hwnd), before) << vk;
  }
  // A moved caret drops a half-typed composition.
  const int resets = e.f.headless->ImeResetCount();
  e.f.headless->PressKey(Vk::Left);
  EXPECT_GT(e.f.headless->ImeResetCount(), resets);
}

TEST(UiEditIme, CaretBlinksWhileTheWindowHasTheFocusAndStopsAfterTheTimeout) {
  EditFixture e("abc");
  e.f.headless->SetCaretBlink({true, 600, 3000});
  e.Focus();
  EXPECT_TRUE(e.edit.BlinkTimerRunning());
  const bool shown = e.edit.GetCaretShown();
  e.f.headless->Advance(300);
  EXPECT_NE(e.edit.GetCaretShown(), shown);
  // The window loses the keyboard focus to another program: no caret, no timer.
  ws::System().SetFocus(0);
  e.f.Frame();
  EXPECT_FALSE(e.edit.BlinkTimerRunning());
  EXPECT_FALSE(e.edit.GetCaretShown());
  ws::System().SetFocus(e.f.hwnd);
  e.f.Frame();
  EXPECT_TRUE(e.edit.BlinkTimerRunning());
  EXPECT_TRUE(e.edit.GetCaretShown());
  // Without input the blinking stops with the caret shown; a key starts it again.
  e.f.headless->Advance(3300);
  e.f.Frame();
  EXPECT_FALSE(e.edit.BlinkTimerRunning());
  EXPECT_TRUE(e.edit.GetCaretShown());
  e.f.headless->PressKey(Vk::Left);
  e.f.Frame();
  EXPECT_TRUE(e.edit.BlinkTimerRunning());
  // A desktop that does not blink: the caret stays, no timer runs.
  e.f.headless->SetCaretBlink({false, 600, 3000});
  e.f.headless->PressKey(Vk::Left);
  e.f.Frame();
  EXPECT_FALSE(e.edit.BlinkTimerRunning());
  EXPECT_TRUE(e.edit.GetCaretShown());
}

TEST(UiEditIme, ClustersLayOutAsOneAndTheCaretStepsOverThem) {
  const std::u16string accent = u"e\u0301";
  const std::u16string family = u"\U0001F468\u200D\U0001F469\u200D\U0001F467";
  const std::u16string flag = u"\U0001F1E8\U0001F1F3";
  EditFixture e("");
  e.f.headless->SetCaretBlink({false, 1000, 10000});  // no blink paints between the counted ones
  e.edit.SetTextWide(u"a" + accent + family + flag + u"b");
  e.Focus();
  e.f.headless->PressKey(Vk::Home);
  std::vector<int32_t> stops;
  for (int i = 0; i < 6; ++i) {
    e.f.headless->PressKey(Vk::Right);
    stops.push_back(e.edit.GetCaret());
  }
  const int32_t a = 1, b = a + 2, c = b + static_cast<int32_t>(family.size()), d = c + 4;
  EXPECT_EQ(stops, (std::vector<int32_t>{a, b, c, d, d + 1, d + 1}));
  // One box with the cluster's advance, the other units after it with none.
  const auto& boxes = e.edit.GetLayout().Boxes();
  EXPECT_GT(boxes[a].width, 0);
  EXPECT_EQ(boxes[a + 1].width, 0);
  for (int32_t k = b + 1; k < c; ++k) EXPECT_EQ(boxes[static_cast<size_t>(k)].width, 0) << k;
  e.edit.RequestFullRedraw();
  e.f.Frame();
  EXPECT_EQ(e.edit.CharsDrawnLastPaint(), 5);  // each cluster drawn once, as one run
  // Backspace takes a whole cluster.
  e.f.headless->PressKey(Vk::Left);
  e.f.headless->PressKey(Vk::Back);
  EXPECT_EQ(e.edit.GetTextWide(), u"a" + accent + family + u"b");
  e.f.headless->PressKey(Vk::Back);
  EXPECT_EQ(e.edit.GetTextWide(), u"a" + accent + u"b");
  // A lone high surrogate is a cluster of its own: the unit after it is drawn once.
  EXPECT_EQ(EditBreaks::Cursor(u"a\xD800"
                               u"b")
                .EndOf(1),
            2);
  e.edit.SetTextWide(
      u"a\xD800"
      u"b");
  e.f.Frame();
  EXPECT_EQ(e.edit.CharsDrawnLastPaint(), 3);
}

}  // namespace
}  // namespace quillmar
