#pragma once

#include <string>
#include <string_view>

namespace quillmar {

// Resolves a link found on a page against the page's own address, the way a
// browser does: absolute links stay, "//host/x", "/x", "x", "../x", "?q" and "#f"
// are taken relative to base. Surrounding blanks and embedded tabs or line
// breaks are dropped, and bytes outside printable ASCII come back
// percent-encoded, so the result can be sent as it is. A base without a scheme
// is read as http.
std::string ResolveUrl(std::string_view base, std::string_view link);

}  // namespace quillmar
