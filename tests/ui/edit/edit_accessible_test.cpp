// The edit as a screen reader reads and drives it.

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/ui/core/window_test_support.h"
#include "ui/core/theme_defaults.h"
#include "ui/edit/edit.h"

namespace quillmar {
namespace {

using testing::WindowFixture;
using Kind = ws::AxEventKind;

struct Fixture {
  explicit Fixture(std::string_view text, EditOptions options = {}) {
    Theme() = ThemeDefaults::Standard();
    edit.Create(f.window.get(), 1, 10, 10, 200, 24, text, options);
    f.Frame();
    tree = f.headless->AxProviderOf(f.hwnd);
  }
  ~Fixture() { edit.Release(); }
  std::vector<ws::AxEvent> Events() const {
    std::vector<ws::AxEvent> out;
    // Focus moves are the window's; these tests are about the text.
    for (const auto& n : f.headless->AxNotices()) {
      if (n.event.kind != Kind::Focus) out.push_back(n.event);
    }
    return out;
  }
  WindowFixture f;
  UiEdit edit;
  ws::AxProvider* tree = nullptr;
};

TEST(UiEditAccessible, TypingIsHeardAsInsertionsAndCaretMovesOnceAReaderSawTheBox) {
  Fixture x("ab");
  x.f.headless->SetAxListening(true);
  x.edit.SetCaret(2);
  EXPECT_TRUE(x.Events().empty()) << "no reader has seen the box: nothing is kept to compare with";
  const auto node = x.tree->Node(x.edit.Key());
  EXPECT_EQ(node->role, ws::AxRole::Entry);
  EXPECT_NE(node->states & ws::AxState::Editable, 0u);
  EXPECT_NE(node->facets & ws::AxFacet::EditableText, 0u);
  const auto text = x.tree->Text(x.edit.Key());
  EXPECT_EQ(text->text, u"ab");
  EXPECT_EQ(text->caret, 2);

  x.f.headless->Click(x.edit.PointToScreen({150, 12}));
  x.f.headless->TypeText("c");
  auto events = x.Events();
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[0].kind, Kind::TextInserted);
  EXPECT_EQ(events[0].position, 2);
  EXPECT_EQ(events[0].text, u"c");
  EXPECT_EQ(events[1].kind, Kind::CaretMoved);
  EXPECT_EQ(events[1].position, 3);

  x.f.headless->ClearAxNotices();
  x.f.headless->PressKey(Vk::Back);
  x.f.headless->PressKey(Vk::Left);
  events = x.Events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, Kind::TextDeleted);
  EXPECT_EQ(events[0].text, u"c");
  EXPECT_EQ(events[1].kind, Kind::CaretMoved);
  EXPECT_EQ(events[2].kind, Kind::CaretMoved);
  EXPECT_EQ(events[2].position, 1);

  // Selecting is heard once as a selection change (the caret moves with it).
  x.f.headless->ClearAxNotices();
  ASSERT_TRUE(x.tree->SetTextSelection(x.edit.Key(), 0, 2));
  events = x.Events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].kind, Kind::SelectionChanged);
  EXPECT_EQ(events[1].length, 2);
}

TEST(UiEditAccessible, AReaderEditsSelectsAndIsRefusedByAReadOnlyBox) {
  Fixture x("hello world");
  ASSERT_TRUE(x.tree->EditText(x.edit.Key(), 6, 11, u"there"));
  EXPECT_EQ(x.edit.GetTextWide(), u"hello there");
  ASSERT_TRUE(x.tree->EditText(x.edit.Key(), 0, 0, u">"));
  EXPECT_EQ(x.edit.GetTextWide(), u">hello there");
  EXPECT_TRUE(x.tree->SetTextSelection(x.edit.Key(), 1, 6));
  const auto text = x.tree->Text(x.edit.Key());
  EXPECT_EQ(text->selectionStart, 1);
  EXPECT_EQ(text->selectionEnd, 6);
  EXPECT_FALSE(x.tree->SetCaret(x.edit.Key(), 99));
  // Out-of-range edits are clamped to the text, never past it.
  ASSERT_TRUE(x.tree->EditText(x.edit.Key(), 6, 500, u""));
  EXPECT_EQ(x.edit.GetTextWide(), u">hello");

  x.edit.SetReadOnly(true);
  EXPECT_FALSE(x.tree->EditText(x.edit.Key(), 0, 1, u"x"));
  EXPECT_EQ(x.tree->Node(x.edit.Key())->states & ws::AxState::Editable, 0u);
  EXPECT_EQ(x.edit.GetTextWide(), u">hello");
}

TEST(UiEditAccessible, APasswordBoxShowsOnlyItsMaskInTextAndEvents) {
  EditOptions o;
  o.passwordMode = true;
  Fixture x("secret", o);
  EXPECT_EQ(x.tree->Node(x.edit.Key())->role, ws::AxRole::PasswordText);
  x.f.headless->SetAxListening(true);
  EXPECT_EQ(x.tree->Text(x.edit.Key())->text, u"******");
  x.edit.SetCaret(6);
  x.edit.InsertTextWide(6, u"!");
  for (const auto& e : x.Events()) {
    EXPECT_EQ(e.text.find_first_not_of(u'*'), std::u16string::npos) << "an event carried the password";
  }
  const auto events = x.Events();
  const auto inserted =
      std::find_if(events.begin(), events.end(), [](const auto& e) { return e.kind == Kind::TextInserted; });
  ASSERT_NE(inserted, events.end());
  EXPECT_EQ(inserted->text, u"*");
  EXPECT_EQ(inserted->position, 6);
}

}  // namespace
}  // namespace quillmar
