#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/draw/image.h"
#include "tests/ui/core/window_test_support.h"
#include "ui/core/frame.h"
#include "ui/core/caption_images.h"
#include "ui/core/element_record.h"
#include "ui/core/element_registry.h"
#include "ui/core/element_surfaces.h"
#include "ui/core/pic_button.h"

namespace quillmar {
namespace {

using testing::kBackColor;
using testing::WindowFixture;

// The rounding division by 255 the blend uses.
uint32_t Div255(uint32_t v) {
  const uint32_t t = v + 0x80;
  return ((t >> 8) + t) >> 8;
}

// Premultiplied source-over of src at constant alpha a onto dst.
uint32_t Over(uint32_t dst, uint32_t src, uint32_t a) {
  uint32_t s[4];
  for (int i = 0; i < 4; ++i) s[i] = Div255(((src >> (8 * i)) & 0xFF) * a);
  uint32_t out = 0;
  for (int i = 0; i < 4; ++i) out |= (s[i] + Div255(((dst >> (8 * i)) & 0xFF) * (255 - s[3]))) << (8 * i);
  return out;
}

const ws::HeadlessWindowSystem::Picture& Shown(WindowFixture& f) {
  const auto* p = f.headless->Presented(f.hwnd);
  EXPECT_NE(p, nullptr);
  return *p;
}

// A control that paints one colour everywhere, trying to leave the clip it is given.
class Greedy : public UiControl {
 public:
  void Create(UiWindow* parent, int32_t x, int32_t y, int32_t w, int32_t h) {
    CreateElement(parent, true, x, y, w, h, "OVCL_GREEDY");
    FinishCreate();
  }
  draw::Argb color = 0xFF00FF00;

