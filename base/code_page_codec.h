#pragma once
// The system half of base/text_encoding.h: conversions between UTF-16 and the code pages
// other than UTF-8, with iconv on Linux and the Win32 code-page calls on Windows (CMake picks
// the file). Code pages 0 and 936 mean GB18030, as in text_encoding.h. Both conversions are
// total as described there; they return false only when the code page cannot be used.
#include <string>
#include <string_view>

namespace quillmar {

bool CodePageCodecSupports(int codePage);
bool DecodeCodePage(std::string_view bytes, int codePage, std::u16string* wide);
bool EncodeCodePage(std::u16string_view wide, int codePage, std::string* bytes);

}  // namespace quillmar
