// The accessibility tree of a window of kit controls, read the way the
// platform reads it: through the provider the window registered.

#include <gtest/gtest.h>

#include <algorithm>

#include "base/text_encoding.h"
#include "tests/ui/core/window_test_support.h"
#include "ui/controls/button.h"
#include "ui/controls/label.h"
#include "ui/controls/list_box.h"
#include "ui/core/accessible_tree.h"
#include "ui/core/frame.h"
#include "ui/core/process_values.h"

namespace quillmar {
namespace {

using testing::WindowFixture;
using Kind = ws::AxEventKind;

class AccessibleControlsTest : public ::testing::Test {
 protected:
  void SetUp() override { InitProcessValues("", 1); }
  void TearDown() override { InitProcessValues("", 1); }
};

std::vector<Kind> KindsFor(const ws::HeadlessWindowSystem& sys, int32_t node) {
  std::vector<Kind> kinds;
  for (const auto& notice : sys.AxNotices()) {
    if (notice.event.node == node) kinds.push_back(notice.event.kind);
  }
  return kinds;
}

TEST_F(AccessibleControlsTest, NodesComeFromTheControlsOwnFieldsWhenAsked) {
  WindowFixture f(400, 300);
  UiLabel label;
  label.Create(f.window.get(), true, 10, 10, 100, 20, Utf8ToGbk("提示"));
  UiButton button;
  button.Create(f.window.get(), true, 10, 40, 80, 24, Utf8ToGbk("撸一管"));
  UiListBox list;
  list.Create(f.window.get(), true, 10, 80, 300, 150, 0);
  list.InsertColumn({}, Utf8ToGbk("名称"));
  list.InsertColumn({}, Utf8ToGbk("种子连接"));
  list.InsertRow({}, "first", {.height = 20});
  list.SetCellText(0, 1, "magnet:?xt=1");
  f.Frame();

  ws::AxProvider* tree = f.headless->AxProviderOf(f.hwnd);
  ASSERT_NE(tree, nullptr);
  const auto root = tree->Node(tree->RootNode());
  ASSERT_TRUE(root);
  EXPECT_EQ(root->role, ws::AxRole::Frame);
  // Paint order: the caption buttons come first, then the controls as created.
  const std::vector<int32_t>& kids = root->children;
  const auto at = [&](int32_t key) { return std::find(kids.begin(), kids.end(), key) - kids.begin(); };
  ASSERT_LT(at(label.Key()), at(button.Key()));
  ASSERT_LT(at(button.Key()), at(list.Key()));
  ASSERT_LT(at(list.Key()), static_cast<std::ptrdiff_t>(kids.size()));
  const auto close = tree->Node(kids.front());
  EXPECT_EQ(close->role, ws::AxRole::PushButton);
  EXPECT_FALSE(close->name.empty());

  auto b = tree->Node(button.Key());
  EXPECT_EQ(b->role, ws::AxRole::PushButton);
  EXPECT_EQ(b->name, "撸一管");
  EXPECT_EQ(b->parent, f.window->Key());
  EXPECT_EQ(b->actions, std::vector<std::string>{"click"});
  EXPECT_EQ(b->bounds, Rect::FromXywh(WindowFixture::At(10, 40).x, WindowFixture::At(10, 40).y, 80, 24));
  using namespace ws::AxState;
  EXPECT_EQ(b->states & (Enabled | Visible | Showing | Focusable), Enabled | Visible | Showing | Focusable);
  // A change of a field shows in the next reading: nothing was copied.
  button.SetText(Utf8ToGbk("上一页"));
  button.SetDisabled(1);
  b = tree->Node(button.Key());
  EXPECT_EQ(b->name, "上一页");
  EXPECT_EQ(b->states & Enabled, 0u);
  EXPECT_FALSE(tree->DoAction(button.Key(), 0)) << "a disabled button refuses its action";
  label.SetVisible(0);
  EXPECT_EQ(tree->Node(label.Key())->states & (Visible | Showing), 0u);

  const auto table = tree->Table(list.Key());
  ASSERT_TRUE(table);
  EXPECT_EQ(table->rows, 1);
  EXPECT_EQ(table->columns, 2);
  EXPECT_EQ(table->columnTitles, (std::vector<std::string>{"名称", "种子连接"}));
  EXPECT_EQ(tree->CellText(list.Key(), 0, 1), "magnet:?xt=1");
  EXPECT_EQ(tree->CellText(list.Key(), 1, 0), "") << "a row that is not there";
  const Rect cell = tree->CellBounds(list.Key(), 0, 1);
  const Rect whole = tree->Node(list.Key())->bounds;
  EXPECT_GT(cell.x, whole.x);
  EXPECT_GT(cell.y, whole.y) << "below the header";
  EXPECT_EQ(cell.height, 20);
  EXPECT_TRUE(tree->SelectRow(list.Key(), 0));
  EXPECT_EQ(tree->Table(list.Key())->selectedRow, 0);
  EXPECT_FALSE(tree->SelectRow(list.Key(), 5));

  // The list's scroll bar is a node of its own with its range.
  const auto listNode = tree->Node(list.Key());
  ASSERT_FALSE(listNode->children.empty());
  const int32_t bar = listNode->children.front();
  EXPECT_EQ(tree->Node(bar)->role, ws::AxRole::ScrollBar);
  ASSERT_TRUE(tree->Value(bar));
  EXPECT_LE(tree->Value(bar)->minimum, tree->Value(bar)->maximum);

  // Keys of other windows and keys that are gone are nobody's nodes here.
  WindowFixture other;
  UiButton elsewhere;
  elsewhere.Create(other.window.get(), true, 0, 0, 10, 10, "x");
  EXPECT_FALSE(tree->Node(elsewhere.Key()));
  const int32_t gone = button.Key();
  button.Unregister();
  EXPECT_FALSE(tree->Node(gone));
}

TEST_F(AccessibleControlsTest, ActionsRunAfterTheRequestReturns) {
  WindowFixture f;
  UiButton button;
  button.Create(f.window.get(), true, 10, 10, 80, 24, "OK");
  int clicks = 0;
  button.SetUserHandler([&](Hwnd, int32_t, uint32_t msg, WParam, LParam) {
    clicks += msg == Event::Click;
    return 1;
  });
  ws::AxProvider* tree = f.headless->AxProviderOf(f.hwnd);
  EXPECT_FALSE(tree->DoAction(button.Key(), 1)) << "only the one action";
  EXPECT_TRUE(tree->DoAction(button.Key(), 0));
  EXPECT_EQ(clicks, 0) << "a click may open a modal box: the asker gets its answer first";
  f.headless->RunPending();
  EXPECT_EQ(clicks, 1);
  // An element removed before the posted action runs is left alone.
  EXPECT_TRUE(tree->DoAction(button.Key(), 0));
  button.Unregister();
  f.headless->RunPending();
  EXPECT_EQ(clicks, 1);
}

TEST_F(AccessibleControlsTest, NotificationsOnlyWhileAReaderListens) {
  WindowFixture f;
  UiLabel status;
  status.Create(f.window.get(), true, 10, 10, 200, 20, "");
  UiListBox list;
  list.Create(f.window.get(), true, 10, 40, 200, 100, 0);
  list.InsertColumn({}, "a");
  UiButton button;
  button.Create(f.window.get(), true, 10, 150, 80, 24, "OK");
  f.window->Frame()->Accessible().SetRole(status.Key(), ws::AxRole::StatusBar);

  // Nobody listens: nothing is built or handed over.
  status.SetText("one");
  list.InsertRow({}, "r");
  f.window->SetFocusElement(f.hwnd, button.Key());
  EXPECT_TRUE(f.headless->AxNotices().empty());

  f.headless->SetAxListening(true);
  ws::AxProvider* tree = f.headless->AxProviderOf(f.hwnd);
  const auto node = tree->Node(status.Key());
  EXPECT_EQ(node->role, ws::AxRole::StatusBar);
  EXPECT_TRUE(node->live);
  status.SetText("one two");
  status.SetText("one two");  // unchanged: silent
  const auto& notices = f.headless->AxNotices();
  ASSERT_EQ(KindsFor(*f.headless, status.Key()), (std::vector<Kind>{Kind::TextInserted, Kind::NameChanged}));
  EXPECT_EQ(notices[0].event.position, 3);
  EXPECT_EQ(notices[0].event.text, u" two");
  EXPECT_EQ(notices[0].hwnd, f.hwnd);

  f.headless->ClearAxNotices();
  list.InsertRow({}, "s");
  list.SetSelection(0, 1);
  list.ClearRows();
  ASSERT_EQ(KindsFor(*f.headless, list.Key()),
            (std::vector<Kind>{Kind::RowsInserted, Kind::SelectionChanged, Kind::RowsDeleted}));
  EXPECT_EQ(notices[0].event.position, 1);
  EXPECT_EQ(notices.back().event.length, 2) << "both rows went";

  f.headless->ClearAxNotices();
  f.window->SetFocusElement(f.hwnd, list.Key());
  f.window->SetFocusElement(f.hwnd, list.Key());  // already there: silent
  EXPECT_EQ(KindsFor(*f.headless, list.Key()), std::vector<Kind>{Kind::Focus});
  EXPECT_NE(tree->Node(list.Key())->states & ws::AxState::Focused, 0u);
  EXPECT_EQ(tree->Node(button.Key())->states & ws::AxState::Focused, 0u);

  // States: disabling and hiding are heard with the state and its new value.
  f.headless->ClearAxNotices();
  button.SetDisabled(1);
  button.SetVisible(0);
  list.InsertColumn({}, "b");
  ASSERT_EQ(KindsFor(*f.headless, button.Key()),
            (std::vector<Kind>{Kind::StateChanged, Kind::StateChanged, Kind::StateChanged}));
  EXPECT_EQ(notices[0].event.state, ws::AxState::Enabled);
  EXPECT_FALSE(notices[0].event.on);
  EXPECT_EQ(notices[1].event.state, ws::AxState::Visible);
  EXPECT_EQ(KindsFor(*f.headless, list.Key()), std::vector<Kind>{Kind::ChildrenChanged});
}

TEST_F(AccessibleControlsTest, TextChangesNeverSplitASurrogatePair) {
  WindowFixture f;
  UiLabel label;
  label.Create(f.window.get(), true, 10, 10, 200, 20, "");
  f.headless->SetAxListening(true);
  // U+1D11E and U+1D122 share their high surrogate; the change is the whole character.
  label.NotifyAccessibleText(u"a\U0001D11Eb", u"a\U0001D122b");
  const auto& notices = f.headless->AxNotices();
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[0].event.kind, Kind::TextDeleted);
  EXPECT_EQ(notices[0].event.position, 1);
  EXPECT_EQ(notices[0].event.text, u"\U0001D11E");
  EXPECT_EQ(notices[1].event.text, u"\U0001D122");
}

TEST_F(AccessibleControlsTest, AnActivatedWindowAnnouncesTheElementHoldingTheKeyboard) {
  WindowFixture f;
  UiButton button;
  button.Create(f.window.get(), true, 10, 10, 80, 24, "OK");
  f.window->SetFocusElement(f.hwnd, button.Key());
  f.headless->SetAxListening(true);
  f.headless->SetFocus(0);  // another program has the keyboard
  EXPECT_TRUE(KindsFor(*f.headless, button.Key()).empty());
  f.headless->SetForeground(f.hwnd);
  EXPECT_EQ(KindsFor(*f.headless, button.Key()), std::vector<Kind>{Kind::Focus});
}

}  // namespace
}  // namespace quillmar
