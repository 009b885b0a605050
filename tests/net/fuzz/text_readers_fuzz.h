#pragma once
// One fuzz step over every hand-written reader of outside text in the network layer: percent
// escapes, code-page conversion, marker search, URL splitting, request header lines, raw
// response headers and cookies. Checks the invariants that must hold for any input and
// aborts when one breaks, so a fuzzer or a plain loop finds the fault.
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/cookies.h"
#include "net/http_headers.h"
#include "base/text_encoding.h"
#include "net/text_search.h"
#include "net/url_text.h"

namespace quillmar::fuzz {

inline void Require(bool ok) {
  if (!ok) std::abort();
}

inline void FuzzTextReaders(std::string_view input) {
  const bool flag = !input.empty() && (input[0] & 1);
  const std::size_t cut = input.empty() ? 0 : static_cast<unsigned char>(input[0]) % input.size();
  const std::string_view left = input.substr(0, cut);
  const std::string_view right = input.substr(cut);

  // Escapes: decoding what was encoded gives the bytes back, malformed escapes keep bytes.
  Require(UrlDecode(UrlEncode(input, flag, false), false) == input);
  Require(UrlDecode(input, false).size() <= input.size());
  UrlDecode(input, true);

  // Conversions are total; UTF-8 out of program text reads back the same way.
  const std::string utf8 = GbkToUtf8(input);
  Require(GbkToUtf8(Utf8ToGbk(utf8)) == utf8);
  std::u16string wide(reinterpret_cast<const char16_t*>(input.data()), input.size() / 2);
  WideToGbk(wide);
  WideToMultiByte(wide, 1252, true);
  GbkToWideBytes(input, flag);

  // Finds land on character starts; cut text lies inside the input.
  const std::size_t at = FindText(right, left, 0, flag);
  Require(at == std::string_view::npos || at + left.size() <= right.size());
  Require(TextBetween(input, left.substr(0, 3), right.substr(0, 2), cut, flag).size() <= input.size());
  AsciiLower(input);

  // Addresses.
  UrlHost(input, flag);
  UrlPort(input);
  Require(!UrlPath(input).empty());

  // Request lines never carry a line break.
  for (const std::string& line : RequestHeaderLines(ComposeRequestHeaders(left, right, left))) {
    Require(line.find_first_of("\r\n") == std::string::npos);
  }
  Require(UserAgentFromHeaders(input).find_first_of("\r\n") == std::string::npos);

  // Raw response headers: CRLF line ends only.
  RawHeaderText raw;
  std::size_t pos = 0;
  while (pos < input.size()) {
    std::size_t end = input.find('\n', pos);
    end = end == std::string_view::npos ? input.size() : end + 1;
    raw.AddLine(input.substr(pos, end - pos));
    pos = end;
  }
  const std::string& text = raw.Text();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') Require(i > 0 && text[i - 1] == '\r');
  }

  // Cookies: a merged list merges with nothing into itself.
  const std::string merged = MergeCookies(left, CookiesFromHeaders(right));
  Require(MergeCookies(merged, "") == merged);
  Require(merged.find("=deleted;") == std::string::npos);
}

}  // namespace quillmar::fuzz
