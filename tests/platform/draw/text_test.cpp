#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/draw/font_collection.h"
#include "platform/draw/graphics.h"
#ifndef _WIN32
#include "platform/draw/font_system.h"
#include "platform/draw/text_layout_cache.h"
#endif

namespace quillmar::draw {
namespace {

// Smallest rectangle holding every pixel with alpha; empty when there is no ink.
Rect InkBounds(const Bitmap& b) {
  int x0 = b.Width(), y0 = b.Height(), x1 = -1, y1 = -1;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      if (b.RawPixel(x, y) >> 24) {
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
      }
    }
  }
  return x1 < 0 ? Rect{} : Rect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

// A Latin family the desktop has, and a file holding another face of it: Windows' own,
// else (under Wine without its fonts) the host's, reached through Wine's drive Z:.
#ifdef _WIN32
struct LatinFace {
  std::u16string family;
  std::string name;
  std::string boldFile;
};
const LatinFace& Latin() {
  static const LatinFace face = [] {
    const char* windows = std::getenv("WINDIR");
    const std::string fonts = std::string(windows != nullptr ? windows : "C:\\windows") + "\\Fonts\\";
    const LatinFace candidates[] = {
        {u"Tahoma", "Tahoma", fonts + "tahomabd.ttf"},
        {u"DejaVu Sans", "DejaVu Sans", "Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans-Bold.ttf"}};
    for (const LatinFace& c : candidates) {
      if (FontFamily::FromName(c.family).ResolvedName() == c.name) return c;
    }
    return candidates[0];
  }();
  return face;
}
const std::u16string kLatin = Latin().family;
const std::string kLatinName = Latin().name;
std::string LatinBoldFile() { return Latin().boldFile; }
#else
constexpr std::u16string_view kLatin = u"DejaVu Sans";
constexpr const char* kLatinName = "DejaVu Sans";
std::string LatinBoldFile() { return "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"; }
#endif

#ifdef _WIN32
// GDI+'s default format keeps a sixth of the em free before the text (about 3 pixels at
// 16 pixels); Pango's layouts start at the rectangle's edge.
constexpr float kLeadingPadding = 16.0f / 6;
#else
constexpr float kLeadingPadding = 0;
#endif

Font TestFont(std::u16string_view family = kLatin, float px = 16) {
  return Font(FontFamily::FromName(family), px, FontStyleRegular, Unit::Pixel);
}

TEST(DrawFonts, WindowsChineseAndUnknownFamiliesResolveToAnInstalledCjkFont) {
#ifdef _WIN32
  // Which CJK face a Windows desktop has varies; it is one, and the same for every name.
  const std::string song = FontFamily::FromName(u"宋体").ResolvedName();
  EXPECT_FALSE(song.empty());
  EXPECT_EQ(FontFamily::FromName(u"No Such Family 42").ResolvedName(), FontFamily::FromName(u"SimSun").ResolvedName());
#else
  EXPECT_EQ(FontFamily::FromName(u"宋体").ResolvedName(), "WenQuanYi Zen Hei");
  EXPECT_EQ(FontFamily::FromName(u"SimSun").ResolvedName(), "WenQuanYi Zen Hei");
  EXPECT_EQ(FontFamily::FromName(u"No Such Family 42").ResolvedName(), "WenQuanYi Zen Hei");
#endif
  EXPECT_EQ(FontFamily::FromName(kLatin).ResolvedName(), kLatinName);
  EXPECT_EQ(FontFamily::FromName(u"宋体").Name(), u"宋体");
  EXPECT_TRUE(FontFamily::FromName(u"").IsEmpty());
}

TEST(DrawFonts, SizesConvertToPixelsAndBadSizesMakeNoFont) {
  const FontFamily family = FontFamily::FromName(kLatin);
  EXPECT_FLOAT_EQ(Font(family, 12, 0, Unit::World).PixelSize(), 12);
  EXPECT_FLOAT_EQ(Font(family, 9, 0, Unit::Point).PixelSize(), 12);
  EXPECT_TRUE(Font(family, 0).IsEmpty());
  EXPECT_TRUE(Font(FontFamily(), 12).IsEmpty());
  const Font stock = Font::StockGui();
  ASSERT_FALSE(stock.IsEmpty());
  EXPECT_GT(stock.PixelSize(), 8);
  EXPECT_GT(stock.LineHeight(), stock.PixelSize() * 0.9f);
}

TEST(DrawFonts, CollectionsLoadFamiliesFromFilesAndMemory) {
  const std::string path = LatinBoldFile();
  FontCollection fromFile;
  ASSERT_TRUE(fromFile.AddFile(path));
  ASSERT_EQ(fromFile.Families().size(), 1u);
  EXPECT_EQ(fromFile.Families()[0].ResolvedName(), kLatinName);

  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  FontCollection fromMemory;
  ASSERT_TRUE(fromMemory.AddMemory(bytes));
  EXPECT_TRUE(fromMemory.AddMemory(bytes));  // the same bytes again reuse the first load
  ASSERT_EQ(fromMemory.Families().size(), 1u);

  FontCollection none;
  const std::vector<uint8_t> junk(300, 0x5A);
  EXPECT_FALSE(none.AddMemory(junk));
  EXPECT_FALSE(none.AddFile("/nonexistent/font.ttf"));
  EXPECT_TRUE(none.Families().empty());
}

TEST(DrawText, ChineseTextMeasuresAndDrawsInk) {
  Bitmap b(200, 40);
  Graphics g(b);
  g.SetTextRenderingHint(TextRenderingHint::AntiAliasGridFit);
  const Font font = TestFont(u"宋体", 16);
  const TextMeasure m = g.MeasureString(u"撸一管搜索", font, {0, 0, 0, 0});
  EXPECT_GT(m.bounds.width, 60);
  EXPECT_GT(m.bounds.height, 14);
  EXPECT_EQ(m.codepointsFitted, 5);
  EXPECT_EQ(m.linesFilled, 1);
  g.DrawString(u"撸一管搜索", font, {0, 0, 200, 40}, nullptr, Brush(0xFF000000));
  const Rect ink = InkBounds(b);
  EXPECT_GT(ink.width, 60);
  EXPECT_LE(ink.Right(), 200);
  // Grey antialiasing keeps every pixel a valid premultiplied value.
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      const uint32_t p = b.RawPixel(x, y);
      ASSERT_LE((p >> 16) & 0xFF, p >> 24);
    }
  }
}

