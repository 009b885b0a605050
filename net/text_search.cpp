#include "net/text_search.h"

namespace quillmar {
std::size_t FindText(std::string_view text, std::string_view needle, std::size_t from, bool) {
  return text.find(needle, from);
}
std::string TextBetween(std::string_view, std::string_view, std::string_view, std::size_t, bool) {
  return {};
}
std::size_t CharLengthAt(std::string_view, std::size_t) { return 1; }
}  // namespace quillmar
