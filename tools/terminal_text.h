#pragma once
// Text from web pages made safe to print on a terminal.
#include <string>
#include <string_view>

namespace quillmar {

// UTF-8 text with every control character (C0, DEL, C1) replaced, so a page cannot move the
// cursor or rewrite the screen: tab and line breaks become a space (one row stays one line),
// the others U+FFFD, as do bytes that are not UTF-8, zero-width characters and direction
// overrides. Everything printable stays as it is.
std::string TerminalSafe(std::string_view utf8);

}  // namespace quillmar