TEST(DrawText, EllipsisTrimmingEndsInEllipsisInsideTheRectangle) {
  const std::u16string text = u"The quick brown fox jumps over the lazy dog";
  const Font font = TestFont();
  StringFormat format(StringFormat::kNoWrap | StringFormat::kMeasureTrailingSpaces);
  format.SetTrimming(StringTrimming::EllipsisCharacter);
  const RectF rect{0, 0, 120, 40};
  Bitmap trimmed(300, 40);
  Graphics g(trimmed);
  const TextMeasure m = g.MeasureString(text, font, rect, &format);
  ASSERT_GT(m.codepointsFitted, 3);
  ASSERT_LT(m.codepointsFitted, static_cast<int>(text.size()));
  EXPECT_LE(m.bounds.width, 120);
  g.DrawString(text, font, rect, &format, Brush(0xFF000000));
  EXPECT_LE(InkBounds(trimmed).Right(), 120);

  // The kept characters come out as drawn alone, and what follows them is an ellipsis
  // (also where GDI+ itself would cut the line without one).
  StringFormat plain(StringFormat::kNoWrap);
  Bitmap prefix(300, 40);
  Graphics p(prefix);
  p.DrawString(text.substr(0, m.codepointsFitted), font, {0, 0, 300, 40}, &plain, Brush(0xFF000000));
  const Rect kept = InkBounds(prefix);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < kept.Right(); ++x) ASSERT_EQ(trimmed.RawPixel(x, y), prefix.RawPixel(x, y)) << x << "," << y;
  }
  Bitmap dots(300, 40);
  Graphics d(dots);
  d.DrawString(u"…", font, {0, 0, 300, 40}, &plain, Brush(0xFF000000));
  const Rect dotsInk = InkBounds(dots);
  const Bitmap tail = trimmed.CloneArea({kept.Right(), 0, 300 - kept.Right(), 40});
  const Rect tailInk = InkBounds(tail);
  ASSERT_EQ(tailInk.width, dotsInk.width);
  ASSERT_EQ(tailInk.height, dotsInk.height);
  for (int y = 0; y < dotsInk.height; ++y) {
    for (int x = 0; x < dotsInk.width; ++x) {
      ASSERT_EQ(tail.RawPixel(tailInk.x + x, tailInk.y + y), dots.RawPixel(dotsInk.x + x, dotsInk.y + y));
    }
  }
}

