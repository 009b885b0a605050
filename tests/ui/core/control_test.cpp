// The control kit through the public path: typed handlers, Stop and Continue,
// owners hearing their children through typed signals, and painting.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "tests/ui/core/window_test_support.h"
#include "ui/core/control.h"

namespace quillmar {
namespace {

using testing::WindowFixture;
using Heard = std::pair<int32_t, uint32_t>;

class KitProbe : public UiControl {
 public:
  int32_t Create(UiWindow* parent, int32_t x, int32_t y, int32_t w, int32_t h) {
    const int32_t key = CreateElement(parent, true, x, y, w, h, "OVCL_KITPROBE");
    FinishCreate();
    return key;
  }

  Handled result = Handled::Continue;  // what every handler answers
  std::vector<MouseEvent> mouse;       // downs, ups and wheels in order
  std::vector<int32_t> keys;
  int clicks = 0, enters = 0, leaves = 0;
  // The owner's typed signal for the probe's own events.
  std::function<void(uint32_t msg, int32_t value)> onOwnEvent;
  Size painted;

 protected:
  Handled OnMouseDown(const MouseEvent& e) override { return Note(mouse, e); }
  Handled OnMouseUp(const MouseEvent& e) override { return Note(mouse, e); }
  Handled OnMouseWheel(const MouseEvent& e) override { return Note(mouse, e); }
  Handled OnKeyDown(const KeyEvent& e) override { return Note(keys, e.virtualKey); }
  Handled OnClick() override { return Tally(clicks); }
  Handled OnMouseEnter() override { return Tally(enters); }
  Handled OnMouseLeave() override { return Tally(leaves); }
  Handled OnOwnEvent(uint32_t msg, WParam wParam, LParam) override {
    Emit(onOwnEvent, msg, static_cast<int32_t>(wParam));
    return Handled::Continue;
  }
  void OnPaint(draw::Graphics&, Size size) override { painted = size; }

 private:
  template <typename T>
  Handled Note(std::vector<T>& list, const T& value) {
    list.push_back(value);
    return result;
  }
  Handled Tally(int& counter) {
    ++counter;
    return result;
  }
};

// An event routine that notes what it hears.
EventRoutine Listen(std::vector<Heard>& heard) {
  return [&heard](Hwnd, int32_t key, uint32_t msg, WParam, LParam) {
    heard.emplace_back(key, msg);
    return 1;
  };
}

size_t Times(const std::vector<Heard>& heard, int32_t key, uint32_t msg) {
  return static_cast<size_t>(std::count(heard.begin(), heard.end(), Heard{key, msg}));
}

TEST(UiControlKit, TypedHandlersGetDecodedInputAndStopKeepsItFromTheRoutines) {
  WindowFixture f;
  std::vector<Heard> own, window;
  f.window->SetUserHandler(Listen(window));
  KitProbe probe;
  probe.Create(f.window.get(), 20, 30, 60, 40);
  probe.SetUserHandler(Listen(own));
  f.Frame();
  EXPECT_EQ(probe.painted, (Size{60, 40}));
  f.headless->MoveMouse(WindowFixture::At(25, 37));
  f.headless->KeyDown(Vk::Shift);
  f.headless->Click(WindowFixture::At(25, 37));
  f.headless->KeyUp(Vk::Shift);
  f.headless->Wheel(-120);
  f.headless->PressKey('A');
  ASSERT_EQ(probe.mouse.size(), 3u);
  EXPECT_EQ(probe.mouse[0].position, (Point{5, 7}));  // relative to the control
  EXPECT_EQ(probe.mouse[0].button, MouseButton::Left);
  EXPECT_TRUE(probe.mouse[0].modifiers.shift);
  EXPECT_FALSE(probe.mouse[0].modifiers.control);
  EXPECT_EQ(probe.mouse[1].button, MouseButton::Left);
  EXPECT_EQ(probe.mouse[2].wheelDelta, -120);
  EXPECT_EQ(probe.mouse[2].position, (Point{5, 7}));  // from the wheel's screen point
  EXPECT_EQ(probe.keys.back(), 'A');
  EXPECT_EQ(probe.clicks, 1);
  EXPECT_EQ(probe.enters, 1);
  EXPECT_EQ(Times(own, probe.Key(), Msg::LButtonDown), 1u);
  EXPECT_EQ(Times(window, probe.Key(), Msg::LButtonDown), 1u);
  // Stop: neither routine hears the press, yet the press still captured the
  // mouse for the control and the release ends it.
  probe.result = Handled::Stop;
  f.headless->Click(WindowFixture::At(25, 37));
  EXPECT_EQ(probe.mouse.size(), 5u);
  EXPECT_EQ(Times(own, probe.Key(), Msg::LButtonDown), 1u);
  EXPECT_EQ(Times(window, probe.Key(), Msg::LButtonDown), 1u);
  EXPECT_EQ(probe.GetPressed(), 0);
  f.headless->MoveMouse(WindowFixture::At(150, 150));
  EXPECT_EQ(probe.leaves, 1);
}

TEST(UiControlKit, OwnersSignalHearsOwnEventsBeforeTheRoutinesAndMayDeleteTheChild) {
  WindowFixture f;
  std::vector<Heard> heard;  // owner, user routine and window routine in one log
  f.window->SetUserHandler(Listen(heard));
  KitProbe list;
  list.Create(f.window.get(), 10, 10, 120, 100);
  auto bar = std::make_unique<KitProbe>();
  bar->Create(&list, 100, 0, 20, 100);
  const int32_t key = bar->Key();
  std::vector<int32_t> values;
  bar->onOwnEvent = [&](uint32_t msg, int32_t value) {
    heard.emplace_back(-1, msg);
    values.push_back(value);
  };
  bar->SetUserHandler(Listen(heard));
  EXPECT_EQ(bar->RaiseEvent(Event::ScrollChanged, 3, 0), 1);
  EXPECT_EQ(heard,
            (std::vector<Heard>{{-1, Event::ScrollChanged}, {key, Event::ScrollChanged}, {key, Event::ScrollChanged}}));
  EXPECT_EQ(values, std::vector<int32_t>{3});
  // The framework's own events up to the click are not the control's own.
  bar->RaiseEvent(Event::Click);
  bar->RaiseEvent(Event::Resized, 20, 100);
  EXPECT_EQ(values.size(), 1u);
  // An owner may drop its child from the signal: nobody after it hears the event.
  bar->onOwnEvent = [&](uint32_t, int32_t value) {
    values.push_back(value);
    bar.reset();
  };
  heard.clear();
  EXPECT_EQ(bar->RaiseEvent(Event::MenuItemChosen, 4, 0), 0);
  EXPECT_EQ(bar, nullptr);
  EXPECT_EQ(values.back(), 4);
  EXPECT_TRUE(heard.empty());
}

}  // namespace
}  // namespace quillmar
