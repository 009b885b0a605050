#include "ui/gfx/string_format.h"

namespace quillmar {

int UiStringFormat::Create(int formatFlags, int language) {
  Delete();
  format_ = std::make_shared<draw::StringFormat>(formatFlags, language);
  return kOk;
}

int UiStringFormat::SetFlags(int flags) {
  if (!format_) return kInvalidParameter;
  format_->SetFlags(flags);
  return kOk;
}

int UiStringFormat::GetFlags() const { return format_ ? format_->Flags() : 0; }

int UiStringFormat::SetAlign(int align) {
  if (align < 0 || align > 2) return kInvalidParameter;
  return SetAlign(static_cast<draw::StringAlignment>(align));
}

int UiStringFormat::SetAlign(draw::StringAlignment align) {
  if (!format_) return kInvalidParameter;
  format_->SetAlign(align);
  return kOk;
}

int UiStringFormat::GetAlign() const { return format_ ? static_cast<int>(format_->Align()) : 0; }

int UiStringFormat::SetLineAlign(int align) {
  if (align < 0 || align > 2) return kInvalidParameter;
  return SetLineAlign(static_cast<draw::StringAlignment>(align));
}

int UiStringFormat::SetLineAlign(draw::StringAlignment align) {
  if (!format_) return kInvalidParameter;
  format_->SetLineAlign(align);
  return kOk;
}

int UiStringFormat::GetLineAlign() const { return format_ ? static_cast<int>(format_->LineAlign()) : 0; }

int UiStringFormat::SetTrimming(int trimming) {
  if (trimming < 0 || trimming > 5) return kInvalidParameter;
  return SetTrimming(static_cast<draw::StringTrimming>(trimming));
}

int UiStringFormat::SetTrimming(draw::StringTrimming trimming) {
  if (!format_) return kInvalidParameter;
  format_->SetTrimming(trimming);
  return kOk;
}

int UiStringFormat::GetTrimming() const { return format_ ? static_cast<int>(format_->Trimming()) : 0; }

}  // namespace quillmar
