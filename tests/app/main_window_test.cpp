// The program end to end on the headless desktop against a loopback site: typing, clicking,
// paging, closing, double clicks and the row menu, as a user drives them.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/startup.h"
#include "base/text_encoding.h"
#include "platform/ws/headless_window_system.h"
#include "platform/ws/messages.h"
#include "tests/app/search_site.h"
#include "ui/msgbox/box_layout.h"
#include "ui/msgbox/message_box.h"

namespace quillmar {
namespace {

using namespace std::chrono_literals;

struct Box {
  std::string text;  // UTF-8
  int32_t type;
  std::string caption;
};

using test::SearchSite;

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    InitModule();
    MainWindowOptions options;
    options.site = site_.Prefix();
    options.messageBox = [this](std::string_view text, int32_t type, std::string_view caption) {
      boxes_.push_back({GbkToUtf8(text), type, GbkToUtf8(caption)});
      return answers_.empty() ? 0 : std::exchange(answers_, {}).front();
    };
    window_ = std::make_unique<MainWindow>(options);
    EXPECT_TRUE(window_->Create());
    window_->JoinColumnThread();
    Settle();
  }

  MainWindow& mw() { return *window_; }
  ws::HeadlessWindowSystem& sys() { return *headless_; }
  void Settle() { sys().Advance(600); }  // the open effect and any fades end
  // Runs posted work until the search ends, then paints.
  void WaitForSearch() {
    ASSERT_TRUE(sys().RunUntil([&] { return !mw().Session().Busy(); }, 20000));
    Settle();
  }
  Point Centre(UiWindow& control) { return control.PointToScreen({control.GetWidth() / 2, control.GetHeight() / 2}); }
  void Click(UiWindow& control) {
    sys().Click(Centre(control));
    sys().Advance(50);
  }
  void TypeKeyword(const std::string& ascii) {
    Click(mw().KeywordBox());
    mw().KeywordBox().SetText("");
    sys().TypeText(ascii);
  }
  // Middle of the row's first cell, in screen coordinates (rows are 80 pixels under a 20-pixel header).
  Point RowPoint(int row) { return mw().ResultList().PointToScreen({100, 1 + 20 + 80 * row + 40}); }
  std::vector<std::pair<std::string, std::string>> Rows() {
    std::vector<std::pair<std::string, std::string>> rows;
    UiListBox& list = mw().ResultList();
    for (int i = 0; i < list.GetRowCount(); ++i) rows.emplace_back(list.GetCellText(i, 0), list.GetCellText(i, 1));
    return rows;
  }
  static std::vector<std::pair<std::string, std::string>> Expected(const std::string& stem) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (int i = 1; i <= 3; ++i) {
      const std::string n = std::to_string(i);
      rows.emplace_back(stem + " " + n, "magnet:?xt=" + stem + "-" + n);
    }
    return rows;
  }
  std::string Status() { return GbkToUtf8(mw().StatusLine().GetText()); }

  ws::ScopedHeadless headless_;
  SearchSite site_;
  std::vector<Box> boxes_;
  std::vector<int32_t> answers_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, SearchAndPagingFetchTheRightPagesInPageOrder) {
  TypeKeyword("abc");
  Click(mw().Button(1));
  WaitForSearch();
  EXPECT_EQ(Rows(), Expected("abc-1"));
  EXPECT_EQ(Status(), "第 1 页：3/3，完成");

  // Next twice, then a new keyword: its first page, not page 3 of it.
  Click(mw().Button(3));
  WaitForSearch();
  EXPECT_EQ(Rows(), Expected("abc-2"));
  Click(mw().Button(3));
  WaitForSearch();
  TypeKeyword("xyz");
  Click(mw().Button(1));
  WaitForSearch();
  EXPECT_EQ(mw().PageNumber(), 1);
  EXPECT_EQ(Rows(), Expected("xyz-1"));
  EXPECT_EQ(Status(), "第 1 页：3/3，完成");

  // The same keyword again refreshes the page it is on.
  Click(mw().Button(3));
  WaitForSearch();
  Click(mw().Button(3));
  WaitForSearch();
  Click(mw().Button(1));
  WaitForSearch();
  EXPECT_EQ(mw().PageNumber(), 3);
  EXPECT_EQ(Rows(), Expected("xyz-3"));

  // Previous steps back; Enter in the keyword box searches a new keyword from page 1.
  Click(mw().Button(2));
  WaitForSearch();
  EXPECT_EQ(Rows(), Expected("xyz-2"));
  TypeKeyword("def");
  sys().PressKey(Vk::Return);
  sys().Advance(10);
  WaitForSearch();
  EXPECT_EQ(Rows(), Expected("def-1"));
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(MainWindowTest, TheKeyboardAloneSearchesMovesAroundAndOpensARow) {
  // The keyword box has the focus from the start: type, Enter.
  EXPECT_EQ(mw().Window().FocusKey(), mw().KeywordBox().Key());
  sys().TypeText("abc");
  sys().PressKey(Vk::Return);
  sys().Advance(10);
  WaitForSearch();
  ASSERT_EQ(Rows(), Expected("abc-1"));
  // The search took the Enter: the one-line box did not beep at it.
  EXPECT_TRUE(sys().Beeps().empty());
  // Down goes on from the box to the first row.
  sys().PressKey(Vk::Down);
  EXPECT_EQ(mw().Window().FocusKey(), mw().ResultList().Key());
  EXPECT_EQ(mw().ResultList().GetSelection().row, 0);
  Click(mw().KeywordBox());

  // Tab goes round box, search, list, previous, next; Shift+Tab goes back.
  const int32_t order[] = {mw().Button(1).Key(), mw().ResultList().Key(), mw().Button(2).Key(), mw().Button(3).Key(),
                           mw().KeywordBox().Key()};
  for (int32_t key : order) {
    sys().PressKey(Vk::Tab);
    EXPECT_EQ(mw().Window().FocusKey(), key);
  }
  EXPECT_EQ(GbkToUtf8(mw().KeywordBox().GetText()), "abc");  // Tab typed nothing
  sys().KeyDown(Vk::Shift);
  sys().PressKey(Vk::Tab);
  sys().PressKey(Vk::Tab);
  sys().KeyUp(Vk::Shift);
  EXPECT_EQ(mw().Window().FocusKey(), mw().Button(2).Key());
  EXPECT_TRUE(mw().Button(2).ShowsFocusMark());

  // In the list the keys move the selection, Enter opens, Ctrl+C copies.
  sys().KeyDown(Vk::Shift);
  sys().PressKey(Vk::Tab);
  sys().KeyUp(Vk::Shift);
  ASSERT_EQ(mw().Window().FocusKey(), mw().ResultList().Key());
  auto selected = [&] { return mw().ResultList().GetSelection().row; };
  sys().PressKey(Vk::Home);
  EXPECT_EQ(selected(), 0);
  sys().PressKey(Vk::Down);
  EXPECT_EQ(selected(), 1);
  sys().PressKey(Vk::End);
  EXPECT_EQ(selected(), 2);
  sys().PressKey(Vk::Up);
  EXPECT_EQ(selected(), 1);
  sys().PressKey(Vk::Return);
  sys().Advance(10);
  ASSERT_EQ(sys().OpenedLinks().size(), 1u);
  EXPECT_EQ(sys().OpenedLinks()[0], "magnet:?xt=abc-1-2");
  sys().KeyDown(Vk::Control);
  sys().PressKey('C');
  sys().KeyUp(Vk::Control);
  EXPECT_EQ(sys().ClipboardMultibyte(), "magnet:?xt=abc-1-2");
  sys().PressKey(Vk::Apps);
  sys().Advance(50);
  EXPECT_TRUE(mw().RowMenu().IsOpen());
  sys().PressKey(Vk::Escape);
  sys().Advance(50);

  // Space on the focused "下一页" pages on; Enter on "上一页" pages back.
  sys().PressKey(Vk::Tab);
  sys().PressKey(Vk::Tab);
  ASSERT_EQ(mw().Window().FocusKey(), mw().Button(3).Key());
  sys().PressKey(Vk::Space);
  sys().Advance(10);
  WaitForSearch();
  EXPECT_EQ(Rows(), Expected("abc-2"));
  sys().KeyDown(Vk::Shift);
  sys().PressKey(Vk::Tab);
  sys().KeyUp(Vk::Shift);
  sys().PressKey(Vk::Return);
  sys().Advance(10);
  WaitForSearch();
  EXPECT_EQ(Rows(), Expected("abc-1"));
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(MainWindowTest, KeysGoToTheFocusedControlNotTheOneUnderThePointer) {
  TypeKeyword("abc");
  Click(mw().Button(1));
  WaitForSearch();
  Click(mw().KeywordBox());
  sys().MoveMouse(RowPoint(1));  // resting over the list while typing in the box
  sys().Advance(10);
  sys().PressKey(Vk::End);
  sys().PressKey(Vk::Return);
  sys().Advance(10);
  WaitForSearch();
  EXPECT_EQ(mw().ResultList().GetSelection().row, -1);
  EXPECT_TRUE(sys().OpenedLinks().empty());
}

TEST_F(MainWindowTest, AMagnetNoProgramOpensIsCopiedAndTheUserIsTold) {
  TypeKeyword("abc");
  Click(mw().Button(1));
  WaitForSearch();
  sys().SetOpenHandlerResult(false);
  sys().DoubleClick(RowPoint(1));
  sys().Advance(10);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, "没有能打开磁力链接的程序。链接已经复制到剪贴板，可以粘贴到下载工具里。");
  EXPECT_EQ(sys().ClipboardMultibyte(), "magnet:?xt=abc-1-2");
}

TEST_F(MainWindowTest, TheWindowFollowsASizeFromOutsideAndKeepsItsDesignSizeAtLeast) {
  const ws::WindowHandle hwnd = mw().Handle();
  const Rect before = sys().WindowRect(hwnd);
  const Rect previous = mw().Button(2).GetBounds();
  const Rect title = mw().KeywordBox().GetBounds();
  sys().DesktopGeometry(hwnd, Rect::FromXywh(before.x, before.y, 800, 600));
  Settle();
  EXPECT_EQ(mw().Window().GetWidth(), 800);
  EXPECT_EQ(mw().Window().GetHeight(), 600);
  // The list takes the growth; the bottom row moves with the bottom right corner.
  EXPECT_EQ(mw().ResultList().GetBounds(), Rect::FromXywh(4, 114, 524 + 256, 280 + 155));
  EXPECT_EQ(mw().Button(2).GetBounds(), previous.Translated(256, 155));
  EXPECT_EQ(mw().StatusLine().GetTop(), previous.y + 155);
  EXPECT_EQ(mw().KeywordBox().GetBounds(), title);
  // The picture covers the new size: no see-through pixel inside the frame.
  const auto* shown = sys().Presented(hwnd);
  ASSERT_NE(shown, nullptr);
  ASSERT_EQ(shown->size, (Size{800, 600}));
  int clear = 0;
  for (int y = 6; y < 594; ++y) {
    for (int x = 6; x < 794; ++x) clear += (shown->At(x, y) >> 24) == 0 ? 1 : 0;
  }
  EXPECT_EQ(clear, 0);

  // Smaller than the design size is refused, whoever asks.
  sys().DesktopGeometry(hwnd, Rect::FromXywh(before.x, before.y, 300, 200));
  Settle();
  EXPECT_EQ(sys().WindowRect(hwnd).GetSize(), (Size{544, 445}));
  EXPECT_EQ(mw().Button(2).GetBounds(), previous);
}

TEST_F(MainWindowTest, TheBusyCursorShowsOverEveryControlAndTheBoxGivesUpItsIBeam) {
  auto cursor = [&] { return sys().SystemCursorOf(sys().CurrentCursor()); };
  sys().MoveMouse(Centre(mw().KeywordBox()));
  sys().Advance(10);
  EXPECT_EQ(cursor(), ws::SystemCursor::IBeam);
  // Straight from the box to the list: the list's own cursor, at once.
  sys().MoveMouse(RowPoint(1));
  EXPECT_EQ(cursor(), ws::SystemCursor::Arrow);

  TypeKeyword("slow");
  Click(mw().Button(1));
  site_.WaitSlow();
  sys().RunPending();
  EXPECT_EQ(cursor(), ws::SystemCursor::AppStarting);  // under the pointer without a move
  sys().MoveMouse(Centre(mw().KeywordBox()));
  EXPECT_EQ(cursor(), ws::SystemCursor::AppStarting);
  site_.Release();
  WaitForSearch();
  sys().MoveMouse(Centre(mw().KeywordBox()) + Point{1, 0});
  EXPECT_EQ(cursor(), ws::SystemCursor::IBeam);
}

TEST_F(MainWindowTest, PreviousOnTheFirstPageShowsTheNoticeAndStartsNoSearch) {
  Click(mw().Button(2));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].type, 0);
  EXPECT_EQ(boxes_[0].caption, "Quill提示：");
  EXPECT_FALSE(mw().Session().Busy());
  EXPECT_EQ(mw().Session().Generation(), 0u);
  EXPECT_EQ(mw().PageNumber(), 1);
}