 protected:
  void PaintEntry() override {
    draw::Graphics* g = CanvasGraphics();
    const RectF all{0, 0, static_cast<float>(GetWidth()), static_cast<float>(GetHeight())};
    g->ResetClip();
    g->SetClip(all);
    g->SetClip(all, draw::CombineMode::Union);
    g->FillRectangle(draw::Brush(color), all);
  }
};

TEST(UiWindowPaint, ControlsNarrowTheInvalidClipButNeverLeaveItOrTheClientArea) {
  WindowFixture f;
  Greedy greedy;
  greedy.Create(f.window.get(), 10, 10, 40, 20);
  f.Frame();
  EXPECT_EQ(f.Pixel(15, 15), 0xFF00FF00u);
  // Only the invalid rectangle takes the new colour, whatever the control does with its clip.
  greedy.color = 0xFFFF0000;
  greedy.InvalidateRect({}, Rect{0, 0, 10, 10});
  f.Frame();
  EXPECT_EQ(f.Pixel(15, 15), 0xFFFF0000u);
  EXPECT_EQ(f.Pixel(25, 15), 0xFF00FF00u);
  EXPECT_EQ(f.Pixel(15, 25), 0xFF00FF00u);
  // A child reaching into the padding band is cut at the client area: the
  // frame's border stays on top.
  const uint32_t border = Shown(f).At(5, 50);
  greedy.Place(-8, 40, std::nullopt, std::nullopt);
  f.Frame();
  EXPECT_EQ(Shown(f).At(5, 50), border);
  EXPECT_EQ(Shown(f).At(2, 50), Shown(f).At(2, 150));
  EXPECT_EQ(f.Pixel(0, 45), 0xFFFF0000u);
  // A control's setters keep working while it is bound by nothing.
  EXPECT_EQ(greedy.GetBlurBehind(), 0);
  EXPECT_EQ(greedy.Frame(), nullptr);
}

TEST(UiWindowPaint, ChildAtHalfAlphaBlendsAtHalfOpacity) {
  WindowFixture f;
  auto& child = f.AddProbe(10, 10, 20, 20, 0xFFCC3333);
  child.SetAlpha(128);
  f.Frame();
  EXPECT_EQ(f.Pixel(5, 5), kBackColor);
  EXPECT_EQ(f.Pixel(15, 15), Over(kBackColor, 0xFFCC3333, 128));
  EXPECT_EQ(f.Pixel(15, 15), 0xFF7F4D66u);
  EXPECT_EQ(Shown(f).size, (Size{300, 200}));
}

TEST(UiWindowPaint, OneChildChangingRepaintsOnlyThatChild) {
  WindowFixture f;
  auto& a = f.AddProbe(10, 10, 20, 20);
  auto& b = f.AddProbe(50, 10, 20, 20);
  f.Frame();
  const int aPaints = a.paints;
  const int bPaints = b.paints;
  b.InvalidateRect();
  f.Frame();
  EXPECT_EQ(a.paints, aPaints);
  EXPECT_EQ(b.paints, bPaints + 1);
  // The window recomposed only around the child.
  const ElementRecord* win = Registry().Find(f.window->Key());
  ASSERT_TRUE(win->surfaces->dirtyRegion);
  EXPECT_EQ(win->surfaces->dirtyRegion->Bounds(), (Rect{testing::kPad + 50, testing::kPad + 10, 21, 21}));
  // Nothing flagged: a tick composes and presents nothing.
  const int presents = Shown(f).presentCount;
  f.Frame();
  EXPECT_EQ(Shown(f).presentCount, presents);
  EXPECT_EQ(b.paints, bPaints + 1);
}

TEST(UiWindowPaint, InvalidRectanglesClearOnlyTheirUnion) {
  WindowFixture f;
  auto& a = f.AddProbe(10, 10, 40, 40, 0xFF00FF00);
  f.Frame();
  a.InvalidateRect(std::nullopt, Rect{0, 0, 5, 5});
  a.InvalidateRect(std::nullopt, Rect{20, 20, 5, 5});
  // Read the canvas inside the paint event, before the element draws.
  std::vector<uint32_t> seen;
  a.SetUserHandler([&](Hwnd, int32_t, uint32_t msg, WParam, LParam) {
    if (msg == Event::Paint) {
      const draw::Bitmap* c = a.Canvas();
      seen = {c->RawPixel(2, 2), c->RawPixel(22, 22), c->RawPixel(10, 10)};
    }
    return 1;
  });
  f.Frame();
  EXPECT_EQ(seen, (std::vector<uint32_t>{0u, 0u, 0xFF00FF00u}));
  // A whole-element invalidation stays whole when a rectangle follows it.
  a.InvalidateRect();
  a.InvalidateRect(std::nullopt, Rect{0, 0, 5, 5});
  f.Frame();
  EXPECT_EQ(seen, (std::vector<uint32_t>{0u, 0u, 0u}));
}

TEST(UiWindowPaint, MovedChildLeavesNoTrace) {
  WindowFixture f;
  auto& a = f.AddProbe(10, 10, 20, 20);
  f.Frame();
  EXPECT_EQ(f.Pixel(15, 15), 0xFFCC3333u);
  a.Place(100, 100, std::nullopt, std::nullopt);
  f.Frame();
  EXPECT_EQ(f.Pixel(15, 15), kBackColor);
  EXPECT_EQ(f.Pixel(105, 105), 0xFFCC3333u);
  a.SetVisible(0);
  f.Frame();
  EXPECT_EQ(f.Pixel(105, 105), kBackColor);
}

TEST(UiWindowPaint, ElementShownAgainComesBackWhole) {
  WindowFixture f;
  UiWindow plain;
  plain.Register(10, 10, 20, 20, "OVCL_PLAIN");
  plain.SetFrame(0, 0, 0);
  f.window->SetParent(plain.Key());
  plain.SetUserHandler([&](Hwnd, int32_t, uint32_t msg, WParam, LParam) {
    if (msg == Event::Paint) plain.CanvasGraphics()->Clear(0xFF00FF00);
    return 1;
  });
  plain.InvalidateRect();
  f.Frame();
  EXPECT_EQ(f.Pixel(15, 15), 0xFF00FF00u);
  plain.SetVisible(0);
  f.Frame();
  EXPECT_EQ(f.Pixel(15, 15), kBackColor);
  plain.SetVisible(1);
  f.Frame();
  EXPECT_EQ(f.Pixel(15, 15), 0xFF00FF00u);
  f.window->RemoveChild(plain.Key());
}

TEST(UiWindowPaint, RaisingAChildShowsItOnTopOfItsSibling) {
  WindowFixture f;
  auto& a = f.AddProbe(10, 10, 30, 30, 0xFF00FF00);
  f.AddProbe(20, 20, 30, 30, 0xFF0000FF);
  f.Frame();
  EXPECT_EQ(f.Pixel(25, 25), 0xFF0000FFu);
  f.window->SetZOrder(a.Key(), static_cast<int32_t>(f.window->GetChildren().size()));  // top
  f.Frame();
  EXPECT_EQ(f.Pixel(25, 25), 0xFF00FF00u);
}

TEST(UiWindowPaint, RemovingAChildRepaintsTheWindowWithoutIt) {
  WindowFixture f;
  auto& a = f.AddProbe(10, 10, 20, 20);
  f.Frame();
  f.window->RemoveChild(a.Key());
  EXPECT_EQ(f.Pixel(15, 15), kBackColor);  // synchronously, no tick needed
  EXPECT_EQ(a.GetShown(), 1);
}

TEST(UiWindowPaint, FrameShowsFocusInBorderAndShadow) {
  WindowFixture f;
  f.Frame();
  ws::System().SetFocus(0);
  f.window->InvalidateRect();
  f.Frame();
  const auto& p = Shown(f);
  // Not focused: border alpha 100, no outermost shadow stroke.
  EXPECT_EQ(p.At(5, 100), 0x64000000u);
  EXPECT_EQ(p.At(0, 100) >> 24, 0u);
  EXPECT_GT(p.At(3, 100) >> 24, 0u);
  EXPECT_EQ(p.At(6, 100), kBackColor);
  ws::System().SetFocus(f.hwnd);
  f.Frame();
  EXPECT_EQ(Shown(f).At(5, 100), 0x96000000u);
  EXPECT_GT(Shown(f).At(0, 100) >> 24, 0u);
  // The shadow darkens towards the window.
  EXPECT_LT(Shown(f).At(1, 100) >> 24, Shown(f).At(4, 100) >> 24);
}

TEST(UiWindowOutput, WindowAlphaAppliesToTheWholePicture) {
  WindowFixture f;
  f.window->SetWindowAlpha(128);
  f.Frame();
  EXPECT_EQ(Shown(f).alpha, 128);
  EXPECT_EQ(f.Pixel(1, 1), kBackColor);  // per-pixel alpha is kept as it was
}

TEST(UiWindowOutput, GradientBackgroundRunsTopToBottom) {
  WindowFixture f;
  f.window->SetBackColor(0xFF000000, 0xFFFFFFFF);
  f.Frame();
  EXPECT_LT(f.Pixel(50, 5) & 0xFF, f.Pixel(50, 180) & 0xFF);
  EXPECT_EQ(f.Pixel(10, 50), f.Pixel(200, 50));
}

TEST(UiWindowOutput, CursorShapesComeFromTheTableAndFallBack) {
  WindowFixture f;
  ws::WindowSystem& sys = ws::System();
  const ws::CursorHandle first = sys.ClassCursor(f.hwnd);
  CursorChoice hand;
  hand.index = 14;
  f.window->SetCursorShape(hand);
  EXPECT_EQ(sys.ClassCursor(f.hwnd), sys.LoadSystemCursor(ws::SystemCursor::Hand));
  CursorChoice none;
  none.index = 0;
  f.window->SetCursorShape(none);
  EXPECT_EQ(sys.ClassCursor(f.hwnd), first);
  // An icon file (type 1) is refused and the first cursor stays.
  std::vector<uint8_t> icon(64, 0);
  icon[2] = 1;
  icon[4] = 1;
  CursorChoice fromBytes;
  fromBytes.bytes = icon;
  f.window->SetCursorShape(fromBytes);
  EXPECT_EQ(sys.ClassCursor(f.hwnd), first);
  // A cursor file's bytes, in memory and on disk, with its hotspot.
  std::vector<uint8_t> cur(62, 0);
  cur[2] = 2;
  cur[4] = 1;
  cur[6] = cur[7] = 16;
  cur[10] = 3;
  cur[12] = 4;
  cur[14] = 40;
  cur[18] = 22;
  fromBytes.bytes = cur;
  f.window->SetCursorShape(fromBytes);
  const ws::CursorHandle made = sys.ClassCursor(f.hwnd);
  EXPECT_NE(made, first);
  EXPECT_EQ(f.headless->CursorHotspot(made), (Point{3, 4}));
  const std::filesystem::path path = std::filesystem::path(QUILLMAR_TEST_OUTPUT_DIR) / "core_test_cursor.cur";
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(cur.data()), static_cast<std::streamsize>(cur.size()));
  }
  CursorChoice fromFile;
  fromFile.fileName = path.string();
  f.window->SetCursorShape(fromFile);
  EXPECT_NE(sys.ClassCursor(f.hwnd), first);
  // The cursor made before is released when the next one is chosen.
  EXPECT_FALSE(f.headless->CursorHotspot(made).has_value());
}

