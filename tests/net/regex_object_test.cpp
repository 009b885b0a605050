#include "net/regex_object.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "base/text_encoding.h"

namespace quillmar {
namespace {

const std::u16string kResultPattern = u"<a href=\"(.*?)\">(.*?)</a></li><li>";

TEST(RegexObject, ResultPatternReadsEveryItemOfOneLine) {
  RegexObject re;
  ASSERT_TRUE(re.ExecuteWide(kResultPattern,
                             u"<ul><li><a href=\"/d/1\">One</a></li><li><a href=\"/d/2\">Two</a></li><li></ul>"));
  EXPECT_EQ(re.MatchCount(), 2);
  EXPECT_EQ(re.SubMatchCount(), 2);
  EXPECT_EQ(re.SubMatchTextWide(2, 1), u"/d/2");
  EXPECT_EQ(re.SubMatchTextWide(1, 2), u"One");
  EXPECT_EQ(re.MatchTextWide(1), u"<a href=\"/d/1\">One</a></li><li>");
}

TEST(RegexObject, CaseIsIgnoredByDefaultAndHonouredOnRequest) {
  const std::u16string upper = u"<LI><A HREF=\"/X\">T</A></LI><LI><A HREF=\"/Y\">U</A></LI><LI>";
  RegexObject re;
  ASSERT_TRUE(re.ExecuteWide(kResultPattern, upper));
  EXPECT_EQ(re.MatchCount(), 2);
  EXPECT_EQ(re.SubMatchTextWide(2, 1), u"/Y");
  ASSERT_TRUE(re.ExecuteWide(kResultPattern, upper, /*caseSensitive=*/true));
  EXPECT_EQ(re.MatchCount(), 0);
  // Case folding is not limited to ASCII.
  ASSERT_TRUE(re.ExecuteWide(u"дом", u"ДОМ"));
  EXPECT_EQ(re.MatchCount(), 1);
}

TEST(RegexObject, DotStopsAtLineFeedOnly) {
  RegexObject re;
  ASSERT_TRUE(re.ExecuteWide(kResultPattern, u"<a href=\"/d/1\">One</a>\n</li><li>"));
  EXPECT_EQ(re.MatchCount(), 0);
  ASSERT_TRUE(re.ExecuteWide(u"a.b", u"a\rb a\nb"));
  EXPECT_EQ(re.MatchCount(), 1);
}

TEST(RegexObject, MultilineAndGlobalSwitches) {
  RegexObject re;
  ASSERT_TRUE(re.ExecuteWide(u"^x$", u"x\nx\nx"));
  EXPECT_EQ(re.MatchCount(), 3);
  ASSERT_TRUE(re.ExecuteWide(u"^x$", u"x\nx\nx", false, /*multiline=*/false));
  EXPECT_EQ(re.MatchCount(), 0);
  // Without multi-line, "$" is the very end, not a final line feed.
  ASSERT_TRUE(re.ExecuteWide(u"x$", u"x\n", false, false));
  EXPECT_EQ(re.MatchCount(), 0);
  ASSERT_TRUE(re.ExecuteWide(u"x", u"x x x", false, true, /*global=*/false));
  EXPECT_EQ(re.MatchCount(), 1);
}

TEST(RegexObject, EmptyMatchesAdvanceOneCharacterAtATime) {
  RegexObject re;
  ASSERT_TRUE(re.ExecuteWide(u"x*", u"ab\U0001F600"));
  // Before a, before b, before the pair (one character), at the end.
  EXPECT_EQ(re.MatchCount(), 4);
  ASSERT_TRUE(re.ExecuteWide(u"^.$", u"\U0001F600"));
  EXPECT_EQ(re.MatchCount(), 1);
}

TEST(RegexObject, QueriesOutsideTheMatchesGiveEmptyResults) {
  RegexObject re;
  EXPECT_EQ(re.MatchCount(), 0);
  EXPECT_EQ(re.SubMatchCount(), 0);
  EXPECT_EQ(re.MatchText(1), "");
  EXPECT_EQ(re.GetPattern(), "");
  EXPECT_EQ(re.Replace("x"), "");
  ASSERT_TRUE(re.ExecuteWide(u"(a)|(b)", u"ab"));
  EXPECT_EQ(re.MatchCount(), 2);
  int position = 7;
  EXPECT_EQ(re.SubMatchTextWide(1, 2, &position), u"");  // group 2 took no part
  EXPECT_EQ(position, -1);
  EXPECT_EQ(re.SubMatchTextWide(3, 1), u"");
  EXPECT_EQ(re.SubMatchTextWide(0, 1), u"");
  EXPECT_EQ(re.SubMatchTextWide(1, 3), u"");
  EXPECT_EQ(re.SubMatchTextWide(1, 0), u"");
  EXPECT_EQ(re.MatchTextWide(-1), u"");
}

TEST(RegexObject, RejectedPatternKeepsNoMatches) {
  RegexObject re;
  ASSERT_TRUE(re.ExecuteWide(u"a", u"a"));
  EXPECT_FALSE(re.ExecuteWide(u"(a", u"a"));
  EXPECT_EQ(re.MatchCount(), 0);
  EXPECT_EQ(re.ReplaceWide(u"x"), u"");
}

TEST(RegexObject, ReplaceExpandsGroupReferences) {
  RegexObject re;
  ASSERT_TRUE(re.ExecuteWide(u"(\\w+)=(\\w+)", u"a=1; b=2"));
  EXPECT_EQ(re.ReplaceWide(u"$2:$1"), u"1:a; 2:b");
  EXPECT_EQ(re.ReplaceWide(u"[$&]$$"), u"[a=1]$; [b=2]$");
  EXPECT_EQ(re.ReplaceWide(u"$3$10$"), u"$3a0$; $3b0$");
  ASSERT_TRUE(re.ExecuteWide(u"b", u"abc", false, true, false));
  EXPECT_EQ(re.ReplaceWide(u"<$`|$'>"), u"a<a|c>c");
  ASSERT_TRUE(re.ExecuteWide(u"z", u"abc"));
  EXPECT_EQ(re.ReplaceWide(u"y"), u"abc");
}

TEST(RegexObject, QuotePlaceholdersStandForDoubleQuotes) {
  const std::u16string subject = u"<a href=\"/x\">";
  RegexObject re;
  ASSERT_TRUE(re.ExecuteWide(u"href=#引号(.*?)#引号", subject, false, true, true, /*quotePlaceholders=*/true));
  EXPECT_EQ(re.SubMatchTextWide(1, 1), u"/x");
  ASSERT_TRUE(re.ExecuteWide(u"href=#引号(.*?)#引号", subject));
  EXPECT_EQ(re.MatchCount(), 0);
}

TEST(RegexObject, CopiesKeepTheResultTheyWereMadeFrom) {
  RegexObject re;
  ASSERT_TRUE(re.ExecuteWide(u"a", u"aaa"));
  RegexObject copy = re;
  ASSERT_TRUE(re.ExecuteWide(u"b", u"b"));
  EXPECT_EQ(copy.MatchCount(), 3);
  EXPECT_EQ(re.MatchCount(), 1);
}

TEST(RegexObject, BadlyBacktrackingStartIsSkippedAndTheScanGoesOn) {
  std::u16string subject = u"aa\n" + std::u16string(40, u'a') + u"!\nbb\naaa";
  for (bool jit : {true, false}) {
    RegexObject re;
    re.SetJitEnabled(jit);
    ASSERT_TRUE(re.ExecuteWide(u"^(a+)+$|^b+$", subject));
    EXPECT_FALSE(re.MatchLimitHit());
    EXPECT_EQ(re.SkippedStarts(), 1u);
    ASSERT_EQ(re.MatchCount(), 3);
    EXPECT_EQ(re.MatchTextWide(1), u"aa");
    EXPECT_EQ(re.MatchTextWide(2), u"bb");
    EXPECT_EQ(re.MatchTextWide(3), u"aaa");
  }
  RegexObject tame;
  ASSERT_TRUE(tame.ExecuteWide(u"^a+$", subject));
  EXPECT_FALSE(tame.MatchLimitHit());
}

// The engine's own limit restarts at every start position: many lines, each well under it,
// must still end at the budget of the whole scan, keeping what was found before.
TEST(RegexObject, ScanBudgetAndCancelHoldForTheWholeExecute) {
  std::u16string subject = u"aa\n";
  for (int i = 0; i < 300; ++i) subject += std::u16string(18, u'a') + u"!\n";
  for (bool jit : {true, false}) {
    RegexObject re;
    re.SetJitEnabled(jit);
    re.SetMatchLimit(1'000'000'000);
    re.SetScanBudget(std::chrono::milliseconds(30));
    ASSERT_TRUE(re.ExecuteWide(u"^(a+)+$", subject));
    EXPECT_TRUE(re.MatchLimitHit());
    EXPECT_FALSE(re.ScanCancelled());
    ASSERT_EQ(re.MatchCount(), 1);
    EXPECT_EQ(re.MatchTextWide(1), u"aa");

    std::atomic<bool> cancel{true};
    re.SetCancelFlag(&cancel);
    ASSERT_TRUE(re.ExecuteWide(u"a", u"aaa"));
    EXPECT_TRUE(re.ScanCancelled());
    EXPECT_FALSE(re.MatchLimitHit());
    EXPECT_EQ(re.MatchCount(), 0);
  }
}

// Patterns whose head or tail is special keep their meaning while the scan is watched.
TEST(RegexObject, WatchedScanKeepsThePatternsMeaning) {
  struct Case {
    std::u16string_view pattern;
    std::u16string_view subject;
    int matches;
  };
  const Case cases[] = {
      {u"(*CR)^b$", u"a\rb\rc", 1},
      {u"\\Qa(b", u"a(b a(b", 2},
      {u"(?x) a b # comment", u"ab ab", 2},
      {u"a|b", u"abc", 2},
      {u"(a)|(b)\\2", u"bb", 1},
      {u"a)(b", u"a)(b", -1},
      // Leading verbs and assertions belong to the first alternative, unlike settings.
      {u"(*pla:x)y|c", u"c", 1},
      {u"(*FAIL)|b", u"b", 1},
      {u"(*pla:(a))b", u"ab", 0},
      {u"(*LIMIT_MATCH=100000)(*CR)^b$", u"a\rb", 1},
  };
  for (const Case& c : cases) {
    RegexObject re;
    const bool compiled = re.ExecuteWide(c.pattern, std::u16string(c.subject));
    EXPECT_EQ(compiled ? re.MatchCount() : -1, c.matches) << std::string(c.pattern.begin(), c.pattern.end());
    EXPECT_FALSE(re.MatchLimitHit());
  }
}

TEST(RegexObject, UnpairedSurrogatesDoNotStopTheScan) {
  // Padded too, so that the halves fall inside and across the blocks the check reads at once.
  for (size_t pad : {0, 69, 133}) {
    const std::u16string subject =
        std::u16string(pad, u'x') +
        u"\xD800<a href=\"/1\">x\xDC00y</a></li><li>\xDFFF<a href=\"/2\">z</a></li><li>\xD83C"
        u"\xDFAC";
    RegexObject re;
    ASSERT_TRUE(re.ExecuteWide(kResultPattern, subject));
    ASSERT_EQ(re.MatchCount(), 2);
    EXPECT_EQ(re.SubMatchTextWide(1, 2), u"x\xFFFDy");  // the lone half becomes U+FFFD
    int position = 0;
    re.SubMatchTextWide(2, 1, &position);
    EXPECT_EQ(position, static_cast<int>(40 + pad));
    EXPECT_EQ(re.SubMatchTextWide(2, 1), u"/2");
    EXPECT_EQ(re.MatchText(2), Utf8ToGbk("<a href=\"/2\">z</a></li><li>"));
    EXPECT_EQ(re.Replace(""), Utf8ToGbk(std::string(pad, 'x') + "\xEF\xBF\xBD\xEF\xBF\xBD\xF0\x9F\x8E\xAC"));
  }
}

TEST(RegexObject, SameResultsWithAndWithoutJit) {
  std::u16string subject;
  for (int i = 0; i < 200; ++i)
    subject += u"<li><a href=\"/d/" + std::u16string(1, char16_t(u'a' + i % 26)) + u"\">t</a></li>";
  subject += u"<li>";
  RegexObject jit;
  RegexObject plain;
  plain.SetJitEnabled(false);
  ASSERT_TRUE(jit.ExecuteWide(kResultPattern, subject));
  ASSERT_TRUE(plain.ExecuteWide(kResultPattern, subject));
  ASSERT_EQ(jit.MatchCount(), 200);
  ASSERT_EQ(plain.MatchCount(), 200);
  for (int i = 1; i <= 200; ++i) ASSERT_EQ(jit.SubMatchTextWide(i, 1), plain.SubMatchTextWide(i, 1));
}

TEST(RegexObject, ProgramTextInAndOutWithPositions) {
  // Program text is GB18030: two bytes per Chinese character, four for an emoji.
  const std::string subject = Utf8ToGbk("中文\xF0\x9F\x98\x80<a href=\"/x\">标题 abc</a></li><li>");
  RegexObject re;
  ASSERT_TRUE(re.Execute(Utf8ToGbk("<a href=\"(.*?)\">(.*?)</a></li><li>"), subject));
  ASSERT_EQ(re.MatchCount(), 1);
  int position = 0;
  EXPECT_EQ(re.SubMatchText(1, 2, &position), Utf8ToGbk("标题 abc"));
  EXPECT_EQ(position, 2 + 2 + 4 + 13);
  EXPECT_EQ(re.MatchText(1, &position), Utf8ToGbk("<a href=\"/x\">标题 abc</a></li><li>"));
  EXPECT_EQ(position, 8);
  int unit = 0;
  re.MatchTextWide(1, &unit);
  EXPECT_EQ(unit, 4);
  EXPECT_EQ(re.GetPattern(), Utf8ToGbk("<a href=\"(.*?)\">(.*?)</a></li><li>"));
  EXPECT_EQ(re.Replace(Utf8ToGbk("[$2]")), Utf8ToGbk("中文\xF0\x9F\x98\x80[标题 abc]"));
}

}  // namespace
}  // namespace quillmar
