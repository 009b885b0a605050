#include "net/http_headers.h"

namespace quillmar {
std::string_view HttpMethodName(int) { return "GET"; }
std::string ComposeRequestHeaders(std::string_view, std::string_view, std::string_view) { return {}; }
std::string UserAgentFromHeaders(std::string_view) { return std::string(kDefaultUserAgent); }
std::vector<std::string> RequestHeaderLines(std::string_view) { return {}; }
void RawHeaderText::AddLine(std::string_view line) { text_ += line; }
}  // namespace quillmar