TEST(UiWindowOutput, OutlineOptionFramesEveryComposedPicture) {
  WindowFixture f;
  auto& a = f.AddProbe(10, 10, 20, 20, 0xFF00FF00);
  UiWindow::SetOutline(true, 0xFFFF0000);
  f.Frame();
  UiWindow::SetOutline(false, 0);
  EXPECT_EQ(f.Pixel(10, 10), 0xFFFF0000u);
  EXPECT_EQ(f.Pixel(29, 15), 0xFFFF0000u);
  EXPECT_EQ(f.Pixel(15, 15), 0xFF00FF00u);
  EXPECT_EQ(a.GetAlpha(), 255);
}

TEST(UiPicButton, PicturesFollowTheStateAndFallBack) {
  WindowFixture f;
  const CaptionImages& images = BuiltInCaptionImages();
  UiPicButton button;
  button.Create(f.window.get(), true, 10, 10, 30, 23, images.minimize[0]);
  EXPECT_EQ(button.Image(UiPicButton::Slot::Hover), images.minimize[0]);
  EXPECT_EQ(button.Image(UiPicButton::Slot::Pressed), images.minimize[0]);
  EXPECT_EQ(button.Image(UiPicButton::Slot::Disabled), images.minimize[0]);
  EXPECT_EQ(button.GetAuxValue(), 255);
  UiPicButton hovered;
  hovered.Create(f.window.get(), true, 50, 10, 30, 23, images.minimize[0], images.minimize[1]);
  EXPECT_EQ(hovered.Image(UiPicButton::Slot::Pressed), images.minimize[1]);
  f.Frame();
  const Point at = hovered.PointToScreen({3, 3});
  f.headless->MoveMouse(at);
  EXPECT_EQ(hovered.GetState(), UiPicButton::State::Hover);
  f.headless->PressButton(ws::MouseButton::Left);
  EXPECT_EQ(hovered.GetState(), UiPicButton::State::Pressed);
  f.headless->ReleaseButton(ws::MouseButton::Left);
  EXPECT_EQ(hovered.GetState(), UiPicButton::State::Hover);
  f.headless->MoveMouse(WindowFixture::At(150, 150));
  EXPECT_EQ(hovered.GetState(), UiPicButton::State::Normal);
  // A disabled button shows its disabled picture (the normal one by default)...
  hovered.SetDisabled(1);
  for (int i = 0; i < 40; ++i) f.Frame();
  EXPECT_EQ(f.Pixel(65, 24), f.Pixel(25, 24));  // a pixel of the glyph, as on the first button
  EXPECT_NE(f.Pixel(65, 24), kBackColor);
  hovered.SetDisabled(0);
  // ...and without one it draws nothing.
  hovered.SetImages(std::nullopt, std::nullopt, std::nullopt, ImageHandle{});
  hovered.SetDisabled(1);
  for (int i = 0; i < 40; ++i) f.Frame();
  EXPECT_EQ(f.Pixel(53, 13), kBackColor);
}

