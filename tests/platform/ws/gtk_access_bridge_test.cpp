// The ATK side of the GTK backend, read in process the way the desktop's
// bridge reads it, over a provider the test controls.

#include <gtest/gtest.h>

#include <atk/atk.h>
#include <gtk/gtk.h>

#include <map>
#include <utility>
#include <vector>
#include <string>

#include "platform/ws/gtk_window_system.h"
#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"

namespace quillmar::ws {
namespace {

// A window of three nodes: an entry (id 2), a table (id 3) with one bar (id 4).
class FakeTree : public AxProvider {
 public:
  AxNodeId RootNode() const override { return 1; }
  std::optional<AxNode> Node(AxNodeId id) const override {
    AxNode n;
    n.states = AxState::Enabled | AxState::Visible | AxState::Showing;
    switch (id) {
      case 1:
        n.role = AxRole::Frame;
        n.name = "root";
        n.children = {2, 3};
        break;
      case 2:
        n.role = AxRole::Entry;
        n.parent = 1;
        n.facets = AxFacet::Text | AxFacet::EditableText;
        n.bounds = Rect::FromXywh(110, 120, 50, 20);
        break;
      case 3:
        n.role = AxRole::Table;
        n.parent = 1;
        n.facets = AxFacet::Table;
        n.children = {4};
        break;
      case 4:
        n.role = AxRole::ScrollBar;
        n.parent = 3;
        n.facets = AxFacet::Value;
        break;
      default:
        return {};
    }
    return n;
  }
  std::optional<AxText> Text(AxNodeId id) const override {
    if (id != 2) return {};
    return AxText{text, caret, caret, caret};
  }
  std::optional<AxTable> Table(AxNodeId id) const override {
    if (id != 3) return {};
    return AxTable{.rows = rows, .columns = 2, .columnTitles = {"a", "b"}, .selectedRow = -1, .rowHeight = 0};
  }
  std::string CellText(AxNodeId, int32_t row, int32_t column) const override {
    return row < rows ? "r" + std::to_string(row) + "c" + std::to_string(column) : "";
  }
  std::optional<AxValue> Value(AxNodeId id) const override {
    if (id != 4) return {};
    return AxValue{0, 100, 40, 1};
  }
  bool EditText(AxNodeId, int32_t start, int32_t end, const std::u16string& t) override {
    text = text.substr(0, start) + t + text.substr(end);
    return true;
  }
  bool SetCaret(AxNodeId, int32_t position) override {
    caret = position;
    return true;
  }
  std::u16string text = u"a\U0001F600b";  // a, a surrogate pair, b: four units, three characters
  int32_t caret = 3;                      // after the pair
  int32_t rows = 3;
};

// A popup window (id 1) holding a menu (id 2) of "Copy", a separator and "Open".
class FakeMenu : public AxProvider {
 public:
  AxNodeId RootNode() const override { return 1; }
  std::optional<AxNode> Node(AxNodeId id) const override {
    AxNode n;
    n.states = AxState::Enabled | AxState::Visible | AxState::Showing;
    if (id == 1) {
      n.role = AxRole::Window;
      n.name = "root";
      n.children = {2};
    } else if (id == 2) {
      n.role = AxRole::Menu;
      n.parent = 1;
      n.facets = AxFacet::Selection;
      n.items = 3;
      n.selectedItem = selected;
    } else {
      return {};
    }
    return n;
  }
  std::optional<AxNode> Item(AxNodeId id, int32_t index) const override {
    if (id != 2 || index < 0 || index > 2) return {};
    AxNode n;
    n.parent = 2;
    n.states = AxState::Enabled | AxState::Visible | AxState::Showing | AxState::Selectable;
    n.bounds = Rect::FromXywh(100, 100 + 25 * index, 200, 25);
    n.role = index == 1 ? AxRole::Separator : AxRole::MenuItem;
    n.name = index == 0 ? "Copy" : index == 2 ? "Open" : "";
    if (index != 1) n.actions = {"click"};
    if (index == selected) n.states |= AxState::Selected | AxState::Focused;
    return n;
  }
  bool DoItemAction(AxNodeId, int32_t item, int32_t index) override {
    if (index != 0 || item == 1) return false;
    chosen = item;
    return true;
  }
  bool SelectItem(AxNodeId, int32_t item) override {
    selected = item;
    return true;
  }
  int32_t selected = -1;
  int32_t chosen = -1;
};

class GtkAccessBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    std::string why;
    auto backend = CreateGtkWindowSystem(&why);
    if (!backend) GTEST_SKIP() << why;
    previous_ = InstallSystem(std::move(backend));
    installed_ = true;
    WindowClass cls;
    cls.name = "QuillmarAccessTest";
    System().AddWindowClass(cls);
    WindowCreateParams p;
    p.className = cls.name;
    p.x = 100;
    p.y = 100;
    p.width = 200;
    p.height = 100;
    p.style = Style::Visible | Style::Popup;
    hwnd_ = System().OpenWindow(p);
    System().SetAxProvider(hwnd_, &Provider());
  }
  virtual AxProvider& Provider() { return tree_; }
  void TearDown() override {
    if (installed_) {
      if (System().IsWindow(hwnd_)) System().DestroyWindow(hwnd_);
      InstallSystem(std::move(previous_));
    }
  }
  // The window's accessible, found as the desktop finds it: among the toplevels.
  AtkObject* WindowAccessible() {
    AtkObject* root = atk_get_root();
    for (gint i = 0; i < atk_object_get_n_accessible_children(root); ++i) {
      AtkObject* child = atk_object_ref_accessible_child(root, i);
      const bool ours = child && g_strcmp0(atk_object_get_name(child), "root") == 0;
      if (child) g_object_unref(child);
      if (ours) return child;  // the toplevel list keeps it alive
    }
    return nullptr;
  }

