#include "net/result_page.h"

#include "net/html_entities.h"
#include "net/regex_object.h"
#include "base/text_encoding.h"
#include "net/text_search.h"
#include "net/url_resolve.h"
#include "net/url_text.h"

namespace quillmar {

namespace {

std::string_view UpToZero(std::string_view body) { return body.substr(0, body.find('\0')); }

// Texts from the matcher hold no lone surrogates, so this is plain re-encoding,
// done here because it runs twice per hit.
std::string WideToUtf8(std::u16string_view wide) {
  std::string out;
  out.reserve(wide.size() * 3);
  for (size_t i = 0; i < wide.size(); ++i) {
    char32_t c = wide[i];
    if ((c & 0xFC00) == 0xD800 && i + 1 < wide.size() && (wide[i + 1] & 0xFC00) == 0xDC00) {
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
    } else if ((c & 0xF800) == 0xD800) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace

std::string BuildListUrl(std::string_view site, std::string_view keyword, int page) {
  std::string url(site);
  url += UrlEncode(keyword, false, true);
  url += '/';
  url += std::to_string(page);
  url += '/';
  return url;
}

std::u16string DecodePageBody(std::string_view body) {
  // Going from UTF-8 straight to UTF-16 gives what decoding to program text and
  // then widening would: program text encodes every character.
  return MultiByteToWide(UrlDecode(UpToZero(body), false), kCodePageUtf8, true);
}

std::vector<ListHit> ScrapeListPage(std::string_view body, std::string_view listUrl, bool* cutShort) {
  static const std::u16string pattern = MultiByteToWide(kResultPattern, kCodePageUtf8, true);
  RegexObject matcher;
  matcher.ExecuteWide(pattern, DecodePageBody(body));
  if (cutShort) *cutShort = matcher.MatchLimitHit();
  std::vector<ListHit> hits;
  const int count = matcher.MatchCount();
  hits.reserve(static_cast<size_t>(count));
  for (int i = 1; i <= count; ++i) {
    ListHit hit;
    std::string address = DecodeHtmlEntities(WideToUtf8(matcher.SubMatchTextWide(i, 1)));
    hit.address = ResolveUrl(listUrl, address);
    hit.title = Utf8ToGbk(DecodeHtmlEntities(WideToUtf8(matcher.SubMatchTextWide(i, 2))));
    hits.push_back(std::move(hit));
  }
  return hits;
}

std::string CutMagnet(std::string_view body) {
  std::string page = UrlDecode(UpToZero(body), true);
  std::string magnet = TextBetween(page, kMagnetStartMarker, kMagnetEndMarker);
  if (magnet.find('&') == std::string::npos) return magnet;
  return Utf8ToGbk(DecodeHtmlEntities(GbkToUtf8(magnet)));
}

}  // namespace quillmar
