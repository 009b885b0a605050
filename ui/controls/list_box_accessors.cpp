// The list box's column, cell and row accessors. Setters change nothing for an
// equal value; a real change is stored and the grid laid out again.

#include "base/text_encoding.h"
#include "ui/controls/list_box.h"

namespace quillmar {

void UiListBox::SetColumnTitle(int32_t index, std::string_view title) {
  if (ListColumn* c = ColumnAt(index)) AssignRelayout(c->title, GbkToWide(title));
}

std::string UiListBox::GetColumnTitle(int32_t index) const {
  const ListColumn* c = ColumnAt(index);
  return c ? WideToGbk(c->title) : std::string();
}

void UiListBox::SetColumnFontName(int32_t index, std::string_view value) {
  if (ListColumn* c = ColumnAt(index)) AssignRelayout(c->fontName, std::string(value));
}

std::string UiListBox::GetColumnFontName(int32_t index) const {
  const ListColumn* c = ColumnAt(index);
  return c ? c->fontName : std::string();
}

void UiListBox::SetColumnAlign(int32_t index, int32_t value) {
  if (ListColumn* c = ColumnAt(index)) AssignRelayout(c->align, value);
}

int32_t UiListBox::GetColumnAlign(int32_t index) const {
  const ListColumn* c = ColumnAt(index);
  return c ? c->align : -1;
}

void UiListBox::SetColumnTextColor(int32_t index, draw::Argb value) {
  if (ListColumn* c = ColumnAt(index)) AssignRelayout(c->textColor, value);
}

std::optional<draw::Argb> UiListBox::GetColumnTextColor(int32_t index) const {
  const ListColumn* c = ColumnAt(index);
  return c ? std::optional<draw::Argb>(c->textColor) : std::nullopt;
}

void UiListBox::SetColumnHoverColor(int32_t index, draw::Argb value) {
  if (ListColumn* c = ColumnAt(index)) AssignRelayout(c->hoverColor, value);
}

std::optional<draw::Argb> UiListBox::GetColumnHoverColor(int32_t index) const {
  const ListColumn* c = ColumnAt(index);
  return c ? std::optional<draw::Argb>(c->hoverColor) : std::nullopt;
}

void UiListBox::SetColumnBackColor(int32_t index, draw::Argb value) {
  if (ListColumn* c = ColumnAt(index)) AssignRelayout(c->backColor, value);
}

std::optional<draw::Argb> UiListBox::GetColumnBackColor(int32_t index) const {
  const ListColumn* c = ColumnAt(index);
  return c ? std::optional<draw::Argb>(c->backColor) : std::nullopt;
}

void UiListBox::SetColumnWidth(int32_t index, int32_t value) {
  if (ListColumn* c = ColumnAt(index); c && value >= 0) AssignRelayout(c->width, value);
}

int32_t UiListBox::GetColumnWidth(int32_t index) const {
  const ListColumn* c = ColumnAt(index);
  return c ? c->width : -1;
}

void UiListBox::SetColumnIcon(int32_t index, ImageHandle value) {
  if (ListColumn* c = ColumnAt(index)) AssignRelayout(c->icon, value);
}

ImageHandle UiListBox::GetColumnIcon(int32_t index) const {
  const ListColumn* c = ColumnAt(index);
  return c ? c->icon : nullptr;
}

void UiListBox::SetColumnBackImage(int32_t index, ImageHandle value) {
  if (ListColumn* c = ColumnAt(index)) AssignRelayout(c->backImage, value);
}

ImageHandle UiListBox::GetColumnBackImage(int32_t index) const {
  const ListColumn* c = ColumnAt(index);
  return c ? c->backImage : nullptr;
}

void UiListBox::SetCellText(int32_t row, int32_t column, std::string_view text) {
  CheckThread();
  const auto at = NormalizeCell(row, column);
  if (!at) return;
  // A new text is always taken, even an equal one.
  rows_[at->first].cells[at->second].text = GbkToWide(text);
  Relayout();
}

std::string UiListBox::GetCellText(int32_t row, int32_t column) const {
  CheckThread();
  const auto at = NormalizeCell(row, column);
  return at ? WideToGbk(rows_[at->first].cells[at->second].text) : std::string();
}

void UiListBox::SetCellAlign(int32_t row, int32_t column, int32_t value) {
  CheckThread();
  if (const auto at = NormalizeCell(row, column)) AssignRelayout(rows_[at->first].cells[at->second].align, value);
}
int32_t UiListBox::GetCellAlign(int32_t row, int32_t column) const {
  CheckThread();
  const auto at = NormalizeCell(row, column);
  return at ? rows_[at->first].cells[at->second].align : -1;
}

void UiListBox::SetCellValue5(int32_t row, int32_t column, int32_t value) {
  CheckThread();
  if (const auto at = NormalizeCell(row, column)) AssignRelayout(rows_[at->first].cells[at->second].value5, value);
}
int32_t UiListBox::GetCellValue5(int32_t row, int32_t column) const {
  CheckThread();
  const auto at = NormalizeCell(row, column);
  return at ? rows_[at->first].cells[at->second].value5 : -1;
}

void UiListBox::SetCellImage(int32_t row, int32_t column, ImageHandle value) {
  CheckThread();
  if (const auto at = NormalizeCell(row, column)) AssignRelayout(rows_[at->first].cells[at->second].image, value);
}
ImageHandle UiListBox::GetCellImage(int32_t row, int32_t column) const {
  CheckThread();
  const auto at = NormalizeCell(row, column);
  return at ? rows_[at->first].cells[at->second].image : nullptr;
}

void UiListBox::SetCellTextIndent(int32_t row, int32_t column, int32_t value) {
  CheckThread();
  if (const auto at = NormalizeCell(row, column)) AssignRelayout(rows_[at->first].cells[at->second].textIndent, value);
}
int32_t UiListBox::GetCellTextIndent(int32_t row, int32_t column) const {
  CheckThread();
  const auto at = NormalizeCell(row, column);
  return at ? rows_[at->first].cells[at->second].textIndent : -1;
}

void UiListBox::SetRowFontName(int32_t row, std::string_view value) {
  if (ListRow* r = RowAt(row)) AssignRelayout(r->fontName, std::string(value));
}

std::string UiListBox::GetRowFontName(int32_t row) const {
  const ListRow* r = RowAt(row);
  return r ? r->fontName : std::string();
}

void UiListBox::SetRowFontSize(int32_t row, int32_t value) {
  if (ListRow* r = RowAt(row)) AssignRelayout(r->fontSize, value);
}

int32_t UiListBox::GetRowFontSize(int32_t row) const {
  const ListRow* r = RowAt(row);
  return r ? r->fontSize : -1;
}

void UiListBox::SetRowTextColor(int32_t row, draw::Argb value) {
  if (ListRow* r = RowAt(row)) AssignRelayout(r->textColor, value);
}

std::optional<draw::Argb> UiListBox::GetRowTextColor(int32_t row) const {
  const ListRow* r = RowAt(row);
  return r ? std::optional<draw::Argb>(r->textColor) : std::nullopt;
}

void UiListBox::SetRowSelectTextColor(int32_t row, draw::Argb value) {
  if (ListRow* r = RowAt(row)) AssignRelayout(r->selectTextColor, value);
}

std::optional<draw::Argb> UiListBox::GetRowSelectTextColor(int32_t row) const {
  const ListRow* r = RowAt(row);
  return r ? std::optional<draw::Argb>(r->selectTextColor) : std::nullopt;
}

void UiListBox::SetRowHoverTextColor(int32_t row, draw::Argb value) {
  if (ListRow* r = RowAt(row)) AssignRelayout(r->hoverTextColor, value);
}

std::optional<draw::Argb> UiListBox::GetRowHoverTextColor(int32_t row) const {
  const ListRow* r = RowAt(row);
  return r ? std::optional<draw::Argb>(r->hoverTextColor) : std::nullopt;
}

void UiListBox::SetRowHoverFill(int32_t row, draw::Argb value) {
  if (ListRow* r = RowAt(row)) AssignRelayout(r->hoverFill, value);
}

std::optional<draw::Argb> UiListBox::GetRowHoverFill(int32_t row) const {
  const ListRow* r = RowAt(row);
  return r ? std::optional<draw::Argb>(r->hoverFill) : std::nullopt;
}

void UiListBox::SetRowSelectFill(int32_t row, draw::Argb value) {
  if (ListRow* r = RowAt(row)) AssignRelayout(r->selectFill, value);
}

std::optional<draw::Argb> UiListBox::GetRowSelectFill(int32_t row) const {
  const ListRow* r = RowAt(row);
  return r ? std::optional<draw::Argb>(r->selectFill) : std::nullopt;
}

void UiListBox::SetRowBackColor(int32_t row, draw::Argb value) {
  if (ListRow* r = RowAt(row)) AssignRelayout(r->backColor, value);
}

std::optional<draw::Argb> UiListBox::GetRowBackColor(int32_t row) const {
  const ListRow* r = RowAt(row);
  return r ? std::optional<draw::Argb>(r->backColor) : std::nullopt;
}

void UiListBox::SetRowHeight(int32_t row, int32_t value) {
  if (ListRow* r = RowAt(row); r && value >= 0) AssignRelayout(r->height, value);
}

int32_t UiListBox::GetRowHeight(int32_t row) const {
  const ListRow* r = RowAt(row);
  return r ? r->height : -1;
}

}  // namespace quillmar
