#pragma once
// Checks and forms of a request's address shared by the HTTP transports
// (curl and WinHTTP), so both refuse and send the same addresses.
#include <string>
#include <string_view>

namespace quillmar {

// Whether the text holds a control byte (below 0x20, or 0x7F).
bool HasControlBytes(std::string_view text);

// The scheme named at the start of an address, lower-cased ("ftp" in "ftp://x",
// "file" in "file:/x"); empty when it has none ("host:8080/x" names a port).
std::string SchemeOf(std::string_view url);

// The request target as the server should see it: the fragment stays with the
// client; spaces and bytes from 0x80 up are escaped, everything else is sent as
// the page gave it. Empty for an empty path.
std::string RequestTarget(std::string_view path);

}  // namespace quillmar
