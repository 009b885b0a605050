#pragma once
// UiMenu: a popup menu in its own top-level layered window. The caller fills it
// with items, pops it up at the mouse or at a point, and hears the index of the
// chosen item through onItemChosen (an owner) or Event::MenuItemChosen (a user
// routine); the popup window goes after every choice, when it loses the focus,
// on Escape, or on a click that hits no item. The popup has the keyboard: Up,
// Down, Home and End move the highlight over the items that can be chosen, Enter
// or Space chooses the highlighted one.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/geometry.h"
#include "base/weak_token.h"
#include "platform/draw/bitmap.h"
#include "platform/draw/draw_types.h"
#include "ui/core/control.h"
#include "ui/gfx/font.h"
#include "ui/gfx/image.h"

namespace quillmar {

// How an item looks. The menu keeps one as the look of the items inserted
// later, whose height is then the item height and the width of the icon strip.
struct MenuItemLook {
  std::string fontName;  // program text
  int32_t fontSize = 0;
  draw::Argb textColor = 0;
  draw::Argb stripColor = 0;     // the icon strip
  draw::Argb itemBackColor = 0;  // the text area; 0: none
  draw::Argb hoverColor = 0;
  draw::Argb hoverTextColor = 0;
  int32_t style2 = 0;
  draw::Argb disabledTextColor = 0;
  int32_t height = 0;
  draw::Argb separatorColor = 0;
};

// Changes to a look; a missing value keeps the one it is laid over.
struct MenuItemStyle {
  std::optional<std::string> fontName;
  std::optional<int32_t> fontSize;
  std::optional<draw::Argb> textColor;
  std::optional<draw::Argb> stripColor;
  std::optional<draw::Argb> itemBackColor;
  std::optional<draw::Argb> hoverColor;
  std::optional<draw::Argb> hoverTextColor;  // for an item: not used when textColor is given
  std::optional<int32_t> style2;
  std::optional<draw::Argb> disabledTextColor;
  std::optional<int32_t> height;
  std::optional<draw::Argb> separatorColor;

  MenuItemLook Over(MenuItemLook look) const;
};

// Changes to the menu's look; a missing value keeps the current one.
struct MenuStyle {
  std::optional<draw::Argb> backColor;  // 0: no background
  std::optional<int32_t> style1;
  std::optional<draw::Argb> borderColor;  // 0: no border
  std::optional<int32_t> alpha;
  std::optional<int32_t> width;
  MenuItemStyle items;  // the look of items inserted later
};

struct MenuItem {
  std::u16string text;
  ImageHandle image;
  int32_t disabled = 0;
  MenuItemLook look;
  bool IsSeparator() const { return text == u"-"; }
};

class UiMenu : public UiControl {
 public:
  static constexpr std::string_view kTag = "OVCL_MENU";
  static constexpr int32_t kSeparatorHeight = 10;

  // The element exists from construction on and stays across popups, so a user
  // routine is set once before the first popup.
  UiMenu();
  ~UiMenu() override;

  void SetStyle(const MenuStyle& style);
  // Inserts before index; no index, -1 or one beyond the count appends. Text is
  // program text; "-" makes a separator.
  void InsertItem(std::optional<int32_t> index, std::string_view text, ImageHandle image = {}, int32_t disabled = 0,
                  const MenuItemStyle& style = {});
  void ClearItems();
  // 0-based; negative counts from the end (-1 = last). Out of range does nothing.
  void DeleteItem(int32_t index);
  // Opens the menu at (x, y) in screen coordinates, or next to the mouse for a
  // missing coordinate, kept on the work area. `cursor` is shown over the menu.
  void Popup(std::optional<int32_t> x = {}, std::optional<int32_t> y = {}, int32_t cursor = 0);
  // Closes the popup without a choice.
  void Close();
  // The next paint renders every item again.
  void Relayout();
  // Closes the popup and drops the items and the element; a later Popup makes a
  // new element, which a user routine has to be given again (onItemChosen stays).
  void Dispose();

  // Whether a key press asks for a context menu from the keyboard: the menu key,
  // or F10 with Shift held. Every control with a context menu opens it on these.
  static bool IsContextMenuKey(int32_t virtualKey);

  // The screen position Popup uses for a menu of this size (exposed for placement checks).
  static Point PlacePopup(std::optional<int32_t> x, std::optional<int32_t> y, Point cursor, Size menu,
                          const Rect& workArea);

  const std::vector<MenuItem>& Items() const { return items_; }
  Hwnd PopupWindow() const { return popupWindow_; }
  bool IsOpen() const { return popupWindow_ != 0; }
  UiWindow* PopupFrame() const { return popupFrame_.get(); }
  int32_t HoverIndex() const { return hoverIndex_; }
  int32_t MenuHeight() const { return height_; }
  int32_t MenuWidth() const { return width_; }
  // The item under a point of the control (-1: none).
  int32_t ItemAt(Point p) const;
  // The painted rectangle of an item within the control; empty for an index out of range.
  Rect ItemRect(int32_t index) const;

  // A popup menu whose items assistive technology reads, highlights and chooses.
  void DescribeAccessible(ws::AxNode& node) override;
  std::optional<ws::AxNode> AccessibleItem(int32_t index) override;
  bool AccessibleItemAction(int32_t item, int32_t index) override;
  bool AccessibleSelectItem(int32_t item) override;

  // The owner's typed signal: the index of the chosen item, after the menu's own
  // handling and before its user routine. The owner may delete the menu in it.
  std::function<void(int32_t index)> onItemChosen;

 protected:
  int32_t MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) override;
  Handled OnMouseMove(const MouseEvent&) override;
  Handled OnMouseEnter() override;
  Handled OnMouseLeave() override;
  Handled OnMouseUp(const MouseEvent& e) override;
  Handled OnKeyDown(const KeyEvent& e) override;
  Handled OnOwnEvent(uint32_t msg, WParam wParam, LParam lParam) override;
  void OnPaint(draw::Graphics& g, Size size) override;
  // Draws one item; hovered paints its highlight over whatever lies beneath.
  virtual void PaintItem(draw::Graphics& g, int32_t index, int32_t top, bool hovered);

 private:
  void InitStyle();
  void Measure();
  void BuildWindow(Point at);
  void UpdateHover();
  // Moves the highlight (-1: none), repainting the rows that change.
  void SetHoverIndex(int32_t index);
  bool Choosable(int32_t index) const;
  // The next item that can be chosen from `from` in steps of `step`, going round; -1 for none.
  int32_t NextChoosable(int32_t from, int32_t step) const;
  void PaintFrame(draw::Graphics& g);
  void ChooseHovered();
  void OnPopupDestroyed(Hwnd hwnd);
  // Keeps an open popup in step with items added or removed while it shows.
  void RefitOpenPopup();
  Size ControlSize() const { return {width_ + 4, height_ + 1}; }

  Hwnd popupWindow_ = 0;
  std::unique_ptr<UiWindow> popupFrame_;
  draw::Argb backColor_ = 0;
  int32_t style1_ = 0;
  draw::Argb borderColor_ = 0;
  int32_t alpha_ = 255;
  int32_t width_ = 200;
  MenuItemLook itemLook_;
  bool repaintAll_ = false;
  bool styleReady_ = false;
  std::vector<MenuItem> items_;
  int32_t height_ = 0;
  draw::Bitmap cache_;  // the full rendering without a highlighted item
  int32_t hoverIndex_ = -1;
  int32_t cursor_ = 0;
  // Last: tells code that called out to a handler, or the popup's routine, whether the menu still exists.
  WeakFactory<UiMenu> weak_{this};
};

}  // namespace quillmar
