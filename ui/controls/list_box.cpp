// The list box's creation, layout, scroll bars, mouse handling and rows and
// columns; its accessors and painting live in their own files.

#include "ui/controls/list_box.h"

#include <algorithm>
#include <cassert>

#include "base/saturating.h"
#include "base/text_encoding.h"
#include "platform/ws/messages.h"
#include "ui/core/theme_defaults.h"

namespace quillmar {
namespace {

// Inserting at a missing, negative or too large index appends.
size_t InsertPosition(std::optional<int32_t> index, size_t count) {
  if (!index || *index < 0 || static_cast<size_t>(*index) > count) return count;
  return static_cast<size_t>(*index);
}

// Halving search over spans laid end to end (start, length) in order: the
// 1-based index of the span holding v, -1 when none does.
template <typename SpanAt>
int32_t FindSpan(size_t count, double v, SpanAt spanAt) {
  int32_t first = 1;
  int32_t last = static_cast<int32_t>(count);
  while (last >= first) {
    const int32_t mid = (first + last + 1) / 2;  // the middle rounded to the nearest, halves up
    const auto [start, length] = spanAt(static_cast<size_t>(mid - 1));
    if (v < start) {
      last = mid - 1;
    } else if (v >= start + length) {
      first = mid + 1;
    } else {
      return mid;
    }
  }
  return -1;
}

}  // namespace

UiListBox::UiListBox() : uiThread_(std::this_thread::get_id()) {}

UiListBox::~UiListBox() {
  // Reset, not left to member destruction: a bar's removal can reach the
  // list's handler, which must not see a half-destroyed bar.
  vScroll_.reset();
  hScroll_.reset();
}

void UiListBox::CheckThread() const {
  // Rows and columns come from workers through the UI thread's queue; a direct
  // call from another thread is a programming error, not something to lock for.
  assert(std::this_thread::get_id() == uiThread_ && "UiListBox used off the UI thread");
}

int32_t UiListBox::Create(UiWindow* parent, bool visible, int32_t x, int32_t y, int32_t width, int32_t height,
                          int32_t userValue, const ListBoxOptions& o) {
  CheckThread();
  const ThemeDefaults& theme = Theme();
  userValue_ = userValue;
  headerVisible_ = o.headerVisible.value_or(1);
  textColor_ = o.textColor.value_or(theme.textColor);
  hoverFill_ = o.hoverFill.value_or(WithAlpha(theme.lineColor, 120));
  selectFill_ = o.selectFill.value_or(WithAlpha(theme.lineColor, 150));
  backFill_ = o.backFill.value_or(theme.buttonVariant != 0 ? 0 : theme.fillColor);
  gridColor_ = o.gridColor.value_or(WithAlpha(theme.lineColor, 200));
  fontName_ = o.fontName.value_or(theme.fontName);
  fontSize_ = o.fontSize.value_or(theme.fontSize);
  scrollBars_ = o.scrollBars.value_or(3);
  scrollBarColor_ = o.scrollBarColor.value_or(WithAlpha(theme.lineColor, 100));
  cellBackColor_ = o.cellBackColor;
  rowSelect_ = o.rowSelect.value_or(1);
  scrollMode_ = o.scrollMode;
  gridLines_ = o.gridLines;
  gridDashStyle_ = o.gridDashStyle;
  gridPenColor_ = o.gridPenColor.value_or(gridColor_);
  optionC_ = o.optionC;
  const int32_t key = CreateElement(parent, visible, x, y, width, height, kTag);
  UpdateScrollBars();
  margin_ = 1;
  headerHeight_ = 20;
  hoverCell_ = selectedCell_ = {};
  Relayout();
  return key;
}

void UiListBox::Relayout() {
  CheckThread();
  layoutDirty_ = true;
  InvalidateRect();
}

void UiListBox::Dispose() {
  CheckThread();
  columns_.clear();
  rows_.clear();
  vScroll_.reset();
  hScroll_.reset();
  fonts_.clear();
  Unregister();
}

// --- Scroll bars ---

void UiListBox::SetScrollBars(int32_t mask) {
  CheckThread();
  if (mask == scrollBars_) return;
  scrollBars_ = mask;
  UpdateScrollBars();
  Relayout();
}

int32_t UiListBox::GetScrollBars() const { return scrollBars_; }

void UiListBox::UpdateScrollBars() {
  CheckThread();
  vScroll_.reset();
  hScroll_.reset();
  // A fresh bar starts at position 0, so the content goes back to the start.
  vOffset_ = hOffset_ = 0;
  if (Key() == 0) return;
  auto make = [&](bool horizontal) {
    auto bar = std::make_unique<UiScrollBar>();
    // Placed and sized by the next layout; one wheel notch is one line.
    bar->Create(this, true, 0, 0, kBarThickness, kBarThickness, 0, 0, 0, kWheelStep, 0, true, horizontal,
                scrollBarColor_, {});
    int32_t& offset = horizontal ? hOffset_ : vOffset_;
    bar->onPositionChanged = [this, &offset](int32_t position) {
      offset = -position;
      InvalidateRect();
    };
    // The wheel over a bar scrolls the list as it does over the rows.
    bar->onWheel = [this](const MouseEvent& e) { Wheel(e.wheelDelta, e.horizontal); };
    return bar;
  };
  if ((scrollBars_ & 1) != 0) vScroll_ = make(false);
  if ((scrollBars_ & 2) != 0) hScroll_ = make(true);
}

void UiListBox::SetScrollMode(int32_t value) {
  CheckThread();
  // The bars' visibility is decided by the layout.
  if (value != scrollMode_) {
    scrollMode_ = value;
    Relayout();
  }
}

int32_t UiListBox::GetScrollMode() const { return scrollMode_; }

void UiListBox::Wheel(int32_t delta, bool horizontal) {
  // A notch towards the user moves the content up (the position down the range).
  UiScrollBar* bar = horizontal ? hScroll_.get() : vScroll_.get();
  if (!bar || delta == 0) return;
  bar->SetPosition(SaturatingAdd(bar->GetPosition(), delta < 0 ? kWheelStep : -kWheelStep));
}

// --- Layout ---

void UiListBox::Layout() {
  CheckThread();
  // The sums stop at the largest position rather than wrap past it.
  int32_t x = 0;
  for (ListColumn& column : columns_) {
    column.left = x;
    x = SaturatingAdd(x, column.width);
  }
  int32_t y = headerVisible_ != 0 ? headerHeight_ : 0;
  for (ListRow& row : rows_) {
    row.top = y;
    y = SaturatingAdd(y, row.height);
  }
  totalWidth_ = x;
  totalHeight_ = y;
  // Room inside the border; a shown bar takes its thickness from it. In the
  // overflow mode each test is made again with the room the other bar took.
  const int32_t roomW = GetWidth() - 2 * margin_;
  const int32_t roomH = GetHeight() - 2 * margin_;
  bool showV = vScroll_ != nullptr;
  bool showH = hScroll_ != nullptr;
  if (scrollMode_ != 0) {
    showH = hScroll_ && x > roomW;
    showV = vScroll_ && y > roomH - (showH ? kBarThickness : 0);
    showH = hScroll_ && x > roomW - (showV ? kBarThickness : 0);
  }
  contentRect_ = RectF::FromXywh(static_cast<float>(margin_), static_cast<float>(margin_),
                                 static_cast<float>(std::max(0, roomW - (showV ? kBarThickness : 0))),
                                 static_cast<float>(std::max(0, roomH - (showH ? kBarThickness : 0))));
  PlaceBars(showV, showH);
}

void UiListBox::PlaceBars(bool showV, bool showH) {
  const int32_t contentW = static_cast<int32_t>(contentRect_.width);
  const int32_t contentH = static_cast<int32_t>(contentRect_.height);
  // The bars sit inside the border along the right and bottom edges; their
  // ranges are the pixels the content overflows by, and the offsets follow the
  // positions, which a shrinking range may have lowered without an event.
  if (vScroll_) {
    vScroll_->SetVisible(showV ? 1 : 0);
    vScroll_->Place(GetWidth() - margin_ - kBarThickness, margin_, kBarThickness, contentH);
    vScroll_->SetMaximum(std::max(0, SaturatingAdd(totalHeight_, -static_cast<int64_t>(contentH))));
    vScroll_->SetPageStep(std::max(1, contentH - (headerVisible_ != 0 ? headerHeight_ : 0)));
    vOffset_ = -vScroll_->GetPosition();
  } else {
    vOffset_ = 0;
  }
  if (hScroll_) {
    hScroll_->SetVisible(showH ? 1 : 0);
    hScroll_->Place(margin_, GetHeight() - margin_ - kBarThickness, contentW, kBarThickness);
    hScroll_->SetMaximum(std::max(0, SaturatingAdd(totalWidth_, -static_cast<int64_t>(contentW))));
    hScroll_->SetPageStep(std::max(1, contentW));
    hOffset_ = -hScroll_->GetPosition();
  } else {
    hOffset_ = 0;
  }
}

// --- Hit-testing and the mouse ---

int32_t UiListBox::ColumnAtX(double x) {
  CheckThread();
  EnsureLayout();
  if (x < contentRect_.x - kGeometryTolerance) return -1;
  if (columns_.empty()) return 0;
  return FindSpan(columns_.size(), x, [&](size_t i) {
    return std::pair{contentRect_.x + columns_[i].left + hOffset_, columns_[i].width};
  });
}

int32_t UiListBox::RowAtY(double y) {
  CheckThread();
  EnsureLayout();
  if (y < contentRect_.y - kGeometryTolerance) return -1;
  if (headerVisible_ != 0 && y < contentRect_.y + headerHeight_) return 0;
  return FindSpan(rows_.size(), y, [&](size_t i) {
    return std::pair{contentRect_.y + rows_[i].top + vOffset_, rows_[i].height};
  });
}

bool UiListBox::OverScrollBar(Point mouse) {
  for (UiScrollBar* bar : {vScroll_.get(), hScroll_.get()}) {
    if (!bar || bar->GetVisible() == 0) continue;
    const Rect r = Rect::FromXywh(bar->GetLeft(), bar->GetTop(), bar->GetWidth(), bar->GetHeight());
    if (r.Contains(mouse)) return true;
  }
  return false;
}

void UiListBox::SetHover(ListCellRef cell) {
  if (cell == hoverCell_) return;
  hoverCell_ = cell;
  InvalidateRect();
}

void UiListBox::HitTest() {
  CheckThread();
  EnsureLayout();
  const Point p = MousePosition();
  const Point mouse{p.x, p.y};
  if (OverScrollBar(mouse) || mouse.x > contentRect_.Right() + kGeometryTolerance ||
      mouse.y > contentRect_.Bottom() + kGeometryTolerance) {
    SetHover({});
    return;
  }
  const int32_t column = ColumnAtX(mouse.x);
  const int32_t row = RowAtY(mouse.y);
  if (column < 0 || row < 0) {
    SetHover({});
  } else {
    SetHover({column - 1, row - 1});
  }
}

int32_t UiListBox::MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
  if (key == Key() && msg == Event::Resized) Relayout();
  return UiControl::MessageHook(hwnd, key, msg, wParam, lParam);
}