TEST(DrawText, CharacterRangesGiveIncreasingPositions) {
  Bitmap b(1, 1);
  Graphics g(b);
  const std::u16string text = u"ab 中文\U0001F600x";
  StringFormat format(StringFormat::kMeasureTrailingSpaces);
  std::vector<CharacterRange> ranges;
  for (int i = 0; i < static_cast<int>(text.size()); ++i) ranges.push_back({i, 1});
  ranges[5] = {5, 2};  // the surrogate pair counts two units
  ranges.erase(ranges.begin() + 6);
  ranges.push_back({7, 5});  // beyond the text: empty
  format.SetMeasurableCharacterRanges(ranges);
  const auto boxes = g.MeasureCharacterRanges(text, TestFont(u"宋体"), {10, 5, 0, 0}, format);
  ASSERT_EQ(boxes.size(), ranges.size());
  EXPECT_NEAR(boxes[0].x, 10 + kLeadingPadding, 1);
  for (size_t i = 0; i + 1 < boxes.size(); ++i) {
    EXPECT_GT(boxes[i].width, 0) << i;
    EXPECT_GT(boxes[i].height, 0) << i;
    if (i > 0) {
      EXPECT_GT(boxes[i].x, boxes[i - 1].x) << i;
    }
  }
  EXPECT_TRUE(boxes.back().IsEmpty());
}

TEST(DrawText, CentreAndFarAlignmentMoveTheInk) {
  const Font font = TestFont();
  auto inkFor = [&](StringAlignment align, StringAlignment lineAlign) {
    Bitmap b(200, 100);
    Graphics g(b);
    StringFormat format(StringFormat::kNoWrap);
    format.SetAlign(align);
    format.SetLineAlign(lineAlign);
    g.DrawString(u"Hello", font, {0, 0, 200, 100}, &format, Brush(0xFF000000));
    return InkBounds(b);
  };
  const Rect nearInk = inkFor(StringAlignment::Near, StringAlignment::Near);
  const Rect centre = inkFor(StringAlignment::Center, StringAlignment::Center);
  const Rect farInk = inkFor(StringAlignment::Far, StringAlignment::Far);
  ASSERT_GT(nearInk.width, 20);
  EXPECT_LT(nearInk.x, 4 + kLeadingPadding);
  EXPECT_NEAR(centre.x + centre.width / 2.0, 100, 3);
  EXPECT_NEAR(centre.y + centre.height / 2.0, 50, 4);
  EXPECT_GT(farInk.Right(), 194);
  EXPECT_LE(farInk.Right(), 200);
  EXPECT_GT(farInk.y, centre.y);
  EXPECT_EQ(centre.width, nearInk.width);
}

