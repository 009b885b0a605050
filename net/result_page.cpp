#include "net/result_page.h"

#include <optional>

#include "base/text_encoding.h"
#include "net/html_entities.h"
#include "net/regex_object.h"
#include "net/url_resolve.h"
#include "net/url_text.h"

namespace quillmar {

namespace {

std::string_view UpToZero(std::string_view body) { return body.substr(0, body.find('\0')); }

// The text between the magnet markers; byte-wise, which in UTF-8 cannot land inside a
// character because the markers are ASCII.
std::optional<std::string_view> BetweenMarkers(std::string_view page) {
  const size_t start = page.find(kMagnetStartMarker);
  if (start == std::string_view::npos) return std::nullopt;
  const size_t from = start + kMagnetStartMarker.size();
  const size_t end = page.find(kMagnetEndMarker, from);
  if (end == std::string_view::npos) return std::nullopt;
  return page.substr(from, end - from);
}

std::string FromWide(std::u16string_view wide, TextForm form) {
  return form == TextForm::Utf8 ? WideToMultiByte(wide, kCodePageUtf8, true) : WideToGbk(wide);
}

}  // namespace

std::string BuildListUrl(std::string_view site, std::string_view keyword, int page, TextForm keywordForm) {
  std::string url(site);
  url += UrlEncode(keyword, false, keywordForm == TextForm::Program);
  url += '/';
  url += std::to_string(page);
  url += '/';
  return url;
}

std::u16string DecodePageBody(std::string_view body) {
  // Going from UTF-8 straight to UTF-16 gives what decoding to program text and
  // then widening would: program text encodes every character.
  const std::string_view page = UpToZero(body);
  if (page.find('%') == std::string_view::npos) return MultiByteToWide(page, kCodePageUtf8, true);
  return MultiByteToWide(UrlDecode(page, false), kCodePageUtf8, true);
}

std::vector<ListHit> ScrapeListPage(std::string_view body, std::string_view baseUrl, bool* cutShort, TextForm form,
                                    const std::atomic<bool>* cancel, size_t* skippedStarts) {
  static const std::u16string pattern = MultiByteToWide(kResultPattern, kCodePageUtf8, true);
  RegexObject matcher;
  matcher.SetCancelFlag(cancel);
  matcher.ExecuteWide(pattern, DecodePageBody(body));
  if (cutShort) *cutShort = matcher.MatchLimitHit();
  if (skippedStarts) *skippedStarts = matcher.SkippedStarts();
  std::vector<ListHit> hits;
  const int count = matcher.MatchCount();
  hits.reserve(static_cast<size_t>(count));
  for (int i = 1; i <= count; ++i) {
    ListHit hit;
    const std::u16string address = DecodeHtmlEntities(matcher.SubMatchViewWide(i, 1));
    hit.address = ResolveUrl(baseUrl, WideToMultiByte(address, kCodePageUtf8, true));
    hit.title = FromWide(DecodeHtmlEntities(matcher.SubMatchViewWide(i, 2)), form);
    hits.push_back(std::move(hit));
  }
  return hits;
}

std::string CutMagnet(std::string_view body, TextForm form) {
  const std::string_view page = UpToZero(body);
  std::optional<std::string_view> magnet = BetweenMarkers(page);
  std::string decodedPage;
  if (!magnet) {
    decodedPage = UrlDecode(page, false);
    magnet = BetweenMarkers(decodedPage);
    if (!magnet) return {};
  }
  std::string utf8 = magnet->find('&') == std::string_view::npos ? std::string(*magnet) : DecodeHtmlEntities(*magnet);
  return form == TextForm::Utf8 ? utf8 : Utf8ToGbk(utf8);
}

}  // namespace quillmar
