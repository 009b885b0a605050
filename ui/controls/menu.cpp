#include "ui/controls/menu.h"

#include <algorithm>
#include <limits>

#include "base/saturating.h"
#include "base/text_encoding.h"
#include "platform/draw/brush.h"
#include "platform/draw/graphics.h"
#include "platform/draw/pen.h"
#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/core/cursor_bytes.h"
#include "ui/core/accessible_tree.h"
#include "ui/core/element_record.h"
#include "ui/core/frame.h"
#include "ui/core/frame_window.h"
#include "ui/core/skin_layout.h"
#include "ui/core/theme_defaults.h"
#include "ui/gfx/string_format.h"

namespace quillmar {
namespace {

// Items start two pixels in from the control's top-left corner, inside the border.
constexpr int32_t kItemsLeft = 2;
constexpr int32_t kItemsTop = 2;
// The largest item-area width or height; the popup adds a few pixels of border.
constexpr int64_t kMaxMenuSize = std::numeric_limits<int32_t>::max() - 16;
// Keeps a menu opened at the mouse this far from the bottom and right edges.
constexpr int32_t kEdgeMargin = 20;
// Nearly transparent, so the whole popup rectangle still takes the clicks.
constexpr draw::Argb kPopupBackground = makeArgb(0xFFFFFF, 1, true);

// Moves one side of a span into [low, high - size]; a span larger than the room starts at low.
int32_t KeepInside(int64_t at, int64_t size, int32_t low, int32_t high) {
  return ClampToInt32(std::max<int64_t>(low, std::min<int64_t>(at, high - size)));
}

}  // namespace

// The look is read from the theme on first use, not here: a menu may be made
// before the start-up sequence has filled the theme.
UiMenu::UiMenu() { Register(0, 0, 0, 0, kTag); }

UiMenu::~UiMenu() { Close(); }

MenuItemLook MenuItemStyle::Over(MenuItemLook look) const {
  look.fontName = fontName.value_or(look.fontName);
  look.fontSize = fontSize.value_or(look.fontSize);
  look.textColor = textColor.value_or(look.textColor);
  look.stripColor = stripColor.value_or(look.stripColor);
  look.itemBackColor = itemBackColor.value_or(look.itemBackColor);
  look.hoverColor = hoverColor.value_or(look.hoverColor);
  look.hoverTextColor = hoverTextColor.value_or(look.hoverTextColor);
  look.style2 = style2.value_or(look.style2);
  look.disabledTextColor = disabledTextColor.value_or(look.disabledTextColor);
  look.height = height.value_or(look.height);
  look.separatorColor = separatorColor.value_or(look.separatorColor);
  return look;
}

void UiMenu::InitStyle() {
  if (styleReady_) return;
  const ThemeDefaults& theme = Theme();
  backColor_ = theme.fillColor;
  style1_ = 0;
  borderColor_ = makeArgb(0x413221);  // RGB(33, 50, 65)
  alpha_ = 255;
  width_ = 200;
  MenuItemLook& look = itemLook_;
  look.fontName = theme.fontName;
  look.fontSize = theme.fontSize;
  look.textColor = theme.textColor;
  look.stripColor = makeArgb(0xDCAA66, 120, true);  // RGB(102, 170, 220)
  look.itemBackColor = 0;
  look.hoverColor = WithAlpha(theme.lineColor, 200);
  look.hoverTextColor = makeArgb(0xFFFFFF);
  look.style2 = 0;
  look.disabledTextColor = makeArgb(0xA0A0A0);
  look.height = 25;
  look.separatorColor = 0xFFA0A0A0;
  styleReady_ = true;
}

void UiMenu::SetStyle(const MenuStyle& s) {
  InitStyle();
  backColor_ = s.backColor.value_or(backColor_);
  style1_ = s.style1.value_or(style1_);
  borderColor_ = s.borderColor.value_or(borderColor_);
  alpha_ = s.alpha.value_or(alpha_);
  width_ = static_cast<int32_t>(std::min<int64_t>(s.width.value_or(width_), kMaxMenuSize));
  itemLook_ = s.items.Over(itemLook_);
  RefitOpenPopup();
}

void UiMenu::InsertItem(std::optional<int32_t> index, std::string_view text, ImageHandle image, int32_t disabled,
                        const MenuItemStyle& s) {
  InitStyle();
  MenuItem item;
  item.text = GbkToWide(text);
  item.image = std::move(image);
  item.disabled = disabled;
  item.look = s.Over(itemLook_);
  // An item given its own text colour keeps it under the mouse too.
  if (s.textColor) item.look.hoverTextColor = *s.textColor;
  item.look.height = std::max(0, item.look.height);
  if (item.IsSeparator()) {
    item.look.height = kSeparatorHeight;
    item.disabled = 1;
  }
  const auto count = static_cast<int32_t>(items_.size());
  // Any negative index appends, not only -1: there is no sensible place before the first item.
  const int32_t at = (!index || *index < 0 || *index > count) ? count : *index;
  items_.insert(items_.begin() + at, std::move(item));
  RefitOpenPopup();
}

void UiMenu::ClearItems() {
  items_.clear();
  RefitOpenPopup();
}

void UiMenu::DeleteItem(int32_t index) {
  const auto count = static_cast<int32_t>(items_.size());
  const int32_t at = index < 0 ? count + index : index;
  // Also an index further back than the first item (-4 of three) is out of range.
  if (at < 0 || at >= count) return;
  items_.erase(items_.begin() + at);
  RefitOpenPopup();
}

void UiMenu::Measure() {
  // Stops short of the largest size, so the popup's own additions cannot wrap either.
  int64_t sum = 0;
  for (const MenuItem& item : items_) sum = std::min<int64_t>(sum + item.look.height, kMaxMenuSize);
  height_ = static_cast<int32_t>(sum + 3);
  hoverIndex_ = -1;
}

bool UiMenu::IsContextMenuKey(int32_t virtualKey) {
  return virtualKey == Vk::Apps || (virtualKey == Vk::F10 && ws::System().IsKeyDown(Vk::Shift));
}

Point UiMenu::PlacePopup(std::optional<int32_t> x, std::optional<int32_t> y, Point cursor, Size menu,
                         const Rect& work) {
  // In 64 bits: a menu may be as large as a size can be.
  const int64_t width = menu.width;
  const int64_t height = menu.height;
  int64_t atX = 0;
  int64_t atY = 0;
  if (x) {
    atX = *x;
  } else if (cursor.x + width + 4 <= int64_t{work.Right()} - kEdgeMargin) {
    atX = int64_t{cursor.x} + 1;
  } else {
    atX = cursor.x - width - 3;  // opens to the left of the mouse
  }
  if (y) {
    atY = *y;
  } else if (cursor.y + height + 1 <= int64_t{work.Bottom()} - kEdgeMargin) {
    atY = int64_t{cursor.y} + 1;
  } else {
    atY = cursor.y - height;  // opens above the mouse
  }
  Point at;
  // Flipping alone can still leave part of the menu off the screen (a tall menu
  // near the bottom, a wide one on a narrow screen, a point given off the edge);
  // a menu the user cannot see all of is of no use, so it is kept on the work area.
  at.x = KeepInside(atX, width + 4, work.Left(), work.Right());
  at.y = KeepInside(atY, height + 1, work.Top(), work.Bottom());
  return at;
}

void UiMenu::Popup(std::optional<int32_t> x, std::optional<int32_t> y, int32_t cursor) {
  ws::WindowSystem& sys = ws::System();
  Close();
  InitStyle();
  if (Key() == 0) Register(0, 0, 0, 0, kTag);  // after Dispose
  cursor_ = cursor;
  Measure();
  // Kept inside the work area of the monitor the menu opens on, not the first one.
  const Point cursorPos = sys.CursorPos();
  const Rect work = sys.MonitorAt({x.value_or(cursorPos.x), y.value_or(cursorPos.y)}).workArea;
  const Point at = PlacePopup(x, y, cursorPos, {width_, height_}, work);
  const Hwnd owner = sys.Focus();
  if (!sys.WindowClassOf(kMenuClass)) registerFrameClass(menuFrameProc, 0, kMenuClass);
  FrameWindowArgs args;
  args.className = std::string(kMenuClass);
  args.x = at.x;
  args.y = at.y;
  args.width = 10;
  args.height = 10;
  args.style = Style::Popup | Style::Visible;
  args.exStyle = ExStyle::ToolWindow | ExStyle::Topmost | ExStyle::Layered;
  args.parent = owner;
  popupWindow_ = createFrameWindow(args);
  if (popupWindow_ == 0) return;
  BuildWindow(at);
  if (popupWindow_ != 0) sys.SetForeground(popupWindow_);
}

void UiMenu::BuildWindow(Point at) {
  if (!popupFrame_) popupFrame_ = std::make_unique<UiWindow>();
  BindOptions options;
  options.x = at.x;
  options.y = at.y;
  options.width = width_ + 4;
  options.height = height_ + 1;
  options.backColor = kPopupBackground;
  options.captionFlags = 0;
  // The menu's alpha is the popup's constant opacity.
  options.windowAlpha = alpha_;
  options.userHandler = [menu = weak_.GetWeakPtr()](Hwnd hwnd, int32_t, uint32_t msg, WParam, LParam) -> int32_t {
    if (msg == Msg::Destroy && menu) menu->OnPopupDestroyed(hwnd);
    return 1;
  };
  UiWindow& frame = *popupFrame_;
  frame.Bind(popupWindow_, options);
  // A menu neither moves nor sizes with the mouse, and draws no window frame of its own.
  frame.SetResizable(0);
  frame.SetDragAnywhere(0);
  frame.SetFrame(0, 0, 0);
  frame.SetPadding(Insets{});
  // A popup closed mid-press leaves no stale pressed or hovered state for the next one.
  if (ElementRecord* rec = Rec({})) rec->pressed = rec->hovered = rec->focused = 0;
  // The control covers the whole popup, one pixel more than the item area each way,
  // so the right and bottom border lines are composed too.
  const Size size = ControlSize();
  Place(0, 0, size.width, size.height);
  frame.SetParent(Key(), frame.Key());
  // The popup takes the keyboard: its keys go to the menu, which a reader then
  // finds as the focused node of a plain window, not of a frame. The frame is
  // reused but its window is new: its focus starts empty, so every popup tells a
  // reader that the menu has the focus, not only the first.
  frame.SetFocusElement(popupWindow_, 0);
  frame.SetFocusElement(popupWindow_, Key());
  if (UiFrame* part = frame.Frame()) part->Accessible().SetRole(frame.Key(), ws::AxRole::Window);
  Relayout();
}

void UiMenu::RefitOpenPopup() {
  if (!IsOpen() || !popupFrame_) return;
  Measure();
  const Size size = ControlSize();
  Place(0, 0, size.width, size.height);
  popupFrame_->Place(std::nullopt, std::nullopt, size.width, size.height);
  Relayout();
}

void UiMenu::Close() {
  if (popupWindow_ != 0 && ws::System().IsWindow(popupWindow_)) ws::System().DestroyWindow(popupWindow_);
  popupWindow_ = 0;
}

void UiMenu::OnPopupDestroyed(Hwnd hwnd) {
  if (hwnd != popupWindow_) return;
  popupWindow_ = 0;
  hoverIndex_ = -1;
}

void UiMenu::Relayout() {
  repaintAll_ = true;
  InvalidateRect();
}

void UiMenu::Dispose() {
  Close();
  items_.clear();
  cache_ = draw::Bitmap();
  Unregister();
}

int32_t UiMenu::ItemAt(Point p) const {
  int64_t top = kItemsTop;
  for (size_t i = 0; i < items_.size(); ++i) {
    const int64_t h = items_[i].look.height;
    if (top <= p.y && p.y < top + h) return static_cast<int32_t>(i);
    top += h;
  }
  return -1;
}

Rect UiMenu::ItemRect(int32_t index) const {
  if (index < 0 || index >= static_cast<int32_t>(items_.size())) return {};
  int32_t top = kItemsTop;
  for (int32_t i = 0; i < index; ++i) top = SaturatingAdd(top, items_[static_cast<size_t>(i)].look.height);
  return Rect::FromXywh(kItemsLeft, top, width_, items_[static_cast<size_t>(index)].look.height);
}

void UiMenu::UpdateHover() {
  const Point m = MousePosition();
  const bool inside = m.x >= 0 && m.x <= GetWidth() && m.y >= 0 && m.y <= GetHeight();
  SetHoverIndex(inside ? ItemAt({m.x, m.y}) : -1);
}

void UiMenu::SetHoverIndex(int32_t index) {
  if (index == hoverIndex_) return;
  if (index >= 0) {
    // Only the rows that change colour are drawn again, over the cached rendering.
    const Rect before = ItemRect(hoverIndex_);
    hoverIndex_ = index;
    for (const Rect& r : {before, ItemRect(index)}) {
      if (!r.IsEmpty()) InvalidateRect({}, r);
    }
  } else {
    hoverIndex_ = -1;
    Relayout();
  }
  NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::ItemSelected, hoverIndex_));
}