TEST_F(MainWindowTest, EscapeAsksFirstCancelKeepsTheWindowOkEndsTheLoop) {
  Click(mw().KeywordBox());
  answers_ = {1};  // "取消"
  sys().PressKey(Vk::Escape);
  sys().Advance(10);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, "确认退出？");
  EXPECT_EQ(boxes_[0].type, 65);
  EXPECT_EQ(boxes_[0].caption, "Quill提示：");
  EXPECT_TRUE(sys().IsWindow(mw().Handle()));

  answers_ = {0};  // "确定"
  sys().PressKey(Vk::Escape);
  sys().Advance(10);
  EXPECT_EQ(boxes_.size(), 2u);
  EXPECT_FALSE(sys().IsWindow(mw().Handle()));
  sys().SetLoopLimit(1000);
  EXPECT_EQ(sys().RunLoop(), 0);
  EXPECT_FALSE(sys().LoopGaveUp());
}

TEST_F(MainWindowTest, DoubleClickOpensOnlyAMagnetLinkAndTellsWhyOthersAreNot) {
  sys().DoubleClick(RowPoint(0));
  sys().Advance(10);
  EXPECT_TRUE(sys().OpenedLinks().empty());
  EXPECT_TRUE(boxes_.empty());

  TypeKeyword("odd");
  Click(mw().Button(1));
  WaitForSearch();
  EXPECT_EQ(Status(), "第 1 页：3/3，1 条没有取到链接（双击看原因）");
  sys().DoubleClick(RowPoint(0));
  sys().Advance(10);
  ASSERT_EQ(sys().OpenedLinks().size(), 1u);
  EXPECT_EQ(sys().OpenedLinks()[0], "magnet:?xt=odd-1-1");

  sys().DoubleClick(RowPoint(1));  // the page put a script address in the cell
  sys().Advance(10);
  EXPECT_EQ(sys().OpenedLinks().size(), 1u);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, "这一行的链接不是磁力链接，不会打开。");

  sys().DoubleClick(RowPoint(2));  // its detail page answered 404
  sys().Advance(10);
  EXPECT_EQ(sys().OpenedLinks().size(), 1u);
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1].text, "这一行没有取到磁力链接：站点回答 HTTP 404");
}

