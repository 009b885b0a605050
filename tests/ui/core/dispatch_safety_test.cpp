// Whatever a handler does to elements and windows during dispatch, painting
// or its own click, nothing reads freed memory and nothing runs twice (the
// suite runs under AddressSanitizer).

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "platform/draw/brush.h"
#include "platform/draw/graphics.h"
#include "tests/ui/core/window_test_support.h"
#include "ui/core/control.h"
#include "ui/core/frame.h"

namespace quillmar {
namespace {

using testing::kBackColor;
using testing::WindowFixture;

int paintDepth = 0;
int deepestPaint = 0;

// A control filled with one colour whose click and paint run what the test hands it.
class Hooked : public UiControl {
 public:
  explicit Hooked(draw::Argb color = 0xFFCC3333, bool* destroyed = nullptr) : color_(color), destroyed_(destroyed) {}
  ~Hooked() override {
    if (destroyed_) *destroyed_ = true;
  }
  int32_t Create(UiWindow* parent, int32_t x, int32_t y, int32_t w, int32_t h) {
    const int32_t key = CreateElement(parent, true, x, y, w, h, "OVCL_HOOKED");
    FinishCreate();
    return key;
  }
  std::function<void()> onClick, onPaint;
  int clicks = 0, paints = 0;

 protected:
  Handled OnClick() override {
    ++clicks;
    if (onClick) onClick();
    return Handled::Continue;
  }
  void OnPaint(draw::Graphics& g, Size size) override {
    ++paints;
    deepestPaint = std::max(deepestPaint, ++paintDepth);
    g.FillRectangle(draw::Brush(color_), RectF{0, 0, static_cast<float>(size.width), static_cast<float>(size.height)});
    if (onPaint) onPaint();
    --paintDepth;
  }

