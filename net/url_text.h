#pragma once
// Percent-encoding of URL text and splitting of an address into host, port and path.
#include <string>
#include <string_view>

namespace quillmar {

// Escapes every byte as "%XX" (uppercase hex, always two digits); with keepSafe on,
// "-", ".", digits and ASCII letters stay as they are. With utf8 on the program text is
// converted to UTF-8 first.
std::string UrlEncode(std::string_view text, bool keepSafe, bool utf8);

// Appends "%XX" for one byte (uppercase hex, always two digits).
void AppendPercentEscape(std::string& out, unsigned char byte);

// Turns every "%" followed by two hex digits (either case) into its byte. A "%" without two
// hex digits after it is kept as it is, with the bytes after it. With fromUtf8 on the result
// is converted from UTF-8 to program text.
std::string UrlDecode(std::string_view text, bool fromUtf8);

// Host of an address, lower-cased, with or without its ":port". An address without
// "http://" or "https://" at its start is read as http.
std::string UrlHost(std::string_view url, bool keepPort);

// Port named in the address, else 443 for https and 80 for everything else.
int UrlPort(std::string_view url);

// Everything from the first "/" after the host (query included), "/" when there is none.
std::string UrlPath(std::string_view url);

}  // namespace quillmar
