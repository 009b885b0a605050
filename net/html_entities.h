#pragma once

#include <string>
#include <string_view>

namespace quillmar {

// Replaces HTML character references in UTF-8 text: decimal and hexadecimal
// numeric ones (with or without the closing ";") and the common named ones
// (&amp; &lt; &gt; &quot; &apos; &nbsp; and a few typographic ones). A reference
// that is not recognised stays as it was; a number that names no character
// becomes U+FFFD.
std::string DecodeHtmlEntities(std::string_view utf8);
std::u16string DecodeHtmlEntities(std::u16string_view wide);

// Appends the UTF-8 form of one Unicode scalar value.
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace quillmar
