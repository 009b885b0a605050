#include "ui/controls/list_box.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "tests/ui/core/window_test_support.h"
#include "ui/core/process_values.h"

namespace quillmar {
namespace {

using testing::WindowFixture;

// A 200 x 150 list at the window's origin with two 60-pixel columns; its grid
// starts at (1, 1) and each row added here is 20 pixels high, below a 20-pixel header.
struct ListScene {
  explicit ListScene(ListBoxOptions options = {}) {
    list.Create(f.window.get(), true, 0, 0, 200, 150, 7, options);
    list.InsertColumn({}, "A", {.width = 60});
    list.InsertColumn({}, "B", {.width = 60});
    list.SetUserHandler([this](Hwnd, int32_t, uint32_t msg, WParam wParam, LParam lParam) {
      if (msg == Event::CellClicked) selections.push_back({static_cast<int32_t>(wParam), static_cast<int32_t>(lParam)});
      return 1;
    });
  }
  void AddRows(int n) {
    for (int i = 0; i < n; ++i) {
      const int32_t row = list.GetRowCount();
      list.InsertRow({}, "r" + std::to_string(row), {.height = 20});
      list.SetCellText(row, 1, "c" + std::to_string(row));
    }
  }
  void MoveTo(int x, int y) { f.headless->MoveMouse(WindowFixture::At(x, y)); }
  void ClickAt(int x, int y) { f.headless->Click(WindowFixture::At(x, y)); }

