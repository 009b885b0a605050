#pragma once
// Internal to the drawing layer on Windows: the process-wide font set-up behind fonts,
// families and text, and what stands behind FontFamily and Font.

#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/draw/font.h"
#include "platform/draw/font_family.h"
#include "platform/draw/gdiplus_session.h"

namespace quillmar::draw {

struct FontFamily::Impl {
  std::u16string name;                          // as asked for
  std::string resolved;                         // family used for drawing (UTF-8)
  std::unique_ptr<Gdiplus::FontFamily> family;  // null only on a system without fonts
};

struct Font::Impl {
  FontFamily family;
  float size = 0;
  int style = 0;
  Unit unit = Unit::World;
  float pixels = 0;
  std::unique_ptr<Gdiplus::Font> font;
  float lineHeight = 0;
};

}  // namespace quillmar::draw

namespace quillmar::draw::fonts {

// Held while text is laid out, measured or drawn, and while fonts are added: GDI+ refuses
// an object that another thread is using at the same moment.
std::recursive_mutex& TextMutex();

// The family drawing text asked for under this name: the name itself when installed or
// loaded by the program, else the best CJK family the system has. Never null.
std::shared_ptr<const FontFamily::Impl> ResolveFamily(std::u16string_view name);
// Loads the fonts of a file or of bytes for the whole process; the families they hold
// (none: no fonts), each resolving to itself from now on.
std::vector<std::shared_ptr<const FontFamily::Impl>> AddFontFile(const std::wstring& path);
std::vector<std::shared_ptr<const FontFamily::Impl>> AddFontMemory(std::span<const uint8_t> bytes);

// The desktop's user-interface font: family and size in points.
struct UiFontSpec {
  std::u16string family;
  double points = 9;
};
UiFontSpec DesktopUiFont();

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace quillmar::draw::fonts