  FakeTree tree_;
  WindowHandle hwnd_ = 0;
  std::unique_ptr<WindowSystem> previous_;
  bool installed_ = false;
};

TEST_F(GtkAccessBridgeTest, NodesTextTableAndValueAsAtkReadsThem) {
  EXPECT_FALSE(System().AxActive()) << "no reader has asked yet";
  AtkObject* window = WindowAccessible();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(atk_object_get_role(window), ATK_ROLE_FRAME);
  ASSERT_EQ(atk_object_get_n_accessible_children(window), 2);
  AtkObject* entry = atk_object_ref_accessible_child(window, 0);
  EXPECT_TRUE(System().AxActive());
  EXPECT_EQ(atk_object_get_role(entry), ATK_ROLE_ENTRY);
  EXPECT_EQ(atk_object_get_parent(entry), window);
  EXPECT_EQ(atk_object_get_index_in_parent(entry), 0);
  gint x = 0, y = 0, w = 0, h = 0;
  atk_component_get_extents(ATK_COMPONENT(entry), &x, &y, &w, &h, ATK_XY_SCREEN);
  EXPECT_EQ((Rect{x, y, w, h}), Rect::FromXywh(110, 120, 50, 20));

  // Characters, not UTF-16 units: the pair is one.
  ASSERT_TRUE(ATK_IS_TEXT(entry));
  EXPECT_FALSE(ATK_IS_TABLE(entry));
  AtkText* text = ATK_TEXT(entry);
  EXPECT_EQ(atk_text_get_character_count(text), 3);
  EXPECT_EQ(atk_text_get_caret_offset(text), 2);
  gchar* middle = atk_text_get_text(text, 1, 2);
  EXPECT_STREQ(middle, "\xF0\x9F\x98\x80");
  g_free(middle);
  EXPECT_EQ(atk_text_get_character_at_offset(text, 2), static_cast<gunichar>('b'));
  EXPECT_TRUE(atk_text_set_caret_offset(text, 2));
  EXPECT_EQ(tree_.caret, 3) << "character 2 starts at unit 3";
  gint position = 2;
  atk_editable_text_insert_text(ATK_EDITABLE_TEXT(entry), "\xE4\xBD\xA0", -1, &position);
  EXPECT_EQ(tree_.text, u"a\U0001F600\u4F60b");
  EXPECT_EQ(position, 3);
  atk_editable_text_delete_text(ATK_EDITABLE_TEXT(entry), 1, 2);
  EXPECT_EQ(tree_.text, u"a\u4F60b");

  AtkObject* table = atk_object_ref_accessible_child(window, 1);
  ASSERT_TRUE(ATK_IS_TABLE(table));
  EXPECT_EQ(atk_table_get_n_rows(ATK_TABLE(table)), 3);
  EXPECT_EQ(atk_object_get_n_accessible_children(table), 3 * 2 + 1) << "the cells, then the bar";
  AtkObject* cell = atk_table_ref_at(ATK_TABLE(table), 2, 1);
  EXPECT_STREQ(atk_object_get_name(cell), "r2c1");
  EXPECT_EQ(atk_object_get_role(cell), ATK_ROLE_TABLE_CELL);
  EXPECT_EQ(atk_object_get_index_in_parent(cell), 5);
  EXPECT_EQ(atk_object_get_parent(cell), table);
  EXPECT_STREQ(atk_object_get_name(atk_table_get_column_header(ATK_TABLE(table), 1)), "b");
  AtkObject* bar = atk_object_ref_accessible_child(table, 6);
  ASSERT_TRUE(ATK_IS_VALUE(bar));
  EXPECT_EQ(atk_value_get_increment(ATK_VALUE(bar)), 1.0);
  gdouble current = 0;
  atk_value_get_value_and_text(ATK_VALUE(bar), &current, nullptr);
  EXPECT_EQ(current, 40.0);
  EXPECT_EQ(atk_object_get_index_in_parent(bar), 6);

  // Rows going away: their cells are let go and read as defunct, never as other rows.
  tree_.rows = 1;
  AxEvent deleted = AxEvent::Make(AxEventKind::RowsDeleted, 1, 2);
  deleted.node = 3;
  System().AxNotify(hwnd_, deleted);
  AtkStateSet* states = atk_object_ref_state_set(cell);
  EXPECT_TRUE(atk_state_set_contains_state(states, ATK_STATE_DEFUNCT));
  g_object_unref(states);
  AtkObject* again = atk_table_ref_at(ATK_TABLE(table), 0, 1);
  EXPECT_STREQ(atk_object_get_name(again), "r0c1");

  // The window going makes every object defunct.
  System().DestroyWindow(hwnd_);
  states = atk_object_ref_state_set(entry);
  EXPECT_TRUE(atk_state_set_contains_state(states, ATK_STATE_DEFUNCT));
  g_object_unref(states);
  EXPECT_EQ(atk_text_get_character_count(ATK_TEXT(entry)), 0);
  for (AtkObject* o : {entry, table, cell, bar, again}) g_object_unref(o);
}

