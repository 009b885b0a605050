// Boundaries from Uniscribe, the desktop's own text engine: ScriptBreak gives the caret
// stops (clusters) and where words may begin. Two rules are added here:
// - emoji sequences, which ScriptBreak splits, are one cluster: no stop before a joiner
//   (U+200D), a variation selector, a skin-tone modifier or a tag character, none after a
//   joiner that a pictograph follows, and regional indicators go in pairs (one flag);
// - it has no word ends: a word is a run of letters, digits or ideographs; it starts where
//   ScriptBreak says a word may start or where such a run begins, and ends where the next
//   starts or the run stops.
#include <windows.h>
// Uniscribe needs the Windows types first.
#include <usp10.h>

#include <string>

#include "platform/draw/text_boundaries.h"

namespace quillmar::draw {

namespace {

bool High(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool Low(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Letters, digits and ideographs (and characters beyond the basic plane) make words.
std::vector<bool> WordUnits(const std::wstring& text) {
  const size_t n = text.size();
  std::vector<WORD> kind1(n), kind3(n);
  GetStringTypeW(CT_CTYPE1, text.data(), static_cast<int>(n), kind1.data());
  GetStringTypeW(CT_CTYPE3, text.data(), static_cast<int>(n), kind3.data());
  std::vector<bool> word(n);
  for (size_t i = 0; i < n; ++i) {
    word[i] = (kind1[i] & (C1_ALPHA | C1_DIGIT)) != 0 ||
              (kind3[i] & (C3_IDEOGRAPH | C3_KATAKANA | C3_HIRAGANA | C3_ALPHA)) != 0 ||
              High(static_cast<char16_t>(text[i])) || Low(static_cast<char16_t>(text[i]));
  }
  return word;
}

std::vector<SCRIPT_LOGATTR> Analyse(const std::wstring& text) {
  const int n = static_cast<int>(text.size());
  std::vector<SCRIPT_LOGATTR> attrs(static_cast<size_t>(n));
  std::vector<SCRIPT_ITEM> items(static_cast<size_t>(n) + 2);
  int count = 0;
  while (ScriptItemize(text.data(), n, static_cast<int>(items.size()) - 1, nullptr, nullptr, items.data(), &count) ==
         E_OUTOFMEMORY) {
    items.resize(items.size() * 2);
  }
  for (int i = 0; i < count; ++i) {
    const int start = items[static_cast<size_t>(i)].iCharPos;
    const int end = items[static_cast<size_t>(i) + 1].iCharPos;
    if (end > start) ScriptBreak(text.data() + start, end - start, &items[static_cast<size_t>(i)].a, &attrs[start]);
  }
  return attrs;
}

struct CodePoint {
  size_t at;  // index of its first unit
  char32_t c;
};

std::vector<CodePoint> CodePoints(std::u16string_view text) {
  std::vector<CodePoint> out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (High(text[i]) && i + 1 < text.size() && Low(text[i + 1])) {
      out.push_back({i, 0x10000 + ((char32_t{text[i]} - 0xD800) << 10) + (text[i + 1] - 0xDC00)});
      ++i;
    } else {
      out.push_back({i, text[i]});
    }
  }
  return out;
}

bool Pictograph(char32_t c) { return (c >= 0x1F000 && c <= 0x1FAFF) || (c >= 0x2600 && c <= 0x27BF); }
bool Extends(char32_t c) {
  return c == 0x200D || (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0x1F3FB && c <= 0x1F3FF) ||
         (c >= 0xE0020 && c <= 0xE007F);
}
bool RegionalIndicator(char32_t c) { return c >= 0x1F1E6 && c <= 0x1F1FF; }

// Takes the stops out of emoji sequences (see the top of the file).
void JoinEmojiSequences(std::u16string_view text, std::vector<uint8_t>& flags) {
  const std::vector<CodePoint> points = CodePoints(text);
  int indicators = 0;  // regional indicators in a row so far
  for (size_t k = 1; k < points.size(); ++k) {
    const char32_t before = points[k - 1].c, c = points[k].c;
    indicators = RegionalIndicator(before) ? indicators + 1 : 0;
    const bool joined =
        Extends(c) || (before == 0x200D && Pictograph(c)) || (RegionalIndicator(c) && indicators % 2 == 1);
    if (joined) flags[points[k].at] &= static_cast<uint8_t>(~Boundary::Cluster);
  }
}

}  // namespace

std::vector<uint8_t> TextBoundaries(std::u16string_view text) {
  const size_t n = text.size();
  std::vector<uint8_t> flags(n + 1, 0);
  flags[0] = flags[n] = Boundary::Cluster;
  if (n == 0) return flags;
  std::wstring wide(text.begin(), text.end());
  for (auto& c : wide) {
    if (c == 0) c = 0xFFFD;  // the engine stops at a NUL
  }
  const std::vector<SCRIPT_LOGATTR> attrs = Analyse(wide);
  const std::vector<bool> word = WordUnits(wide);
  for (size_t k = 0; k < n; ++k) {
    const char16_t u = text[k];
    const bool pairLow = Low(u) && k > 0 && High(text[k - 1]);
    if (pairLow) continue;  // between the halves of a pair: no boundary at all
    const bool loneHalf = (High(u) && !(k + 1 < n && Low(text[k + 1]))) || Low(u);
    uint8_t f = 0;
    if (attrs[k].fCharStop || loneHalf || k == 0) f |= Boundary::Cluster;
    const bool newWord = word[k] && (k == 0 || !word[k - 1] || attrs[k].fWordStop);
    if (newWord) f |= Boundary::WordStart;
    if (k > 0 && word[k - 1] && (!word[k] || newWord)) f |= Boundary::WordEnd;
    flags[k] |= f;
  }
  if (word[n - 1]) flags[n] |= Boundary::WordEnd;
  JoinEmojiSequences(text, flags);
  // A lone half is a cluster of its own: the position after it is a stop too.
  for (size_t k = 0; k + 1 < n; ++k) {
    const bool loneHalf = (High(text[k]) && !Low(text[k + 1])) || (Low(text[k]) && !(k > 0 && High(text[k - 1])));
    if (loneHalf) flags[k + 1] |= Boundary::Cluster;
  }
  return flags;
}

}  // namespace quillmar::draw
