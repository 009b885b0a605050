#pragma once
// Conversions between program text (GB18030 bytes, a superset of GBK that encodes every
// Unicode character), UTF-8 and UTF-16. Every conversion is total: bytes that are not valid
// in the source encoding become U+FFFD and the rest of the text is kept, embedded zero bytes
// included. An empty input gives an empty output. A std::u16string brings its own terminating
// zero unit (c_str()); only GbkToWideBytes puts one inside the counted units.
#include <string>
#include <string_view>

namespace quillmar {

// Code page numbers callers pass around. 936 (and 0, the program's own code page) mean
// GB18030 here, so nothing outside GBK is lost; 65001 is UTF-8.
inline constexpr int kCodePageSystem = 0;
inline constexpr int kCodePageGbk = 936;
inline constexpr int kCodePageGb18030 = 54936;
inline constexpr int kCodePageUtf8 = 65001;

// The two halves of a UTF-16 surrogate pair.
constexpr bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// True when MultiByteToWide/WideToMultiByte can convert with this code page.
bool IsCodePageSupported(int codePage);

// Program text to UTF-16, for everything handed to drawing and text layout.
std::u16string GbkToWide(std::string_view text);

// Bytes in `codePage` (UTF-8 when useCodePage is off) to UTF-16. An unsupported code page
// gives an empty result.
std::u16string MultiByteToWide(std::string_view text, int codePage, bool useCodePage);

// UTF-16 to bytes in `codePage` (the program's code page when useCodePage is off).
// Characters the target cannot encode become "?"; lone surrogates become U+FFFD where the
// target can encode it, else "?".
std::string WideToMultiByte(std::u16string_view wide, int codePage, bool useCodePage);

std::string GbkToUtf8(std::string_view text);
std::string Utf8ToGbk(std::string_view text);
std::string WideToGbk(std::u16string_view wide);

// Program text to UTF-16 code units. With dropTerminator off the result ends with one
// explicit zero unit (size() counts it), as engines that take counted buffers expect.
std::u16string GbkToWideBytes(std::string_view text, bool dropTerminator);

}  // namespace quillmar
