#pragma once
// UTF-8 read and written by the program itself rather than through the system's converters:
// whole result pages go through it, and the rules are short. A byte that does not start a
// valid sequence (overlong, surrogate, past U+10FFFF or cut short) becomes U+FFFD and reading
// goes on with the next byte; a lone surrogate is written as U+FFFD.
#include <string>
#include <string_view>

namespace quillmar {

std::u16string DecodeUtf8(std::string_view text);
std::string EncodeUtf8(std::u16string_view wide);

}  // namespace quillmar
