#pragma once
// EditBreaks: where the caret may stand and where words begin and end in an
// edit's text. Runs of plain units (Latin, CJK ideographs, kana, CR and LF)
// are decided here at once; anything that may combine (accents, emoji
// sequences, flags, Hangul jamo, surrogates) asks the desktop's text engine
// about the run around it only, so a long text costs nothing extra.

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace quillmar {

class EditBreaks {
 public:
  // Whether a caret may stand at pos (0 and the length always may).
  static bool IsClusterBoundary(std::u16string_view text, int32_t pos);
  // The nearest caret positions after and before pos (the length and 0 at the ends).
  static int32_t NextCluster(std::u16string_view text, int32_t pos);
  static int32_t PrevCluster(std::u16string_view text, int32_t pos);
  // Ctrl+Right goes to the end of the next word, Ctrl+Left to the start of the previous one.
  static int32_t NextWordEnd(std::u16string_view text, int32_t pos);
  static int32_t PrevWordStart(std::u16string_view text, int32_t pos);
  // The word at pos (a word that holds pos, else one that ends or starts there);
  // between words, the run of other characters; never empty in a non-empty text.
  static std::pair<int32_t, int32_t> WordAt(std::u16string_view text, int32_t pos);

  // Walks the clusters of one text in order, asking the engine once per run
  // that needs it.
  class Cursor {
   public:
    explicit Cursor(std::u16string_view text) : text_(text) {}
    // The end of the cluster that begins at pos (pos below the length).
    int32_t EndOf(int32_t pos);

   private:
    std::u16string_view text_;
    int32_t winStart_ = 0;
    int32_t winEnd_ = 0;  // flags_ covers [winStart_, winEnd_]
    std::vector<uint8_t> flags_;
  };

  // A unit that neither joins the unit before it nor lets the next one join it.
  static constexpr bool Simple(char16_t u) {
    if (u == u'\r' || u == u'\n') return true;
    if (u >= 0x20 && u < 0x300) return u != 0xA9 && u != 0xAE;  // (c) and (R) may end an emoji sequence
    return (u >= 0x3000 && u <= 0x3029) || (u >= 0x3041 && u <= 0x3096) || (u >= 0x30A1 && u <= 0x30FA) ||
           (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xFF01 && u <= 0xFF60);
  }
  // Whether the boundary between the units at pos - 1 and pos is settled
  // without the engine (pos itself may or may not be a boundary: see CR LF).
  static bool Plain(std::u16string_view text, int32_t pos) {
    if (pos <= 0 || pos >= static_cast<int32_t>(text.size())) return true;
    return Simple(text[static_cast<size_t>(pos - 1)]) && Simple(text[static_cast<size_t>(pos)]);
  }
};

}  // namespace quillmar
