#include "net/http_headers.h"

#include "net/text_search.h"

namespace quillmar {
namespace {

bool Contains(std::string_view text, std::string_view what) { return FindText(text, what) != std::string_view::npos; }

std::string_view WithoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

}  // namespace

HttpMethod HttpMethodFromCode(int code) {
  switch (code) {
    case 1:
      return HttpMethod::Post;
    case 2:
      return HttpMethod::Head;
    default:
      return HttpMethod::Get;
  }
}

std::string_view HttpMethodName(HttpMethod method) {
  switch (method) {
    case HttpMethod::Post:
      return "POST";
    case HttpMethod::Head:
      return "HEAD";
    case HttpMethod::Get:
      break;
  }
  return "GET";
}

std::string ComposeRequestHeaders(std::string_view headers, std::string_view url, std::string_view cookies) {
  std::string block(headers);
  if (block.empty()) {
    block = "Accept: */*";
  } else if (!Contains(block, "Accept:")) {
    block += "\r\nAccept: */*";
  }
  if (!Contains(block, "Referer:")) {
    block += "\r\nReferer: ";
    block += url;
  }
  if (!Contains(block, "Accept-Language:")) block += "\r\nAccept-Language: zh-cn";
  if (!Contains(block, "Content-Type:")) {
    block += "\r\nContent-Type: application/x-www-form-urlencoded";
  }
  if (!cookies.empty()) {
    block += "\r\nCookie: ";
    block += cookies;
  }
  return block;
}

std::string UserAgentFromHeaders(std::string_view headers) {
  static constexpr std::string_view kName = "User-Agent:";
  std::size_t at = FindText(headers, kName, 0, true);
  if (at == std::string_view::npos) return std::string(kDefaultUserAgent);
  // The value ends with its own line, so a user agent never carries a line break into the
  // request, whatever the spelling of the name or the position of the line.
  std::string_view value = headers.substr(at + kName.size());
  value = value.substr(0, value.find_first_of("\r\n"));
  return std::string(TrimSpaces(value));
}

std::vector<std::string> RequestHeaderLines(std::string_view block) {
  std::vector<std::string> lines;
  for (std::string_view line : SplitLines(block)) {
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || TrimSpaces(line.substr(0, colon)).empty()) continue;
    lines.emplace_back(line);
  }
  return lines;
}

void RawHeaderText::AddLine(std::string_view line) {
  line = WithoutLineEnd(line);
  if (line.substr(0, 5) == "HTTP/") text_.clear();  // a new response (redirect, 100 Continue)
  std::size_t colon = line.find(':');
  if (colon != std::string_view::npos && AsciiLower(line.substr(0, colon)) == "set-cookie") {
    text_ += "Set-Cookie";
    line.remove_prefix(colon);
  }
  text_ += line;
  text_ += "\r\n";
}

}  // namespace quillmar