TEST_F(MainWindowTest, RowMenuAndCtrlCCopyTheRowsLink) {
  TypeKeyword("abc");
  Click(mw().Button(1));
  WaitForSearch();

  sys().Click(RowPoint(1), ws::MouseButton::Right);
  sys().Advance(50);
  ASSERT_TRUE(mw().RowMenu().IsOpen());
  const Rect menu = sys().WindowRect(mw().RowMenu().PopupWindow());
  const Rect first = mw().RowMenu().ItemRect(0);
  sys().Click({menu.x + 30, menu.y + first.y + first.height / 2});
  sys().Advance(50);
  EXPECT_EQ(sys().ClipboardMultibyte(), "magnet:?xt=abc-1-2");

  sys().Click(RowPoint(2));
  sys().Advance(10);
  sys().KeyDown(Vk::Control);
  sys().PressKey('C');
  sys().KeyUp(Vk::Control);
  EXPECT_EQ(sys().ClipboardMultibyte(), "magnet:?xt=abc-1-3");

  // The next page starts with nothing selected: Ctrl+C there copies nothing of the old choice.
  sys().SetClipboardText(u"kept", "kept");
  Click(mw().Button(3));
  WaitForSearch();
  EXPECT_EQ(mw().ResultList().GetSelection().row, -1);
  sys().KeyDown(Vk::Control);
  sys().PressKey('C');
  sys().KeyUp(Vk::Control);
  EXPECT_EQ(sys().ClipboardMultibyte(), "kept");
}

