#pragma once
// UiListBox: a custom-drawn grid of a header row of columns and any number of
// rows with one cell per column. It tracks the cell under the mouse and the
// clicked cell, scrolls with its own two scroll bars and the wheel, and raises
// Event::CellClicked (wParam column, lParam row, either may be -1; the
// header row is -1) when a left click changes the selected cell.
// Every method belongs to the UI thread; workers post their rows to it.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "base/geometry.h"
#include "platform/draw/draw_types.h"
#include "ui/controls/scroll_bar.h"
#include "ui/core/control.h"
#include "ui/gfx/font.h"

namespace quillmar {

namespace draw {
class Graphics;
}

// A cell address, 0-based; row -1 is the header, (-1, -1) none.
struct ListCellRef {
  int32_t column = -1;
  int32_t row = -1;
  friend bool operator==(const ListCellRef&, const ListCellRef&) = default;
};

struct ListColumn {
  std::string fontName;
  int32_t fontSize = 12;
  int32_t align = 2;  // 0 near, 1 centre, 2 far
  std::u16string title;
  draw::Argb textColor = 0;
  draw::Argb hoverColor = 0x69FF0000;  // header fill under the mouse
  int32_t value7 = 0;
  draw::Argb backColor = 0;
  int32_t width = 80;
  ImageHandle icon;
  ImageHandle backImage;
  int32_t left = 0;  // from the grid's left, by layout
};

struct ListCell {
  int32_t align = 2;
  std::u16string text;
  int32_t value5 = 0;
  ImageHandle image;
  int32_t textIndent = 0;
};

// What applies to a whole row, and its cells in column order.
struct ListRow {
  std::string fontName;
  int32_t fontSize = 12;
  draw::Argb textColor = 0;
  draw::Argb selectTextColor = 0;
  draw::Argb hoverTextColor = 0;
  draw::Argb hoverFill = 0;
  draw::Argb selectFill = 0;
  draw::Argb backColor = 0;
  int32_t height = 80;
  int32_t top = 0;  // from the grid's top (header included), by layout
  std::vector<ListCell> cells;
};

// Creation values; an empty one takes the theme's or the fixed default.
struct ListBoxOptions {
  std::optional<int32_t> headerVisible{}, scrollBars{}, rowSelect{};
  std::optional<draw::Argb> textColor{}, hoverFill{}, selectFill{};
  draw::Argb cellBackColor = 0;
  std::optional<draw::Argb> backFill{}, gridColor{};
  int32_t gridLines = 0;  // bit 0 row lines, bit 1 column lines
  int32_t gridDashStyle = 0;
  std::optional<draw::Argb> gridPenColor{}, scrollBarColor{};
  std::optional<std::string> fontName{};
  std::optional<int32_t> fontSize{};
  int32_t optionC = 0;
  int32_t scrollMode = 0;  // 0 bars always shown, else only while the content overflows
};

struct ListColumnOptions {
  std::optional<std::string> fontName{};
  std::optional<int32_t> fontSize{}, width{}, align{};
  ImageHandle icon{};
  std::optional<draw::Argb> textColor{};
  draw::Argb backColor = 0;
  std::optional<draw::Argb> hoverColor{};
  int32_t value7 = 0;
  ImageHandle backImage{};
};

struct ListRowOptions {
  std::optional<std::string> fontName{};
  std::optional<int32_t> fontSize{}, align{};
  ImageHandle image{};
  int32_t textIndent = 0;
  int32_t value5 = 0;
  std::optional<draw::Argb> textColor{}, selectTextColor{}, hoverTextColor{}, hoverFill{}, selectFill{}, backColor{};
  std::optional<int32_t> height{};
};

class UiListBox : public UiControl {
 public:
  static constexpr const char* kTag = "OVCL_LISTBOX";
  static constexpr int32_t kWheelStep = 15;     // pixels per wheel notch
  static constexpr int32_t kBarThickness = 11;  // the scroll bars' width or height

  UiListBox();
  ~UiListBox() override;

