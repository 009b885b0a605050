#include "ui/controls/label.h"

#include "base/text_encoding.h"
#include "platform/draw/brush.h"
#include "platform/draw/graphics.h"
#include "ui/controls/shadow_text.h"
#include "ui/core/theme_defaults.h"
#include "ui/gfx/font.h"
#include "ui/gfx/string_format.h"

namespace quillmar {

int32_t UiLabel::Create(UiWindow* parent, bool visible, int32_t x, int32_t y, int32_t width, int32_t height,
                        std::string_view text, std::optional<std::string_view> fontName,
                        std::optional<int32_t> fontSize, std::optional<draw::Argb> textColor,
                        std::optional<draw::Argb> shadowColor, draw::Argb backColor, std::optional<int32_t> align) {
  const int32_t key = CreateElement(parent, visible, x, y, width, height, kTag);
  const ThemeDefaults& theme = Theme();
  text_ = text;
  fontName_ = fontName ? std::string(*fontName) : theme.fontName;
  fontSize_ = fontSize.value_or(theme.fontSize);
  textColor_ = textColor.value_or(theme.textColor);
  shadowColor_ = shadowColor.value_or(theme.shadowColor);
  backColor_ = backColor;
  align_ = align.value_or(kAlignCenter | kAlignMiddle);
  singleLine_ = 1;
  FinishCreate();
  return key;
}

void UiLabel::SetText(std::string_view text) {
  if (text_ == text) return;
  // The old text is needed only to tell a listener what went.
  const std::u16string before = AccessibilityListening() ? GbkToWide(text_) : std::u16string();
  Assign(text_, std::string(text));
  if (!AccessibilityListening()) return;
  NotifyAccessibleText(before, GbkToWide(text_));
  NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::NameChanged));
}

void UiLabel::OnPaint(draw::Graphics& g, Size size) {
  const std::u16string text = GbkToWide(text_);
  UiFont font;
  font.FromName(fontName_, fontSize_, fontStyle_);
  UiStringFormat format;
  if (singleLine_ != 0) {
    format.Create(draw::StringFormat::kMeasureTrailingSpaces | draw::StringFormat::kNoWrap);
    format.SetTrimming(draw::StringTrimming::EllipsisCharacter);
  } else {
    format.Create(draw::StringFormat::kMeasureTrailingSpaces);
  }
  if (align_ & kAlignCenter) format.SetAlign(draw::StringAlignment::Center);
  if (align_ & kAlignMiddle) format.SetLineAlign(draw::StringAlignment::Center);
  if (align_ & kAlignRight) format.SetAlign(draw::StringAlignment::Far);
  if (align_ & kAlignBottom) format.SetLineAlign(draw::StringAlignment::Far);
  const RectF whole = RectF::FromXywh(0, 0, static_cast<float>(size.width), static_cast<float>(size.height));
  g.FillRectangle(draw::Brush(backColor_), whole);
  if (!text.empty()) DrawShadowedText(g, text, whole, font.GetFont(), *format.GetHandle(), textColor_, shadowColor_);
}

}  // namespace quillmar
