// The control kit through the public path: typed handlers, Stop and Continue,
// composite controls hearing their children, and painting.

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/draw/brush.h"
#include "platform/draw/graphics.h"
#include "tests/ui/core/window_test_support.h"
#include "ui/core/control.h"

namespace quillmar {
namespace {

using testing::WindowFixture;

class KitProbe : public UiControl {
 public:
  int32_t Create(UiWindow* parent, int32_t x, int32_t y, int32_t w, int32_t h) {
    const int32_t key = CreateElement(parent, true, x, y, w, h, "OVCL_KITPROBE");
    FinishCreate();
    return key;
  }
  using UiControl::AdoptComposite;

  std::vector<MouseEvent> downs, ups, wheels;
  std::vector<int32_t> keys;
  std::vector<uint32_t> chars;
  int clicks = 0, enters = 0, leaves = 0, focusGains = 0;
  Handled downResult = Handled::Continue;
  Handled childResult = Handled::Continue;
  std::vector<std::pair<int32_t, uint32_t>> childEvents;
  Size painted;

 protected:
  Handled OnMouseDown(const MouseEvent& e) override {
    downs.push_back(e);
    return downResult;
  }
  Handled OnMouseUp(const MouseEvent& e) override {
    ups.push_back(e);
    return Handled::Continue;
  }
  Handled OnMouseWheel(const MouseEvent& e) override {
    wheels.push_back(e);
    return Handled::Continue;
  }
  Handled OnKeyDown(const KeyEvent& e) override {
    keys.push_back(e.virtualKey);
    return Handled::Continue;
  }
  Handled OnChar(const CharEvent& e) override {
    chars.push_back(e.code);
    return Handled::Continue;
  }
  Handled OnClick() override {
    ++clicks;
    return Handled::Continue;
  }
  Handled OnMouseEnter() override {
    ++enters;
    return Handled::Continue;
  }
  Handled OnMouseLeave() override {
    ++leaves;
    return Handled::Continue;
  }
  Handled OnFocusGained() override {
    ++focusGains;
    return Handled::Continue;
  }
  Handled OnChildEvent(int32_t childKey, uint32_t msg, WParam, LParam) override {
    if (msg > Event::Click) childEvents.emplace_back(childKey, msg);
    return childResult;
  }
  void OnPaint(draw::Graphics& g, Size size) override {
    painted = size;
    g.FillRectangle(draw::Brush(0xFF20C040), RectF{0, 0, 4, 4});
  }
};

// Counts what an event routine sees, per message.
struct Seen {
  std::vector<std::pair<int32_t, uint32_t>> events;
  EventRoutine Routine(int32_t result = 1) {
    return [this, result](Hwnd, int32_t key, uint32_t msg, WParam, LParam) {
      events.emplace_back(key, msg);
      return result;
    };
  }
  size_t Count(int32_t key, uint32_t msg) const {
    return static_cast<size_t>(std::count(events.begin(), events.end(), std::pair{key, msg}));
  }
};

TEST(UiControlKit, TypedHandlersGetDecodedControlRelativeInput) {
  WindowFixture f;
  KitProbe probe;
  probe.Create(f.window.get(), 20, 30, 60, 40);
  f.Frame();
  f.headless->MoveMouse(WindowFixture::At(25, 37));
  EXPECT_EQ(probe.enters, 1);
  f.headless->KeyDown(Vk::Shift);
  f.headless->Click(WindowFixture::At(25, 37));
  f.headless->KeyUp(Vk::Shift);
  ASSERT_EQ(probe.downs.size(), 1u);
  EXPECT_EQ(probe.downs[0].position, (Point{5, 7}));
  EXPECT_EQ(probe.downs[0].button, MouseButton::Left);
  EXPECT_TRUE(probe.downs[0].modifiers.shift);
  EXPECT_FALSE(probe.downs[0].modifiers.control);
  ASSERT_EQ(probe.ups.size(), 1u);
  EXPECT_EQ(probe.ups[0].button, MouseButton::Left);
  EXPECT_EQ(probe.clicks, 1);
  EXPECT_EQ(probe.focusGains, 1);
  f.headless->Wheel(-120);
  ASSERT_EQ(probe.wheels.size(), 1u);
  EXPECT_EQ(probe.wheels[0].wheelDelta, -120);
  EXPECT_EQ(probe.wheels[0].position, (Point{5, 7}));
  f.headless->PressKey('A');
  EXPECT_EQ(probe.keys, (std::vector<int32_t>{Vk::Shift, 'A'}));
  EXPECT_EQ(probe.chars.size(), 1u);
  f.headless->MoveMouse(WindowFixture::At(150, 150));
  EXPECT_EQ(probe.leaves, 1);
  // Painting hands over the canvas and the control's size.
  EXPECT_EQ(probe.painted, (Size{60, 40}));
}

TEST(UiControlKit, StopFromATypedHandlerKeepsTheUserRoutinesFromSeeingTheMessage) {
  WindowFixture f;
  Seen own, window;
  f.window->SetUserHandler(window.Routine());
  KitProbe probe;
  probe.Create(f.window.get(), 20, 30, 60, 40);
  probe.SetUserHandler(own.Routine());
  f.Frame();
  f.headless->Click(WindowFixture::At(25, 37));
  EXPECT_EQ(own.Count(probe.Key(), Msg::LButtonDown), 1u);
  EXPECT_EQ(window.Count(probe.Key(), Msg::LButtonDown), 1u);
  probe.downResult = Handled::Stop;
  f.headless->Click(WindowFixture::At(25, 37));
  EXPECT_EQ(probe.downs.size(), 2u);
  EXPECT_EQ(own.Count(probe.Key(), Msg::LButtonDown), 1u);
  EXPECT_EQ(window.Count(probe.Key(), Msg::LButtonDown), 1u);
  // The press still captured the mouse for the control, and the release ends it.
  EXPECT_EQ(own.Count(probe.Key(), Msg::LButtonUp), 2u);
  EXPECT_EQ(probe.GetPressed(), 0);
}

TEST(UiControlKit, CompositeHearsItsChildsEventsAndLeavesTheUserSlotFree) {
  WindowFixture f;
  Seen app, window;
  f.window->SetUserHandler(window.Routine());
  KitProbe list;
  list.Create(f.window.get(), 10, 10, 120, 100);
  KitProbe bar;
  bar.Create(&list, 100, 0, 20, 100);
  list.AdoptComposite(bar);
  bar.SetUserHandler(app.Routine());
  bar.RaiseEvent(Event::ScrollChanged, 3, 0);
  ASSERT_EQ(list.childEvents.size(), 1u);
  EXPECT_EQ(list.childEvents[0], (std::pair{bar.Key(), Event::ScrollChanged}));
  EXPECT_EQ(app.Count(bar.Key(), Event::ScrollChanged), 1u);
  EXPECT_EQ(window.Count(bar.Key(), Event::ScrollChanged), 1u);
  // A composite that consumes the event keeps it from the application.
  list.childResult = Handled::Stop;
  EXPECT_EQ(bar.RaiseEvent(Event::ScrollChanged, 4, 0), 0);
  EXPECT_EQ(list.childEvents.size(), 2u);
  EXPECT_EQ(app.Count(bar.Key(), Event::ScrollChanged), 1u);
  EXPECT_EQ(window.Count(bar.Key(), Event::ScrollChanged), 1u);
  // A composite destroyed before its child is no longer called.
  list.childResult = Handled::Continue;
  const int32_t barKey = bar.Key();
  list.Unregister();
  EXPECT_EQ(bar.RaiseEvent(Event::ScrollChanged, 5, 0), 1);
  EXPECT_EQ(list.childEvents.size(), 2u);
  EXPECT_EQ(app.Count(barKey, Event::ScrollChanged), 2u);
}

}  // namespace
}  // namespace quillmar