TEST_F(GtkAccessBridgeTest, AFocusMovedBeforeAnyReaderIsAnnouncedToTheFirstOne) {
  // The window opens with its entry focused while nobody reads the tree yet.
  if (System().AxActive()) GTEST_SKIP() << "an earlier test of this process already read the tree";
  AxEvent focus = AxEvent::Make(AxEventKind::Focus);
  focus.node = 2;
  System().AxNotify(hwnd_, focus);
  AtkObject* window = WindowAccessible();
  ASSERT_NE(window, nullptr);
  AtkObject* entry = atk_object_ref_accessible_child(window, 0);
  ASSERT_NE(entry, nullptr);
  std::vector<std::string> heard;
  auto record = +[](AtkObject*, const gchar* state, gboolean on, gpointer log) {
    if (on) static_cast<std::vector<std::string>*>(log)->emplace_back(state);
  };
  g_signal_connect(entry, "state-change", G_CALLBACK(record), &heard);
  for (int i = 0; i < 100 && heard.empty(); ++i) g_main_context_iteration(nullptr, FALSE);
  EXPECT_EQ(heard, std::vector<std::string>{"focused"});
  g_signal_handlers_disconnect_by_data(entry, &heard);
  g_object_unref(entry);
}

class GtkAccessMenuTest : public GtkAccessBridgeTest {
 protected:
  AxProvider& Provider() override { return menu_; }
  FakeMenu menu_;
};

