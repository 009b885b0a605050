#pragma once
// The request header block and the raw response header text of HttpRequest, kept apart from
// the transport so that their rules can be checked without a server.
#include <string>
#include <string_view>
#include <vector>

namespace quillmar {

inline constexpr std::string_view kDefaultUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

enum class HttpMethod { Get, Post, Head };

// The method of a request's number: 0 GET, 1 POST, 2 HEAD; anything else is GET.
HttpMethod HttpMethodFromCode(int code);
// "GET", "POST" or "HEAD".
std::string_view HttpMethodName(HttpMethod method);

// The caller's header lines completed with Accept, Referer, Accept-Language, Content-Type
// and, when cookies is not empty, Cookie, in that order, each only when missing.
std::string ComposeRequestHeaders(std::string_view headers, std::string_view url, std::string_view cookies);

// The user agent a header block asks for, or the default one when it names none.
std::string UserAgentFromHeaders(std::string_view headers);

// The header block split into lines that are safe to send: split at CR and LF alike, lines
// without a ":" and empty lines left out.
std::vector<std::string> RequestHeaderLines(std::string_view block);

// Collects raw response header lines as they arrive, keeping only the block of the last
// response (a new status line starts a new block), each line ended by "\r\n" whatever the
// server used, and the Set-Cookie header name in that one spelling.
class RawHeaderText {
 public:
  void AddLine(std::string_view line);
  const std::string& Text() const { return text_; }
  std::size_t Size() const { return text_.size(); }

 private:
  std::string text_;
};

}  // namespace quillmar
