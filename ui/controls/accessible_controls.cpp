// What the kit's controls tell assistive technology, read from their own
// fields whenever it asks.

#include <algorithm>
#include <cmath>

#include "base/text_encoding.h"
#include "ui/controls/button.h"
#include "ui/controls/label.h"
#include "ui/controls/list_box.h"
#include "ui/controls/menu.h"
#include "ui/controls/scroll_bar.h"

namespace quillmar {
namespace {

std::string WideToUtf8(std::u16string_view wide) { return WideToMultiByte(wide, kCodePageUtf8, true); }

}  // namespace

void UiButton::DescribeAccessible(ws::AxNode& node) {
  UiControl::DescribeAccessible(node);
  node.role = ws::AxRole::PushButton;
  node.name = GbkToUtf8(text_);
  node.states |= ws::AxState::Focusable;
  node.facets |= ws::AxFacet::Action;
  node.actions = {"click"};
}

void UiLabel::DescribeAccessible(ws::AxNode& node) {
  UiControl::DescribeAccessible(node);
  node.role = ws::AxRole::Label;
  node.name = GbkToUtf8(text_);
  node.facets |= ws::AxFacet::Text;
  node.states |= singleLine_ != 0 ? ws::AxState::SingleLine : ws::AxState::MultiLine;
}

std::optional<ws::AxText> UiLabel::AccessibleText() {
  ws::AxText text;
  text.text = GbkToWide(text_);
  return text;
}

void UiScrollBar::DescribeAccessible(ws::AxNode& node) {
  UiControl::DescribeAccessible(node);
  node.role = ws::AxRole::ScrollBar;
  node.facets |= ws::AxFacet::Value;
  node.states |= horizontal_ ? ws::AxState::Horizontal : ws::AxState::Vertical;
}

std::optional<ws::AxValue> UiScrollBar::AccessibleValue() {
  return ws::AxValue{.minimum = static_cast<double>(minimum_),
                     .maximum = static_cast<double>(maximum_),
                     .current = static_cast<double>(position_),
                     .step = static_cast<double>(lineStep_)};
}

bool UiScrollBar::AccessibleSetValue(double value) {
  if (!std::isfinite(value)) return false;
  const double clamped = std::clamp(value, static_cast<double>(minimum_), static_cast<double>(maximum_));
  SetPosition(static_cast<int32_t>(std::lround(clamped)));
  return true;
}

void UiListBox::DescribeAccessible(ws::AxNode& node) {
  UiControl::DescribeAccessible(node);
  node.role = ws::AxRole::Table;
  node.facets |= ws::AxFacet::Table;
  node.states |= ws::AxState::Focusable;
}

std::optional<ws::AxTable> UiListBox::AccessibleTable() {
  ws::AxTable table;
  table.rows = static_cast<int32_t>(rows_.size());
  table.columns = static_cast<int32_t>(columns_.size());
  for (const ListColumn& column : columns_) table.columnTitles.push_back(WideToUtf8(column.title));
  if (selectedCell_.row >= 0 && selectedCell_.row < table.rows) table.selectedRow = selectedCell_.row;
  return table;
}

std::string UiListBox::AccessibleCellText(int32_t row, int32_t column) {
  const auto at = NormalizeCell(row, column);
  return at ? WideToUtf8(rows_[at->first].cells[at->second].text) : std::string();
}

Rect UiListBox::AccessibleCellBounds(int32_t row, int32_t column) {
  const ListRow* r = RowAt(row);
  const ListColumn* c = ColumnAt(column);
  if (r == nullptr || c == nullptr) return {};
  return Rect::FromXywh(static_cast<int32_t>(contentRect_.x) + c->left + hOffset_,
                        static_cast<int32_t>(contentRect_.y) + r->top + vOffset_, c->width, r->height);
}

bool UiListBox::AccessibleSelectRow(int32_t row) {
  if (row < 0 || row >= static_cast<int32_t>(rows_.size())) return false;
  SetSelection(0, row);
  return true;
}

void UiMenu::DescribeAccessible(ws::AxNode& node) {
  UiControl::DescribeAccessible(node);
  node.role = ws::AxRole::Menu;
  node.facets |= ws::AxFacet::Selection;
  node.states |= ws::AxState::Focusable;
  node.items = static_cast<int32_t>(items_.size());
  node.selectedItem = hoverIndex_ >= 0 && hoverIndex_ < node.items ? hoverIndex_ : -1;
  // The highlighted item holds the focus a reader follows, not the menu around it.
  if (node.selectedItem >= 0) node.states &= ~ws::AxState::Focused;
}

std::optional<ws::AxNode> UiMenu::AccessibleItem(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(items_.size())) return {};
  const MenuItem& item = items_[static_cast<size_t>(index)];
  ws::AxNode node;
  node.bounds = ItemRect(index);
  if (item.IsSeparator()) {
    node.role = ws::AxRole::Separator;
    return node;
  }
  node.role = ws::AxRole::MenuItem;
  node.name = WideToUtf8(item.text);
  node.states = ws::AxState::Selectable;
  if (item.disabled == 0) {
    node.states |= ws::AxState::Enabled;
    node.facets |= ws::AxFacet::Action;
    node.actions = {"click"};
  }
  // The highlighted item is where the keyboard is while the popup is open.
  if (index == hoverIndex_) node.states |= ws::AxState::Selected | ws::AxState::Focused;
  return node;
}

bool UiMenu::AccessibleItemAction(int32_t item, int32_t index) {
  if (index != 0 || !IsOpen() || !Choosable(item)) return false;
  SetHoverIndex(item);
  ChooseHovered();
  return true;
}

bool UiMenu::AccessibleSelectItem(int32_t item) {
  if (!IsOpen() || (item != -1 && !Choosable(item))) return false;
  SetHoverIndex(item);
  return true;
}

}  // namespace quillmar