// A 64 x 64 skin: a dark 30-row title band, a light body and a status strip,
// cut by magenta markers at columns 20 and 43 and rows 30 and 33.
ImageHandle NineGridSkin() {
  draw::Bitmap skin(64, 64);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      draw::Argb c = y < 30 ? 0xFF1C466Bu : (y >= 58 ? 0xFFD5DEE8u : 0xFFEEF2F6u);
      if (y == 29) c = 0xFF12324Du;
      skin.SetPixel(x, y, c);
    }
  }
  for (int at : {20, 43}) skin.SetPixel(at, 0, 0xFFFF00FF);
  for (int at : {30, 33}) skin.SetPixel(0, at, 0xFFFF00FF);
  return std::make_shared<draw::Image>(draw::Image::FromBitmap(std::move(skin)));
}

TEST(UiWindowRender, FramedWindowWithCaptionAndPictureButtons) {
  BindOptions options;
  options.captionFlags = 7;
  options.backColor = 0xFF2B5D8C;
  WindowFixture f(360, 240, options);
  const CaptionImages& images = BuiltInCaptionImages();
  std::vector<std::unique_ptr<UiPicButton>> buttons;
  const std::array<ImageHandle, 4> pictures{images.restore[0], images.minimize[1], images.close[2], images.maximize[0]};
  for (size_t i = 0; i < pictures.size(); ++i) {
    buttons.push_back(std::make_unique<UiPicButton>());
    buttons.back()->Create(f.window.get(), true, 20 + static_cast<int>(i) * 40, 2, 30, 23, pictures[i]);
  }
  f.window->SetBackImage(NineGridSkin(), 1);
  f.Frame();
  // Hover over the close button so its red picture shows.
  const Point close = f.window->Frame()->CaptionButton(0)->PointToScreen({10, 10});
  f.headless->MoveMouse(close);
  for (int i = 0; i < 30; ++i) f.Frame();
  EXPECT_EQ(f.window->Frame()->CaptionButton(0)->GetState(), UiPicButton::State::Hover);
  const auto& p = Shown(f);
  // The close button's hover fill is opaque red at its corner.
  const int cx = testing::kPad + f.window->Frame()->CaptionButton(0)->GetLeft();
  EXPECT_EQ(p.At(cx + 1, testing::kPad + 1), 0xFFE04343u);
  // The skin's title band, body and status strip, with no marker pixels.
  EXPECT_EQ(p.At(100, testing::kPad + 10), 0xFF1C466Bu);
  EXPECT_EQ(p.At(100, testing::kPad + 120), 0xFFEEF2F6u);
  EXPECT_EQ(p.At(100, 240 - testing::kPad - 2), 0xFFD5DEE8u);
  for (int y = testing::kPad; y < 240 - testing::kPad; ++y) EXPECT_NE(p.At(testing::kPad + 20, y), 0xFFFF00FFu);
  const std::filesystem::path out = std::filesystem::path(QUILLMAR_TEST_OUTPUT_DIR) / "core_window_render.png";
  EXPECT_TRUE(f.headless->SavePresentedPng(f.hwnd, out.string()));
}

}  // namespace
}  // namespace quillmar
