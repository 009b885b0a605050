#pragma once
// Which key (and whether Shift) types an ASCII character on a US keyboard.

#include <optional>

namespace quillmar::ws {

struct KeyStroke {
  int vk = 0;
  bool shift = false;
};

std::optional<KeyStroke> StrokeForAscii(char c);

// The character a key makes without modifiers, for keys that make one.
std::optional<char> PlainCharOfKey(int vk);

}  // namespace quillmar::ws
