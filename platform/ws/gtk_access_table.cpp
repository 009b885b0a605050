// AtkTable, AtkSelection and AtkTableCell of a table node and its cells, and
// AtkValue of a node with a value. Cells are made when a reader asks for them.

#include <cmath>
#include <string>

#include "platform/ws/gtk_access_bridge.h"

namespace quillmar::ws::gtk_ax {
namespace {

GtkAxNode* NodeOf(gpointer object) { return reinterpret_cast<GtkAxNode*>(object); }

std::optional<AxTable> ShapeOf(GtkAxNode* node) {
  AxProvider* provider = Provider(node);
  return provider ? provider->Table(node->id) : std::nullopt;
}

// --- AtkTable ---
AtkObject* TableRefAt(AtkTable* table, gint row, gint column) {
  GtkAxNode* node = NodeOf(table);
  const std::optional<AxTable> shape = ShapeOf(node);
  if (!shape || row < 0 || column < 0 || row >= shape->rows || column >= shape->columns) return nullptr;
  return GtkAccessBridge::Instance().Ref(node->hwnd, node->id, row, column);
}

gint TableIndexAt(AtkTable* table, gint row, gint column) {
  const std::optional<AxTable> shape = ShapeOf(NodeOf(table));
  if (!shape || row < 0 || column < 0 || row >= shape->rows || column >= shape->columns) return -1;
  return row * shape->columns + column;
}

gint TableColumnAtIndex(AtkTable* table, gint index) {
  const std::optional<AxTable> shape = ShapeOf(NodeOf(table));
  return (shape && shape->columns > 0 && index >= 0) ? index % shape->columns : -1;
}

gint TableRowAtIndex(AtkTable* table, gint index) {
  const std::optional<AxTable> shape = ShapeOf(NodeOf(table));
  return (shape && shape->columns > 0 && index >= 0) ? index / shape->columns : -1;
}

gint TableColumns(AtkTable* table) {
  const std::optional<AxTable> shape = ShapeOf(NodeOf(table));
  return shape ? shape->columns : 0;
}

gint TableRows(AtkTable* table) {
  const std::optional<AxTable> shape = ShapeOf(NodeOf(table));
  return shape ? shape->rows : 0;
}

const gchar* TableColumnDescription(AtkTable* table, gint column) {
  const std::optional<AxTable> shape = ShapeOf(NodeOf(table));
  if (!shape || column < 0 || static_cast<size_t>(column) >= shape->columnTitles.size()) return nullptr;
  return Keep(table, "quillmar-column-title", shape->columnTitles[static_cast<size_t>(column)]);
}

AtkObject* TableColumnHeader(AtkTable* table, gint column) {
  GtkAxNode* node = NodeOf(table);
  const std::optional<AxTable> shape = ShapeOf(node);
  if (!shape || column < 0 || column >= shape->columns) return nullptr;
  // Not a new reference: the header stays in the cache.
  AtkObject* header = GtkAccessBridge::Instance().Ref(node->hwnd, node->id, GtkAccessBridge::kHeaderRow, column);
  if (header != nullptr) g_object_unref(header);
  return header;
}

gboolean TableRowSelected(AtkTable* table, gint row) {
  const std::optional<AxTable> shape = ShapeOf(NodeOf(table));
  return shape && shape->selectedRow >= 0 && shape->selectedRow == row;
}

gboolean TableCellSelected(AtkTable* table, gint row, gint) { return TableRowSelected(table, row); }

gint TableSelectedRows(AtkTable* table, gint** rows) {
  const std::optional<AxTable> shape = ShapeOf(NodeOf(table));
  if (!shape || shape->selectedRow < 0) {
    if (rows) *rows = nullptr;
    return 0;
  }
  if (rows) {
    *rows = g_new(gint, 1);
    (*rows)[0] = shape->selectedRow;
  }
  return 1;
}

gboolean TableAddRowSelection(AtkTable* table, gint row) {
  GtkAxNode* node = NodeOf(table);
  AxProvider* provider = Provider(node);
  return provider && provider->SelectRow(node->id, row);
}

// --- AtkSelection: the cells of the selected row ---
gboolean SelectionAdd(AtkSelection* selection, gint index) {
  const gint row = TableRowAtIndex(ATK_TABLE(selection), index);
  return row >= 0 && TableAddRowSelection(ATK_TABLE(selection), row);
}

gboolean SelectionClear(AtkSelection*) { return FALSE; }

gint SelectionCount(AtkSelection* selection) {
  const std::optional<AxTable> shape = ShapeOf(NodeOf(selection));
  return (shape && shape->selectedRow >= 0) ? shape->columns : 0;
}

AtkObject* SelectionRef(AtkSelection* selection, gint index) {
  const std::optional<AxTable> shape = ShapeOf(NodeOf(selection));
  if (!shape || shape->selectedRow < 0 || index < 0 || index >= shape->columns) return nullptr;
  return TableRefAt(ATK_TABLE(selection), shape->selectedRow, index);
}

gboolean SelectionIsChild(AtkSelection* selection, gint index) {
  return TableRowSelected(ATK_TABLE(selection), TableRowAtIndex(ATK_TABLE(selection), index));
}

// --- AtkTableCell ---
gint CellSpan(AtkTableCell*) { return 1; }

gboolean CellPosition(AtkTableCell* cell, gint* row, gint* column) {
  GtkAxNode* node = NodeOf(cell);
  if (row) *row = node->row;
  if (column) *column = node->column;
  return node->row >= 0;
}

gboolean CellRowColumnSpan(AtkTableCell* cell, gint* row, gint* column, gint* rowSpan, gint* columnSpan) {
  if (rowSpan) *rowSpan = 1;
  if (columnSpan) *columnSpan = 1;
  return CellPosition(cell, row, column);
}

AtkObject* CellTable(AtkTableCell* cell) {
  GtkAxNode* node = NodeOf(cell);
  return GtkAccessBridge::Instance().Ref(node->hwnd, node->id);
}

GPtrArray* CellColumnHeaders(AtkTableCell* cell) {
  GtkAxNode* node = NodeOf(cell);
  GPtrArray* headers = g_ptr_array_new_with_free_func(g_object_unref);
  if (node->row >= 0) {
    if (AtkObject* header =
            GtkAccessBridge::Instance().Ref(node->hwnd, node->id, GtkAccessBridge::kHeaderRow, node->column)) {
      g_ptr_array_add(headers, header);
    }
  }
  return headers;
}

GPtrArray* CellRowHeaders(AtkTableCell*) { return g_ptr_array_new_with_free_func(g_object_unref); }

// --- AtkValue ---
std::optional<AxValue> ValueOf(gpointer object) {
  GtkAxNode* node = NodeOf(object);
  AxProvider* provider = Provider(node);
  return provider ? provider->Value(node->id) : std::nullopt;
}

void SetDouble(GValue* value, double number) {
  g_value_init(value, G_TYPE_DOUBLE);
  g_value_set_double(value, number);
}

void ValueCurrent(AtkValue* object, GValue* value) {
  const std::optional<AxValue> v = ValueOf(object);
  SetDouble(value, v ? v->current : 0);
}

void ValueMinimum(AtkValue* object, GValue* value) {
  const std::optional<AxValue> v = ValueOf(object);
  SetDouble(value, v ? v->minimum : 0);
}

void ValueMaximum(AtkValue* object, GValue* value) {
  const std::optional<AxValue> v = ValueOf(object);
  SetDouble(value, v ? v->maximum : 0);
}

void ValueMinimumIncrement(AtkValue* object, GValue* value) {
  const std::optional<AxValue> v = ValueOf(object);
  SetDouble(value, v ? v->step : 0);
}

gboolean ValueSetCurrent(AtkValue* object, const GValue* value) {
  GtkAxNode* node = NodeOf(object);
  AxProvider* provider = Provider(node);
  if (provider == nullptr || !G_VALUE_HOLDS_DOUBLE(value)) return FALSE;
  return provider->SetValue(node->id, g_value_get_double(value));
}

void ValueAndText(AtkValue* object, gdouble* value, gchar** text) {
  const std::optional<AxValue> v = ValueOf(object);
  if (value) *value = v ? v->current : 0;
  if (text) *text = nullptr;
}

AtkRange* ValueRange(AtkValue* object) {
  const std::optional<AxValue> v = ValueOf(object);
  return v ? atk_range_new(v->minimum, v->maximum, nullptr) : nullptr;
}

gdouble ValueIncrement(AtkValue* object) {
  const std::optional<AxValue> v = ValueOf(object);
  return v ? v->step : 0;
}

void ValueSet(AtkValue* object, gdouble value) {
  GtkAxNode* node = NodeOf(object);
  if (AxProvider* provider = Provider(node)) provider->SetValue(node->id, value);
}

}  // namespace

void InitTable(AtkTableIface* iface) {
  iface->ref_at = TableRefAt;
  iface->get_index_at = TableIndexAt;
  iface->get_column_at_index = TableColumnAtIndex;
  iface->get_row_at_index = TableRowAtIndex;
  iface->get_n_columns = TableColumns;
  iface->get_n_rows = TableRows;
  iface->get_column_description = TableColumnDescription;
  iface->get_column_header = TableColumnHeader;
  iface->get_selected_rows = TableSelectedRows;
  iface->is_row_selected = TableRowSelected;
  iface->is_selected = TableCellSelected;
  iface->add_row_selection = TableAddRowSelection;
}

void InitSelection(AtkSelectionIface* iface) {
  iface->add_selection = SelectionAdd;
  iface->clear_selection = SelectionClear;
  iface->ref_selection = SelectionRef;
  iface->get_selection_count = SelectionCount;
  iface->is_child_selected = SelectionIsChild;
}

void InitTableCell(AtkTableCellIface* iface) {
  iface->get_column_span = CellSpan;
  iface->get_row_span = CellSpan;
  iface->get_position = CellPosition;
  iface->get_row_column_span = CellRowColumnSpan;
  iface->get_table = CellTable;
  iface->get_column_header_cells = CellColumnHeaders;
  iface->get_row_header_cells = CellRowHeaders;
}

void InitValue(AtkValueIface* iface) {
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  iface->get_current_value = ValueCurrent;
  iface->get_maximum_value = ValueMaximum;
  iface->get_minimum_value = ValueMinimum;
  iface->get_minimum_increment = ValueMinimumIncrement;
  iface->set_current_value = ValueSetCurrent;
  G_GNUC_END_IGNORE_DEPRECATIONS
  iface->get_value_and_text = ValueAndText;
  iface->get_range = ValueRange;
  iface->get_increment = ValueIncrement;
  iface->set_value = ValueSet;
}

}  // namespace quillmar::ws::gtk_ax