// Hit-testing lays the grid out first when rows or columns changed since the
// last paint, so input that arrives between a change and its paint lands.
Handled UiListBox::OnMouseMove(const MouseEvent&) {
  HitTest();
  return Handled::Continue;
}

Handled UiListBox::OnMouseEnter() {
  HitTest();
  return Handled::Continue;
}

Handled UiListBox::OnMouseLeave() {
  SetHover({});
  return Handled::Continue;
}

Handled UiListBox::OnMouseDown(const MouseEvent& e) {
  if (e.button != MouseButton::Left) return Handled::Continue;
  Focus();
  HitTest();
  if (hoverCell_ != selectedCell_) {
    selectedCell_ = hoverCell_;
    RaiseEvent(Event::CellClicked, static_cast<WParam>(selectedCell_.column), static_cast<LParam>(selectedCell_.row));
    InvalidateRect();
  }
  return Handled::Continue;
}

Handled UiListBox::OnCaptureLost() {
  // The press is over; the hover follows where the mouse is now.
  if (!layoutDirty_) HitTest();
  return Handled::Continue;
}

Handled UiListBox::OnMouseWheel(const MouseEvent& e) {
  EnsureLayout();
  Wheel(e.wheelDelta, e.horizontal);
  return Handled::Continue;
}

