#include "platform/ws/key_codes.h"

#include <string_view>

#include "platform/ws/messages.h"

namespace quillmar::ws {
namespace {

constexpr std::string_view kPlain = ";=,-./`[\\]'";
constexpr std::string_view kShifted = ":+<_>?~{|}\"";
constexpr int kOem[] = {0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xC0, 0xDB, 0xDC, 0xDD, 0xDE};
constexpr std::string_view kDigitsShifted = ")!@#$%^&*(";

}  // namespace

std::optional<KeyStroke> StrokeForAscii(char c) {
  if (c >= 'a' && c <= 'z') return KeyStroke{c - 'a' + 'A', false};
  if (c >= 'A' && c <= 'Z') return KeyStroke{c, true};
  if (c >= '0' && c <= '9') return KeyStroke{c, false};
  if (c == ' ') return KeyStroke{Vk::Space, false};
  if (c == '\n' || c == '\r') return KeyStroke{Vk::Return, false};
  if (c == '\t') return KeyStroke{Vk::Tab, false};
  if (auto i = kPlain.find(c); i != std::string_view::npos) return KeyStroke{kOem[i], false};
  if (auto i = kShifted.find(c); i != std::string_view::npos) return KeyStroke{kOem[i], true};
  if (auto i = kDigitsShifted.find(c); i != std::string_view::npos) return KeyStroke{static_cast<int>('0' + i), true};
  return std::nullopt;
}

std::optional<char> PlainCharOfKey(int vk) {
  if (vk >= 'A' && vk <= 'Z') return static_cast<char>(vk - 'A' + 'a');
  if (vk >= '0' && vk <= '9') return static_cast<char>(vk);
  if (vk == Vk::Space) return ' ';
  for (size_t i = 0; i < kPlain.size(); ++i) {
    if (kOem[i] == vk) return kPlain[i];
  }
  return std::nullopt;
}

}  // namespace quillmar::ws