// Captions, labels and the notice are measured first and then drawn into a picture of the
// measured box: the box must hold the text where it is drawn, for every alignment.
TEST(DrawText, TheMeasuredBoxHoldsTheDrawnTextForEveryAlignment) {
  const Font font = TestFont(u"宋体", 12);
  StringFormat oneLine(StringFormat::kMeasureTrailingSpaces | StringFormat::kNoWrap);
  oneLine.SetTrimming(StringTrimming::EllipsisCharacter);
  const StringFormat wrapping(StringFormat::kMeasureTrailingSpaces);
  const RectF layout{5, 3, 120, 40};
  const StringAlignment aligns[] = {StringAlignment::Near, StringAlignment::Center, StringAlignment::Far};
  for (const StringFormat* base : {static_cast<const StringFormat*>(&oneLine), &wrapping}) {
    for (StringAlignment align : aligns) {
      for (StringAlignment lineAlign : aligns) {
        StringFormat format = *base;
        format.SetAlign(align);
        format.SetLineAlign(lineAlign);
        const std::string where = std::to_string(static_cast<int>(align)) + "/" +
                                  std::to_string(static_cast<int>(lineAlign)) +
                                  (base == &oneLine ? " one line" : " wrapping");
        Bitmap direct(140, 50);
        Graphics g(direct);
        const RectF box = g.MeasureString(u"上一页", font, layout, &format).bounds;
        g.DrawString(u"上一页", font, layout, &format, Brush(0xFF000000));
        const Rect ink = InkBounds(direct);
        ASSERT_GT(ink.width, 24) << where;
        EXPECT_GE(ink.x, box.x - 1) << where;
        EXPECT_LE(ink.Right(), box.Right() + 1) << where;
        EXPECT_GE(ink.y, box.y - 1) << where;
        EXPECT_LE(ink.Bottom(), box.Bottom() + 1) << where;

        // Drawn into a picture of the box alone, every glyph is still there.
        const int x0 = static_cast<int>(std::floor(box.x)), y0 = static_cast<int>(std::floor(box.y));
        Bitmap picture(static_cast<int>(std::ceil(box.Right())) - x0, static_cast<int>(std::ceil(box.Bottom())) - y0);
        Graphics p(picture);
        p.DrawString(u"上一页", font, {layout.x - x0, layout.y - y0, layout.width, layout.height}, &format,
                     Brush(0xFF000000));
        EXPECT_EQ(InkBounds(picture).width, ink.width) << where;
        EXPECT_EQ(InkBounds(picture).height, ink.height) << where;

        // Character ranges sit on the same line as the box.
        format.SetMeasurableCharacterRanges({{0, 3}});
        const RectF range = g.MeasureCharacterRanges(u"上一页", font, layout, format)[0];
        EXPECT_NEAR(range.y, box.y, 1) << where;
      }
    }
  }
}

// The notice: wrapped, centred text drawn into a picture of its measured box shows every
// line, each a line height below the one before.
TEST(DrawText, WrappedLinesFollowEachOtherALineHeightApart) {
  const Font font = TestFont(u"宋体", 12);
  const std::u16string text = u"没有能打开磁力链接的程序。链接已经复制到剪贴板，可以粘贴到下载工具里。";
  StringFormat format(StringFormat::kMeasureTrailingSpaces);
  format.SetAlign(StringAlignment::Center);
  format.SetLineAlign(StringAlignment::Center);
  const RectF layout{0, 0, 160, 100};
  Bitmap scratch(1, 1);
  const TextMeasure m = Graphics(scratch).MeasureString(text, font, layout, &format);
  ASSERT_GE(m.linesFilled, 3);
  EXPECT_NEAR(m.bounds.height / static_cast<float>(m.linesFilled), font.LineHeight(), 1.5f);
  const int x0 = static_cast<int>(std::floor(m.bounds.x)), y0 = static_cast<int>(std::floor(m.bounds.y));
  Bitmap b(static_cast<int>(std::ceil(m.bounds.Right())) - x0, static_cast<int>(std::ceil(m.bounds.Bottom())) - y0);
  Graphics(b).DrawString(text, font, {layout.x - x0, layout.y - y0, layout.width, layout.height}, &format,
                         Brush(0xFF000000));
  // Runs of rows with ink, one per line, with clear rows between them.
  std::vector<int> tops;
  bool inLine = false;
  for (int y = 0; y < b.Height(); ++y) {
    bool ink = false;
    for (int x = 0; x < b.Width() && !ink; ++x) ink = (b.RawPixel(x, y) >> 24) != 0;
    if (ink && !inLine) tops.push_back(y);
    inLine = ink;
  }
  ASSERT_EQ(static_cast<int>(tops.size()), m.linesFilled);
  for (size_t i = 1; i < tops.size(); ++i) EXPECT_NEAR(tops[i] - tops[i - 1], font.LineHeight(), 2.5f) << i;
}