bool UiMenu::Choosable(int32_t index) const {
  return index >= 0 && index < static_cast<int32_t>(items_.size()) && items_[static_cast<size_t>(index)].disabled == 0;
}

int32_t UiMenu::NextChoosable(int32_t from, int32_t step) const {
  const auto count = static_cast<int32_t>(items_.size());
  int32_t at = from;
  for (int32_t i = 0; i < count; ++i) {
    at = ((at + step) % count + count) % count;
    if (Choosable(at)) return at;
  }
  return -1;
}

void UiMenu::ChooseHovered() {
  ws::WindowSystem& sys = ws::System();
  const Hwnd popup = popupWindow_;
  const int32_t index = hoverIndex_;
  if (index >= 0 && index < static_cast<int32_t>(items_.size())) {
    const WeakToken alive = weak_.Token();
    RaiseEvent(Event::MenuItemChosen, static_cast<WParam>(index));
    // The handler may have destroyed the menu or opened it again elsewhere.
    if (!alive) return;
  }
  if (popup != 0 && sys.IsWindow(popup)) sys.DestroyWindow(popup);
}

int32_t UiMenu::MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
  if (msg == Msg::SetCursor && key == Key() && ShowCursorOfIndex(cursor_)) return 0;
  return UiControl::MessageHook(hwnd, key, msg, wParam, lParam);
}

