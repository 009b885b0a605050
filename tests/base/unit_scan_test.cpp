#include "base/unit_scan.h"

#include <gtest/gtest.h>

#include <string>

namespace quillmar {
namespace {

// Every length up to 19 units and every start, with the unit of interest (and units
// that differ from it only in bits other lanes would borrow or carry) at each place:
// the word-at-a-time scans must give what a plain loop gives.
TEST(UnitScan, AgreesWithAPlainLoopAtEveryAlignment) {
  const char16_t fills[] = {u'a', u'%', u'\u0080', u'\u00FF', u'\u7F00', u'\uFFFF', u'\u0000', u'\u0025'};
  const char16_t probes[] = {u'&',      u'\u0026', u'\u0080', u'\u4E2D',        u'\u007F',
                             u'\uFFFF', u'\u0000', u'\uD7FF', char16_t{0xD800}, char16_t{0xDFFF}};
  for (char16_t fill : fills) {
    for (char16_t probe : probes) {
      for (size_t size = 0; size < 20; ++size) {
        for (size_t at = 0; at <= size; ++at) {
          std::u16string text(size, fill);
          if (at < size) text[at] = probe;
          if (at + 3 < size) text[at + 3] = probe;
          const std::u16string_view view(text);
          size_t nonAscii = 0;
          for (char16_t c : text) nonAscii += c >= 0x80 ? 1 : 0;
          ASSERT_EQ(CountNonAscii(view), nonAscii) << size << " " << at;
          for (size_t from = 0; from <= size; ++from) {
            size_t asciiEnd = from;
            while (asciiEnd < size && text[asciiEnd] < 0x80) ++asciiEnd;
            ASSERT_EQ(AsciiRunEnd(view, from), asciiEnd) << size << " " << at << " " << from;
            ASSERT_EQ(FindUnit(view, u'&', from), view.find(u'&', from)) << size << " " << at << " " << from;
            ASSERT_EQ(FindUnit(view, u'\0', from), view.find(u'\0', from)) << size << " " << at << " " << from;
            size_t surrogate = from;
            while (surrogate < size && (text[surrogate] < 0xD800 || text[surrogate] > 0xDFFF)) ++surrogate;
            ASSERT_EQ(FindSurrogate(view, from), surrogate) << size << " " << at << " " << from;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace quillmar
