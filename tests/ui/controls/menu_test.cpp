// The popup menu on the headless backend: item records, placement near the
// screen edges, choosing and closing by the mouse, and hover repainting.

#include "ui/controls/menu.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "tests/ui/core/window_test_support.h"
#include "ui/core/process_values.h"

namespace quillmar {
namespace {

using testing::WindowFixture;

// Records which items each paint draws, and whether highlighted.
class RecordingMenu : public UiMenu {
 public:
  std::vector<std::pair<int32_t, bool>> painted;

 protected:
  void PaintItem(draw::Graphics& g, int32_t index, int32_t top, bool hovered) override {
    painted.emplace_back(index, hovered);
    UiMenu::PaintItem(g, index, top, hovered);
  }
};

// An owner window with the focus, and a menu "Open", separator, "Save" whose
// chosen items are logged.
class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitProcessValues("", 1);
    fx_ = std::make_unique<WindowFixture>();
    fx_->headless->Click(WindowFixture::At(20, 20));
    menu_ = std::make_unique<RecordingMenu>();
    menu_->InsertItem({}, "Open");
    menu_->InsertItem({}, "-");
    menu_->InsertItem({}, "Save");
    menu_->SetUserHandler([this](Hwnd, int32_t, uint32_t msg, WParam w, LParam) {
      if (msg == Event::MenuItemChosen) chosen_.push_back(static_cast<int32_t>(w));
      return 1;
    });
  }
  void TearDown() override {
    menu_.reset();
    fx_.reset();
  }

  ws::HeadlessWindowSystem& sys() { return *fx_->headless; }
  void OpenAt(int32_t x, int32_t y) {
    menu_->Popup(x, y);
    fx_->Frame();
  }
  // Screen point of a control-relative position in the open popup.
  ws::Point InMenu(int32_t x, int32_t y) const {
    const ws::Rect r = ws::System().WindowRect(menu_->PopupWindow());
    return {r.left + x, r.top + y};
  }
  ws::Point OnItem(int32_t index) const {
    const Rect r = menu_->ItemRect(index);
    return InMenu(r.x + 40, r.y + r.height / 2);
  }
  uint32_t PixelAt(int32_t x, int32_t y) {
    const auto* picture = sys().Presented(menu_->PopupWindow());
    return picture ? picture->At(x, y) : 0;
  }

  std::unique_ptr<WindowFixture> fx_;
  std::unique_ptr<RecordingMenu> menu_;
  std::vector<int32_t> chosen_;
};

TEST_F(MenuTest, ItemRecordsFollowTheInsertAndDeleteRules) {
  UiMenu menu;
  MenuItemStyle tall;
  tall.height = 40;
  tall.hoverTextColor = 0xFF112233;
  menu.InsertItem({}, "-", {}, 0, tall);
  EXPECT_EQ(menu.Items()[0].look.height, 10) << "a separator is 10 pixels whatever was given";
  EXPECT_EQ(menu.Items()[0].disabled, 1);

  menu.InsertItem({}, "b", {}, 0, tall);
  EXPECT_EQ(menu.Items()[1].look.height, 40);
  EXPECT_EQ(menu.Items()[1].look.hoverTextColor, 0xFF112233u);
  MenuItemStyle coloured = tall;
  coloured.textColor = 0xFF00AA00;
  menu.InsertItem(0, "a", {}, 0, coloured);
  EXPECT_EQ(menu.Items()[0].look.hoverTextColor, 0xFF00AA00u) << "a given text colour also serves under the mouse";
  menu.InsertItem(-7, "c");  // any negative index appends
  menu.InsertItem(99, "d");
  EXPECT_EQ(menu.Items()[3].text, u"c");
  EXPECT_EQ(menu.Items()[4].text, u"d");
  EXPECT_EQ(menu.Items()[4].look.height, 25);
  EXPECT_EQ(menu.Items()[4].look.hoverColor, 0xC8808080u);

  menu.DeleteItem(-1);  // the last
  menu.DeleteItem(-5);  // further back than the first: nothing
  menu.DeleteItem(4);   // beyond the count: nothing
  menu.DeleteItem(0);
  ASSERT_EQ(menu.Items().size(), 3u);
  EXPECT_EQ(menu.Items()[0].text, u"-");
  EXPECT_EQ(menu.Items()[2].text, u"c");
  menu.ClearItems();
  menu.DeleteItem(-1);
  EXPECT_TRUE(menu.Items().empty());
}

TEST(UiMenuPlacement, FlipsAtTheRightAndBottomEdgesAndStaysOnTheWorkArea) {
  const Rect screen = Rect::FromLtrb(0, 0, 1920, 1040);
  const Size menu{200, 78};
  // 100 pixels from the right edge of a 1920-pixel screen: left of the mouse.
  EXPECT_EQ(UiMenu::PlacePopup({}, {}, {1820, 300}, menu, screen), (Point{1617, 301}));
  EXPECT_EQ(UiMenu::PlacePopup({}, {}, {1500, 300}, menu, screen), (Point{1501, 301}));
  // Near the bottom: above the mouse.
  EXPECT_EQ(UiMenu::PlacePopup({}, {}, {500, 1000}, menu, screen), (Point{501, 922}));
  // A menu taller than the room above the mouse starts at the top of the work area.
  EXPECT_EQ(UiMenu::PlacePopup({}, {}, {500, 900}, Size{200, 1000}, screen), (Point{501, 0}));
  // A point given past the edge keeps the whole menu visible.
  EXPECT_EQ(UiMenu::PlacePopup(1900, -30, {0, 0}, menu, screen), (Point{1716, 0}));
  // On a work area below a top panel nothing goes under the panel.
  EXPECT_EQ(UiMenu::PlacePopup(10, 5, {0, 0}, menu, Rect::FromLtrb(0, 30, 1920, 1080)), (Point{10, 30}));
}