Handled UiMenu::OnOwnEvent(uint32_t msg, WParam wParam, LParam) {
  if (msg == Event::MenuItemChosen) Emit(onItemChosen, static_cast<int32_t>(wParam));
  return Handled::Continue;
}

// The hover follows the mouse only; a paint must not change what it is drawing.
Handled UiMenu::OnMouseMove(const MouseEvent&) {
  UpdateHover();
  return Handled::Continue;
}

Handled UiMenu::OnMouseEnter() {
  UpdateHover();
  return Handled::Continue;
}

Handled UiMenu::OnMouseLeave() {
  UpdateHover();
  return Handled::Continue;
}

Handled UiMenu::OnMouseUp(const MouseEvent& e) {
  UpdateHover();
  if (e.button != MouseButton::Left) return Handled::Continue;
  const bool onItem = hoverIndex_ >= 0 && hoverIndex_ < static_cast<int32_t>(items_.size());
  // A disabled item (a separator too) keeps the menu open.
  if (onItem && items_[static_cast<size_t>(hoverIndex_)].disabled != 0) return Handled::Continue;
  ChooseHovered();
  return Handled::Continue;
}

Handled UiMenu::OnKeyDown(const KeyEvent& e) {
  if (e.modifiers.control || e.modifiers.alt) return Handled::Continue;
  const auto count = static_cast<int32_t>(items_.size());
  switch (e.virtualKey) {
    case Vk::Down:
      SetHoverIndex(NextChoosable(hoverIndex_ < 0 ? -1 : hoverIndex_, 1));
      return Handled::Stop;
    case Vk::Up:
      SetHoverIndex(NextChoosable(hoverIndex_ < 0 ? count : hoverIndex_, -1));
      return Handled::Stop;
    case Vk::Home:
      SetHoverIndex(NextChoosable(-1, 1));
      return Handled::Stop;
    case Vk::End:
      SetHoverIndex(NextChoosable(count, -1));
      return Handled::Stop;
    case Vk::Return:
    case Vk::Space:
      // Nothing highlighted, or a disabled row: the menu stays open, as for a click there.
      if (Choosable(hoverIndex_)) ChooseHovered();
      return Handled::Stop;
    default:
      return Handled::Continue;
  }
}

