#include "net/url_text.h"

#include <algorithm>
#include <climits>

#include "base/text_encoding.h"
#include "net/text_search.h"

namespace quillmar {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsSafe(unsigned char b) {
  return b == '-' || b == '.' || (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && AsciiLower(text.substr(0, prefix.size())) == prefix;
}

// The address after its "http://" or "https://" (an address without either is read as http).
std::string_view AfterScheme(std::string_view url) {
  if (StartsWithNoCase(url, "https://")) return url.substr(8);
  if (StartsWithNoCase(url, "http://")) return url.substr(7);
  return url;
}

// Length of the host part ("host" or "host:port") at the start of what follows the scheme.
// It ends at the path, the query or the fragment, whichever comes first.
std::size_t AuthorityLength(std::string_view rest) {
  std::size_t end = rest.find_first_of("/?#");
  return end == std::string_view::npos ? rest.size() : end;
}

// Position of the ":" that starts the port in "host:port", npos when there is none.
// A bracketed IPv6 literal has colons of its own.
std::size_t PortColon(std::string_view hostPort) {
  std::size_t colon = hostPort.rfind(':');
  if (colon == std::string_view::npos) return colon;
  std::size_t bracket = hostPort.rfind(']');
  if (bracket != std::string_view::npos && bracket > colon) return std::string_view::npos;
  return colon;
}

}  // namespace

void AppendPercentEscape(std::string& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out.push_back('%');
  out.push_back(kHex[byte >> 4]);
  out.push_back(kHex[byte & 0xF]);
}

std::string UrlEncode(std::string_view text, bool keepSafe, bool utf8) {
  std::string out;
  if (text.empty()) return out;
  const std::string bytes = utf8 ? GbkToUtf8(text) : std::string(text);
  out.reserve(bytes.size() * 3);
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    if (keepSafe && IsSafe(b)) {
      out.push_back(c);
    } else {
      AppendPercentEscape(out, b);
    }
  }
  return out;
}

std::string UrlDecode(std::string_view text, bool fromUtf8) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t percent = text.find('%', i);
    if (percent == std::string_view::npos) break;
    out.append(text, i, percent - i);
    const int high = percent + 2 < text.size() ? HexValue(text[percent + 1]) : -1;
    const int low = high >= 0 ? HexValue(text[percent + 2]) : -1;
    if (low >= 0) {
      out.push_back(static_cast<char>(high * 16 + low));
      i = percent + 3;
    } else {
      // A "%" without two hex digits after it is kept, so no byte of the text is lost.
      out.push_back('%');
      i = percent + 1;
    }
  }
  out.append(text, std::min(i, text.size()), std::string_view::npos);
  return fromUtf8 ? Utf8ToGbk(out) : out;
}

std::string UrlHost(std::string_view url, bool keepPort) {
  std::string_view rest = AfterScheme(url);
  std::string host = AsciiLower(rest.substr(0, AuthorityLength(rest)));
  if (!keepPort) {
    std::size_t colon = PortColon(host);
    if (colon != std::string_view::npos) host.resize(colon);
  }
  return host;
}

int UrlPort(std::string_view url) {
  const std::string host = UrlHost(url, true);
  std::size_t colon = PortColon(host);
  if (colon == std::string_view::npos) return StartsWithNoCase(url, "https://") ? 443 : 80;
  long long value = 0;
  for (std::size_t i = colon + 1; i < host.size() && host[i] >= '0' && host[i] <= '9'; ++i) {
    value = value * 10 + (host[i] - '0');
    if (value > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(value);
}

std::string UrlPath(std::string_view url) {
  std::string_view rest = AfterScheme(url);
  std::string_view path = rest.substr(AuthorityLength(rest));
  if (path.empty()) return "/";
  // "http://h?q=1" asks for "/?q=1". Appended rather than "/" + path: GCC 12 misreads that
  // form as an overlapping copy.
  std::string out = path.front() == '/' ? std::string() : std::string(1, '/');
  out += path;
  return out;
}

}  // namespace quillmar
