#include "platform/ws/gtk_access_bridge.h"

#include <gtk/gtk-a11y.h>

#include <cstdint>
#include <vector>

#include "platform/ws/window_system.h"

namespace quillmar::ws {
namespace {

constexpr const char* kHwndKey = "quillmar-hwnd";

// The window's accessible: GTK's own for a window, with the program's nodes as
// its children and the root node's role and name.
struct WindowAccessible {
  GtkWindowAccessible parent;
};
struct WindowAccessibleClass {
  GtkWindowAccessibleClass parent;
};
AtkObjectClass* g_windowParentClass = nullptr;

WindowHandle HwndOf(AtkObject* object) {
  GtkWidget* widget = gtk_accessible_get_widget(GTK_ACCESSIBLE(object));
  return widget ? GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), kHwndKey)) : 0;
}

std::optional<AxNode> RootOf(AtkObject* object) {
  const WindowHandle hwnd = HwndOf(object);
  AxProvider* provider = GtkAccessBridge::ProviderOf(hwnd);
  if (provider == nullptr) return {};
  return provider->Node(provider->RootNode());
}

gint WindowChildCount(AtkObject* object) {
  const std::optional<AxNode> root = RootOf(object);
  return root ? static_cast<gint>(root->children.size()) : 0;
}

AtkObject* WindowRefChild(AtkObject* object, gint index) {
  const std::optional<AxNode> root = RootOf(object);
  if (!root || index < 0 || static_cast<size_t>(index) >= root->children.size()) return nullptr;
  return GtkAccessBridge::Instance().Ref(HwndOf(object), root->children[static_cast<size_t>(index)]);
}

AtkRole WindowRole(AtkObject* object) {
  const std::optional<AxNode> root = RootOf(object);
  if (root && root->role != AxRole::Unknown) return gtk_ax::AtkRoleOf(root->role);
  return g_windowParentClass->get_role(object);
}

const gchar* WindowName(AtkObject* object) {
  const std::optional<AxNode> root = RootOf(object);
  if (root && !root->name.empty()) return gtk_ax::Keep(object, "quillmar-name", root->name);
  return g_windowParentClass->get_name(object);
}

const gchar* WindowDescription(AtkObject* object) {
  const std::optional<AxNode> root = RootOf(object);
  if (root && !root->description.empty()) return gtk_ax::Keep(object, "quillmar-description", root->description);
  return g_windowParentClass->get_description(object);
}

void WindowAccessibleClassInit(gpointer klass, gpointer) {
  g_windowParentClass = ATK_OBJECT_CLASS(g_type_class_peek_parent(klass));
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->get_n_children = WindowChildCount;
  atk->ref_child = WindowRefChild;
  atk->get_role = WindowRole;
  atk->get_name = WindowName;
  atk->get_description = WindowDescription;
}

GType WindowAccessibleType() {
  static const GType type = g_type_register_static_simple(
      GTK_TYPE_WINDOW_ACCESSIBLE, "QuillmarWindowAccessible", sizeof(WindowAccessibleClass), WindowAccessibleClassInit,
      sizeof(WindowAccessible), nullptr, static_cast<GTypeFlags>(0));
  return type;
}

void WindowWidgetClassInit(gpointer klass, gpointer) {
  gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(klass), WindowAccessibleType());
}

AtkStateType AtkStateOf(uint32_t bit) {
  switch (bit) {
    case AxState::Focused:
      return ATK_STATE_FOCUSED;
    case AxState::Selected:
      return ATK_STATE_SELECTED;
    case AxState::Enabled:
      return ATK_STATE_ENABLED;
    case AxState::Visible:
      return ATK_STATE_VISIBLE;
    case AxState::Showing:
      return ATK_STATE_SHOWING;
    case AxState::Checked:
      return ATK_STATE_CHECKED;
    case AxState::Pressed:
      return ATK_STATE_PRESSED;
    case AxState::Editable:
      return ATK_STATE_EDITABLE;
    case AxState::Active:
      return ATK_STATE_ACTIVE;
    default:
      return ATK_STATE_INVALID;
  }
}

// A reader still holding an object sees it defunct rather than another node's answers.
void LetGo(const std::vector<AtkObject*>& objects) {
  for (AtkObject* object : objects) {
    reinterpret_cast<GtkAxNode*>(object)->hwnd = 0;
    atk_object_notify_state_change(object, ATK_STATE_DEFUNCT, TRUE);
    g_object_unref(object);
  }
}

}  // namespace

GtkAccessBridge& GtkAccessBridge::Instance() {
  static GtkAccessBridge instance;
  return instance;
}

GType GtkAccessBridge::WindowWidgetType() {
  static const GType type =
      g_type_register_static_simple(GTK_TYPE_WINDOW, "QuillmarWindow", sizeof(GtkWindowClass), WindowWidgetClassInit,
                                    sizeof(GtkWindow), nullptr, static_cast<GTypeFlags>(0));
  return type;
}

