#pragma once
// UiButton: a push button with a translucent fill, a one-pixel border on a
// rectangle or rounded outline and a centred shadowed text. Every state change
// fades from the old picture to the new one.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/draw/draw_types.h"
#include "ui/core/control.h"

namespace quillmar {

class UiButton : public UiControl {
 public:
  static constexpr const char* kTag = "OVCL_BUTTON";
  enum class State : int32_t { Normal = 0, Hover = 1, Pressed = 2 };
  static constexpr int32_t kShapeRounded = 1;  // any other shape value is a rectangle

  // Missing values come from the theme; the fill colour always does. The
  // button is always adopted by parent. Returns the element key.
  int32_t Create(UiWindow* parent, bool visible, int32_t x, int32_t y, int32_t width, int32_t height,
                 std::string_view text, std::optional<std::string_view> fontName = {},
                 std::optional<int32_t> fontSize = {}, std::optional<draw::Argb> textColor = {},
                 std::optional<draw::Argb> accentColor = {}, std::optional<draw::Argb> borderColor = {},
                 std::optional<draw::Argb> shadowColor = {}, std::optional<int32_t> fillAlpha = {}, int32_t shape = 0,
                 std::string_view tipText = {}, int32_t cursor = 0);
  // Fades to the new state.
  void SetState(State newState);
  State GetState() const { return state_; }
  // Paints the button into any surface: the fill (unless skipFill without
  // drawFill) and the text (unless skipText without textOnly).
  void Draw(draw::Graphics& graphics, int32_t width, int32_t height, bool drawFill, bool skipFill, bool textOnly,
            bool skipText);
  void SetTextFlags(int32_t value) { Assign(textFlags_, value); }
  int32_t GetTextFlags() const { return textFlags_; }
  std::string GetText() const { return text_; }
  void SetText(std::string_view text) {
    if (Assign(text_, std::string(text))) NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::NameChanged));
  }
  draw::Argb GetTextColor() const { return textColor_; }
  void SetTextColor(draw::Argb color) { Assign(textColor_, color); }
  std::string GetFontName() const { return fontName_; }
  void SetFontName(std::string_view name) { Assign(fontName_, std::string(name)); }
  int32_t GetFontSize() const { return fontSize_; }
  void SetFontSize(int32_t size) { Assign(fontSize_, size); }
  void SetAccentColor(draw::Argb color) { Assign(accentColor_, color); }
  draw::Argb GetAccentColor() const { return accentColor_; }
  // Back to normal without a repaint.
  void ResetState() { state_ = State::Normal; }
  int32_t GetFocusedFlag() const { return focused_ ? 1 : 0; }
  // A dotted mark inside the border while the button has the focus, for
  // windows worked from the keyboard (a message box). Off by default.
  void SetFocusMark(bool shown) { Assign(focusMark_, shown); }

  void DescribeAccessible(ws::AxNode& node) override;

  // The fill colour of a state, and the border colour (0: no border).
  draw::Argb FillColor(State state) const;
  draw::Argb BorderColor(State state) const;

  // The owner's typed signal: a click (mouse, Enter or Space), after the
  // button's own handling and before its user routine. The owner may delete
  // the button in it.
  std::function<void()> onClick;

 protected:
  int32_t MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) override;
  Handled OnMouseDown(const MouseEvent& e) override;
  Handled OnDoubleClick(const MouseEvent& e) override;
  Handled OnMouseUp(const MouseEvent& e) override;
  Handled OnMouseEnter() override;
  Handled OnMouseLeave() override;
  Handled OnFocusGained() override;
  Handled OnFocusLost() override;
  // Space presses the focused button and its release clicks it; Enter clicks at once.
  Handled OnKeyDown(const KeyEvent& e) override;
  Handled OnKeyUp(const KeyEvent& e) override;
  Handled OnDisabledChanged(bool disabled) override;
  Handled OnCaptureLost() override;
  Handled OnClick() override;
  void OnPaint(draw::Graphics& g, Size size) override;

 private:
  void Press();
  // Changes the state with the fade; quick for presses, which answer at once.
  void FadeTo(State newState, bool quick);
  void DrawText(draw::Graphics& graphics, int32_t width, int32_t height);

  State state_ = State::Normal;
  uint32_t fillRgb_ = 0;  // 0x00RRGGBB, from the theme
  draw::Argb shadowColor_ = 0;
  int32_t fillAlpha_ = 200;
  int32_t shape_ = 0;
  draw::Argb borderColor_ = 0;
  bool focused_ = false;
  bool spaceDown_ = false;  // pressed by the Space key, clicked by its release
  std::string text_;
  std::string fontName_;
  draw::Argb textColor_ = 0;
  int32_t fontSize_ = 0;
  draw::Argb accentColor_ = 0;
  int32_t textFlags_ = 1;  // bit 0: the text may wrap
  int32_t cursor_ = 0;     // cursor table index shown over the button (0: the window's)
  bool focusMark_ = false;
};

}  // namespace quillmar