// --- Selection and simple properties ---

ListCellRef UiListBox::GetSelection() const {
  CheckThread();
  return selectedCell_;
}

bool UiListBox::Addressable(int32_t column, int32_t row) const {
  // -1 stands for none (and for the header row).
  return column >= -1 && column < GetColumnCount() && row >= -1 && row < GetRowCount();
}

void UiListBox::SetSelection(int32_t column, int32_t row) {
  CheckThread();
  if (!Addressable(column, row)) return;
  const ListCellRef cell{column, row};
  if (cell == selectedCell_) return;
  selectedCell_ = cell;
  InvalidateRect();
  NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::SelectionChanged, row));
}

ListCellRef UiListBox::GetHoverCell() const {
  CheckThread();
  return hoverCell_;
}

void UiListBox::SetHoverCell(int32_t column, int32_t row) {
  CheckThread();
  if (!Addressable(column, row)) return;
  SetHover({column, row});
}

void UiListBox::SetOptionC(int32_t value) {
  CheckThread();
  optionC_ = value;
}

int32_t UiListBox::GetOptionC() const { return optionC_; }

int32_t UiListBox::GetRowSelect() const { return rowSelect_; }

void UiListBox::SetRowSelect(int32_t value) {
  CheckThread();
  Assign(rowSelect_, value);
}