TEST(DrawText, WrapsInTheWidthUnlessToldNotTo) {
  Bitmap b(1, 1);
  Graphics g(b);
  const std::u16string text = u"one two three four five six seven";
  const TextMeasure wrapped = g.MeasureString(text, TestFont(), {0, 0, 80, 0});
  EXPECT_GT(wrapped.linesFilled, 2);
  EXPECT_LE(wrapped.bounds.width, 80);
  StringFormat noWrap(StringFormat::kNoWrap);
  const TextMeasure line = g.MeasureString(text, TestFont(), {0, 0, 80, 0}, &noWrap);
  EXPECT_EQ(line.linesFilled, 1);
  const TextMeasure empty = g.MeasureString(u"", TestFont(), {3, 4, 80, 0});
  EXPECT_EQ(empty.bounds, (RectF{3, 4, 0, 0}));
  EXPECT_EQ(g.MeasureString(u"ab\0cd", TestFont(), {}).codepointsFitted, 2);  // a NUL ends the text
}

TEST(DrawText, TrailingSpacesCountOnlyWhenAskedFor) {
  Bitmap b(1, 1);
  Graphics g(b);
  StringFormat plain(StringFormat::kNoWrap);
  StringFormat withSpaces(StringFormat::kNoWrap | StringFormat::kMeasureTrailingSpaces);
  const float bare = g.MeasureString(u"ab", TestFont(), {}, &plain).bounds.width;
  EXPECT_FLOAT_EQ(g.MeasureString(u"ab   ", TestFont(), {}, &plain).bounds.width, bare);
  EXPECT_GT(g.MeasureString(u"ab   ", TestFont(), {}, &withSpaces).bounds.width, bare + 6);
}

