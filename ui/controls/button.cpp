#include "ui/controls/button.h"

#include <algorithm>

#include "base/text_encoding.h"
#include "platform/draw/blend.h"
#include "platform/draw/brush.h"
#include "platform/draw/graphics.h"
#include "platform/draw/path.h"
#include "platform/draw/pen.h"
#include "platform/ws/messages.h"
#include "ui/controls/shadow_text.h"
#include "ui/core/cursor_bytes.h"
#include "ui/core/focus_mark.h"
#include "ui/core/rounded_rect.h"
#include "ui/core/theme_defaults.h"
#include "ui/core/tool_tip_host.h"
#include "ui/gfx/font.h"
#include "ui/gfx/string_format.h"

namespace quillmar {
namespace {

// Each channel averaged once with white.
uint32_t Lighten(uint32_t rgb) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) out |= ((((rgb >> shift) & 0xFF) + 255) / 2) << shift;
  return out;
}

}  // namespace

int32_t UiButton::Create(UiWindow* parent, bool, int32_t x, int32_t y, int32_t width, int32_t height,
                         std::string_view text, std::optional<std::string_view> fontName,
                         std::optional<int32_t> fontSize, std::optional<draw::Argb> textColor,
                         std::optional<draw::Argb> accentColor, std::optional<draw::Argb> borderColor,
                         std::optional<draw::Argb> shadowColor, std::optional<int32_t> fillAlpha, int32_t shape,
                         std::string_view tipText, int32_t cursor) {
  const int32_t key = CreateElement(parent, true, x, y, width, height, kTag);
  const ThemeDefaults& theme = Theme();
  fillRgb_ = theme.fillColor & 0x00FFFFFF;
  shadowColor_ = shadowColor.value_or(theme.shadowColor);
  fillAlpha_ = fillAlpha.value_or(theme.buttonVariant != 0 ? 50 : 200);
  shape_ = shape;
  borderColor_ = borderColor.value_or(theme.lineColor);
  text_ = text;
  fontName_ = fontName ? std::string(*fontName) : theme.fontName;
  textColor_ = textColor.value_or(theme.textColor);
  fontSize_ = fontSize.value_or(theme.fontSize);
  accentColor_ = accentColor.value_or(theme.lineColor);
  textFlags_ = 1;
  SetTipText(tipText);
  cursor_ = cursor;
  FinishCreate();
  return key;
}

void UiButton::SetState(State newState) { FadeTo(newState, false); }

void UiButton::FadeTo(State newState, bool quick) {
  // The transition keeps the picture shown now and fades into the next paint.
  // Only the fill fades: the old picture is drawn again without its text, and
  // the next paint puts the new text on the layer above the blend, so the
  // text never shows twice or blurred (the pressed text moves a pixel).
  Transition(quick);
  if (const TransitionPictures pictures = RunningTransition(); pictures.from != nullptr) {
    draw::ClearBitmap(*pictures.from);
    draw::Graphics g(*pictures.from);
    Draw(g, GetWidth(), GetHeight(), false, false, false, true);
  }
  state_ = newState;
  InvalidateRect();
}

draw::Argb UiButton::FillColor(State state) const {
  if (state == State::Normal) return WithAlpha(fillRgb_, fillAlpha_ - 20);
  if (accentColor_ == 0) return 0;
  return WithAlpha(state == State::Hover ? Lighten(accentColor_) : accentColor_, fillAlpha_ - 20);
}

draw::Argb UiButton::BorderColor(State state) const {
  if (borderColor_ == 0) return 0;
  return WithAlpha(borderColor_, state != State::Normal || focused_ ? 200 : 100);
}

void UiButton::Draw(draw::Graphics& graphics, int32_t width, int32_t height, bool drawFill, bool skipFill,
                    bool textOnly, bool skipText) {
  if (!skipFill || drawFill) {
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    graphics.FillRectangle(draw::Brush(FillColor(state_)), {0, 0, w, h});
    if (const draw::Argb border = BorderColor(state_); border != 0) {
      // The outline runs through the last column and row, so all four sides
      // lie inside the button.
      draw::Path outline;
      AddRoundedRect(outline, {0, 0, w - 1, h - 1}, shape_ == kShapeRounded ? 1.0f : 0.0f);
      graphics.DrawPath(draw::Pen(border, 1.0f, draw::Unit::Pixel), outline);
    }
  }
  if (!skipText || textOnly) {
    if (!text_.empty()) DrawText(graphics, width, height);
  }
}