void UiMenu::OnPaint(draw::Graphics& g, Size) {
  const draw::Bitmap* canvas = Canvas();
  if (!canvas) return;
  const bool cacheFits = cache_.Width() == canvas->Width() && cache_.Height() == canvas->Height();
  if (repaintAll_ || !cacheFits) {
    // The cache holds every item unhighlighted, so a later hover move only has to
    // put back the old row from it and highlight the new one.
    g.ResetClip();
    g.Clear(0x00FFFFFF);
    PaintFrame(g);
    int32_t top = kItemsTop;
    for (size_t i = 0; i < items_.size(); ++i) {
      PaintItem(g, static_cast<int32_t>(i), top, false);
      top = SaturatingAdd(top, items_[i].look.height);
    }
    cache_ = canvas->Clone();
  } else {
    g.DrawImage(cache_, 0.0f, 0.0f);
  }
  repaintAll_ = false;
  const Rect hovered = ItemRect(hoverIndex_);
  if (!hovered.IsEmpty() && !items_[static_cast<size_t>(hoverIndex_)].IsSeparator()) {
    PaintItem(g, hoverIndex_, hovered.y, true);
  }
}

void UiMenu::PaintFrame(draw::Graphics& g) {
  // The outline and background span the item area plus the border; the picture's
  // extra column and row take the far border lines.
  const auto w = static_cast<float>(width_ + 3);
  const auto h = static_cast<float>(height_);
  if (borderColor_ != 0) {
    draw::Pen pen(borderColor_, 1.0f, draw::Unit::Pixel);
    pen.SetAlignment(draw::PenAlignment::Inset);
    g.DrawRectangle(pen, {0, 0, w, h});
  }
  if (backColor_ != 0) g.FillRectangle(draw::Brush(backColor_), {1.0f, 1.0f, w - 1, h - 1});
}

