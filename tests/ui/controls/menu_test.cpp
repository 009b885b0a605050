// The popup menu on the headless backend: item records, placement near the
// screen edges, choosing and closing by the mouse, and hover repainting.

#include "ui/controls/menu.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/ui/core/window_test_support.h"
#include "ui/core/process_values.h"

namespace quillmar {
namespace {

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

// A focused owner window and a menu "Open", separator, "Save" opened at
// (400, 300), whose chosen items are logged.
class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitProcessValues("", 1);
    fx_.headless->Click(testing::WindowFixture::At(20, 20));
    for (const char* text : {"Open", "-", "Save"}) menu_->InsertItem({}, text);
    menu_->SetUserHandler([this](Hwnd, int32_t, uint32_t msg, WParam w, LParam) {
      if (msg == Event::MenuItemChosen) chosen_.push_back(static_cast<int32_t>(w));
      return 1;
    });
  }
  ws::HeadlessWindowSystem& sys() { return *fx_.headless; }
  Hwnd Open() {
    menu_->Popup(400, 300);
    fx_.Frame();
    return menu_->PopupWindow();
  }
  // Screen point of a position in the open popup, and of the middle of an item.
  Point InMenu(int32_t x, int32_t y) { return ws::System().WindowRect(menu_->PopupWindow()).Origin().Offset(x, y); }
  Point OnItem(int32_t index) { return InMenu(60, menu_->ItemRect(index).y + menu_->ItemRect(index).height / 2); }
  // The presented pixel in the second row of an item.
  uint32_t RowPixel(int32_t index) {
    return sys().Presented(menu_->PopupWindow())->At(60, menu_->ItemRect(index).y + 1);
  }

  testing::WindowFixture fx_;
  std::unique_ptr<RecordingMenu> menu_ = std::make_unique<RecordingMenu>();
  std::vector<int32_t> chosen_;
};

TEST(UiMenu, ItemRecordsFollowTheInsertAndDeleteRules) {
  InitProcessValues("", 1);
  UiMenu menu;
  MenuItemStyle tall;
  tall.height = 40;
  tall.hoverTextColor = 0xFF112233;
  menu.InsertItem({}, "-", {}, 0, tall);
  menu.InsertItem({}, "b", {}, 0, tall);
  MenuItemStyle coloured = tall;
  coloured.textColor = 0xFF00AA00;
  menu.InsertItem(0, "a", {}, 0, coloured);
  menu.InsertItem(-7, "c");  // any negative index appends
  menu.InsertItem(99, "d");
  const auto& items = menu.Items();
  EXPECT_EQ(items[1].look.height, 10) << "a separator is 10 pixels whatever was given";
  EXPECT_EQ(items[1].disabled, 1);
  EXPECT_EQ(items[2].look.height, 40);
  EXPECT_EQ(items[2].look.hoverTextColor, 0xFF112233u);
  EXPECT_EQ(items[0].look.hoverTextColor, 0xFF00AA00u) << "a given text colour also serves under the mouse";
  EXPECT_EQ(items[3].text, u"c");
  EXPECT_EQ(items[4].look.height, 25);
  EXPECT_EQ(items[4].look.hoverColor, 0xC8808080u);

  menu.DeleteItem(-1);  // the last
  menu.DeleteItem(-5);  // further back than the first: nothing
  menu.DeleteItem(4);   // beyond the count: nothing
  menu.DeleteItem(0);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].text, u"-");
  EXPECT_EQ(items[2].text, u"c");
}

