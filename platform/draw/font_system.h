#pragma once
// Internal to the drawing layer: the process-wide font set-up behind fonts and text.

#include <pango/pango.h>

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace quillmar::draw::fonts {

// Held while text is laid out, measured or drawn, and while fonts are added: the
// shared font map is not safe to use from two threads at once.
std::recursive_mutex& TextMutex();

// The font map every text goes through. The first call loads the program's own
// font aliases (the Windows CJK family names) into fontconfig.
PangoFontMap* FontMap();
// A Pango context of the calling thread on that map.
PangoContext* ThreadContext();
// The installed family that draws text asked for under this name (UTF-8).
std::string ResolveFamily(const std::string& name);
// Registers a font file with fontconfig; returns the families it holds (empty: no fonts).
std::vector<std::string> AddFontFile(const std::string& path);

// The desktop's user-interface font: family and size in points.
struct UiFontSpec {
  std::string family;
  double points = 10;
};
UiFontSpec DesktopUiFont();

// UTF-16 to UTF-8 (lone surrogates become U+FFFD). With offsets, fills for every
// UTF-16 index 0..n the byte offset where that unit's character starts.
std::string Utf16ToUtf8(std::u16string_view text, std::vector<int>* offsets = nullptr);
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace quillmar::draw::fonts
