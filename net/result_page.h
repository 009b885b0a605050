#pragma once
// Reading a search site's pages: the list address, the hits of a result page and
// the magnet link of a detail page. Pure functions of their input.
#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillmar {

// Submatch 1 is the detail address, submatch 2 the title.
inline constexpr std::string_view kResultPattern = "<a href=\"(.*?)\">(.*?)</a></li><li>";
inline constexpr std::string_view kMagnetStartMarker = "\"magnet_copy\">";
inline constexpr std::string_view kMagnetEndMarker = "</textarea>";

// The text the readers take and hand back: program text (what the window shows) or UTF-8
// (what a terminal shows). Either way each text is converted once, straight from the page.
enum class TextForm { Program, Utf8 };

// One hit of a result page, in page order.
struct ListHit {
  std::string title;    // in the form asked for, character references decoded
  std::string address;  // absolute address of the detail page, ready to fetch
};

// site + the keyword's UTF-8 bytes each as "%XX" + "/" + page + "/".
std::string BuildListUrl(std::string_view site, std::string_view keyword, int page,
                         TextForm keywordForm = TextForm::Program);

// The page as the site sends it: bytes up to the first zero byte, percent-escapes
// decoded, read as UTF-8.
std::u16string DecodePageBody(std::string_view body);

// Runs the result pattern over a fetched list page. Relative addresses are taken against
// baseUrl, the address the page finally came from. cutShort is set when the scan stopped at
// its time budget; a set cancel flag ends the scan early as well. skippedStarts receives how
// many places that looked like a hit cost too much to read and were passed over.
std::vector<ListHit> ScrapeListPage(std::string_view body, std::string_view baseUrl, bool* cutShort = nullptr,
                                    TextForm form = TextForm::Program, const std::atomic<bool>* cancel = nullptr,
                                    size_t* skippedStarts = nullptr);

// The magnet link between the two markers of a fetched detail page, with character
// references decoded; empty when a marker is missing. It is cut from the page as served,
// so its own escapes stay as they are; only a page that shows the markers nowhere but in
// its percent-decoded form (a site that escapes the whole page) is read decoded.
std::string CutMagnet(std::string_view body, TextForm form = TextForm::Program);

}  // namespace quillmar