TEST(UiMenu, FlipsAtTheRightAndBottomEdgesAndStaysOnTheWorkArea) {
  const Rect work = Rect::FromLtrb(0, 0, 1920, 1040);
  const Size menu{200, 78};
  // 100 pixels from the right edge of a 1920-pixel screen: left of the mouse.
  EXPECT_EQ(UiMenu::PlacePopup({}, {}, {1820, 300}, menu, work), (Point{1617, 301}));
  EXPECT_EQ(UiMenu::PlacePopup({}, {}, {1500, 300}, menu, work), (Point{1501, 301}));
  // Near the bottom: above the mouse; a menu taller than the room there starts at the top.
  EXPECT_EQ(UiMenu::PlacePopup({}, {}, {500, 1000}, menu, work), (Point{501, 922}));
  EXPECT_EQ(UiMenu::PlacePopup({}, {}, {500, 900}, Size{200, 1000}, work), (Point{501, 0}));
  // A point given past an edge, or under a top panel, keeps the whole menu visible.
  EXPECT_EQ(UiMenu::PlacePopup(1900, -30, {0, 0}, menu, work), (Point{1716, 0}));
  EXPECT_EQ(UiMenu::PlacePopup(10, 5, {0, 0}, menu, Rect::FromLtrb(0, 30, 1920, 1080)), (Point{10, 30}));
}

TEST_F(MenuTest, HeightsAddUpWithoutWrappingAndAHugeMenuStaysOnTheWorkArea) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  const Rect work = Rect::FromLtrb(0, 0, 1920, 1040);
  EXPECT_EQ(UiMenu::PlacePopup({}, {}, {kMax, kMax}, Size{kMax, kMax}, work), (Point{0, 0}));
  EXPECT_EQ(UiMenu::PlacePopup(std::numeric_limits<int32_t>::min(), kMax, {0, 0}, Size{10, 10}, work),
            (Point{0, 1029}));
  menu_->ClearItems();
  MenuItemStyle tall;
  tall.height = kMax;
  menu_->InsertItem({}, "tall", {}, 0, tall);
  menu_->InsertItem({}, "taller", {}, 0, tall);
  MenuStyle wide;
  wide.width = kMax;
  menu_->SetStyle(wide);
  menu_->Popup(400, 300);
  EXPECT_EQ(ws::System().Owner(menu_->PopupWindow()), fx_.hwnd) << "the popup belongs to the window it serves";
  EXPECT_GT(menu_->MenuHeight(), kMax - 100);
  EXPECT_EQ(menu_->ItemAt({10, 10}), 0);
  menu_->Close();
}

TEST_F(MenuTest, PopupAtTheMouseOpensLeftNearTheRightEdgeOfTheScreen) {
  sys().SetScreen({1920, 1080}, Rect{0, 0, 1920, 1040}, ws::TaskbarInfo{false, 3, Rect{0, 1040, 1920, 40}});
  sys().MoveMouse({1820, 300});
  menu_->Popup();
  fx_.Frame();
  EXPECT_EQ(ws::System().WindowRect(menu_->PopupWindow()), (Rect{1820 - 203, 301, 204, 25 + 10 + 25 + 3 + 1}));
  EXPECT_EQ(ws::System().Owner(menu_->PopupWindow()), fx_.hwnd);
  EXPECT_EQ(ws::System().Focus(), menu_->PopupWindow());
  // On a second monitor to the right, the menu stays on that monitor's work area.
  menu_->Close();
  const Rect second{1920, 0, 1920, 1080};
  sys().SetMonitors({{Rect{0, 0, 1920, 1080}, Rect{0, 0, 1920, 1040}, {}}, {second, second, {}}});
  sys().MoveMouse({1920 + 1820, 300});
  menu_->Popup();
  fx_.Frame();
  EXPECT_EQ(ws::System().WindowRect(menu_->PopupWindow()).x, 1920 + 1820 - 203);
}

TEST_F(MenuTest, ClicksChooseKeepOpenOrCloseSilently) {
  // An owner hears the choice through the typed signal, before the user routine.
  std::vector<int32_t> heard;
  menu_->onItemChosen = [&](int32_t index) {
    EXPECT_EQ(chosen_.size(), heard.size());
    heard.push_back(index);
  };
  Hwnd popup = Open();
  sys().Click(OnItem(1));  // the separator
  EXPECT_TRUE(ws::System().IsWindow(popup));
  // The items end at 2 + 60; the control's last rows lie below them.
  sys().Click(InMenu(50, menu_->MenuHeight() - 1));
  EXPECT_FALSE(ws::System().IsWindow(popup));
  EXPECT_TRUE(chosen_.empty());

  popup = Open();
  sys().Click(OnItem(2));
  EXPECT_EQ(chosen_, std::vector<int32_t>{2});
  EXPECT_EQ(heard, std::vector<int32_t>{2}) << "an owner hears the choice across popups";
  EXPECT_FALSE(ws::System().IsWindow(popup));
  EXPECT_FALSE(menu_->IsOpen());

  popup = Open();
  sys().Click(testing::WindowFixture::At(30, 30));  // on the owner
  EXPECT_FALSE(ws::System().IsWindow(popup));
  popup = Open();
  sys().PressKey(Vk::Escape);
  EXPECT_FALSE(ws::System().IsWindow(popup));
  EXPECT_EQ(chosen_.size(), 1u);
}

