#include "net/regex_object.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <optional>
#include <vector>

#include "base/text_encoding.h"
#include "base/unit_scan.h"

namespace quillmar {

namespace {

struct CodeFree {
  void operator()(pcre2_code* p) const { pcre2_code_free(p); }
};
struct CompileContextFree {
  void operator()(pcre2_compile_context* p) const { pcre2_compile_context_free(p); }
};
struct MatchContextFree {
  void operator()(pcre2_match_context* p) const { pcre2_match_context_free(p); }
};
struct MatchDataFree {
  void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
};
struct JitStackFree {
  void operator()(pcre2_jit_stack* p) const { pcre2_jit_stack_free(p); }
};

using CodePtr = std::unique_ptr<pcre2_code, CodeFree>;
using CompileContextPtr = std::unique_ptr<pcre2_compile_context, CompileContextFree>;
using MatchContextPtr = std::unique_ptr<pcre2_match_context, MatchContextFree>;
using MatchDataPtr = std::unique_ptr<pcre2_match_data, MatchDataFree>;
using JitStackPtr = std::unique_ptr<pcre2_jit_stack, JitStackFree>;

constexpr std::u16string_view kQuotePlaceholder = u"#引号";

PCRE2_SPTR16 Units(std::u16string_view s) { return reinterpret_cast<PCRE2_SPTR16>(s.data()); }

bool IsResourceLimit(int rc) {
  return rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT || rc == PCRE2_ERROR_HEAPLIMIT ||
         rc == PCRE2_ERROR_JIT_STACKLIMIT || rc == PCRE2_ERROR_NOMEMORY;
}

// A lone surrogate would wall off the text around it from the engine; as U+FFFD
// it matches like any other character and every position stays where it was.
void ReplaceLoneSurrogates(std::u16string& text) {
  for (size_t i = FindSurrogate(text); i < text.size(); i = FindSurrogate(text, i + 1)) {
    const char16_t c = text[i];
    const bool paired =
        IsHighSurrogate(c) ? i + 1 < text.size() && IsLowSurrogate(text[i + 1]) : i > 0 && IsHighSurrogate(text[i - 1]);
    if (!paired) text[i] = 0xFFFD;
  }
}

std::u16string WithoutLoneSurrogates(std::u16string_view in) {
  std::u16string out(in);
  ReplaceLoneSurrogates(out);
  return out;
}

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view from, std::u16string_view to) {
  std::u16string out;
  size_t copied = 0;
  for (size_t at = text.find(from); at != std::u16string_view::npos; at = text.find(from, copied)) {
    out.append(text, copied, at - copied).append(to);
    copied = at + from.size();
  }
  out.append(text, copied);
  return out;
}

// Whether `item` (the text between "(*" and ")") is a setting that may only stand at the
// very start of a pattern. Verbs and assertions such as (*FAIL) or (*pla:...) belong to the
// first alternative and must stay inside the group.
bool IsStartSetting(std::u16string_view item) {
  static constexpr std::u16string_view kSettings[] = {u"UTF",
                                                      u"UCP",
                                                      u"NOTEMPTY",
                                                      u"NOTEMPTY_ATSTART",
                                                      u"NO_AUTO_POSSESS",
                                                      u"NO_DOTSTAR_ANCHOR",
                                                      u"NO_JIT",
                                                      u"NO_START_OPT",
                                                      u"CR",
                                                      u"LF",
                                                      u"CRLF",
                                                      u"ANYCRLF",
                                                      u"ANY",
                                                      u"NUL",
                                                      u"BSR_ANYCRLF",
                                                      u"BSR_UNICODE"};
  static constexpr std::u16string_view kLimits[] = {u"LIMIT_HEAP=", u"LIMIT_MATCH=", u"LIMIT_DEPTH=",
                                                    u"LIMIT_RECURSION="};
  for (std::u16string_view setting : kSettings) {
    if (item == setting) return true;
  }
  for (std::u16string_view limit : kLimits) {
    if (item.size() > limit.size() && item.substr(0, limit.size()) == limit &&
        item.find_first_not_of(u"0123456789", limit.size()) == std::u16string_view::npos) {
      return true;
    }
  }
  return false;
}

// The pattern with a callout before every start position the engine tries: "(?C)(?:p)",
// after any leading start-of-pattern settings such as "(*UTF)", which must stay first.
std::u16string WatchedPattern(std::u16string_view pattern) {
  size_t head = 0;
  while (pattern.substr(head, 2) == u"(*") {
    const size_t close = pattern.find(u')', head);
    if (close == std::u16string_view::npos || !IsStartSetting(pattern.substr(head + 2, close - head - 2))) break;
    head = close + 1;
  }
  std::u16string out(pattern.substr(0, head));
  out += u"(?C)(?:";
  out += pattern.substr(head);
  out += u')';
  return out;
}

// What one scan watches besides the engine's own limits. The engine calls Check before
// every start position it tries (a callout placed at the head of the pattern).
struct ScanWatch {
  std::chrono::nanoseconds budgetEnd{};
  const std::atomic<bool>* cancel = nullptr;
  bool overBudget = false;
  bool cancelled = false;
  unsigned checks = 0;
  // Where the engine last started a match attempt, and how many starts cost more than the
  // step limit and were given up.
  std::optional<size_t> lastStart;
  size_t skippedStarts = 0;