TEST_F(MainWindowTest, ANewerSearchShowsOnlyItsOwnRowsAndClosingDuringASearchEndsIt) {
  TypeKeyword("slow");
  Click(mw().Button(1));
  site_.WaitSlow();
  sys().RunPending();
  auto windowCursor = [&] { return sys().SystemCursorOf(sys().ClassCursor(mw().Handle())); };
  EXPECT_EQ(windowCursor(), ws::SystemCursor::AppStarting);
  EXPECT_EQ(Status(), "正在搜索第 1 页…");
  TypeKeyword("abc");
  Click(mw().Button(1));
  WaitForSearch();
  EXPECT_NE(windowCursor(), ws::SystemCursor::AppStarting);
  site_.Release();
  sys().RunUntil([] { return false; }, 200);
  EXPECT_EQ(Rows(), Expected("abc-1"));

  // A search still waiting on the site when the window goes: it is cancelled and joined.
  SearchSite slow;
  MainWindowOptions options;
  options.site = slow.Prefix();
  window_.reset();
  window_ = std::make_unique<MainWindow>(options);
  ASSERT_TRUE(window_->Create());
  window_->KeywordBox().SetText("slow");
  Click(window_->Button(1));
  slow.WaitSlow();
  window_.reset();  // must not wait for the held list
  slow.Release();
}

