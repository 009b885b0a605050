// The ATK object of a node: the AtkObject answers (role, name, states,
// children, parent, relations), AtkComponent, AtkAction and the selection of a
// node's own items, and the GTypes that pick the interfaces a node's facets call for.

#include <map>
#include <string>
#include <vector>

#include "platform/ws/gtk_access_bridge.h"
#include "platform/ws/window_system.h"

namespace quillmar::ws {
namespace gtk_ax {
namespace {

GtkAxNode* NodeOf(gpointer object) { return reinterpret_cast<GtkAxNode*>(object); }

bool IsItem(const GtkAxNode* node) { return node->column == GtkAccessBridge::kItemColumn; }
bool IsCell(const GtkAxNode* node) { return node->row != -1 && !IsItem(node); }
bool IsHeader(const GtkAxNode* node) { return node->row == GtkAccessBridge::kHeaderRow; }

}  // namespace

AtkRole AtkRoleOf(AxRole role) {
  switch (role) {
    case AxRole::Frame:
      return ATK_ROLE_FRAME;
    case AxRole::Window:
      return ATK_ROLE_WINDOW;
    case AxRole::Alert:
      return ATK_ROLE_ALERT;
    case AxRole::Panel:
      return ATK_ROLE_PANEL;
    case AxRole::PushButton:
      return ATK_ROLE_PUSH_BUTTON;
    case AxRole::Label:
      return ATK_ROLE_LABEL;
    case AxRole::StatusBar:
      return ATK_ROLE_STATUSBAR;
    case AxRole::Entry:
      return ATK_ROLE_ENTRY;
    case AxRole::PasswordText:
      return ATK_ROLE_PASSWORD_TEXT;
    case AxRole::Table:
      return ATK_ROLE_TABLE;
    case AxRole::ScrollBar:
      return ATK_ROLE_SCROLL_BAR;
    case AxRole::Menu:
      return ATK_ROLE_POPUP_MENU;
    case AxRole::MenuItem:
      return ATK_ROLE_MENU_ITEM;
    case AxRole::Picture:
      return ATK_ROLE_IMAGE;
    case AxRole::ToolTip:
      return ATK_ROLE_TOOL_TIP;
    case AxRole::Separator:
      return ATK_ROLE_SEPARATOR;
    case AxRole::Unknown:
      break;
  }
  return ATK_ROLE_UNKNOWN;
}

namespace {

// Cells come first among a table's children, its own elements (the bars) after them.
int32_t CellCount(const GtkAxNode* table) {
  AxProvider* provider = Provider(table);
  const std::optional<AxTable> shape = provider ? provider->Table(table->id) : std::nullopt;
  return shape ? shape->rows * shape->columns : 0;
}

const gchar* NodeName(AtkObject* object) {
  GtkAxNode* node = NodeOf(object);
  AxProvider* provider = Provider(node);
  if (provider == nullptr) return nullptr;
  std::string name;
  if (IsHeader(node)) {
    const std::optional<AxTable> shape = provider->Table(node->id);
    if (shape && node->column >= 0 && static_cast<size_t>(node->column) < shape->columnTitles.size()) {
      name = shape->columnTitles[static_cast<size_t>(node->column)];
    }
  } else if (IsCell(node)) {
    name = provider->CellText(node->id, node->row, node->column);
  } else if (const std::optional<AxNode> described = Describe(node)) {
    name = described->name;
  }
  return Keep(object, "quillmar-name", name);
}

const gchar* NodeDescription(AtkObject* object) {
  GtkAxNode* node = NodeOf(object);
  const std::optional<AxNode> described = IsCell(node) ? std::nullopt : Describe(node);
  return Keep(object, "quillmar-description", described ? described->description : std::string());
}

AtkRole NodeRole(AtkObject* object) {
  GtkAxNode* node = NodeOf(object);
  if (IsHeader(node)) return ATK_ROLE_COLUMN_HEADER;
  if (IsCell(node)) return ATK_ROLE_TABLE_CELL;
  const std::optional<AxNode> described = Describe(node);
  return described ? AtkRoleOf(described->role) : ATK_ROLE_INVALID;
}

gint NodeChildCount(AtkObject* object) {
  GtkAxNode* node = NodeOf(object);
  if (IsCell(node) || IsItem(node)) return 0;
  const std::optional<AxNode> described = Describe(node);
  if (!described) return 0;
  return CellCount(node) + described->items + static_cast<gint>(described->children.size());
}

// Children in order: a table's cells, the node's own items, then its elements.
AtkObject* NodeRefChild(AtkObject* object, gint index) {
  GtkAxNode* node = NodeOf(object);
  if (IsCell(node) || IsItem(node) || index < 0) return nullptr;
  AxProvider* provider = Provider(node);
  const std::optional<AxTable> shape = provider ? provider->Table(node->id) : std::nullopt;
  if (shape && shape->columns > 0 && index < shape->rows * shape->columns) {
    return GtkAccessBridge::Instance().Ref(node->hwnd, node->id, index / shape->columns, index % shape->columns);
  }
  const std::optional<AxNode> described = Describe(node);
  if (!described) return nullptr;
  index -= shape ? shape->rows * shape->columns : 0;
  if (index < described->items) {
    return GtkAccessBridge::Instance().Ref(node->hwnd, node->id, index, GtkAccessBridge::kItemColumn);
  }
  const auto child = static_cast<size_t>(index - described->items);
  if (child >= described->children.size()) return nullptr;
  return GtkAccessBridge::Instance().Ref(node->hwnd, described->children[child]);
}

// The parent without a new reference: the cache (or the widget) keeps it alive.
AtkObject* NodeParent(AtkObject* object) {
  GtkAxNode* node = NodeOf(object);
  AxProvider* provider = Provider(node);
  if (provider == nullptr) return nullptr;
  AxNodeId parent = node->id;
  if (!IsCell(node) && !IsItem(node)) {
    const std::optional<AxNode> described = provider->Node(node->id);
    if (!described) return nullptr;
    parent = described->parent;
  }
  if (parent == provider->RootNode()) return GtkAccessBridge::Instance().WindowObject(node->hwnd);
  AtkObject* ref = GtkAccessBridge::Instance().Ref(node->hwnd, parent);
  if (ref != nullptr) g_object_unref(ref);
  return ref;
}

gint NodeIndexInParent(AtkObject* object) {
  GtkAxNode* node = NodeOf(object);
  AxProvider* provider = Provider(node);
  if (provider == nullptr || IsHeader(node)) return -1;
  if (IsItem(node)) return node->row;
  if (IsCell(node)) {
    const std::optional<AxTable> shape = provider->Table(node->id);
    return shape ? node->row * shape->columns + node->column : -1;
  }
  const std::optional<AxNode> described = provider->Node(node->id);
  if (!described) return -1;
  const std::optional<AxNode> parent = provider->Node(described->parent);
  if (!parent) return -1;
  int32_t offset = parent->items;
  if (const std::optional<AxTable> shape = provider->Table(described->parent)) offset += shape->rows * shape->columns;
  for (size_t i = 0; i < parent->children.size(); ++i) {
    if (parent->children[i] == node->id) return offset + static_cast<gint>(i);
  }
  return -1;
}

AtkStateSet* NodeStates(AtkObject* object) {
  AtkStateSet* set = atk_state_set_new();
  GtkAxNode* node = NodeOf(object);
  AxProvider* provider = Provider(node);
  const std::optional<AxNode> described = Describe(node);
  if (!described) {
    atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
    return set;
  }
  const uint32_t s = described->states;
  if (IsCell(node)) {
    // A cell is as enabled and on screen as its table; rows are what gets selected.
    for (auto [bit, state] : {std::pair{AxState::Enabled, ATK_STATE_ENABLED},
                              {AxState::Enabled, ATK_STATE_SENSITIVE},
                              {AxState::Visible, ATK_STATE_VISIBLE},
                              {AxState::Showing, ATK_STATE_SHOWING}}) {
      if ((s & bit) != 0) atk_state_set_add_state(set, state);
    }
    atk_state_set_add_state(set, ATK_STATE_TRANSIENT);
    if (!IsHeader(node)) {
      atk_state_set_add_state(set, ATK_STATE_SELECTABLE);
      const std::optional<AxTable> shape = provider->Table(node->id);
      if (shape && shape->selectedRow == node->row) atk_state_set_add_state(set, ATK_STATE_SELECTED);
    }
    return set;
  }
  const std::pair<uint32_t, AtkStateType> map[] = {
      {AxState::Focused, ATK_STATE_FOCUSED},        {AxState::Focusable, ATK_STATE_FOCUSABLE},
      {AxState::Selected, ATK_STATE_SELECTED},      {AxState::Selectable, ATK_STATE_SELECTABLE},
      {AxState::Enabled, ATK_STATE_ENABLED},        {AxState::Enabled, ATK_STATE_SENSITIVE},
      {AxState::Visible, ATK_STATE_VISIBLE},        {AxState::Showing, ATK_STATE_SHOWING},
      {AxState::Checked, ATK_STATE_CHECKED},        {AxState::Pressed, ATK_STATE_PRESSED},
      {AxState::Editable, ATK_STATE_EDITABLE},      {AxState::MultiLine, ATK_STATE_MULTI_LINE},
      {AxState::SingleLine, ATK_STATE_SINGLE_LINE}, {AxState::Horizontal, ATK_STATE_HORIZONTAL},
      {AxState::Vertical, ATK_STATE_VERTICAL},      {AxState::Active, ATK_STATE_ACTIVE},
  };
  for (const auto& [bit, state] : map) {
    if ((s & bit) != 0) atk_state_set_add_state(set, state);
  }
  return set;
}

AtkAttributeSet* NodeAttributes(AtkObject* object) {
  GtkAxNode* node = NodeOf(object);
  if (IsCell(node)) return nullptr;
  const std::optional<AxNode> described = Describe(node);
  if (!described || !described->live) return nullptr;
  AtkAttributeSet* set = nullptr;
  for (const char* name : {"live", "container-live"}) {
    auto* attribute = static_cast<AtkAttribute*>(g_malloc(sizeof(AtkAttribute)));
    attribute->name = g_strdup(name);
    attribute->value = g_strdup("polite");
    set = g_slist_prepend(set, attribute);
  }
  return set;
}

AtkRelationSet* NodeRelations(AtkObject* object) {
  AtkRelationSet* set = atk_relation_set_new();
  GtkAxNode* node = NodeOf(object);
  if (IsCell(node)) return set;
  const std::optional<AxNode> described = Describe(node);
  if (described && described->labelledBy != 0) {
    if (AtkObject* label = GtkAccessBridge::Instance().Ref(node->hwnd, described->labelledBy)) {
      atk_relation_set_add_relation_by_type(set, ATK_RELATION_LABELLED_BY, label);
      g_object_unref(label);
    }
  }
  return set;
}

// --- AtkComponent ---
Rect BoundsOf(GtkAxNode* node) {
  AxProvider* provider = Provider(node);
  if (provider == nullptr) return {};
  if (IsHeader(node)) {
    // Headers sit above the first row.
    Rect first = provider->CellBounds(node->id, 0, node->column);
    const std::optional<AxNode> table = provider->Node(node->id);
    if (table && first.width > 0)
      return Rect::FromXywh(first.x, table->bounds.y, first.width, first.y - table->bounds.y);
    return {};
  }
  if (IsCell(node)) return provider->CellBounds(node->id, node->row, node->column);
  const std::optional<AxNode> described = Describe(node);
  return described ? described->bounds : Rect{};
}

void ComponentExtents(AtkComponent* component, gint* x, gint* y, gint* width, gint* height, AtkCoordType coords) {
  GtkAxNode* node = NodeOf(component);
  Rect r = BoundsOf(node);
  Point origin;
  if (coords == ATK_XY_WINDOW) {
    if (WindowSystem* sys = SystemOrNull(); sys && node->hwnd != 0) {
      const Rect window = sys->WindowRect(node->hwnd);
      origin = {window.x, window.y};
    }
  } else if (coords == ATK_XY_PARENT) {
    if (AtkObject* parent = NodeParent(ATK_OBJECT(component)); parent && ATK_IS_COMPONENT(parent)) {
      gint px = 0, py = 0;
      atk_component_get_extents(ATK_COMPONENT(parent), &px, &py, nullptr, nullptr, ATK_XY_SCREEN);
      origin = {px, py};
    }
  }
  if (x) *x = r.x - origin.x;
  if (y) *y = r.y - origin.y;
  if (width) *width = r.width;
  if (height) *height = r.height;
}

gboolean ComponentGrabFocus(AtkComponent* component) {
  GtkAxNode* node = NodeOf(component);
  AxProvider* provider = Provider(node);
  if (provider != nullptr && IsItem(node)) return provider->SelectItem(node->id, node->row);
  return provider && !IsCell(node) && provider->SetFocus(node->id);
}

AtkLayer ComponentLayer(AtkComponent*) { return ATK_LAYER_WIDGET; }

void InitComponent(AtkComponentIface* iface) {
  iface->get_extents = ComponentExtents;
  iface->grab_focus = ComponentGrabFocus;
  iface->get_layer = ComponentLayer;
}

// --- AtkAction ---
std::vector<std::string> ActionsOf(AtkAction* action) {
  const std::optional<AxNode> described = Describe(NodeOf(action));
  return described ? described->actions : std::vector<std::string>();
}

gint ActionCount(AtkAction* action) { return static_cast<gint>(ActionsOf(action).size()); }

gboolean ActionDo(AtkAction* action, gint index) {
  GtkAxNode* node = NodeOf(action);
  AxProvider* provider = Provider(node);
  if (provider != nullptr && IsItem(node)) return provider->DoItemAction(node->id, node->row, index);
  return provider && provider->DoAction(node->id, index);
}

const gchar* ActionName(AtkAction* action, gint index) {
  const std::vector<std::string> actions = ActionsOf(action);
  if (index < 0 || static_cast<size_t>(index) >= actions.size()) return nullptr;
  return Keep(action, "quillmar-action", actions[static_cast<size_t>(index)]);
}

void InitAction(AtkActionIface* iface) {
  iface->get_n_actions = ActionCount;
  iface->do_action = ActionDo;
  iface->get_name = ActionName;
  iface->get_localized_name = ActionName;
}

// --- AtkSelection of a node's own items (a menu's highlighted item) ---
std::optional<AxNode> SelectionOwner(AtkSelection* selection) { return Describe(NodeOf(selection)); }

gboolean ItemSelectionAdd(AtkSelection* selection, gint index) {
  GtkAxNode* node = NodeOf(selection);
  AxProvider* provider = Provider(node);
  return provider && index >= 0 && provider->SelectItem(node->id, index);
}

gboolean ItemSelectionClear(AtkSelection* selection) {
  GtkAxNode* node = NodeOf(selection);
  AxProvider* provider = Provider(node);
  return provider && provider->SelectItem(node->id, -1);
}

gboolean ItemSelectionRemove(AtkSelection* selection, gint index) {
  const std::optional<AxNode> owner = SelectionOwner(selection);
  return owner && index == 0 && owner->selectedItem >= 0 && ItemSelectionClear(selection);
}

gint ItemSelectionCount(AtkSelection* selection) {
  const std::optional<AxNode> owner = SelectionOwner(selection);
  return owner && owner->selectedItem >= 0 ? 1 : 0;
}

AtkObject* ItemSelectionRef(AtkSelection* selection, gint index) {
  GtkAxNode* node = NodeOf(selection);
  const std::optional<AxNode> owner = SelectionOwner(selection);
  if (!owner || index != 0 || owner->selectedItem < 0) return nullptr;
  return GtkAccessBridge::Instance().Ref(node->hwnd, node->id, owner->selectedItem, GtkAccessBridge::kItemColumn);
}

// Items come first among the children, so a child's index is its item's.
gboolean ItemSelectionIsChild(AtkSelection* selection, gint index) {
  const std::optional<AxNode> owner = SelectionOwner(selection);
  return owner && owner->selectedItem >= 0 && owner->selectedItem == index;
}

void NodeClassInit(gpointer klass, gpointer) {
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->get_name = NodeName;
  atk->get_description = NodeDescription;
  atk->get_role = NodeRole;
  atk->get_n_children = NodeChildCount;
  atk->ref_child = NodeRefChild;
  atk->get_parent = NodeParent;
  atk->get_index_in_parent = NodeIndexInParent;
  atk->ref_state_set = NodeStates;
  atk->get_attributes = NodeAttributes;
  atk->ref_relation_set = NodeRelations;
}

GType NodeBaseType() {
  static const GType type =
      g_type_register_static_simple(ATK_TYPE_OBJECT, "QuillmarAxNode", sizeof(AtkObjectClass), NodeClassInit,
                                    sizeof(GtkAxNode), nullptr, static_cast<GTypeFlags>(0));
  return type;
}

template <typename Iface, void (*Init)(Iface*)>
void InitInterface(gpointer iface, gpointer) {
  Init(static_cast<Iface*>(iface));
}

void AddInterface(GType type, GType iface, GInterfaceInitFunc init) {
  const GInterfaceInfo info{init, nullptr, nullptr};
  g_type_add_interface_static(type, iface, &info);
}

}  // namespace

GType ElementType(uint32_t facets) {
  static std::map<uint32_t, GType> types;
  if (auto it = types.find(facets); it != types.end()) return it->second;
  const std::string name = "QuillmarAxElement" + std::to_string(facets);
  const GType type = g_type_register_static_simple(NodeBaseType(), name.c_str(), sizeof(AtkObjectClass), nullptr,
                                                   sizeof(GtkAxNode), nullptr, static_cast<GTypeFlags>(0));
  AddInterface(type, ATK_TYPE_COMPONENT, InitInterface<AtkComponentIface, InitComponent>);
  if (facets & AxFacet::Action) AddInterface(type, ATK_TYPE_ACTION, InitInterface<AtkActionIface, InitAction>);
  if (facets & AxFacet::Text) AddInterface(type, ATK_TYPE_TEXT, InitInterface<AtkTextIface, InitText>);
  if (facets & AxFacet::EditableText) {
    AddInterface(type, ATK_TYPE_EDITABLE_TEXT, InitInterface<AtkEditableTextIface, InitEditableText>);
  }
  if (facets & AxFacet::Value) AddInterface(type, ATK_TYPE_VALUE, InitInterface<AtkValueIface, InitValue>);
  if (facets & AxFacet::Table) {
    AddInterface(type, ATK_TYPE_TABLE, InitInterface<AtkTableIface, InitTable>);
    AddInterface(type, ATK_TYPE_SELECTION, InitInterface<AtkSelectionIface, InitSelection>);
  } else if (facets & AxFacet::Selection) {
    AddInterface(type, ATK_TYPE_SELECTION, InitInterface<AtkSelectionIface, InitItemSelection>);
  }
  types[facets] = type;
  return type;
}

GType CellType() {
  static const GType type = [] {
    const GType t = g_type_register_static_simple(NodeBaseType(), "QuillmarAxCell", sizeof(AtkObjectClass), nullptr,
                                                  sizeof(GtkAxNode), nullptr, static_cast<GTypeFlags>(0));
    AddInterface(t, ATK_TYPE_COMPONENT, InitInterface<AtkComponentIface, InitComponent>);
    AddInterface(t, ATK_TYPE_TABLE_CELL, InitInterface<AtkTableCellIface, InitTableCell>);
    return t;
  }();
  return type;
}

GType ItemType() {
  static const GType type = [] {
    const GType t = g_type_register_static_simple(NodeBaseType(), "QuillmarAxItem", sizeof(AtkObjectClass), nullptr,
                                                  sizeof(GtkAxNode), nullptr, static_cast<GTypeFlags>(0));
    AddInterface(t, ATK_TYPE_COMPONENT, InitInterface<AtkComponentIface, InitComponent>);
    AddInterface(t, ATK_TYPE_ACTION, InitInterface<AtkActionIface, InitAction>);
    return t;
  }();
  return type;
}

void InitItemSelection(AtkSelectionIface* iface) {
  iface->add_selection = ItemSelectionAdd;
  iface->clear_selection = ItemSelectionClear;
  iface->remove_selection = ItemSelectionRemove;
  iface->ref_selection = ItemSelectionRef;
  iface->get_selection_count = ItemSelectionCount;
  iface->is_child_selected = ItemSelectionIsChild;
}

AxProvider* Provider(const GtkAxNode* node) { return GtkAccessBridge::ProviderOf(node->hwnd); }

std::optional<AxNode> Describe(const GtkAxNode* node) {
  AxProvider* provider = Provider(node);
  if (provider == nullptr) return {};
  return IsItem(node) ? provider->Item(node->id, node->row) : provider->Node(node->id);
}

const gchar* Keep(gpointer object, const char* slot, const std::string& text) {
  gchar* copy = g_strdup(text.c_str());
  g_object_set_data_full(G_OBJECT(object), slot, copy, g_free);
  return copy;
}

}  // namespace gtk_ax
}  // namespace quillmar::ws
