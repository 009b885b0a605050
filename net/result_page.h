#pragma once
// Reading a search site's pages: the list address, the hits of a result page and
// the magnet link of a detail page. Pure functions of their input.
#include <string>
#include <string_view>
#include <vector>

namespace quillmar {

// Submatch 1 is the detail address, submatch 2 the title.
inline constexpr std::string_view kResultPattern = "<a href=\"(.*?)\">(.*?)</a></li><li>";
inline constexpr std::string_view kMagnetStartMarker = "\"magnet_copy\">";
inline constexpr std::string_view kMagnetEndMarker = "</textarea>";

// One hit of a result page, in page order.
struct ListHit {
  std::string title;    // program text, character references decoded
  std::string address;  // absolute address of the detail page, ready to fetch
};

// site + the keyword's UTF-8 bytes each as "%XX" + "/" + page + "/".
std::string BuildListUrl(std::string_view site, std::string_view keyword, int page);

// The page as the site sends it: bytes up to the first zero byte, percent-escapes
// decoded, read as UTF-8.
std::u16string DecodePageBody(std::string_view body);

// Runs the result pattern over a fetched list page. Relative addresses are taken
// against listUrl. cutShort is set when the scan stopped at the match limit.
std::vector<ListHit> ScrapeListPage(std::string_view body, std::string_view listUrl, bool* cutShort = nullptr);

// The magnet link between the two markers of a fetched detail page, in program
// text with character references decoded; empty when a marker is missing.
std::string CutMagnet(std::string_view body);

}  // namespace quillmar