void UiListBox::SetHeaderVisible(int32_t flag) {
  CheckThread();
  // The header's room moves every row, so the grid is laid out again.
  AssignRelayout(headerVisible_, flag);
}

int32_t UiListBox::GetHeaderVisible() const { return headerVisible_; }

void UiListBox::SetHeaderHeight(int32_t pixels) {
  CheckThread();
  if (pixels >= 0) AssignRelayout(headerHeight_, pixels);
}

int32_t UiListBox::GetHeaderHeight() const { return headerHeight_; }
int32_t UiListBox::GetUserValue() const { return userValue_; }
RectF UiListBox::GetContentRect() const { return contentRect_; }
int32_t UiListBox::GetVOffset() const { return vOffset_; }
int32_t UiListBox::GetHOffset() const { return hOffset_; }

// --- Columns and rows ---

void UiListBox::InsertColumn(std::optional<int32_t> index, std::string_view title, const ListColumnOptions& o) {
  CheckThread();
  ListColumn column;
  column.fontName = o.fontName.value_or(fontName_);
  column.fontSize = o.fontSize.value_or(fontSize_);
  column.align = o.align.value_or(2);
  column.title = GbkToWide(title);
  column.textColor = o.textColor.value_or(textColor_);
  column.hoverColor = o.hoverColor.value_or(makeArgb(0x0000FF, 105, true));
  column.value7 = o.value7;
  column.backColor = o.backColor;
  column.width = std::max(0, o.width.value_or(80));
  column.icon = o.icon;
  column.backImage = o.backImage;
  const size_t at = InsertPosition(index, columns_.size());
  columns_.insert(columns_.begin() + static_cast<std::ptrdiff_t>(at), std::move(column));
  for (ListRow& row : rows_) row.cells.insert(row.cells.begin() + static_cast<std::ptrdiff_t>(at), ListCell{});
  Relayout();
  NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::ChildrenChanged));
}

void UiListBox::DeleteColumn(int32_t index) {
  CheckThread();
  const std::optional<size_t> at = NormalizeColumn(index);
  if (!at) return;
  columns_.erase(columns_.begin() + static_cast<std::ptrdiff_t>(*at));
  for (ListRow& row : rows_) {
    if (*at < row.cells.size()) row.cells.erase(row.cells.begin() + static_cast<std::ptrdiff_t>(*at));
  }
  Relayout();
  NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::ChildrenChanged));
}