  // The budget is processor time of the scanning thread, so a busy machine does not cut an
  // ordinary page short.
  static std::chrono::nanoseconds ThreadTime() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
  }
  void Start(std::chrono::milliseconds budget) { budgetEnd = ThreadTime() + budget; }
  // The clock is read at every eighth start position: one position costs at most the
  // engine's step limit, and reading the clock is a system call.
  bool Check() {
    if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
      cancelled = true;
    } else if (++checks % 8 == 1 && ThreadTime() >= budgetEnd) {
      overBudget = true;
    }
    return !cancelled && !overBudget;
  }
  static int Callout(pcre2_callout_block* block, void* self) {
    auto* watch = static_cast<ScanWatch*>(self);
    watch->lastStart = block->start_match;
    return watch->Check() ? 0 : PCRE2_ERROR_CALLOUT;
  }
};

// Runs a compiled pattern over text and appends the start and end of every group
// of every match to spans; false when the scan stopped at a resource limit, at the
// budget or at a cancel request (watch says which).
bool Scan(pcre2_code* code, std::u16string_view text, int groupCount, bool global, uint32_t matchLimit, bool jitEnabled,
          ScanWatch& watch, std::vector<size_t>& spans) {
  MatchContextPtr matchContext(pcre2_match_context_create(nullptr));
  MatchDataPtr matchData(pcre2_match_data_create_from_pattern(code, nullptr));
  if (!matchContext || !matchData) return false;
  pcre2_set_match_limit(matchContext.get(), matchLimit);
  pcre2_set_callout(matchContext.get(), &ScanWatch::Callout, &watch);
  JitStackPtr jitStack;
  if (jitEnabled && pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0) {
    jitStack.reset(pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr));
    if (jitStack) pcre2_jit_stack_assign(matchContext.get(), nullptr, jitStack.get());
  }

  const size_t groups = static_cast<size_t>(groupCount) + 1;
  // The position after the one at `at`, a surrogate pair counting as one character.
  auto nextCharacter = [&text](size_t at) {
    ++at;
    if (at < text.size() && (text[at] & 0xFC00) == 0xDC00 && (text[at - 1] & 0xFC00) == 0xD800) ++at;
    return at;
  };
  size_t start = 0;
  while (start <= text.size()) {
    if (!watch.Check()) return false;
    watch.lastStart.reset();
    int rc =
        pcre2_match(code, Units(text), text.size(), start, PCRE2_NO_UTF_CHECK, matchData.get(), matchContext.get());
    if (rc == PCRE2_ERROR_CALLOUT && (watch.cancelled || watch.overBudget)) return false;
    if (rc < 0 && IsResourceLimit(rc) && watch.lastStart && *watch.lastStart >= start) {
      // One costly start (a stray opening with no end on a long line) gives up that start
      // only; the budget of the whole scan still bounds how many may be tried.
      ++watch.skippedStarts;
      watch.checks = 0;  // a start this costly is worth a look at the clock before the next
      start = nextCharacter(*watch.lastStart);
      continue;
    }
    if (rc < 0) return !IsResourceLimit(rc);
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(matchData.get());
    for (size_t g = 0; g < groups; ++g) {
      bool set = static_cast<int>(g) < rc && ovector[2 * g] != PCRE2_UNSET;
      spans.push_back(set ? ovector[2 * g] : PCRE2_UNSET);
      spans.push_back(set ? ovector[2 * g + 1] : PCRE2_UNSET);
    }
    if (!global) break;
    // Resume after the match; an empty match moves on by one character so the
    // scan always advances (a surrogate pair counts as one character).
    size_t end = ovector[1];
    if (end > start && end > ovector[0]) {
      start = end;
    } else {
      start = nextCharacter(end > start ? end : start);
    }
  }
  return true;
}

}  // namespace

