#include "net/text_encoding.h"

namespace quillmar {
bool IsCodePageSupported(int) { return false; }
std::u16string GbkToWide(std::string_view) { return {}; }
std::u16string MultiByteToWide(std::string_view, int, bool) { return {}; }
std::string WideToMultiByte(std::u16string_view, int, bool) { return {}; }
std::string GbkToUtf8(std::string_view) { return {}; }
std::string Utf8ToGbk(std::string_view) { return {}; }
std::string WideToGbk(std::u16string_view) { return {}; }
std::u16string GbkToWideBytes(std::string_view, bool) { return {}; }
}  // namespace quillmar
