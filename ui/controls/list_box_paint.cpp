// The list box's painting: background and border, then the header cells and
// the rows that fall inside the grid, then the grid lines. Only what can be
// seen is drawn, so a frame costs the same for a hundred rows or ten thousand.

#include <algorithm>

#include "platform/draw/brush.h"
#include "platform/draw/graphics.h"
#include "platform/draw/pen.h"
#include "platform/draw/string_format.h"
#include "ui/controls/list_box.h"

namespace quillmar {
namespace {

RectF Intersection(const RectF& a, const RectF& b) {
  const float l = std::max(a.x, b.x);
  const float t = std::max(a.y, b.y);
  const float r = std::min(a.Right(), b.Right());
  const float btm = std::min(a.Bottom(), b.Bottom());
  return (r <= l || btm <= t) ? RectF{} : RectF::FromLtrb(l, t, r, btm);
}

// Single-line text, centred vertically, aligned 0 near, 1 centre, 2 far.
const draw::StringFormat& FormatFor(int32_t align) {
  static const auto make = [](draw::StringAlignment a) {
    draw::StringFormat f(draw::StringFormat::kNoWrap);
    f.SetAlign(a);
    f.SetLineAlign(draw::StringAlignment::Center);
    f.SetTrimming(draw::StringTrimming::EllipsisCharacter);
    return f;
  };
  static const draw::StringFormat near = make(draw::StringAlignment::Near);
  static const draw::StringFormat centre = make(draw::StringAlignment::Center);
  static const draw::StringFormat far = make(draw::StringAlignment::Far);
  return align == 1 ? centre : (align == 2 ? far : near);
}

// Draws a picture scaled to a height, centred vertically in the cell at its
// left; returns the width it took.
float DrawPictureAtLeft(draw::Graphics& g, const ImageHandle& image, const RectF& cell, float height) {
  if (!image || image->IsEmpty() || image->Height() <= 0 || height <= 0) return 0;
  const float width = height * static_cast<float>(image->Width()) / static_cast<float>(image->Height());
  g.DrawImage(*image, RectF{cell.x, cell.y + (cell.height - height) / 2, width, height});
  return width;
}

// The box a cell's text is laid out in: the cell less a sixth of the font's em at each
// side, the room text drawn in a rectangle keeps from its edges on the classic desktop.
// Without it a right-aligned title runs straight into the next column's text.
RectF TextBox(RectF cell, int32_t fontSize) {
  const float pad = std::min(static_cast<float>(std::max(fontSize, 0)) / 6.0f, cell.width / 4);
  cell.x += pad;
  cell.width -= 2 * pad;
  return cell;
}

void Fill(draw::Graphics& g, draw::Argb color, const RectF& r) {
  if (color != 0) g.FillRectangle(draw::Brush(color), r);
}

}  // namespace

void UiListBox::OnPaint(draw::Graphics& g, Size) {
  PaintList(g);
  PaintFocusMark(g);
}

const draw::Font& UiListBox::FontFor(const std::string& name, int32_t size) {
  const auto key = std::pair{name, size};
  auto it = fonts_.find(key);
  if (it == fonts_.end()) {
    it = fonts_.emplace(key, UiFont{}).first;
    it->second.FromName(name, size);
  }
  return it->second.GetFont();
}

void UiListBox::PaintList(draw::Graphics& canvas) {
  draw::Graphics* g = &canvas;
  if (layoutDirty_) Layout();
  const float w = static_cast<float>(GetWidth());
  const float h = static_cast<float>(GetHeight());
  Fill(*g, backFill_, {0, 0, w, h});
  if (gridColor_ != 0) {
    draw::Pen pen(gridColor_, 1.0f, draw::Unit::Pixel);
    pen.SetAlignment(draw::PenAlignment::Inset);
    // The last pixel row and column belong to the control, so the border ends there.
    g->DrawRectangle(pen, {0, 0, w - 1, h - 1});
  }
  PaintContent(*g);
  layoutDirty_ = false;
}

size_t UiListBox::FirstRowBelow(double y) const {
  // The first row whose bottom lies below y; rows are in order of their tops.
  const auto it = std::partition_point(
      rows_.begin(), rows_.end(), [&](const ListRow& r) { return contentRect_.y + r.top + vOffset_ + r.height <= y; });
  return static_cast<size_t>(it - rows_.begin());
}

void UiListBox::PaintContent(draw::Graphics& g) {
  if (columns_.empty() || contentRect_.IsEmpty()) return;
  g.SetTextRenderingHint(draw::TextRenderingHint::AntiAliasGridFit);
  const int32_t first = ColumnAtX(margin_);
  const size_t firstColumn = first > 0 ? static_cast<size_t>(first - 1) : 0;
  const float header = headerVisible_ != 0 ? static_cast<float>(headerHeight_) : 0;
  // Rows scrolled up pass under the header, never over it.
  const RectF rowsArea = RectF::FromLtrb(contentRect_.x, std::min(contentRect_.y + header, contentRect_.Bottom()),
                                         contentRect_.Right(), contentRect_.Bottom());
  if (headerVisible_ != 0) PaintHeader(g, contentRect_, firstColumn);
  PaintRows(g, rowsArea, firstColumn);
  g.ResetClip();
}

void UiListBox::PaintHeader(draw::Graphics& g, const RectF& grid, size_t firstColumn) {
  const float h = static_cast<float>(headerHeight_);
  for (size_t c = firstColumn; c < columns_.size(); ++c) {
    const ListColumn& column = columns_[c];
    const RectF cell{grid.x + static_cast<float>(column.left + hOffset_), grid.y, static_cast<float>(column.width), h};
    if (cell.x >= grid.Right()) break;
    const RectF visible = Intersection(cell, RectF::FromLtrb(grid.x, grid.y, grid.Right(), grid.y + h));
    if (visible.IsEmpty()) continue;
    g.SetClip(visible);
    Fill(g, column.backColor, cell);
    if (column.backImage && !column.backImage->IsEmpty()) g.DrawImage(*column.backImage, cell);
    if (hoverCell_ == ListCellRef{static_cast<int32_t>(c), -1}) Fill(g, column.hoverColor, cell);
    const float iconWidth = DrawPictureAtLeft(g, column.icon, cell, h - 3);
    RectF text = cell;
    text.x += iconWidth;
    text.width -= iconWidth;
    g.DrawString(column.title, FontFor(column.fontName, column.fontSize), TextBox(text, column.fontSize),
                 &FormatFor(column.align), draw::Brush(column.textColor));
  }
}

void UiListBox::PaintRows(draw::Graphics& g, const RectF& rowsArea, size_t firstColumn) {
  if (rowsArea.IsEmpty()) return;
  const float x0 = contentRect_.x + static_cast<float>(hOffset_);
  const float y0 = contentRect_.y + static_cast<float>(vOffset_);
  size_t lastRow = FirstRowBelow(rowsArea.y);
  for (size_t r = lastRow; r < rows_.size(); ++r) {
    const ListRow& row = rows_[r];
    const float top = y0 + static_cast<float>(row.top);
    if (top >= rowsArea.Bottom()) break;
    lastRow = r + 1;
    const int32_t ri = static_cast<int32_t>(r);
    const draw::Font& font = FontFor(row.fontName, row.fontSize);
    for (size_t c = firstColumn; c < columns_.size() && c < row.cells.size(); ++c) {
      const ListColumn& column = columns_[c];
      const ListCell& cell = row.cells[c];
      const RectF rect{x0 + static_cast<float>(column.left), top, static_cast<float>(column.width),
                       static_cast<float>(row.height)};
      if (rect.x >= rowsArea.Right()) break;
      const RectF visible = Intersection(rect, rowsArea);
      if (visible.IsEmpty()) continue;
      g.SetClip(visible);
      const int32_t ci = static_cast<int32_t>(c);
      const bool selected = rowSelect_ != 0 ? (selectedCell_.row == ri && selectedCell_.column != -1)
                                            : selectedCell_ == ListCellRef{ci, ri};
      const bool hovered = rowSelect_ != 0 ? hoverCell_.row == ri : hoverCell_ == ListCellRef{ci, ri};
      Fill(g, row.backColor, rect);
      if (selected) Fill(g, row.selectFill, rect);
      if (hovered) Fill(g, row.hoverFill, rect);
      RectF inner = rect;
      inner.x += static_cast<float>(cell.textIndent);
      inner.width -= static_cast<float>(cell.textIndent);
      // The text starts after the picture rather than on top of it.
      const float pictureWidth = DrawPictureAtLeft(g, cell.image, inner, static_cast<float>(row.height - 3));
      inner.x += pictureWidth;
      inner.width -= pictureWidth;
      if (cell.text.empty()) continue;
      const draw::Argb color = selected ? row.selectTextColor : (hovered ? row.hoverTextColor : row.textColor);
      g.DrawString(cell.text, font, TextBox(inner, row.fontSize), &FormatFor(cell.align), draw::Brush(color));
    }
  }
  if (gridLines_ == 0) return;
  draw::Pen pen(gridPenColor_, 1.0f, draw::Unit::Pixel);
  pen.SetAlignment(draw::PenAlignment::Inset);
  pen.SetDashStyle(static_cast<draw::DashStyle>(std::clamp(gridDashStyle_, 0, 4)));
  const float right = std::min(rowsArea.Right(), x0 + static_cast<float>(totalWidth_));
  const float bottom = std::min(rowsArea.Bottom(), y0 + static_cast<float>(totalHeight_));
  if ((gridLines_ & 1) != 0) {
    g.SetClip(rowsArea);
    for (size_t r = FirstRowBelow(rowsArea.y); r < lastRow; ++r) {
      const float y = y0 + static_cast<float>(static_cast<int64_t>(rows_[r].top) + rows_[r].height - 1);
      g.DrawLine(pen, {rowsArea.x, y}, {right, y});
    }
  }
  if ((gridLines_ & 2) != 0) {
    g.SetClip(contentRect_);
    for (size_t c = firstColumn; c < columns_.size(); ++c) {
      const float x = x0 + static_cast<float>(static_cast<int64_t>(columns_[c].left) + columns_[c].width - 1);
      if (x >= contentRect_.Right()) break;
      g.DrawLine(pen, {x, contentRect_.y}, {x, bottom});
    }
  }
}

}  // namespace quillmar
