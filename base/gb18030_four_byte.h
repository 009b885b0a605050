#pragma once
// The four-byte characters of GB18030: everything GBK's one- and two-byte codes lack, the
// Basic Multilingual Plane's remainder through a table of runs and the planes beyond it by
// arithmetic. Systems whose converters know only GBK (Wine has no code page 54936) complete
// GB18030 with these.
#include <cstdint>

namespace quillmar {

// True when the four bytes have the shape of a four-byte character (81-FE 30-39 81-FE 30-39).
bool IsGb18030FourByteForm(const unsigned char* bytes);

// The character of four bytes, or 0 when they are not one (wrong shape or unassigned).
char32_t Gb18030FourByteToCodePoint(const unsigned char* bytes);

// The four bytes of a character, or false when GB18030 writes it in one or two bytes (or it
// is no character).
bool CodePointToGb18030FourByte(char32_t codePoint, unsigned char out[4]);

}  // namespace quillmar