TEST_F(MainWindowTest, AListThatCannotBeFetchedIsToldByCause) {
  MainWindowOptions options;
  options.site = "http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/s/";
  window_.reset();
  window_ = std::make_unique<MainWindow>(options);
  ASSERT_TRUE(window_->Create());
  Click(mw().Button(1));
  WaitForSearch();
  EXPECT_EQ(Status(), "第 1 页：取不到结果页，无法连接站点");
  EXPECT_EQ(mw().ResultList().GetRowCount(), 0);
}

TEST_F(MainWindowTest, TheProgramsOwnBoxAsksBeforeClosingAndHoldsTheWindowMeanwhile) {
  MainWindowOptions options;
  options.site = site_.Prefix();
  window_.reset();
  window_ = std::make_unique<MainWindow>(options);
  ASSERT_TRUE(window_->Create());
  Settle();
  // Inside the box's own loop: note what is open, then answer as the user would.
  bool disabledMeanwhile = false;
  std::function<void(Rect)> answer;
  auto script = [&] {
    if (OpenMessageBoxCount() == 0) return false;
    sys().Advance(600);
    const ws::WindowHandle box = sys().TopLevelWindows().front();
    if (sys().ClassName(box) != "OrvexMessageBox") return true;  // closing
    disabledMeanwhile = disabledMeanwhile || !sys().IsEnabled(mw().Handle());
    answer(sys().WindowRect(box));
    return true;
  };
  sys().SetIdleScript(script);
  answer = [&](Rect) { sys().PressKey(Vk::Escape); };
  Click(mw().KeywordBox());
  sys().PressKey(Vk::Escape);
  sys().Advance(600);
  EXPECT_TRUE(disabledMeanwhile);
  EXPECT_TRUE(sys().IsWindow(mw().Handle()));
  EXPECT_TRUE(sys().IsEnabled(mw().Handle()));

  // "确定" is the left one of the two equal buttons at the bottom right.
  answer = [&](Rect r) {
    const int32_t w = ButtonWidthFor(24.0f);
    const Rect first = BoxButtonRects({r.width, r.height}, w, w, true).first;
    sys().Click({r.x + first.x + first.width / 2, r.y + first.y + first.height / 2});
  };
  sys().SetIdleScript(script);
  Click(mw().KeywordBox());
  sys().PressKey(Vk::Escape);
  sys().Advance(600);
  EXPECT_FALSE(sys().IsWindow(mw().Handle()));
}