  WindowFixture f;
  UiListBox list;
  std::vector<ListCellRef> selections;
};

TEST(UiListBox, DeleteRowCountsFromTheEndAndIndicesOutsideTheGridDoNothing) {
  ListScene s;
  s.list.DeleteRow(-1);
  EXPECT_EQ(s.list.GetRowCount(), 0);
  s.AddRows(3);
  s.list.DeleteRow(-1);
  s.list.DeleteRow(2);
  s.list.DeleteRow(-3);
  ASSERT_EQ(s.list.GetRowCount(), 2);
  EXPECT_EQ(s.list.GetCellText(1, 0), "r1");
  s.list.DeleteRow(-2);
  EXPECT_EQ(s.list.GetCellText(0, 1), "c1");

  s.list.SetCellText(5, 0, "x");
  s.list.SetCellText(0, 2, "x");
  s.list.SetRowHeight(-1, 5);
  s.list.SetColumnWidth(2, 5);
  EXPECT_EQ(s.list.GetCellText(5, 0), "");
  EXPECT_EQ(s.list.GetCellAlign(0, 9), -1);
  EXPECT_EQ(s.list.GetRowHeight(3), -1);
  EXPECT_EQ(s.list.GetColumnWidth(-1), -1);
  EXPECT_FALSE(s.list.GetRowTextColor(1).has_value());
  EXPECT_EQ(s.list.GetColumnTitle(2), "");

  s.list.SetSelection(1, 0);
  s.list.SetSelection(2, 0);   // no third column
  s.list.SetSelection(0, 1);   // no second row
  s.list.SetSelection(-2, 0);  // below -1
  EXPECT_EQ(s.list.GetSelection(), (ListCellRef{1, 0}));
  s.list.SetSelection(0, -1);  // the header
  EXPECT_EQ(s.list.GetSelection(), (ListCellRef{0, -1}));
}

TEST(UiListBox, ColumnsInsertedOrDeletedKeepEveryRowsCellsInStep) {
  ListScene s;
  s.AddRows(2);
  s.list.SetRowHeight(1, 33);
  s.list.InsertColumn(1, "mid");
  s.list.InsertColumn(99, "end");
  ASSERT_EQ(s.list.GetColumnCount(), 4);
  EXPECT_EQ(s.list.GetColumnTitle(1), "mid");
  EXPECT_EQ(s.list.GetColumnTitle(3), "end");
  for (int32_t row = 0; row < 2; ++row) {
    EXPECT_EQ(s.list.GetCellText(row, 0), "r" + std::to_string(row));
    EXPECT_EQ(s.list.GetCellText(row, 1), "");
    EXPECT_EQ(s.list.GetCellText(row, 2), "c" + std::to_string(row));
    EXPECT_EQ(s.list.GetCellAlign(row, 1), 2);
  }
  // Deleting the first column keeps what belongs to the whole row.
  s.list.DeleteColumn(0);
  EXPECT_EQ(s.list.GetCellText(1, 1), "c1");
  EXPECT_EQ(s.list.GetRowHeight(1), 33);
  s.list.ClearAll();
  s.list.InsertRow({}, "orphan");  // no columns: a row without cells
  s.list.InsertColumn({}, "late");
  EXPECT_EQ(s.list.GetCellText(0, 0), "");
}

TEST(UiListBox, ClicksSelectCellsOrTheHeaderAndReportOnlyChanges) {
  ListScene s;
  s.AddRows(3);
  s.f.Frame();
  s.ClickAt(70, 10);  // header, second column
  EXPECT_EQ(s.list.GetSelection(), (ListCellRef{1, -1}));
  s.ClickAt(10, 1 + 20 + 45);  // third row
  s.ClickAt(10, 1 + 20 + 45);
  EXPECT_EQ(s.list.GetSelection(), (ListCellRef{0, 2}));
  EXPECT_EQ(s.selections, (std::vector<ListCellRef>{{1, -1}, {0, 2}}));
  // Below the last row nothing is hit: the click clears the selection.
  s.ClickAt(10, 100);
  EXPECT_EQ(s.selections.back(), (ListCellRef{-1, -1}));

  s.MoveTo(70, 30);
  EXPECT_EQ(s.list.GetHoverCell(), (ListCellRef{1, 0}));
  s.MoveTo(193, 30);  // over the vertical scroll bar
  EXPECT_EQ(s.list.GetHoverCell(), (ListCellRef{-1, -1}));
  s.MoveTo(70, 50);
  EXPECT_EQ(s.list.GetHoverCell(), (ListCellRef{1, 1}));
  s.MoveTo(250, 50);  // off the list
  EXPECT_EQ(s.list.GetHoverCell(), (ListCellRef{-1, -1}));
}

TEST(UiListBox, ClicksRightAfterRowsArriveLandBeforeAnyPaint) {
  ListScene s;
  s.AddRows(1);
  s.f.Frame();
  s.MoveTo(10, 1 + 20 + 25);  // resting where the second row comes
  s.AddRows(2);               // laid out by no paint yet
  s.f.headless->PressButton(ws::MouseButton::Left);
  s.f.headless->ReleaseButton(ws::MouseButton::Left);
  EXPECT_EQ(s.list.GetSelection(), (ListCellRef{0, 1}));
  s.AddRows(1);
  s.MoveTo(70, 1 + 20 + 65);
  EXPECT_EQ(s.list.GetHoverCell(), (ListCellRef{1, 3}));
  EXPECT_EQ(s.list.RowAtY(1 + 20 + 65), 4);
}

TEST(UiListBox, KeysMoveTheSelectedRowAndScrollItIntoView) {
  ListScene s;
  s.AddRows(20);  // 20-pixel rows; 117 pixels of rows show under the header
  s.f.Frame();
  s.ClickAt(10, 1 + 20 + 5);
  ASSERT_EQ(s.list.GetSelection().row, 0);
  const struct {
    int key;
    int32_t row;
    int32_t position;
  } steps[] = {{Vk::Down, 1, 0},        {Vk::Next, 6, 20 + 7 * 20 - 137}, {Vk::End, 19, 420 - 137},
               {Vk::Up, 18, 420 - 137}, {Vk::Prior, 13, 13 * 20},         {Vk::Home, 0, 0},
               {Vk::Up, 0, 0}};
  for (const auto& step : steps) {
    s.f.headless->PressKey(step.key);
    EXPECT_EQ(s.list.GetSelection(), (ListCellRef{0, step.row})) << step.key;
    EXPECT_EQ(s.list.GetVScroll()->GetPosition(), step.position) << step.key;
  }
  EXPECT_EQ(s.list.RowTop(0), 1 + 20);
  s.list.ScrollRowIntoView(10);  // from above: the row ends at the bottom of the view
  EXPECT_EQ(s.list.GetVScroll()->GetPosition(), 20 + 11 * 20 - 137);
  EXPECT_EQ(s.list.RowTop(10), 1 + 137 - 20);
}

TEST(UiListBox, WheelNotchMovesFifteenPixelsAndClearRowsKeepsTheHorizontalOffset) {
  ListScene s;
  s.AddRows(20);  // 420 pixels of grid in 137
  s.list.InsertColumn({}, "C", {.width = 100});
  s.f.Frame();
  s.MoveTo(50, 60);
  s.f.headless->Wheel(-120);
  EXPECT_EQ(s.list.GetVOffset(), -15);
  EXPECT_EQ(s.list.GetVScroll()->GetPosition(), 15);
  s.f.headless->Wheel(120);
  s.f.headless->Wheel(120);
  EXPECT_EQ(s.list.GetVOffset(), 0);
  s.MoveTo(193, 60);  // the wheel over the bar scrolls the list too
  s.f.headless->Wheel(-120);
  EXPECT_EQ(s.list.GetVOffset(), -15);
  EXPECT_EQ(s.list.GetVScroll()->GetMaximum(), 420 - 137);
  EXPECT_EQ(s.list.GetHScroll()->GetMaximum(), 220 - 187);

  s.list.GetHScroll()->SetPosition(30);
  s.list.ClearRows();
  s.f.Frame();
  EXPECT_EQ(s.list.GetColumnCount(), 3);
  EXPECT_EQ(s.list.GetHOffset(), -30);
  EXPECT_EQ(s.list.GetVOffset(), 0);
  // Refilled, the list starts at the top, not where the old rows were scrolled to.
  s.AddRows(20);
  s.f.Frame();
  EXPECT_EQ(s.list.GetVOffset(), 0);
}

TEST(UiListBox, ShrinkingContentPullsTheOffsetBackInsideTheRange) {
  ListScene s;
  s.AddRows(20);
  s.f.Frame();
  s.list.GetVScroll()->SetPosition(1000);
  EXPECT_EQ(s.list.GetVOffset(), -(420 - 137));
  while (s.list.GetRowCount() > 10) s.list.DeleteRow(-1);
  s.f.Frame();
  EXPECT_EQ(s.list.GetVOffset(), -(220 - 137));
  EXPECT_EQ(s.list.GetVScroll()->GetPosition(), 220 - 137);
}

TEST(UiListBox, OverflowModeShowsEachBarOnlyWhileItsContentOverflows) {
  ListScene s({.scrollMode = 1});
  s.AddRows(2);
  s.f.Frame();
  EXPECT_EQ(s.list.GetContentRect(), (RectF{1, 1, 198, 148}));
  EXPECT_EQ(s.list.GetVScroll()->GetVisible(), 0);
  s.AddRows(8);  // 220 pixels in 148
  s.f.Frame();
  EXPECT_EQ(s.list.GetVScroll()->GetVisible(), 1);
  EXPECT_EQ(s.list.GetHScroll()->GetVisible(), 0);
  EXPECT_EQ(s.list.GetContentRect(), (RectF{1, 1, 187, 148}));
  // 190 pixels of columns fit the whole width but not beside the vertical bar.
  s.list.SetColumnWidth(1, 130);
  s.f.Frame();
  EXPECT_EQ(s.list.GetHScroll()->GetVisible(), 1);
  EXPECT_EQ(s.list.GetContentRect(), (RectF{1, 1, 187, 137}));
  EXPECT_EQ(s.list.GetVScroll()->GetBounds(), (Rect{188, 1, 11, 137}));
  // Widened, the columns fit beside the vertical bar again.
  s.list.Place({}, {}, 250, 150);
  s.f.Frame();
  EXPECT_EQ(s.list.GetHScroll()->GetVisible(), 0);
  EXPECT_EQ(s.list.GetContentRect(), (RectF{1, 1, 237, 148}));
  EXPECT_EQ(s.list.GetVScroll()->GetBounds(), (Rect{238, 1, 11, 148}));
}

TEST(UiListBox, RowsScrolledUpPassUnderTheHeaderAndSelectionShows) {
  ListScene s({.rowSelect = 1, .cellBackColor = 0xFF0000FF});
  s.list.SetColumnBackColor(0, 0xFFFF0000);
  s.AddRows(20);
  s.f.Frame();
  const uint32_t header = s.f.Pixel(5, 5);
  const uint32_t row = s.f.Pixel(5, 35);
  s.MoveTo(150, 100);  // in the grid, right of the columns: no cell hovered
  s.f.headless->Wheel(-120);
  s.f.Frame();
  EXPECT_EQ(s.f.Pixel(5, 5), header);
  EXPECT_EQ(s.f.Pixel(5, 19), header);
  s.list.SetSelection(0, 1);
  s.f.Frame();
  // Scrolled by 15, row 1 lies at 26..45 and row 2 at 46..65.
  EXPECT_EQ(s.f.Pixel(5, 50), row);
  EXPECT_NE(s.f.Pixel(65, 35), s.f.Pixel(65, 50));  // the whole of row 1 is selected
}

// A right-aligned cell text and a cut-short one in the next column keep a gap between them,
// as text drawn in a rectangle does on the classic desktop, rather than running together.
TEST(UiListBox, CellTextsKeepClearOfTheColumnBoundary) {
  InitProcessValues("", 1);  // the theme's font
  ListScene s({.textColor = 0xFF000000, .cellBackColor = 0xFFFFFFFF});
  s.list.InsertRow({}, "MMM", {.height = 20});  // cells right-aligned by default
  s.list.SetCellText(0, 1, std::string(40, 'W'));
  s.f.Frame();
  const uint32_t background = s.f.Pixel(30, 40);
  // Column A covers x 1..60 and column B from 61; row 0 covers y 21..40.
  for (int x : {59, 60, 61, 62}) {
    for (int y = 21; y <= 40; ++y) ASSERT_EQ(s.f.Pixel(x, y), background) << x << "," << y;
  }
  bool inked = false;
  for (int y = 21; y <= 40 && !inked; ++y) inked = s.f.Pixel(55, y) != background && s.f.Pixel(66, y) != background;
  EXPECT_TRUE(inked);  // the texts are there, just off the boundary
}

#ifndef NDEBUG
TEST(UiListBox, ARoutineHearingItsBarMayDropTheBarsOrDisposeTheList) {
  for (const bool dispose : {false, true}) {
    ListScene s;
    s.AddRows(20);
    s.f.Frame();
    int heard = 0;
    s.list.GetVScroll()->SetUserHandler([&](Hwnd, int32_t, uint32_t msg, WParam, LParam) {
      if (msg != Event::ScrollChanged || ++heard > 1) return 1;
      if (dispose) {
        s.list.Dispose();
      } else {
        s.list.SetScrollBars(0);
      }
      return 1;
    });
    // The bar's second arrow, held: one step, then the routine takes the bar away.
    s.MoveTo(193, 130);
    s.f.headless->PressButton(ws::MouseButton::Left);
    s.f.headless->Advance(300);
    s.f.headless->ReleaseButton(ws::MouseButton::Left);
    EXPECT_EQ(heard, 1) << dispose;
    EXPECT_EQ(s.list.GetVScroll(), nullptr) << dispose;
    EXPECT_EQ(s.list.Key() == 0, dispose);
  }
}

TEST(UiListBox, LosingTheMouseEndsThePressOfTheListAndOfItsBar) {
  ListScene s;
  s.AddRows(20);
  s.f.Frame();
  const Hwnd other = testing::OpenTestWindow({.x = 600, .y = 100, .width = 50, .height = 50});
  s.MoveTo(10, 50);
  s.f.headless->PressButton(ws::MouseButton::Left);
  EXPECT_EQ(s.list.GetPressed(), 1);
  ws::System().SetCapture(other);
  EXPECT_EQ(s.list.GetPressed(), 0);
  s.f.headless->ReleaseButton(ws::MouseButton::Left);
  // The bar's arrow repeat stops instead of scrolling the list to its end.
  ws::System().ReleaseCapture();
  s.MoveTo(193, 130);
  s.f.headless->PressButton(ws::MouseButton::Left);
  s.f.headless->Advance(100);
  const int32_t held = s.list.GetVOffset();
  ws::System().SetFocus(other);
  s.f.headless->Advance(2000);
  EXPECT_EQ(s.list.GetVOffset(), held);
  EXPECT_EQ(s.list.GetVScroll()->GetPressed(), 0);
}

TEST(UiListBox, ColumnWidthsAndRowHeightsAddUpWithoutWrapping) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  ListScene s({.gridLines = 3});
  s.list.InsertColumn({}, "C", {.width = kMax});
  s.list.InsertColumn({}, "D", {.width = kMax});
  s.list.InsertRow({}, "tall", {.height = kMax});
  s.list.InsertRow({}, "taller", {.height = kMax});
  s.f.Frame();  // lays out and paints
  EXPECT_EQ(s.list.GetVScroll()->GetMaximum(), kMax - 137);
  EXPECT_EQ(s.list.GetHScroll()->GetMaximum(), kMax - 187);
  s.list.GetVScroll()->SetPosition(kMax);
  s.list.GetHScroll()->SetPosition(kMax);
  s.f.headless->Wheel(-120);
  s.f.Frame();
  EXPECT_EQ(s.list.GetVOffset(), -(kMax - 137));
  // The second row starts where the sum stops, so the first still fills the view.
  s.MoveTo(50, 60);
  EXPECT_EQ(s.list.GetHoverCell().row, 0);
}

TEST(UiListBoxDeathTest, CallsFromAnotherThreadAreCaught) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ListScene s;
  EXPECT_DEATH(std::thread([&] { s.list.InsertRow({}, "from a worker"); }).join(), "UI thread");
}
#endif

}  // namespace
}  // namespace quillmar