TEST_F(MenuTest, HoverMoveRepaintsOnlyTheNewlyHoveredItem) {
  Open();
  const uint32_t plain = RowPixel(2);
  sys().MoveMouse(OnItem(0));
  fx_.Frame();
  const uint32_t hovered = RowPixel(0);
  EXPECT_NE(hovered, plain);

  menu_->painted.clear();
  sys().MoveMouse(OnItem(2));
  fx_.Frame();
  EXPECT_EQ(menu_->painted, (std::vector<std::pair<int32_t, bool>>{{2, true}}));
  EXPECT_EQ(RowPixel(2), hovered);
  EXPECT_EQ(RowPixel(0), plain) << "the old row comes back from the cache";

  // The highlight follows the painted rows: the last row of "Open" is still "Open".
  sys().MoveMouse(InMenu(60, menu_->ItemRect(0).Bottom() - 1));
  fx_.Frame();
  EXPECT_EQ(menu_->HoverIndex(), 0);
  // Leaving the items (onto the border above them) redraws them all unhighlighted.
  menu_->painted.clear();
  sys().MoveMouse(InMenu(60, 0));
  fx_.Frame();
  EXPECT_EQ(menu_->HoverIndex(), -1);
  EXPECT_EQ(menu_->painted.size(), 3u);
  EXPECT_EQ(RowPixel(0), plain);
}

TEST_F(MenuTest, HandlerMayDestroyOrReopenTheMenu) {
  menu_->SetUserHandler([this](Hwnd, int32_t, uint32_t msg, WParam w, LParam) {
    if (msg == Event::MenuItemChosen && w == 0) menu_.reset();
    if (msg == Event::MenuItemChosen && w == 2) menu_->Popup(100, 100);
    return 1;
  });
  Open();
  sys().Click(OnItem(2));
  fx_.Frame();
  ASSERT_TRUE(menu_->IsOpen()) << "the menu opened by the handler stays";
  EXPECT_EQ(ws::System().WindowRect(menu_->PopupWindow()).x, 100);

  const Hwnd popup = menu_->PopupWindow();
  sys().Click(OnItem(0));
  fx_.Frame();
  EXPECT_EQ(menu_, nullptr);
  EXPECT_FALSE(ws::System().IsWindow(popup));

  // An owner's signal may destroy the menu too: its user routine then hears nothing.
  menu_ = std::make_unique<RecordingMenu>();
  for (const char* text : {"Open", "-", "Save"}) menu_->InsertItem({}, text);
  menu_->SetUserHandler([this](Hwnd, int32_t, uint32_t msg, WParam w, LParam) {
    if (msg == Event::MenuItemChosen) chosen_.push_back(static_cast<int32_t>(w));
    return 1;
  });
  menu_->onItemChosen = [this](int32_t) { menu_.reset(); };
  const Hwnd second = Open();
  sys().Click(OnItem(2));
  fx_.Frame();
  EXPECT_EQ(menu_, nullptr);
  EXPECT_FALSE(ws::System().IsWindow(second));
  EXPECT_TRUE(chosen_.empty());
}

TEST_F(MenuTest, EveryPopupTellsAReaderTheMenuHasTheFocus) {
  sys().SetAxListening(true);
  for (int popup = 1; popup <= 2; ++popup) {
    sys().ClearAxNotices();
    Open();
    int heard = 0;
    for (const auto& n : sys().AxNotices())
      heard += n.event.kind == ws::AxEventKind::Focus && n.event.node == menu_->Key();
    EXPECT_EQ(heard, 1) << "popup " << popup;
    sys().PressKey(Vk::Escape);
  }
}