struct RegexObject::Result {
  std::u16string pattern;
  std::u16string subject;
  bool compiled = false;
  bool limitHit = false;
  bool cancelled = false;
  size_t skippedStarts = 0;
  int groupCount = 0;
  // Start and end of every group (group 0 = the whole match) of every match,
  // PCRE2_UNSET for a group that did not take part.
  std::vector<size_t> spans;

  size_t Stride() const { return 2 * static_cast<size_t>(groupCount + 1); }
  int Count() const { return compiled ? static_cast<int>(spans.size() / Stride()) : 0; }
};

bool RegexObject::Execute(std::string_view pattern, std::string_view subject, bool caseSensitive, bool multiline,
                          bool global, bool quotePlaceholders) {
  return ExecuteWide(GbkToWide(pattern), GbkToWide(subject), caseSensitive, multiline, global, quotePlaceholders);
}

bool RegexObject::ExecuteWide(std::u16string_view pattern, std::u16string subject, bool caseSensitive, bool multiline,
                              bool global, bool quotePlaceholders) {
  auto next = std::make_shared<Result>();
  next->pattern = WithoutLoneSurrogates(pattern);
  if (quotePlaceholders) next->pattern = ReplaceAll(next->pattern, kQuotePlaceholder, u"\"");
  next->subject = std::move(subject);
  ReplaceLoneSurrogates(next->subject);

  // "." stops only at a line feed, and "$" without multi-line means the very end,
  // which is what the program's patterns are written for.
  CompileContextPtr compileContext(pcre2_compile_context_create(nullptr));
  if (!compileContext) {
    result = std::move(next);
    return false;
  }
  pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_LF);
  uint32_t options = PCRE2_UTF | PCRE2_NO_UTF_CHECK | PCRE2_ALT_BSUX;
  options |= caseSensitive ? 0u : PCRE2_CASELESS;
  options |= multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  CodePtr code(pcre2_compile(Units(next->pattern), next->pattern.size(), options, &errorCode, &errorOffset,
                             compileContext.get()));
  if (!code) {
    result = std::move(next);
    return false;
  }
  next->compiled = true;
  uint32_t captures = 0;
  pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &captures);
  next->groupCount = static_cast<int>(captures);
  // The watched form of a pattern that compiled means the same; when it does not
  // compile (an open \Q or comment swallows the closing parenthesis), the scan is
  // watched between matches only.
  const std::u16string watched = WatchedPattern(next->pattern);
  if (CodePtr w{
          pcre2_compile(Units(watched), watched.size(), options, &errorCode, &errorOffset, compileContext.get())}) {
    code = std::move(w);
  }

  ScanWatch watch;
  watch.Start(scanBudget);
  watch.cancel = cancel;
  next->limitHit =
      !Scan(code.get(), next->subject, next->groupCount, global, matchLimit, jitEnabled, watch, next->spans);
  next->cancelled = watch.cancelled;
  next->skippedStarts = watch.skippedStarts;
  if (next->cancelled) next->limitHit = false;
  result = std::move(next);
  return true;
}

std::string RegexObject::GetPattern() const { return result ? WideToGbk(result->pattern) : std::string(); }

int RegexObject::MatchCount() const { return result ? result->Count() : 0; }

int RegexObject::SubMatchCount() const { return MatchCount() > 0 ? result->groupCount : 0; }

bool RegexObject::MatchLimitHit() const { return result && result->limitHit; }

bool RegexObject::ScanCancelled() const { return result && result->cancelled; }

size_t RegexObject::SkippedStarts() const { return result ? result->skippedStarts : 0; }