  int32_t Create(UiWindow* parent, bool visible, int32_t x, int32_t y, int32_t width, int32_t height, int32_t userValue,
                 const ListBoxOptions& options = {});
  // Lays the grid out again before the next paint, or sooner when input needs it.
  void Relayout();
  void Layout();
  // Lays the grid out now when something changed it since the last layout.
  void EnsureLayout();
  // Scrolls the least that shows the whole row (its top when it is taller than the view).
  void ScrollRowIntoView(int32_t row);
  // Where the row's top shows now, in the control's coordinates; -1 for no such row.
  int32_t RowTop(int32_t row);
  void SetScrollBars(int32_t mask);
  int32_t GetScrollBars() const;
  void UpdateScrollBars();
  void SetScrollMode(int32_t value);
  int32_t GetScrollMode() const;
  UiScrollBar* GetVScroll() const { return vScroll_.get(); }
  UiScrollBar* GetHScroll() const { return hScroll_.get(); }
  // Updates the hovered cell from the mouse position.
  void HitTest();
  // 1-based column or row under a coordinate of the control; 0 is the header row, -1 none.
  int32_t ColumnAtX(double x);
  int32_t RowAtY(double y);
  void SetOptionC(int32_t value);
  int32_t GetOptionC() const;
  ListCellRef GetSelection() const;
  void SetSelection(int32_t column, int32_t row);
  ListCellRef GetHoverCell() const;
  // Shows a cell as hovered until the mouse next moves over the list (for
  // pictures of the list's states); out-of-range cells are refused.
  void SetHoverCell(int32_t column, int32_t row);
  int32_t GetRowSelect() const;
  void SetRowSelect(int32_t value);
  void SetHeaderVisible(int32_t flag);
  int32_t GetHeaderVisible() const;
  void SetHeaderHeight(int32_t pixels);
  int32_t GetHeaderHeight() const;
  int32_t GetUserValue() const;
  RectF GetContentRect() const;
  int32_t GetVOffset() const;
  int32_t GetHOffset() const;

  // Missing index, -1 or an index beyond the count appends.
  void InsertColumn(std::optional<int32_t> index, std::string_view title, const ListColumnOptions& options = {});
  void DeleteColumn(int32_t index);
  void InsertRow(std::optional<int32_t> index, std::string_view text, const ListRowOptions& options = {});
  // A negative index counts from the end (-1 is the last row).
  void DeleteRow(int32_t index);
  void ClearRows();
  void ClearAll();
  int32_t GetRowCount() const;
  int32_t GetColumnCount() const;

  // Column accessors; an index outside the columns does nothing and reads -1,
  // empty text, no colour or no image.
  void SetColumnTitle(int32_t index, std::string_view title);
  std::string GetColumnTitle(int32_t index) const;
  void SetColumnFontName(int32_t index, std::string_view name);
  std::string GetColumnFontName(int32_t index) const;
  void SetColumnAlign(int32_t index, int32_t align);
  int32_t GetColumnAlign(int32_t index) const;
  void SetColumnTextColor(int32_t index, draw::Argb color);
  std::optional<draw::Argb> GetColumnTextColor(int32_t index) const;
  void SetColumnHoverColor(int32_t index, draw::Argb color);
  std::optional<draw::Argb> GetColumnHoverColor(int32_t index) const;
  void SetColumnBackColor(int32_t index, draw::Argb color);
  std::optional<draw::Argb> GetColumnBackColor(int32_t index) const;
  void SetColumnWidth(int32_t index, int32_t width);
  int32_t GetColumnWidth(int32_t index) const;
  void SetColumnIcon(int32_t index, ImageHandle icon);
  ImageHandle GetColumnIcon(int32_t index) const;
  void SetColumnBackImage(int32_t index, ImageHandle image);
  ImageHandle GetColumnBackImage(int32_t index) const;

  // Cell accessors by (row, column).
  void SetCellText(int32_t row, int32_t column, std::string_view text);
  std::string GetCellText(int32_t row, int32_t column) const;
  void SetCellAlign(int32_t row, int32_t column, int32_t align);
  int32_t GetCellAlign(int32_t row, int32_t column) const;
  void SetCellValue5(int32_t row, int32_t column, int32_t value);
  int32_t GetCellValue5(int32_t row, int32_t column) const;
  void SetCellImage(int32_t row, int32_t column, ImageHandle image);
  ImageHandle GetCellImage(int32_t row, int32_t column) const;
  void SetCellTextIndent(int32_t row, int32_t column, int32_t pixels);
  int32_t GetCellTextIndent(int32_t row, int32_t column) const;

  // Row accessors: what applies to the whole row.
  void SetRowFontName(int32_t row, std::string_view name);
  std::string GetRowFontName(int32_t row) const;
  void SetRowFontSize(int32_t row, int32_t size);
  int32_t GetRowFontSize(int32_t row) const;
  void SetRowTextColor(int32_t row, draw::Argb color);
  std::optional<draw::Argb> GetRowTextColor(int32_t row) const;
  void SetRowSelectTextColor(int32_t row, draw::Argb color);
  std::optional<draw::Argb> GetRowSelectTextColor(int32_t row) const;
  void SetRowHoverTextColor(int32_t row, draw::Argb color);
  std::optional<draw::Argb> GetRowHoverTextColor(int32_t row) const;
  void SetRowHoverFill(int32_t row, draw::Argb color);
  std::optional<draw::Argb> GetRowHoverFill(int32_t row) const;
  void SetRowSelectFill(int32_t row, draw::Argb color);
  std::optional<draw::Argb> GetRowSelectFill(int32_t row) const;
  void SetRowBackColor(int32_t row, draw::Argb color);
  std::optional<draw::Argb> GetRowBackColor(int32_t row) const;
  void SetRowHeight(int32_t row, int32_t height);
  int32_t GetRowHeight(int32_t row) const;

