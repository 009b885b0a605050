#pragma once
// An edit in a bound window on the headless backend, with the keys and clicks
// a person would use on it.

#include <string>
#include <string_view>
#include <utility>

#include "tests/ui/core/window_test_support.h"
#include "ui/core/theme_defaults.h"
#include "ui/edit/edit.h"

namespace quillmar {

using testing::WindowFixture;

struct EditFixture {
  explicit EditFixture(std::string_view text, EditOptions options = {}, int w = 200, int h = 24) {
    Theme() = ThemeDefaults::Standard();
    edit.Create(f.window.get(), 1, 10, 10, w, h, text, options);
    f.Frame();
  }
  ~EditFixture() { edit.Release(); }
  Point Screen(int x, int y) { return edit.PointToScreen({x, y}); }
  void Focus() {
    f.headless->Click(Screen(2, edit.GetHeight() / 2));
    f.Frame();
  }
  void Ctrl(int vk) { Key(vk, true, false); }
  // A key with the modifiers held, as a person presses it.
  void Key(int vk, bool ctrl, bool shift) {
    if (ctrl) f.headless->KeyDown(Vk::Control);
    if (shift) f.headless->KeyDown(Vk::Shift);
    f.headless->PressKey(vk);
    if (shift) f.headless->KeyUp(Vk::Shift);
    if (ctrl) f.headless->KeyUp(Vk::Control);
  }
  // Anchor and caret, selected or not.
  std::pair<int32_t, int32_t> Ends() {
    int32_t a = edit.GetCaret(), c = edit.GetCaret();
    edit.GetSelection(&a, &c);
    return {a, c};
  }
  WindowFixture f;
  UiEdit edit;
};

inline EditOptions MultiLine(int32_t bars = 1, bool autoHide = false) {
  EditOptions o;
  o.multiLine = true;
  o.scrollBarMode = bars;
  o.autoHideScrollBars = autoHide;
  return o;
}

inline std::string Lines(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += "line " + std::to_string(i) + "\r\n";
  return text;
}

}  // namespace quillmar
