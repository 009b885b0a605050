#pragma once
// Cookie text: name=value items joined by "; ".
#include <string>
#include <string_view>

namespace quillmar {

// Merges the cookies a response set into the ones held before: new items first, old items
// whose name is not among the new ones after them, items valued "deleted" dropped, exact
// duplicates removed. Spaces (also the full-width one) are removed from both inputs.
std::string MergeCookies(std::string_view oldCookies, std::string_view newCookies);

// The name=value pairs of every Set-Cookie line of a raw response header block, joined by
// "; " (header names are matched ignoring case; attributes after the first ";" are dropped).
std::string CookiesFromHeaders(std::string_view rawHeaders);

}  // namespace quillmar