TEST_F(GtkAccessMenuTest, ItemsAreMenuItemsWithActionsAndTheHighlightIsTheSelection) {
  AtkObject* window = WindowAccessible();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(atk_object_get_role(window), ATK_ROLE_WINDOW);
  AtkObject* menu = atk_object_ref_accessible_child(window, 0);
  EXPECT_EQ(atk_object_get_role(menu), ATK_ROLE_POPUP_MENU);
  ASSERT_EQ(atk_object_get_n_accessible_children(menu), 3);
  AtkObject* copy = atk_object_ref_accessible_child(menu, 0);
  AtkObject* line = atk_object_ref_accessible_child(menu, 1);
  AtkObject* open = atk_object_ref_accessible_child(menu, 2);
  EXPECT_EQ(atk_object_get_role(copy), ATK_ROLE_MENU_ITEM);
  EXPECT_STREQ(atk_object_get_name(copy), "Copy");
  EXPECT_EQ(atk_object_get_role(line), ATK_ROLE_SEPARATOR);
  EXPECT_EQ(atk_object_get_parent(open), menu);
  EXPECT_EQ(atk_object_get_index_in_parent(open), 2);
  gint x = 0, y = 0, w = 0, h = 0;
  atk_component_get_extents(ATK_COMPONENT(open), &x, &y, &w, &h, ATK_XY_SCREEN);
  EXPECT_EQ((Rect{x, y, w, h}), Rect::FromXywh(100, 150, 200, 25));
  ASSERT_TRUE(ATK_IS_ACTION(open));
  EXPECT_EQ(atk_action_get_n_actions(ATK_ACTION(line)), 0);
  EXPECT_STREQ(atk_action_get_name(ATK_ACTION(open), 0), "click");
  EXPECT_TRUE(atk_action_do_action(ATK_ACTION(open), 0));
  EXPECT_EQ(menu_.chosen, 2);

  // The selection is the highlighted item; moving it is heard on the items themselves.
  ASSERT_TRUE(ATK_IS_SELECTION(menu));
  EXPECT_EQ(atk_selection_get_selection_count(ATK_SELECTION(menu)), 0);
  std::vector<std::pair<std::string, bool>> heard;
  auto record = +[](AtkObject* o, const gchar* state, gboolean on, gpointer log) {
    static_cast<decltype(heard)*>(log)->emplace_back(std::string(atk_object_get_name(o)) + ":" + state, on);
  };
  for (AtkObject* item : {copy, open}) g_signal_connect(item, "state-change", G_CALLBACK(record), &heard);
  EXPECT_TRUE(atk_selection_add_selection(ATK_SELECTION(menu), 2));
  EXPECT_EQ(menu_.selected, 2);
  AxEvent selected = AxEvent::Make(AxEventKind::ItemSelected, 2);
  selected.node = 2;
  System().AxNotify(hwnd_, selected);
  selected.position = 0;
  menu_.selected = 0;
  System().AxNotify(hwnd_, selected);
  EXPECT_EQ(heard, (std::vector<std::pair<std::string, bool>>{{"Open:selected", true},
                                                              {"Open:focused", true},
                                                              {"Open:selected", false},
                                                              {"Open:focused", false},
                                                              {"Copy:selected", true},
                                                              {"Copy:focused", true}}));
  EXPECT_TRUE(atk_selection_is_child_selected(ATK_SELECTION(menu), 0));
  AtkObject* chosen = atk_selection_ref_selection(ATK_SELECTION(menu), 0);
  EXPECT_EQ(chosen, copy);
  AtkStateSet* states = atk_object_ref_state_set(copy);
  EXPECT_TRUE(atk_state_set_contains_state(states, ATK_STATE_FOCUSED));
  g_object_unref(states);
  for (AtkObject* item : {copy, open}) g_signal_handlers_disconnect_by_data(item, &heard);
  EXPECT_TRUE(atk_selection_clear_selection(ATK_SELECTION(menu)));
  EXPECT_EQ(menu_.selected, -1);
  for (AtkObject* o : {menu, copy, line, open, chosen}) g_object_unref(o);
}

}  // namespace
}  // namespace quillmar::ws
