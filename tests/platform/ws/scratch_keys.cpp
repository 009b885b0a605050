#include "tests/platform/ws/scratch_keys.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <glib.h>

#include <memory>
#include <set>

namespace quillmar::ws::testing {
namespace {

struct DisplayCloser {
  void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayRef = std::unique_ptr<Display, DisplayCloser>;

// The key codes of the server that carry no symbol at all, lowest first.
std::vector<int> SpareCodes(Display* d) {
  int low = 0;
  int high = 0;
  XDisplayKeycodes(d, &low, &high);
  int perCode = 0;
  KeySym* map = XGetKeyboardMapping(d, static_cast<KeyCode>(low), high - low + 1, &perCode);
  std::vector<int> spare;
  if (map == nullptr) return spare;
  for (int code = low; code <= high; ++code) {
    bool empty = true;
    for (int i = 0; i < perCode; ++i) empty = empty && map[(code - low) * perCode + i] == NoSymbol;
    if (empty) spare.push_back(code);
  }
  XFree(map);
  return spare;
}

// Binds or unbinds one key code (both shift levels, as xdotool binds its scratch key).
void Bind(Display* d, int code, KeySym sym) {
  KeySym syms[2] = {sym, sym};
  XChangeKeyboardMapping(d, code, 2, syms, 1);
}

}  // namespace

ScratchKeys::ScratchKeys(const std::string& utf8) {
  DisplayRef display(XOpenDisplay(nullptr));
  if (!display) return;
  std::set<gunichar> wanted;
  for (const char* p = utf8.c_str(); *p != '\0'; p = g_utf8_next_char(p)) {
    const gunichar c = g_utf8_get_char(p);
    if (c >= 0x80) wanted.insert(c);
  }
  const std::vector<int> spare = SpareCodes(display.get());
  auto code = spare.begin();
  for (gunichar c : wanted) {
    if (code == spare.end()) break;
    // X11's keysym for a Unicode character.
    Bind(display.get(), *code, static_cast<KeySym>(0x01000000u | c));
    codes_.push_back(*code++);
  }
  XSync(display.get(), False);
}

ScratchKeys::~ScratchKeys() {
  if (codes_.empty()) return;
  DisplayRef display(XOpenDisplay(nullptr));
  if (!display) return;
  for (int code : codes_) Bind(display.get(), code, NoSymbol);
  XSync(display.get(), False);
}

}  // namespace quillmar::ws::testing
