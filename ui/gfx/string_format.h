#pragma once
// Holder of one string format (wrapping, alignment, trimming) for drawing texts.
// Copies share the same format; Delete on one leaves the others' format intact.

#include <memory>

#include "platform/draw/string_format.h"

namespace quillmar {

class UiStringFormat {
 public:
  // Status values returned by the operations.
  static constexpr int kOk = 0;
  static constexpr int kInvalidParameter = 2;

  // Replaces the held format by a new one with these flags.
  int Create(int formatFlags = 0, int language = 0);
  // The held format, null when none.
  draw::StringFormat* GetHandle() const { return format_.get(); }
  int SetFlags(int flags);
  int GetFlags() const;
  int SetAlign(int align);  // 0 near, 1 centre, 2 far
  int SetAlign(draw::StringAlignment align);
  int GetAlign() const;
  int SetLineAlign(int align);
  int SetLineAlign(draw::StringAlignment align);
  int GetLineAlign() const;
  int SetTrimming(int trimming);  // 3: ellipsis character
  int SetTrimming(draw::StringTrimming trimming);
  int GetTrimming() const;
  void Delete() { format_.reset(); }

 private:
  std::shared_ptr<draw::StringFormat> format_;
};

}  // namespace quillmar