TEST_F(MainWindowTest, AScreenReaderFindsTheWindowsRolesNamesAndTheSearchsRows) {
  ws::AxProvider* tree = sys().AxProviderOf(mw().Handle());
  ASSERT_NE(tree, nullptr);
  const auto frame = tree->Node(tree->RootNode());
  EXPECT_EQ(frame->role, ws::AxRole::Frame);
  EXPECT_EQ(frame->name, "Quillmar种子搜索神器");
  const auto entry = tree->Node(mw().KeywordBox().Key());
  EXPECT_EQ(entry->role, ws::AxRole::Entry);
  EXPECT_EQ(entry->name, "输入关键字，点击撸一管，爱搜啥搜啥，任性！") << "named by the prompt";
  EXPECT_NE(entry->labelledBy, 0);
  const char* names[] = {"撸一管", "上一页", "下一页"};
  for (int i = 1; i <= 3; ++i) {
    const auto button = tree->Node(mw().Button(i).Key());
    EXPECT_EQ(button->role, ws::AxRole::PushButton);
    EXPECT_EQ(button->name, names[i - 1]);
  }
  EXPECT_EQ(tree->Node(mw().StatusLine().Key())->role, ws::AxRole::StatusBar);
  EXPECT_EQ(tree->Table(mw().ResultList().Key())->columnTitles, (std::vector<std::string>{"名称", "种子连接"}));

  // The reader types through the edit, presses the search button by its action and hears the status line.
  sys().SetAxListening(true);
  ASSERT_TRUE(tree->EditText(mw().KeywordBox().Key(), 0, -1, u"abc"));
  ASSERT_TRUE(tree->DoAction(mw().Button(1).Key(), 0));
  sys().RunPending();
  WaitForSearch();
  const auto table = tree->Table(mw().ResultList().Key());
  ASSERT_EQ(table->rows, 3);
  EXPECT_EQ(tree->CellText(mw().ResultList().Key(), 2, 1), "magnet:?xt=abc-1-3");
  bool heardStatus = false;
  int rowsHeard = 0;
  for (const auto& notice : sys().AxNotices()) {
    heardStatus |= notice.event.node == mw().StatusLine().Key() && notice.event.kind == ws::AxEventKind::NameChanged;
    rowsHeard += notice.event.kind == ws::AxEventKind::RowsInserted ? notice.event.length : 0;
  }
  EXPECT_TRUE(heardStatus);
  EXPECT_EQ(rowsHeard, 3);
  // The focus the tree reports is the framework's.
  Click(mw().ResultList());
  EXPECT_NE(tree->Node(mw().ResultList().Key())->states & ws::AxState::Focused, 0u);
  EXPECT_EQ(tree->Node(mw().KeywordBox().Key())->states & ws::AxState::Focused, 0u);
}
}  // namespace
}  // namespace quillmar
