#include "net/url_text.h"

namespace quillmar {
std::string UrlEncode(std::string_view, bool, bool) { return {}; }
std::string UrlDecode(std::string_view, bool) { return {}; }
std::string UrlHost(std::string_view, bool) { return {}; }
int UrlPort(std::string_view) { return 80; }
std::string UrlPath(std::string_view) { return "/"; }
}  // namespace quillmar
