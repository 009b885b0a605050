#pragma once
// How a string is wrapped, aligned and trimmed in its layout rectangle, and which
// character ranges are measured.

#include <utility>
#include <vector>

namespace quillmar::draw {

enum class StringAlignment { Near = 0, Center = 1, Far = 2 };
enum class StringTrimming {
  None = 0,
  Character = 1,
  Word = 2,
  EllipsisCharacter = 3,
  EllipsisWord = 4,
  EllipsisPath = 5
};

// A range of UTF-16 units.
struct CharacterRange {
  int first = 0;
  int length = 0;
  friend bool operator==(const CharacterRange&, const CharacterRange&) = default;
};

class StringFormat {
 public:
  static constexpr int kDirectionRightToLeft = 0x1;
  static constexpr int kMeasureTrailingSpaces = 0x800;
  static constexpr int kNoWrap = 0x1000;
  static constexpr int kLineLimit = 0x2000;
  static constexpr int kNoClip = 0x4000;

  explicit StringFormat(int flags = 0, int language = 0) : flags_(flags), language_(language) {}

  int Flags() const { return flags_; }
  void SetFlags(int flags) { flags_ = flags; }
  int Language() const { return language_; }
  StringAlignment Align() const { return align_; }
  void SetAlign(StringAlignment align) { align_ = align; }
  StringAlignment LineAlign() const { return lineAlign_; }
  void SetLineAlign(StringAlignment align) { lineAlign_ = align; }
  StringTrimming Trimming() const { return trimming_; }
  void SetTrimming(StringTrimming trimming) { trimming_ = trimming; }
  const std::vector<CharacterRange>& MeasurableCharacterRanges() const { return ranges_; }
  void SetMeasurableCharacterRanges(std::vector<CharacterRange> ranges) { ranges_ = std::move(ranges); }

 private:
  int flags_;
  int language_;
  StringAlignment align_ = StringAlignment::Near;
  StringAlignment lineAlign_ = StringAlignment::Near;
  StringTrimming trimming_ = StringTrimming::Character;
  std::vector<CharacterRange> ranges_;
};

}  // namespace quillmar::draw