AxProvider* GtkAccessBridge::ProviderOf(WindowHandle hwnd) {
  WindowSystem* sys = SystemOrNull();
  return (sys != nullptr && hwnd != 0) ? sys->AxProviderOf(hwnd) : nullptr;
}

void GtkAccessBridge::AddWindow(WindowHandle hwnd, GtkWidget* widget) {
  g_object_set_data(G_OBJECT(widget), kHwndKey, GINT_TO_POINTER(hwnd));
  widgets_[hwnd] = widget;
}

void GtkAccessBridge::RemoveWindow(WindowHandle hwnd) {
  widgets_.erase(hwnd);
  focused_.erase(hwnd);
  std::erase_if(selectedItems_, [hwnd](const auto& entry) { return entry.first.first == hwnd; });
  std::vector<AtkObject*> gone;
  for (auto it = objects_.begin(); it != objects_.end();) {
    if (std::get<0>(it->first) != hwnd) {
      ++it;
      continue;
    }
    gone.push_back(it->second);
    it = objects_.erase(it);
  }
  LetGo(gone);
}

void GtkAccessBridge::DropCellsFrom(WindowHandle hwnd, AxNodeId table, int32_t rows) {
  // Cells past the last row would answer for rows that are not there: they go, as a
  // window's objects go with it. Cells of rows still there read the new rows' texts.
  std::vector<AtkObject*> gone;
  auto it = objects_.lower_bound({hwnd, table, rows, INT32_MIN});
  while (it != objects_.end() && std::get<0>(it->first) == hwnd && std::get<1>(it->first) == table) {
    gone.push_back(it->second);
    it = objects_.erase(it);
  }
  LetGo(gone);
}

AtkObject* GtkAccessBridge::WindowObject(WindowHandle hwnd) const {
  auto it = widgets_.find(hwnd);
  return it == widgets_.end() ? nullptr : gtk_widget_get_accessible(it->second);
}

AtkObject* GtkAccessBridge::Find(WindowHandle hwnd, AxNodeId id, int32_t row, int32_t column) const {
  auto it = objects_.find({hwnd, id, row, column});
  return it == objects_.end() ? nullptr : it->second;
}

AtkObject* GtkAccessBridge::Ref(WindowHandle hwnd, AxNodeId id, int32_t row, int32_t column) {
  if (!widgets_.contains(hwnd)) return nullptr;
  AxProvider* provider = ProviderOf(hwnd);
  if (provider == nullptr) return nullptr;
  if (row == -1 && id == provider->RootNode()) {
    AtkObject* window = WindowObject(hwnd);
    return window ? ATK_OBJECT(g_object_ref(window)) : nullptr;
  }
  if (AtkObject* known = Find(hwnd, id, row, column)) return ATK_OBJECT(g_object_ref(known));
  GType type = 0;
  if (row == -1) {
    const std::optional<AxNode> node = provider->Node(id);
    if (!node) return nullptr;
    type = gtk_ax::ElementType(node->facets);
  } else if (column == kItemColumn) {
    type = gtk_ax::ItemType();
  } else {
    type = gtk_ax::CellType();
  }
  auto* object = ATK_OBJECT(g_object_new(type, nullptr));
  auto* node = reinterpret_cast<GtkAxNode*>(object);
  node->hwnd = hwnd;
  node->id = id;
  node->row = row;
  node->column = column;
  objects_[{hwnd, id, row, column}] = object;
  if (!active_) {
    active_ = true;
    // The focus moved before anybody read the tree (a window opens with its keyword box
    // focused): tell the first reader where it is, once it has what it asked for.
    if (!focused_.empty()) g_idle_add(&GtkAccessBridge::AnnounceFocus, nullptr);
  }
  return ATK_OBJECT(g_object_ref(object));
}

gboolean GtkAccessBridge::AnnounceFocus(gpointer /*unused*/) {
  GtkAccessBridge& self = Instance();
  for (const auto& [hwnd, node] : self.focused_) {
    if (AtkObject* now = self.Ref(hwnd, node)) {
      atk_object_notify_state_change(now, ATK_STATE_FOCUSED, TRUE);
      g_object_unref(now);
    }
  }
  return G_SOURCE_REMOVE;
}

void GtkAccessBridge::SelectItem(WindowHandle hwnd, AxNodeId id, int32_t item) {
  const auto key = std::pair{hwnd, id};
  if (auto it = selectedItems_.find(key); it != selectedItems_.end()) {
    if (AtkObject* old = Find(hwnd, id, it->second, kItemColumn)) {
      atk_object_notify_state_change(old, ATK_STATE_SELECTED, FALSE);
      atk_object_notify_state_change(old, ATK_STATE_FOCUSED, FALSE);
    }
    selectedItems_.erase(it);
  }
  AtkObject* owner = Find(hwnd, id);
  if (owner != nullptr && ATK_IS_SELECTION(owner)) g_signal_emit_by_name(owner, "selection-changed");
  // The keyboard is on the item while there is one, else on its owner again.
  const bool ownerFocused = focused_.contains(hwnd) && focused_[hwnd] == id;
  if (owner != nullptr && ownerFocused) atk_object_notify_state_change(owner, ATK_STATE_FOCUSED, item < 0);
  if (item < 0) return;
  selectedItems_[key] = item;
  // Made when first chosen: a reader hears of the item even before it walked the menu.
  if (AtkObject* now = Ref(hwnd, id, item, kItemColumn)) {
    atk_object_notify_state_change(now, ATK_STATE_SELECTED, TRUE);
    atk_object_notify_state_change(now, ATK_STATE_FOCUSED, TRUE);
    g_object_unref(now);
  }
}

