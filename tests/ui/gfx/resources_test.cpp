#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/draw/graphics.h"
#include "tests/platform/draw/test_pictures.h"
#include "ui/gfx/canvas.h"
#include "ui/gfx/font.h"
#include "ui/gfx/hglobal_stream.h"
#include "ui/gfx/image.h"
#include "ui/gfx/string_format.h"

namespace quillmar {
namespace {

using test::Bytes;

Bytes MakePng(int width, draw::Argb color) {
  draw::Bitmap b(width, 2);
  b.Clear(color);
  return test::EncodePng(b);
}

Bytes MakeGif(const std::vector<int>& delays) { return test::EncodeGif(2, delays, false); }

TEST(UiImage, LoadsDecodesAndReadsBackTheBytes) {
  UiImage store;
  const Bytes png = MakePng(3, 0xFFFF0000);
  const ImageHandle image = store.Load(png, "red");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Width(), 3);
  EXPECT_EQ(store.GetBytes(image), png);
  EXPECT_EQ(store.GetBytesByName("red"), png);
  EXPECT_EQ(store.FindByName("red"), image);
  EXPECT_EQ(store.FindByName(""), nullptr);
  EXPECT_EQ(store.FindByName("blue"), nullptr);
  EXPECT_TRUE(store.GetBytes(nullptr).empty());
}

TEST(UiImage, FailedDecodeStillAddsAnEntryAndReturnsNull) {
  UiImage store;
  const Bytes junk = {1, 2, 3, 4, 5};
  EXPECT_EQ(store.Load(junk, "junk"), nullptr);
  EXPECT_EQ(store.Count(), 1u);
  EXPECT_EQ(store.GetBytesByName("junk"), junk);
}

TEST(UiImage, SameNameActsOnTheFirstAndRemoveOfUnknownHandleChangesNothing) {
  UiImage store;
  const ImageHandle first = store.Load(MakePng(1, 0xFFFF0000), "skin");
  const ImageHandle second = store.Load(MakePng(2, 0xFF00FF00), "skin");
  EXPECT_EQ(store.FindByName("skin"), first);
  const auto stranger = std::make_shared<draw::Image>();
  EXPECT_EQ(store.Remove(stranger), 2);  // not stored: the entry count
  EXPECT_EQ(store.Count(), 2u);
  EXPECT_EQ(store.RemoveByName(""), 0);
  EXPECT_EQ(store.RemoveByName("skin"), 1);
  EXPECT_EQ(store.FindByName("skin"), second);
  EXPECT_EQ(first->Width(), 1);  // a holder keeps a dropped picture alive
  EXPECT_EQ(store.Remove(second), 1);
  EXPECT_EQ(store.Count(), 0u);
}

TEST(UiImage, CloneSharesPicturesButNotEntries) {
  UiImage store;
  const ImageHandle a = store.Load(MakePng(1, 0xFFFF0000), "a");
  UiImage copy = store.Clone();
  EXPECT_EQ(copy.FindByName("a"), a);
  store.Clear();
  EXPECT_EQ(store.Count(), 0u);
  EXPECT_EQ(copy.FindByName("a"), a);
  EXPECT_FALSE(copy.GetBytes(a).empty());
}

TEST(UiImage, FrameQueryReadsGifDelaysAndLeavesThemForStillPictures) {
  UiImage store;
  const ImageHandle gif = store.Load(MakeGif({10, 20, 0}));
  ASSERT_NE(gif, nullptr);
  std::vector<int> delays = {7};
  LoadFrameInfo(gif.get(), delays);
  EXPECT_EQ(delays, (std::vector<int>{10, 20, 0}));
  const ImageHandle png = store.Load(MakePng(2, 0xFF0000FF));
  LoadFrameInfo(png.get(), delays);
  EXPECT_EQ(delays, (std::vector<int>{10, 20, 0}));
  LoadFrameInfo(nullptr, delays);
  EXPECT_EQ(delays, (std::vector<int>{10, 20, 0}));
  EXPECT_TRUE(SelectActiveFrame(gif.get(), 1));
  EXPECT_EQ(gif->ActiveFrame(), 1);
  EXPECT_FALSE(SelectActiveFrame(gif.get(), 5));
  EXPECT_EQ(gif->ActiveFrame(), 1);
}

TEST(UiFont, FromNameDefaultsToTheThemeFontAndReplacesThePreviousFont) {
  UiFont font;
  const draw::Font first = font.FromName();
  ASSERT_FALSE(first.IsEmpty());
  EXPECT_EQ(font.GetFamily().Name(), u"宋体");
  EXPECT_FLOAT_EQ(first.Size(), 12);
  EXPECT_EQ(first.GetUnit(), draw::Unit::World);
  const draw::Font second = font.FromName("DejaVu Sans", 20, 1, 2);
  EXPECT_FLOAT_EQ(font.GetFont().Size(), 20);
  EXPECT_EQ(font.GetFont().Style(), 1);
  EXPECT_EQ(font.GetFamily().ResolvedName(), "DejaVu Sans");
  EXPECT_FLOAT_EQ(first.Size(), 12);                              // a copy taken earlier stays usable
  EXPECT_TRUE(font.FromName("DejaVu Sans", 12, 0, 9).IsEmpty());  // no such unit
  font.Release();
  EXPECT_TRUE(font.GetFont().IsEmpty());
  EXPECT_TRUE(font.GetFamily().IsEmpty());
  EXPECT_FALSE(font.FromStockFont().IsEmpty());
}

TEST(UiFont, FontsFromFilesAndMemory) {
  const std::string path = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  UiFont font;
  EXPECT_FALSE(font.FromFile(path).IsEmpty());
  EXPECT_EQ(font.GetFamily().ResolvedName(), "DejaVu Sans");
  std::ifstream in(path, std::ios::binary);
  const Bytes bytes{std::istreambuf_iterator<char>(in), {}};
  EXPECT_FLOAT_EQ(font.FromMemory(bytes, 30).Size(), 30);

  const std::string notAFont = testing::TempDir() + "not_a_font.txt";
  std::ofstream(notAFont) << "plain text, no fonts";
  EXPECT_TRUE(font.FromFile(notAFont).IsEmpty());
  EXPECT_TRUE(font.HasCollection());  // kept until Release
  font.Release();
  EXPECT_FALSE(font.HasCollection());
}

TEST(UiStringFormat, CreateReplacesAndDeleteIsHarmless) {
  UiStringFormat format;
  EXPECT_EQ(format.GetHandle(), nullptr);
  EXPECT_EQ(format.GetFlags(), 0);
  EXPECT_EQ(format.SetAlign(1), UiStringFormat::kInvalidParameter);
  format.Delete();
  EXPECT_EQ(format.GetHandle(), nullptr);
  EXPECT_EQ(format.Create(0x1800), UiStringFormat::kOk);
  EXPECT_EQ(format.SetAlign(1), UiStringFormat::kOk);
  EXPECT_EQ(format.SetLineAlign(2), UiStringFormat::kOk);
  EXPECT_EQ(format.SetTrimming(3), UiStringFormat::kOk);
  EXPECT_EQ(format.GetFlags(), 0x1800);
  EXPECT_EQ(format.GetAlign(), 1);
  EXPECT_EQ(format.GetLineAlign(), 2);
  EXPECT_EQ(format.GetTrimming(), 3);
  EXPECT_EQ(format.SetAlign(7), UiStringFormat::kInvalidParameter);
  format.Create(0x800);
  EXPECT_EQ(format.GetAlign(), 0);  // a fresh format, not the old one
  EXPECT_EQ(format.GetFlags(), 0x800);
}

TEST(UiStringFormat, CopiesShareTheFormatAndSurviveEachOthersDelete) {
  UiStringFormat a;
  a.Create();
  UiStringFormat b = a;
  b.SetAlign(2);
  EXPECT_EQ(a.GetAlign(), 2);
  b.Delete();
  EXPECT_EQ(b.GetHandle(), nullptr);
  EXPECT_EQ(a.GetAlign(), 2);
}

TEST(UiCanvas, SelectsCallersBitmapsAndNeverDeletesThem) {
  draw::Bitmap first(4, 4), second(4, 4);
  UiCanvas canvas;
  EXPECT_EQ(canvas.DcHandle(), nullptr);
  EXPECT_EQ(canvas.SelectBitmap(first), nullptr);  // no context yet
  draw::Bitmap* own = canvas.Create();
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(canvas.DcHandle(), own);
  EXPECT_EQ(canvas.SelectBitmap(first), &first);
  EXPECT_EQ(canvas.SelectBitmap(second), &second);
  EXPECT_EQ(canvas.DcHandle(), &second);
  draw::Graphics* g = canvas.GetGraphics();
  ASSERT_NE(g, nullptr);
  g->Clear(0xFF00FF00);
  EXPECT_EQ(second.RawPixel(3, 3), 0xFF00FF00u);
  EXPECT_EQ(first.RawPixel(3, 3), 0u);
  canvas.Release();
  EXPECT_EQ(canvas.DcHandle(), nullptr);
  EXPECT_EQ(canvas.GraphicsHandle(), nullptr);
  EXPECT_EQ(second.RawPixel(0, 0), 0xFF00FF00u);  // the caller's bitmap is untouched
}

TEST(UiCanvas, ClearNeedsASelectedBitmapAndClearBitmapIsOneShot) {
  draw::Bitmap b(4, 4);
  b.Clear(0xFFFFFFFF);
  UiCanvas canvas;
  canvas.Create();
  canvas.Clear();  // nothing selected: nothing happens
  EXPECT_EQ(canvas.DcHandle()->RawPixel(0, 0), 0u);
  canvas.SelectBitmap(b);
  const draw::Region corner(Rect{0, 0, 2, 2});
  canvas.Clear(&corner);
  EXPECT_EQ(b.RawPixel(1, 1), 0u);
  EXPECT_EQ(b.RawPixel(2, 2), 0xFFFFFFFFu);
  canvas.Release();

  b.Clear(0xFFFFFFFF);
  UiCanvas oneShot;
  oneShot.ClearBitmap(b, &corner, draw::CombineMode::Exclude);  // everything but the corner
  EXPECT_EQ(b.RawPixel(1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(b.RawPixel(3, 3), 0u);
  EXPECT_EQ(oneShot.DcHandle(), nullptr);
}

TEST(UiCanvas, AContextWithoutBitmapMeasuresText) {
  UiCanvas canvas;
  canvas.Create();
  draw::Graphics* g = canvas.GetGraphics();
  ASSERT_NE(g, nullptr);
  UiFont font;
  font.FromName();
  const draw::TextMeasure m = g->MeasureString(u"确定", font.GetFont(), {0, 0, 500, 500});
  EXPECT_GT(m.bounds.width, 10);
}

TEST(HGlobalStream, CopiesBytesAndReadsBackExactlyItsSize) {
  const Bytes bytes = {1, 2, 3, 4, 5, 6};
  HGlobalStream stream;
  EXPECT_EQ(stream.Size(), 0u);
  EXPECT_TRUE(stream.ReadAll().empty());
  stream.FromBytes(bytes, 4);
  EXPECT_EQ(stream.Size(), 4u);
  EXPECT_EQ(stream.ReadAll(), (Bytes{1, 2, 3, 4}));
  stream.FromBytes(bytes, 8);  // longer than the bytes: zero-filled, never read past them
  EXPECT_EQ(stream.ReadAll(), (Bytes{1, 2, 3, 4, 5, 6, 0, 0}));
  stream.FromBytes(bytes);
  EXPECT_EQ(stream.ReadAll(), bytes);

  HGlobalStream other;
  EXPECT_TRUE(other.Attach(stream.Stream()));
  EXPECT_EQ(other.ReadAll(), bytes);
  stream.Release();
  EXPECT_EQ(other.ReadAll(), bytes);  // the block lives while shared
  other.Detach();
  EXPECT_EQ(other.Size(), 0u);
  EXPECT_FALSE(other.Attach(nullptr));
}

}  // namespace
}  // namespace quillmar
