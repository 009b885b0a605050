#include "ui/edit/edit_breaks.h"

#include <algorithm>

#include "platform/draw/text_boundaries.h"

namespace quillmar {
namespace {

// How far a run that needs the engine is followed either way; a longer run is
// cut there (a cluster is never that long in real text).
constexpr int32_t kRunCap = 256;
// How far around the caret words are looked for.
constexpr int32_t kWordReach = 4096;

int32_t Size(std::u16string_view text) { return static_cast<int32_t>(text.size()); }

// Flags of text[from, to] from the engine; index k is position from + k.
std::vector<uint8_t> Analyse(std::u16string_view text, int32_t from, int32_t to) {
  return draw::TextBoundaries(text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
}

// The settled positions around pos that bound the run the engine must see.
std::pair<int32_t, int32_t> RunAround(std::u16string_view text, int32_t pos, int32_t cap) {
  const int32_t n = Size(text);
  int32_t s = std::max(pos - 1, 0);
  while (s > 0 && !EditBreaks::Plain(text, s) && pos - s < cap) --s;
  int32_t e = std::min(pos + 1, n);
  while (e < n && !EditBreaks::Plain(text, e) && e - pos < cap) ++e;
  return {s, e};
}

}  // namespace

bool EditBreaks::IsClusterBoundary(std::u16string_view text, int32_t pos) {
  const int32_t n = Size(text);
  if (pos <= 0 || pos >= n) return true;
  if (Plain(text, pos))
    return !(text[static_cast<size_t>(pos - 1)] == u'\r' && text[static_cast<size_t>(pos)] == u'\n');
  const auto [s, e] = RunAround(text, pos, kRunCap);
  return (Analyse(text, s, e)[static_cast<size_t>(pos - s)] & draw::Boundary::Cluster) != 0;
}

int32_t EditBreaks::NextCluster(std::u16string_view text, int32_t pos) {
  const int32_t n = Size(text);
  if (pos >= n) return n;
  pos = std::max(pos, 0);
  Cursor c(text);
  // From a position inside a cluster, its start is found first.
  int32_t start = pos;
  while (start > 0 && !IsClusterBoundary(text, start)) --start;
  int32_t end = c.EndOf(start);
  while (end <= pos) end = c.EndOf(end);
  return end;
}

int32_t EditBreaks::PrevCluster(std::u16string_view text, int32_t pos) {
  pos = std::min(pos, Size(text));
  if (pos <= 0) return 0;
  int32_t p = pos - 1;
  while (p > 0 && !IsClusterBoundary(text, p)) --p;
  return p;
}

int32_t EditBreaks::Cursor::EndOf(int32_t pos) {
  const int32_t n = Size(text_);
  if (pos >= n) return n;
  if (Plain(text_, pos + 1)) {
    const bool crlf =
        text_[static_cast<size_t>(pos)] == u'\r' && pos + 1 < n && text_[static_cast<size_t>(pos + 1)] == u'\n';
    if (!crlf) return pos + 1;
    if (Plain(text_, pos + 2)) return pos + 2;
  }
  if (pos < winStart_ || pos >= winEnd_) {
    winStart_ = pos;
    winEnd_ = pos + 1;
    while (winEnd_ < n && !Plain(text_, winEnd_) && winEnd_ - pos < kRunCap) ++winEnd_;
    if (winEnd_ < n && text_[static_cast<size_t>(winEnd_ - 1)] == u'\r' &&
        text_[static_cast<size_t>(winEnd_)] == u'\n') {
      ++winEnd_;
    }
    flags_ = Analyse(text_, winStart_, winEnd_);
  }
  for (int32_t k = pos + 1; k < winEnd_; ++k) {
    if ((flags_[static_cast<size_t>(k - winStart_)] & draw::Boundary::Cluster) != 0) return k;
  }
  return winEnd_;
}

int32_t EditBreaks::NextWordEnd(std::u16string_view text, int32_t pos) {
  const int32_t n = Size(text);
  if (pos >= n) return n;
  const int32_t s = std::max(pos - 1, 0);
  const int32_t e = std::min(pos + kWordReach, n);
  const std::vector<uint8_t> f = Analyse(text, s, e);
  for (int32_t k = pos + 1; k <= e; ++k) {
    if ((f[static_cast<size_t>(k - s)] & draw::Boundary::WordEnd) != 0) return k;
  }
  return e;
}

int32_t EditBreaks::PrevWordStart(std::u16string_view text, int32_t pos) {
  const int32_t n = Size(text);
  pos = std::min(pos, n);
  if (pos <= 0) return 0;
  const int32_t s = std::max(pos - kWordReach, 0);
  const int32_t e = std::min(pos + 1, n);
  const std::vector<uint8_t> f = Analyse(text, s, e);
  for (int32_t k = pos - 1; k >= s; --k) {
    if ((f[static_cast<size_t>(k - s)] & draw::Boundary::WordStart) != 0) return k;
  }
  return s;
}

std::pair<int32_t, int32_t> EditBreaks::WordAt(std::u16string_view text, int32_t pos) {
  const int32_t n = Size(text);
  if (n == 0) return {0, 0};
  pos = std::clamp(pos, 0, n);
  const int32_t s = std::max(pos - kWordReach, 0);
  const int32_t e = std::min(pos + kWordReach, n);
  const std::vector<uint8_t> f = Analyse(text, s, e);
  const auto at = [&](int32_t k, uint8_t bit) { return (f[static_cast<size_t>(k - s)] & bit) != 0; };
  // The word whose start is the last one at or before pos, when it reaches pos.
  int32_t start = -1;
  for (int32_t k = pos; k >= s; --k) {
    if (at(k, draw::Boundary::WordEnd) && k < pos) break;  // a word ended before pos
    if (at(k, draw::Boundary::WordStart)) {
      start = k;
      break;
    }
  }
  if (start >= 0) {
    int32_t end = start + 1;
    while (end < e && !at(end, draw::Boundary::WordEnd)) ++end;
    // pos at the end of one word and the start of the next belongs to the one it ends.
    if (start == pos && pos > s && at(pos, draw::Boundary::WordEnd)) {
      int32_t prev = pos - 1;
      while (prev > s && !at(prev, draw::Boundary::WordStart)) --prev;
      return {prev, pos};
    }
    return {start, end};
  }
  if (at(pos, draw::Boundary::WordEnd) && pos > s) {
    int32_t prev = pos - 1;
    while (prev > s && !at(prev, draw::Boundary::WordStart)) --prev;
    return {prev, pos};
  }
  // Between words: the run of other characters around pos.
  int32_t a = pos;
  while (a > s && !at(a, draw::Boundary::WordEnd)) --a;
  int32_t b = pos;
  while (b < e && !at(b, draw::Boundary::WordStart)) ++b;
  if (a == b) b = NextCluster(text, a);
  return {a, b};
}

}  // namespace quillmar