TEST(DrawText, ThreadsMeasureAndDrawAtTheSameTime) {
  const Font font = TestFont(u"宋体");
  auto work = [&font](int seed) {
    Bitmap b(200, 30);
    Graphics g(b);
    float total = 0;
    for (int i = 0; i < 200; ++i) {
      // Built in place: GCC 12's -Wrestrict misreads the concatenation of two temporaries.
      const std::u16string text = {u'行', static_cast<char16_t>(u'a' + (i + seed) % 26)};
      total += g.MeasureString(text, font, {0, 0, 200, 30}).bounds.width;
      g.DrawString(text, font, {0, 0, 200, 30}, nullptr, Brush(0xFF000000));
    }
    EXPECT_GT(total, 0);
    EXPECT_GT(font.LineHeight(), 0);
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(work, t);
  for (auto& t : threads) t.join();
}

#ifndef _WIN32
// The Pango backend's own per-thread objects and layout cache.
// Raises its flag when the thread it belongs to ends.
struct ExitFlag {
  std::atomic<bool>* flag;
  ~ExitFlag() { *flag = true; }
};

TEST(DrawText, AThreadReleasesItsTextObjectsUnderTheTextLock) {
  std::atomic<bool> laidOut{false};
  std::atomic<bool> finish{false};
  std::atomic<bool> exited{false};
  std::thread worker([&] {
    // Made before the thread's text objects, so it goes after them.
    thread_local ExitFlag last{&exited};
    Bitmap b(100, 30);
    Graphics g(b);
    g.DrawString(u"exit", TestFont(), {0, 0, 100, 30}, nullptr, Brush(0xFF000000));
    laidOut = true;
    while (!finish) std::this_thread::yield();
  });
  while (!laidOut) std::this_thread::yield();
  {
    std::lock_guard lock(fonts::TextMutex());
    finish = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(exited) << "the thread's Pango objects went without waiting for the lock";
  }
  worker.join();
  EXPECT_TRUE(exited);
}

TEST(DrawText, TheLayoutCacheIsBoundedByTheBytesOfItsTexts) {
  Bitmap b(100, 30);
  Graphics g(b);
  const Font font = TestFont();
  const StringFormat oneLine(StringFormat::kNoWrap);
  for (char16_t c = u'a'; c < u'a' + 12; ++c) {
    (void)g.MeasureString(std::u16string(16 * 1024, c), font, {0, 0, 100, 30}, &oneLine);
    ASSERT_LE(text::CachedKeyBytes(), size_t{256} << 10);
  }
  EXPECT_GT(text::CachedKeyBytes(), size_t{128} << 10) << "recent texts stay cached";

  // A font made afresh with the same family, size and style finds the same layout; another
  // size does not.
  const text::Laid& first = text::Lay(u"same", TestFont(), 100, 30, &oneLine, TextRenderingHint{});
  EXPECT_EQ(&text::Lay(u"same", TestFont(), 100, 30, &oneLine, TextRenderingHint{}), &first);
  EXPECT_NE(&text::Lay(u"same", TestFont(kLatin, 17), 100, 30, &oneLine, TextRenderingHint{}), &first);
}

#endif

TEST(DrawText, TextIsClippedToItsLayoutRectangle) {
  Bitmap b(100, 40);
  Graphics g(b);
  StringFormat format(StringFormat::kNoWrap);
  g.DrawString(u"WWWWWWWWWWWW", TestFont(), {0, 0, 30, 40}, &format, Brush(0xFF000000));
  EXPECT_LE(InkBounds(b).Right(), 30);
  Bitmap free(100, 40);
  Graphics f(free);
  f.DrawString(u"WWWWWWWWWWWW", TestFont(), {0, 0, 0, 0}, nullptr, Brush(0xFF000000));
  EXPECT_GT(InkBounds(free).Right(), 60);
}

TEST(DrawText, AnUnboundedSidePlacesTheTextByItsAlignmentAboutTheEdge) {
  Bitmap b(1, 1);
  Graphics g(b);
  const Font font = TestFont();
  auto measured = [&](StringAlignment align) {
    StringFormat format(StringFormat::kNoWrap);
    format.SetAlign(align);
    return g.MeasureString(u"Hello", font, {100, 20, 0, 0}, &format).bounds;
  };
  const RectF nearBox = measured(StringAlignment::Near);
  const RectF centre = measured(StringAlignment::Center);
  const RectF farBox = measured(StringAlignment::Far);
  ASSERT_GT(nearBox.width, 20);
  EXPECT_NEAR(nearBox.x, 100, 1);
  EXPECT_NEAR(centre.x + centre.width / 2, 100, 1);
  EXPECT_NEAR(farBox.Right(), 100, 1);
  EXPECT_NEAR(nearBox.y, 20, 1);
}

TEST(DrawText, ManyCharacterRangesAreAllMeasured) {
  // More ranges than one GDI+ call takes.
  Bitmap b(1, 1);
  Graphics g(b);
  const std::u16string text(40, u'm');
  StringFormat format(StringFormat::kNoWrap);
  std::vector<CharacterRange> ranges;
  for (int i = 0; i < 40; ++i) ranges.push_back({i, 1});
  format.SetMeasurableCharacterRanges(ranges);
  const auto boxes = g.MeasureCharacterRanges(text, TestFont(), {0, 0, 0, 0}, format);
  ASSERT_EQ(boxes.size(), 40u);
  for (size_t i = 1; i < boxes.size(); ++i) {
    EXPECT_GT(boxes[i].width, 0) << i;
    EXPECT_NEAR(boxes[i].x - boxes[i - 1].x, boxes[1].x - boxes[0].x, 1) << i;  // evenly spaced
  }
}

}  // namespace
}  // namespace quillmar::draw
