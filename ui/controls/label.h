#pragma once
// UiLabel: a static text with an optional soft shadow and background fill.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/draw/draw_types.h"
#include "ui/core/control.h"

namespace quillmar {

class UiLabel : public UiControl {
 public:
  static constexpr const char* kTag = "OVCL_LABEL";
  // Alignment bits; later bits win over earlier ones, none set is left and top.
  static constexpr int32_t kAlignCenter = 1;
  static constexpr int32_t kAlignMiddle = 2;
  static constexpr int32_t kAlignRight = 4;
  static constexpr int32_t kAlignBottom = 8;

  // Missing values come from the theme; align defaults to centred both ways.
  // Returns the element key.
  int32_t Create(UiWindow* parent, bool visible, int32_t x, int32_t y, int32_t width, int32_t height,
                 std::string_view text, std::optional<std::string_view> fontName = {},
                 std::optional<int32_t> fontSize = {}, std::optional<draw::Argb> textColor = {},
                 std::optional<draw::Argb> shadowColor = {}, draw::Argb backColor = 0,
                 std::optional<int32_t> align = {});

  void SetSingleLine(int32_t flag) { Assign(singleLine_, flag); }
  int32_t GetSingleLine() const { return singleLine_; }
  std::string GetText() const { return text_; }
  // A listening screen reader hears the change (the status line is read out).
  void SetText(std::string_view text);
  draw::Argb GetTextColor() const { return textColor_; }
  void SetTextColor(draw::Argb color) { Assign(textColor_, color); }
  std::string GetFontName() const { return fontName_; }
  void SetFontName(std::string_view name) { Assign(fontName_, std::string(name)); }
  int32_t GetFontSize() const { return fontSize_; }
  void SetFontSize(int32_t size) { Assign(fontSize_, size); }
  draw::Argb GetShadowColor() const { return shadowColor_; }
  void SetShadowColor(draw::Argb color) { Assign(shadowColor_, color); }
  void SetFontStyle(int32_t style) { Assign(fontStyle_, style); }
  int32_t GetFontStyle() const { return fontStyle_; }
  draw::Argb GetBackColor() const { return backColor_; }
  void SetBackColor(draw::Argb color) { Assign(backColor_, color); }
  void SetTextAlign(int32_t mask) { Assign(align_, mask); }
  int32_t GetTextAlign() const { return align_; }
  // Drops the style bits without a repaint (the next one shows it).
  void ClearFontStyle() { fontStyle_ = 0; }

  void DescribeAccessible(ws::AxNode& node) override;
  std::optional<ws::AxText> AccessibleText() override;

 protected:
  void OnPaint(draw::Graphics& g, Size size) override;
  bool TracksDrag() const override { return false; }

 private:
  std::string text_;
  std::string fontName_;
  int32_t fontSize_ = 0;
  draw::Argb textColor_ = 0;
  draw::Argb shadowColor_ = 0;
  draw::Argb backColor_ = 0;
  int32_t align_ = kAlignCenter | kAlignMiddle;
  int32_t fontStyle_ = 0;
  int32_t singleLine_ = 1;
};

}  // namespace quillmar
