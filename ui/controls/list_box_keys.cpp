// The list box and the keyboard: moving the selected row with the arrow and
// paging keys, keeping it in view, and the focus mark around it.

#include <algorithm>

#include "platform/ws/messages.h"
#include "ui/controls/list_box.h"
#include "ui/core/focus_mark.h"

namespace quillmar {

void UiListBox::EnsureLayout() {
  if (!layoutDirty_) return;
  Layout();
  layoutDirty_ = false;
}

int32_t UiListBox::RowsArea(int32_t* top) const {
  const int32_t header = headerVisible_ != 0 ? headerHeight_ : 0;
  if (top != nullptr) *top = header;
  return std::max(0, static_cast<int32_t>(contentRect_.height) - header);
}

void UiListBox::ScrollRowIntoView(int32_t row) {
  CheckThread();
  EnsureLayout();
  const ListRow* r = RowAt(row);
  if (!r || !vScroll_) return;
  int32_t header = 0;
  const int32_t area = RowsArea(&header);
  // Positions count from the grid's top; the rows show below the header.
  const int32_t position = vScroll_->GetPosition();
  const int32_t first = r->top - header;
  const int32_t last = r->top + r->height - header - area;
  if (first < position) {
    vScroll_->SetPosition(first);
  } else if (last > position) {
    vScroll_->SetPosition(std::min(first, last));
  }
}

int32_t UiListBox::RowTop(int32_t row) {
  CheckThread();
  EnsureLayout();
  const ListRow* r = RowAt(row);
  return r ? static_cast<int32_t>(contentRect_.y) + r->top + vOffset_ : -1;
}

Handled UiListBox::OnKeyDown(const KeyEvent& e) {
  const auto count = static_cast<int32_t>(rows_.size());
  if (count == 0 || e.modifiers.alt) return Handled::Continue;
  EnsureLayout();
  const int32_t current = selectedCell_.row;
  // Rows of the current one's height that fit the rows' area: one page.
  const ListRow* at = RowAt(std::max(current, 0));
  const int32_t page = std::max(1, RowsArea(nullptr) / std::max(1, at ? at->height : 1));
  int32_t row = current;
  switch (e.virtualKey) {
    case Vk::Up:
      row = current - 1;
      break;
    case Vk::Down:
      row = current + 1;
      break;
    case Vk::Prior:
      row = current - page;
      break;
    case Vk::Next:
      row = current < 0 ? page - 1 : current + page;
      break;
    case Vk::Home:
      row = 0;
      break;
    case Vk::End:
      row = count - 1;
      break;
    default:
      return Handled::Continue;
  }
  row = std::clamp(row, 0, count - 1);
  SetSelection(selectedCell_.column >= 0 ? selectedCell_.column : (columns_.empty() ? -1 : 0), row);
  ScrollRowIntoView(row);
  return Handled::Continue;
}

Handled UiListBox::OnFocusGained() {
  InvalidateRect();
  return Handled::Continue;
}

Handled UiListBox::OnFocusLost() {
  InvalidateRect();
  return Handled::Continue;
}

void UiListBox::PaintFocusMark(draw::Graphics& g) {
  if (!ShowsFocusMark()) return;
  const Rect content =
      Rect::FromXywh(static_cast<int32_t>(contentRect_.x), static_cast<int32_t>(contentRect_.y),
                     static_cast<int32_t>(contentRect_.width), static_cast<int32_t>(contentRect_.height));
  int32_t header = 0;
  const int32_t area = RowsArea(&header);
  const Rect rows = Rect::FromXywh(content.x, content.y + header, content.width, area);
  // Around the selected row where it shows, else around the whole list.
  Rect mark = content;
  if (const ListRow* r = RowAt(selectedCell_.row)) {
    const Rect row = Rect::FromXywh(content.x, content.y + r->top + vOffset_, content.width, r->height);
    if (row.Intersects(rows)) mark = row.Intersected(rows);
  }
  DrawFocusMark(g, mark);
}

}  // namespace quillmar