void GtkAccessBridge::Notify(WindowHandle hwnd, const AxEvent& event) {
  if (!active_) {
    // Nobody reads yet; only where the focus is must be known to the first reader.
    if (event.kind == AxEventKind::Focus) focused_[hwnd] = event.node;
    return;
  }
  AxProvider* provider = ProviderOf(hwnd);
  if (provider == nullptr) return;
  if (event.kind == AxEventKind::ItemSelected) {
    SelectItem(hwnd, event.node, event.position);
    return;
  }
  if (event.kind == AxEventKind::Focus) {
    if (auto it = focused_.find(hwnd); it != focused_.end()) {
      if (AtkObject* old = Find(hwnd, it->second)) atk_object_notify_state_change(old, ATK_STATE_FOCUSED, FALSE);
    }
    focused_[hwnd] = event.node;
    if (AtkObject* now = Ref(hwnd, event.node)) {
      atk_object_notify_state_change(now, ATK_STATE_FOCUSED, TRUE);
      g_object_unref(now);
    }
    return;
  }
  // Only objects a reader has seen can matter to it.
  AtkObject* object = event.node == provider->RootNode() ? WindowObject(hwnd) : Find(hwnd, event.node);
  if (object == nullptr) return;
  const bool text = ATK_IS_TEXT(object);
  const bool table = ATK_IS_TABLE(object);
  switch (event.kind) {
    case AxEventKind::NameChanged:
      g_object_notify(G_OBJECT(object), "accessible-name");
      break;
    case AxEventKind::DescriptionChanged:
      g_object_notify(G_OBJECT(object), "accessible-description");
      break;
    case AxEventKind::TextInserted:
    case AxEventKind::TextDeleted: {
      const std::optional<AxText> now = text ? provider->Text(event.node) : std::nullopt;
      if (!now) break;
      // The text before the change's position is the same before and after it.
      const gint at = gtk_ax::CharsBefore(now->text, event.position);
      const gint count = gtk_ax::CharCount(event.text);
      const std::string utf8 = gtk_ax::ToUtf8(event.text, 0, count);
      const char* signal = event.kind == AxEventKind::TextInserted ? "text-insert" : "text-remove";
      g_signal_emit_by_name(object, signal, at, count, utf8.c_str());
      break;
    }
    case AxEventKind::CaretMoved:
      if (const std::optional<AxText> now = text ? provider->Text(event.node) : std::nullopt) {
        g_signal_emit_by_name(object, "text-caret-moved", gtk_ax::CharsBefore(now->text, event.position));
      }
      break;
    case AxEventKind::SelectionChanged:
      if (table) g_signal_emit_by_name(object, "selection-changed");
      if (text) g_signal_emit_by_name(object, "text-selection-changed");
      break;
    case AxEventKind::RowsInserted:
      if (table)
        g_signal_emit_by_name(object, "row-inserted", static_cast<gint>(event.position),
                              static_cast<gint>(event.length));
      break;
    case AxEventKind::RowsDeleted:
      if (table) {
        g_signal_emit_by_name(object, "row-deleted", static_cast<gint>(event.position),
                              static_cast<gint>(event.length));
        const std::optional<AxTable> shape = provider->Table(event.node);
        DropCellsFrom(hwnd, event.node, shape ? shape->rows : 0);
      }
      break;
    case AxEventKind::StateChanged:
      if (const AtkStateType state = AtkStateOf(event.state); state != ATK_STATE_INVALID) {
        atk_object_notify_state_change(object, state, event.on ? TRUE : FALSE);
        // Readers look at either of the two words for "can be used".
        if (state == ATK_STATE_ENABLED) atk_object_notify_state_change(object, ATK_STATE_SENSITIVE, event.on);
      }
      break;
    case AxEventKind::ValueChanged:
      g_object_notify(G_OBJECT(object), "accessible-value");
      break;
    case AxEventKind::ChildrenChanged:
      g_signal_emit_by_name(object, "visible-data-changed");
      break;
    case AxEventKind::BoxOpened:
      // The desktop learns of the window from GTK as it is shown; the alert's
      // role and text are read from its accessible then.
      g_signal_emit_by_name(object, "visible-data-changed");
      break;
    case AxEventKind::Focus:
    case AxEventKind::ItemSelected:
      break;
  }
}

}  // namespace quillmar::ws