TEST_F(MenuTest, PopupAtTheMouseOpensLeftNearTheRightEdgeOfTheScreen) {
  sys().SetScreen({1920, 1080}, ws::Rect{0, 0, 1920, 1040}, ws::TaskbarInfo{false, 3, ws::Rect{0, 1040, 1920, 1080}});
  sys().MoveMouse({1820, 300});
  menu_->Popup();
  fx_->Frame();
  ASSERT_TRUE(menu_->IsOpen());
  const ws::Rect r = ws::System().WindowRect(menu_->PopupWindow());
  EXPECT_EQ(r.left, 1820 - 203);
  EXPECT_EQ(r.top, 301);
  EXPECT_EQ(r.Width(), 204);
  EXPECT_EQ(r.Height(), 25 + 10 + 25 + 3 + 1);
  EXPECT_EQ(ws::System().Owner(menu_->PopupWindow()), fx_->hwnd);
  EXPECT_EQ(ws::System().Focus(), menu_->PopupWindow());
}

TEST_F(MenuTest, ClickOnItemRaisesItsIndexAndCloses) {
  OpenAt(400, 300);
  sys().Click(OnItem(2));
  EXPECT_EQ(chosen_, std::vector<int32_t>{2});
  EXPECT_FALSE(menu_->IsOpen());

  // Opening again works with the same menu.
  OpenAt(400, 300);
  sys().Click(OnItem(0));
  EXPECT_EQ(chosen_, (std::vector<int32_t>{2, 0}));
  EXPECT_FALSE(menu_->IsOpen());
}

TEST_F(MenuTest, SeparatorKeepsTheMenuOpenAndAClickBelowTheItemsClosesSilently) {
  OpenAt(400, 300);
  const Hwnd popup = menu_->PopupWindow();
  sys().Click(OnItem(1));
  fx_->Frame();
  EXPECT_TRUE(ws::System().IsWindow(popup));
  EXPECT_TRUE(chosen_.empty());

  // The items end at 2 + 60; the control's last rows lie below them.
  sys().Click(InMenu(50, menu_->MenuHeight() - 1));
  EXPECT_FALSE(ws::System().IsWindow(popup));
  EXPECT_TRUE(chosen_.empty());
}

TEST_F(MenuTest, OwnerClickAndEscapeClosePopup) {
  OpenAt(400, 300);
  Hwnd popup = menu_->PopupWindow();
  sys().Click(WindowFixture::At(30, 30));
  EXPECT_FALSE(ws::System().IsWindow(popup));
  EXPECT_FALSE(menu_->IsOpen());

  OpenAt(400, 300);
  popup = menu_->PopupWindow();
  sys().PressKey(Vk::Escape);
  EXPECT_FALSE(ws::System().IsWindow(popup));
  EXPECT_TRUE(chosen_.empty());
}

TEST_F(MenuTest, HoverMoveRepaintsOnlyTheNewlyHoveredItem) {
  OpenAt(400, 300);
  const Rect open = menu_->ItemRect(0);
  const Rect save = menu_->ItemRect(2);
  const uint32_t plain = PixelAt(save.x + 60, save.y + 1);
  sys().MoveMouse(OnItem(0));
  fx_->Frame();
  EXPECT_EQ(menu_->HoverIndex(), 0);
  const uint32_t hovered = PixelAt(open.x + 60, open.y + 1);
  EXPECT_NE(hovered, plain);

  menu_->painted.clear();
  sys().MoveMouse(OnItem(2));
  fx_->Frame();
  EXPECT_EQ(menu_->painted, (std::vector<std::pair<int32_t, bool>>{{2, true}}));
  EXPECT_EQ(PixelAt(save.x + 60, save.y + 1), hovered);
  EXPECT_EQ(PixelAt(open.x + 60, open.y + 1), plain) << "the old row comes back from the cache";

  // The highlight follows the painted rows: the last row of "Open" is still "Open".
  sys().MoveMouse(InMenu(60, open.y + open.height - 1));
  fx_->Frame();
  EXPECT_EQ(menu_->HoverIndex(), 0);
  // Leaving the items (onto the border above them) redraws them all unhighlighted.
  menu_->painted.clear();
  sys().MoveMouse(InMenu(60, 0));
  fx_->Frame();
  EXPECT_EQ(menu_->HoverIndex(), -1);
  EXPECT_EQ(menu_->painted.size(), 3u);
  EXPECT_EQ(PixelAt(open.x + 60, open.y + 1), plain);
}

TEST_F(MenuTest, HandlerMayDestroyOrReopenTheMenu) {
  menu_->SetUserHandler([this](Hwnd, int32_t, uint32_t msg, WParam w, LParam) {
    if (msg == Event::MenuItemChosen && w == 0) menu_.reset();
    if (msg == Event::MenuItemChosen && w == 2) menu_->Popup(100, 100);
    return 1;
  });
  OpenAt(400, 300);
  sys().Click(OnItem(2));
  fx_->Frame();
  ASSERT_TRUE(menu_->IsOpen()) << "the menu opened by the handler stays";
  EXPECT_EQ(ws::System().WindowRect(menu_->PopupWindow()).left, 100);

  const Hwnd popup = menu_->PopupWindow();
  sys().Click(OnItem(0));
  fx_->Frame();
  EXPECT_EQ(menu_, nullptr);
  EXPECT_FALSE(ws::System().IsWindow(popup));
}

}  // namespace
}  // namespace quillmar
