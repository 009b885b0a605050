#include "ui/edit/edit.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "tests/ui/edit/edit_fixture.h"
#include "ui/controls/menu.h"
#include "ui/core/theme_defaults.h"

namespace quillmar {
namespace {

TEST(UiEdit, EnterBeepsInOneLineAndBreaksTheLineInMany) {
  EditFixture one("ab\r\ncd");
  EXPECT_EQ(one.edit.GetTextWide(), u"ab");  // one line keeps what comes before the first break
  one.Focus();
  one.f.headless->PressKey(Vk::Return);
  EXPECT_EQ(one.edit.GetTextWide(), u"ab");
  EXPECT_EQ(one.f.headless->Beeps().size(), 1u);

  EditFixture many("ab", MultiLine(), 200, 80);
  many.Focus();  // the click lands left of "a"
  many.f.headless->PressKey(Vk::Return);
  EXPECT_EQ(many.edit.GetTextWide(), u"\r\nab");
  EXPECT_EQ(many.edit.GetCaret(), 2);
  EXPECT_TRUE(many.f.headless->Beeps().empty());
  // Left from after the break jumps before the CR, Right back after the LF.
  many.f.headless->PressKey(Vk::Left);
  EXPECT_EQ(many.edit.GetCaret(), 0);
  many.f.headless->PressKey(Vk::Right);
  EXPECT_EQ(many.edit.GetCaret(), 2);
}

TEST(UiEdit, TypingCtrlAAndCharactersTheInputMethodAlreadyGave) {
  EditFixture e("hello");
  e.Focus();
  e.Ctrl('A');
  EXPECT_EQ(e.edit.GetTextWide(), u"hello");
  e.f.headless->TypeText("Hi!");
  EXPECT_EQ(e.edit.GetTextWide(), u"Hi!");
  EXPECT_EQ(e.edit.GetCaret(), 3);
  // A character whose lParam is exactly 1 came from the input method: ignored here.
  ws::System().Send(e.f.hwnd, Msg::Char, 'q', 1);
  ws::System().Send(e.f.hwnd, Msg::Char, 'q', 0x10001);
  ws::System().Send(e.f.hwnd, Msg::Char, 127, 0x10001);
  EXPECT_EQ(e.edit.GetTextWide(), u"Hi!q");
  e.f.headless->PressKey(Vk::Back);
  e.f.headless->PressKey(Vk::Left);
  e.f.headless->PressKey(Vk::Delete);
  EXPECT_EQ(e.edit.GetTextWide(), u"Hi");
}

TEST(UiEdit, InputMethodResultLandsAtTheCaretAndTheWindowFollowsIt) {
  EditFixture e("ab");
  e.Focus();
  e.f.headless->PressKey(Vk::Right);
  e.f.Frame();
  const Point caret = e.edit.GetCaretPoint();
  e.f.headless->CommitIme(u"\u4E2D\u6587\U00020000");
  EXPECT_EQ(e.edit.GetTextWide(), u"a\u4E2D\u6587\U00020000b");
  EXPECT_EQ(e.edit.GetCaret(), 5);
  const Point expected = e.edit.PointToWindow(caret);
  EXPECT_EQ(e.f.headless->ImePosition(e.f.hwnd), expected);
  // A one-line box takes a committed text only up to its first line break;
  // a read-only box takes nothing.
  e.f.headless->CommitIme(u"x\r\ny");
  EXPECT_EQ(e.edit.GetTextWide(), u"a\u4E2D\u6587\U00020000xb");
  e.edit.SetReadOnly(true);
  e.f.headless->CommitIme(u"z");
  EXPECT_EQ(e.edit.GetLength(), 7);
}

TEST(UiEdit, ClipboardCarriesBothFormsAndRefusesWherePromised) {
  EditFixture e("copy me");
  e.Focus();
  e.edit.SetSelection(0, 4);
  e.Ctrl('C');
  EXPECT_EQ(ws::System().ClipboardText(), u"copy");
  EXPECT_EQ(e.f.headless->ClipboardMultibyte(), "copy");
  e.edit.SetCaret(-1);
  e.Ctrl('V');
  EXPECT_EQ(e.edit.GetTextWide(), u"copy mecopy");
  EXPECT_EQ(e.edit.GetCaret(), 11);
  // Pasting several lines into one line keeps the text after the caret.
  ws::System().SetClipboardText(u"X\r\nY", "X\r\nY");
  e.edit.SetCaret(4);
  e.Ctrl('V');
  EXPECT_EQ(e.edit.GetTextWide(), u"copyX mecopy");
  // So does inserting them from the program.
  e.edit.InsertTextWide(1, u"Z\r\nW");
  EXPECT_EQ(e.edit.GetTextWide(), u"cZopyX mecopy");

  e.edit.SetReadOnly(true);
  e.edit.SelectAll();
  e.Ctrl('X');  // cut does nothing and says nothing
  EXPECT_EQ(e.edit.GetTextWide(), u"cZopyX mecopy");
  EXPECT_TRUE(e.f.headless->Beeps().empty());
  e.Ctrl('V');
  EXPECT_EQ(e.edit.GetTextWide(), u"cZopyX mecopy");
}

TEST(UiEdit, PasswordModeBeepsOnCopyAndCutAndKeepsTheClipboard) {
  EditOptions secret;
  secret.passwordMode = true;
  EditFixture p("secret", secret);
  p.Focus();
  ws::System().SetClipboardText(u"kept", "kept");
  p.edit.SelectAll();
  p.Ctrl('C');
  EXPECT_EQ(p.f.headless->Beeps().size(), 1u);
  EXPECT_EQ(ws::System().ClipboardText(), u"kept");
  p.Ctrl('X');
  EXPECT_EQ(p.f.headless->Beeps().size(), 2u);
  EXPECT_EQ(p.edit.GetTextWide(), u"secret");
}

TEST(UiEdit, ContextMenuEnablesWhatTheSelectionAndReadOnlyAllow) {
  EditFixture e("some text");
  EditContextMenu::Items shown{};
  int popups = 0;
  e.edit.GetMenu().SetPresenter([&](const EditContextMenu::Items& items, std::optional<Point>) {
    shown = items;
    ++popups;
  });
  const auto enabled = [&] {
    std::string flags;
    for (const auto& item : shown) flags += item.disabled ? '-' : '+';
    return flags;
  };
  e.f.headless->Click(e.Screen(20, 12), ws::MouseButton::Right);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(enabled(), "--+-++");  // only paste and select all (the separator is never disabled)
  e.edit.SetSelection(0, 4);
  e.f.headless->Click(e.Screen(20, 12), ws::MouseButton::Right);
  EXPECT_EQ(enabled(), "++++++");
  e.edit.SetReadOnly(true);
  e.f.headless->Click(e.Screen(20, 12), ws::MouseButton::Right);
  EXPECT_EQ(enabled(), "-+--++");
  e.edit.OnMenuChosen(EditContextMenu::kSelectAll);
  int32_t a = -1, c = -1;
  e.edit.GetSelection(&a, &c);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(c, 9);
  e.edit.SetContextMenuEnabled(false);
  e.f.headless->Click(e.Screen(20, 12), ws::MouseButton::Right);
  EXPECT_EQ(popups, 3);
}

TEST(UiEdit, RightClickOpensTheMenuWhoseEnabledRowsRunTheirCommands) {
  EditFixture e("some text");
  e.edit.SetSelection(0, 4);
  e.edit.SetReadOnly(true);
  e.f.headless->Click(e.Screen(20, 12), ws::MouseButton::Right);
  e.f.Frame();
  UiMenu& menu = *e.edit.GetMenuControl();
  ASSERT_TRUE(menu.IsOpen());
  EXPECT_EQ(menu.MenuWidth(), 120);
  ASSERT_EQ(menu.Items().size(), 6u);
  const auto row = [&](int32_t index) {
    const Rect r = menu.ItemRect(index);
    return ws::System().WindowRect(menu.PopupWindow()).Origin().Offset(60, r.y + r.height / 2);
  };
  ws::System().SetClipboardText(u"before", "before");
  e.f.headless->Click(row(EditContextMenu::kCut));  // read-only: cut is disabled
  e.f.Frame();
  EXPECT_TRUE(menu.IsOpen());
  EXPECT_EQ(ws::System().ClipboardText(), u"before");
  e.f.headless->Click(row(EditContextMenu::kCopy));
  e.f.Frame();
  EXPECT_FALSE(menu.IsOpen());
  EXPECT_EQ(ws::System().ClipboardText(), u"some");
}

TEST(UiEdit, MenuKeyAndShiftF10OpenTheMenuBelowTheCaretAndItsKeysWorkIt) {
  EditFixture e("some text");
  e.Focus();
  e.f.headless->PressKey(Vk::End);
  UiMenu& menu = *e.edit.GetMenuControl();
  const auto press = [&](int vk) {
    e.f.headless->PressKey(vk);
    e.f.Frame();
  };
  press(Vk::Apps);
  ASSERT_TRUE(menu.IsOpen());
  const Point caret = e.edit.PointFromPosition(9);
  const int32_t lineBottom = caret.y + e.edit.GetLayout().Metrics().glyphHeight;
  EXPECT_EQ(ws::System().WindowRect(menu.PopupWindow()).Origin(), e.edit.PointToScreen({caret.x, lineBottom}));
  // Without a selection only paste and select all can be chosen.
  for (int32_t expected : {EditContextMenu::kPaste, EditContextMenu::kSelectAll, EditContextMenu::kPaste}) {
    press(Vk::Down);
    EXPECT_EQ(menu.HoverIndex(), expected);
  }
  press(Vk::End);
  press(Vk::Return);
  EXPECT_FALSE(menu.IsOpen());
  EXPECT_EQ(e.Ends(), (std::pair<int32_t, int32_t>{0, 9}));
  // The keyboard is the box's again: copy from a menu opened by Shift+F10, then type over.
  EXPECT_EQ(e.f.window->FocusKey(), e.edit.Key());
  e.Key(Vk::F10, false, true);
  e.f.Frame();
  ASSERT_TRUE(menu.IsOpen());
  for (int key : {Vk::Down, Vk::Down, Vk::Space}) press(key);
  EXPECT_FALSE(menu.IsOpen());
  EXPECT_EQ(ws::System().ClipboardText(), u"some text");
  e.f.headless->TypeText("x");
  EXPECT_EQ(e.edit.GetTextWide(), u"x");

  // Escape closes it with nothing run; F10 alone is no menu key.
  press(Vk::Apps);
  ASSERT_TRUE(menu.IsOpen());
  press(Vk::Escape);
  EXPECT_FALSE(menu.IsOpen());
  e.f.headless->TypeText("y");
  EXPECT_EQ(e.edit.GetTextWide(), u"xy");
  press(Vk::F10);
  EXPECT_FALSE(menu.IsOpen());
  // Where a right click opens no menu, neither do the keys.
  e.edit.SetContextMenuEnabled(false);
  press(Vk::Apps);
  e.edit.SetContextMenuEnabled(true);
  e.edit.SetPasswordMode(true);
  press(Vk::Apps);
  EXPECT_FALSE(menu.IsOpen());
}

TEST(UiEdit, WheelScrollsOneAndAQuarterLinesPerNotchAndClamps) {
  EditFixture e(Lines(30), MultiLine(), 200, 80);
  const EditBar& bar = e.edit.GetVScroll();
  ASSERT_TRUE(bar.Shown());
  const int32_t lh = e.edit.GetLayout().LineHeight();
  EXPECT_EQ(bar.maximum,
            e.edit.GetLayout().ContentHeight() - static_cast<int32_t>(e.edit.GetLayout().TextRect().height));
  e.f.headless->MoveMouse(e.Screen(50, 40));
  e.f.headless->Wheel(-120);
  EXPECT_EQ(bar.position, static_cast<int32_t>(lh * 1.25));
  EXPECT_EQ(e.edit.GetLayout().scrollY, -bar.position);
  for (int i = 0; i < 100; ++i) e.f.headless->Wheel(-120);
  EXPECT_EQ(bar.position, bar.maximum);
  for (int i = 0; i < 100; ++i) e.f.headless->Wheel(120);
  EXPECT_EQ(bar.position, 0);
  EXPECT_EQ(e.edit.GetLayout().scrollY, 0);
  // The bar control shows the same state, and moving it (as a drag does) moves the text.
  UiScrollBar* control = e.edit.GetVScrollBar();
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->GetMaximum(), bar.maximum);
  control->SetPosition(30);
  EXPECT_EQ(bar.position, 30);
  EXPECT_EQ(e.edit.GetLayout().scrollY, -30);
  e.f.headless->Wheel(-120);
  EXPECT_EQ(control->GetPosition(), bar.position);
  // Keys that carry the caret past the bottom scroll the text, and the bar control follows.
  e.f.headless->Click(e.Screen(50, 10));
  const int32_t before = bar.position;
  for (int i = 0; i < 12; ++i) e.f.headless->PressKey(Vk::Down);
  EXPECT_GT(bar.position, before);
  EXPECT_EQ(control->GetPosition(), bar.position);
}

TEST(UiEdit, HoveringItsBarLightsTheEditAndTheWheelOverTheBarScrollsTheText) {
  EditFixture e(Lines(30), MultiLine(), 200, 80);
  UiScrollBar* control = e.edit.GetVScrollBar();
  ASSERT_NE(control, nullptr);
  const int32_t step = static_cast<int32_t>(e.edit.GetLayout().LineHeight() * 1.25);
  EXPECT_FALSE(e.edit.GetHot());
  e.f.headless->MoveMouse(control->PointToScreen({control->GetWidth() / 2, control->GetHeight() / 2}));
  EXPECT_TRUE(e.edit.GetHot());
  e.f.headless->Wheel(-120);
  EXPECT_EQ(e.edit.GetVScroll().position, step);
  EXPECT_EQ(control->GetPosition(), step);
  e.f.headless->Wheel(-120, true);  // sideways: the lines stay
  EXPECT_EQ(e.edit.GetVScroll().position, step);
  e.f.headless->MoveMouse(WindowFixture::At(260, 150));  // off the edit, straight from the bar
  EXPECT_FALSE(e.edit.GetHot());
}

TEST(UiEdit, OneLineScrollRedrawsOneStripAndMatchesAFullRepaint) {
  EditFixture e(Lines(30), MultiLine(), 200, 170);
  e.f.Frame();
  const int32_t full = e.edit.CharsDrawnLastPaint();
  e.f.headless->MoveMouse(e.Screen(50, 40));
  e.f.headless->Wheel(-120);
  e.f.Frame();
  const int32_t strip = e.edit.CharsDrawnLastPaint();
  EXPECT_GT(strip, 0);
  EXPECT_LE(strip, 3 * 7);  // the lines that reach into the strip that came into view
  EXPECT_GT(full, 2 * strip);
  const auto* shown = e.f.headless->Presented(e.f.hwnd);
  ASSERT_NE(shown, nullptr);
  const std::vector<uint32_t> scrolled = shown->pixels;
  e.edit.RequestFullRedraw();
  e.f.Frame();
  EXPECT_GT(e.edit.CharsDrawnLastPaint(), strip);
  EXPECT_EQ(e.f.headless->Presented(e.f.hwnd)->pixels, scrolled);
  // The caret on the first line is now above the area: no caret point.
  EXPECT_EQ(e.edit.GetCaretPoint(), EditLayout::kNoPoint);
}

// Applies an edit, paints, and checks the picture against a full repaint of the same state.
int32_t DrawnAfter(EditFixture& e, const std::function<void()>& change) {
  change();
  e.f.Frame();
  const int32_t drawn = e.edit.CharsDrawnLastPaint();
  const std::vector<uint32_t> partial = e.f.headless->Presented(e.f.hwnd)->pixels;
  e.edit.RequestFullRedraw();
  e.f.Frame();
  EXPECT_EQ(e.f.headless->Presented(e.f.hwnd)->pixels, partial);
  return drawn;
}

TEST(UiEdit, EditsRedrawOnlyTheLinesTheyChange) {
  EditFixture e(Lines(6), MultiLine(2), 200, 170);  // no wrapping
  e.Focus();
  e.edit.SetCaret(6);  // end of "line 0"
  e.f.Frame();
  EXPECT_LE(DrawnAfter(e, [&] { e.edit.TypeChar(u'x'); }), 7);
  EXPECT_LE(DrawnAfter(e, [&] { e.edit.Backspace(); }), 6);
  // Joining two lines moves every line below: those are drawn again too.
  e.edit.SetCaret(8);
  EXPECT_GT(DrawnAfter(e, [&] { e.edit.Backspace(); }), 12);
  EditFixture w(std::string(60, 'w'), MultiLine(1), 120, 170);  // wrapping
  w.Focus();
  w.edit.SetCaret(2);
  w.f.Frame();
  DrawnAfter(w, [&] { w.edit.TypeChar(u'i'); });
}

TEST(UiEdit, WrappingTextGrowingTallerShowsTheBarAndWrapsNarrower) {
  EditFixture e("", MultiLine(1, true), 120, 60);
  EXPECT_FALSE(e.edit.GetVScroll().Shown());
  const float wide = e.edit.GetLayout().TextRect().width;
  EXPECT_EQ(e.edit.GetVScrollBar()->GetVisible(), 0);
  e.edit.SetText(std::string(200, 'w'));
  EXPECT_TRUE(e.edit.GetVScroll().Shown());
  EXPECT_EQ(e.edit.GetVScrollBar()->GetVisible(), 1);
  EXPECT_EQ(e.edit.GetLayout().TextRect().width, wide - EditBar::kThickness);
  for (int32_t width : e.edit.GetLayout().LineWidths()) EXPECT_LT(width, wide - EditBar::kThickness);
  e.edit.SetText("short");
  EXPECT_FALSE(e.edit.GetVScroll().Shown());
  EXPECT_EQ(e.edit.GetLayout().TextRect().width, wide);
  // A resize places the bar along the new edge and lays the text out again.
  e.edit.Place(std::nullopt, std::nullopt, 160, 90);
  EXPECT_EQ(e.edit.GetLayout().TextRect().width, wide + 40);
  EXPECT_EQ(e.edit.GetVScroll().rect, Rect::FromXywh(160 - EditBar::kThickness, 1, EditBar::kThickness, 89));
}

TEST(UiEdit, DragLeftOfALongLineScrollsBackButNeverPastTheStartAndArrowsFollowTheCaret) {
  EditFixture e(std::string(100, 'x'));
  e.edit.SetCaret(-1);
  e.edit.Layout();
  e.f.Frame();
  ASSERT_LT(e.edit.GetLayout().scrollX, 0);
  e.f.headless->MoveMouse(e.Screen(100, 12));
  e.f.headless->PressButton(ws::MouseButton::Left);
  const int32_t pressed = e.edit.GetCaret();
  int32_t last = e.edit.GetLayout().scrollX;
  for (int x = 0; x > -400; x -= 40) {
    e.f.headless->MoveMouse(e.Screen(x, 12));
    EXPECT_GE(e.edit.GetLayout().scrollX, last);
    EXPECT_LE(e.edit.GetLayout().scrollX, 0);
    last = e.edit.GetLayout().scrollX;
  }
  EXPECT_EQ(last, 0);
  e.f.headless->ReleaseButton(ws::MouseButton::Left);
  int32_t a = -1, c = -1;
  e.edit.GetSelection(&a, &c);
  EXPECT_EQ(a, pressed);
  EXPECT_EQ(c, 0);
  // The arrows bring the caret back into view when it walks past the edge.
  for (int i = 0; i < 60; ++i) e.f.headless->PressKey(Vk::Right);
  e.f.Frame();
  EXPECT_LT(e.edit.GetLayout().scrollX, 0);
  const Point caret = e.edit.GetCaretPoint();
  EXPECT_GE(caret.x, 1);
  EXPECT_LT(caret.x, e.edit.GetWidth());
}

TEST(UiEdit, CaretBlinksOnlyWhileFocusedAndClicksPlaceItUnderAnIBeam) {
  EditFixture e("abc");
  EXPECT_FALSE(e.edit.BlinkTimerRunning());
  e.f.headless->Click(e.Screen(150, 12));  // right of the last character
  e.f.Frame();
  EXPECT_EQ(e.edit.GetCaret(), 3);
  e.f.headless->MoveMouse(e.Screen(30, 12));
  EXPECT_EQ(e.f.headless->SystemCursorOf(ws::System().CurrentCursor()), ws::SystemCursor::IBeam);
  EXPECT_TRUE(e.edit.BlinkTimerRunning());
  EXPECT_TRUE(e.edit.GetHot());
  const bool before = e.edit.GetCaretShown();
  e.f.headless->Advance(500);
  EXPECT_NE(e.edit.GetCaretShown(), before);
  // The focus moves elsewhere: the timer stops and the caret hides.
  e.f.headless->Click(WindowFixture::At(250, 150));
  e.f.Frame();
  EXPECT_FALSE(e.edit.BlinkTimerRunning());
  EXPECT_FALSE(e.edit.GetCaretShown());
}

TEST(UiEdit, PasswordCharacterTakesOneUnitOrReturnsToTheStar) {
  EditOptions o;
  o.passwordMode = true;
  EditFixture e("abc", o);
  EXPECT_FALSE(e.edit.GetContextMenuEnabled());
  e.edit.SetPasswordCharWide(u"#");
  EXPECT_EQ(e.edit.GetPasswordCharWide(), u"#");
  e.edit.SetPasswordCharWide(u"ab");
  EXPECT_EQ(e.edit.GetPasswordCharWide(), u"#");
  e.edit.SetPasswordCharWide(u"");
  EXPECT_EQ(e.edit.GetPasswordCharWide(), u"*");
  const int32_t mask = e.edit.GetLayout().Metrics().maskCharWidth;
  EXPECT_EQ(e.edit.GetLayout().LineWidths(), (std::vector<int32_t>{3 * mask}));
}

TEST(UiEdit, ABlinkPresentsOnlyTheCaretsColumn) {
  EditFixture e("abc");
  e.f.headless->Click(e.Screen(150, 12));
  e.f.headless->Advance(200);  // the click's own repaints settle
  const auto* shown = e.f.headless->Presented(e.f.hwnd);
  ASSERT_NE(shown, nullptr);
  const Point caret = e.edit.PointToScreen(e.edit.GetCaretPoint()) - Point{testing::kWinX, testing::kWinY};
  for (int round = 0; round < 2; ++round) {
    const int presents = shown->presentCount;
    const bool before = e.edit.GetCaretShown();
    for (int i = 0; i < 40 && e.edit.GetCaretShown() == before; ++i) e.f.headless->Advance(17);
    ASSERT_NE(e.edit.GetCaretShown(), before);
    e.f.Frame();
    EXPECT_EQ(shown->presentCount, presents + 1);
    ASSERT_EQ(shown->damage.size(), 1u);
    const Rect damage = shown->damage[0];
    EXPECT_EQ(damage.Origin(), caret);
    EXPECT_EQ(damage.width, 1);
    EXPECT_GT(damage.height, 8);
    EXPECT_LT(damage.height, e.edit.GetHeight());
    // The caret's pixels follow the blink.
    const bool inked =
        (shown->At(caret.x, caret.y + 2) & 0x00FFFFFF) != (shown->At(caret.x + 3, caret.y + 2) & 0x00FFFFFF);
    EXPECT_EQ(inked, e.edit.GetCaretShown());
  }
}

#ifndef NDEBUG
// A routine that hears the edit's bar move may end the edit (and its bars with
// it) while the bar is still pressing its arrow.
TEST(UiEdit, ARoutineHearingItsBarMayReleaseTheEdit) {
  EditFixture e(Lines(30), MultiLine(), 200, 80);
  UiScrollBar* bar = e.edit.GetVScrollBar();
  ASSERT_NE(bar, nullptr);
  int heard = 0;
  bar->SetUserHandler([&](Hwnd, int32_t, uint32_t msg, WParam, LParam) {
    if (msg != Event::ScrollChanged || ++heard > 1) return 1;
    e.edit.Release();
    return 1;
  });
  // The bar's lower arrow, held: one step, then the routine ends the edit.
  e.f.headless->MoveMouse(bar->PointToScreen({bar->GetWidth() / 2, bar->GetHeight() - 3}));
  e.f.headless->PressButton(ws::MouseButton::Left);
  e.f.headless->Advance(300);
  e.f.headless->ReleaseButton(ws::MouseButton::Left);
  EXPECT_EQ(heard, 1);
  EXPECT_EQ(e.edit.Key(), 0);
}
#endif

}  // namespace
}  // namespace quillmar