TEST_F(MenuTest, KeysAndReadersMoveTheHighlightAndChoose) {
  sys().SetAxListening(true);
  const Hwnd popup = Open();
  ws::AxProvider* tree = sys().AxProviderOf(popup);
  ASSERT_NE(tree, nullptr);
  const auto root = tree->Node(tree->RootNode());
  EXPECT_EQ(root->role, ws::AxRole::Window) << "a popup, not a frame";
  ASSERT_EQ(root->children, std::vector<int32_t>{menu_->Key()});
  auto menu = tree->Node(menu_->Key());
  EXPECT_EQ(menu->role, ws::AxRole::Menu);
  EXPECT_EQ(menu->items, 3);
  EXPECT_EQ(menu->selectedItem, -1);
  EXPECT_NE(menu->states & ws::AxState::Focused, 0u) << "the popup's keys go to the menu";
  const auto open = tree->Item(menu_->Key(), 0);
  EXPECT_EQ(open->role, ws::AxRole::MenuItem);
  EXPECT_EQ(open->name, "Open");
  EXPECT_EQ(open->actions, std::vector<std::string>{"click"});
  EXPECT_EQ(open->bounds.Origin(), InMenu(2, 2));
  EXPECT_EQ(tree->Item(menu_->Key(), 1)->role, ws::AxRole::Separator);
  EXPECT_TRUE(tree->Item(menu_->Key(), 1)->actions.empty());
  EXPECT_FALSE(tree->Item(menu_->Key(), 3));

  // Keys skip the separator and go round; every move is announced with the new item.
  sys().ClearAxNotices();
  const std::vector<std::pair<int, int32_t>> keys = {{Vk::Down, 0}, {Vk::Down, 2}, {Vk::Down, 0},
                                                     {Vk::Up, 2},   {Vk::Home, 0}, {Vk::End, 2}};
  std::vector<int32_t> heard;
  for (const auto& [key, expected] : keys) {
    sys().KeyDown(key);
    sys().KeyUp(key);
    EXPECT_EQ(menu_->HoverIndex(), expected);
  }
  for (const auto& notice : sys().AxNotices()) {
    if (notice.event.kind == ws::AxEventKind::ItemSelected) heard.push_back(notice.event.position);
  }
  EXPECT_EQ(heard, (std::vector<int32_t>{0, 2, 0, 2, 0, 2}));
  menu = tree->Node(menu_->Key());
  EXPECT_EQ(menu->selectedItem, 2);
  EXPECT_EQ(menu->states & ws::AxState::Focused, 0u) << "the focus a reader follows is on the item";
  EXPECT_NE(tree->Item(menu_->Key(), 2)->states & ws::AxState::Selected, 0u);
  fx_.Frame();
  EXPECT_NE(RowPixel(2), RowPixel(0)) << "the keyboard's highlight is painted";

  // A reader selects and chooses; the separator can be neither, and the choice runs later.
  EXPECT_FALSE(tree->SelectItem(menu_->Key(), 1));
  EXPECT_TRUE(tree->SelectItem(menu_->Key(), 0));
  EXPECT_EQ(menu_->HoverIndex(), 0);
  EXPECT_FALSE(tree->DoItemAction(menu_->Key(), 1, 0));
  EXPECT_TRUE(tree->DoItemAction(menu_->Key(), 2, 0));
  EXPECT_TRUE(chosen_.empty());
  sys().RunPending();
  EXPECT_EQ(chosen_, std::vector<int32_t>{2});
  EXPECT_FALSE(menu_->IsOpen());

  // Enter with nothing highlighted keeps the menu open; after Down it chooses.
  Open();
  sys().KeyDown(Vk::Return);
  EXPECT_TRUE(menu_->IsOpen());
  for (int key : {Vk::Down, Vk::Return}) sys().KeyDown(key);
  EXPECT_EQ(chosen_, (std::vector<int32_t>{2, 0}));
  EXPECT_FALSE(menu_->IsOpen());
}

}  // namespace
}  // namespace quillmar
