#pragma once
// A font family: an installed one found by name, or one loaded from a file or
// from bytes (see FontCollection). Copies share the same family.

#include <memory>
#include <string>
#include <string_view>

namespace quillmar::draw {

class FontFamily {
 public:
  FontFamily() = default;  // empty
  // An installed family. Names that are not installed (and the Windows CJK names
  // such as "宋体" or "SimSun") resolve to an installed CJK family, so Chinese text
  // never renders as boxes. An empty name gives an empty family.
  static FontFamily FromName(std::u16string_view name);
  static FontFamily FromUtf8Name(std::string_view name);
  // The desktop's sans-serif family.
  static FontFamily GenericSansSerif();

  bool IsEmpty() const { return !impl_; }
  std::u16string Name() const;       // the name asked for
  std::string ResolvedName() const;  // the family that draws the text (UTF-8)

  struct Impl;
  const Impl* impl() const { return impl_.get(); }
  explicit FontFamily(std::shared_ptr<const Impl> impl) : impl_(std::move(impl)) {}

 private:
  std::shared_ptr<const Impl> impl_;
};

}  // namespace quillmar::draw
