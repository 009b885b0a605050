#include "net/cookies.h"

namespace quillmar {
std::string MergeCookies(std::string_view, std::string_view) { return {}; }
std::string CookiesFromHeaders(std::string_view) { return {}; }
}  // namespace quillmar