 private:
  draw::Argb color_;
  bool* destroyed_;
};

EventRoutine Counter(int32_t key, uint32_t msg, int* count, int32_t result = 1) {
  return [=](Hwnd, int32_t k, uint32_t m, WParam, LParam) {
    if ((key != 0 && k != key) || m != msg) return 1;
    ++*count;
    return result;
  };
}

TEST(UiWindowDispatchSafety, HandlerMayRemoveOrDeleteItsOwnElement) {
  WindowFixture f;
  Hooked other;
  other.Create(f.window.get(), 100, 10, 40, 40);
  // Removing its own element during its click.
  Hooked remover;
  remover.Create(f.window.get(), 10, 10, 40, 40);
  remover.onClick = [&remover] { remover.Unregister(); };
  f.Frame();
  f.headless->Click(WindowFixture::At(20, 20));
  EXPECT_EQ(remover.Key(), 0);
  EXPECT_EQ(remover.clicks, 1);
  // Deleting its own object during its click: it goes when dispatch returns.
  bool destroyed = false;
  auto owned = std::make_unique<Hooked>(0xFFCC3333, &destroyed);
  owned->Create(f.window.get(), 10, 10, 40, 40);
  bool aliveInHandler = false;
  owned->onClick = [&] {
    UiWindow::DeleteLater(std::move(owned));
    aliveInHandler = !destroyed;
  };
  f.Frame();
  f.headless->Click(WindowFixture::At(20, 20));
  EXPECT_TRUE(aliveInHandler);
  EXPECT_TRUE(destroyed);
  for (int i = 0; i < 3; ++i) f.Frame();
  EXPECT_EQ(f.Pixel(20, 20), kBackColor);
  // The window goes on working.
  f.headless->Click(WindowFixture::At(110, 20));
  EXPECT_EQ(other.clicks, 1);
}

TEST(UiWindowDispatchSafety, WindowDestroyedMidClickEndsTheDispatch) {
  {
    WindowFixture f;
    Hooked button;
    button.Create(f.window.get(), 10, 10, 40, 40);
    button.onClick = [&f] { f.window.reset(); };
    f.Frame();
    f.headless->Click(WindowFixture::At(20, 20));
    EXPECT_EQ(f.window, nullptr);
    f.headless->Click(WindowFixture::At(20, 20));
    f.Frame();
    EXPECT_EQ(button.clicks, 1);
  }
  {
    WindowFixture f;
    Hooked button;
    button.Create(f.window.get(), 10, 10, 40, 40);
    button.onClick = [&f] { ws::System().DestroyWindow(f.hwnd); };
    f.Frame();
    f.headless->Click(WindowFixture::At(20, 20));
    EXPECT_FALSE(ws::System().IsWindow(f.hwnd));
    EXPECT_FALSE(f.window->Frame() && f.window->Frame()->Painted());
    EXPECT_EQ(button.clicks, 1);
  }
}

TEST(UiWindowDispatchSafety, ReparentingDuringPaintDefersItsRepaintAndNeverNestsThePass) {
  WindowFixture f;
  Hooked host(0xFF00FF00);
  host.Create(f.window.get(), 150, 10, 100, 100);
  Hooked mover(0xFFFF0000);
  mover.Create(f.window.get(), 10, 10, 30, 30);
  Hooked painter(0xFF0000FF);
  painter.Create(f.window.get(), 60, 10, 30, 30);
  bool moved = false;
  painter.onPaint = [&] {
    if (moved) return;
    moved = true;
    host.SetParent(mover.Key());
    host.InvalidateRect();
    ws::System().Send(f.hwnd, Event::RepaintRequest, ToWire(RepaintKind::Paint), 0);  // asks for a pass inside the pass
  };
  deepestPaint = 0;
  for (int i = 0; i < 3; ++i) f.Frame();
  EXPECT_TRUE(moved);
  EXPECT_EQ(deepestPaint, 1);
  EXPECT_EQ(mover.GetParentKey(), host.Key());
  EXPECT_EQ(f.Pixel(20, 20), kBackColor);    // the old place is cleared
  EXPECT_EQ(f.Pixel(165, 25), 0xFFFF0000u);  // the mover shows inside the host
  EXPECT_EQ(f.Pixel(200, 80), 0xFF00FF00u);
}

TEST(UiWindowDispatchSafety, DestroyedControlWithAPendingRepaintHearsNothing) {
  WindowFixture f;
  auto victim = std::make_unique<Hooked>();
  victim->Create(f.window.get(), 10, 10, 40, 40);
  const int32_t key = victim->Key();
  int heardByWindow = 0;
  f.window->SetUserHandler(Counter(key, Event::Paint, &heardByWindow));
  f.Frame();
  heardByWindow = 0;
  victim->InvalidateRect();
  victim.reset();
  EXPECT_EQ(heardByWindow, 0);
  for (int i = 0; i < 3; ++i) f.Frame();
  EXPECT_EQ(heardByWindow, 0);
  EXPECT_EQ(f.Pixel(20, 20), kBackColor);
}

TEST(UiWindowDispatchSafety, SetParentRefusesToMakeALoop) {
  UiWindow a, b, c;
  for (UiWindow* w : {&a, &b, &c}) w->Register(0, 0, 10, 10, "OVCL_LABEL");
  EXPECT_EQ(a.SetParent(b.Key()), 1);
  EXPECT_EQ(b.SetParent(c.Key()), 1);
  EXPECT_EQ(c.SetParent(a.Key()), 0);
  EXPECT_EQ(a.GetParentKey(), 0);
  EXPECT_EQ(c.TopLevelKey(), a.Key());
}

TEST(UiWindowRoutine, BoundWindowHearsItsPaintAndRedrawEnabledGatesInvalidation) {
  WindowFixture f;
  Hooked element;
  element.Create(f.window.get(), 10, 10, 40, 40);
  int paints = 0;
  f.window->SetUserHandler(Counter(f.window->Key(), Event::Paint, &paints));
  f.Frame();
  EXPECT_GE(paints, 1);
  EXPECT_EQ(f.Pixel(100, 100), kBackColor);
  // A routine that takes the paint event leaves the window's own drawing out.
  f.window->SetUserHandler(Counter(f.window->Key(), Event::Paint, &paints, 0));
  f.window->InvalidateRect();
  f.Frame();
  EXPECT_EQ(f.Pixel(100, 100), 0u);
  const int before = element.paints;
  element.SetRedrawEnabled(0);
  element.InvalidateRect();
  f.Frame();
  EXPECT_EQ(element.paints, before);
  element.SetRedrawEnabled(1);
  element.InvalidateRect();
  f.Frame();
  EXPECT_EQ(element.paints, before + 1);
}

TEST(UiWindowBinding, ReleaseOrUnregisterGivesTheSystemWindowBack) {
  for (const bool unregister : {false, true}) {
    WindowFixture f;
    int heard = 0;
    f.window->SetUserHandler(Counter(0, Msg::User, &heard));
    f.Frame();
    const int presents = f.headless->Presented(f.hwnd)->presentCount;
    unregister ? f.window->Unregister() : f.window->ReleaseWindow();
    f.window->InvalidateRect();
    for (int i = 0; i < 5; ++i) f.Frame();
    ws::System().Send(f.hwnd, Msg::User, 0, 0);
    EXPECT_EQ(heard, 0);
    EXPECT_EQ(f.headless->Presented(f.hwnd)->presentCount, presents);
    EXPECT_FALSE(f.window->Frame() && f.window->Frame()->Painted());
    EXPECT_EQ(ws::System().GetExStyle(f.hwnd) & ExStyle::Layered, 0u);
  }
}

}  // namespace
}  // namespace quillmar