  // Frees the rows, columns and scroll bars and removes the element.
  void Dispose();

  // A table: one row per row, the column titles as headers.
  void DescribeAccessible(ws::AxNode& node) override;
  std::optional<ws::AxTable> AccessibleTable() override;
  std::string AccessibleCellText(int32_t row, int32_t column) override;
  Rect AccessibleCellBounds(int32_t row, int32_t column) override;
  bool AccessibleSelectRow(int32_t row) override;

 protected:
  int32_t MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) override;
  Handled OnMouseMove(const MouseEvent& e) override;
  Handled OnMouseEnter() override;
  Handled OnMouseLeave() override;
  Handled OnMouseDown(const MouseEvent& e) override;
  Handled OnMouseWheel(const MouseEvent& e) override;
  // The arrow, paging, Home and End keys move the selected row and keep it in view.
  Handled OnKeyDown(const KeyEvent& e) override;
  Handled OnFocusGained() override;
  Handled OnFocusLost() override;
  Handled OnCaptureLost() override;
  void OnPaint(draw::Graphics& g, Size size) override;

 private:
  void CheckThread() const;
  bool Addressable(int32_t column, int32_t row) const;
  // 0-based indices of an existing column, or of an existing (row, column) pair.
  std::optional<size_t> NormalizeColumn(int32_t index) const;
  std::optional<std::pair<size_t, size_t>> NormalizeCell(int32_t row, int32_t column) const;
  ListRow* RowAt(int32_t row);
  const ListRow* RowAt(int32_t row) const;
  ListColumn* ColumnAt(int32_t index);
  const ListColumn* ColumnAt(int32_t index) const;
  // The setters' rule for values that change the layout.
  template <typename T>
  void AssignRelayout(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Relayout();
  }
  void Wheel(int32_t delta, bool horizontal);
  void SetHover(ListCellRef cell);
  bool OverScrollBar(Point mouse);
  void PlaceBars(bool showV, bool showH);
  void PaintList(draw::Graphics& g);
  void PaintFocusMark(draw::Graphics& g);
  // Height of the rows' part of the content (below the header); *top gets the header's height.
  int32_t RowsArea(int32_t* top) const;
  void PaintContent(draw::Graphics& g);
  void PaintHeader(draw::Graphics& g, const RectF& grid, size_t firstColumn);
  void PaintRows(draw::Graphics& g, const RectF& rowsArea, size_t firstColumn);
  const draw::Font& FontFor(const std::string& name, int32_t size);
  size_t FirstRowBelow(double y) const;

  std::thread::id uiThread_;
  int32_t userValue_ = 0;
  int32_t headerVisible_ = 1;
  draw::Argb textColor_ = 0;
  draw::Argb hoverFill_ = 0;
  draw::Argb selectFill_ = 0;
  draw::Argb backFill_ = 0;
  draw::Argb gridColor_ = 0;
  std::string fontName_;
  int32_t fontSize_ = 12;
  int32_t scrollBars_ = 3;  // bit 0 vertical, bit 1 horizontal
  draw::Argb scrollBarColor_ = 0;
  draw::Argb cellBackColor_ = 0;
  int32_t rowSelect_ = 1;
  int32_t scrollMode_ = 0;
  int32_t gridLines_ = 0;
  int32_t gridDashStyle_ = 0;
  draw::Argb gridPenColor_ = 0;
  int32_t optionC_ = 0;
  std::vector<ListColumn> columns_;
  std::vector<ListRow> rows_;
  std::unique_ptr<UiScrollBar> vScroll_;
  std::unique_ptr<UiScrollBar> hScroll_;
  int32_t hOffset_ = 0;  // 0 or negative
  int32_t vOffset_ = 0;
  int32_t margin_ = 1;
  int32_t headerHeight_ = 20;
  ListCellRef hoverCell_;
  ListCellRef selectedCell_;
  bool layoutDirty_ = false;
  RectF contentRect_;
  int32_t totalWidth_ = 0;
  int32_t totalHeight_ = 0;
  std::map<std::pair<std::string, int32_t>, UiFont> fonts_;
};

}  // namespace quillmar
