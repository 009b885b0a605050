#include "ui/core/accessible_tree.h"

#include <utility>

#include "platform/ws/window_system.h"
#include "ui/core/element_record.h"
#include "ui/core/element_ref.h"
#include "ui/core/element_registry.h"
#include "ui/core/window.h"

namespace quillmar {

UiAccessibleTree::UiAccessibleTree(UiWindow& window) : window_(window), hwnd_(window.WindowHandle()) {
  if (hwnd_ != 0) ws::System().SetAxProvider(hwnd_, this);
}

UiAccessibleTree::~UiAccessibleTree() { Withdraw(); }

void UiAccessibleTree::Withdraw() {
  ws::WindowSystem* sys = ws::SystemOrNull();
  if (hwnd_ != 0 && sys && sys->AxProviderOf(hwnd_) == this) sys->SetAxProvider(hwnd_, nullptr);
  hwnd_ = 0;
}

void UiAccessibleTree::SetRole(int32_t key, ws::AxRole role) { extras_[key].role = role; }

void UiAccessibleTree::SetLabelledBy(int32_t key, int32_t labelKey) { extras_[key].labelledBy = labelKey; }

void UiAccessibleTree::SetDescription(int32_t key, std::string utf8) { extras_[key].description = std::move(utf8); }

ws::AxNodeId UiAccessibleTree::RootNode() const { return window_.Key(); }

UiWindow* UiAccessibleTree::Owner(ws::AxNodeId id) const {
  const int32_t root = window_.Key();
  if (hwnd_ == 0 || root == 0) return nullptr;
  // Only elements under this window: a key of another window is not ours to describe.
  ElementRecord* rec = Registry().Find(id);
  UiWindow* owner = rec ? rec->owner : nullptr;
  for (int32_t depth = 0; rec && depth < 64; ++depth) {
    if (rec->key == root) return owner;
    rec = Registry().Find(rec->parentKey);
  }
  return nullptr;
}

std::optional<ws::AxNode> UiAccessibleTree::Node(ws::AxNodeId id) const {
  UiWindow* owner = Owner(id);
  if (owner == nullptr) return {};
  const ElementRecord& rec = *Registry().Find(id);
  ws::WindowSystem& sys = ws::System();
  const bool root = id == window_.Key();
  ws::AxNode node;
  node.parent = root ? 0 : rec.parentKey;
  for (int32_t child : rec.children) {
    if (Owner(child) != nullptr) node.children.push_back(child);
  }
  if (root) {
    node.bounds = sys.WindowRect(hwnd_);
  } else {
    node.bounds = Rect::FromOriginSize(window_.PointToScreen({0, 0}, id), rec.bounds.GetSize());
  }
  // Showing needs every level up to the window shown, and the window itself on screen.
  bool showing = sys.IsVisible(hwnd_);
  bool enabled = sys.IsEnabled(hwnd_);
  for (const ElementRecord* r = &rec; r != nullptr && showing; r = Registry().Find(r->parentKey)) {
    showing = r->visible != 0 && r->shown != 0;
    enabled = enabled && r->disabled == 0;
    if (r->key == window_.Key()) break;
  }
  using namespace ws::AxState;
  if (rec.visible != 0 && rec.shown != 0) node.states |= Visible;
  if (showing) node.states |= Showing;
  if (enabled && rec.disabled == 0) node.states |= Enabled;
  if (rec.pressed != 0) node.states |= Pressed;
  if (root && sys.Focus() == hwnd_) node.states |= Active;
  if (!root && rec.focused != 0 && window_.FocusKey() == id) node.states |= Focused;
  owner->DescribeAccessible(node);
  if (auto it = extras_.find(id); it != extras_.end()) {
    if (it->second.role) node.role = *it->second.role;
    node.labelledBy = it->second.labelledBy;
    if (!it->second.description.empty()) node.description = it->second.description;
    if (node.role == ws::AxRole::StatusBar) node.live = true;
  }
  if (node.name.empty() && node.labelledBy != 0) {
    if (auto label = Node(node.labelledBy)) node.name = label->name;
  }
  return node;
}

std::optional<ws::AxText> UiAccessibleTree::Text(ws::AxNodeId id) const {
  UiWindow* owner = Owner(id);
  return owner ? owner->AccessibleText() : std::nullopt;
}

std::optional<ws::AxValue> UiAccessibleTree::Value(ws::AxNodeId id) const {
  UiWindow* owner = Owner(id);
  return owner ? owner->AccessibleValue() : std::nullopt;
}

std::optional<ws::AxTable> UiAccessibleTree::Table(ws::AxNodeId id) const {
  UiWindow* owner = Owner(id);
  return owner ? owner->AccessibleTable() : std::nullopt;
}

std::string UiAccessibleTree::CellText(ws::AxNodeId id, int32_t row, int32_t column) const {
  UiWindow* owner = Owner(id);
  return owner ? owner->AccessibleCellText(row, column) : std::string();
}

Rect UiAccessibleTree::CellBounds(ws::AxNodeId id, int32_t row, int32_t column) const {
  UiWindow* owner = Owner(id);
  if (owner == nullptr) return {};
  Rect r = owner->AccessibleCellBounds(row, column);
  const Point origin = window_.PointToScreen({0, 0}, id);
  r.x += origin.x;
  r.y += origin.y;
  return r;
}

std::optional<ws::AxNode> UiAccessibleTree::Item(ws::AxNodeId id, int32_t index) const {
  const std::optional<ws::AxNode> parent = Node(id);
  if (!parent || index < 0 || index >= parent->items) return {};
  std::optional<ws::AxNode> item = Registry().Find(id)->owner->AccessibleItem(index);
  if (!item) return {};
  item->parent = id;
  const Point origin = window_.PointToScreen({0, 0}, id);
  item->bounds.x += origin.x;
  item->bounds.y += origin.y;
  // An item is on screen as its element is, and usable only when both are.
  using namespace ws::AxState;
  item->states = (item->states & ~(Visible | Showing | Enabled)) | (parent->states & (Visible | Showing)) |
                 (item->states & parent->states & Enabled);
  return item;
}

bool UiAccessibleTree::DoAction(ws::AxNodeId id, int32_t index) {
  const std::optional<ws::AxNode> node = Node(id);
  if (!node || index < 0 || static_cast<size_t>(index) >= node->actions.size()) return false;
  if ((node->states & ws::AxState::Enabled) == 0) return false;
  // Later, on the loop: a click may open a modal box, and the asker waits for this answer.
  ws::System().PostTask([id, index] {
    const ElementRef ref(id);
    if (ref && ref->owner) ref->owner->AccessibleAction(index);
  });
  return true;
}

bool UiAccessibleTree::DoItemAction(ws::AxNodeId id, int32_t item, int32_t index) {
  const std::optional<ws::AxNode> node = Item(id, item);
  if (!node || index < 0 || static_cast<size_t>(index) >= node->actions.size()) return false;
  if ((node->states & ws::AxState::Enabled) == 0) return false;
  // Later, on the loop, as DoAction: choosing an item runs the owner's routine.
  ws::System().PostTask([id, item, index] {
    const ElementRef ref(id);
    if (ref && ref->owner) ref->owner->AccessibleItemAction(item, index);
  });
  return true;
}

bool UiAccessibleTree::SelectItem(ws::AxNodeId id, int32_t item) {
  const std::optional<ws::AxNode> node = Node(id);
  if (!node || item < -1 || item >= node->items) return false;
  return Registry().Find(id)->owner->AccessibleSelectItem(item);
}

bool UiAccessibleTree::SetFocus(ws::AxNodeId id) {
  const std::optional<ws::AxNode> node = Node(id);
  if (!node || (node->states & ws::AxState::Focusable) == 0) return false;
  window_.SetFocusElement(hwnd_, id);
  return true;
}

bool UiAccessibleTree::EditText(ws::AxNodeId id, int32_t start, int32_t end, const std::u16string& text) {
  UiWindow* owner = Owner(id);
  return owner && owner->AccessibleEditText(start, end, text);
}

bool UiAccessibleTree::SetCaret(ws::AxNodeId id, int32_t position) {
  UiWindow* owner = Owner(id);
  return owner && owner->AccessibleSelectText(position, position);
}

bool UiAccessibleTree::SetTextSelection(ws::AxNodeId id, int32_t start, int32_t end) {
  UiWindow* owner = Owner(id);
  return owner && owner->AccessibleSelectText(start, end);
}

bool UiAccessibleTree::SelectRow(ws::AxNodeId id, int32_t row) {
  UiWindow* owner = Owner(id);
  return owner && owner->AccessibleSelectRow(row);
}

bool UiAccessibleTree::SetValue(ws::AxNodeId id, double value) {
  UiWindow* owner = Owner(id);
  return owner && owner->AccessibleSetValue(value);
}

}  // namespace quillmar