void UiListBox::InsertRow(std::optional<int32_t> index, std::string_view text, const ListRowOptions& o) {
  CheckThread();
  ListRow row;
  row.fontName = o.fontName.value_or(fontName_);
  row.fontSize = o.fontSize.value_or(fontSize_);
  row.textColor = o.textColor.value_or(textColor_);
  row.selectTextColor = o.selectTextColor.value_or(row.textColor);
  row.hoverTextColor = o.hoverTextColor.value_or(row.textColor);
  row.hoverFill = o.hoverFill.value_or(hoverFill_);
  row.selectFill = o.selectFill.value_or(selectFill_);
  row.backColor = o.backColor.value_or(cellBackColor_);
  row.height = std::max(0, o.height.value_or(80));
  // The first cell takes the text, picture, indent and value; the others only
  // the alignment, and get their texts through SetCellText.
  row.cells.resize(columns_.size());
  for (ListCell& cell : row.cells) cell.align = o.align.value_or(2);
  if (!row.cells.empty()) {
    ListCell& first = row.cells.front();
    first.text = GbkToWide(text);
    first.image = o.image;
    first.textIndent = o.textIndent;
    first.value5 = o.value5;
  }
  const size_t at = InsertPosition(index, rows_.size());
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), std::move(row));
  Relayout();
  NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::RowsInserted, static_cast<int32_t>(at), 1));
}

void UiListBox::DeleteRow(int32_t index) {
  CheckThread();
  const int32_t count = GetRowCount();
  if (count == 0) return;
  const int32_t at = index < 0 ? count + index : index;
  if (at < 0 || at >= count) return;
  rows_.erase(rows_.begin() + at);
  Relayout();
  NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::RowsDeleted, at, 1));
}

void UiListBox::ClearRows() {
  CheckThread();
  const auto removed = static_cast<int32_t>(rows_.size());
  rows_.clear();
  vOffset_ = 0;
  // The bar goes back too, or the next layout would restore its old offset.
  if (vScroll_) vScroll_->SetPosition(vScroll_->GetMinimum());
  Relayout();
  if (removed > 0) NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::RowsDeleted, 0, removed));
}

void UiListBox::ClearAll() {
  CheckThread();
  const auto removed = static_cast<int32_t>(rows_.size());
  columns_.clear();
  rows_.clear();
  hOffset_ = vOffset_ = 0;
  if (vScroll_) vScroll_->SetPosition(vScroll_->GetMinimum());
  if (hScroll_) hScroll_->SetPosition(hScroll_->GetMinimum());
  Relayout();
  if (removed > 0) NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::RowsDeleted, 0, removed));
}

int32_t UiListBox::GetRowCount() const {
  CheckThread();
  return static_cast<int32_t>(rows_.size());
}

int32_t UiListBox::GetColumnCount() const {
  CheckThread();
  return static_cast<int32_t>(columns_.size());
}

std::optional<size_t> UiListBox::NormalizeColumn(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= columns_.size()) return std::nullopt;
  return static_cast<size_t>(index);
}

std::optional<std::pair<size_t, size_t>> UiListBox::NormalizeCell(int32_t row, int32_t column) const {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return std::nullopt;
  if (column < 0 || static_cast<size_t>(column) >= rows_[static_cast<size_t>(row)].cells.size()) return std::nullopt;
  return std::pair{static_cast<size_t>(row), static_cast<size_t>(column)};
}

ListRow* UiListBox::RowAt(int32_t row) {
  CheckThread();
  return (row >= 0 && static_cast<size_t>(row) < rows_.size()) ? &rows_[static_cast<size_t>(row)] : nullptr;
}

const ListRow* UiListBox::RowAt(int32_t row) const {
  CheckThread();
  return (row >= 0 && static_cast<size_t>(row) < rows_.size()) ? &rows_[static_cast<size_t>(row)] : nullptr;
}

ListColumn* UiListBox::ColumnAt(int32_t index) {
  CheckThread();
  const std::optional<size_t> at = NormalizeColumn(index);
  return at ? &columns_[*at] : nullptr;
}

const ListColumn* UiListBox::ColumnAt(int32_t index) const {
  CheckThread();
  const std::optional<size_t> at = NormalizeColumn(index);
  return at ? &columns_[*at] : nullptr;
}

}  // namespace quillmar
