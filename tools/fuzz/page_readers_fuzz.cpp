// Fuzz target for the hand-written readers of page text: character references,
// link resolution, the result list and the magnet cut. Built with libFuzzer when
// the compiler offers it (-DQUILLMAR_LIBFUZZER=ON with clang); otherwise it is a
// plain program that runs every file named on its command line once.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/html_entities.h"
#include "net/result_page.h"
#include "net/url_resolve.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  quillmar::DecodeHtmlEntities(input);
  size_t cut = input.find('\n');
  std::string_view base = input.substr(0, cut);
  std::string_view link = cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);
  quillmar::ResolveUrl(base, link);
  quillmar::ScrapeListPage(input, base);
  quillmar::ScrapeListPage(input, base, nullptr, quillmar::TextForm::Utf8);
  quillmar::CutMagnet(input);
  quillmar::CutMagnet(input, quillmar::TextForm::Utf8);
  return 0;
}
