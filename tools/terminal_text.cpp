#include "tools/terminal_text.h"

#include "base/text_encoding.h"

namespace quillmar {

std::string TerminalSafe(std::string_view utf8) {
  std::u16string wide = MultiByteToWide(utf8, kCodePageUtf8, true);
  for (char16_t& c : wide) {
    if (c == u'\t' || c == u'\n' || c == u'\r') {
      c = u' ';
    } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      c = 0xFFFD;
    }
  }
  return WideToMultiByte(wide, kCodePageUtf8, true);
}

}  // namespace quillmar