std::u16string_view RegexObject::SpanView(int matchIndex, int groupIndex, int* unitOffset) const {
  if (unitOffset) *unitOffset = -1;
  if (matchIndex < 1 || matchIndex > MatchCount() || groupIndex < 0 || groupIndex > result->groupCount) {
    return {};
  }
  size_t at = result->Stride() * static_cast<size_t>(matchIndex - 1) + 2 * static_cast<size_t>(groupIndex);
  size_t begin = result->spans[at];
  size_t end = result->spans[at + 1];
  if (begin == PCRE2_UNSET) return {};
  if (unitOffset) *unitOffset = static_cast<int>(begin);
  // \K inside a lookahead may report an end before the start; such a span is empty.
  return end > begin ? std::u16string_view(result->subject).substr(begin, end - begin) : std::u16string_view();
}

int RegexObject::ByteOffset(int unitOffset) const {
  if (unitOffset < 0) return -1;
  return static_cast<int>(
      WideToGbk(std::u16string_view(result->subject).substr(0, static_cast<size_t>(unitOffset))).size());
}

std::u16string RegexObject::MatchTextWide(int index, int* positionOut) const { return SpanText(index, 0, positionOut); }

std::u16string RegexObject::SubMatchTextWide(int matchIndex, int groupIndex, int* positionOut) const {
  if (groupIndex < 1) {
    if (positionOut) *positionOut = -1;
    return {};
  }
  return SpanText(matchIndex, groupIndex, positionOut);
}

std::u16string_view RegexObject::SubMatchViewWide(int matchIndex, int groupIndex) const {
  return groupIndex < 1 ? std::u16string_view() : SpanView(matchIndex, groupIndex, nullptr);
}

std::string RegexObject::MatchText(int index, int* positionOut) const {
  int unit = -1;
  std::u16string text = MatchTextWide(index, &unit);
  if (positionOut) *positionOut = ByteOffset(unit);
  return WideToGbk(text);
}

std::string RegexObject::SubMatchText(int matchIndex, int groupIndex, int* positionOut) const {
  int unit = -1;
  std::u16string text = SubMatchTextWide(matchIndex, groupIndex, &unit);
  if (positionOut) *positionOut = ByteOffset(unit);
  return WideToGbk(text);
}

std::string RegexObject::Replace(std::string_view replacement) const {
  if (!result || !result->compiled) return {};
  return WideToGbk(ReplaceWide(GbkToWide(replacement)));
}

std::u16string RegexObject::ReplaceWide(std::u16string_view replacement) const {
  if (!result || !result->compiled) return {};
  const std::u16string& subject = result->subject;
  const int groups = result->groupCount;
  std::u16string out;
  size_t copied = 0;
  for (int m = 1; m <= MatchCount(); ++m) {
    const size_t* span = &result->spans[result->Stride() * static_cast<size_t>(m - 1)];
    size_t begin = span[0] > copied ? span[0] : copied;
    size_t end = span[1] > begin ? span[1] : begin;
    out.append(subject, copied, begin - copied);
    for (size_t i = 0; i < replacement.size(); ++i) {
      char16_t c = replacement[i];
      char16_t n = i + 1 < replacement.size() ? replacement[i + 1] : u'\0';
      if (c != u'$' || n == u'\0') {
        out.push_back(c);
        continue;
      }
      if (n == u'$') {
        out.push_back(u'$');
      } else if (n == u'&') {
        out.append(subject, begin, end - begin);
      } else if (n == u'`') {
        out.append(subject, 0, begin);
      } else if (n == u'\'') {
        out.append(subject, end, std::u16string::npos);
      } else if (n >= u'0' && n <= u'9') {
        // Two digits when they name a group, else one digit, else literal.
        int one = n - u'0';
        char16_t d = i + 2 < replacement.size() ? replacement[i + 2] : u'\0';
        int two = (d >= u'0' && d <= u'9') ? one * 10 + (d - u'0') : -1;
        int group = -1;
        if (two >= 1 && two <= groups) {
          group = two;
          ++i;
        } else if (one >= 1 && one <= groups) {
          group = one;
        }
        if (group < 0) {
          out.push_back(c);
          continue;
        }
        size_t gb = span[2 * group];
        size_t ge = span[2 * group + 1];
        if (gb != PCRE2_UNSET && ge > gb) out.append(subject, gb, ge - gb);
      } else {
        out.push_back(c);
        continue;
      }
      ++i;
    }
    copied = end;
  }
  out.append(subject, copied, std::u16string::npos);
  return out;
}

}  // namespace quillmar