void UiMenu::PaintItem(draw::Graphics& g, int32_t index, int32_t top, bool hovered) {
  if (index < 0 || index >= static_cast<int32_t>(items_.size())) return;
  const MenuItem& item = items_[static_cast<size_t>(index)];
  const auto x = static_cast<float>(kItemsLeft);
  const auto y = static_cast<float>(top);
  const auto ih = static_cast<float>(itemLook_.height);
  const auto h = static_cast<float>(item.look.height);
  const auto w = static_cast<float>(width_);
  const RectF row{x, y, w, h};
  if (hovered && !item.IsSeparator()) {
    // The row goes back to the bare background before the highlight, so the
    // strip beneath does not tint it.
    const std::optional<draw::Region> outer =
        g.IsClipInfinite() ? std::nullopt : std::optional<draw::Region>(g.GetClip());
    g.SetClip(row, draw::CombineMode::Intersect);
    g.Clear(0x00FFFFFF);
    if (backColor_ != 0) g.FillRectangle(draw::Brush(backColor_), row);
    if (outer) {
      g.SetClip(*outer);
    } else {
      g.ResetClip();
    }
    g.FillRectangle(draw::Brush(item.look.hoverColor), row);
  } else {
    g.FillRectangle(draw::Brush(item.look.stripColor), {x, y, ih, h});
    g.FillRectangle(draw::Brush(item.look.itemBackColor), {x + ih, y, w - ih, h});
  }
  if (item.image && !item.image->IsEmpty()) {
    const RectF fit = SkinLayout::FitRect(static_cast<float>(item.image->Width()),
                                          static_cast<float>(item.image->Height()), ih - 5, h - 5);
    const float cx = x + ih / 2;
    const float cy = y + h / 2;
    g.DrawImage(*item.image, RectF{cx - fit.width / 2, cy - fit.height / 2, fit.width, fit.height});
  }
  if (item.IsSeparator()) {
    g.DrawLine(draw::Pen(item.look.separatorColor, 1.0f, draw::Unit::Pixel), {x + ih, y + 5}, {w, y + 5});
    return;
  }
  UiFont font;
  const draw::Font& f = font.FromName(item.look.fontName, item.look.fontSize);
  UiStringFormat format;
  format.Create(draw::StringFormat::kNoWrap);
  format.SetTrimming(static_cast<int>(draw::StringTrimming::EllipsisCharacter));
  format.SetLineAlign(static_cast<int>(draw::StringAlignment::Center));
  draw::Argb color = hovered ? item.look.hoverTextColor : item.look.textColor;
  if (item.disabled != 0) color = item.look.disabledTextColor;
  g.DrawString(item.text, f, {x + ih + 5, y, w - ih - 5, h}, format.GetHandle(), draw::Brush(color));
}

}  // namespace quillmar
