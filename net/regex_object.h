#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quillmar {

// A pattern run over one subject, with the matches kept for later queries.
// Texts go in and come out as program text (GB18030); the *Wide forms take and
// give UTF-16, and every position of the engine counts UTF-16 units. Indexes are
// 1-based. Copies share the immutable result of the last Execute.
class RegexObject {
 public:
  // Backtracking steps the engine may spend on one start position; a start that needs more
  // is given up and the scan goes on after it (its own limit restarts at every position it
  // tries, so this alone does not bound a scan).
  static constexpr uint32_t kDefaultMatchLimit = 2'000'000;
  // Processor time one whole Execute may spend scanning; looked at before every start
  // position the engine tries. With the limit above it keeps a hostile page from holding a search:
  // the scan stops with the matches found so far.
  static constexpr std::chrono::milliseconds kDefaultScanBudget{2000};

  RegexObject() = default;

  // Defaults: case ignored, "^"/"$" at line breaks, all matches. With
  // quotePlaceholders every "#引号" in the pattern stands for a double quote.
  // True when the pattern compiled (also with no match).
  bool Execute(std::string_view pattern, std::string_view subject, bool caseSensitive = false, bool multiline = true,
               bool global = true, bool quotePlaceholders = false);
  // The subject is kept for the queries; pass a temporary to spare a copy of a large page.
  bool ExecuteWide(std::u16string_view pattern, std::u16string subject, bool caseSensitive = false,
                   bool multiline = true, bool global = true, bool quotePlaceholders = false);

  std::string GetPattern() const;
  // Every stored match replaced by replacement ($1..$99, $&, $`, $', $$).
  std::string Replace(std::string_view replacement) const;
  std::u16string ReplaceWide(std::u16string_view replacement) const;

  int MatchCount() const;
  // positionOut receives the 0-based byte offset of the text in the GB18030
  // subject, -1 when there is no such match or group.
  std::string MatchText(int index, int* positionOut = nullptr) const;
  std::string SubMatchText(int matchIndex, int groupIndex, int* positionOut = nullptr) const;
  int SubMatchCount() const;

  // positionOut here is in UTF-16 units.
  std::u16string MatchTextWide(int index, int* positionOut = nullptr) const;
  std::u16string SubMatchTextWide(int matchIndex, int groupIndex, int* positionOut = nullptr) const;
  // SubMatchTextWide without the copy; valid until the next Execute on this object or its end.
  std::u16string_view SubMatchViewWide(int matchIndex, int groupIndex) const;

  // True when the last Execute stopped early at the scan budget (or at the step limit of a
  // pattern whose start positions cannot be watched).
  bool MatchLimitHit() const;
  // Start positions of the last Execute given up at the step limit of one match.
  size_t SkippedStarts() const;
  // True when the last Execute stopped early because the cancel flag was set.
  bool ScanCancelled() const;
  void SetMatchLimit(uint32_t limit) { matchLimit = limit; }
  void SetScanBudget(std::chrono::milliseconds budget) { scanBudget = budget; }
  // Polled like the budget; true ends the scan with the matches found so far.
  void SetCancelFlag(const std::atomic<bool>* flag) { cancel = flag; }
  void SetJitEnabled(bool enabled) { jitEnabled = enabled; }

 private:
  struct Result;
  std::u16string_view SpanView(int matchIndex, int groupIndex, int* unitOffset) const;
  std::u16string SpanText(int matchIndex, int groupIndex, int* unitOffset) const {
    return std::u16string(SpanView(matchIndex, groupIndex, unitOffset));
  }
  int ByteOffset(int unitOffset) const;

  std::shared_ptr<const Result> result;
  uint32_t matchLimit = kDefaultMatchLimit;
  std::chrono::milliseconds scanBudget = kDefaultScanBudget;
  const std::atomic<bool>* cancel = nullptr;
  bool jitEnabled = true;
};

}  // namespace quillmar
