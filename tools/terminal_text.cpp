#include "tools/terminal_text.h"

#include "base/text_encoding.h"

namespace quillmar {
namespace {

// Zero-width characters and direction overrides: invisible, yet they hide or reorder what a
// reader sees (a title that shows one thing while the line says another).
bool IsInvisibleFormatting(char16_t c) {
  return (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::string TerminalSafe(std::string_view utf8) {
  std::u16string wide = MultiByteToWide(utf8, kCodePageUtf8, true);
  for (char16_t& c : wide) {
    if (c == u'\t' || c == u'\n' || c == u'\r') {
      c = u' ';
    } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || IsInvisibleFormatting(c)) {
      c = 0xFFFD;
    }
  }
  return WideToMultiByte(wide, kCodePageUtf8, true);
}

}  // namespace quillmar