void UiButton::DrawText(draw::Graphics& graphics, int32_t width, int32_t height) {
  UiFont font;
  font.FromName(fontName_, fontSize_, 0, static_cast<int>(draw::Unit::Pixel));
  UiStringFormat format;
  if (textFlags_ & 1) {
    format.Create(draw::StringFormat::kMeasureTrailingSpaces);
  } else {
    format.Create(draw::StringFormat::kMeasureTrailingSpaces | draw::StringFormat::kNoWrap);
    format.SetTrimming(draw::StringTrimming::EllipsisCharacter);
  }
  format.SetAlign(draw::StringAlignment::Center);
  format.SetLineAlign(draw::StringAlignment::Center);
  // The pressed text moves one pixel right and down.
  const float offset = state_ == State::Pressed ? 1.0f : 0.0f;
  const RectF layout = RectF::FromXywh(offset, offset, static_cast<float>(width), static_cast<float>(height));
  draw::Argb color = textColor_;
  draw::Argb shadow = shadowColor_;
  // A disabled button keeps its shape and shows its text faded.
  if (GetDisabled() & 1) {
    color = WithAlpha(color, static_cast<int32_t>(draw::AlphaOf(color) / 2));
    if (shadow != 0) shadow = WithAlpha(shadow, static_cast<int32_t>(draw::AlphaOf(shadow) / 3));
  }
  DrawShadowedText(graphics, GbkToWide(text_), layout, font.GetFont(), *format.GetHandle(), color, shadow);
}

void UiButton::OnPaint(draw::Graphics& g, Size size) {
  const Rect focusRect = Rect::FromXywh(2, 2, size.width - 4, size.height - 4);
  // A box's buttons always mark the focus; elsewhere the mark shows once the keyboard moved it.
  const bool mark = (focusMark_ && focused_) || ShowsFocusMark();
  const TransitionPictures pictures = RunningTransition();
  if (pictures.top == nullptr) {
    Draw(g, size.width, size.height, false, false, false, false);
    if (mark) DrawFocusMark(g, focusRect);
    return;
  }
  Draw(g, size.width, size.height, false, false, false, true);
  draw::ClearBitmap(*pictures.top);
  draw::Graphics text(*pictures.top);
  Draw(text, size.width, size.height, false, true, true, false);
  // The mark rides on the text layer so a fade leaves it sharp too.
  if (mark) DrawFocusMark(text, focusRect);
}

int32_t UiButton::MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
  // The button's own cursor shows while it is under the pointer; stopping here
  // keeps the window's class cursor from replacing it.
  if (msg == Msg::SetCursor && ShowCursorOfIndex(cursor_)) return 0;
  return UiControl::MessageHook(hwnd, key, msg, wParam, lParam);
}

void UiButton::Press() {
  Focus();
  FadeTo(State::Pressed, true);
}

Handled UiButton::OnMouseDown(const MouseEvent& e) {
  if (e.button == MouseButton::Left) Press();
  return Handled::Continue;
}

Handled UiButton::OnDoubleClick(const MouseEvent& e) {
  if (e.button == MouseButton::Left) Press();
  return Handled::Continue;
}

Handled UiButton::OnMouseUp(const MouseEvent& e) {
  if (e.button == MouseButton::Left && state_ == State::Pressed) FadeTo(State::Hover, false);
  return Handled::Continue;
}

Handled UiButton::OnCaptureLost() {
  // No release will come: the pressed look goes, the hover stays if the mouse is over it.
  if (state_ == State::Pressed) FadeTo(GetHovered() != 0 ? State::Hover : State::Normal, false);
  return Handled::Continue;
}

Handled UiButton::OnMouseEnter() {
  const std::string tip = GetTipText();
  if (!tip.empty()) ShowElementTip(*this, tip);
  SetState(GetPressed() != 0 ? State::Pressed : State::Hover);
  return Handled::Continue;
}

Handled UiButton::OnMouseLeave() {
  HideElementTip(*this);
  SetState(State::Normal);
  return Handled::Continue;
}

Handled UiButton::OnFocusGained() {
  if (!focused_) {
    focused_ = true;
    InvalidateRect();
  }
  return Handled::Continue;
}

Handled UiButton::OnFocusLost() {
  spaceDown_ = false;
  if (focused_) {
    focused_ = false;
    SetState(State::Normal);
  }
  return Handled::Continue;
}

Handled UiButton::OnKeyDown(const KeyEvent& e) {
  if (e.modifiers.control || e.modifiers.alt) return Handled::Continue;
  if (e.virtualKey == Vk::Space) {
    if (!spaceDown_) {
      spaceDown_ = true;
      SetState(State::Pressed);
    }
    return Handled::Stop;
  }
  if (e.virtualKey == Vk::Return) {
    // The click runs the program's routine, which may open a modal box: last.
    RaiseEvent(Event::Click);
    return Handled::Stop;
  }
  return Handled::Continue;
}

Handled UiButton::OnKeyUp(const KeyEvent& e) {
  if (e.virtualKey != Vk::Space || !spaceDown_) return Handled::Continue;
  spaceDown_ = false;
  SetState(GetHovered() != 0 ? State::Hover : State::Normal);
  RaiseEvent(Event::Click);
  return Handled::Stop;
}

Handled UiButton::OnClick() {
  Emit(onClick);
  return Handled::Continue;
}

Handled UiButton::OnDisabledChanged(bool disabled) {
  // A disabled button is skipped by hit-testing and hears no leave, so it
  // drops a hover or press look here instead of keeping it.
  if (disabled) state_ = State::Normal;
  InvalidateRect();
  return Handled::Continue;
}

}  // namespace quillmar
